#include "viewer/viewerlayout.h"

#include <QTest>

using namespace velt;

class TestViewerLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fit_data();
    void fit();
    void playerWithinScreen_data();
    void playerWithinScreen();
};

void TestViewerLayout::fit_data()
{
    QTest::addColumn<int>("playerWidth");
    QTest::addColumn<int>("playerHeight");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("rowBase");
    QTest::newRow("standard") << 5250 << 4935 << 5625 << 7155 << 5160;
    QTest::newRow("designed") << 5265 << 4935 << 5625 << 7155 << 5160;
    QTest::newRow("width at the limit") << 5295 << 100 << 5625 << 7155 << 5160;
    QTest::newRow("one wider") << 5296 << 4935 << 5626 << 7155 << 5160;
    QTest::newRow("one taller") << 100 << 4936 << 5625 << 7156 << 5161;
    QTest::newRow("double") << 9600 << 7200 << 9930 << 9420 << 7425;
}

void TestViewerLayout::fit()
{
    QFETCH(int, playerWidth);
    QFETCH(int, playerHeight);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, rowBase);
    const ViewerLayout l = FitToPlayer(playerWidth, playerHeight);
    QCOMPARE(l.windowWidth, width);
    QCOMPARE(l.windowHeight, height);
    QCOMPARE(l.rowBase, rowBase);
    QCOMPARE(l.secondRow, rowBase + 600);
    QCOMPARE(l.thirdRow, rowBase + 1200);
}

void TestViewerLayout::playerWithinScreen_data()
{
    QTest::addColumn<QSize>("player");
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("expected");
    const QSize fullHd(1920 * 15, 1040 * 15); // a 1920 x 1080 screen less a panel
    QTest::newRow("fits") << QSize(9600, 7200) << fullHd << QSize(9600, 7200);
    QTest::newRow("double of a full-HD movie")
            << QSize(3840 * 15, 2200 * 15) << fullHd << QSize(1920 * 15 - 330, 1040 * 15 - 2220);
    QTest::newRow("tiny screen keeps the standard size")
            << QSize(20000, 20000) << QSize(4000, 4000) << QSize(5250, 4935);
}

void TestViewerLayout::playerWithinScreen()
{
    QFETCH(QSize, player);
    QFETCH(QSize, available);
    QFETCH(QSize, expected);
    QCOMPARE(velt::playerWithinScreen(player, available), expected);
}

QTEST_GUILESS_MAIN(TestViewerLayout)
#include "tst_viewerlayout.moc"
