#include "picture/picturelayout.h"

#include <QTest>

using namespace velt;

class TestPictureLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cases_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("hBar");
        QTest::addColumn<bool>("vBar");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<int>("hMax");
        QTest::addColumn<int>("vMax");

        QTest::newRow("exactly the viewport")
                << QSize(10000, 10000) << false << false << QSize(10000, 10000)
                << QSize(10345, 11260) << 0 << 0;
        QTest::newRow("one twip wider") << QSize(10001, 500) << true << false << QSize(10000, 500)
                                        << QSize(10345, 1760) << 1 << 0;
        QTest::newRow("16 pixels: minimum width") << QSize(240, 240) << false << false
                                                  << QSize(240, 240) << QSize(3120, 1500) << 0 << 0;
        QTest::newRow("just above the minimum") << QSize(2790, 100) << false << false
                                                << QSize(2790, 100) << QSize(3135, 1360) << 0 << 0;
        QTest::newRow("both bars") << QSize(20000, 30000) << true << true << QSize(10000, 10000)
                                   << QSize(10600, 11260) << 10000 << 20000;
        QTest::newRow("tall and narrow") << QSize(1500, 20000) << false << true
                                         << QSize(1500, 10000) << QSize(3120, 11260) << 0 << 10000;
        QTest::newRow("tall and wide enough")
                << QSize(9000, 20000) << false << true << QSize(9000, 10000) << QSize(9600, 11260)
                << 0 << 10000;
        // Beyond the old 16-bit scroll range: shown and scrollable, not a failure.
        QTest::newRow("wider than 42767") << QSize(45000, 300) << true << false << QSize(10000, 300)
                                          << QSize(10345, 1560) << 35000 << 0;
        QTest::newRow("huge both ways")
                << QSize(16384 * 15, 4096 * 15) << true << true << QSize(10000, 10000)
                << QSize(10600, 11260) << 16384 * 15 - 10000 << 4096 * 15 - 10000;
    }

    void cases()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, hBar);
        QFETCH(bool, vBar);
        QFETCH(QSize, display);
        QFETCH(QSize, window);
        QFETCH(int, hMax);
        QFETCH(int, vMax);

        const PictureLayout layout = layoutPicture(picture);
        QCOMPARE(layout.hScrollVisible, hBar);
        QCOMPARE(layout.vScrollVisible, vBar);
        QCOMPARE(layout.picture1, QRect(QPoint(120, 120), display));
        QCOMPARE(layout.window, window);
        QCOMPARE(layout.hScrollMax, hMax);
        QCOMPARE(layout.vScrollMax, vMax);

        // The bars lie against the display area, the buttons 305 below it.
        QCOMPARE(layout.hScroll, QRect(120, 120 + display.height(), display.width(), 255));
        QCOMPARE(layout.vScroll, QRect(120 + display.width(), 120, 255, display.height()));
        QCOMPARE(layout.buttonTop, 120 + display.height() + 305);
    }

    void buttonsFitTheClientArea_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::newRow("tiny") << QSize(15, 15);
        QTest::newRow("wide") << QSize(30000, 15);
        QTest::newRow("tall") << QSize(15, 30000);
        QTest::newRow("both") << QSize(30000, 30000);
    }

    void buttonsFitTheClientArea()
    {
        QFETCH(QSize, picture);
        const PictureLayout layout = layoutPicture(picture);
        const QSize client = layout.client();
        QVERIFY(layout.buttonTop + kCommand3Initial.height() <= client.height());
        QVERIFY(kCommand3Initial.right() < client.width());
        QVERIFY(layout.vScroll.right() < client.width() || !layout.vScrollVisible);
        QVERIFY(layout.hScroll.bottom() < layout.buttonTop);
    }

    void twipsToPixelsRounds()
    {
        QCOMPARE(twipsToPixels(10000), 667);
        QCOMPARE(twipsToPixels(240), 16);
        QCOMPARE(twipsToPixels(QRect(120, 2880, 975, 375)), QRect(8, 192, 65, 25));
    }
};

QTEST_APPLESS_MAIN(TestPictureLayout)
#include "tst_picturelayout.moc"
