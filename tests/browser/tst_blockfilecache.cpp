// Chromium blockfile caches written byte by byte from the format, read through the same
// extraction as the other formats: bodies in blocks and f_ files, long keys, sparse media,
// and damaged chains, addresses and files.

#include "browser/cachefinder.h"
#include "browser/extraction.h"

#include "browser/blockfilebuilder.h"
#include "browser/cachebodies.h"
#include "picture/picturefiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace velt;
using namespace cachebuilder;

namespace {

using Build = std::function<void(BlockfileBuilder &)>;
using Damage = std::function<void(const QString &dir)>;

QList<QByteArray> ok200(const char *type, qint64 length)
{
    return {"HTTP/1.1 200 OK", QByteArray("Content-Type: ") + type,
            "Content-Length: " + QByteArray::number(length)};
}

BlockfileEntry entry(const QByteArray &url, const char *type, const QByteArray &body)
{
    BlockfileEntry e;
    e.key = "1/0/_dk_https://a.test https://a.test " + url;
    e.head = ok200(type, body.size());
    e.body = body;
    return e;
}

QByteArray png()
{
    return picturefiles::encoded(picturefiles::pattern({40, 30}), "PNG");
}

QByteArray jpeg(qsizetype length)
{
    return "\xFF\xD8\xFF\xE0" + QByteArray(length - 6, 'j') + "\xFF\xD9";
}

void truncateFile(const QString &path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.resize(size));
}

// Four bytes at offset, in place.
bool overwrite(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek(offset)
            && file.write(bytes) == bytes.size();
}

} // namespace

Q_DECLARE_METATYPE(Build)
Q_DECLARE_METATYPE(Damage)

class TestBlockfileCache : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void read_data();
    void read();
    void foundWhereSimpleCachesAre();
    void hostileFieldsNeverCrash_data();
    void hostileFieldsNeverCrash();
};

void TestBlockfileCache::read_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QStringList>("urls");      // extracted, in order
    QTest::addColumn<QByteArrayList>("bodies"); // the same order
    QTest::addColumn<QStringList>("cut");

    const QByteArray p = png();
    const QByteArray big = jpeg(600 * 1024);
    const QString photo = QStringLiteral("https://x.test/photo.png");
    const QString large = QStringLiteral("https://x.test/big.jpg");
    const Damage none;

    QTest::newRow("blocks, pages left out") << Build([=](BlockfileBuilder &b) {
        b.add(entry("https://x.test/photo.png", "image/png", p));
        b.add(entry("https://x.test/index.html", "text/html", "<html>"));
    }) << none << QStringList{photo} << QByteArrayList{p}
                                            << QStringList{};

    QTest::newRow("small body in an f_ file") << Build([=](BlockfileBuilder &b) {
        auto e = entry("https://x.test/photo.png", "image/png", p);
        e.bodyInFile = true;
        b.add(e);
    }) << none << QStringList{photo} << QByteArrayList{p}
                                              << QStringList{};

    QTest::newRow("large body in an f_ file") << Build([=](BlockfileBuilder &b) {
        b.add(entry("https://x.test/big.jpg", "image/jpeg", big));
    }) << none << QStringList{large} << QByteArrayList{big}
                                              << QStringList{};

    const QByteArray longUrl = "https://x.test/" + QByteArray(1500, 'a') + "/long.png";
    QTest::newRow("long key in blocks of its own")
            << Build([=](BlockfileBuilder &b) { b.add(entry(longUrl, "image/png", p)); }) << none
            << QStringList{QString::fromLatin1(longUrl)} << QByteArrayList{p} << QStringList{};

    // Media fetched by ranges: 1 MiB children, the last one ending inside a 1 KiB block.
    const QByteArray w = wav(2300 * 1024);
    const QByteArray range =
            "bytes 0-" + QByteArray::number(w.size() - 1) + "/" + QByteArray::number(w.size());
    auto sparse = [w, range](QList<int> children) {
        BlockfileEntry e;
        e.key = "https://x.test/t.wav";
        e.head = {"HTTP/1.1 206 Partial Content", "Content-Range: " + range};
        for (const int n : children)
            e.children.append({n, w.mid(n * 1024 * 1024, 1024 * 1024)});
        return e;
    };
    const QString media = QStringLiteral("https://x.test/t.wav");
    QTest::newRow("sparse media joined from offset 0") << Build([=](BlockfileBuilder &b) {
        b.add(sparse({2, 0, 1}));
    }) << none << QStringList{media} << QByteArrayList{w}
                                                       << QStringList{};
    QTest::newRow("sparse media with a missing child") << Build([=](BlockfileBuilder &b) {
        b.add(sparse({0, 2}));
    }) << none << QStringList{media} << QByteArrayList{w.left(1024 * 1024)}
                                                       << QStringList{media};

    QTest::newRow("cut short by the browser") << Build([=](BlockfileBuilder &b) {
        auto e = entry("https://x.test/photo.png", "image/png", p.left(p.size() / 2));
        e.head = ok200("image/png", p.size());
        e.truncated = true;
        b.add(e);
    }) << none << QStringList{photo} << QByteArrayList{p.left(p.size() / 2)}
                                              << QStringList{photo};

    QTest::newRow("f_ file shorter than its stream") << Build([=](BlockfileBuilder &b) {
        b.add(entry("https://x.test/big.jpg", "image/jpeg", big));
        b.add(entry("https://x.test/photo.png", "image/png", p));
    }) << Damage([](const QString &dir) {
        truncateFile(QDir(dir).filePath(QStringLiteral("f_000001")), 1000);
    }) << QStringList{photo} << QByteArrayList{p} << QStringList{};

    QTest::newRow("chains that loop and cross buckets") << Build([=](BlockfileBuilder &b) {
        const quint32 a = b.add(entry("https://x.test/big.jpg", "image/jpeg", big));
        const quint32 c = b.add(entry("https://x.test/photo.png", "image/png", p));
        b.setNext(c, c);
        b.setNext(a, c);
    }) << none << QStringList{large, photo} << QByteArrayList{big, p}
                                                        << QStringList{};

    QTest::newRow("chain broken by an address past the block file")
            << Build([=](BlockfileBuilder &b) {
                   const quint32 c = b.add(entry("https://x.test/photo.png", "image/png", p));
                   b.setNext(c, BlockfileBuilder::blockAddr(2, 1, 1, 60000));
               })
            << none << QStringList{photo} << QByteArrayList{p} << QStringList{};

    QTest::newRow("body address past the end") << Build([=](BlockfileBuilder &b) {
        const quint32 a = b.add(entry("https://x.test/a.png", "image/png", p));
        b.setStream(a, 1, BlockfileBuilder::blockAddr(4, 3, 4, 40000));
        b.add(entry("https://x.test/photo.png", "image/png", p));
    }) << none << QStringList{photo} << QByteArrayList{p}
                                               << QStringList{};

    QTest::newRow("body address into a file of other blocks") << Build([=](BlockfileBuilder &b) {
        const quint32 a = b.add(entry("https://x.test/a.png", "image/png", p));
        // The right blocks of data_2, named as 4 KiB blocks of data_2.
        const quint32 real = b.stream(a, 1);
        b.setStream(a, 1, (real & ~0x70000000u) | (4u << 28));
        b.add(entry("https://x.test/photo.png", "image/png", p));
    }) << none << QStringList{photo} << QByteArrayList{p} << QStringList{};

    QTest::newRow("block file cut inside a record") << Build([=](BlockfileBuilder &b) {
        b.add(entry("https://x.test/a.png", "image/png", p));
        b.add(entry("https://x.test/photo.png", "image/png", p));
    }) << Damage([](const QString &dir) {
        // The second record's blocks lie past the new end.
        truncateFile(QDir(dir).filePath(QStringLiteral("data_1")), 8192 + 256 + 100);
    }) << QStringList{} << QByteArrayList{} << QStringList{};
}

void TestBlockfileCache::read()
{
    QFETCH(Build, build);
    QFETCH(Damage, damage);
    QFETCH(QStringList, urls);
    QFETCH(QByteArrayList, bodies);
    QFETCH(QStringList, cut);
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("Cache_Data"));
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    QDir().mkpath(work);
    BlockfileBuilder builder;
    build(builder);
    builder.write(cache);
    if (damage)
        damage(cache);

    // Told by content, not by where it lies.
    const QList<BrowserCacheFolder> found = detectBrowserCaches(dir.path());
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().format, CacheFormat::Blockfile);

    SourceTable table;
    QCOMPARE(extractCacheFolder(found.first(), work, table), int(urls.size()));
    QStringList gotUrls;
    QByteArrayList gotBodies;
    QStringList gotCut;
    QStringList files = QDir(work).entryList(QDir::Files);
    for (const QString &name : std::as_const(files)) {
        const auto facts = table.lookup(QDir(work).filePath(name));
        QVERIFY(facts);
        QFile file(QDir(work).filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        gotUrls << facts->url;
        gotBodies << file.readAll();
        if (facts->cut)
            gotCut << facts->url;
    }
    // In the order given.
    QStringList order = urls;
    for (qsizetype i = 0; i < order.size(); ++i) {
        const qsizetype at = gotUrls.indexOf(order[i]);
        QVERIFY2(at >= 0, qPrintable(order[i].left(80)));
        QCOMPARE(gotBodies[at], bodies[i]);
    }
    QCOMPARE(gotUrls.size(), urls.size());
    gotCut.sort();
    cut.sort();
    QCOMPARE(gotCut, cut);
}

void TestBlockfileCache::foundWhereSimpleCachesAre()
{
    QTemporaryDir home;
    const QString cache =
            home.filePath(QStringLiteral(".cache/google-chrome/Default/Cache/Cache_Data"));
    BlockfileBuilder builder;
    builder.add(entry("https://x.test/photo.png", "image/png", png()));
    builder.write(cache);
    const QList<BrowserCacheFolder> found = findDesktopBrowserCaches(home.path(), QString());
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().format, CacheFormat::Blockfile);
    QCOMPARE(found.first().path, QFileInfo(cache).canonicalFilePath());
}

void TestBlockfileCache::hostileFieldsNeverCrash_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("from"); // each 32-bit word from here on is set in turn
    QTest::addColumn<qint64>("length");
    QTest::newRow("index header and first buckets") << "index" << qint64(0) << qint64(368 + 64);
    QTest::newRow("entry records and small streams") << "data_1" << qint64(8192) << qint64(2048);
    QTest::newRow("block file header") << "data_2" << qint64(0) << qint64(64);
}

// Every 32-bit word of a cache's records set to extreme values is read without a crash or a
// hang, lists each record at most once, and gives bodies only inside their files.
void TestBlockfileCache::hostileFieldsNeverCrash()
{
    QFETCH(QString, file);
    QFETCH(qint64, from);
    QFETCH(qint64, length);
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    BlockfileBuilder builder(16);
    builder.add(entry("https://x.test/photo.png", "image/png", png()));
    BlockfileEntry media;
    media.key = "https://x.test/t.wav";
    const QByteArray w = wav(3000);
    media.head = {"HTTP/1.1 206 Partial Content",
                  "Content-Range: bytes 0-" + QByteArray::number(w.size() - 1) + "/"
                          + QByteArray::number(w.size())};
    media.children = {{0, w}};
    builder.add(media);
    builder.write(cache);
    const QString path = QDir(cache).filePath(file);
    QFile original(path);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();
    const qint64 to = qMin<qint64>(bytes.size(), from + length);
    for (qint64 at = from; at + 4 <= to; at += 4) {
        for (const quint32 value : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0xA0010000u}) {
            QVERIFY(overwrite(path, at, le32(value)));
            const auto reader = openCacheFolder({CacheFormat::Blockfile, cache});
            const QStringList entries = reader->entries();
            QVERIFY(entries.size() <= 3); // the records there are, the child's included
            for (const QString &handle : entries) {
                const auto response = reader->read(handle);
                for (const BodyPiece &piece : response ? response->body : QList<BodyPiece>()) {
                    QVERIFY(piece.offset >= 0 && piece.length > 0);
                    QVERIFY(piece.offset + piece.length <= QFileInfo(piece.file).size());
                }
            }
        }
        QVERIFY(overwrite(path, at, bytes.mid(at, 4)));
    }
}

QTEST_GUILESS_MAIN(TestBlockfileCache)
#include "tst_blockfilecache.moc"
