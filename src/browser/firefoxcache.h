#pragma once

#include "browser/cachereader.h"

namespace velt {

// Firefox's cache2: one file per entry in the profile's "entries" folder.
const CacheFormatReader &firefoxCacheReader();

// The URL of a Firefox cache key: tags such as "O^partitionKey=...," and "a," before ":" and
// the URL.
QString urlFromFirefoxKey(const QByteArray &key);
// The top-frame site of a Firefox cache key, from the origin attributes of its "O" tag:
// partitionKey=(https,example.com[,port]) gives "https://example.com[:port]", else
// firstPartyDomain gives the domain; empty when the key is not partitioned.
QString siteFromFirefoxKey(const QByteArray &key);

// Reads a Firefox cache2 entry file: the body first, then metadata (chunk hashes, a header
// with the key's size, the key, "name\0value\0" elements with the response head), then the
// metadata's offset in the last 4 bytes. Empty when the file is not a complete entry.
std::optional<CachedResponse> readFirefoxEntry(const QString &path);

} // namespace velt
