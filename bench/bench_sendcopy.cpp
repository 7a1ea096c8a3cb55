// The copy button on a large movie: speed of the chunked, atomic copy beside a plain QFile::copy
// of the same file, and the longest time the window goes without handling its events.
// Usage: bench_sendcopy [MiB] [folder]   (default 2048 MiB in the temporary folder)

#include "figure.h"

#include "viewer/sendcopy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace velt;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 2048;
    QTemporaryDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-XXXXXX")
                               : QString());
    if (!dir.isValid() || mib <= 0) {
        std::fprintf(stderr, "usage: bench_sendcopy [MiB] [folder]\n");
        return 2;
    }
    const QString source = dir.filePath(QStringLiteral("movie.mpg"));
    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qint64 i = 0; i < block.size(); ++i)
            block[i] = char(i * 131 % 251);
        for (qint64 i = 0; i < mib; ++i) {
            if (f.write(block) != block.size())
                return 1;
        }
    }

    QElapsedTimer total;
    QElapsedTimer sinceEvents;
    qint64 longestGap = 0;
    int yields = 0;
    total.start();
    sinceEvents.start();
    const bool ok = copyFileSafely(source, dir.filePath(QStringLiteral("copy.mpg")), [&] {
        longestGap = std::max(longestGap, sinceEvents.nsecsElapsed());
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        ++yields;
        sinceEvents.restart();
    });
    const qint64 safeNs = total.nsecsElapsed();
    // After the last chunk: flushing to the disk and the rename, with no events in between.
    longestGap = std::max(longestGap, sinceEvents.nsecsElapsed());
    const qint64 finalNs = sinceEvents.nsecsElapsed();
    QFile::remove(dir.filePath(QStringLiteral("copy.mpg")));

    total.restart();
    const bool plainOk = QFile::copy(source, dir.filePath(QStringLiteral("plain.mpg")));
    const qint64 plainNs = total.nsecsElapsed();

    const double mb = double(mib) * 1.048576;
    std::printf("file: %lld MiB\n", mib);
    std::printf("copy button copy: %s, %.2f s, %.0f MB/s, %d event passes, longest without "
                "events %.1f ms\n",
                ok ? "ok" : "FAILED", safeNs / 1e9, mb / (safeNs / 1e9), yields, longestGap / 1e6);
    std::printf("  of which the last step (to the disk, rename): %.1f ms\n", finalNs / 1e6);
    std::printf("plain QFile::copy: %s, %.2f s, %.0f MB/s\n", plainOk ? "ok" : "FAILED",
                plainNs / 1e9, mb / (plainNs / 1e9));
    bench::printFigure("sendcopy.speed", mb / (safeNs / 1e9), "MB/s",
                       "copy button: a large movie copied in chunks through a temporary file", 0);
    bench::printFigure("sendcopy.plain_speed", mb / (plainNs / 1e9), "MB/s",
                       "plain QFile::copy of the same file", 0);
    bench::printFigure("sendcopy.longest_gap", longestGap / 1e6, "ms",
                       "longest time the window went without handling its events during the copy");
    return ok && plainOk ? 0 : 1;
}
