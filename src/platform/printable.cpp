#include "platform/printable.h"

#include "platform/namebytes.h"

namespace velt {

namespace {

void appendHex(QString &out, char prefix, uint value, int digits)
{
    out += QLatin1Char('\\');
    out += QLatin1Char(prefix);
    out += QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// Appends one code point (already known to be a whole character), escaped when needed.
void appendCodePoint(QString &out, char32_t c)
{
    switch (c) {
    case U'\\':
        out += QLatin1String("\\\\");
        return;
    case U'\t':
        out += QLatin1String("\\t");
        return;
    case U'\n':
        out += QLatin1String("\\n");
        return;
    case U'\r':
        out += QLatin1String("\\r");
        return;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
        appendHex(out, 'x', uint(c), 2);
        return;
    }
    // Not \xHH: from 0x80 on that stands for a byte that is not UTF-8.
    if (c >= 0x80 && c <= 0x9F) {
        appendHex(out, 'u', uint(c), 4);
        return;
    }
    // A byte of a file name that is not UTF-8, as the name holds it.
    if (c >= 0xDC80 && c <= 0xDCFF) {
        appendHex(out, 'x', uint(c - 0xDC00), 2);
        return;
    }
    if (c == 0x2028 || c == 0x2029 || (c >= 0xD800 && c <= 0xDFFF)) {
        appendHex(out, 'u', uint(c), 4);
        return;
    }
    if (c >= 0x10000) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
        return;
    }
    out += QChar(char16_t(c));
}

} // namespace

QString printableText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendCodePoint(out, QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
            continue;
        }
        appendCodePoint(out, c.unicode());
    }
    return out;
}

QString printableBytes(QByteArrayView bytes)
{
    return printableText(decodeFileName(bytes));
}

} // namespace velt
