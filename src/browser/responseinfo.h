#pragma once

#include "browser/httphead.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace velt {

// Keys are URLs with a prefix; browsers refuse URLs past 2 MiB. Chromium's response info with
// its certificates is a few KiB.
inline constexpr qint64 kMaxKeyLength = 2 * 1024 * 1024 + 4096;
inline constexpr qint64 kMaxResponseInfoLength = 4 * 1024 * 1024;

// What the Chromium backends keep in an entry's stream 0: the response as it was received.
struct ResponseInfo
{
    HttpHead head;
    QDateTime fetched;
    bool truncated = false;
};

// Chromium's stored response info, a pickle: flags (version in the low byte), extra flags when
// flagged, request and response times, then the raw head, lines ending in NUL. Empty when it
// is not one or holds no status line.
std::optional<ResponseInfo> parseResponseInfo(const QByteArray &stream0);

// The URL of a Chromium cache key: "1/0/_dk_SITE SITE URL" (partitioned) or the bare URL.
QString urlFromChromiumKey(const QByteArray &key);
// The top-frame site of a partitioned Chromium key ("https://example.com"); empty for a bare URL.
QString siteFromChromiumKey(const QByteArray &key);

} // namespace velt
