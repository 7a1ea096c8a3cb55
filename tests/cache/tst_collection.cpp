#include "cache/collection.h"

#include "common/fakeregistry.h"
#include "common/hostilenames.h"
#include "common/recordinghost.h"
#include "common/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <sys/stat.h>

using namespace velt;

namespace {

const QString kWindowsKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
const QString kCacheKey = QStringLiteral(
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet settings\\Cache\\Paths");
const QDate kToday(2026, 12, 7);

void makeFile(const QString &path, const QByteArray &content = "x",
              const QDateTime &modified = QDateTime(QDate(2026, 12, 1), QTime(10, 0, 0)))
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(content);
    f.flush(); // a later flush would set the time again
    QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

// A Windows root with an IE cache of several folders and a Netscape profile.
struct Tree
{
    hostilenames::TemporaryDir dir; // goes with names that are not UTF-8 too
    FakeRegistry registry;
    QString windows, ie, netscape, nsCache;

    Tree()
    {
        windows = dir.filePath(QStringLiteral("WINDOWS"));
        ie = windows + QStringLiteral("/Temporary Internet Files/Content.IE5");
        QDir().mkpath(windows);
        registry.setString(kHKEY_LOCAL_MACHINE, kWindowsKey, QStringLiteral("SystemRoot"), windows);
        registry.setString(kHKEY_LOCAL_MACHINE, kCacheKey, QStringLiteral("Directory"), ie);
    }
    void addNetscape()
    {
        netscape = dir.filePath(QStringLiteral("Netscape/"));
        nsCache = dir.filePath(QStringLiteral("nscache"));
        registry.setString(
                kHKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\MAIN"),
                QStringLiteral("Install Directory"), netscape + QStringLiteral("Communicator"));
        registry.setString(kHKEY_CURRENT_USER,
                           QStringLiteral("SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\BIFF"),
                           QStringLiteral("CurrentUser"), QStringLiteral("demo"));
        makeFile(netscape + QStringLiteral("Users/demo/prefs.js"),
                 "// prefs\r\nuser_pref(\"browser.cache.directory\", \"" + nsCache.toUtf8()
                         + "\");\r\n");
    }
    QString workDir() const { return windows + QStringLiteral("/VeltTemp"); }
};

struct Run
{
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    RecordingHost host{state};
    DriveMap drives;
    ExtTable ext = ExtTable::standard();
    CopyFunction copy;

    Run() { settings.applyDefaults(QString()); }
    CacheLocation collect(const RegistrySource &registry)
    {
        CollectionContext ctx{state,   settings, ext,    registry, drives,
                              dialogs, host,     kToday, 0,        copy};
        return GetICPath(ctx);
    }
    QStringList listed() const { return state.ListFile.mid(1, state.ListCount); }
    QStringList gifs() const { return state.GifFile.mid(1, state.GifCount); }
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto &m : dialogs.messages)
            texts << m.text;
        return texts;
    }
};

} // namespace

class TestCollection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fullCollection();
    void folderLimit_data();
    void folderLimit();
    void stopYes();
    void stopNo();
    void noCollectAtStart();
    void noSystemRoot();
    void conditions_data();
    void conditions();
    void nothingFound_data();
    void nothingFound();
    void listLimit();
    void awkwardFiles();
    void namesThatAreNotText();
    void systemRootValues_data();
    void systemRootValues();
    void diskFull_data();
    void diskFull();
    void cacheRootHoldsTheWorkingFolder();
    void swappedWorkingFolderYieldsNothingForeign_data();
    void swappedWorkingFolderYieldsNothingForeign();
};

void TestCollection::fullCollection()
{
    Tree t;
    t.addNetscape();
    const QDateTime early(QDate(2026, 11, 30), QTime(8, 1, 2));
    makeFile(t.ie + QStringLiteral("/AAAA1111/image[1].jpg"), "first");
    makeFile(t.ie + QStringLiteral("/AAAA1111/photo.BMP"), "bmp", early);
    makeFile(t.ie + QStringLiteral("/AAAA1111/ad[1].gif"));
    makeFile(t.ie + QStringLiteral("/AAAA1111/song.mp3"));
    makeFile(t.ie + QStringLiteral("/AAAA1111/page.htm"));
    makeFile(t.ie + QStringLiteral("/BBBB2222/image[1].jpg"), "second");
    makeFile(t.ie + QStringLiteral("/BBBB2222/1st.jpg"));
    makeFile(t.ie + QStringLiteral("/loose.jpg")); // files in the root are not copied
    makeFile(t.nsCache + QStringLiteral("/M1ABC.jpg"));
    makeFile(t.workDir() + QStringLiteral("/stale.jpg"));

    Run r;
    const CacheLocation loc = r.collect(t.registry);
    QVERIFY(loc.NsFound);
    QCOMPARE(r.state.WorkDir, t.workDir());
    QCOMPARE(r.host.initDir, t.workDir());
    QCOMPARE(r.listed(), QStringList({"1st.jpg", "image[1].jpg", "M1ABC.jpg", "photo.BMP"}));
    QCOMPARE(r.gifs(), QStringList({"ad[1].gif"}));
    QCOMPARE(r.state.ListPos, 0);
    // Same names: the later folder wins; copies keep their times.
    QFile copied(t.workDir() + QStringLiteral("/image[1].jpg"));
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("second"));
    QCOMPARE(QFileInfo(t.workDir() + QStringLiteral("/photo.BMP")).lastModified(), early);
    QCOMPARE(r.state.ListLine[4],
             QStringLiteral("photo.BMP").leftJustified(35) + "2026/11/30   08:01:02");
    QVERIFY(QFile::exists(t.workDir() + QStringLiteral("/song.mp3")));
    QVERIFY(!QFile::exists(t.workDir() + QStringLiteral("/page.htm")));
    QVERIFY(!QFile::exists(t.workDir() + QStringLiteral("/loose.jpg")));
    QVERIFY(!QFile::exists(t.workDir() + QStringLiteral("/stale.jpg")));
    QVERIFY(QFileInfo(r.state.BufferDir).isDir());
    QCOMPARE(r.settings.text(CopyFolder), r.state.BufferDir);
    QCOMPARE(r.settings.text(AlbumFolder), r.state.BufferDir);

    QCOMPARE(r.host.progress, QList<int>({0, 20, 40, 40, 50, 70, 80, 90, 100}));
    QCOMPARE(r.host.labels,
             QStringList({QString::fromUtf8(kLabelSearchingIE),
                          QString::fromUtf8(kLabelSearchingNetscape),
                          QString::fromUtf8(kLabelOrganizing)}));
    QCOMPARE(r.host.events, QStringList({"show", "tick", "close", "counters 0 4"}));
    // One yield after every copy: 33 per IE folder and 33 for Netscape, plus the stage yields.
    QCOMPARE(r.host.yields, 2 * 33 + 33 + 5);
    QVERIFY(r.dialogs.messages.isEmpty());
}

void TestCollection::folderLimit_data()
{
    QTest::addColumn<int>("folders");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<int>("copied");
    QTest::newRow("20") << 20 << false << 20;
    QTest::newRow("21") << 21 << true << 21;
    QTest::newRow("30") << 30 << true << 21;
}

void TestCollection::folderLimit()
{
    QFETCH(int, folders);
    QFETCH(bool, warned);
    QFETCH(int, copied);
    Tree t;
    for (int i = 0; i < folders; ++i)
        makeFile(t.ie + QStringLiteral("/F%1/p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    Run r;
    r.collect(t.registry);
    QCOMPARE(r.state.ListCount, copied);
    QCOMPARE(r.messageTexts().contains(QString::fromUtf8(kMsgTooManyCacheFolders)), warned);
    if (folders == 30)
        QCOMPARE(r.listed().last(), QStringLiteral("p20.jpg"));
}

void TestCollection::stopYes()
{
    Tree t;
    t.addNetscape();
    makeFile(t.ie + QStringLiteral("/A/a.jpg"));
    makeFile(t.ie + QStringLiteral("/A/b.bmp"));
    makeFile(t.ie + QStringLiteral("/B/c.jpg"));
    makeFile(t.nsCache + QStringLiteral("/n.jpg"));
    Run r;
    r.host.onYield = [&](int n) {
        if (n == 1)
            r.state.StopLoad = true; // pressed during the first copy
    };
    r.collect(t.registry);
    // Only the first pattern was copied; Netscape is skipped; the list is still made.
    QCOMPARE(r.listed(), QStringList({"a.jpg"}));
    QCOMPARE(r.host.events.count(QStringLiteral("ask")), 1);
    QVERIFY(!r.host.labels.contains(QString::fromUtf8(kLabelSearchingNetscape)));
    QCOMPARE(r.host.progress.mid(1), QList<int>({40, 80, 90, 100}));
}

void TestCollection::stopNo()
{
    Tree t;
    makeFile(t.ie + QStringLiteral("/A/a.jpg"));
    makeFile(t.ie + QStringLiteral("/A/b.bmp"));
    Run r;
    r.host.askAnswer = kAnswerNo;
    r.host.onYield = [&](int n) {
        if (n == 1)
            r.state.StopLoad = true;
    };
    r.collect(t.registry);
    QCOMPARE(r.listed(), QStringList({"a.jpg", "b.bmp"}));
    QCOMPARE(r.host.events.mid(0, 6),
             QStringList({"show", "tick", "ask", "close", "show", "tick"}));
    // The progress window came back at 0 and filled again.
    QCOMPARE(r.host.progress.mid(0, 3), QList<int>({0, 0, 40}));
    QVERIFY(!r.state.StopLoad);
}

void TestCollection::noCollectAtStart()
{
    Tree t;
    makeFile(t.ie + QStringLiteral("/A/a.jpg"));
    makeFile(t.workDir() + QStringLiteral("/old.jpg"));
    Run r;
    r.settings.setText(NoCollectAtStart, QStringLiteral("True"));
    r.collect(t.registry);
    QCOMPARE(r.state.ListCount, 0);
    QVERIFY(!QFile::exists(t.workDir() + QStringLiteral("/old.jpg")));
    QVERIFY(!QFile::exists(t.workDir() + QStringLiteral("/a.jpg")));
    QVERIFY(r.host.navigationDisabled);
    QCOMPARE(r.host.events, QStringList({"show", "tick", "close", "counters 0 0"}));
    QVERIFY(r.dialogs.messages.isEmpty());
}

void TestCollection::noSystemRoot()
{
    FakeRegistry empty;
    Run r;
    r.collect(empty);
    QCOMPARE(r.messageTexts(), QStringList({QString::fromUtf8(kMsgNoCacheFolder)}));
    QCOMPARE(r.dialogs.messages.first().icon, MsgIcon::Critical);
    QVERIFY(r.state.WorkDir.isEmpty());
    QVERIFY(r.host.events.isEmpty()); // no progress window, counters untouched
}

void TestCollection::conditions_data()
{
    QTest::addColumn<QStringList>("assignments"); // "slot=value" pairs
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("gifs");
    // Files: small.jpg 1000 bytes today, big.jpg 1001 bytes 2026/12/01, old.jpg 5000 bytes
    // 1970, future.jpg tomorrow, x.gif 10 bytes 2026/12/01.
    const QStringList all{"big.jpg", "old.jpg", "small.jpg"};
    QTest::newRow("no file: everything") << QStringList() << all << 1;
    QTest::newRow("slot 10 empty ignores the rest")
            << QStringList{"11=True", "12=5000"} << all << 1;
    QTest::newRow("slot 10 set") << QStringList{"10=True", "11=True", "12=5000"} << all << 1;
    QTest::newRow("min strict") << QStringList{"10=False", "11=True", "12=1000"}
                                << QStringList{"big.jpg", "old.jpg"} << 0;
    QTest::newRow("max strict") << QStringList{"10=False", "13=True", "14=1001"}
                                << QStringList{"small.jpg"} << 1;
    QTest::newRow("both") << QStringList{"10=False", "11=True", "12=999", "13=True", "14=1002"}
                          << QStringList{"big.jpg", "small.jpg"} << 0;
    QTest::newRow("today") << QStringList{"10=False", "16=True"} << QStringList{"small.jpg"} << 0;
    QTest::newRow("date") << QStringList{"10=False", "18=True", "19=2026/12/01"}
                          << QStringList{"big.jpg"} << 1;
    QTest::newRow("bad date") << QStringList{"10=False", "18=True", "19=12/01"} << QStringList()
                              << 0;
    QTest::newRow("size text") << QStringList{"10=False", "11=True", "12= 4 999 bytes"}
                               << QStringList{"old.jpg"} << 0;
    QTest::newRow("date that is no date")
            << QStringList{"10=False", "18=True", "19=abcd/ef/gh"} << QStringList() << 0;
    QTest::newRow("no such day") << QStringList{"10=False", "18=True", "19=2026/02/30"}
                                 << QStringList() << 0;
    QTest::newRow("empty date") << QStringList{"10=False", "18=True", "19="} << QStringList() << 0;
    QTest::newRow("max beyond any double")
            << QStringList{"10=False", "13=True", "14=1e400"} << all << 1;
    QTest::newRow("max of 10 000 digits")
            << QStringList{"10=False", "13=True", "14=" + QString(10000, QLatin1Char('9'))} << all
            << 1;
    QTest::newRow("negative min") << QStringList{"10=False", "11=True", "12=-5"} << all << 1;
    QTest::newRow("full-width min") << QStringList{"10=False", "11=True", "12=１０００"}
                                    << QStringList{"big.jpg", "old.jpg"} << 0;
}

void TestCollection::conditions()
{
    QFETCH(QStringList, assignments);
    QFETCH(QStringList, expected);
    QFETCH(int, gifs);
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    makeFile(work + QStringLiteral("/small.jpg"), QByteArray(1000, 'a'),
             QDateTime(kToday, QTime(9, 0)));
    makeFile(work + QStringLiteral("/big.jpg"), QByteArray(1001, 'a'),
             QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
    makeFile(work + QStringLiteral("/old.jpg"), QByteArray(5000, 'a'),
             QDateTime(QDate(1970, 1, 2), QTime(9, 0)));
    makeFile(work + QStringLiteral("/future.jpg"), "x",
             QDateTime(kToday.addDays(1), QTime(0, 0, 1)));
    makeFile(work + QStringLiteral("/x.gif"), QByteArray(10, 'g'),
             QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
    QVERIFY(QDir().mkpath(work + QStringLiteral("/folder.jpg")));

    MdlVELT state;
    state.WorkDir = work;
    Settings settings;
    settings.applyDefaults(QString());
    for (const QString &pair : assignments) {
        const int eq = int(pair.indexOf(QLatin1Char('=')));
        settings.setText(pair.left(eq).toInt(), pair.mid(eq + 1));
    }
    collectWorkDir(state, settings, ExtTable::standard(), kToday);
    QStringList listed = state.ListFile.mid(1, state.ListCount);
    listed.sort();
    QCOMPARE(listed, expected);
    QCOMPARE(state.GifCount, gifs);
}

void TestCollection::swappedWorkingFolderYieldsNothingForeign_data()
{
    QTest::addColumn<bool>("link"); // the new name is a link to a folder of bait, else a folder
    QTest::newRow("swapped for a link") << true;
    QTest::newRow("swapped for another folder") << false;
}

void TestCollection::swappedWorkingFolderYieldsNothingForeign()
{
    QFETCH(bool, link);
    QTemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    MdlVELT state;
    state.WorkDir = work;
    state.WorkDirHandle = WorkFolder::open(work);
    QVERIFY(state.WorkDirHandle);
    makeFile(work + QStringLiteral("/own.jpg"), "own", QDateTime(kToday, QTime(9, 0)));
    // Someone moves the folder aside and puts another in its place while the run goes on.
    QVERIFY(QDir().rename(work, dir.filePath(QStringLiteral("moved"))));
    const QString bait = link ? dir.filePath(QStringLiteral("bait")) : work;
    makeFile(bait + QStringLiteral("/bait.jpg"), "bait", QDateTime(kToday, QTime(9, 0)));
    if (link)
        QVERIFY(QFile::link(bait, work));
    Settings settings;
    settings.applyDefaults(QString());
    collectWorkDir(state, settings, ExtTable::standard(), kToday);
    QCOMPARE(state.ListFile.mid(1, state.ListCount), QStringList{QStringLiteral("own.jpg")});
}

void TestCollection::nothingFound_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("message");
    QTest::newRow("movies only") << "clip.mpg" << true;
    QTest::newRow("gifs only") << "ad.gif" << false;
    QTest::newRow("empty cache") << "" << true;
}

void TestCollection::nothingFound()
{
    QFETCH(QString, file);
    QFETCH(bool, message);
    Tree t;
    QDir().mkpath(t.ie + QStringLiteral("/A"));
    if (!file.isEmpty())
        makeFile(t.ie + QStringLiteral("/A/") + file);
    Run r;
    r.collect(t.registry);
    QCOMPARE(r.state.ListCount, 0);
    QCOMPARE(r.messageTexts().contains(QString::fromUtf8(kMsgNothingFound)), message);
    QCOMPARE(r.host.navigationDisabled, message);
}

void TestCollection::listLimit()
{
    Tree t;
    const QString folder = t.ie + QStringLiteral("/A");
    QDir().mkpath(folder);
    const QDateTime yesterday(kToday.addDays(-1), QTime(12, 0));
    for (int i = 0; i < kListLimit + 5; ++i) {
        QFile f(folder + QStringLiteral("/p%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.setFileTime(yesterday, QFileDevice::FileModificationTime));
    }
    Run r;
    r.collect(t.registry);
    QCOMPARE(r.state.ListCount, kListLimit);
    QCOMPARE(r.messageTexts().count(QString::fromUtf8(kMsgListLimit)), 1);
    QCOMPARE(r.host.events.last(), QStringLiteral("counters 0 30000"));
}

void TestCollection::awkwardFiles()
{
    Tree t;
    const QString a = t.ie + QStringLiteral("/A");
    const QStringList names{"with space.jpg", "quote'\"[1].jpg",
                            "画像.JPG",       ".leading.jpg",
                            "noext",          QString(210, QLatin1Char('n')) + ".jpg",
                            "empty.bmp",      "y2099.jpg"};
    for (const QString &n : names)
        makeFile(a + QLatin1Char('/') + n, n == "empty.bmp" ? QByteArray() : QByteArray("x"),
                 n == "y2099.jpg" ? QDateTime(QDate(2099, 1, 1), QTime(0, 0))
                                  : QDateTime(QDate(2026, 12, 1), QTime(10, 0)));
    QVERIFY(QFile::link(a, a + QStringLiteral("/loop.jpg"))); // a link to its own folder
    // A FIFO named like a picture must neither hang the copy nor be listed.
    QCOMPARE(::mkfifo(QFile::encodeName(a + QStringLiteral("/pipe.jpg")).constData(), 0600), 0);
    QByteArray big(3 * 1024 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 31 % 251);
    makeFile(a + QStringLiteral("/big.jpg"), big);
    QVERIFY(QDir().mkpath(t.workDir() + QStringLiteral("/folder.jpg")));
    makeFile(a + QStringLiteral("/folder.jpg"));
    Run r;
    r.collect(t.registry);
    QStringList listed = r.listed();
    listed.sort();
    QStringList expected{".leading.jpg", "big.jpg",         QString(210, QLatin1Char('n')) + ".jpg",
                         "empty.bmp",    "quote'\"[1].jpg", "with space.jpg",
                         "画像.JPG"};
    expected.sort();
    QCOMPARE(listed, expected);
    QVERIFY(QFileInfo(t.workDir() + QStringLiteral("/folder.jpg")).isDir());
    QFile copy(t.workDir() + QStringLiteral("/big.jpg"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QVERIFY(copy.readAll() == big);
}

void TestCollection::namesThatAreNotText()
{
    Tree t;
    const QString a = t.ie + QStringLiteral("/A");
    QVERIFY(QDir().mkpath(a));
    QVERIFY(QDir().mkpath(t.workDir()));
    QList<hostilenames::Name> names = hostilenames::pictureNames();
    names.append({"tab", QByteArray("tab\there.jpg")});
    for (const hostilenames::Name &n : std::as_const(names))
        QVERIFY2(hostilenames::writeNamed(a, n.bytes, "from " + n.bytes), n.label);
    // Left from an earlier run: the collection empties the folder first.
    QVERIFY(hostilenames::writeNamed(t.workDir(), "stale\xE9.jpg", "old"));

    Run r;
    r.collect(t.registry);
    QStringList listed = r.listed();
    listed.sort();
    QStringList expected;
    for (const hostilenames::Name &n : std::as_const(names))
        expected << decodeFileName(n.bytes);
    expected.sort();
    // Every name once: those that show alike stay apart.
    QCOMPARE(listed, expected);
    for (const hostilenames::Name &n : std::as_const(names))
        QCOMPARE(hostilenames::readNamed(t.workDir(), n.bytes), "from " + n.bytes);
    QVERIFY(!hostilenames::existsNamed(t.workDir(), "stale\xE9.jpg"));

    const auto folder = WorkFolder::openExisting(t.workDir());
    QVERIFY(folder);
    QCOMPARE(folder->empty(), EmptyResult::Emptied);
    QVERIFY(regularFilesIn(t.workDir()).empty());
}

void TestCollection::systemRootValues_data()
{
    QTest::addColumn<QString>("systemRoot");
    QTest::addColumn<bool>("driveMapped"); // C: is the Windows folder of the test
    QTest::addColumn<QString>("message");  // "" for none; %1 the working folder
    const QString noRoot = QString::fromUtf8(kMsgNoCacheFolder);
    QTest::newRow("empty") << "" << false << noRoot;
    QTest::newRow("the root") << "/" << false << QString::fromUtf8(kMsgWorkFolderUnusable);
    QTest::newRow("a drive not mapped") << "C:" << false << noRoot;
    QTest::newRow("the folder above") << ".." << false << noRoot;
    QTest::newRow("the folder above, a drive mapped") << ".." << true << noRoot;
    QTest::newRow("a mapped drive") << "C:" << true << QString();
}

// Odd Windows folders never make the program write or delete where it should not: nothing in
// the root, nothing relative to wherever it runs.
void TestCollection::systemRootValues()
{
    QFETCH(QString, systemRoot);
    QFETCH(bool, driveMapped);
    QFETCH(QString, message);
    Tree t;
    t.registry.setString(kHKEY_LOCAL_MACHINE, kWindowsKey, QStringLiteral("SystemRoot"),
                         systemRoot);
    makeFile(t.ie + QStringLiteral("/A/a.jpg"));
    const QString keep = t.dir.filePath(QStringLiteral("keep.jpg"));
    makeFile(keep);
    const bool rootHadIt = QFileInfo::exists(QStringLiteral("/VeltTemp"));
    Run r;
    if (driveMapped)
        r.drives.set(QLatin1Char('C'), t.windows);
    r.collect(t.registry);
    QCOMPARE(QFileInfo::exists(QStringLiteral("/VeltTemp")), rootHadIt);
    QVERIFY(QFileInfo::exists(keep));
    QVERIFY(!QFileInfo::exists(QDir::current().filePath(QStringLiteral("VeltTemp"))));
    if (message.isEmpty()) {
        QVERIFY(r.dialogs.messages.isEmpty());
        QCOMPARE(r.listed(), QStringList{"a.jpg"});
        QCOMPARE(r.state.WorkDir, t.workDir());
    } else {
        if (message.contains(QLatin1String("%1")))
            message = message.arg(r.state.WorkDir);
        QCOMPARE(r.messageTexts(), QStringList{message});
        QCOMPARE(r.dialogs.messages.first().icon, MsgIcon::Critical);
        QCOMPARE(r.state.ListCount, 0);
    }
}

void TestCollection::diskFull_data()
{
    QTest::addColumn<QList<int>>("errors"); // by file a.jpg, b.jpg, c.bmp: 0 copies
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("listed");
    const QString full = QString::fromUtf8(kMsgDiskFull);
    const QString quota = QString::fromUtf8(kMsgOverQuota);
    QTest::newRow("all copied") << QList<int>{0, 0, 0} << QString()
                                << QStringList{"a.jpg", "b.jpg", "c.bmp"};
    QTest::newRow("other failures are skipped silently")
            << QList<int>{EIO, 0, EACCES} << QString() << QStringList{"b.jpg"};
    QTest::newRow("some did not fit")
            << QList<int>{ENOSPC, 0, ENOSPC} << full.arg(2) << QStringList{"b.jpg"};
    QTest::newRow("nothing fitted")
            << QList<int>{ENOSPC, ENOSPC, EDQUOT} << full.arg(3) << QStringList();
    QTest::newRow("over quota") << QList<int>{0, EDQUOT, 0} << quota.arg(1)
                                << QStringList{"a.jpg", "c.bmp"};
}

// A full disk is said once, with how many files it kept out, after the collection; the partial
// copies are gone; "no pictures in the cache" is not said when the disk is to blame.
void TestCollection::diskFull()
{
    QFETCH(QList<int>, errors);
    QFETCH(QString, message);
    QFETCH(QStringList, listed);
    Tree t;
    const QStringList names{"a.jpg", "b.jpg", "c.bmp"};
    for (const QString &name : names)
        makeFile(t.ie + QStringLiteral("/A/") + name, "picture " + name.toUtf8());
    Run r;
    r.copy = [&](const CopyRequest &request) {
        const int error = errors.at(names.indexOf(QFile::decodeName(request.name)));
        if (error == 0)
            return copyFileInto(request);
        const int fd = request.target.createFile(request.name, 0600);
        int ignored = 0;
        writeAll(fd, "part", 4, &ignored);
        closeFile(fd);
        return CopyOutcome{false, error};
    };
    r.collect(t.registry);
    QStringList copied = QDir(t.workDir()).entryList(QDir::Files);
    QCOMPARE(r.listed(), listed);
    QCOMPARE(copied, listed);
    QCOMPARE(r.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(r.dialogs.messages.first().icon, MsgIcon::Exclamation);
    QCOMPARE(r.host.navigationDisabled, listed.isEmpty());
}

// With the Windows folder as the cache root, the working folder is one of the cache folders:
// copying its files onto themselves leaves them as they are.
void TestCollection::cacheRootHoldsTheWorkingFolder()
{
    Tree t;
    t.registry.setString(kHKEY_LOCAL_MACHINE, kCacheKey, QStringLiteral("Directory"), t.windows);
    makeFile(t.windows + QStringLiteral("/A/a.jpg"), "picture");
    makeFile(t.workDir() + QStringLiteral("/old.jpg"), "old");
    Run r;
    r.collect(t.registry);
    QCOMPARE(r.listed(), QStringList{"a.jpg"});
    QFile copy(t.workDir() + QStringLiteral("/a.jpg"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("picture"));
}

QTEST_GUILESS_MAIN(TestCollection)
#include "tst_collection.moc"
