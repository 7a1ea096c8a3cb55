// The album folder becoming the list: display lines, the copy and the walk, and the folder the
// album dialog starts at.
#include "album/albumfolder.h"
#include "album/albumscan.h"
#include "platform/namebytes.h"

#include "common/hostilenames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace velt;

namespace {

const QDateTime kTime(QDate(2026, 12, 1), QTime(10, 20, 30));

bool writeFile(const QString &path, const QByteArray &bytes, const QDateTime &time = kTime)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
        return false;
    return f.setFileTime(time, QFileDevice::FileModificationTime);
}

// A Windows folder with WorkDir (holding a cache copy) and BufferDir, and an album folder.
struct Folders
{
    hostilenames::TemporaryDir dir; // goes with names that are not UTF-8 too
    MdlVELT state;
    QString album;

    Folders()
    {
        state.WorkDir = dir.filePath(QStringLiteral("WINDOWS/VeltTemp"));
        state.BufferDir = state.WorkDir + QStringLiteral("/MyBuffer");
        album = dir.filePath(QStringLiteral("album"));
        QDir().mkpath(state.BufferDir);
        QDir().mkpath(album);
        writeFile(state.WorkDir + QStringLiteral("/cache.jpg"), "old");
        writeFile(state.BufferDir + QStringLiteral("/kept.jpg"), "kept");
        state.ListCount = 1;
        state.ListPos = 1;
        state.reserveList(1);
        state.ListFile[1] = QStringLiteral("cache.jpg");
    }
    QStringList workFiles() const
    {
        return QDir(state.WorkDir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

QStringList listed(const MdlVELT &state)
{
    return state.ListFile.mid(1, state.ListCount);
}

QStringList gifs(const MdlVELT &state)
{
    return state.GifFile.mid(1, state.GifCount);
}

} // namespace

class TestAlbumScan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void displayLine_data();
    void displayLine();
    void album_data();
    void album();
    void namesThatAreNotText();
    void fortyThousandFiles();
    void workDirNotOurs();
    void startFolder_data();
    void startFolder();
};

void TestAlbumScan::displayLine_data()
{
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<int>("timeAt"); // 0-based index where the time starts
    QTest::newRow("short") << 5 << 35;
    QTest::newRow("34 characters: one space") << 34 << 35;
    QTest::newRow("35 characters: cut, three spaces") << 35 << 37;
    QTest::newRow("40 characters") << 40 << 37;
}

void TestAlbumScan::displayLine()
{
    QFETCH(int, nameLength);
    QFETCH(int, timeAt);
    const QString name = QString(nameLength - 4, QLatin1Char('n')) + QStringLiteral(".jpg");
    const QString line = albumDisplayLine(name, kTime);
    QCOMPARE(line.mid(timeAt), QStringLiteral("2026/12/01   10:20:30"));
    QCOMPARE(line.size(), timeAt + 21);
    QCOMPARE(line.left(qMin(nameLength, 34)), name.left(34));
    QVERIFY(line.mid(qMin(nameLength, 34), timeAt - qMin(nameLength, 34)).trimmed().isEmpty());
}

void TestAlbumScan::album_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("source"); // album, workdir, buffer, missing
    QTest::addColumn<QStringList>("expectList");
    QTest::addColumn<QStringList>("expectGifs");
    QTest::addColumn<bool>("nothingFound");

    QTest::newRow("pictures, a GIF and a text")
            << "mixed"
            << "album" << QStringList{"a.jpg"} << QStringList{"b.GIF"} << false;
    QTest::newRow("no conditions, not even the future")
            << "future"
            << "album" << QStringList{"far.jpg", "tiny.bmp"} << QStringList{} << false;
    QTest::newRow("sub-folders and links")
            << "links"
            << "album" << QStringList{"a.jpg", "tofile.jpg"} << QStringList{} << false;
    QTest::newRow("ordered by first character")
            << "order"
            << "album" << QStringList{"1.jpg", "A.jpg", "a2.jpg", "z.jpg", "_x.jpg"}
            << QStringList{} << false;
    QTest::newRow("only GIFs") << "gifs"
                               << "album" << QStringList{} << QStringList{"x.gif", "y.gif"}
                               << false;
    QTest::newRow("empty folder") << "empty"
                                  << "album" << QStringList{} << QStringList{} << true;
    QTest::newRow("folder gone") << "mixed"
                                 << "missing" << QStringList{} << QStringList{} << true;
    QTest::newRow("WorkDir itself") << "mixed"
                                    << "workdir" << QStringList{} << QStringList{} << true;
    QTest::newRow("BufferDir") << "mixed"
                               << "buffer" << QStringList{"kept.jpg"} << QStringList{} << false;
    QTest::newRow("phones' and today's pictures")
            << "modern"
            << "album"
            << QStringList{"a.png", "b.webp", "c.avif", "d.HEIC", "e.heif", "f.jxl", "g.jpg"}
            << QStringList{} << false;
    // A table as the collection writes beside cache copies, claiming the cut picture whole and
    // from a site: an album's files get no facts from it.
    QTest::newRow("a planted source table")
            << "planted"
            << "album" << QStringList{"a.jpg"} << QStringList{} << false;
    QTest::newRow("an unreadable file is skipped")
            << "unreadable"
            << "album" << QStringList{"a.jpg"} << QStringList{} << false;
}

void TestAlbumScan::album()
{
    QFETCH(QString, setup);
    QFETCH(QString, source);
    QFETCH(QStringList, expectList);
    QFETCH(QStringList, expectGifs);
    QFETCH(bool, nothingFound);
    Folders f;
    const QString a = f.album + QLatin1Char('/');
    if (setup == QLatin1String("mixed")) {
        QVERIFY(writeFile(a + "a.jpg", "\xFF\xD8\xFF\xD9"));
        QVERIFY(writeFile(a + "b.GIF", "GIF;"));
        QVERIFY(writeFile(a + "c.txt", "text"));
    } else if (setup == QLatin1String("future")) {
        QVERIFY(writeFile(a + "far.jpg", "x", QDateTime(QDate(2099, 1, 1), QTime(1, 2, 3))));
        QVERIFY(writeFile(a + "tiny.bmp", ""));
    } else if (setup == QLatin1String("links")) {
        QVERIFY(writeFile(a + "a.jpg", "jpeg"));
        QDir().mkpath(a + "sub.jpg");
        QVERIFY(writeFile(a + "sub.jpg/inner.jpg", "inner"));
        QVERIFY(QFile::link(a + "a.jpg", a + "tofile.jpg"));
        QVERIFY(QFile::link(a + "sub.jpg", a + "tofolder.jpg"));
        QVERIFY(QFile::link(a + "nothing.jpg", a + "dangling.jpg"));
        QVERIFY(QFile::link(a + "loop.jpg", a + "loop.jpg"));
    } else if (setup == QLatin1String("order")) {
        for (const char *name : {"z.jpg", "1.jpg", "A.jpg", "_x.jpg", "a2.jpg"})
            QVERIFY(writeFile(a + QLatin1String(name), "p"));
    } else if (setup == QLatin1String("gifs")) {
        QVERIFY(writeFile(a + "x.gif", "g"));
        QVERIFY(writeFile(a + "y.gif", "g"));
    } else if (setup == QLatin1String("modern")) {
        for (const char *name : {"a.png", "b.webp", "c.avif", "d.HEIC", "e.heif", "f.jxl", "g.jpg",
                                 "h.svg", "i.tif", "j.mp4"})
            QVERIFY(writeFile(a + QLatin1String(name), "p"));
    } else if (setup == QLatin1String("planted")) {
        QVERIFY(writeFile(a + "a.jpg", "\xFF\xD8\xFF\xE0 cut"));
        QVERIFY(writeFile(a + QLatin1String(SourceTable::kFileName),
                          "a.jpg\t9\t1765000000000\t0\tJpeg\t-1\thttps%3A%2F%2Fx.test%2Fa.jpg\n"));
    } else if (setup == QLatin1String("unreadable")) {
#ifdef Q_OS_UNIX
        if (::geteuid() == 0)
            QSKIP("root reads every file");
#endif
        QVERIFY(writeFile(a + "a.jpg", "a"));
        QVERIFY(writeFile(a + "b.jpg", "b"));
        QVERIFY(QFile::setPermissions(a + "b.jpg", QFileDevice::WriteOwner));
    }
    QString folder = f.album;
    if (source == QLatin1String("workdir")) {
        folder = f.state.WorkDir;
        QVERIFY(writeFile(folder + QStringLiteral("/w.jpg"), "w"));
    } else if (source == QLatin1String("buffer")) {
        folder = f.state.BufferDir;
    } else if (source == QLatin1String("missing")) {
        QVERIFY(QDir(f.album).removeRecursively());
    }
    f.state.Sources.insert(QStringLiteral("a.jpg"), SourceFacts{});

    const AlbumLoad load = loadAlbum(f.state, folder, ExtTable::standard(), false);

    QCOMPARE(listed(f.state), expectList);
    QCOMPARE(gifs(f.state), expectGifs);
    QCOMPARE(load.nothingFound, nothingFound);
    QVERIFY(!load.atLimit && !load.workDirRefused && !load.someNotDeleted);
    QCOMPARE(f.state.ListPos, 0);
    QVERIFY(f.state.Sources.isEmpty()); // what was known belonged to the cache copies
    // The cache copies are gone; the sub-folders and what they hold stay.
    QVERIFY(!f.workFiles().contains(QStringLiteral("cache.jpg")));
    QVERIFY(QFile::exists(f.state.BufferDir + QStringLiteral("/kept.jpg")));
    if (setup == QLatin1String("mixed") && source == QLatin1String("album"))
        QCOMPARE(f.workFiles(), (QStringList{"a.jpg", "b.GIF", "c.txt"}));
    if (setup == QLatin1String("future")) // the copy keeps the time
        QCOMPARE(f.state.ListLine[1].right(21), QStringLiteral("2099/01/01   01:02:03"));
    if (setup == QLatin1String("links")) {
        QCOMPARE(f.workFiles(), (QStringList{"a.jpg", "tofile.jpg"}));
        QFile copy(f.state.WorkDir + QStringLiteral("/tofile.jpg"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("jpeg"));
    }
}

void TestAlbumScan::namesThatAreNotText()
{
    Folders f;
    QStringList expected;
    for (const hostilenames::Name &n : hostilenames::pictureNames()) {
        QVERIFY2(hostilenames::writeNamed(f.album, n.bytes, n.bytes), n.label);
        expected << decodeFileName(n.bytes);
    }
    QVERIFY(hostilenames::writeNamed(f.album, "ad\x82\xA0.gif", "GIF;"));
    loadAlbum(f.state, f.album, ExtTable::standard(), false);
    QStringList list = listed(f.state);
    list.sort();
    expected.sort();
    QCOMPARE(list, expected);
    QCOMPARE(gifs(f.state), QStringList{decodeFileName("ad\x82\xA0.gif")});
    for (const hostilenames::Name &n : hostilenames::pictureNames())
        QCOMPARE(hostilenames::readNamed(f.state.WorkDir, n.bytes), n.bytes);

    // The next album empties the working folder of them.
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("empty")));
    loadAlbum(f.state, f.dir.filePath(QStringLiteral("empty")), ExtTable::standard(), false);
    QVERIFY(regularFilesIn(f.state.WorkDir).empty());
}

void TestAlbumScan::fortyThousandFiles()
{
    // 30 001 pictures, 9 999 other files and a GIF that comes after the list is full: 30 000
    // are listed, everything is copied.
    Folders f;
    const QString a = f.album + QLatin1Char('/');
    for (int i = 0; i < 40000; ++i) {
        const QString name = i <= 30000 ? QStringLiteral("p%1.jpg").arg(i, 5, 10, QLatin1Char('0'))
                                        : QStringLiteral("t%1.txt").arg(i);
        QFile file(a + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(writeFile(a + "zz.gif", "g"));
    const AlbumLoad load = loadAlbum(f.state, f.album, ExtTable::standard(), true);
    QCOMPARE(load.copied, 40001);
    QVERIFY(load.atLimit);
    QVERIFY(!load.nothingFound);
    QCOMPARE(f.state.ListCount, kListLimit);
    QCOMPARE(f.state.GifCount, 0);
    QVERIFY(!listed(f.state).contains(QStringLiteral("p30000.jpg")));
}

void TestAlbumScan::workDirNotOurs()
{
    // A WorkDir the program did not make is never emptied or written into: nothing changes.
    Folders f;
    QVERIFY(writeFile(f.album + QStringLiteral("/a.jpg"), "a"));
    const QString other = f.dir.filePath(QStringLiteral("Documents"));
    QDir().mkpath(other);
    QVERIFY(writeFile(other + QStringLiteral("/mine.txt"), "mine"));
    f.state.WorkDir = other;
    const AlbumLoad load = loadAlbum(f.state, f.album, ExtTable::standard(), false);
    QVERIFY(load.workDirRefused);
    QCOMPARE(QDir(other).entryList(QDir::Files), QStringList{"mine.txt"});
    QCOMPARE(f.state.ListCount, 1);
    QCOMPARE(f.state.ListPos, 1);
}

void TestAlbumScan::startFolder_data()
{
    QTest::addColumn<QString>("stored"); // relative to the temporary folder unless absolute
    QTest::addColumn<bool>("fallbackExists");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the stored folder") << "pics/2026" << true << "pics/2026";
    QTest::newRow("gone: its nearest parent") << "pics/gone/deeper" << true << "pics";
    QTest::newRow("gone with every parent: the fallback")
            << "/velt-nowhere/pics" << true << "buffer";
    QTest::newRow("a Windows path: the fallback")
            << "C:\\WINDOWS\\VELTTEMP\\MYBUFFER" << true << "buffer";
    QTest::newRow("no fallback either: the home folder") << "" << false << "~";
}

void TestAlbumScan::startFolder()
{
    QFETCH(QString, stored);
    QFETCH(bool, fallbackExists);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("pics/2026")));
    const QString fallback = dir.filePath(QStringLiteral("buffer"));
    if (fallbackExists)
        QDir().mkpath(fallback);
    const QString path =
            stored.isEmpty() || QDir::isAbsolutePath(stored) || stored.contains(QLatin1Char('\\'))
            ? stored
            : dir.filePath(stored);
    const QString want = expected == QLatin1String("~") ? QDir::homePath() : dir.filePath(expected);
    QCOMPARE(albumStartFolder(path, fallback), want);
}

QTEST_GUILESS_MAIN(TestAlbumScan)
#include "tst_albumscan.moc"
