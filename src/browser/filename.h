#pragma once

#include <QString>

namespace velt {

// The most characters a name made from a URL has, extension included.
inline constexpr int kMaxCacheNameLength = 100;
// The most bytes (UTF-8) any name the program creates has: what file systems take.
inline constexpr int kMaxFileNameBytes = 255;

// The name a cached body gets in the working folder: the URL's last path segment,
// percent-decoded and made safe (no separators, control or reserved characters, no leading
// dots; query and fragment dropped; at most kMaxCacheNameLength characters and
// kMaxFileNameBytes bytes, cut between characters), its own extension
// replaced by extension. A URL without a usable segment gets the entry hash instead.
QString cacheFileName(const QString &url, const QString &extension, const QString &entryHash);

// The n-th other name for a taken one (n >= 2): "a.png" -> "a_2.png", the stem shortened
// between characters when the name would pass kMaxFileNameBytes.
QString suffixedName(const QString &name, qint64 n);

} // namespace velt
