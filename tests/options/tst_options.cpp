#include "cache/collection.h"
#include "options/optionrules.h"
#include "options/recollection.h"

#include "common/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

namespace {

const QDate kToday(2026, 12, 7);

void makeFile(const QString &path, qint64 size, const QDateTime &modified)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(QByteArray(size, 'x'));
    f.flush(); // a later flush would set the time again
    QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

// Records what the re-collection does to the main window, in order.
class RecordingHost : public RecollectionHost
{
public:
    QStringList events;
    void setNavigationEnabled(bool enabled) override
    {
        events << (enabled ? QStringLiteral("enable") : QStringLiteral("disable"));
    }
    void setCounters(int pos, int count) override
    {
        events << QStringLiteral("counters %1 %2").arg(pos).arg(count);
    }
};

Settings freshSettings()
{
    Settings s;
    s.applyDefaults(QStringLiteral("/buffer"));
    return s;
}

// A WorkDir as the last collection left it: a.jpg (today, 300 bytes), b.gif (today), c.mpg,
// d.jpg (yesterday, 5000 bytes), e.jpg (tomorrow).
struct Work
{
    QTemporaryDir dir;
    MdlVELT state;
    Settings settings = freshSettings();
    ScriptedDialogs dialogs;
    RecordingHost host;

    Work()
    {
        state.WorkDir = dir.path();
        makeFile(dir.filePath(QStringLiteral("a.jpg")), 300, QDateTime(kToday, QTime(9, 0)));
        makeFile(dir.filePath(QStringLiteral("b.gif")), 10, QDateTime(kToday, QTime(8, 0)));
        makeFile(dir.filePath(QStringLiteral("c.mpg")), 10, QDateTime(kToday, QTime(8, 0)));
        makeFile(dir.filePath(QStringLiteral("d.jpg")), 5000,
                 QDateTime(kToday.addDays(-1), QTime(7, 0)));
        makeFile(dir.filePath(QStringLiteral("e.jpg")), 10,
                 QDateTime(kToday.addDays(1), QTime(0, 0, 1)));
        state.ListPos = 7;
    }
    void recollect()
    {
        recollectWorkDir(state, settings, ExtTable::standard(), kToday, dialogs, host);
    }
    QStringList listed() const { return state.ListFile.mid(1, state.ListCount); }
    QStringList messages() const
    {
        QStringList texts;
        for (const auto &m : dialogs.messages)
            texts << m.text;
        return texts;
    }
};

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storeAndCheck_data();
    void storeAndCheck();
    void storeWritesFlags();
    void recollect_data();
    void recollect();
    void recollectSortsByTime();
    void recollectLimit_data();
    void recollectLimit();
};

void TestOptions::storeAndCheck_data()
{
    QTest::addColumn<bool>("minOn");
    QTest::addColumn<bool>("maxOn");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("result"); // OptionCheck

    const int ok = int(OptionCheck::Passed);
    const int size = int(OptionCheck::SizeFailed);
    const int date = int(OptionCheck::DateFailed);
    QTest::newRow("both on, max below min") << true << true << "900"
                                            << "100"
                                            << "2000/01/01" << size;
    QTest::newRow("size comes before date") << true << true << "900"
                                            << "100"
                                            << "" << size;
    QTest::newRow("only min on") << true << false << "900"
                                 << "100"
                                 << "2000/01/01" << ok;
    QTest::newRow("only max on") << false << true << "900"
                                 << "100"
                                 << "2000/01/01" << ok;
    QTest::newRow("equal bounds") << true << true << "500"
                                  << "500"
                                  << "2000/01/01" << ok;
    QTest::newRow("read by leading part") << true << true << "  12abc"
                                          << "１２３"
                                          << "2000/01/01" << ok;
    QTest::newRow("huge max") << true << true << "-5" << QString(10000, QLatin1Char('9'))
                              << "2000/01/01" << ok;
    QTest::newRow("huge min") << true << true << "1e400"
                              << "1e300"
                              << "2000/01/01" << size;
    QTest::newRow("empty date") << false << false << "0"
                                << "0"
                                << "" << date;
    QTest::newRow("single-digit month") << false << false << "0"
                                        << "0"
                                        << "2000/1/1" << date;
    QTest::newRow("eleven characters") << false << false << "0"
                                       << "0"
                                       << "2000/01/011" << date;
    QTest::newRow("not a date but the right shape") << false << false << "0"
                                                    << "0"
                                                    << "abcd/ef/gh" << ok;
    QTest::newRow("no such day") << false << false << "0"
                                 << "0"
                                 << "2000/02/30" << ok;
    QTest::newRow("short") << false << false << "0"
                           << "0"
                           << "2000/01/" << ok;
}

void TestOptions::storeAndCheck()
{
    QFETCH(bool, minOn);
    QFETCH(bool, maxOn);
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, date);
    QFETCH(int, result);

    Settings settings = freshSettings();
    settings.setText(MinSize, QStringLiteral("1"));
    settings.setText(FilterDate, QStringLiteral("1999/01/01"));
    settings.setText(40, QStringLiteral("reserved"));
    const Settings before = settings;

    OptionFields fields;
    fields.checks[3] = minOn;
    fields.checks[4] = maxOn;
    fields.checks[6] = true;
    fields.text1 = min;
    fields.text2 = max;
    fields.text3 = date;
    QCOMPARE(int(storeOptions(settings, fields)), result);
    if (result == int(OptionCheck::Passed)) {
        QCOMPARE(settings.text(MinSize), min);
        QCOMPARE(settings.text(MaxSize), max);
        QCOMPARE(settings.text(FilterDate), date);
        QVERIFY(settings.isSet(SortByTime));
        QCOMPARE(settings.text(40), QStringLiteral("reserved"));
    } else {
        for (int slot = 1; slot <= Settings::kSlots; ++slot)
            QCOMPARE(settings.at(slot), before.at(slot));
        QVERIFY(!optionCheckMessage(OptionCheck(result)).isEmpty());
    }
}

void TestOptions::storeWritesFlags()
{
    Settings settings = freshSettings();
    OptionFields fields;
    fields.text3 = QStringLiteral("2026/12/07");
    for (int box = 1; box <= 10; ++box)
        fields.checks[box] = box % 2 == 0;
    QCOMPARE(storeOptions(settings, fields), OptionCheck::Passed);
    for (int box = 1; box <= 10; ++box) {
        const SettingValue v = settings.at(kOptionCheckSlots[box]);
        QCOMPARE(v.kind(), SettingValue::Kind::Flag);
        QCOMPARE(v.isSet(), box % 2 == 0);
    }
    QCOMPARE(settings.text(OptionsReserved15), QStringLiteral("False")); // not a dialog slot
}

void TestOptions::recollect_data()
{
    QTest::addColumn<QStringList>("assignments"); // "slot=value"
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("gifs");
    QTest::addColumn<QStringList>("events");
    const QStringList found{"enable", "counters 0 2"};
    QTest::newRow("no conditions") << QStringList() << QStringList{"a.jpg", "d.jpg"} << 1 << found;
    QTest::newRow("today only") << QStringList{"10=False", "16=True"} << QStringList{"a.jpg"} << 1
                                << QStringList{"enable", "counters 0 1"};
    QTest::newRow("min is strict")
            << QStringList{"10=False", "11=True", "12=300"} << QStringList{"d.jpg"} << 0
            << QStringList{"enable", "counters 0 1"};
    QTest::newRow("only a gif") << QStringList{"10=False", "13=True", "14=100"} << QStringList()
                                << 1 << QStringList{"enable", "counters 0 0"};
    QTest::newRow("nothing") << QStringList{"10=False", "18=True", "19=abcd/ef/gh"} << QStringList()
                             << 0 << QStringList{"enable", "disable", "counters 0 0"};
    QTest::newRow("no such day") << QStringList{"10=False", "18=True", "19=2026/02/30"}
                                 << QStringList() << 0
                                 << QStringList{"enable", "disable", "counters 0 0"};
    QTest::newRow("filter date") << QStringList{"10=False", "18=True", "19=2026/12/06"}
                                 << QStringList{"d.jpg"} << 0
                                 << QStringList{"enable", "counters 0 1"};
}

void TestOptions::recollect()
{
    QFETCH(QStringList, assignments);
    QFETCH(QStringList, expected);
    QFETCH(int, gifs);
    QFETCH(QStringList, events);
    Work w;
    for (const QString &pair : assignments) {
        const int eq = int(pair.indexOf(QLatin1Char('=')));
        w.settings.setText(pair.left(eq).toInt(), pair.mid(eq + 1));
    }
    w.recollect();
    QCOMPARE(w.listed(), expected);
    QCOMPARE(w.state.GifCount, gifs);
    QCOMPARE(w.state.ListPos, 0);
    QCOMPARE(w.host.events, events);
    const bool nothing = expected.isEmpty() && gifs == 0;
    QCOMPARE(w.messages(),
             nothing ? QStringList{QString::fromUtf8(kMsgNothingUnderConditions)} : QStringList());
    if (nothing)
        QCOMPARE(w.dialogs.messages.first().icon, MsgIcon::Information);
}

void TestOptions::recollectSortsByTime()
{
    Work w;
    w.settings.setFlag(SortByTime, true);
    w.recollect();
    QCOMPARE(w.listed(), QStringList({"d.jpg", "a.jpg"})); // 07:00 before 09:00
}

void TestOptions::recollectLimit_data()
{
    QTest::addColumn<int>("pictures");
    QTest::addColumn<bool>("afterLast"); // one more file, listed after the pictures
    QTest::addColumn<int>("messages");
    QTest::newRow("full, nothing after") << kListLimit << false << 0;
    QTest::newRow("full, a movie after") << kListLimit << true << 1;
    QTest::newRow("five more pictures") << kListLimit + 5 << false << 1;
}

void TestOptions::recollectLimit()
{
    QFETCH(int, pictures);
    QFETCH(bool, afterLast);
    QFETCH(int, messages);
    // One folder of kListLimit pictures for all rows; each row adds its own files and takes
    // them away again.
    static QTemporaryDir dir;
    const QDateTime yesterday(kToday.addDays(-1), QTime(12, 0));
    auto picture = [](int i) {
        return dir.filePath(QStringLiteral("p%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
    };
    for (int i = 0; i < pictures; ++i) {
        if (QFile::exists(picture(i)))
            continue;
        QFile f(picture(i));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.setFileTime(yesterday, QFileDevice::FileModificationTime));
    }
    for (int i = pictures; QFile::exists(picture(i)); ++i)
        QVERIFY(QFile::remove(picture(i)));
    QFile::remove(dir.filePath(QStringLiteral("zz.mpg")));
    if (afterLast)
        makeFile(dir.filePath(QStringLiteral("zz.mpg")), 1, yesterday);

    MdlVELT state;
    state.WorkDir = dir.path();
    Settings settings = freshSettings();
    ScriptedDialogs dialogs;
    RecordingHost host;
    // The message comes during the walk: before the counters are shown.
    QStringList eventsAtMessage;
    dialogs.onMessage = [&](const ScriptedDialogs::Message &) {
        eventsAtMessage = host.events;
    };
    recollectWorkDir(state, settings, ExtTable::standard(), kToday, dialogs, host);
    QCOMPARE(state.ListCount, kListLimit);
    QCOMPARE(dialogs.messages.size(), messages);
    if (messages) {
        QCOMPARE(dialogs.messages.first().text, QString::fromUtf8(kMsgListLimit));
        QCOMPARE(dialogs.messages.first().icon, MsgIcon::Exclamation);
        QCOMPARE(eventsAtMessage, QStringList{"enable"});
    }
    QCOMPARE(host.events.last(), QStringLiteral("counters 0 30000"));
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
