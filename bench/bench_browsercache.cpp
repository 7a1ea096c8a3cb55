// Browser-cache extraction speed: a Chromium Simple Cache folder, a Chromium blockfile cache
// (every tenth picture's body in an f_ file), a Chromium SQL cache (three shards, every tenth
// picture's body in two blobs) and a Firefox cache2 folder of 100 000 entries each
// (a third of them pictures, the rest pages and scripts), extracted into a working folder the way
// the collection does it, serving the window between entries.

#include "figure.h"

#include "browser/extraction.h"

#include "browser/blockfilebuilder.h"
#include "browser/cachebuilder.h"
#include "browser/sqlbuilder.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

using namespace velt;
using namespace cachebuilder;

namespace {

QByteArray smallPng(int i)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(i % 256, (i / 256) % 256, 90));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void build(const QString &dir, CacheFormat format, int entries)
{
    QDir().mkpath(dir);
    BlockfileBuilder blockfile;
    QList<sqlite3 *> shards;
    if (format == CacheFormat::Sql) {
        writeFile(QDir(dir).filePath(QStringLiteral("index")), "SQLCacheTruncate3");
        for (int shard = 0; shard < 3; ++shard) {
            shards << sqlOpenShard(dir, shard);
            sqlExec(shards.last(), "PRAGMA journal_mode=TRUNCATE; PRAGMA synchronous=OFF");
            sqlExec(shards.last(), sqlSchema());
            sqlExec(shards.last(), "BEGIN");
        }
    }
    const QByteArray script = QByteArray("function f(){return 1;}\n").repeated(40);
    for (int i = 0; i < entries; ++i) {
        const bool picture = i % 3 == 0;
        const QByteArray url = "https://site" + QByteArray::number(i % 97) + ".test/"
                + (picture ? "img/p" : "js/s") + QByteArray::number(i) + (picture ? ".png" : ".js");
        const QByteArray body = picture ? smallPng(i) : script;
        const QByteArray type = picture ? "image/png" : "text/javascript";
        if (format == CacheFormat::Blockfile) {
            BlockfileEntry e;
            e.key = "1/0/_dk_https://a.test https://a.test " + url;
            e.head = {"HTTP/1.1 200 OK", "Content-Type: " + type,
                      "Content-Length: " + QByteArray::number(body.size())};
            e.body = body;
            e.bodyInFile = picture && i % 10 == 0;
            blockfile.add(e);
        } else if (format == CacheFormat::Sql) {
            SqlEntry e;
            e.entry.key = "1/0/_dk_https://a.test https://a.test " + url;
            e.entry.head = {"HTTP/1.1 200 OK", "Content-Type: " + type,
                            "Content-Length: " + QByteArray::number(body.size())};
            e.entry.body = body;
            if (picture && i % 10 == 0)
                e.blobs = {{0, body.left(body.size() / 2)},
                           {body.size() / 2, body.mid(body.size() / 2)}};
            sqlInsert(shards[i % 3], e);
        } else if (format == CacheFormat::Chromium) {
            ChromiumEntry e;
            e.key = "1/0/_dk_https://a.test https://a.test " + url;
            e.head = {"HTTP/1.1 200 OK", "Content-Type: " + type,
                      "Content-Length: " + QByteArray::number(body.size())};
            e.body = body;
            writeChromiumEntry(dir, e);
        } else {
            FirefoxEntry e;
            e.key = "O^partitionKey=%28https%2Ca.test%29,:" + url;
            e.head = "HTTP/1.1 200 OK\r\nContent-Type: " + type
                    + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
            e.body = body;
            writeFirefoxEntry(dir, e);
        }
    }
    if (format == CacheFormat::Blockfile)
        blockfile.write(dir);
    for (sqlite3 *shard : std::as_const(shards)) {
        sqlExec(shard, "COMMIT");
        sqlite3_close(shard);
    }
}

const char *nameOf(CacheFormat format)
{
    switch (format) {
    case CacheFormat::Chromium:
        return "Chromium";
    case CacheFormat::Blockfile:
        return "Blockfile";
    case CacheFormat::Sql:
        return "SQL";
    case CacheFormat::Firefox:
        break;
    }
    return "Firefox";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int entries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    double simpleRate = 0;
    for (const CacheFormat format :
         {CacheFormat::Chromium, CacheFormat::Blockfile, CacheFormat::Sql, CacheFormat::Firefox}) {
        const char *name = nameOf(format);
        const QString cache = dir.filePath(QString::fromLatin1(name));
        const QString work = dir.filePath(QStringLiteral("VeltTemp") + QString::fromLatin1(name));
        QDir().mkpath(work);
        QElapsedTimer timer;
        timer.start();
        build(cache, format, entries);
        const double buildSeconds = timer.elapsed() / 1000.0;
        SourceTable table;
        int yields = 0;
        const bool peakReset = bench::resetPeakMemory();
        timer.start();
        const int written = extractCacheFolder({format, cache}, work, table, [&](bool wrote) {
            if (wrote || ++yields % 64 == 0)
                QCoreApplication::processEvents();
            return true;
        });
        const double seconds = timer.elapsed() / 1000.0;
        timer.start();
        table.save(work);
        const double saveSeconds = timer.elapsed() / 1000.0;
        std::printf("%-8s %d entries (built in %.1f s): %d pictures extracted in %.2f s "
                    "(%.0f entries/s), side table saved in %.3f s\n",
                    name, entries, buildSeconds, written, seconds, entries / seconds, saveSeconds);
        std::fflush(stdout);
        const std::string id = QByteArray(name).toLower().toStdString();
        bench::printFigure(("browsercache." + id + "_extract").c_str(), seconds, "s",
                           (std::string(name) + " cache of " + std::to_string(entries)
                            + " entries extracted into the working folder")
                                   .c_str(),
                           2);
        bench::printFigure(("browsercache." + id + "_rate").c_str(), entries / seconds, "entries/s",
                           (std::string(name) + " entries read per second").c_str(), 0);
        if (format == CacheFormat::Chromium)
            simpleRate = entries / seconds;
        if (format == CacheFormat::Blockfile)
            bench::printFigure("browsercache.blockfile_vs_simple", entries / seconds / simpleRate,
                               "x", "blockfile entries per second over the Simple Cache's", 2);
        if (format == CacheFormat::Sql) {
            if (peakReset) {
                bench::printFigure("browsercache.sql_peak_mb", bench::statusMegabytes("VmHWM"),
                                   "MB",
                                   "peak resident memory while the SQL cache is extracted (target: "
                                   "flat in the number of entries)",
                                   1);
            }
            bench::printFigure("browsercache.sql_vs_simple", entries / seconds / simpleRate, "x",
                               "SQL entries per second over the Simple Cache's (target: at least "
                               "0.67)",
                               2);
        }
    }
    return 0;
}
