#include "viewer/viewerlayout.h"

#include <QTest>

using namespace velt;

class TestViewerLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fit_data();
    void fit();
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

QTEST_GUILESS_MAIN(TestViewerLayout)
#include "tst_viewerlayout.moc"
