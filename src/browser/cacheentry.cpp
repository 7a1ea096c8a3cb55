#include "browser/cacheentry.h"

#include "browser/entryfile.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <algorithm>

namespace velt {

namespace {

// Firefox keeps one 16-bit hash for every 256 KiB chunk of the body in front of its metadata.
constexpr qint64 kFirefoxChunkSize = 256 * 1024;
// Keys are URLs with a prefix; browsers refuse URLs past 2 MiB. Elements stay below 64 KiB in
// Firefox; Chromium's response info with its certificates is a few KiB.
constexpr qint64 kMaxKeyLength = 2 * 1024 * 1024 + 4096;
constexpr qint64 kMaxElementsLength = 1024 * 1024;
constexpr qint64 kMaxResponseInfoLength = 4 * 1024 * 1024;

constexpr quint64 kSimpleInitialMagic = 0xfcfb6d1ba7725c30ULL;
constexpr quint64 kSimpleFinalMagic = 0xf4fa6f45970d41d8ULL;
constexpr quint64 kSimpleSparseMagic = 0xeb97bf016553676bULL;
constexpr qint64 kSimpleHeaderSize = 24;      // magic, version, key length, key hash, padding
constexpr qint64 kSimpleEofSize = 24;         // magic, flags, crc, stream size, padding
constexpr qint64 kSimpleRangeHeaderSize = 32; // magic, offset, length, crc, padding
constexpr quint32 kSimpleEofHasKeySha256 = 1u << 1;
constexpr quint32 kResponseInfoTruncated = 1u << 12;
constexpr quint32 kResponseInfoHasExtraFlags = 1u << 31;
constexpr quint32 kResponseExtraHasOriginalTime = 1u << 2;
// base::Time counts microseconds from 1601-01-01 UTC.
constexpr qint64 kWindowsEpochToUnixMicroseconds = 11644473600000000LL;

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

// A base::Pickle read from its payload: 4-byte aligned fields, little-endian.
class PickleReader
{
public:
    explicit PickleReader(const QByteArray &data) : m_data(data) { }
    std::optional<quint32> u32()
    {
        if (m_at + 4 > m_data.size())
            return std::nullopt;
        const quint32 v = le32(m_data, m_at);
        m_at += 4;
        return v;
    }
    std::optional<qint64> i64()
    {
        if (m_at + 8 > m_data.size())
            return std::nullopt;
        const qint64 v = qint64(le64(m_data, m_at));
        m_at += 8;
        return v;
    }
    std::optional<QByteArray> string()
    {
        const auto length = u32();
        if (!length || *length > quint32(m_data.size() - m_at))
            return std::nullopt;
        const QByteArray s = m_data.mid(m_at, qsizetype(*length));
        m_at += (qsizetype(*length) + 3) & ~qsizetype(3);
        return s;
    }

private:
    const QByteArray &m_data;
    qsizetype m_at = 0;
};

struct ResponseInfo
{
    HttpHead head;
    QDateTime fetched;
    bool truncated = false;
};

// Chromium's stored response info: flags (version in the low byte), extra flags when
// flagged, request and response times, then the raw head, lines ending in NUL.
std::optional<ResponseInfo> parseResponseInfo(const QByteArray &stream0)
{
    if (stream0.size() < 4)
        return std::nullopt;
    const quint32 payloadSize = le32(stream0, 0);
    if (payloadSize > quint32(stream0.size() - 4))
        return std::nullopt;
    const QByteArray payload = stream0.mid(4, qsizetype(payloadSize));
    PickleReader reader(payload);
    const auto flags = reader.u32();
    if (!flags || (*flags & 0xFF) == 0)
        return std::nullopt;
    quint32 extra = 0;
    if (*flags & kResponseInfoHasExtraFlags) {
        const auto e = reader.u32();
        if (!e)
            return std::nullopt;
        extra = *e;
    }
    const auto requestTime = reader.i64();
    const auto responseTime = reader.i64();
    if (!requestTime || !responseTime)
        return std::nullopt;
    if ((extra & kResponseExtraHasOriginalTime) && !reader.i64())
        return std::nullopt;
    const auto raw = reader.string();
    if (!raw)
        return std::nullopt;
    ResponseInfo info;
    info.head = parseHttpHead(*raw);
    if (info.head.status == 0)
        return std::nullopt;
    info.truncated = (*flags & kResponseInfoTruncated) != 0;
    if (*responseTime > kWindowsEpochToUnixMicroseconds)
        info.fetched = QDateTime::fromMSecsSinceEpoch(
                (*responseTime - kWindowsEpochToUnixMicroseconds) / 1000, Qt::UTC);
    return info;
}

struct SparseRange
{
    qint64 offset = 0;
    qint64 length = 0;
    qint64 dataAt = 0;
};

// The ranges of a "_s" file whose header names the same key. A range whose data runs past the
// end (still being written) and everything after it are left out.
QList<SparseRange> readSparseRanges(const QString &path, const QByteArray &key)
{
    QList<SparseRange> ranges;
    EntryFile file(path);
    if (!file.isOpen())
        return ranges;
    const auto header = file.read(0, kSimpleHeaderSize);
    if (!header || le64(*header, 0) != kSimpleInitialMagic
        || le32(*header, 12) != quint32(key.size())
        || file.read(kSimpleHeaderSize, key.size()) != key)
        return ranges;
    qint64 at = kSimpleHeaderSize + key.size();
    while (at + kSimpleRangeHeaderSize <= file.size()) {
        const auto range = file.read(at, kSimpleRangeHeaderSize);
        if (!range || le64(*range, 0) != kSimpleSparseMagic)
            break;
        const quint64 offset = le64(*range, 8);
        const quint64 length = le64(*range, 16);
        const qint64 dataAt = at + kSimpleRangeHeaderSize;
        if (length > quint64(file.size() - dataAt) || offset > quint64(1) << 62)
            break;
        if (length > 0)
            ranges.append({qint64(offset), qint64(length), dataAt});
        at = dataAt + qint64(length);
    }
    return ranges;
}

} // namespace

qint64 CachedResponse::bodyLength() const
{
    qint64 total = 0;
    for (const BodyPiece &piece : body)
        total += piece.length;
    return total;
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

QString urlFromChromiumKey(const QByteArray &key)
{
    // Partitioned keys: an optional "N/N/" prefix, "_dk_", the top-frame and frame sites, then
    // the URL, separated by spaces (URLs hold no spaces).
    if (key.contains("_dk_")) {
        const qsizetype space = key.lastIndexOf(' ');
        return QString::fromUtf8(space >= 0 ? key.mid(space + 1) : key);
    }
    return QString::fromUtf8(key);
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

std::optional<CachedResponse> readChromiumEntry(const QString &path0)
{
    EntryFile file(path0);
    if (!file.isOpen())
        return std::nullopt;
    const qint64 size = file.size();
    if (size < kSimpleHeaderSize + 2 * kSimpleEofSize)
        return std::nullopt;
    const auto header = file.read(0, kSimpleHeaderSize);
    if (!header || le64(*header, 0) != kSimpleInitialMagic)
        return std::nullopt;
    const qint64 keyLength = le32(*header, 12);
    if (keyLength > kMaxKeyLength || kSimpleHeaderSize + keyLength + 2 * kSimpleEofSize > size)
        return std::nullopt;
    const auto key = file.read(kSimpleHeaderSize, keyLength);
    const auto eof0 = file.read(size - kSimpleEofSize, kSimpleEofSize);
    if (!key || !eof0 || le64(*eof0, 0) != kSimpleFinalMagic)
        return std::nullopt; // still being written, or not an entry
    const qint64 stream0Length = le32(*eof0, 16);
    const qint64 shaLength = (le32(*eof0, 8) & kSimpleEofHasKeySha256) ? 32 : 0;
    const qint64 stream1At = kSimpleHeaderSize + keyLength;
    const qint64 stream0At = size - kSimpleEofSize - shaLength - stream0Length;
    if (stream0Length > kMaxResponseInfoLength || stream0At - kSimpleEofSize < stream1At)
        return std::nullopt;
    const auto eof1 = file.read(stream0At - kSimpleEofSize, kSimpleEofSize);
    const auto stream0 = file.read(stream0At, stream0Length);
    if (!eof1 || le64(*eof1, 0) != kSimpleFinalMagic || !stream0)
        return std::nullopt;
    const auto info = parseResponseInfo(*stream0);
    if (!info)
        return std::nullopt;

    CachedResponse response;
    response.url = urlFromChromiumKey(*key);
    response.hash = QFileInfo(path0).fileName().section(QLatin1Char('_'), 0, 0);
    response.head = info->head;
    response.fetched = info->fetched;
    response.truncated = info->truncated;

    // Media fetched by ranges: the bytes lie in the sparse file, the head says 206.
    const QString pathS = path0.left(path0.size() - 2) + QStringLiteral("_s");
    QList<SparseRange> ranges =
            QFileInfo(pathS).isFile() ? readSparseRanges(pathS, *key) : QList<SparseRange>();
    if (!ranges.isEmpty()) {
        std::sort(ranges.begin(), ranges.end(),
                  [](const SparseRange &a, const SparseRange &b) { return a.offset < b.offset; });
        qint64 covered = 0;
        for (const SparseRange &range : std::as_const(ranges)) {
            if (range.offset > covered) {
                response.gap = true;
                break;
            }
            const qint64 end = range.offset + range.length;
            if (end <= covered)
                continue;
            const qint64 skip = covered - range.offset;
            response.body.append({pathS, range.dataAt + skip, range.length - skip});
            covered = end;
        }
        return response;
    }
    const qint64 stream1Length = stream0At - kSimpleEofSize - stream1At;
    if (stream1Length > 0)
        response.body.append({path0, stream1At, stream1Length});
    return response;
}

} // namespace velt
