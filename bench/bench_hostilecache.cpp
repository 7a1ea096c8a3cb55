// Hostile browser caches: 3 000 entries of one name (each placed under a suffix of its own),
// and 300 small zstd bombs (4 MiB each) against the decoded-bytes budget a collection computes for
// the cache. Prints the time each takes and the bytes written.

#include "figure.h"

#include "browser/budget.h"
#include "browser/extraction.h"

#include "browser/cachebodies.h"
#include "browser/cachebuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace velt;
using namespace cachebuilder;

namespace {

const QByteArray kPngStart("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

void writeEntry(const QString &cache, const QByteArray &url, const QList<QByteArray> &head,
                const QByteArray &body)
{
    ChromiumEntry e;
    e.key = "1/0/_dk_https://a.test https://a.test " + url;
    e.head = head;
    e.body = body;
    writeChromiumEntry(cache, e);
}

qint64 bytesIn(const QString &dir)
{
    qint64 total = 0;
    for (const QFileInfo &info : QDir(dir).entryInfoList(QDir::Files))
        total += info.size();
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int sameNamed = argc > 1 ? QByteArray(argv[1]).toInt() : 3000;
    const int bombs = argc > 2 ? QByteArray(argv[2]).toInt() : 300;
    QTemporaryDir dir;

    {
        const QString cache = dir.filePath(QStringLiteral("same"));
        const QString work = dir.filePath(QStringLiteral("VeltTempSame"));
        QDir().mkpath(cache);
        QDir().mkpath(work);
        const QByteArray body = kPngStart + QByteArray(200, 'x');
        for (int i = 0; i < sameNamed; ++i)
            writeEntry(cache, "https://h" + QByteArray::number(i) + ".test/photo.png",
                       {"HTTP/1.1 200 OK", "Content-Type: image/png"}, body);
        SourceTable table;
        QElapsedTimer timer;
        timer.start();
        const int written = extractCacheFolder({CacheFormat::Chromium, cache}, work, table);
        const double seconds = timer.elapsed() / 1000.0;
        std::printf("%d entries named photo.png: %d written in %.2f s\n", sameNamed, written,
                    seconds);
        bench::printFigure("hostilecache.same_name", seconds, "s",
                           "3 000 cache entries of one name extracted, each under its own suffix",
                           2);
    }

    {
        const QString cache = dir.filePath(QStringLiteral("bombs"));
        const QString work = dir.filePath(QStringLiteral("VeltTempBombs"));
        QDir().mkpath(cache);
        QDir().mkpath(work);
        QByteArray plain = kPngStart;
        plain.append(QByteArray(4 * 1024 * 1024 - plain.size(), '\0'));
        const QByteArray bomb = zstd(plain);
        for (int i = 0; i < bombs; ++i)
            writeEntry(cache, "https://x.test/b" + QByteArray::number(i) + ".png",
                       {"HTTP/1.1 200 OK", "Content-Type: image/png", "Content-Encoding: zstd"},
                       bomb);
        qint64 cacheBytes = 0;
        for (const QFileInfo &info : QDir(cache).entryInfoList(QDir::Files))
            cacheBytes += info.size();
        ExtractBudget budget(ExtractBudget::limitsFor(cacheBytes, -1));
        ExtractLimits limits;
        limits.budget = &budget;
        SourceTable table;
        QElapsedTimer timer;
        timer.start();
        const int written =
                extractCacheFolder({CacheFormat::Chromium, cache}, work, table, {}, limits);
        const double seconds = timer.elapsed() / 1000.0;
        const qint64 wrote = bytesIn(work);
        std::printf("%d zstd bombs of 4 MiB in a %.2f MiB cache: %d written (%.1f MiB), %d "
                    "skipped, in %.2f s\n",
                    bombs, cacheBytes / 1048576.0, written, wrote / 1048576.0, budget.skipped(),
                    seconds);
        bench::printFigure("hostilecache.bombs_time", seconds, "s",
                           "300 zstd bombs of 4 MiB each extracted within the budget", 2);
        bench::printFigure("hostilecache.bombs_written_mib", wrote / 1048576.0, "MiB",
                           "decoded bytes written for 300 zstd bombs (1.2 GiB unbounded)", 1);
    }
    return 0;
}
