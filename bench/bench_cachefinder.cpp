// The desktop cache search over a home whose ~/.config holds 5 000 folders (1 000 applications
// with four folders each, three of them Chromium-based with a cache), warm: the tree is walked
// once before the timed rounds.

#include "figure.h"

#include "browser/cachefinder.h"

#include "browser/cachebuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace velt;
using namespace cachebuilder;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString home = dir.path();
    const QString config = home + QStringLiteral("/.config");
    for (int i = 0; i < 1000; ++i) {
        const QString appDir = config + QStringLiteral("/app%1").arg(i, 4, 10, QLatin1Char('0'));
        for (const char *sub : {"settings", "logs", "plugins", "state"})
            QDir().mkpath(appDir + QLatin1Char('/') + QLatin1String(sub));
        writeFile(appDir + QStringLiteral("/settings/config.json"), "{}");
    }
    for (int i : {10, 500, 990}) {
        ChromiumEntry e;
        e.key = "1/0/_dk_https://a.test https://a.test https://a.test/p.png";
        e.head = {"HTTP/1.1 200 OK", "Content-Type: image/png"};
        e.body = "\x89PNG\r\n\x1a\n";
        const QString cache =
                config + QStringLiteral("/app%1/Cache/Cache_Data").arg(i, 4, 10, QLatin1Char('0'));
        QDir().mkpath(cache);
        writeChromiumEntry(cache, e);
    }

    HomeSearch first = searchHome(home, LinuxHome);
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer timer;
        timer.start();
        const QList<BrowserCacheFolder> found = findDesktopBrowserCaches(home, {}, {});
        rounds.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (found.size() != 3) {
            std::fprintf(stderr, "bench_cachefinder: found %d caches, not 3\n", int(found.size()));
            return 1;
        }
    }
    std::sort(rounds.begin(), rounds.end());
    std::printf("folders visited: %d, caches: %d\n", first.foldersVisited,
                int(first.caches.size()));
    bench::printFigure("cachefinder.desktop_search_5000_ms", rounds[rounds.size() / 2], "ms",
                       "desktop cache search, 5 000 folders under ~/.config, warm median (target "
                       "< 100 ms)");
    return 0;
}
