#include "browser/httphead.h"

namespace velt {

namespace {

// A non-negative decimal that fits in 62 bits; empty otherwise.
std::optional<qint64> decimal(QByteArrayView text)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

QByteArray HttpHead::value(QByteArrayView name) const
{
    for (auto it = fields.crbegin(); it != fields.crend(); ++it) {
        if (it->first == name)
            return it->second;
    }
    return QByteArray();
}

bool HttpHead::has(QByteArrayView name) const
{
    for (const auto &field : fields) {
        if (field.first == name)
            return true;
    }
    return false;
}

std::optional<qint64> HttpHead::contentLength() const
{
    if (!has("content-length"))
        return std::nullopt;
    return decimal(value("content-length"));
}

QByteArrayList HttpHead::contentEncodings() const
{
    QByteArrayList codings;
    for (const auto &field : fields) {
        if (field.first != "content-encoding")
            continue;
        for (const QByteArray &part : field.second.split(',')) {
            const QByteArray coding = part.trimmed().toLower();
            if (!coding.isEmpty() && coding != "identity")
                codings << coding;
        }
    }
    return codings;
}

HttpHead parseHttpHead(QByteArrayView raw)
{
    HttpHead head;
    qsizetype start = 0;
    bool first = true;
    while (start < raw.size()) {
        qsizetype end = start;
        while (end < raw.size() && raw[end] != '\n' && raw[end] != '\0')
            ++end;
        QByteArrayView line = raw.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = end + 1;
        if (first) {
            first = false;
            // "HTTP/1.1 200 OK"; HTTP/2 heads are stored in the same form.
            if (line.startsWith("HTTP/")) {
                const qsizetype space = line.indexOf(' ');
                if (space > 0) {
                    const QByteArrayView code = line.sliced(space + 1).first(
                            qMin<qsizetype>(3, line.size() - space - 1));
                    // Three digits, then the end of the line or a space.
                    const bool ends = line.size() <= space + 4 || line[space + 4] == ' ';
                    if (const auto n = decimal(code); n && code.size() == 3 && ends)
                        head.status = int(*n);
                }
                continue;
            }
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        head.fields.append({line.first(colon).trimmed().toByteArray().toLower(),
                            line.sliced(colon + 1).trimmed().toByteArray()});
    }
    return head;
}

std::optional<ContentRange> parseContentRange(QByteArrayView value)
{
    value = value.trimmed();
    if (!value.startsWith("bytes "))
        return std::nullopt;
    value = value.sliced(6).trimmed();
    const qsizetype dash = value.indexOf('-');
    const qsizetype slash = value.indexOf('/');
    if (dash <= 0 || slash <= dash)
        return std::nullopt;
    const auto first = decimal(value.first(dash));
    const auto last = decimal(value.sliced(dash + 1, slash - dash - 1));
    if (!first || !last || *last < *first)
        return std::nullopt;
    ContentRange range{*first, *last, -1};
    const QByteArrayView total = value.sliced(slash + 1).trimmed();
    if (total != "*") {
        const auto n = decimal(total);
        if (!n || *n <= *last)
            return std::nullopt;
        range.total = *n;
    }
    return range;
}

} // namespace velt
