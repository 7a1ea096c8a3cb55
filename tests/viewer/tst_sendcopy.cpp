#include "viewer/sendcopy.h"

#include "platform/namebytes.h"

#include "common/hostilenames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace velt;

namespace {

const QDateTime kFileTime(QDate(2026, 11, 3), QTime(9, 30));

QByteArray pattern(qint64 size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 31 % 251);
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.flush();
    QVERIFY(f.setFileTime(kFileTime, QFileDevice::FileModificationTime));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList listing(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestSendCopy : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void plan_data();
    void plan();
    void copies_data();
    void copies();
    void namesThatAreNotText_data();
    void namesThatAreNotText();
    void failuresLeaveNothing_data();
    void failuresLeaveNothing();
};

// Source by DisplayMode, then destination and message for a folder and a new name.
void TestSendCopy::plan_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("listPos");
    QTest::addColumn<QString>("opened"); // the file opened with the File button
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("destination"); // "-" for no copy at all
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, int mode, int listPos, const char *opened,
                        const char *folder, const char *newName, const char *destination,
                        const char *message) {
        QTest::newRow(name) << mode << listPos << QString::fromUtf8(opened)
                            << QString::fromUtf8(folder) << QString::fromUtf8(newName)
                            << QString::fromUtf8(destination) << QString::fromUtf8(message);
    };
    const char *summer = "夏 の.a.mpeg";
    row("nothing shown", 0, 2, summer, "/d", "", "-", "");
    row("list picture not yet shown", 2, 0, summer, "/d", "", "-", "");
    row("movie", 1, 2, summer, "/d", "", "/d/夏 の.a.mpeg",
        "動画・音楽ファイル 夏 の.a.mpeg をコピーしました.");
    row("movie renamed: extension from the last dot", 1, 2, summer, "/d", "x", "/d/x.mpeg",
        "動画・音楽ファイル 夏 の.a.mpeg を x.mpeg に変更してコピーしました.");
    row("renamed without a dot in the name: no extension", 1, 2, "clip", "/d", "x", "/d/x",
        "動画・音楽ファイル clip を x に変更してコピーしました.");
    row("list picture to the root", 2, 2, summer, "/", "", "/b.jpg",
        "画像ファイル b.jpg をコピーしました.");
    row("picture from the File button, picture wording", 3, 2, summer, "/d/", "", "/d/夏 の.a.mpeg",
        "画像ファイル 夏 の.a.mpeg をコピーしました.");
    row("no folder", 2, 2, summer, "", "", "", "画像ファイル b.jpg をコピーしました.");
    row("a Windows folder means nothing here", 2, 2, summer, "C:\\Pics", "", "",
        "画像ファイル b.jpg をコピーしました.");
}

void TestSendCopy::plan()
{
    QFETCH(int, mode);
    QFETCH(int, listPos);
    QFETCH(QString, opened);
    QFETCH(QString, folder);
    QFETCH(QString, newName);
    QFETCH(QString, destination);
    QFETCH(QString, message);
    const CopyJob job = copyJobFor(mode, listPos, QStringLiteral("/home/u/") + opened,
                                   QStringLiteral("/work/VeltTemp"), QStringLiteral("b.jpg"));
    QCOMPARE(job.kind == CopyKind::Nothing, destination == QLatin1String("-"));
    if (job.kind == CopyKind::Nothing)
        return;
    const SendPlan p = planCopy(job, folderToStore(folder), newName);
    QCOMPARE(p.destination, destination);
    QCOMPARE(p.message, message);
}

// A copy that succeeds, onto a new name, over an existing file, or onto its own source: the
// destination ends with the source's bytes and time, the old file stays whole until then, and no
// temporary file is left.
void TestSendCopy::copies_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<int>("filesInDest");
    QTest::newRow("new file") << "dest/コピー 1.mpg" << 2;
    QTest::newRow("over an existing file") << "dest/old.mpg" << 1;
    QTest::newRow("onto its own source") << "clip.mpg" << 1;
}

void TestSendCopy::copies()
{
    QFETCH(QString, destination);
    QFETCH(int, filesInDest);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("dest"))));
    const QString source = dir.filePath(QStringLiteral("clip.mpg"));
    const QString target = dir.filePath(destination);
    const QByteArray bytes = pattern(3 * 4096 + 100, 'a');
    writeFile(source, bytes);
    writeFile(dir.filePath(QStringLiteral("dest/old.mpg")), pattern(5000, 'o'));
    const QByteArray before = readFile(target);
    int chunks = 0;
    bool wholeThroughout = true;
    QVERIFY(copyFileSafely(
            source, target,
            [&] {
                ++chunks;
                wholeThroughout = wholeThroughout && readFile(target) == before;
            },
            4096));
    QVERIFY(wholeThroughout);
    QCOMPARE(chunks, 4);
    QCOMPARE(readFile(target), bytes);
    QCOMPARE(QFileInfo(target).lastModified(), kFileTime);
    QCOMPARE(listing(dir.path()), (QStringList{"clip.mpg", "dest"}));
    QCOMPARE(listing(dir.filePath(QStringLiteral("dest"))).size(), filesInDest);
}

// The list picture under a name that is not UTF-8: copied under the same bytes, and the message
// shows it as the list does.
void TestSendCopy::namesThatAreNotText_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const hostilenames::Name &n : hostilenames::pictureNames())
        QTest::newRow(n.label) << n.bytes;
}

void TestSendCopy::namesThatAreNotText()
{
    QFETCH(QByteArray, name);
    hostilenames::TemporaryDir dir;
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    const QString dest = dir.filePath(QStringLiteral("dest"));
    QVERIFY(QDir().mkpath(work) && QDir().mkpath(dest));
    const QByteArray bytes = pattern(5000, 'n');
    QVERIFY(hostilenames::writeNamed(work, name, bytes, kFileTime));
    // Its neighbour that shows alike stays as it was.
    QVERIFY(hostilenames::writeNamed(dest, "bad\xFE.jpg", "other"));

    const QString listFile = decodeFileName(name);
    const CopyJob job = copyJobFor(2, 1, QString(), work, listFile);
    const SendPlan plan = planCopy(job, dest, QString());
    QCOMPARE(plan.message,
             QStringLiteral("画像ファイル ") + displayFileName(listFile)
                     + QStringLiteral(" をコピーしました."));
    QVERIFY(copyFileSafely(job.source, plan.destination));
    QCOMPARE(hostilenames::readNamed(dest, name), bytes);
    QCOMPARE(fileStatus(plan.destination).modified, kFileTime);
    if (name != "bad\xFE.jpg")
        QCOMPARE(hostilenames::readNamed(dest, "bad\xFE.jpg"), QByteArray("other"));
    QCOMPARE(regularFilesIn(dest).size(), size_t(name == "bad\xFE.jpg" ? 1 : 2));

    // Renamed: the typed name with the source's extension.
    const SendPlan renamed = planCopy(job, dest, QStringLiteral("新"));
    QVERIFY(copyFileSafely(job.source, renamed.destination));
    QCOMPARE(hostilenames::readNamed(dest, QStringLiteral("新.jpg").toUtf8()), bytes);
}

void TestSendCopy::failuresLeaveNothing_data()
{
    QTest::addColumn<QString>("source");      // relative to the temporary folder
    QTest::addColumn<QString>("destination"); // relative; "" for none
    QTest::newRow("missing folder") << "a.jpg"
                                    << "gone/a.jpg";
    QTest::newRow("no destination") << "a.jpg"
                                    << "";
    QTest::newRow("a folder in the way") << "a.jpg"
                                         << "dest/taken";
    QTest::newRow("a name the file system refuses")
            << "a.jpg" << QStringLiteral("dest/") + QString(300, QLatin1Char('x')) + ".jpg";
    QTest::newRow("source is a folder") << "dest"
                                        << "dest/a.mp3";
#ifdef Q_OS_UNIX
    QTest::newRow("source is a pipe") << "pipe.mpg"
                                      << "dest/pipe.mpg";
    QTest::newRow("read-only folder") << "a.jpg"
                                      << "readonly/a.jpg";
    QTest::newRow("the disk fills up") << "a.jpg"
                                       << "dest/full.jpg";
#endif
}

void TestSendCopy::failuresLeaveNothing()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("a.jpg")), pattern(100000, 'a'));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("dest/taken"))));
#ifdef Q_OS_UNIX
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.mpg"))).constData(), 0600),
             0);
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("readonly"))));
    QFile::setPermissions(dir.filePath(QStringLiteral("readonly")),
                          QFile::ReadOwner | QFile::ExeOwner);
    if (destination.startsWith(QLatin1String("readonly")) && geteuid() == 0)
        QSKIP("root writes into read-only folders");
    // A full disk: the file-size limit fails the writes the same way, also for root.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 16 * 1024;
    if (destination.endsWith(QLatin1String("full.jpg")))
        setrlimit(RLIMIT_FSIZE, &small);
#endif
    const QStringList before = listing(dir.path()) + listing(dir.filePath(QStringLiteral("dest")));
    const bool copied = copyFileSafely(
            dir.filePath(source), destination.isEmpty() ? QString() : dir.filePath(destination));
#ifdef Q_OS_UNIX
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(listing(dir.filePath(QStringLiteral("readonly"))).isEmpty());
#endif
    QVERIFY(!copied);
    QCOMPARE(listing(dir.path()) + listing(dir.filePath(QStringLiteral("dest"))), before);
}

QTEST_GUILESS_MAIN(TestSendCopy)
#include "tst_sendcopy.moc"
