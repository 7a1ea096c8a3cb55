#include "app/printable.h"

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
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        appendHex(out, 'x', uint(c), 2);
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

// The length of the valid UTF-8 sequence at the start of s, or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not valid).
int utf8SequenceAt(QByteArrayView s, qsizetype at, char32_t *c)
{
    const auto byte = [&](qsizetype i) {
        return static_cast<unsigned char>(s[i]);
    };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        *c = lead;
        return 1;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > s.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(at + k);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *c = value;
    return length;
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
    QString out;
    out.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        char32_t c = 0;
        const int length = utf8SequenceAt(bytes, i, &c);
        if (length == 0) {
            appendHex(out, 'x', static_cast<unsigned char>(bytes[i]), 2);
            ++i;
            continue;
        }
        appendCodePoint(out, c);
        i += length;
    }
    return out;
}

} // namespace velt
