#include "cache/plannedcopy.h"

#include "cache/collection.h"
#include "cache/ordering.h"
#include "common/fakeregistry.h"
#include "common/recordinghost.h"
#include "common/scripteddialogs.h"
#include "platform/workdir.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace velt;

namespace {

const QString kWindowsKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
const QString kCacheKey = QStringLiteral(
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet settings\\Cache\\Paths");
const QDate kToday(2026, 12, 7);
constexpr int kStepsPerFolder = ExtTable::kPictureRows + ExtTable::kMediaRows;

void makeFile(const QString &path, const QByteArray &content, const QDateTime &modified)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(content);
    f.flush();
    QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The type a pattern "*.TYPE" compares, for the reference copy below.
QString typeOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}

struct SourceFile
{
    int folder;
    QString name;
    QByteArray content;
    QDateTime modified;
};

// A cache whose folders share many names: Internet Explorer folders, sometimes Netscape's.
struct GeneratedCache
{
    QTemporaryDir dir;
    FakeRegistry registry;
    QString windows;
    QStringList folders; // host paths, in the order the collection copies them
    int ieFolders = 0;
    QList<SourceFile> files;

    explicit GeneratedCache(QRandomGenerator &random)
    {
        windows = dir.filePath(QStringLiteral("WINDOWS"));
        const QString ie = dir.filePath(QStringLiteral("TIF"));
        QDir().mkpath(windows);
        QDir().mkpath(ie);
        registry.setString(kHKEY_LOCAL_MACHINE, kWindowsKey, QStringLiteral("SystemRoot"), windows);
        registry.setString(kHKEY_LOCAL_MACHINE, kCacheKey, QStringLiteral("Directory"), ie);
        ieFolders = 1 + int(random.bounded(4));
        for (int i = 0; i < ieFolders; ++i)
            folders << ie + QStringLiteral("/F%1").arg(i);
        if (random.bounded(2)) {
            const QString netscape = dir.filePath(QStringLiteral("Netscape/"));
            const QString nsCache = dir.filePath(QStringLiteral("nscache"));
            registry.setString(kHKEY_CURRENT_USER,
                               QStringLiteral("SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\MAIN"),
                               QStringLiteral("Install Directory"),
                               netscape + QStringLiteral("Communicator"));
            registry.setString(kHKEY_CURRENT_USER,
                               QStringLiteral("SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\BIFF"),
                               QStringLiteral("CurrentUser"), QStringLiteral("demo"));
            makeFile(netscape + QStringLiteral("Users/demo/prefs.js"),
                     "user_pref(\"browser.cache.directory\", \"" + nsCache.toUtf8() + "\");\r\n",
                     QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
            folders << nsCache;
        }
        // Names differing only in case are two names; some types are not copied at all.
        const QStringList bases{"a", "b", "image[1]", "Photo", "x y", "zz"};
        const QStringList types{"jpg",  "JPG", "gif",  "bmp", "jpe", "mp3", "avi",
                                "mpeg", "rm",  "AIFC", "htm", "txt", "rmm"};
        for (int f = 0; f < folders.size(); ++f) {
            QDir().mkpath(folders[f]);
            for (const QString &base : bases) {
                for (const QString &type : types) {
                    if (random.bounded(100) >= 30)
                        continue;
                    QByteArray content(int(random.bounded(3000)), '\0');
                    for (char &c : content)
                        c = char(random.bounded(256));
                    const QDateTime modified(
                            QDate(2026, 1 + int(random.bounded(11)), 1 + int(random.bounded(28))),
                            QTime(int(random.bounded(24)), int(random.bounded(60)),
                                  int(random.bounded(60))));
                    const QString name = base + QLatin1Char('.') + type;
                    makeFile(folders[f] + QLatin1Char('/') + name, content, modified);
                    files << SourceFile{f, name, content, modified};
                }
            }
        }
    }
    QString workDir() const { return windows + QStringLiteral("/VeltTemp"); }
    int steps() const { return int(folders.size()) * kStepsPerFolder; }
};

// What copying every match one by one, in order, leaves after step stopAfter: the last copy of
// each name that did not fail. A failed copy changes nothing.
struct OrderedCopy
{
    QMap<QString, const SourceFile *> result;
    QSet<QString> names;   // every name a copy was made or tried for
    FullDiskFailures full; // names whose last copy tried failed for lack of space

    OrderedCopy(const GeneratedCache &cache, const QMap<std::pair<int, QString>, int> &failures,
                int stopAfter)
    {
        const ExtTable &ext = ExtTable::standard();
        QMap<QString, int> lastError;
        int step = 0;
        for (int f = 0; f < cache.folders.size(); ++f) {
            for (int column = 1; column <= 2; ++column) {
                const int rows = column == 1 ? ExtTable::kPictureRows : ExtTable::kMediaRows;
                for (int row = 1; row <= rows; ++row, ++step) {
                    for (const SourceFile &file : cache.files) {
                        if (file.folder != f || typeOf(file.name) != ext.at(column, row))
                            continue;
                        names.insert(file.name);
                        if (step > stopAfter)
                            continue;
                        const int error = failures.value({f, file.name}, 0);
                        lastError[file.name] = error;
                        if (error == 0)
                            result[file.name] = &file;
                    }
                }
            }
        }
        for (const int error : std::as_const(lastError))
            full.note(error);
    }
};

// A copy function that fails as told, leaving a partial file behind as a real failure may.
CopyFunction failingCopy(const QMap<std::pair<int, QString>, int> &failures, std::mutex &mutex,
                         QSet<QByteArray> &tried)
{
    return [&failures, &mutex, &tried](const CopyRequest &request) {
        {
            std::lock_guard lock(mutex);
            tried.insert(request.name);
        }
        const int error = failures.value({request.folder, QFile::decodeName(request.name)}, 0);
        if (error == 0)
            return copyFileInto(request);
        const int fd = request.target.createFile(request.name, 0600);
        if (fd >= 0) {
            int ignored = 0;
            writeAll(fd, "partial", 7, &ignored);
            closeFile(fd);
        }
        return CopyOutcome{false, error};
    };
}

// The yield after which the stop check of step comes: Internet Explorer's steps yield once
// each; Netscape's come after two more yields (the end of Internet Explorer, the label).
int yieldOfStep(int step, int ieFolders)
{
    return step < ieFolders * kStepsPerFolder ? step + 1 : step + 3;
}

struct Run
{
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    RecordingHost host{state};
    DriveMap drives;
    ExtTable ext = ExtTable::standard();
    int threads = 0;
    CopyFunction copy;

    Run() { settings.applyDefaults(QString()); }
    void collect(const RegistrySource &registry)
    {
        CollectionContext ctx{state,   settings, ext,    registry, drives,
                              dialogs, host,     kToday, threads,  copy};
        GetICPath(ctx);
    }
};

} // namespace

class TestPlannedCopy : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameAsOrderedCopy_data();
    void sameAsOrderedCopy();
    void stopAnsweredWhileCopying();
    void onlyRegularFiles_data();
    void onlyRegularFiles();
    void privateModes_data();
    void privateModes();
    void folderCopy();
};

void TestPlannedCopy::sameAsOrderedCopy_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QString>("stop"); // "", "yes", "no then yes", "yes after the copies ran ahead"
    const QStringList stops{"", "yes", "no then yes", "yes after the copies ran ahead"};
    for (quint32 seed = 1; seed <= 24; ++seed) {
        const QString stop = stops[int(seed % 4)];
        QTest::addRow("seed %u %s", seed, qPrintable(stop.isEmpty() ? "no stop" : stop))
                << seed << stop;
    }
}

// Whatever the duplicates, failures and stop, the working folder ends as the one-by-one copy
// in order would have left it: same names, bytes and times, and so the same list.
void TestPlannedCopy::sameAsOrderedCopy()
{
    QFETCH(quint32, seed);
    QFETCH(QString, stop);
    QRandomGenerator random(seed);
    GeneratedCache cache(random);

    QMap<std::pair<int, QString>, int> failures;
    const int errors[] = {EIO, EACCES, ENOSPC, EDQUOT};
    for (const SourceFile &file : std::as_const(cache.files)) {
        if (random.bounded(100) < 15)
            failures[{file.folder, file.name}] = errors[random.bounded(4)];
    }
    const int stopAfter =
            stop.isEmpty() ? cache.steps() - 1 : int(random.bounded(quint32(cache.steps())));
    const OrderedCopy expected(cache, failures, stopAfter);

    Run r;
    r.threads = 1 + int(random.bounded(4));
    std::mutex mutex;
    QSet<QByteArray> tried;
    r.copy = failingCopy(failures, mutex, tried);
    int noAt = 0;
    if (!stop.isEmpty()) {
        const int yesAt = yieldOfStep(stopAfter, cache.ieFolders);
        if (stop.startsWith(QLatin1String("no")) && stopAfter > 0)
            noAt = yieldOfStep(int(random.bounded(quint32(stopAfter))), cache.ieFolders);
        if (noAt > 0)
            r.host.askAnswers << kAnswerNo;
        r.host.askAnswers << kAnswerYes;
        const bool runAhead = stop.endsWith(QLatin1String("ahead"));
        r.host.onYield = [&, noAt, yesAt, runAhead](int n) {
            if (n == noAt || n == yesAt)
                r.state.StopLoad = true;
            // Let every name's copy start before the stop is seen: copies from steps after it
            // must then give way again.
            if (n == yesAt && runAhead) {
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                for (;;) {
                    {
                        std::lock_guard lock(mutex);
                        if (tried.size() >= expected.names.size())
                            break;
                    }
                    if (std::chrono::steady_clock::now() > deadline)
                        break;
                    std::this_thread::yield();
                }
            }
        };
    }
    r.collect(cache.registry);

    QDir work(cache.workDir());
    QCOMPARE(work.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
             QStringList(expected.result.keys()));
    for (auto it = expected.result.cbegin(); it != expected.result.cend(); ++it) {
        const QString path = work.filePath(it.key());
        QCOMPARE(contentOf(path), it.value()->content);
        QCOMPARE(QFileInfo(path).lastModified(), it.value()->modified);
    }
    const int askedExpected = stop.isEmpty() ? 0 : noAt > 0 ? 2 : 1;
    QCOMPARE(r.host.events.count(QStringLiteral("ask")), askedExpected);

    // The same list as the ordered copy's folder gives.
    QTemporaryDir other;
    MdlVELT reference;
    reference.WorkDir = other.path();
    for (auto it = expected.result.cbegin(); it != expected.result.cend(); ++it)
        makeFile(other.filePath(it.key()), it.value()->content, it.value()->modified);
    collectWorkDir(reference, r.settings, ExtTable::standard(), kToday);
    GSort(reference, false);
    QCOMPARE(r.state.ListFile.mid(1, r.state.ListCount),
             reference.ListFile.mid(1, reference.ListCount));
    QCOMPARE(r.state.ListLine.mid(1, r.state.ListCount),
             reference.ListLine.mid(1, reference.ListCount));
    QCOMPARE(r.state.GifFile.mid(1, r.state.GifCount),
             reference.GifFile.mid(1, reference.GifCount));

    // Copies that failed for lack of space are counted by name, once, after the collection.
    QStringList fullMessages;
    for (const auto &m : std::as_const(r.dialogs.messages)) {
        if (m.icon == MsgIcon::Exclamation)
            fullMessages << m.text;
    }
    if (expected.full.count() == 0) {
        QVERIFY(fullMessages.isEmpty());
    } else {
        const char *text = expected.full.noSpace > 0 ? kMsgDiskFull : kMsgOverQuota;
        QCOMPARE(fullMessages, QStringList{QString::fromUtf8(text).arg(expected.full.count())});
    }
}

// The question comes while a copy is still under way, not after it: the wait for the copies
// ends at the press. Answered Yes, the step on show is completed and nothing after it stays.
void TestPlannedCopy::stopAnsweredWhileCopying()
{
    QTemporaryDir dir;
    FakeRegistry registry;
    const QString windows = dir.filePath(QStringLiteral("WINDOWS"));
    const QString ie = dir.filePath(QStringLiteral("TIF"));
    registry.setString(kHKEY_LOCAL_MACHINE, kWindowsKey, QStringLiteral("SystemRoot"), windows);
    registry.setString(kHKEY_LOCAL_MACHINE, kCacheKey, QStringLiteral("Directory"), ie);
    const QDateTime time(QDate(2026, 12, 1), QTime(10, 0));
    makeFile(ie + QStringLiteral("/A/slow.jpg"), "slow", time);
    makeFile(ie + QStringLiteral("/A/later.bmp"), "later", time);
    makeFile(ie + QStringLiteral("/A/last.mp3"), "last", time);
    QDir().mkpath(windows);

    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> slowDone{false};
    Run r;
    r.threads = 2;
    r.copy = [&](const CopyRequest &request) {
        if (request.name == "slow.jpg") {
            released.wait_for(std::chrono::seconds(30));
            const CopyOutcome outcome = copyFileInto(request);
            slowDone = true;
            return outcome;
        }
        return copyFileInto(request);
    };
    bool askedWhileCopying = false;
    r.host.onWait = [&](int n) {
        if (n == 1)
            r.state.StopLoad = true; // the press, while the first step's copy is under way
    };
    r.host.onAsk = [&] {
        askedWhileCopying = !slowDone;
        release.set_value();
    };
    r.host.askAnswer = kAnswerYes;
    r.collect(registry);
    QVERIFY(askedWhileCopying);
    QCOMPARE(r.host.events.count(QStringLiteral("ask")), 1);
    QCOMPARE(QDir(windows + QStringLiteral("/VeltTemp")).entryList(QDir::Files),
             QStringList{"slow.jpg"});
    QCOMPARE(r.state.ListFile.mid(1, r.state.ListCount), QStringList{"slow.jpg"});
}

void TestPlannedCopy::onlyRegularFiles_data()
{
    QTest::addColumn<bool>("followLinks");
    QTest::addColumn<QStringList>("expected");
    // A cache: its entries are copied only when they are files. An album folder is the user's
    // own choice: a link to a file there is followed.
    QTest::newRow("cache") << false << QStringList{"file.jpg"};
    QTest::newRow("album") << true << QStringList{"file.jpg", "inside.jpg", "outside.jpg"};
}

void TestPlannedCopy::onlyRegularFiles()
{
    QFETCH(bool, followLinks);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    const QDateTime time(QDate(2026, 12, 1), QTime(10, 0));
    makeFile(cache + QStringLiteral("/file.jpg"), "file", time);
    makeFile(dir.filePath(QStringLiteral("secret")), "secret", time);
    QVERIFY(QFile::link(QStringLiteral("file.jpg"), cache + QStringLiteral("/inside.jpg")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("secret")),
                        cache + QStringLiteral("/outside.jpg")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), cache + QStringLiteral("/gone.jpg")));
    QVERIFY(QFile::link(dir.path(), cache + QStringLiteral("/folder.jpg")));
    QVERIFY(QDir().mkpath(cache + QStringLiteral("/sub.jpg")));
    QCOMPARE(::mkfifo(QFile::encodeName(cache + QStringLiteral("/pipe.jpg")).constData(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(cache + QStringLiteral("/socket.jpg"));
    QVERIFY(size_t(socketPath.size()) < sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    QCOMPARE(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    const QString workDir = dir.filePath(QStringLiteral("VeltTemp"));
    const auto work = WorkFolder::open(workDir);
    QVERIFY(work);
    CopyPlan plan;
    const int step = plan.addStep(plan.addFolder(cache, followLinks), QStringLiteral("*.JPG"));
    PlannedCopy copy(std::move(plan), *work, 2);
    copy.finishAfter(step);
    copy.waitFinished();
    ::close(sock);
    QCOMPARE(QDir(workDir).entryList(QDir::Files | QDir::System), expected);
    QCOMPARE(copy.result().copied, expected.size());
    for (const QString &name : expected)
        QVERIFY(!QFileInfo(workDir + QLatin1Char('/') + name).isSymLink());
}

void TestPlannedCopy::privateModes_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("copy");
    QTest::newRow("readable by all") << 0644 << 0600;
    QTest::newRow("private") << 0600 << 0600;
    QTest::newRow("read-only") << 0400 << 0400;
    QTest::newRow("executable") << 0755 << 0600;
    QTest::newRow("writable by all") << 0666 << 0600;
    QTest::newRow("group only") << 0060 << 0000;
}

// Copies are never readable by anyone but the owner, from the moment they exist.
void TestPlannedCopy::privateModes()
{
    QFETCH(int, source);
    QFETCH(int, copy);
    QTemporaryDir dir;
    const QString album = dir.filePath(QStringLiteral("album"));
    makeFile(album + QStringLiteral("/p.jpg"), "picture", QDateTime(QDate(2026, 1, 2), QTime()));
    QCOMPARE(::chmod(QFile::encodeName(album + QStringLiteral("/p.jpg")).constData(),
                     mode_t(source)),
             0);
    if (copy == 0 && ::geteuid() != 0)
        QSKIP("only the superuser reads a file without the owner's read bit");
    // Even when nothing is masked by the user's setting.
    const mode_t oldMask = ::umask(0);
    const auto work = WorkFolder::open(dir.filePath(QStringLiteral("VeltTemp")));
    const int copied = work ? copyFolderInto(album, *work).copied : -1;
    ::umask(oldMask);
    QCOMPARE(copied, 1);
    struct stat info
    {
    };
    QCOMPARE(::stat(QFile::encodeName(work->path() + QStringLiteral("/p.jpg")).constData(), &info),
             0);
    QCOMPARE(int(info.st_mode & 07777), copy);
}

// The album's copy: every file, not its folders, times kept, same-named files replaced, a
// file that cannot be copied skipped.
void TestPlannedCopy::folderCopy()
{
    QTemporaryDir dir;
    const QString album = dir.filePath(QStringLiteral("album"));
    const QDateTime old(QDate(2020, 5, 6), QTime(7, 8, 9));
    makeFile(album + QStringLiteral("/a.jpg"), "a", old);
    makeFile(album + QStringLiteral("/b.GIF"), "b", old);
    makeFile(album + QStringLiteral("/notes"), "no type", old);
    makeFile(album + QStringLiteral("/sub/deep.jpg"), "deep", old);
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), album + QStringLiteral("/gone.jpg")));
    const auto work = WorkFolder::open(dir.filePath(QStringLiteral("VeltTemp")));
    QVERIFY(work);
    makeFile(work->path() + QStringLiteral("/a.jpg"), "older copy", QDateTime::currentDateTime());
    makeFile(work->path() + QStringLiteral("/kept.jpg"), "kept", old);

    const PlannedCopyResult result = copyFolderInto(album, *work);
    QCOMPARE(result.copied, 3);
    QCOMPARE(result.full.count(), 0);
    QCOMPARE(QDir(work->path()).entryList(QDir::Files, QDir::Name),
             QStringList({"a.jpg", "b.GIF", "kept.jpg", "notes"}));
    QCOMPARE(contentOf(work->path() + QStringLiteral("/a.jpg")), QByteArray("a"));
    QCOMPARE(QFileInfo(work->path() + QStringLiteral("/b.GIF")).lastModified(), old);
}

QTEST_GUILESS_MAIN(TestPlannedCopy)
#include "tst_plannedcopy.moc"
