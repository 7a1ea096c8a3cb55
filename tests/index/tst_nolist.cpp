#include "index/nolist.h"

#include <QTest>

using namespace velt;

class TestNoList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pictureNumber_data();
    void pictureNumber();
    void typeAhead_data();
    void typeAhead();
};

void TestNoList::pictureNumber_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("position");
    QTest::newRow("3 of 5") << "3" << 5 << 3;
    QTest::newRow("6 of 5") << "6" << 5 << 0;
    QTest::newRow("0") << "0" << 5 << 0;
    QTest::newRow("negative") << "-1" << 5 << 0;
    QTest::newRow("half to even, down") << "2.5" << 5 << 2;
    QTest::newRow("half to even, up") << "3.5" << 5 << 4;
    QTest::newRow("below 1 though it rounds to 1") << "0.6" << 5 << 0;
    QTest::newRow("above the count though it rounds to it") << "5.2" << 5 << 0;
    QTest::newRow("4.5 of 5") << "4.5" << 5 << 4;
    QTest::newRow("no number") << "abc" << 5 << 0;
    QTest::newRow("leading part") << " 2 pictures" << 5 << 2;
    QTest::newRow("full-width") << "３" << 5 << 3;
    QTest::newRow("1e400") << "1e400" << 30000 << 0;
    QTest::newRow("exponent") << "3e4" << 30000 << 30000;
    QTest::newRow("empty list") << "1" << 0 << 0;
}

void TestNoList::pictureNumber()
{
    QFETCH(QString, answer);
    QFETCH(int, count);
    QFETCH(int, position);
    QCOMPARE(velt::pictureNumber(answer, count), position);
}

void TestNoList::typeAhead_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("row");
    const QStringList lines{"1st.jpg",    "apple.jpg",  "Avocado.jpg",
                            "banana.jpg", "cherry.jpg", "_x.jpg"};
    QTest::newRow("to the group's first line") << lines << 4 << "a" << 1;
    QTest::newRow("case-blind") << lines << 0 << "A" << 1;
    QTest::newRow("next in the group") << lines << 1 << "a" << 2;
    QTest::newRow("wraps to the group's first") << lines << 2 << "a" << 1;
    QTest::newRow("digit") << lines << 3 << "1" << 0;
    QTest::newRow("only the current line matches") << lines << 3 << "b" << 3;
    QTest::newRow("nothing matches") << lines << 2 << "z" << -1;
    QTest::newRow("no selection") << lines << -1 << "c" << 4;
    QTest::newRow("empty list") << QStringList() << -1 << "a" << -1;
}

void TestNoList::typeAhead()
{
    QFETCH(QStringList, lines);
    QFETCH(int, current);
    QFETCH(QString, typed);
    QFETCH(int, row);
    QCOMPARE(typeAheadRow(lines, current, typed.at(0)), row);
}

QTEST_GUILESS_MAIN(TestNoList)
#include "tst_nolist.moc"
