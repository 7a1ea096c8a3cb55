#include "cache/collection.h"
#include "options/optionrules.h"
#include "options/recollection.h"

#include "common/scripteddialogs.h"

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
    void setNavigationEnabled(bool on) override { events << (on ? "enable" : "disable"); }
    void setCounters(int pos, int count) override
    {
        events << QStringLiteral("counters %1 %2").arg(pos).arg(count);
    }
};

// "slot=value" pairs over fresh defaults.
Settings settingsWith(const QStringList &assignments)
{
    Settings s;
    s.applyDefaults(QStringLiteral("/buffer"));
    for (const QString &pair : assignments)
        s.setText(pair.section(QLatin1Char('='), 0, 0).toInt(), pair.section(QLatin1Char('='), 1));
    return s;
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storeAndCheck_data();
    void storeAndCheck();
    void recollect_data();
    void recollect();
    void recollectLimit_data();
    void recollectLimit();
};

void TestOptions::storeAndCheck_data()
{
    QTest::addColumn<bool>("bothOn"); // else only the minimum
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("date");
    QTest::addColumn<OptionCheck>("result");
    const auto ok = OptionCheck::Passed, size = OptionCheck::SizeFailed;
    const auto date = OptionCheck::DateFailed;
    // clang-format off
    QTest::newRow("max below min") << true << "900" << "100" << "2000/01/01" << size;
    QTest::newRow("size before date") << true << "900" << "100" << "" << size;
    QTest::newRow("only min on") << false << "900" << "100" << "2000/01/01" << ok;
    QTest::newRow("equal") << true << "500" << "500" << "2000/01/01" << ok;
    QTest::newRow("leading parts") << true << "  12abc" << "１２３" << "2000/01/01" << ok;
    QTest::newRow("huge max") << true << "-5" << QString(10000, QLatin1Char('9')) << "2000/01/01" << ok;
    QTest::newRow("huge min") << true << "1e400" << "1e300" << "2000/01/01" << size;
    QTest::newRow("empty date") << false << "0" << "0" << "" << date;
    QTest::newRow("one-digit month") << false << "0" << "0" << "2000/1/1" << date;
    QTest::newRow("eleven characters") << false << "0" << "0" << "2000/01/011" << date;
    QTest::newRow("right shape, no date") << false << "0" << "0" << "abcd/ef/gh" << ok;
    // clang-format on
}

void TestOptions::storeAndCheck()
{
    QFETCH(bool, bothOn);
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, date);
    QFETCH(OptionCheck, result);
    Settings settings = settingsWith({"12=1", "19=1999/01/01", "40=reserved"});
    const Settings before = settings;
    OptionFields fields;
    fields.checks[3] = true;
    fields.checks[4] = bothOn;
    fields.checks[6] = true;
    fields.text1 = min;
    fields.text2 = max;
    fields.text3 = date;
    QCOMPARE(storeOptions(settings, fields), result);
    if (result == OptionCheck::Passed) {
        QCOMPARE(settings.text(MinSize), min); // stored as typed
        QCOMPARE(settings.text(FilterDate), date);
        QCOMPARE(settings.at(SortByTime), SettingValue::flag(true));
        QCOMPARE(settings.at(NoConditions), SettingValue::flag(false));
        QCOMPARE(settings.text(40), QStringLiteral("reserved"));
    } else {
        for (int slot = 1; slot <= Settings::kSlots; ++slot)
            QCOMPARE(settings.at(slot), before.at(slot));
    }
}

void TestOptions::recollect_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("gifs");
    QTest::addColumn<QStringList>("events");
    const QStringList one{"enable", "counters 0 1"};
    const QStringList none{"enable", "disable", "counters 0 0"};
    QTest::newRow("no conditions") << QStringList() << QStringList{"a.jpg", "d.jpg"} << 1
                                   << QStringList{"enable", "counters 0 2"};
    QTest::newRow("by time of day") << QStringList{"17=True"} << QStringList{"d.jpg", "a.jpg"} << 1
                                    << QStringList{"enable", "counters 0 2"};
    QTest::newRow("today") << QStringList{"10=False", "16=True"} << QStringList{"a.jpg"} << 1
                           << one;
    QTest::newRow("min strict") << QStringList{"10=False", "11=True", "12=300"}
                                << QStringList{"d.jpg"} << 0 << one;
    QTest::newRow("only a gif") << QStringList{"10=False", "13=True", "14=100"} << QStringList()
                                << 1 << QStringList{"enable", "counters 0 0"};
    QTest::newRow("no date") << QStringList{"10=False", "18=True", "19=abcd/ef/gh"} << QStringList()
                             << 0 << none;
    QTest::newRow("no such day") << QStringList{"10=False", "18=True", "19=2026/02/30"}
                                 << QStringList() << 0 << none;
}

void TestOptions::recollect()
{
    QFETCH(QStringList, assignments);
    QFETCH(QStringList, listed);
    QFETCH(int, gifs);
    QFETCH(QStringList, events);
    // WorkDir as the last collection left it; e.jpg is dated tomorrow.
    QTemporaryDir dir;
    const QDateTime today(kToday, QTime(9, 0)), yesterday(kToday.addDays(-1), QTime(7, 0));
    makeFile(dir.filePath("a.jpg"), 300, today);
    makeFile(dir.filePath("b.gif"), 10, today);
    makeFile(dir.filePath("c.mpg"), 10, today);
    makeFile(dir.filePath("d.jpg"), 5000, yesterday);
    makeFile(dir.filePath("e.jpg"), 10, today.addDays(1));
    MdlVELT state;
    state.WorkDir = dir.path();
    state.ListPos = 7;
    ScriptedDialogs dialogs;
    RecordingHost host;
    recollectWorkDir(state, settingsWith(assignments), ExtTable::standard(), kToday, dialogs, host);
    QCOMPARE(state.ListFile.mid(1, state.ListCount), listed);
    QCOMPARE(state.GifCount, gifs);
    QCOMPARE(state.ListPos, 0);
    QCOMPARE(host.events, events);
    QCOMPARE(dialogs.messages.size(), events.contains("disable") ? 1 : 0);
    if (!dialogs.messages.isEmpty()) {
        QCOMPARE(dialogs.messages.first().text, QString::fromUtf8(kMsgNothingUnderConditions));
        QCOMPARE(dialogs.messages.first().icon, MsgIcon::Information);
    }
}

void TestOptions::recollectLimit_data()
{
    QTest::addColumn<int>("pictures");
    QTest::addColumn<bool>("movieAfter"); // a file listed after the pictures
    QTest::addColumn<bool>("message");
    QTest::newRow("full, nothing after") << kListLimit << false << false;
    QTest::newRow("full, a movie after") << kListLimit << true << true;
    QTest::newRow("five more pictures") << kListLimit + 5 << false << true;
}

void TestOptions::recollectLimit()
{
    QFETCH(int, pictures);
    QFETCH(bool, movieAfter);
    QFETCH(bool, message);
    // One folder for all rows; each row adds its own files and takes them away again.
    static QTemporaryDir dir;
    const QDateTime yesterday(kToday.addDays(-1), QTime(12, 0));
    auto picture = [](int i) {
        return dir.filePath(QStringLiteral("p%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
    };
    for (int i = 0; i < pictures; ++i) {
        QFile f(picture(i));
        if (!f.exists()) {
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.setFileTime(yesterday, QFileDevice::FileModificationTime));
        }
    }
    for (int i = pictures; QFile::exists(picture(i)); ++i)
        QVERIFY(QFile::remove(picture(i)));
    QFile::remove(dir.filePath("zz.mpg"));
    if (movieAfter)
        makeFile(dir.filePath("zz.mpg"), 1, yesterday);

    MdlVELT state;
    state.WorkDir = dir.path();
    ScriptedDialogs dialogs;
    RecordingHost host;
    QStringList eventsAtMessage;
    dialogs.onMessage = [&](const ScriptedDialogs::Message &) {
        eventsAtMessage = host.events;
    };
    recollectWorkDir(state, settingsWith({}), ExtTable::standard(), kToday, dialogs, host);
    QCOMPARE(state.ListCount, kListLimit);
    QCOMPARE(dialogs.messages.size(), message ? 1 : 0);
    if (message) {
        QCOMPARE(dialogs.messages.first().text, QString::fromUtf8(kMsgListLimit));
        QCOMPARE(dialogs.messages.first().icon, MsgIcon::Exclamation);
        QCOMPARE(eventsAtMessage, QStringList{"enable"}); // at once, during the walk
    }
    QCOMPARE(host.events.last(), QStringLiteral("counters 0 30000"));
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
