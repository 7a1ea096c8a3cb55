#include "cache/browsercollection.h"

#include "browser/segmentjoin.h"
#include "cache/collection.h"
#include "platform/language.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStorageInfo>

namespace velt {

namespace {

// Entries that give no file are many and quick: the window is served after this many.
constexpr int kEntriesPerYield = 64;

} // namespace

QList<BrowserCacheFolder> browserCachesFor(const MdlVELT &state)
{
    QList<BrowserCacheFolder> caches;
    auto add = [&caches](const QList<BrowserCacheFolder> &found) {
        for (const BrowserCacheFolder &cache : found) {
            if (!caches.contains(cache))
                caches << cache;
        }
    };
    for (const QString &dir : state.BrowserCacheDirs)
        add(detectBrowserCaches(dir));
    if (state.FindDesktopBrowserCaches)
        add(findDesktopBrowserCaches(QDir::homePath(), qEnvironmentVariable("XDG_CACHE_HOME"),
                                     qEnvironmentVariable("XDG_CONFIG_HOME")));
    auto addFound = [&add](const QStringList &homes, int layouts) {
        for (const QString &home : homes) {
            QList<BrowserCacheFolder> found;
            for (const FoundCache &cache : searchHome(home, layouts).caches)
                found << cache.cache;
            add(found);
        }
    };
    addFound(state.HomeDirs, AnyHome);
    addFound(state.WindowsHomeDirs, WindowsHome);
    return caches;
}

qint64 cachesSize(const QList<BrowserCacheFolder> &caches)
{
    qint64 total = 0;
    for (const BrowserCacheFolder &cache : caches) {
        QDirIterator it(cache.path, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
        while (it.hasNext()) {
            it.next();
            total += it.fileInfo().size();
        }
    }
    return total;
}

int extractBrowserCaches(CollectionContext &ctx, int &stopAns, FullDiskFailures &full)
{
    MdlVELT &state = ctx.state;
    state.Sources.clear();
    const QList<BrowserCacheFolder> caches = browserCachesFor(state);
    if (caches.isEmpty())
        return 0;
    ctx.ext.addTodaysTypes();
    if (stopAns == kAnswerYes)
        return 0;
    const QStorageInfo disk(state.WorkDirHandle->path());
    ExtractBudget budget(ExtractBudget::limitsFor(cachesSize(caches),
                                                  disk.isValid() ? disk.bytesAvailable() : -1),
                         ctx.clock);
    ExtractLimits limits;
    limits.budget = &budget;
    ctx.host.setLoadLabel(messageText(kLabelSearchingBrowsers));
    ctx.host.yield();
    const int n = int(caches.size());
    int examined = 0;
    for (int i = 0; i < n && stopAns != kAnswerYes; ++i) {
        extractCacheFolder(
                caches[i], *state.WorkDirHandle, state.Sources,
                [&](bool wrote) {
                    if (!wrote && ++examined % kEntriesPerYield != 0)
                        return true;
                    ctx.host.yield();
                    if (state.StopLoad)
                        stopAns = ctx.host.AskStop();
                    return stopAns != kAnswerYes;
                },
                limits, &full);
        if (stopAns != kAnswerYes)
            ctx.host.setProgress(70 + 10 * (i + 1) / n);
    }
    // Streams cached as many segments become one clip each before anything is listed.
    if (stopAns != kAnswerYes)
        joinSegmentedStreams(*state.WorkDirHandle, state.Sources, &budget);
    if (!state.Sources.isEmpty())
        state.Sources.save(*state.WorkDirHandle);
    return budget.skipped();
}

} // namespace velt
