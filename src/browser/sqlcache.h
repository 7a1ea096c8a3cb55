#pragma once

#include "browser/cachereader.h"

namespace velt {

// Chromium's SQL backend: the folder holds SQLite databases "sqldb0", "sqldb1", ... (one per
// shard, each with its "-journal" or "-wal" beside it). A shard's "resources" table has a row
// per entry (the key, the response info in "head", the body's end, a doomed flag, checksums);
// its "blobs" table has the body bytes in rows of [start, end) ranges.
//
// The browser's own files are never opened with SQLite: opening them would take its locks, and
// closing them would drop the browser's. Each shard is copied with plain reads (again when it
// changed while copied) into a private folder, and only the copy is queried. Bodies are written
// into a spool file in that folder as entries are read, so that a CachedResponse points at a
// file like those of the other formats; the folder goes when the reader does.
const CacheFormatReader &sqlCacheReader();

} // namespace velt
