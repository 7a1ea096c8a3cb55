#pragma once

#include "browser/httphead.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace velt {

// length bytes at offset of one of an entry's files.
struct BodyPiece
{
    QString file;
    qint64 offset = 0;
    qint64 length = 0;
};

// A response as a browser stored it, read from its cache files. Every offset and length has
// been checked against the files' sizes when it was read.
struct CachedResponse
{
    QString url;
    QString hash; // the entry's hash as its file name shows it
    HttpHead head;
    QDateTime fetched;      // when the browser stored it; invalid when unknown
    bool truncated = false; // the browser itself marked the body as cut short
    QList<BodyPiece> body;  // the body from offset 0 on, piece after piece
    bool gap = false;       // stored ranges stop at a gap: more bytes lie beyond it

    qint64 bodyLength() const;
};

// The key and URL of a cache entry key.
// Firefox: tags such as "O^partitionKey=...," and "a," before ":" and the URL.
QString urlFromFirefoxKey(const QByteArray &key);
// Chromium: "1/0/_dk_SITE SITE URL" (partitioned) or the bare URL.
QString urlFromChromiumKey(const QByteArray &key);

// Reads a Firefox cache2 entry file: the body first, then metadata (chunk hashes, a header
// with the key's size, the key, "name\0value\0" elements with the response head), then the
// metadata's offset in the last 4 bytes. Empty when the file is not a complete entry.
std::optional<CachedResponse> readFirefoxEntry(const QString &path);

// Reads a Chromium Simple Cache entry from its "_0" file (header, key, body stream, EOF
// record, response info, EOF record) and, where present, its "_s" file of sparse ranges.
// Empty when the files are not a complete entry.
std::optional<CachedResponse> readChromiumEntry(const QString &path0);

} // namespace velt
