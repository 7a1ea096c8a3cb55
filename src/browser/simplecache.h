#pragma once

#include "browser/cachereader.h"

namespace velt {

// Chromium's Simple Cache: a "HASH_0" file per entry, a "HASH_s" file for its sparse ranges.
const CacheFormatReader &simpleCacheReader();

// Reads a Chromium Simple Cache entry from its "_0" file (header, key, body stream, EOF
// record, response info, EOF record) and, where present, its "_s" file of sparse ranges.
// Empty when the files are not a complete entry, or when budget's time for the entry ran out.
std::optional<CachedResponse> readChromiumEntry(const QString &path0,
                                                const ExtractBudget *budget = nullptr);

} // namespace velt
