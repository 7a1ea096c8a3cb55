#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <optional>
#include <utility>

namespace velt {

// A stored HTTP response head: the status line and the header fields.
struct HttpHead
{
    int status = 0;                                  // 0: no status line
    QList<std::pair<QByteArray, QByteArray>> fields; // names lower-cased, values trimmed

    // The value of the last field of that (lower-case) name; empty when none.
    QByteArray value(QByteArrayView name) const;
    bool has(QByteArrayView name) const;
    // Content-Length; empty when missing or not a plain non-negative number.
    std::optional<qint64> contentLength() const;
    // The codings of Content-Encoding in the order they were applied, lower-cased, "identity"
    // left out.
    QByteArrayList contentEncodings() const;
};

// "bytes FIRST-LAST/TOTAL"; total is -1 for "*".
struct ContentRange
{
    qint64 first = 0;
    qint64 last = 0;
    qint64 total = -1;
};

// Parses a response head whose lines end in CR LF, LF or NUL (the forms browsers store).
// Lines that are not "name: value" are skipped; a head without an "HTTP/x.y NNN" line has
// status 0.
HttpHead parseHttpHead(QByteArrayView raw);

// Parses a Content-Range value; empty when malformed.
std::optional<ContentRange> parseContentRange(QByteArrayView value);

} // namespace velt
