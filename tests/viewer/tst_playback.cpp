#include "viewer/playback.h"

#include <QTest>

using namespace velt;

class TestPlayback : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void speedButtons_data();
    void speedButtons();
};

// Presses from normal speed (Down, Up, Slow, Normal): the rate left, compared exactly, and the
// label's text.
void TestPlayback::speedButtons_data()
{
    QTest::addColumn<QString>("presses");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("label");
    QTest::newRow("down") << "D" << 0.9 << "0.9";
    QTest::newRow("rounding carried, hidden by the label") << "DDD" << 0.7000000000000001 << "0.7";
    QTest::newRow("a hair above the floor") << QString(9, 'D') << 0.10000000000000014 << "0.1";
    QTest::newRow("that hair stepped, then lifted") << QString(10, 'D') << 0.1 << "0.1";
    QTest::newRow("down after slow stays") << "SDD" << 0.05 << "0.05";
    QTest::newRow("up after slow") << "SU" << 0.15000000000000002 << "0.15";
    QTest::newRow("ceiling") << QString(60, 'U') << 6.0 << "6";
    QTest::newRow("normal after anything") << "UUSDN" << 1.0 << "1";
}

void TestPlayback::speedButtons()
{
    QFETCH(QString, presses);
    QFETCH(double, rate);
    QFETCH(QString, label);
    double r = kNormalRate;
    for (QChar p : presses)
        r = p == 'D' ? speedDown(r) : p == 'U' ? speedUp(r) : p == 'S' ? kSlowRate : kNormalRate;
    QCOMPARE(r, rate);
    QCOMPARE(rateText(r), label);
    // The notification applies the label's rate again: it reads back as the same label.
    QCOMPARE(rateText(rateFromText(label)), label);
}

QTEST_GUILESS_MAIN(TestPlayback)
#include "tst_playback.moc"
