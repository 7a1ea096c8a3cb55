// Cache entries of both browsers, built byte by byte, extracted into a working folder; the
// parts that read them (heads, codings, names, signatures, ends); finding caches; the collection
// with today's browsers; the check and --extract on what was extracted.

#include "app/mediatype.h"
#include "browser/bodycheck.h"
#include "browser/cachefinder.h"
#include "browser/decode.h"
#include "browser/extraction.h"
#include "browser/filename.h"
#include "browser/firefoxcache.h"
#include "browser/responseinfo.h"
#include "cache/browsercollection.h"
#include "cache/collection.h"
#include "cli/extractcommand.h"
#include "picture/imagecheck.h"
#include "picture/pictureloader.h"
#include "platform/language.h"
#include "platform/printable.h"

#include "browser/cachebodies.h"
#include "browser/cachebuilder.h"
#include "common/fakeregistry.h"
#include "common/scripteddialogs.h"
#include "picture/picturefiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace velt;
using namespace cachebuilder;

namespace {

const QByteArray kSvg("<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'>"
                      "<rect width='20' height='10' fill='red'/></svg>");

QByteArray png()
{
    return picturefiles::encoded(picturefiles::pattern({40, 30}), "PNG");
}

// One response as a server sent it and a browser cached it, written for either browser.
struct Served
{
    Served() = default;
    Served(const QByteArray &u, const QList<QByteArray> &h, const QByteArray &b, bool t = false,
           const QByteArray &side = {})
        : url(u), head(h), body(b), truncated(t), sideData(side)
    {
    }
    QByteArray url;
    QList<QByteArray> head;
    QByteArray body;
    bool truncated = false;
    QList<std::pair<qint64, QByteArray>> ranges;       // Chromium's sparse file
    QByteArray sideData;                               // Chromium's "_1" file
    QList<std::pair<QByteArray, QByteArray>> elements; // more Firefox elements
    QByteArray chromiumKey;                            // the key, when not the bare URL
    QByteArray firefoxKey;
};

const qint64 kFetchedMs = 1765000123000; // 2025-12-06 05:48:43 UTC

QString writeEntry(const QString &browser, const QString &dir, const Served &served)
{
    if (browser == QLatin1String("chromium")) {
        ChromiumEntry e;
        e.key = served.chromiumKey.isEmpty() ? "1/0/_dk_https://a.test https://a.test " + served.url
                                             : served.chromiumKey;
        e.head = served.head;
        e.body = served.body;
        e.truncated = served.truncated;
        e.ranges = served.ranges;
        e.sideData = served.sideData;
        e.responseTimeUnixMs = kFetchedMs;
        return writeChromiumEntry(dir, e);
    }
    FirefoxEntry e;
    e.key = served.firefoxKey.isEmpty() ? "a,:" + served.url : served.firefoxKey;
    e.head = served.head.join("\r\n") + "\r\n";
    e.body = served.body;
    e.elements = served.elements;
    e.lastModified = quint32(kFetchedMs / 1000);
    return writeFirefoxEntry(dir, e);
}

QList<QByteArray> ok200(const char *type, qint64 length)
{
    return {"HTTP/1.1 200 OK", QByteArray("Content-Type: ") + type,
            "Content-Length: " + QByteArray::number(length)};
}

BrowserCacheFolder folderOf(const QString &browser, const QString &dir)
{
    return {browser == QLatin1String("chromium") ? CacheFormat::Chromium : CacheFormat::Firefox,
            dir};
}

} // namespace

Q_DECLARE_METATYPE(Served)

class TestBrowserCache : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void extract_data();
    void extract();
    void hostileEntriesNeverCrash_data();
    void hostileEntriesNeverCrash();
    void collisionsNeverOverwrite();
    void decode_data();
    void decode();
    void naming_data();
    void naming();
    void httpHead();
    void partitionSites_data();
    void partitionSites();
    void signatures_data();
    void signatures();
    void formatEnds_data();
    void formatEnds();
    void findsCaches();
    void collectionWithTodaysBrowsers();
    void stopDuringExtraction();
    void longNamesListed_data();
    void longNamesListed();
    void skippedEntriesSaidOnce_data();
    void skippedEntriesSaidOnce();
    void checkAndExtractCommand();
    void svgSafety_data();
    void svgSafety();
};

void TestBrowserCache::extract_data()
{
    QTest::addColumn<QString>("browser");
    QTest::addColumn<Served>("served");
    QTest::addColumn<QString>("name"); // empty: no file; HASH: the entry's hash
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("cut");

    const QByteArray p = png();
    const QByteArray w = wav(3000);
    const QByteArray big = "\xFF\xD8\xFF\xE0" + QByteArray(600 * 1024, 'j') + "\xFF\xD9";
    for (const QString &browser : {QStringLiteral("chromium"), QStringLiteral("firefox")}) {
        auto row = [&](const char *name) {
            return &(QTest::newRow(qPrintable(browser + QLatin1Char(' ') + QLatin1String(name)))
                     << browser);
        };
        *row("valid") << Served{"https://x.test/img/photo.png?size=2#top",
                                ok200("image/png", p.size()), p}
                      << "photo.png" << p << false;
        *row("cut mid-body") << Served{"https://x.test/photo.png", ok200("image/png", p.size()),
                                       p.left(p.size() / 2)}
                             << "photo.png" << p.left(p.size() / 2) << true;
        *row("zero-length") << Served{"https://x.test/e.png", ok200("image/png", 0), {}}
                            << QString() << QByteArray() << false;
        *row("gzip body") << Served{"https://x.test/s.svg",
                                    ok200("image/svg+xml", gzip(kSvg).size())
                                            << "Content-Encoding: gzip",
                                    gzip(kSvg)}
                          << "s.svg" << kSvg << false;
        *row("br body") << Served{"https://x.test/s.svg",
                                  {"HTTP/1.1 200 OK", "Content-Encoding: br"},
                                  brotli(kSvg)}
                        << "s.svg" << kSvg << false;
        *row("zstd body") << Served{"https://x.test/s.svg",
                                    {"HTTP/1.1 200 OK", "Content-Encoding: zstd"},
                                    zstd(kSvg)}
                          << "s.svg" << kSvg << false;
        *row("gzip cut") << Served{"https://x.test/s.svg",
                                   {"HTTP/1.1 200 OK", "Content-Encoding: gzip"},
                                   gzip(kSvg).chopped(12)}
                         << "s.svg" << QByteArray() << true;
        *row("unknown coding") << Served{"https://x.test/s.svg",
                                         {"HTTP/1.1 200 OK", "Content-Encoding: compress"},
                                         kSvg}
                               << QString() << QByteArray() << false;
        *row("not a picture") << Served{"https://x.test/index.html", ok200("text/html", 6),
                                        "<html>"}
                              << QString() << QByteArray() << false;
        *row("error status") << Served{"https://x.test/p.png",
                                       {"HTTP/1.1 404 Not Found", "Content-Type: image/png"},
                                       p}
                             << QString() << QByteArray() << false;
        *row("signature beats type and name")
                << Served{"https://x.test/pic.jpeg", ok200("image/jpeg", p.size()), p} << "pic.png"
                << p << false;
        *row("type when no signature") << Served{"https://x.test/v",
                                                 {"HTTP/2 200", "content-type: video/webm"},
                                                 "\x01\x02\x03"}
                                       << "v.webm" << QByteArray("\x01\x02\x03") << false;
        *row("no usable segment") << Served{"https://x.test/", ok200("image/png", p.size()), p}
                                  << "HASH.png" << p << false;
        *row("large body") << Served{"https://x.test/big.jpg", ok200("image/jpeg", big.size()), big,
                                     false, "side data, not the body"}
                           << "big.jpg" << big << false;
        *row("mp4 cut inside a box")
                << Served{"https://x.test/m.mp4", {"HTTP/1.1 200 OK"}, mp4().left(300)} << "m.mp4"
                << mp4().left(300) << true;
        *row("206 whole") << Served{"https://x.test/t.wav",
                                    {"HTTP/1.1 206 Partial Content",
                                     "Content-Range: bytes 0-" + QByteArray::number(w.size() - 1)
                                             + "/" + QByteArray::number(w.size())},
                                    w}
                          << "t.wav" << w << false;
        *row("206 from the middle")
                << Served{"https://x.test/t.wav",
                          {"HTTP/1.1 206 Partial Content", "Content-Range: bytes 10-19/3044"},
                          w.mid(10, 10)}
                << QString() << QByteArray() << false;
    }
    Served partition{"https://cdn.test/p/pic.gif", ok200("image/gif", 0),
                     picturefiles::gif({3, 3})};
    partition.head[2] = "Content-Length: " + QByteArray::number(partition.body.size());
    partition.chromiumKey = "1/0/_dk_s_https://a.test https://b.test https://cdn.test/p/pic.gif";
    QTest::newRow("chromium partition-prefixed key")
            << "chromium" << partition << "pic.gif" << partition.body << false;
    partition.firefoxKey = "O^partitionKey=%28https%2Ca.test%29,,odd,a,:https://cdn.test/p/pic.gif";
    QTest::newRow("firefox partition-prefixed key")
            << "firefox" << partition << "pic.gif" << partition.body << false;

    Served truncated{"https://x.test/photo.png", ok200("image/png", p.size()), p, true};
    QTest::newRow("chromium truncation flag")
            << "chromium" << truncated << "photo.png" << p << true;

    const QByteArray range =
            "bytes 0-" + QByteArray::number(w.size() - 1) + "/" + QByteArray::number(w.size());
    Served sparse{"https://x.test/t.wav",
                  {"HTTP/1.1 206 Partial Content", "Content-Range: " + range},
                  {}};
    sparse.ranges = {{1000, w.mid(1000)}, {0, w.left(1000)}, {500, w.mid(500, 100)}};
    QTest::newRow("chromium sparse ranges out of order")
            << "chromium" << sparse << "t.wav" << w << false;
    sparse.ranges = {{0, w.left(1000)}, {1200, w.mid(1200)}};
    QTest::newRow("chromium sparse ranges with a gap")
            << "chromium" << sparse << "t.wav" << w.left(1000) << true;
    sparse.ranges = {{100, w.mid(100)}};
    QTest::newRow("chromium sparse without the start")
            << "chromium" << sparse << QString() << QByteArray() << false;

    Served alt{"https://x.test/photo.png", ok200("image/png", p.size()), p + "compiled code"};
    alt.elements = {{"alt-data", "1;" + QByteArray::number(p.size()) + ",javascript/moz-bytecode"}};
    QTest::newRow("firefox alternative data after the body")
            << "firefox" << alt << "photo.png" << p << false;
}

void TestBrowserCache::extract()
{
    QFETCH(QString, browser);
    QFETCH(Served, served);
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, cut);
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    QDir().mkpath(work);
    const QString entry = writeEntry(browser, cache, served);
    for (const QFileInfo &info : QDir(cache).entryInfoList(QDir::Files))
        QCOMPARE(::chmod(QFile::encodeName(info.filePath()).constData(), 0644), 0);

    SourceTable table;
    const int written = extractCacheFolder(folderOf(browser, cache), work, table);
    const QStringList files = QDir(work).entryList(QDir::Files);
    if (name.isEmpty()) {
        QCOMPARE(written, 0);
        QVERIFY2(files.isEmpty(), qPrintable(files.join(u' ')));
        return;
    }
    const QString hash = QFileInfo(entry).fileName().left(16);
    name.replace(QLatin1String("HASH"), hash);
    QCOMPARE(files, QStringList{name});
    QFile file(QDir(work).filePath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    if (!content.isEmpty())
        QCOMPARE(file.readAll(), content);
    const auto facts = table.lookup(file.fileName());
    QVERIFY(facts);
    QCOMPARE(facts->cut, cut);
    QVERIFY(facts->url.startsWith(QLatin1String("https://")));
    // Dated when the browser fetched it (Firefox keeps whole seconds).
    const qint64 expectedMs =
            browser == QLatin1String("chromium") ? kFetchedMs : kFetchedMs / 1000 * 1000;
    QCOMPARE(QFileInfo(file).lastModified().toMSecsSinceEpoch(), expectedMs);
    // The entry is readable by all; the copy only by its owner.
    struct stat info
    {
    };
    QCOMPARE(::stat(QFile::encodeName(file.fileName()).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 0777), 0600);
}

void TestBrowserCache::hostileEntriesNeverCrash_data()
{
    QTest::addColumn<QString>("browser");
    QTest::newRow("chromium") << "chromium";
    QTest::newRow("firefox") << "firefox";
}

// Every cut of a valid entry, and every 32-bit field of its frame set to extreme values, is read
// without a crash and gives at most a file whose bytes all came from the entry.
void TestBrowserCache::hostileEntriesNeverCrash()
{
    QFETCH(QString, browser);
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    const QString work = dir.filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    const QByteArray body = wav(400);
    Served served{"https://x.test/t.wav",
                  {"HTTP/1.1 206 Partial Content", "Content-Range: bytes 0-443/444"},
                  body};
    if (browser == QLatin1String("chromium"))
        served.ranges = {{0, body.left(200)}, {200, body.mid(200)}};
    const QString entry = writeEntry(browser, cache, served);
    const QString sparse = entry.left(entry.size() - 1) + QLatin1Char('s');
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray valid = file.readAll();
    file.close();
    QByteArray validSparse;
    if (QFile s(sparse); s.open(QIODevice::ReadOnly))
        validSparse = s.readAll();

    QList<QByteArray> variants;
    for (qsizetype n = 0; n < valid.size(); n += 7)
        variants << valid.left(n);
    for (qsizetype at = 0; at + 4 <= valid.size(); at += 4) {
        for (const quint32 value : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0u, 1000000u}) {
            QByteArray v = valid;
            v.replace(at, 4, le32(value));
            variants << v;
        }
    }
    int files = 0;
    for (const QByteArray &variant : std::as_const(variants)) {
        QVERIFY(writeFile(entry, variant));
        SourceTable table;
        files += extractCacheFolder(folderOf(browser, cache), work, table);
        for (const QString &name : QDir(work).entryList(QDir::Files))
            QVERIFY(QFile::remove(QDir(work).filePath(name)));
    }
    QVERIFY(files > 0); // some changes leave the entry readable
    if (validSparse.isEmpty())
        return;
    // The same for the sparse file, the _0 file intact.
    QVERIFY(writeFile(entry, valid));
    for (qsizetype at = 0; at + 8 <= validSparse.size(); at += 4) {
        QByteArray v = validSparse;
        v.replace(at, 8, le64(0x7FFFFFFFFFFFFFF0ULL));
        QVERIFY(writeFile(sparse, v));
        SourceTable table;
        extractCacheFolder(folderOf(browser, cache), work, table);
        for (const QString &name : QDir(work).entryList(QDir::Files))
            QVERIFY(QFile::remove(QDir(work).filePath(name)));
    }
    // A key of 1 MB: read, and the name stays short.
    ChromiumEntry huge;
    huge.key = "https://x.test/" + QByteArray(1024 * 1024, 'k') + ".png";
    huge.head = ok200("image/png", png().size());
    huge.body = png();
    writeChromiumEntry(cache, huge);
    SourceTable table;
    extractCacheFolder(folderOf(browser, cache), work, table);
    const QStringList names = QDir(work).entryList(QDir::Files);
    QVERIFY(!names.isEmpty());
    for (const QString &name : names)
        QVERIFY(name.size() <= kMaxCacheNameLength);
}

void TestBrowserCache::collisionsNeverOverwrite()
{
    QTemporaryDir dir;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    const QString work = dir.filePath(QStringLiteral("VeltTemp"));
    QDir().mkpath(work);
    // A file of the same name copied from another cache before.
    QVERIFY(writeFile(QDir(work).filePath(QStringLiteral("photo.png")), "from another cache"));
    const QByteArray p = png();
    for (const char *host : {"a", "b"}) {
        writeEntry(QStringLiteral("chromium"), cache,
                   Served{"https://" + QByteArray(host) + ".test/photo.png",
                          ok200("image/png", p.size()), p});
    }
    SourceTable table;
    QCOMPARE(extractCacheFolder(folderOf(QStringLiteral("chromium"), cache), work, table), 2);
    QCOMPARE(QDir(work).entryList(QDir::Files),
             (QStringList{"photo.png", "photo_2.png", "photo_3.png"}));
    QFile old(QDir(work).filePath(QStringLiteral("photo.png")));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("from another cache"));
    QVERIFY(!table.lookup(old.fileName()));
    QVERIFY(table.lookup(QDir(work).filePath(QStringLiteral("photo_3.png"))));
}

void TestBrowserCache::decode_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("codings");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("output");
    const QByteArray text = QByteArray("pictures, movies and sounds ").repeated(50);
    const int complete = int(DecodeStatus::Complete);
    QTest::newRow("gzip") << gzip(text) << QByteArray("gzip") << complete << text;
    QTest::newRow("x-gzip") << gzip(text) << QByteArray("x-gzip") << complete << text;
    QTest::newRow("deflate zlib") << gzip(text, 15) << QByteArray("deflate") << complete << text;
    QTest::newRow("deflate raw") << gzip(text, -15) << QByteArray("deflate") << complete << text;
    QTest::newRow("br") << brotli(text) << QByteArray("br") << complete << text;
    QTest::newRow("zstd") << zstd(text) << QByteArray("zstd") << complete << text;
    QTest::newRow("gzip then br") << brotli(gzip(text)) << QByteArray("gzip,br") << complete
                                  << text;
    QTest::newRow("gzip cut") << gzip(text).left(30) << QByteArray("gzip") << int(DecodeStatus::Cut)
                              << QByteArray();
    QTest::newRow("br cut") << brotli(text).left(10) << QByteArray("br") << int(DecodeStatus::Cut)
                            << QByteArray();
    QTest::newRow("zstd cut") << zstd(text).left(15) << QByteArray("zstd") << int(DecodeStatus::Cut)
                              << QByteArray();
    QTest::newRow("gzip garbage") << QByteArray("not gzip at all") << QByteArray("gzip")
                                  << int(DecodeStatus::Corrupt) << QByteArray();
    const QByteArray zeros(4 * 1024 * 1024, '\0');
    QTest::newRow("gzip bomb") << gzip(zeros) << QByteArray("gzip") << int(DecodeStatus::TooLarge)
                               << QByteArray();
    QTest::newRow("br bomb") << brotli(zeros) << QByteArray("br") << int(DecodeStatus::TooLarge)
                             << QByteArray();
    QTest::newRow("zstd bomb") << zstd(zeros) << QByteArray("zstd") << int(DecodeStatus::TooLarge)
                               << QByteArray();
    QTest::newRow("unknown") << text << QByteArray("compress") << int(DecodeStatus::Unsupported)
                             << QByteArray();
}

void TestBrowserCache::decode()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, codings);
    QFETCH(int, status);
    QFETCH(QByteArray, output);
    const DecodedBody body = decodeContent(input, codings.split(','), 1024 * 1024);
    QCOMPARE(int(body.status), status);
    if (!output.isEmpty())
        QCOMPARE(body.data, output);
    QVERIFY(body.data.size() <= 1024 * 1024);
}

void TestBrowserCache::naming_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "https://x.test/a/b/photo.jpg"
                           << "jpg"
                           << "photo.jpg";
    QTest::newRow("query and fragment") << "https://x.test/p.php?id=3/4#x/y"
                                        << "png"
                                        << "p.png";
    QTest::newRow("percent-encoded utf-8") << "https://x.test/%E5%86%99%E7%9C%9F.png"
                                           << "png"
                                           << "写真.png";
    QTest::newRow("encoded separators") << "https://x.test/a%2Fb%5Cc.gif"
                                        << "gif"
                                        << "a_b_c.gif";
    QTest::newRow("control characters") << "https://x.test/a%0Ab%09c%00.png"
                                        << "png"
                                        << "abc.png";
    QTest::newRow("bidi override") << "https://x.test/x%E2%80%AEgnp.exe"
                                   << "png"
                                   << "xgnp.png";
    QTest::newRow("leading dots") << "https://x.test/..%2F..%2F.hidden.png"
                                  << "png"
                                  << "_.._.hidden.png";
    QTest::newRow("only dots") << "https://x.test/..."
                               << "png"
                               << "0123456789abcdef.png";
    QTest::newRow("no path") << "https://x.test"
                             << "png"
                             << "0123456789abcdef.png";
    QTest::newRow("no segment") << "https://x.test/dir/"
                                << "webp"
                                << "0123456789abcdef.webp";
    QTest::newRow("long") << "https://x.test/" + QString(300, QLatin1Char('n')) + ".png"
                          << "png" << QString(96, QLatin1Char('n')) + ".png";
    QTest::newRow("long with surrogates")
            << "https://x.test/" + QString(49, QChar(0x3042)) + QString::fromUtf8("😀").repeated(40)
            << "mp4" << QString(49, QChar(0x3042)) + QString::fromUtf8("😀").repeated(23) + ".mp4";
    QTest::newRow("reserved characters") << "https://x.test/a:b*c%3F%22d%3Ce%3Ef%7Cg.png"
                                         << "png"
                                         << "a_b_c__d_e_f_g.png";
}

void TestBrowserCache::naming()
{
    QFETCH(QString, url);
    QFETCH(QString, extension);
    QFETCH(QString, name);
    const QString made = cacheFileName(url, extension, QStringLiteral("0123456789abcdef0123"));
    QCOMPARE(made, name);
    QVERIFY(made.size() <= kMaxCacheNameLength);
    QCOMPARE(suffixedName(QStringLiteral("a.b.png"), 2), QStringLiteral("a.b_2.png"));
    QCOMPARE(printableText(QStringLiteral("a\nb\x1b[31m\u2028")),
             QStringLiteral("a\\nb\\x1B[31m\\u2028"));
}

void TestBrowserCache::partitionSites_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("firefox");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("site");
    const auto row = [](const char *name, const char *key, bool firefox, const char *url,
                        const char *site) {
        QTest::newRow(name) << QByteArray(key) << firefox << QString::fromLatin1(url)
                            << QString::fromLatin1(site);
    };
    row("chromium bare url", "https://a.test/p.png", false, "https://a.test/p.png", "");
    row("chromium partitioned", "1/0/_dk_https://top.test https://frame.test https://a.test/p.png",
        false, "https://a.test/p.png", "https://top.test");
    row("chromium subframe document", "1/0/_dk_s_https://top.test https://f.test https://a.test/x",
        false, "https://a.test/x", "https://top.test");
    row("chromium cut key", "1/0/_dk_https://top.test", false, "1/0/_dk_https://top.test", "");
    row("firefox plain", "a,:https://a.test/p.png", true, "https://a.test/p.png", "");
    row("firefox partition", "O^partitionKey=%28https%2Ctop.test%29,a,:https://a.test/p.png", true,
        "https://a.test/p.png", "https://top.test");
    row("firefox partition with port",
        "O^partitionKey=%28http%2Ctop.test%2C8080%29,:https://a.test/p.png", true,
        "https://a.test/p.png", "http://top.test:8080");
    row("firefox foreign ancestor",
        "O^partitionKey=%28https%2Ctop.test%2C~%29,:https://a.test/p.png", true,
        "https://a.test/p.png", "https://top.test");
    row("firefox first party", "O^firstPartyDomain=top.test&privateBrowsingId=1,:https://a.test/",
        true, "https://a.test/", "top.test");
    row("firefox comma in a tag", "O^partitionKey=%28https%2Ctop.test%29,,x,:https://a.test/", true,
        "https://a.test/", "");
}

// The top-frame site a cache partitioned an entry under, read from its key.
void TestBrowserCache::partitionSites()
{
    QFETCH(QByteArray, key);
    QFETCH(bool, firefox);
    QFETCH(QString, url);
    QFETCH(QString, site);
    QCOMPARE(firefox ? urlFromFirefoxKey(key) : urlFromChromiumKey(key), url);
    QCOMPARE(firefox ? siteFromFirefoxKey(key) : siteFromChromiumKey(key), site);
}

void TestBrowserCache::httpHead()
{
    const HttpHead chromium = parseHttpHead(chromiumHead(
            {"HTTP/1.1 206 Partial Content", "content-type: image/png", "Content-Length:  12 ",
             "Content-Encoding: gzip, identity", "content-encoding: br", "garbage line"}));
    QCOMPARE(chromium.status, 206);
    QCOMPARE(chromium.value("content-type"), QByteArray("image/png"));
    QCOMPARE(chromium.contentLength(), std::optional<qint64>(12));
    QCOMPARE(chromium.contentEncodings(), (QByteArrayList{"gzip", "br"}));
    const HttpHead firefox = parseHttpHead("HTTP/2 200 \r\nContent-Length: -5\r\nX: a:b\r\n");
    QCOMPARE(firefox.status, 200);
    QCOMPARE(firefox.contentLength(), std::nullopt);
    QCOMPARE(firefox.value("x"), QByteArray("a:b"));
    QCOMPARE(parseHttpHead("Content-Type: image/png\r\n").status, 0);
    QCOMPARE(parseHttpHead("HTTP/1.1 2000 Odd\r\n").status, 0);
    QCOMPARE(parseHttpHead(QByteArrayView("HTTP/1.1 20", 11)).status, 0);

    const auto range = parseContentRange("bytes 0-99/1000");
    QVERIFY(range && range->first == 0 && range->last == 99 && range->total == 1000);
    QCOMPARE(parseContentRange("bytes 5-9/*")->total, -1);
    for (const char *bad : {"bytes 9-5/10", "bytes 0-9/5", "items 0-1/2", "bytes -1/2",
                            "bytes 0-99999999999999999999/1", ""})
        QVERIFY2(!parseContentRange(bad), bad);
}

void TestBrowserCache::signatures_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QString>("extension");
    QTest::newRow("jpeg") << QByteArray("\xFF\xD8\xFF\xE0") << "jpg";
    QTest::newRow("png") << png().left(16) << "png";
    QTest::newRow("gif") << QByteArray("GIF89a") << "gif";
    QTest::newRow("webp") << QByteArray("RIFF\0\0\0\0WEBPVP8 ", 16) << "webp";
    QTest::newRow("avif") << isoBox("ftyp", "avif" + le32(0) + "mif1") << "avif";
    QTest::newRow("heic is none") << isoBox("ftyp", "heic" + le32(0) + "mif1") << "";
    QTest::newRow("mp4") << isoBox("ftyp", "isom" + le32(0) + "mp41") << "mp4";
    QTest::newRow("m4a") << isoBox("ftyp", "M4A " + le32(0)) << "m4a";
    QTest::newRow("webm") << QByteArray("\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01\x42\x82\x84webm")
                          << "webm";
    QTest::newRow("ogg opus") << QByteArray("OggS") + QByteArray(24, '\0') + "OpusHead"
                              << "opus";
    QTest::newRow("ogg") << QByteArray("OggS") + QByteArray(24, '\0') + "\x01vorbis"
                         << "ogg";
    QTest::newRow("flac") << QByteArray("fLaC") << "flac";
    QTest::newRow("mp3 id3") << QByteArray("ID3\x04") << "mp3";
    QTest::newRow("mp3 frame") << QByteArray("\xFF\xFB\x90\x64") << "mp3";
    QTest::newRow("aac adts") << QByteArray("\xFF\xF1\x50\x80") << "aac";
    QTest::newRow("bad frame") << QByteArray("\xFF\xFB\xF0\x64") << "";
    QTest::newRow("wav") << wav(1).left(16) << "wav";
    QTest::newRow("svg") << QByteArray(
            "\xEF\xBB\xBF<?xml version='1.0'?><!-- c --><!DOCTYPE svg><svg xmlns='x'>")
                         << "svg";
    QTest::newRow("html is no svg") << QByteArray("<html><svg></svg></html>") << "";
    QTest::newRow("text") << QByteArray("hello") << "";
    QTest::newRow("empty") << QByteArray() << "";
}

void TestBrowserCache::signatures()
{
    QFETCH(QByteArray, head);
    QFETCH(QString, extension);
    QCOMPARE(formatFromSignature(head).extension, extension);
}

void TestBrowserCache::formatEnds_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("intact");
    const QByteArray p = png();
    QTest::newRow("png") << p << "png" << true;
    QTest::newRow("png cut") << p.chopped(1) << "png" << false;
    QTest::newRow("jpeg") << QByteArray("\xFF\xD8\xFF\xE0xx\xFF\xD9") << "jpg" << true;
    QTest::newRow("jpeg padded") << QByteArray("\xFF\xD8\xFF\xE0xx\xFF\xD9\0\0\r\n", 12) << "jpg"
                                 << true;
    QTest::newRow("jpeg cut") << QByteArray("\xFF\xD8\xFF\xE0xxxx") << "jpg" << false;
    QTest::newRow("gif") << picturefiles::gif({2, 2}) << "gif" << true;
    QTest::newRow("gif cut") << picturefiles::gif({2, 2}).chopped(1) << "gif" << false;
    const QByteArray webp = "RIFF" + le32(8) + "WEBPVP8 ";
    QTest::newRow("webp") << webp << "webp" << true;
    QTest::newRow("webp cut") << webp.chopped(2) << "webp" << false;
    QTest::newRow("wav cut") << wav(100).chopped(1) << "wav" << false;
    QTest::newRow("mp4") << mp4() << "mp4" << true;
    QTest::newRow("mp4 cut") << mp4().chopped(1) << "mp4" << false;
    QTest::newRow("mp4 box of size 7") << QByteArray("\0\0\0\x07ftyp", 8) << "mp4" << false;
    QTest::newRow("mp4 large size past the end")
            << QByteArray("\0\0\0\x01mdat\x7F\0\0\0\0\0\0\0", 16) << "mp4" << false;
    QTest::newRow("ogg has no checkable end") << QByteArray("OggS") << "ogg" << true;
}

void TestBrowserCache::formatEnds()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, extension);
    QFETCH(bool, intact);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    QVERIFY(writeFile(path, content));
    QCOMPARE(formatEndIntact(path, extension), intact);
}

// Caches are told by content, in the places each browser keeps them, under XDG_CACHE_HOME when
// it is set; links are never followed, so a link loop ends.
void TestBrowserCache::findsCaches()
{
    QTemporaryDir dir;
    const QString home = dir.filePath(QStringLiteral("home"));
    const Served served{"https://x.test/p.png", ok200("image/png", png().size()), png()};
    const QString chrome = home + QStringLiteral("/.cache/google-chrome/Default/Cache/Cache_Data");
    const QString brave =
            home + QStringLiteral("/.cache/BraveSoftware/Brave-Browser/Profile 1/Cache/Cache_Data");
    const QString older = home + QStringLiteral("/.cache/chromium/Default/Cache");
    const QString firefox =
            home + QStringLiteral("/.cache/mozilla/firefox/ab12.default-release/cache2/entries");
    const QString snap =
            home
            + QStringLiteral(
                    "/snap/firefox/common/.cache/mozilla/firefox/x.default/cache2/entries");
    const QString flatpak =
            home
            + QStringLiteral(
                    "/.var/app/com.google.Chrome/cache/google-chrome/Default/Cache/Cache_Data");
    const QString xdg = dir.filePath(QStringLiteral("xdg"));
    const QString vivaldi = xdg + QStringLiteral("/vivaldi/Default/Cache/Cache_Data");
    for (const QString &folder : {chrome, brave, older, flatpak, vivaldi})
        writeEntry(QStringLiteral("chromium"), folder, served);
    for (const QString &folder : {firefox, snap})
        writeEntry(QStringLiteral("firefox"), folder, served);
    // Look-alikes: the right names, other content.
    QVERIFY(writeFile(
            home
                    + QStringLiteral(
                            "/.cache/microsoft-edge/Default/Cache/Cache_Data/0123456789abcdef_0"),
            "not an entry"));
    QVERIFY(writeFile(home + QStringLiteral("/.cache/mozilla/firefox/zz/cache2/entries/")
                              + firefoxName("k"),
                      "nor this"));
    QVERIFY(QFile::link(home + QStringLiteral("/.cache"), home + QStringLiteral("/.cache/loop")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("b")), dir.filePath(QStringLiteral("a"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("b"))));

    auto paths = [](const QList<BrowserCacheFolder> &caches) {
        QStringList list;
        for (const BrowserCacheFolder &c : caches)
            list << (c.format == CacheFormat::Firefox ? QStringLiteral("F ") : QStringLiteral("C "))
                            + c.path;
        list.sort();
        return list;
    };
    QStringList expected{"F " + firefox, "F " + snap,  "C " + chrome,
                         "C " + brave,   "C " + older, "C " + flatpak};
    expected.sort();
    QCOMPARE(paths(findDesktopBrowserCaches(home, QString())), expected);
    // XDG_CACHE_HOME replaces ~/.cache; snap and flatpak stay where they are.
    QStringList withXdg{"F " + snap, "C " + flatpak, "C " + vivaldi};
    withXdg.sort();
    QCOMPARE(paths(findDesktopBrowserCaches(home, xdg)), withXdg);
    QCOMPARE(paths(findDesktopBrowserCaches(home, QStringLiteral("relative/xdg"))), expected);

    // A folder named on the command line: found at its own level or below.
    QCOMPARE(paths(detectBrowserCaches(home + QStringLiteral("/.cache/google-chrome"))),
             QStringList{"C " + chrome});
    QCOMPARE(paths(detectBrowserCaches(
                     home + QStringLiteral("/.cache/mozilla/firefox/ab12.default-release"))),
             QStringList{"F " + firefox});
    QCOMPARE(detectBrowserCaches(dir.filePath(QStringLiteral("a"))).size(), 0);
    QCOMPARE(detectBrowserCaches(dir.filePath(QStringLiteral("missing"))).size(), 0);
}

namespace {

class QuietHost : public CollectionHost
{
public:
    explicit QuietHost(MdlVELT &state) : m_state(state) { }
    QStringList labels;
    int yields = 0;
    int asks = 0;
    std::function<void(int)> onYield;
    void showSplash() override { m_state.StopLoad = false; }
    void closeSplash() override { }
    void setProgress(int) override { }
    void setLoadLabel(const QString &text) override { labels << text; }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void waitOneTick() override { }
    int AskStop() override
    {
        ++asks;
        return kAnswerYes;
    }
    void setCounters(int, int) override { }
    void disableNavigation() override { }
    void setOpenDialogInitDir(const QString &) override { }

private:
    MdlVELT &m_state;
};

struct Collection
{
    QTemporaryDir dir;
    FakeRegistry registry;
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    QuietHost host{state};
    DriveMap drives;
    ExtTable ext = ExtTable::standard();
    QString cache;
    ExtractBudget::Clock clock;

    Collection()
    {
        const QString windows = dir.filePath(QStringLiteral("WINDOWS"));
        QDir().mkpath(windows);
        registry.setString(kHKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
                           QStringLiteral("SystemRoot"), windows);
        settings.applyDefaults(QString());
        cache = dir.filePath(QStringLiteral("chromium"));
    }
    void run()
    {
        CollectionContext ctx{state,  settings, ext,  registry,
                              drives, dialogs,  host, QDate(2026, 12, 7)};
        ctx.clock = clock;
        GetICPath(ctx);
    }
};

} // namespace

void TestBrowserCache::collectionWithTodaysBrowsers()
{
    {
        // Without today's browsers nothing changes: the table as filled, no label, no table file.
        Collection c;
        c.run();
        QVERIFY(!c.ext.hasTodaysTypes());
        QVERIFY(!c.host.labels.contains(QString::fromUtf8(kLabelSearchingBrowsers)));
        QVERIFY(!QFileInfo::exists(c.state.WorkDir + QLatin1Char('/') + SourceTable::kFileName));
    }
    Collection c;
    const QByteArray p = png();
    writeEntry(QStringLiteral("chromium"), c.cache,
               Served{"https://x.test/photo.png", ok200("image/png", p.size()), p});
    writeEntry(QStringLiteral("chromium"), c.cache,
               Served{"https://x.test/ad.gif", ok200("image/gif", 0), picturefiles::gif({2, 2})});
    writeEntry(QStringLiteral("chromium"), c.cache,
               Served{"https://x.test/clip.mp4", {"HTTP/1.1 200 OK"}, mp4()});
    c.state.BrowserCacheDirs = {c.cache};
    c.run();
    QVERIFY(c.ext.hasTodaysTypes());
    QCOMPARE(c.state.ListFile.mid(1, c.state.ListCount), QStringList{"photo.png"});
    QCOMPARE(c.state.GifFile.mid(1, c.state.GifCount), QStringList{"ad.gif"});
    QVERIFY(c.ext.SerchDoExp(QStringLiteral("clip.mp4")));
    QCOMPARE(c.state.Sources.size(), 3);
    QVERIFY(c.host.labels.contains(QString::fromUtf8(kLabelSearchingBrowsers)));
    // Saved beside the files, so a later --check finds what the window knew.
    const SourceTable saved = SourceTable::load(c.state.WorkDir);
    const auto facts = saved.lookup(c.state.WorkDir + QStringLiteral("/photo.png"));
    QVERIFY(facts);
    QCOMPARE(facts->url, QStringLiteral("https://x.test/photo.png"));
    QCOMPARE(facts->contentLength, qint64(p.size()));
}

void TestBrowserCache::stopDuringExtraction()
{
    Collection c;
    const QByteArray p = png();
    for (int i = 0; i < 10; ++i)
        writeEntry(QStringLiteral("chromium"), c.cache,
                   Served{"https://x.test/p" + QByteArray::number(i) + ".png",
                          ok200("image/png", p.size()), p});
    c.state.BrowserCacheDirs = {c.cache};
    // The stop button is pressed while the third file is written.
    c.host.onYield = [&c](int) {
        if (c.state.Sources.size() == 3)
            c.state.StopLoad = true;
    };
    c.run();
    QCOMPARE(c.host.asks, 1);
    QCOMPARE(c.state.Sources.size(), 3);
    QCOMPARE(c.state.ListCount, 3); // what was written by then is still listed
}

void TestBrowserCache::longNamesListed_data()
{
    QTest::addColumn<QByteArray>("segment"); // the URL's last segment, percent-encoded
    QTest::addColumn<int>("copies");
    QTest::newRow("84 kana") << QString(84, QChar(0x30A2)).toUtf8().toPercentEncoding() + ".png"
                             << 2;
    QTest::newRow("100 %FF") << QByteArray("%FF").repeated(100) + ".png" << 2;
    QTest::newRow("300 ASCII") << QByteArray(300, 'n') + ".png" << 3;
}

// A picture whose name from its URL is longer than a file system takes is listed under a
// shortened name, each copy under its own, and nothing is said about it.
void TestBrowserCache::longNamesListed()
{
    QFETCH(QByteArray, segment);
    QFETCH(int, copies);
    Collection c;
    const QByteArray p = png();
    for (int i = 0; i < copies; ++i)
        writeEntry(QStringLiteral("chromium"), c.cache,
                   Served{"https://h" + QByteArray::number(i) + ".test/" + segment,
                          ok200("image/png", p.size()), p});
    c.state.BrowserCacheDirs = {c.cache};
    c.run();
    QCOMPARE(c.state.ListCount, copies);
    QVERIFY(c.dialogs.messages.isEmpty());
    for (const QString &name : c.state.ListFile.mid(1, copies)) {
        QVERIFY(name.endsWith(QLatin1String(".png")));
        QVERIFY(name.toUtf8().size() <= kMaxFileNameBytes);
    }
}

void TestBrowserCache::skippedEntriesSaidOnce_data()
{
    QTest::addColumn<int>("bombs");             // bodies decoding past what a small cache may
    QTest::addColumn<qint64>("msPerClockRead"); // 0: the clock stands
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("listed");
    QTest::newRow("bombs past the decoded budget") << 2 << qint64(0) << 2 << 1;
    QTest::newRow("every entry past its time") << 1 << qint64(10000) << 2 << 0;
}

// Entries skipped for the budget are said in one message with their number, and the collection
// does not claim the cache held nothing.
void TestBrowserCache::skippedEntriesSaidOnce()
{
    QFETCH(int, bombs);
    QFETCH(qint64, msPerClockRead);
    QFETCH(int, skipped);
    QFETCH(int, listed);
    Collection c;
    const QByteArray p = png();
    writeEntry(QStringLiteral("chromium"), c.cache,
               Served{"https://x.test/photo.png", ok200("image/png", p.size()), p});
    QByteArray plain = p.left(16);
    plain.append(QByteArray(9 * 1024 * 1024, '\0'));
    const QByteArray bomb = gzip(plain);
    for (int i = 0; i < bombs; ++i)
        writeEntry(QStringLiteral("chromium"), c.cache,
                   Served{"https://x.test/b" + QByteArray::number(i) + ".png",
                          {"HTTP/1.1 200 OK", "Content-Type: image/png", "Content-Encoding: gzip"},
                          bomb});
    c.state.BrowserCacheDirs = {c.cache};
    qint64 now = 0;
    c.clock = [&now, msPerClockRead] {
        return now += msPerClockRead;
    };
    c.run();
    QCOMPARE(c.state.ListCount, listed);
    QStringList texts;
    for (const auto &message : std::as_const(c.dialogs.messages))
        texts << message.text;
    QCOMPARE(texts, QStringList{messageText(kMsgOverBudget).arg(skipped)});
}

void TestBrowserCache::checkAndExtractCommand()
{
    Collection c;
    const QByteArray p = png();
    writeEntry(QStringLiteral("chromium"), c.cache,
               Served{"https://x.test/cut.png", ok200("image/png", p.size()), p.left(50)});
    writeEntry(QStringLiteral("chromium"), c.cache,
               Served{"https://x.test/whole.png", ok200("image/png", p.size()), p});
    writeEntry(QStringLiteral("chromium"), c.cache,
               Served{"https://x.test/t%0A.wav", {"HTTP/1.1 200 OK"}, wav(10)});
    c.state.BrowserCacheDirs = {c.cache};
    const QString dest = c.dir.filePath(QStringLiteral("out/new"));
    QVERIFY(writeFile(dest + QStringLiteral("/whole.png"), "the user's own file"));
    QString lines;
    QString errors;
    QTextStream out(&lines);
    QTextStream err(&errors);
    CollectionContext ctx{c.state,  c.settings, c.ext,  c.registry,
                          c.drives, c.dialogs,  c.host, QDate(2026, 12, 7)};
    QCOMPARE(runExtractCommand(ctx, dest, out, err), 0);
    QCOMPARE(lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             (QStringList{"bad\tcut.png\thttps://x.test/cut.png",
                          "ok\twhole_2.png\thttps://x.test/whole.png",
                          "ok\tt.wav\thttps://x.test/t%0A.wav"}));
    QCOMPARE(errors, QString());
    QFile own(dest + QStringLiteral("/whole.png"));
    QVERIFY(own.open(QIODevice::ReadOnly));
    QCOMPARE(own.readAll(), QByteArray("the user's own file"));
    QCOMPARE(QFileInfo(dest + QStringLiteral("/whole_2.png")).lastModified().toMSecsSinceEpoch(),
             kFetchedMs);

    // The picture window's check: the cut one with its own format's headline; once the file is
    // changed, the facts no longer apply and the three-byte tests decide.
    Collection d;
    writeEntry(QStringLiteral("chromium"), d.cache,
               Served{"https://x.test/cut.png", ok200("image/png", p.size()), p.left(50)});
    d.state.BrowserCacheDirs = {d.cache};
    d.run();
    const QString cut = d.state.WorkDir + QStringLiteral("/cut.png");
    const CheckOutcome outcome = checkImageFile(cut, d.state.Sources);
    QCOMPARE(outcome.result, CheckResult::PngDamaged);
    QCOMPARE(checkReportHeadline(outcome.result),
             QStringLiteral("<Pngフォーマット> 画像データが不正ですので読み込みを中止します。"));
    QCOMPARE(PictureCheck(cut, d.state.Sources), std::optional<bool>(false));
    QFile file(cut);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime(QDate(2026, 1, 1), QTime(1, 0)),
                             QFileDevice::FileModificationTime));
    file.close();
    QCOMPARE(checkImageFile(cut, d.state.Sources).result, CheckResult::Passes);
}

void TestBrowserCache::svgSafety_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<QSize>("size"); // empty: refused
    const QByteArray open("<svg xmlns='http://www.w3.org/2000/svg' "
                          "xmlns:xlink='http://www.w3.org/1999/xlink' width='20' height='10'>");
    QTest::newRow("plain") << "a.svg" << open + "<rect width='5' height='5'/></svg>"
                           << QSize(20, 10);
    QTest::newRow("inner reference")
            << "a.svg"
            << open + "<defs><rect id='r' width='5' height='5'/></defs><use xlink:href='#r'/></svg>"
            << QSize(20, 10);
    QTest::newRow("outside picture")
            << "a.svg"
            << open + "<image xlink:href='file:///etc/passwd' width='5' height='5'/></svg>"
            << QSize();
    QTest::newRow("outside picture, href")
            << "a.svg" << open + "<image href='/dev/zero' width='5' height='5'/></svg>" << QSize();
    QTest::newRow("outside style")
            << "a.svg"
            << open + "<rect style=\"fill:url('http://x.test/p#a')\" width='5' height='5'/></svg>"
            << QSize();
    QTest::newRow("style import") << "a.svg" << open + "<style>@import 'x.css';</style></svg>"
                                  << QSize();
    QTest::newRow("entities")
            << "a.svg"
            << QByteArray("<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY a 'aaaaaaaa'>]>") + open
                    + "<text>&a;</text></svg>"
            << QSize();
    QTest::newRow("too deep") << "a.svg"
                              << open + QByteArray("<g>").repeated(300)
                    + QByteArray("</g>").repeated(300) + "</svg>"
                              << QSize();
    QTest::newRow("huge drawing size")
            << "a.svg"
            << QByteArray(
                       "<svg xmlns='http://www.w3.org/2000/svg' width='1000000' height='500000'/>")
            << QSize(4096, 2048);
    QTest::newRow("no size") << "a.svg" << QByteArray("<svg xmlns='http://www.w3.org/2000/svg'/>")
                             << QSize(300, 150);
    QTest::newRow("not named svg") << "a.jpg" << open + "</svg>" << QSize();
}

void TestBrowserCache::svgSafety()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, svg);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(writeFile(path, svg));
    const LoadedPicture picture = loadPicture(path, MetafileHelper{});
    QCOMPARE(picture.ok(), !size.isEmpty());
    if (picture.ok())
        QCOMPARE(picture.image.size(), size);
}

QTEST_MAIN(TestBrowserCache)
#include "tst_browsercache.moc"
