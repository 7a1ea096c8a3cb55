// Chromium SQL caches written with SQLite, read through the same extraction as the other
// formats: bodies in one or several blobs, long keys, replaced and doomed entries, media with
// gaps, rows cut or changed meanwhile, and shards a browser is writing at that moment.

#include "browser/cachefinder.h"
#include "browser/extraction.h"

#include "browser/cachebodies.h"
#include "browser/sqlbuilder.h"
#include "picture/picturefiles.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace velt;
using namespace cachebuilder;

namespace {

// Changes the written cache; what it returns (an open connection) is kept while VELT reads.
using Damage = std::function<std::shared_ptr<sqlite3>(const QString &dir)>;

SqlEntry entry(const QByteArray &url, const char *type, const QByteArray &body, int shard = 0)
{
    SqlEntry e;
    e.entry.key = "1/0/_dk_https://a.test https://a.test " + url;
    e.entry.head = {"HTTP/1.1 200 OK", QByteArray("Content-Type: ") + type,
                    "Content-Length: " + QByteArray::number(body.size())};
    e.entry.body = body;
    e.shard = shard;
    return e;
}

// The body in pieces of the given sizes, inserted last piece first.
SqlEntry split(SqlEntry e, QList<qint64> sizes)
{
    qint64 at = 0;
    for (const qint64 size : sizes) {
        e.blobs.prepend({at, e.entry.body.mid(at, size)});
        at += size;
    }
    return e;
}

std::shared_ptr<sqlite3> openShard(const QString &dir, int shard)
{
    return std::shared_ptr<sqlite3>(sqlOpenShard(dir, shard), sqlite3_close);
}

Damage run(int shard, const char *sql)
{
    return [shard, sql](const QString &dir) {
        sqlExec(openShard(dir, shard).get(), sql);
        return std::shared_ptr<sqlite3>();
    };
}

// Every file of the browser's folder with its content's hash.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files[file.fileName()] =
                    QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    return files;
}

} // namespace

Q_DECLARE_METATYPE(Damage)
Q_DECLARE_METATYPE(SqlEntry)

class TestSqlCache : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void read_data();
    void read();
    void foundWhereSimpleCachesAre();
};

void TestSqlCache::read_data()
{
    QTest::addColumn<QList<SqlEntry>>("entries");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QStringList>("urls"); // extracted
    QTest::addColumn<QByteArrayList>("bodies");
    QTest::addColumn<QStringList>("cut");

    const QByteArray p = picturefiles::encoded(picturefiles::pattern({40, 30}), "PNG");
    const QByteArray big = "\xFF\xD8\xFF\xE0" + QByteArray(3 * 1024 * 1024, 'j') + "\xFF\xD9";
    const QString photo = QStringLiteral("https://x.test/photo.png");
    const QString large = QStringLiteral("https://x.test/big.jpg");
    const auto pngAt = [&](const char *name, int shard = 0) {
        return entry(QByteArray("https://x.test/") + name, "image/png", p, shard);
    };
    const Damage none;

    QTest::newRow("shards, pages left out")
            << QList<SqlEntry>{pngAt("photo.png", 2),
                               entry("https://x.test/index.html", "text/html", "<html>")}
            << none << QStringList{photo} << QByteArrayList{p} << QStringList{};
    QTest::newRow("body in several blobs")
            << QList<SqlEntry>{split(entry("https://x.test/big.jpg", "image/jpeg", big, 1),
                                     {1, 1024 * 1024, big.size() - 1 - 1024 * 1024})}
            << none << QStringList{large} << QByteArrayList{big} << QStringList{};
    const QByteArray longUrl = "https://x.test/" + QByteArray(100 * 1024, 'a') + "/long.png";
    QTest::newRow("long key") << QList<SqlEntry>{entry(longUrl, "image/png", p)} << none
                              << QStringList{QString::fromLatin1(longUrl)} << QByteArrayList{p}
                              << QStringList{};

    SqlEntry doomed = pngAt("photo.png");
    doomed.doomed = true;
    SqlEntry older = entry("https://x.test/photo.png", "image/png", "\x89PNG old");
    QTest::newRow("doomed and replaced rows")
            << QList<SqlEntry>{doomed, older, pngAt("photo.png")} << none << QStringList{photo}
            << QByteArrayList{p} << QStringList{};

    // Media fetched by ranges: what runs on from offset 0, marked cut.
    const QByteArray w = wav(300 * 1024);
    SqlEntry media;
    media.entry.key = "https://x.test/t.wav";
    media.entry.head = {"HTTP/1.1 206 Partial Content",
                        "Content-Range: bytes 0-" + QByteArray::number(w.size() - 1) + "/"
                                + QByteArray::number(w.size())};
    media.blobs = {{0, w.left(4096)}, {4096, w.mid(4096, 65536)}, {200000, w.mid(200000, 9000)}};
    QTest::newRow("media with a gap")
            << QList<SqlEntry>{media} << none << QStringList{QStringLiteral("https://x.test/t.wav")}
            << QByteArrayList{w.left(4096 + 65536)} << QStringList{"https://x.test/t.wav"};

    SqlEntry truncated = entry("https://x.test/photo.png", "image/png", p.left(p.size() / 2));
    truncated.entry.head[2] = "Content-Length: " + QByteArray::number(p.size());
    truncated.entry.truncated = true;
    QTest::newRow("cut short by the browser")
            << QList<SqlEntry>{truncated} << none << QStringList{photo}
            << QByteArrayList{p.left(p.size() / 2)} << QStringList{photo};

    // Rows that do not agree are an entry being written or damaged: left out whole.
    SqlEntry shortBody = split(pngAt("a.png"), {100, p.size() - 100});
    shortBody.bodyEnd = p.size() + 500;
    QTest::newRow("blobs short of the body's end")
            << QList<SqlEntry>{shortBody, pngAt("photo.png")} << none << QStringList{photo}
            << QByteArrayList{p} << QStringList{};
    QTest::newRow("a blob missing")
            << QList<SqlEntry>{split(pngAt("a.png"), {40, 40, p.size() - 80}), pngAt("photo.png")}
            << run(0, "DELETE FROM blobs WHERE res_id=1 AND start=40") << QStringList{photo}
            << QByteArrayList{p} << QStringList{};
    QTest::newRow("blob changed after its checksum")
            << QList<SqlEntry>{pngAt("a.png"), pngAt("photo.png")}
            << run(0, "UPDATE blobs SET blob=zeroblob(length(blob)) WHERE res_id=1")
            << QStringList{photo} << QByteArrayList{p} << QStringList{};
    QTest::newRow("blob shorter than its range")
            << QList<SqlEntry>{pngAt("a.png"), pngAt("photo.png")}
            << run(0, "UPDATE blobs SET blob=substr(blob,1,10) WHERE res_id=1")
            << QStringList{photo} << QByteArrayList{p} << QStringList{};
    QTest::newRow("overlapping blobs")
            << QList<SqlEntry>{split(pngAt("a.png"), {40, p.size() - 40}), pngAt("photo.png")}
            << run(0, "UPDATE blobs SET start=20 WHERE start=40") << QStringList{photo}
            << QByteArrayList{p} << QStringList{};
    QTest::newRow("head changed after its checksum")
            << QList<SqlEntry>{pngAt("a.png"), pngAt("photo.png")}
            << run(0, "UPDATE resources SET check_sum=check_sum+1 WHERE res_id=1")
            << QStringList{photo} << QByteArrayList{p} << QStringList{};
    QTest::newRow("shard that is not a cache")
            << QList<SqlEntry>{pngAt("a.png", 1), pngAt("photo.png", 2)}
            << run(1, "DROP TABLE blobs; DROP TABLE resources") << QStringList{photo}
            << QByteArrayList{p} << QStringList{};

    // A browser in the middle of a transaction: its changes spilled into the database with
    // the old pages in the journal, its lock held. The copy reads as it was last committed.
    QTest::newRow("shard locked in a write")
            << QList<SqlEntry>{pngAt("photo.png")} << Damage([=](const QString &dir) {
                   const auto db = openShard(dir, 0);
                   sqlExec(db.get(), "PRAGMA cache_size=1; BEGIN EXCLUSIVE");
                   sqlExec(db.get(), "UPDATE blobs SET blob=zeroblob(length(blob))");
                   sqlInsert(db.get(), entry("https://x.test/big.jpg", "image/jpeg", big));
                   return db;
               })
            << QStringList{photo} << QByteArrayList{p} << QStringList{};
    // Committed into the write-ahead log only, not yet into the database.
    QTest::newRow("entries only in the log")
            << QList<SqlEntry>{pngAt("photo.png")} << Damage([=](const QString &dir) {
                   const auto db = openShard(dir, 1);
                   sqlExec(db.get(), "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0");
                   sqlInsert(db.get(), entry("https://x.test/big.jpg", "image/jpeg", big));
                   return db;
               })
            << QStringList{photo, large} << QByteArrayList{p, big} << QStringList{};
}

void TestSqlCache::read()
{
    QFETCH(QList<SqlEntry>, entries);
    QFETCH(Damage, damage);
    QFETCH(QStringList, urls);
    QFETCH(QByteArrayList, bodies);
    QFETCH(QStringList, cut);
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("Cache_Data"));
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    const QString scratch = dir.filePath(QStringLiteral("tmp"));
    QDir().mkpath(work);
    QDir().mkpath(scratch);
    QVERIFY(writeSqlCache(cache, entries));
    const std::shared_ptr<sqlite3> writer = damage ? damage(cache) : nullptr;
    const QMap<QString, QByteArray> before = snapshot(cache);

    const QList<BrowserCacheFolder> found = detectBrowserCaches(dir.path());
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().format, CacheFormat::Sql);
    SourceTable table;
    qputenv("TMPDIR", QFile::encodeName(scratch));
    const int written = extractCacheFolder(found.first(), work, table);
    qunsetenv("TMPDIR");
    QCOMPARE(written, int(urls.size()));

    QStringList gotUrls;
    QByteArrayList gotBodies;
    QStringList gotCut;
    for (const QString &name : QDir(work).entryList(QDir::Files)) {
        const auto facts = table.lookup(QDir(work).filePath(name));
        QVERIFY(facts);
        QFile file(QDir(work).filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        gotUrls << facts->url;
        gotBodies << file.readAll();
        if (facts->cut)
            gotCut << facts->url;
    }
    QCOMPARE(gotUrls.size(), urls.size());
    for (qsizetype i = 0; i < urls.size(); ++i) {
        const qsizetype at = gotUrls.indexOf(urls[i]);
        QVERIFY2(at >= 0, qPrintable(urls[i].left(80)));
        QVERIFY(gotBodies[at] == bodies[i]);
    }
    QCOMPARE(gotCut, cut);
    // The browser's files untouched, the private copies gone.
    QCOMPARE(snapshot(cache), before);
    QCOMPARE(QDir(scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void TestSqlCache::foundWhereSimpleCachesAre()
{
    QTemporaryDir home;
    const QString cache =
            home.filePath(QStringLiteral(".cache/google-chrome/Default/Cache/Cache_Data"));
    QVERIFY(writeSqlCache(cache, {entry("https://x.test/photo.png", "image/png", "\x89PNG")}));
    const QList<BrowserCacheFolder> found = findDesktopBrowserCaches(home.path(), QString());
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().format, CacheFormat::Sql);
    QCOMPARE(found.first().path, QFileInfo(cache).canonicalFilePath());
}

QTEST_GUILESS_MAIN(TestSqlCache)
#include "tst_sqlcache.moc"
