#pragma once

#include "browser/httphead.h"

#include <QDateTime>
#include <QList>
#include <QString>

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
    QString site; // the top-frame site of a partitioned key: "https://example.com"
    QString hash; // the entry's hash as its file name shows it
    HttpHead head;
    QDateTime fetched;      // when the browser stored it; invalid when unknown
    bool truncated = false; // the browser itself marked the body as cut short
    QList<BodyPiece> body;  // the body from offset 0 on, piece after piece
    bool gap = false;       // stored ranges stop at a gap: more bytes lie beyond it

    qint64 bodyLength() const;
};

} // namespace velt
