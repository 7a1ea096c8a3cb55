#include "cache/ordering.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace velt;

namespace {

MdlVELT listOf(const QStringList &names, const QStringList &times = {})
{
    MdlVELT state;
    state.reserveList(int(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        const QTime t = times.isEmpty() ? QTime(12, 0)
                                        : QTime::fromString(times[i], QStringLiteral("HH:mm:ss"));
        state.ListFile[i + 1] = names[i];
        state.ListLine[i + 1] = displayLine(names[i], QDateTime(QDate(2001, 1, 1 + i % 28), t));
    }
    state.ListCount = int(names.size());
    return state;
}

QStringList files(const MdlVELT &state)
{
    return state.ListFile.mid(1, state.ListCount);
}

// The ordering exactly as first written: 37 passes, then insertion with tail shifts.
void referenceByName(MdlVELT &s)
{
    int rec = 1;
    auto pass = [&](QChar cs) {
        for (int i = 1; i <= s.ListCount; ++i) {
            const QString f = s.ListFile[i];
            const QString c = f.isEmpty() ? QString() : QString(f.at(0).toUpper());
            if ((cs == QLatin1Char(' ') && !c.isEmpty())
                || (cs != QLatin1Char(' ') && c == QString(cs))) {
                s.SortFile[rec] = s.ListFile[i];
                s.SortLine[rec] = s.ListLine[i];
                s.ListFile[i].clear();
                s.ListLine[i].clear();
                ++rec;
            }
        }
    };
    for (char c = '0'; c <= '9'; ++c)
        pass(QLatin1Char(c));
    for (char c = 'A'; c <= 'Z'; ++c)
        pass(QLatin1Char(c));
    pass(QLatin1Char(' '));
    for (int k = 1; k <= s.ListCount; ++k) {
        s.ListFile[k] = s.SortFile[k];
        s.ListLine[k] = s.SortLine[k];
    }
}

void referenceByTime(MdlVELT &s)
{
    for (int i = 1; i <= s.ListCount; ++i) {
        int j = i;
        if (i > 1) {
            for (int k = 1; k <= i - 1; ++k) {
                if (timeOfDayKey(s.SortLine[k]) >= timeOfDayKey(s.ListLine[i])) {
                    for (int a = s.ListCount; a >= k + 1; --a) {
                        s.SortFile[a] = s.SortFile[a - 1];
                        s.SortLine[a] = s.SortLine[a - 1];
                    }
                    j = k;
                    break;
                }
            }
        }
        s.SortFile[j] = s.ListFile[i];
        s.SortLine[j] = s.ListLine[i];
    }
    for (int k = 1; k <= s.ListCount; ++k) {
        s.ListFile[k] = s.SortFile[k];
        s.ListLine[k] = s.SortLine[k];
    }
}

} // namespace

class TestOrdering : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void byName();
    void byTimeOfDay();
    void linesMoveWithNames();
    void oneEntryUntouched();
    void gifGrouping();
    void gifOutsideRangeIsKept();
    void matchesReferenceOnRandomLists_data();
    void matchesReferenceOnRandomLists();
};

void TestOrdering::byName()
{
    MdlVELT s = listOf({"z.jpg", "1.jpg", "A.jpg", "_x.jpg", "a2.jpg", "b10.jpg", "b2.jpg",
                        "画像.jpg", "~t.jpg", "0.bmp"});
    GSort(s, false);
    QCOMPARE(files(s),
             QStringList({"0.bmp", "1.jpg", "A.jpg", "a2.jpg", "b10.jpg", "b2.jpg", "z.jpg",
                          "_x.jpg", "画像.jpg", "~t.jpg"}));
}

void TestOrdering::byTimeOfDay()
{
    MdlVELT s =
            listOf({"X", "Y", "late", "early"}, {"12:00:00", "12:00:00", "23:59:59", "00:00:01"});
    GSort(s, true);
    QCOMPARE(files(s), QStringList({"early", "Y", "X", "late"}));
}

void TestOrdering::linesMoveWithNames()
{
    MdlVELT s = listOf({"b.jpg", "a.jpg"});
    GSort(s, false);
    for (int i = 1; i <= s.ListCount; ++i)
        QVERIFY(s.ListLine[i].startsWith(s.ListFile[i]));
}

void TestOrdering::oneEntryUntouched()
{
    MdlVELT s = listOf({"~only.jpg"});
    s.GifFile = {QString(), QStringLiteral("~a.gif")};
    s.GifCount = 1;
    GSort(s, false);
    QCOMPARE(files(s), QStringList({"~only.jpg"}));
    QCOMPARE(s.GifCount, 1);
    QCOMPARE(s.GifFile[1], QStringLiteral("~a.gif"));
}

void TestOrdering::gifGrouping()
{
    MdlVELT s;
    s.GifFile = {QString(), "b.gif", "A.gif", "1.gif", "_u.gif", "a.gif", "!.gif"};
    s.GifCount = 6;
    GSort(s, false);
    QCOMPARE(s.GifFile.mid(1, s.GifCount),
             QStringList({"!.gif", "1.gif", "A.gif", "a.gif", "b.gif", "_u.gif"}));
    QCOMPARE(s.GifSort.size(), 1);
}

void TestOrdering::gifOutsideRangeIsKept()
{
    // Names outside "!".."_" have no group; they stay, after the groups, in list order.
    MdlVELT s;
    s.GifFile = {QString(), "~a.gif", "b.gif", "A.gif", "広告.gif", " sp.gif", "{x.gif"};
    s.GifCount = 6;
    GSort(s, false);
    QCOMPARE(s.GifCount, 6);
    QCOMPARE(s.GifFile.mid(1, 6),
             QStringList({"A.gif", "b.gif", "~a.gif", "広告.gif", " sp.gif", "{x.gif"}));
}

void TestOrdering::matchesReferenceOnRandomLists_data()
{
    QTest::addColumn<bool>("byTime");
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 6; ++seed) {
        QTest::addRow("name %u", seed) << false << seed;
        QTest::addRow("time %u", seed) << true << seed;
    }
}

void TestOrdering::matchesReferenceOnRandomLists()
{
    QFETCH(bool, byTime);
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    const QString firsts = QStringLiteral("0123456789abcXYZ_~ -画.");
    QStringList names;
    QStringList times;
    const int n = 1 + int(rng.bounded(300));
    for (int i = 0; i < n; ++i) {
        names << QString(firsts.at(rng.bounded(int(firsts.size())))) + QString::number(i) + ".jpg";
        // Few distinct times, so that ties are common.
        times << QTime(int(rng.bounded(3)), int(rng.bounded(2)), 0)
                         .toString(QStringLiteral("HH:mm:ss"));
    }
    MdlVELT fast = listOf(names, times);
    MdlVELT reference = listOf(names, times);
    GSort(fast, byTime);
    if (byTime)
        referenceByTime(reference);
    else
        referenceByName(reference);
    QCOMPARE(files(fast), files(reference));
    QCOMPARE(fast.ListLine.mid(1, n), reference.ListLine.mid(1, n));
}

QTEST_GUILESS_MAIN(TestOrdering)
#include "tst_ordering.moc"
