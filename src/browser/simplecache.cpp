#include "browser/simplecache.h"

#include "browser/entryfile.h"
#include "browser/responseinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace velt {

namespace {

constexpr quint64 kSimpleInitialMagic = 0xfcfb6d1ba7725c30ULL;
constexpr quint64 kSimpleFinalMagic = 0xf4fa6f45970d41d8ULL;
constexpr quint64 kSimpleSparseMagic = 0xeb97bf016553676bULL;
constexpr qint64 kSimpleHeaderSize = 24;      // magic, version, key length, key hash, padding
constexpr qint64 kSimpleEofSize = 24;         // magic, flags, crc, stream size, padding
constexpr qint64 kSimpleRangeHeaderSize = 32; // magic, offset, length, crc, padding
constexpr quint32 kSimpleEofHasKeySha256 = 1u << 1;
// A folder is taken for a cache when one of its first entries starts with the magic number.
constexpr int kProbes = 8;

bool isSimpleEntryName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{16}_0$"));
    return pattern.match(name).hasMatch();
}

bool startsWithSimpleMagic(const QString &path)
{
    EntryFile file(path);
    const auto magic = file.read(0, 8);
    return magic && le64(*magic, 0) == kSimpleInitialMagic;
}

struct SparseRange
{
    qint64 offset = 0;
    qint64 length = 0;
    qint64 dataAt = 0;
};

// The ranges of a "_s" file whose header names the same key. A range whose data runs past the
// end (still being written) and everything after it are left out. Empty in timedOut when the
// budget's time ran out: a file of a million tiny ranges is a trap, not a movie.
QList<SparseRange> readSparseRanges(const QString &path, const QByteArray &key,
                                    const ExtractBudget *budget, bool *timedOut)
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
        if (budget && ranges.size() % 1024 == 1023 && budget->outOfTime()) {
            *timedOut = true;
            return {};
        }
    }
    return ranges;
}

// Entries are "HASH_0" files, with a "HASH_s" file beside for sparse ranges; the handle is
// the "_0" file's path.
class SimpleFolderReader : public CacheFolderReader
{
public:
    explicit SimpleFolderReader(const QString &dir) : m_dir(dir) { }
    QStringList entries() override
    {
        QStringList files;
        for (const QString &name : fileNamesIn(m_dir, isSimpleEntryName))
            files << QDir(m_dir).filePath(name);
        return files;
    }
    std::optional<CachedResponse> read(const QString &entry) override
    {
        return readChromiumEntry(entry, budget());
    }

private:
    QString m_dir;
};

class SimpleFormatReader : public CacheFormatReader
{
public:
    CacheFormat format() const override { return CacheFormat::Chromium; }
    bool holdsCache(const QString &dir) const override
    {
        const QStringList names = fileNamesIn(dir, isSimpleEntryName);
        for (qsizetype i = 0; i < qMin<qsizetype>(names.size(), kProbes); ++i) {
            if (startsWithSimpleMagic(QDir(dir).filePath(names[i])))
                return true;
        }
        return false;
    }
    std::unique_ptr<CacheFolderReader> open(const QString &dir) const override
    {
        return std::make_unique<SimpleFolderReader>(dir);
    }
};

} // namespace

const CacheFormatReader &simpleCacheReader()
{
    static const SimpleFormatReader reader;
    return reader;
}

std::optional<CachedResponse> readChromiumEntry(const QString &path0, const ExtractBudget *budget)
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
    response.site = siteFromChromiumKey(*key);
    response.hash = QFileInfo(path0).fileName().section(QLatin1Char('_'), 0, 0);
    response.head = info->head;
    response.fetched = info->fetched;
    response.truncated = info->truncated;

    // Media fetched by ranges: the bytes lie in the sparse file, the head says 206.
    const QString pathS = path0.left(path0.size() - 2) + QStringLiteral("_s");
    bool timedOut = false;
    QList<SparseRange> ranges = QFileInfo(pathS).isFile()
            ? readSparseRanges(pathS, *key, budget, &timedOut)
            : QList<SparseRange>();
    if (timedOut)
        return std::nullopt;
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
