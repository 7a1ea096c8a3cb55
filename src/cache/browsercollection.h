#pragma once

#include "app/mdlvelt.h"
#include "browser/cachefinder.h"
#include "browser/extraction.h"

namespace velt {

struct CollectionContext;

// The browser caches a collection reads: those in the folders named on the command line and,
// when the desktop profile is in use, those of the desktop's browser profiles (HOME and
// XDG_CACHE_HOME).
QList<BrowserCacheFolder> browserCachesFor(const MdlVELT &state);

// The copy stage's step after the registry's caches: writes the pictures, movies and sounds of
// today's browsers' caches into WorkDir, records them in state.Sources (and beside them), and
// teaches the media-type table today's types. Yields between entries and asks about a pending
// stop as the other copies do. Does nothing at all when there is no such cache. Writes that
// fail for lack of space are noted in full. Decoded bytes and time are bounded relative to the
// caches' size and the free space (ExtractBudget); returns how many entries went past the
// bounds and were skipped.
int extractBrowserCaches(CollectionContext &ctx, int &stopAns, FullDiskFailures &full);

// The bytes of the plain files directly in each cache folder (every format keeps its entries
// there).
qint64 cachesSize(const QList<BrowserCacheFolder> &caches);

} // namespace velt
