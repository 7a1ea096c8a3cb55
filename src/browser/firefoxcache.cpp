#include "browser/firefoxcache.h"

#include "browser/entryfile.h"
#include "browser/responseinfo.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace velt {

namespace {

// Firefox keeps one 16-bit hash for every 256 KiB chunk of the body in front of its metadata.
constexpr qint64 kFirefoxChunkSize = 256 * 1024;
// Elements stay below 64 KiB in Firefox.
constexpr qint64 kMaxElementsLength = 1024 * 1024;
// A folder is taken for a cache when one of its first entries reads as one.
constexpr int kProbes = 8;

bool isHexName(const QString &name, int length)
{
    if (name.size() != length)
        return false;
    for (const QChar c : name) {
        if (!isxdigit(c.toLatin1()))
            return false;
    }
    return true;
}

// Pairs of NUL-terminated strings.
std::optional<QByteArray> firefoxElement(const QByteArray &elements, QByteArrayView name)
{
    qsizetype at = 0;
    while (at < elements.size()) {
        const qsizetype keyEnd = elements.indexOf('\0', at);
        if (keyEnd < 0)
            return std::nullopt;
        const qsizetype valueEnd = elements.indexOf('\0', keyEnd + 1);
        if (valueEnd < 0)
            return std::nullopt;
        if (QByteArrayView(elements).sliced(at, keyEnd - at) == name)
            return elements.mid(keyEnd + 1, valueEnd - keyEnd - 1);
        at = valueEnd + 1;
    }
    return std::nullopt;
}

bool isFirefoxEntryName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-F]{40}$"));
    return pattern.match(name).hasMatch();
}

// Entries are files named by the SHA-1 of their key; the handle is the file's path.
class FirefoxFolderReader : public CacheFolderReader
{
public:
    explicit FirefoxFolderReader(const QString &dir) : m_dir(dir) { }
    QStringList entries() override
    {
        QStringList files;
        for (const QString &name : fileNamesIn(m_dir, isFirefoxEntryName))
            files << QDir(m_dir).filePath(name);
        return files;
    }
    std::optional<CachedResponse> read(const QString &entry) override
    {
        return readFirefoxEntry(entry);
    }

private:
    QString m_dir;
};

class FirefoxFormatReader : public CacheFormatReader
{
public:
    CacheFormat format() const override { return CacheFormat::Firefox; }
    bool holdsCache(const QString &dir) const override
    {
        const QStringList names = fileNamesIn(dir, isFirefoxEntryName);
        for (qsizetype i = 0; i < qMin<qsizetype>(names.size(), kProbes); ++i) {
            if (readFirefoxEntry(QDir(dir).filePath(names[i])))
                return true;
        }
        return false;
    }
    std::unique_ptr<CacheFolderReader> open(const QString &dir) const override
    {
        return std::make_unique<FirefoxFolderReader>(dir);
    }
};

} // namespace

const CacheFormatReader &firefoxCacheReader()
{
    static const FirefoxFormatReader reader;
    return reader;
}

QString urlFromFirefoxKey(const QByteArray &key)
{
    // Each tag is one character and a value up to a comma (a doubled comma is part of the
    // value); the ":" tag is followed by the URL itself.
    qsizetype at = 0;
    while (at < key.size()) {
        if (key[at] == ':')
            return QString::fromUtf8(key.mid(at + 1));
        ++at;
        for (;;) {
            if (at >= key.size())
                return QString();
            if (key[at] == ',') {
                if (at + 1 < key.size() && key[at + 1] == ',') {
                    at += 2;
                    continue;
                }
                ++at;
                break;
            }
            ++at;
        }
    }
    return QString();
}

QString siteFromFirefoxKey(const QByteArray &key)
{
    // The tags before the URL, each up to a single comma; "O" holds "^name=value&name=value".
    QByteArray attributes;
    qsizetype at = 0;
    while (at < key.size() && key[at] != ':') {
        const char tag = key[at];
        QByteArray value;
        for (++at; at < key.size(); ++at) {
            if (key[at] == ',') {
                if (at + 1 < key.size() && key[at + 1] == ',') {
                    value += ',';
                    ++at;
                    continue;
                }
                ++at;
                break;
            }
            value += key[at];
        }
        if (tag == 'O')
            attributes = value;
    }
    if (attributes.startsWith('^'))
        attributes.remove(0, 1);
    QByteArray partition;
    QByteArray firstParty;
    for (const QByteArray &pair : attributes.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray name = pair.left(equals);
        const QByteArray value = QByteArray::fromPercentEncoding(pair.mid(equals + 1));
        if (name == "partitionKey")
            partition = value;
        else if (name == "firstPartyDomain")
            firstParty = value;
    }
    if (partition.startsWith('(') && partition.endsWith(')')) {
        const QByteArrayList parts = partition.mid(1, partition.size() - 2).split(',');
        if (parts.size() >= 2 && !parts[0].isEmpty() && !parts[1].isEmpty()) {
            QString site = QString::fromUtf8(parts[0] + "://" + parts[1]);
            // A third part is a port, or "~..." marking a foreign ancestor.
            if (parts.size() >= 3 && !parts[2].isEmpty() && !parts[2].startsWith('~'))
                site += QLatin1Char(':') + QString::fromUtf8(parts[2]);
            return site;
        }
    }
    return QString::fromUtf8(firstParty);
}

std::optional<CachedResponse> readFirefoxEntry(const QString &path)
{
    EntryFile file(path);
    if (!file.isOpen())
        return std::nullopt;
    const qint64 size = file.size();
    if (size < 4 + 28 + 1 + 4)
        return std::nullopt;
    const auto tail = file.read(size - 4, 4);
    if (!tail)
        return std::nullopt;
    const qint64 metaOffset = be32(*tail, 0);
    const qint64 hashCount = (metaOffset + kFirefoxChunkSize - 1) / kFirefoxChunkSize;
    const qint64 metaLength = size - 4 - metaOffset;
    const qint64 hashesEnd = 4 + 2 * hashCount;
    if (metaOffset > size - 4
        || metaLength > hashesEnd + 32 + kMaxKeyLength + 1 + kMaxElementsLength + 4
        || metaLength < hashesEnd + 28 + 1)
        return std::nullopt;
    const auto meta = file.read(metaOffset, metaLength);
    if (!meta)
        return std::nullopt;

    const quint32 version = be32(*meta, hashesEnd);
    if (version == 0 || version > 64)
        return std::nullopt;
    const qint64 headerLength = version == 1 ? 28 : 32; // version 1 had no flags word
    const qint64 keyAt = hashesEnd + headerLength;
    if (keyAt >= metaLength)
        return std::nullopt;
    const quint32 lastModified = be32(*meta, hashesEnd + 12);
    const qint64 keySize = be32(*meta, hashesEnd + 24);
    if (keySize > metaLength - keyAt - 1 || (*meta)[keyAt + keySize] != '\0')
        return std::nullopt;
    const QByteArray key = meta->mid(keyAt, keySize);
    QByteArray elements = meta->mid(keyAt + keySize + 1);
    // Entries of version 4 and later repeat the version after the elements.
    if (version >= 4 && elements.size() >= 4 && be32(elements, elements.size() - 4) == version)
        elements.chop(4);
    if (!elements.isEmpty() && (!elements.endsWith('\0') || elements.count('\0') % 2 != 0))
        return std::nullopt;
    // The file is named by the SHA-1 of its key: another name means another entry's data.
    const QString name = QFileInfo(path).fileName();
    if (isHexName(name, 40)
        && QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().toUpper()
                != name.toLatin1().toUpper())
        return std::nullopt;

    const auto responseHead = firefoxElement(elements, "response-head");
    if (!responseHead)
        return std::nullopt;
    CachedResponse response;
    response.head = parseHttpHead(*responseHead);
    if (response.head.status == 0)
        return std::nullopt;
    response.url = urlFromFirefoxKey(key);
    response.site = siteFromFirefoxKey(key);
    response.hash = name;
    if (lastModified > 0)
        response.fetched = QDateTime::fromSecsSinceEpoch(lastModified, Qt::UTC);
    // Alternative data (compiled scripts) follows the body: "1;OFFSET,type".
    qint64 bodyLength = metaOffset;
    if (const auto altData = firefoxElement(elements, "alt-data")) {
        const qsizetype semicolon = altData->indexOf(';');
        const qsizetype comma = altData->indexOf(',');
        bool ok = false;
        const qint64 altOffset = semicolon > 0 && comma > semicolon
                ? altData->mid(semicolon + 1, comma - semicolon - 1).toLongLong(&ok)
                : -1;
        if (ok && altOffset >= 0 && altOffset <= metaOffset)
            bodyLength = altOffset;
    }
    if (bodyLength > 0)
        response.body.append({path, 0, bodyLength});
    return response;
}

} // namespace velt
