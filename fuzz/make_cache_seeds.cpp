// Writes the seed corpus of the cache targets: small valid entries of both browsers,
// built byte by byte as the tests build them, with plain, gzip, brotli and zstd bodies, a range
// response, a sparse file with overlapping ranges and one with a gap.
// Usage: make_cache_seeds FUZZ_DIR   (the repository's fuzz/; pictures come from corpus/picture)

#include "fuzzcache.h"

#include "browser/blockfilebuilder.h"
#include "browser/cachebodies.h"
#include "browser/sqlbuilder.h"

#include <QTemporaryDir>

#include <cstdio>

using namespace cachebuilder;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return f.readAll();
}

void writeSeed(const QString &path, const QByteArray &bytes)
{
    if (!writeFile(path, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

QList<QByteArray> head(const QByteArray &status, const QList<QByteArray> &fields)
{
    return QList<QByteArray>{status} + fields;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_cache_seeds FUZZ_DIR\n");
        return 2;
    }
    const QDir fuzzDir(QFile::decodeName(argv[1]));
    const QString pictures = fuzzDir.filePath(QStringLiteral("corpus/picture"));
    const QByteArray png = readAll(pictures + QStringLiteral("/a.png"));
    const QByteArray jpeg = readAll(pictures + QStringLiteral("/a.jpg"));
    const QByteArray gif = readAll(pictures + QStringLiteral("/a.gif"));
    const QByteArray sound = wav(300);
    const QByteArray movie = mp4(200);
    const QByteArray svg("<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'>"
                         "<rect width='20' height='10' fill='red'/></svg>");
    // Decodes past the targets' 1 MiB limit: a bomb.
    const QByteArray zeros(2 * 1024 * 1024, '\0');
    // A body that decodes to 64 MiB from a few kilobytes: past any budget a small cache has.
    const QByteArray hugeZeros(64 * 1024 * 1024, '\0');
    // Last URL segments of 252 and 300 bytes once decoded: past what a file system takes.
    const QByteArray kanaSegment = QString(84, QChar(0x30A2)).toUtf8().toPercentEncoding();
    const QByteArray ffSegment = QByteArray("%FF").repeated(100);
    const auto length = [](const QByteArray &b) {
        return "Content-Length: " + QByteArray::number(b.size());
    };

    QTemporaryDir temp;
    const QDir firefoxOut(fuzzDir.filePath(QStringLiteral("corpus/firefox_entry")));
    const QDir chromiumOut(fuzzDir.filePath(QStringLiteral("corpus/chromium_entry")));
    QDir().mkpath(firefoxOut.path());
    QDir().mkpath(chromiumOut.path());

    struct FirefoxSeed
    {
        const char *name;
        FirefoxEntry entry;
    };
    const auto ff = [](const char *key, const QList<QByteArray> &lines, const QByteArray &body) {
        FirefoxEntry e;
        e.key = key;
        e.head = lines.join("\r\n") + "\r\n";
        e.body = body;
        return e;
    };
    QList<FirefoxSeed> firefox{
            {"png",
             ff("a,:https://a.test/p.png",
                head("HTTP/1.1 200 OK", {"Content-Type: image/png", length(png)}), png)},
            {"gzip-jpeg",
             ff("O^partitionKey=%28https%2Ca.test%29,a,:https://a.test/photo.jpg?x=1",
                head("HTTP/2 200", {"Content-Type: image/jpeg", "Content-Encoding: gzip"}),
                gzip(jpeg))},
            {"br-gif",
             ff("a,:https://b.test/anim.gif",
                head("HTTP/1.1 200 OK", {"content-type: image/gif", "content-encoding: br"}),
                brotli(gif))},
            {"zstd-svg",
             ff(":https://c.test/logo",
                head("HTTP/1.1 200 OK",
                     {"Content-Type: image/svg+xml", "Content-Encoding: gzip, zstd"}),
                zstd(gzip(svg)))},
            {"range-wav",
             ff("a,:https://d.test/s.wav",
                head("HTTP/1.1 206 Partial Content",
                     {"Content-Range: bytes 0-99/" + QByteArray::number(sound.size())}),
                sound.left(100))},
            {"gzip-bomb",
             ff("a,:https://e.test/z.png",
                head("HTTP/1.1 200 OK", {"Content-Type: image/png", "Content-Encoding: gzip"}),
                gzip(zeros))},
    };
    firefox.append({"bytes-name-png",
                    ff(("a,:https://h.test/" + ffSegment + ".png").constData(),
                       head("HTTP/1.1 200 OK", {"Content-Type: image/png", length(png)}), png)});
    firefox.append(
            {"zstd-bomb",
             ff("a,:https://i.test/z.png",
                head("HTTP/1.1 200 OK", {"Content-Type: image/png", "Content-Encoding: zstd"}),
                zstd(hugeZeros))});
    FirefoxEntry alt = ff("a,:https://f.test/m.mp4",
                          head("HTTP/1.1 200 OK", {"Content-Type: video/mp4", length(movie)}),
                          movie + "compiled");
    alt.elements = {{"alt-data", "1;" + QByteArray::number(movie.size()) + ",javascript"}};
    firefox.append({"alt-data-mp4", alt});
    FirefoxEntry old = ff("https://g.test/old.gif",
                          head("HTTP/1.1 200 OK", {"Content-Type: image/gif", length(gif)}), gif);
    old.version = 1;
    firefox.append({"version1-gif", old});
    for (const FirefoxSeed &seed : std::as_const(firefox)) {
        const QString path = writeFirefoxEntry(temp.path(), seed.entry);
        writeSeed(firefoxOut.filePath(QString::fromLatin1(seed.name)), readAll(path));
        QFile::remove(path);
    }

    struct ChromiumSeed
    {
        const char *name;
        ChromiumEntry entry;
    };
    const auto cr = [](const char *key, const QList<QByteArray> &lines, const QByteArray &body) {
        ChromiumEntry e;
        e.key = key;
        e.head = lines;
        e.body = body;
        return e;
    };
    QList<ChromiumSeed> chromium{
            {"png",
             cr("https://a.test/p.png",
                head("HTTP/1.1 200 OK", {"Content-Type: image/png", length(png)}), png)},
            {"gzip-jpeg",
             cr("1/0/_dk_https://a.test https://a.test https://a.test/photo.jpg",
                head("HTTP/1.1 200", {"content-type: image/jpeg", "content-encoding: gzip"}),
                gzip(jpeg))},
            {"br-gif",
             cr("https://b.test/anim.gif",
                head("HTTP/1.1 200 OK", {"Content-Type: image/gif", "Content-Encoding: br"}),
                brotli(gif))},
            {"zstd-svg",
             cr("https://c.test/logo.svg",
                head("HTTP/1.1 200 OK", {"Content-Type: image/svg+xml", "Content-Encoding: zstd"}),
                zstd(svg))},
            {"gzip-bomb",
             cr("https://e.test/z.png",
                head("HTTP/1.1 200 OK", {"Content-Type: image/png", "Content-Encoding: gzip"}),
                gzip(zeros))},
    };
    chromium.append({"kana-name-png",
                     cr(("https://h.test/" + kanaSegment + ".png").constData(),
                        head("HTTP/1.1 200 OK", {"Content-Type: image/png", length(png)}), png)});
    chromium.append(
            {"zstd-bomb",
             cr("https://i.test/z.png",
                head("HTTP/1.1 200 OK", {"Content-Type: image/png", "Content-Encoding: zstd"}),
                zstd(hugeZeros))});
    ChromiumEntry cut = cr("https://f.test/m.mp4",
                           head("HTTP/1.1 200 OK", {"Content-Type: video/mp4", length(movie)}),
                           movie.left(150));
    cut.truncated = true;
    chromium.append({"truncated-mp4", cut});
    const QList<QByteArray> rangeHead =
            head("HTTP/1.1 206 Partial Content",
                 {"Content-Type: audio/wav",
                  "Content-Range: bytes 0-99/" + QByteArray::number(sound.size())});
    // Ranges stored out of order and overlapping, as a player that seeks leaves them.
    ChromiumEntry ranges = cr("https://d.test/s.wav", rangeHead, {});
    ranges.ranges = {{200, sound.mid(200)}, {0, sound.left(150)}, {100, sound.mid(100, 120)}};
    chromium.append({"sparse-wav", ranges});
    ChromiumEntry gap = cr("https://d.test/gap.wav", rangeHead, {});
    gap.ranges = {{0, sound.left(100)}, {180, sound.mid(180)}};
    chromium.append({"sparse-gap-wav", gap});
    for (const ChromiumSeed &seed : std::as_const(chromium)) {
        const QString path0 = writeChromiumEntry(temp.path(), seed.entry);
        const QString pathS = path0.left(path0.size() - 2) + QStringLiteral("_s");
        QByteArray input = readAll(path0);
        if (QFile::exists(pathS))
            input += fuzz::kSparseSeparator + readAll(pathS);
        writeSeed(chromiumOut.filePath(QString::fromLatin1(seed.name)), input);
        QFile::remove(path0);
        QFile::remove(pathS);
    }

    // Blockfile caches as whole folders: blocks, an f_ file, a long key, sparse children.
    const QDir blockfileOut(fuzzDir.filePath(QStringLiteral("corpus/blockfile_cache")));
    QDir().mkpath(blockfileOut.path());
    const auto bf = [](const QByteArray &key, const QList<QByteArray> &lines,
                       const QByteArray &body) {
        BlockfileEntry e;
        e.key = key;
        e.head = lines;
        e.body = body;
        return e;
    };
    struct BlockfileSeed
    {
        const char *name;
        QList<BlockfileEntry> entries;
    };
    BlockfileEntry inFile =
            bf("https://b.test/p.jpg",
               head("HTTP/1.1 200 OK", {"Content-Type: image/jpeg", length(jpeg)}), jpeg);
    inFile.bodyInFile = true;
    BlockfileEntry media = bf("https://b.test/t.wav", rangeHead, {});
    media.children = {{0, sound}};
    QList<BlockfileSeed> blockfile{
            {"png-and-page",
             {bf("1/0/_dk_https://a.test https://a.test https://b.test/p.png",
                 head("HTTP/1.1 200 OK", {"Content-Type: image/png", length(png)}), png),
              bf("https://b.test/", head("HTTP/1.1 200 OK", {"Content-Type: text/html"}), "<p>")}},
            {"body-in-file", {inFile}},
            {"long-key",
             {bf("https://b.test/" + QByteArray(1000, 'k') + ".gif",
                 head("HTTP/1.1 200 OK", {"Content-Type: image/gif"}), gif)}},
            {"gzip-svg",
             {bf("https://b.test/s.svg",
                 head("HTTP/1.1 200 OK", {"Content-Type: image/svg+xml", "Content-Encoding: gzip"}),
                 gzip(svg))}},
            {"sparse-wav", {media}},
    };
    for (const BlockfileSeed &seed : std::as_const(blockfile)) {
        BlockfileBuilder builder(16);
        for (const BlockfileEntry &e : seed.entries)
            builder.add(e);
        const QString dir = temp.filePath(QString::fromLatin1(seed.name));
        builder.write(dir);
        QByteArray input;
        for (qsizetype i = 0; i < fuzz::kBlockfileFiles.size(); ++i) {
            const QString path = QDir(dir).filePath(fuzz::kBlockfileFiles[i]);
            if (!QFile::exists(path))
                break;
            input += (i ? fuzz::kFileSeparator : QByteArray()) + readAll(path);
        }
        writeSeed(blockfileOut.filePath(QString::fromLatin1(seed.name)), input);
    }

    // SQL shards in small pages: entries in one or several blobs, media with a gap, and a shard
    // caught in a write with its hot journal behind the separator.
    const QDir sqlOut(fuzzDir.filePath(QStringLiteral("corpus/sql_cache")));
    QDir().mkpath(sqlOut.path());
    const auto sq = [](const QByteArray &key, const QList<QByteArray> &lines,
                       const QByteArray &body) {
        SqlEntry e;
        e.entry.key = key;
        e.entry.head = lines;
        e.entry.body = body;
        return e;
    };
    SqlEntry pieces = sq("https://b.test/p.jpg",
                         head("HTTP/1.1 200 OK", {"Content-Type: image/jpeg", length(jpeg)}), jpeg);
    pieces.blobs = {{0, jpeg.left(100)}, {100, jpeg.mid(100)}};
    SqlEntry gapWav = sq("https://b.test/t.wav", rangeHead, {});
    gapWav.blobs = {{0, sound.left(200)}, {400, sound.mid(400, 100)}};
    const SqlEntry pngEntry =
            sq("1/0/_dk_https://a.test https://a.test https://b.test/p.png",
               head("HTTP/1.1 200 OK", {"Content-Type: image/png", length(png)}), png);
    struct SqlSeed
    {
        const char *name;
        QList<SqlEntry> entries;
        bool hotJournal = false;
    };
    const SqlEntry page =
            sq("https://b.test/", head("HTTP/1.1 200 OK", {"Content-Type: text/html"}), "<p>");
    const SqlEntry gzipSvg =
            sq("https://b.test/s.svg",
               head("HTTP/1.1 200 OK", {"Content-Type: image/svg+xml", "Content-Encoding: gzip"}),
               gzip(svg));
    const QList<SqlSeed> sql{
            {"png-and-page", QList<SqlEntry>{pngEntry, page}, false},
            {"blobs", QList<SqlEntry>{pieces}, false},
            {"gzip-svg", QList<SqlEntry>{gzipSvg}, false},
            {"gap-wav", QList<SqlEntry>{gapWav}, false},
            {"hot-journal", QList<SqlEntry>{pngEntry}, true},
    };
    for (const SqlSeed &seed : sql) {
        const QString dir = temp.filePath(QStringLiteral("sql-") + QString::fromLatin1(seed.name));
        QDir().mkpath(dir);
        sqlite3 *db = sqlOpenShard(dir, 0);
        sqlExec(db, "PRAGMA page_size=512");
        sqlExec(db, sqlSchema());
        for (const SqlEntry &e : seed.entries)
            sqlInsert(db, e);
        QByteArray input;
        if (seed.hotJournal) {
            sqlExec(db, "PRAGMA cache_size=1; BEGIN EXCLUSIVE; UPDATE blobs SET blob=zeroblob(10)");
            sqlInsert(db, pieces);
            input = readAll(QDir(dir).filePath(QStringLiteral("sqldb0"))) + fuzz::kFileSeparator
                    + readAll(QDir(dir).filePath(QStringLiteral("sqldb0-journal")));
        }
        sqlite3_close(db);
        if (!seed.hotJournal)
            input = readAll(QDir(dir).filePath(QStringLiteral("sqldb0")));
        writeSeed(sqlOut.filePath(QString::fromLatin1(seed.name)), input);
    }
    return 0;
}
