#include "cache/browsercollection.h"

#include "cache/collection.h"
#include "platform/language.h"

#include <QDir>

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

void extractBrowserCaches(CollectionContext &ctx, int &stopAns, FullDiskFailures &full)
{
    MdlVELT &state = ctx.state;
    state.Sources.clear();
    const QList<BrowserCacheFolder> caches = browserCachesFor(state);
    if (caches.isEmpty())
        return;
    ctx.ext.addTodaysTypes();
    if (stopAns == kAnswerYes)
        return;
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
                {}, &full);
        if (stopAns != kAnswerYes)
            ctx.host.setProgress(70 + 10 * (i + 1) / n);
    }
    if (!state.Sources.isEmpty())
        state.Sources.save(*state.WorkDirHandle);
}

} // namespace velt
