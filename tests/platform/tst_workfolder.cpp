#include "platform/workdir.h"

#include "app/mdlvelt.h"
#include "cache/collection.h"
#include "common/fakeregistry.h"
#include "common/recordinghost.h"
#include "common/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velt;

namespace {

const QString kWindowsKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
const QString kCacheKey = QStringLiteral(
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet settings\\Cache\\Paths");

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(content);
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int modeOf(const QString &path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

QByteArray path8(const QString &path)
{
    return QFile::encodeName(path);
}

// Files that must outlive everything the program does: names and contents.
struct Bait
{
    QString dir;
    QMap<QString, QByteArray> files;

    explicit Bait(const QString &folder, const QStringList &names) : dir(folder)
    {
        for (const QString &name : names) {
            files[name] = "bait " + name.toUtf8();
            writeFile(dir + QLatin1Char('/') + name, files[name]);
        }
    }
    // Every bait file as it was, and nothing new beside them.
    bool intact() const
    {
        if (QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)
            != QStringList(files.keys()))
            return false;
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            if (contentOf(dir + QLatin1Char('/') + it.key()) != it.value())
                return false;
        }
        return true;
    }
};

// A Windows folder with a small cache whose names are also the bait's.
struct Root
{
    QTemporaryDir dir;
    FakeRegistry registry;
    QString windows;
    QStringList names;

    explicit Root(int files = 30)
    {
        windows = dir.filePath(QStringLiteral("WINDOWS"));
        const QString ie = dir.filePath(QStringLiteral("TIF"));
        QDir().mkpath(windows);
        registry.setString(kHKEY_LOCAL_MACHINE, kWindowsKey, QStringLiteral("SystemRoot"), windows);
        registry.setString(kHKEY_LOCAL_MACHINE, kCacheKey, QStringLiteral("Directory"), ie);
        for (int i = 0; i < files; ++i) {
            const QString name = QStringLiteral("p%1.jpg").arg(i);
            names << name;
            writeFile(ie + QStringLiteral("/F%1/").arg(i % 3) + name, "cached " + name.toUtf8());
        }
    }
    QString workDir() const { return windows + QStringLiteral("/VeltTemp"); }
};

struct Collection
{
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    RecordingHost host{state};
    DriveMap drives;
    ExtTable ext = ExtTable::standard();

    Collection() { settings.applyDefaults(QString()); }
    void run(const RegistrySource &registry)
    {
        CollectionContext ctx{state,  settings, ext,  registry,
                              drives, dialogs,  host, QDate(2026, 12, 7)};
        GetICPath(ctx);
    }
    QStringList messages() const
    {
        QStringList texts;
        for (const auto &m : dialogs.messages)
            texts << m.text;
        return texts;
    }
};

} // namespace

class TestWorkFolder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opening_data();
    void opening();
    void createNeverWritesThroughALink();
    void emptyingFollowsTheOpenedFolder();
    void unusableAtStart_data();
    void unusableAtStart();
    void swappedWhileCollectingAndClosing();
    void removeOpenFileTakesBackOnlyItsOwn_data();
    void removeOpenFileTakesBackOnlyItsOwn();
};

void TestWorkFolder::removeOpenFileTakesBackOnlyItsOwn_data()
{
    QTest::addColumn<QString>("meanwhile"); // what happens to the name while the file is open
    QTest::addColumn<bool>("removed");
    QTest::addColumn<QByteArray>("left"); // what the name holds afterwards; empty: nothing
    QTest::newRow("untouched") << "" << true << QByteArray();
    QTest::newRow("another file put in its place") << "replace" << false << QByteArray("theirs");
    QTest::newRow("a link to it put in its place") << "link" << false << QByteArray("ours");
    QTest::newRow("removed already") << "remove" << false << QByteArray();
}

void TestWorkFolder::removeOpenFileTakesBackOnlyItsOwn()
{
    QFETCH(QString, meanwhile);
    QFETCH(bool, removed);
    QFETCH(QByteArray, left);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("copy.jpg")));
    const QByteArray aside = QFile::encodeName(dir.filePath(QStringLiteral("aside")));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "ours", 4), ssize_t(4));
    if (meanwhile == "replace") {
        QVERIFY(::rename(path.constData(), aside.constData()) == 0);
        QFile theirs(QFile::decodeName(path));
        QVERIFY(theirs.open(QIODevice::WriteOnly) && theirs.write("theirs") == 6);
    } else if (meanwhile == "link") {
        QVERIFY(::rename(path.constData(), aside.constData()) == 0);
        QVERIFY(::symlink(aside.constData(), path.constData()) == 0);
    } else if (meanwhile == "remove") {
        QVERIFY(::unlink(path.constData()) == 0);
    }
    QCOMPARE(removeOpenFile(fd, path), removed);
    ::close(fd);
    QFile after(QFile::decodeName(path));
    if (left.isEmpty()) {
        QVERIFY(!after.exists());
    } else {
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), left);
    }
}

void TestWorkFolder::opening_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("path"); // relative to the temporary folder; "/..." as it stands
    QTest::addColumn<bool>("opened");
    QTest::newRow("missing: made") << ""
                                   << "WINDOWS/VeltTemp" << true;
    QTest::newRow("loose: tightened") << "loose"
                                      << "WINDOWS/VeltTemp" << true;
    QTest::newRow("buffer a link: left") << "buffer link"
                                         << "WINDOWS/VeltTemp" << true;
    QTest::newRow("a file") << "file"
                            << "WINDOWS/VeltTemp" << false;
    QTest::newRow("a dangling link") << "dangling"
                                     << "WINDOWS/VeltTemp" << false;
    QTest::newRow("a link to a folder") << "folder link"
                                        << "WINDOWS/VeltTemp" << false;
    QTest::newRow("someone else's") << "foreign"
                                    << "WINDOWS/VeltTemp" << false;
    QTest::newRow("Windows folder a file") << "windows file"
                                           << "WINDOWS/VeltTemp" << false;
    QTest::newRow("read-only Windows folder") << "read-only"
                                              << "WINDOWS/VeltTemp" << false;
    QTest::newRow("another name") << ""
                                  << "WINDOWS/Temp" << false;
    QTest::newRow("in the root") << ""
                                 << "/VeltTemp" << false;
    QTest::newRow("relative") << ""
                              << "VeltTemp" << false;
}

// The working folder and its buffer folder are the user's alone: made 0700, tightened when
// looser, never reached through a link, never someone else's.
void TestWorkFolder::opening()
{
    QFETCH(QString, setup);
    QFETCH(QString, path);
    QFETCH(bool, opened);
    QTemporaryDir dir;
    const QString windows = dir.filePath(QStringLiteral("WINDOWS"));
    const QString work = windows + QStringLiteral("/VeltTemp");
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QCOMPARE(::chmod(path8(elsewhere).constData(), 0755), 0);
    const bool root = ::geteuid() == 0;
    if ((setup == QLatin1String("foreign") && !root)
        || (setup == QLatin1String("read-only") && root))
        QSKIP("needs another user's rights");
    const bool rootHadIt = QFileInfo::exists(QStringLiteral("/VeltTemp"));
    QVERIFY(QDir().mkpath(windows));
    if (setup == QLatin1String("loose")) {
        QVERIFY(QDir().mkpath(work + QStringLiteral("/MyBuffer")));
        QCOMPARE(::chmod(path8(work).constData(), 0777), 0);
        QCOMPARE(::chmod(path8(work + QStringLiteral("/MyBuffer")).constData(), 0755), 0);
    } else if (setup == QLatin1String("buffer link")) {
        QVERIFY(QDir().mkpath(work));
        QVERIFY(QFile::link(elsewhere, work + QStringLiteral("/MyBuffer")));
    } else if (setup == QLatin1String("file")) {
        writeFile(work, "a file");
    } else if (setup == QLatin1String("dangling")) {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), work));
    } else if (setup == QLatin1String("folder link")) {
        QVERIFY(QFile::link(elsewhere, work));
    } else if (setup == QLatin1String("foreign")) {
        QVERIFY(QDir().mkpath(work));
        QCOMPARE(::chown(path8(work).constData(), 65534, 65534), 0);
    } else if (setup == QLatin1String("windows file")) {
        QVERIFY(QDir(windows).removeRecursively());
        writeFile(windows, "not a folder");
    } else if (setup == QLatin1String("read-only")) {
        QCOMPARE(::chmod(path8(windows).constData(), 0555), 0);
    }

    const QString absolute = path.startsWith(QLatin1Char('/')) || !path.contains(QLatin1Char('/'))
            ? path
            : dir.filePath(path);
    const auto folder = WorkFolder::open(absolute);
    ::chmod(path8(windows).constData(), 0755);
    QCOMPARE(bool(folder), opened);
    QCOMPARE(QFileInfo::exists(QStringLiteral("/VeltTemp")), rootHadIt);
    QCOMPARE(modeOf(elsewhere), 0755); // nothing changed through a link
    QVERIFY(QDir(elsewhere).isEmpty());
    if (!opened)
        return;
    QCOMPARE(modeOf(work), 0700);
    if (setup == QLatin1String("buffer link"))
        QVERIFY(QFileInfo(work + QStringLiteral("/MyBuffer")).isSymLink());
    else
        QCOMPARE(modeOf(work + QStringLiteral("/MyBuffer")), 0700);
}

// A link, or a second name of a file outside, in the working folder is replaced by a new file;
// what it pointed at stays as it was.
void TestWorkFolder::createNeverWritesThroughALink()
{
    QTemporaryDir dir;
    const Bait bait(dir.filePath(QStringLiteral("bait")), {"linked.jpg", "hard.jpg"});
    const auto folder = WorkFolder::open(dir.filePath(QStringLiteral("WINDOWS/VeltTemp")));
    QVERIFY(folder);
    const QString work = folder->path();
    QVERIFY(QFile::link(bait.dir + QStringLiteral("/linked.jpg"), work + QStringLiteral("/a.jpg")));
    QCOMPARE(::link(path8(bait.dir + QStringLiteral("/hard.jpg")).constData(),
                    path8(work + QStringLiteral("/b.jpg")).constData()),
             0);
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), work + QStringLiteral("/c.jpg")));
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
        const int fd = folder->createFile(name, 0600);
        QVERIFY(fd >= 0);
        int error = 0;
        QVERIFY(writeAll(fd, "copy", 4, &error));
        QVERIFY(closeFile(fd));
        QCOMPARE(contentOf(work + QLatin1Char('/') + QLatin1String(name)), QByteArray("copy"));
        QVERIFY(!QFileInfo(work + QLatin1Char('/') + QLatin1String(name)).isSymLink());
    }
    QVERIFY(bait.intact());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));
    // Keeping what is there: the name is refused.
    QCOMPARE(folder->createFile("a.jpg", 0600, WorkFolder::KeepExisting), -1);
    QCOMPARE(errno, EEXIST);
}

// The folder is emptied where it is, whatever its path names by now.
void TestWorkFolder::emptyingFollowsTheOpenedFolder()
{
    QTemporaryDir dir;
    const Bait bait(dir.filePath(QStringLiteral("bait")), {"a.jpg", "b.jpg"});
    const QString work = dir.filePath(QStringLiteral("WINDOWS/VeltTemp"));
    const auto folder = WorkFolder::open(work);
    QVERIFY(folder);
    writeFile(work + QStringLiteral("/a.jpg"), "copy");
    writeFile(work + QStringLiteral("/MyBuffer/saved.jpg"), "saved");
    const QString moved = dir.filePath(QStringLiteral("WINDOWS/moved"));
    QCOMPARE(::rename(path8(work).constData(), path8(moved).constData()), 0);
    QVERIFY(QFile::link(bait.dir, work));

    QCOMPARE(folder->empty(), EmptyResult::Emptied);
    QVERIFY(bait.intact());
    QVERIFY(!QFileInfo::exists(moved + QStringLiteral("/a.jpg")));
    QVERIFY(QFileInfo::exists(moved + QStringLiteral("/MyBuffer/saved.jpg")));
    // Opened anew by its path, it is refused: the path is a link now.
    QCOMPARE(emptyWorkDir(work), EmptyResult::Refused);
    QVERIFY(bait.intact());
}

void TestWorkFolder::unusableAtStart_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("a link to a folder") << "folder link";
    QTest::newRow("a dangling link") << "dangling";
    QTest::newRow("a file") << "file";
    QTest::newRow("the Windows folder a file") << "windows file";
}

// A working folder that is a link, or cannot be made, when the program starts is not used at
// all: its own message (not "no pictures"), no copy, no deletion, at the start or at the close.
void TestWorkFolder::unusableAtStart()
{
    QFETCH(QString, setup);
    Root r;
    const Bait bait(r.dir.filePath(QStringLiteral("bait")), r.names);
    const QString gone = r.dir.filePath(QStringLiteral("gone"));
    if (setup == QLatin1String("folder link") || setup == QLatin1String("dangling")) {
        QVERIFY(QFile::link(setup == QLatin1String("dangling") ? gone : bait.dir, r.workDir()));
    } else if (setup == QLatin1String("file")) {
        writeFile(r.workDir(), "a file");
    } else {
        QVERIFY(QDir(r.windows).removeRecursively());
        writeFile(r.windows, "not a folder");
    }
    Collection c;
    c.run(r.registry);
    QCOMPARE(c.messages(), QStringList{QString::fromUtf8(kMsgWorkFolderUnusable).arg(r.workDir())});
    QCOMPARE(c.dialogs.messages.first().icon, MsgIcon::Critical);
    QVERIFY(c.host.navigationDisabled);
    QCOMPARE(c.host.events, QStringList{"counters 0 0"}); // no progress window
    c.state.ListCount = 1; // as if something had been listed: the close would empty
    QCOMPARE(emptyWorkFolder(c.state), EmptyResult::Refused);
    QVERIFY(bait.intact());
    QVERIFY(!QFileInfo::exists(gone));
}

// Someone who can write beside the working folder swaps it for a link to another folder, and
// back, at random moments while a collection and the close run: nothing outside is ever
// deleted or written.
void TestWorkFolder::swappedWhileCollectingAndClosing()
{
    constexpr int kRuns = 40;
    int swapsTotal = 0;
    for (int run = 0; run < kRuns; ++run) {
        Root r;
        const Bait bait(r.dir.filePath(QStringLiteral("bait")), r.names);
        const QByteArray work = path8(r.workDir());
        const QByteArray moved = path8(r.windows + QStringLiteral("/VeltTemp.moved"));
        const QByteArray target = path8(bait.dir);
        std::atomic<bool> done{false};
        std::atomic<int> swaps{0};
        // The other user: random pauses of up to a fifth of a millisecond, on its own thread.
        std::thread swapper([&, run] {
            QRandomGenerator random(quint32(run) + 1);
            auto pause = [&random] {
                std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(200)));
            };
            while (!done) {
                pause();
                if (::rename(work.constData(), moved.constData()) == 0
                    && ::symlink(target.constData(), work.constData()) == 0)
                    ++swaps;
                pause();
                struct stat info
                {
                };
                if (::lstat(work.constData(), &info) == 0 && S_ISLNK(info.st_mode))
                    ::unlink(work.constData());
                ::rename(moved.constData(), work.constData());
            }
        });
        Collection c;
        c.run(r.registry);
        if (c.state.ListCount + c.state.GifCount != 0)
            emptyWorkFolder(c.state);
        done = true;
        swapper.join();
        swapsTotal += swaps;
        QVERIFY2(bait.intact(), qPrintable(QStringLiteral("run %1").arg(run)));
    }
    QVERIFY(swapsTotal > 0);
}

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "tst_workfolder.moc"
