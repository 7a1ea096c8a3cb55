#include "browser/filename.h"

#include <QByteArray>
#include <QRegularExpression>

namespace velt {

namespace {

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// Characters that change how a name is shown or parsed elsewhere: bidirectional overrides and
// isolates, zero-width joiners, byte-order marks.
bool isInvisible(char32_t c)
{
    return (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E)
            || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

// The path's last segment of a URL as it was written: scheme and authority, query and
// fragment left out.
QString lastSegment(const QString &url)
{
    QString rest = url;
    const qsizetype cut = rest.indexOf(QRegularExpression(QStringLiteral("[?#]")));
    if (cut >= 0)
        rest.truncate(cut);
    const qsizetype scheme = rest.indexOf(QLatin1String("://"));
    if (scheme > 0) {
        const qsizetype pathStart = rest.indexOf(QLatin1Char('/'), scheme + 3);
        if (pathStart < 0)
            return QString();
        rest = rest.mid(pathStart);
    }
    return rest.mid(rest.lastIndexOf(QLatin1Char('/')) + 1);
}

QString safeText(const QString &decoded)
{
    QString safe;
    for (const char32_t c : decoded.toUcs4()) {
        if (isControl(c) || isInvisible(c))
            continue;
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<'
            || c == '>' || c == '|')
            safe += QLatin1Char('_');
        else
            safe += QString::fromUcs4(&c, 1);
    }
    // Leading dots would hide the file; leading and trailing spaces and trailing dots do not
    // survive on every file system.
    qsizetype start = 0;
    while (start < safe.size() && (safe[start] == u'.' || safe[start] == u' '))
        ++start;
    safe.remove(0, start);
    while (!safe.isEmpty() && (safe.back() == u'.' || safe.back() == u' '))
        safe.chop(1);
    return safe;
}

// At most n UTF-16 units, never half a surrogate pair.
QString leftWhole(const QString &text, qsizetype n)
{
    if (text.size() <= n)
        return text;
    if (n > 0 && text[n - 1].isHighSurrogate())
        --n;
    return text.left(n);
}

// The longest start of text whose UTF-8 takes at most n bytes, never half a character.
QString leftBytes(const QString &text, qsizetype n)
{
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const bool pair =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char16_t c = text[i].unicode();
        const qsizetype width = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (bytes + width > n)
            break;
        bytes += width;
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

qsizetype utf8Size(const QString &text)
{
    return text.toUtf8().size();
}

} // namespace

QString cacheFileName(const QString &url, const QString &extension, const QString &entryHash)
{
    const QString decoded =
            QString::fromUtf8(QByteArray::fromPercentEncoding(lastSegment(url).toUtf8()));
    QString stem = safeText(decoded);
    if (const qsizetype dot = stem.lastIndexOf(QLatin1Char('.')); dot > 0)
        stem.truncate(dot);
    stem = leftWhole(stem, kMaxCacheNameLength - 1 - extension.size());
    stem = leftBytes(stem, kMaxFileNameBytes - 1 - utf8Size(extension));
    while (!stem.isEmpty() && (stem.back() == u'.' || stem.back() == u' '))
        stem.chop(1);
    if (stem.isEmpty())
        stem = safeText(entryHash.left(16));
    if (stem.isEmpty())
        stem = QStringLiteral("entry");
    return stem + QLatin1Char('.') + extension;
}

QString suffixedName(const QString &name, qint64 n)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    const QString suffix = QLatin1Char('_') + QString::number(n) + ext;
    const QString stem =
            leftBytes(dot > 0 ? name.left(dot) : name, kMaxFileNameBytes - utf8Size(suffix));
    return stem + suffix;
}

} // namespace velt
