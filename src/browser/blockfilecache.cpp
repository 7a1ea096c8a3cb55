#include "browser/blockfilecache.h"

#include "browser/entryfile.h"
#include "browser/responseinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <map>

namespace velt {

namespace {

constexpr quint32 kIndexMagic = 0xC103CAC3;
constexpr quint32 kBlockMagic = 0xC104CAC3;
constexpr qint64 kIndexHeaderSize = 368; // counters, 52 words of padding, the LRU lists
constexpr qint64 kDefaultTableLength = 0x10000;
constexpr qint64 kMaxTableLength = 1 << 24;
constexpr qint64 kBlockHeaderSize = 8192; // counters and the allocation bitmap
// An entry record is one to four 256-byte blocks: fields, then the key when it fits.
constexpr qint64 kEntryBlockSize = 256;
constexpr qint64 kEntryKeyAt = 96;
constexpr int kEntryStateNormal = 0;
constexpr quint32 kEntryParent = 1;
constexpr quint32 kEntryChild = 2;
// Buckets hold a few entries; a longer chain is a loop or damage.
constexpr int kMaxChainLength = 4096;
// Sparse data: each child entry holds 1 MiB of the parent's range, a bitmap of its 1 KiB
// blocks in stream 2 behind the same header the parent has there.
constexpr qint64 kSparseHeaderSize = 64;
constexpr qint64 kChildSpan = 1024 * 1024;
constexpr qint64 kChildBlock = 1024;
constexpr qint64 kChildBitmapBytes = kChildSpan / kChildBlock / 8;
constexpr qint64 kMaxParentBitmapBytes = 8192;
constexpr qint64 kMaxChildControlBytes = 4096; // the header and bitmap take 192

// A cache address: initialised bit, file type, then either an external file's number or the
// block file, the number of blocks less one and the first block.
struct Addr
{
    quint32 value = 0;

    bool initialized() const { return value & 0x80000000u; }
    int type() const { return int((value >> 28) & 7); }
    bool external() const { return type() == 0; }
    int fileNumber() const
    {
        return external() ? int(value & 0x0FFFFFFF) : int((value >> 16) & 0xFF);
    }
    int blocks() const { return int((value >> 24) & 3) + 1; }
    int start() const { return int(value & 0xFFFF); }
    bool reservedClear() const { return external() || (value & 0x0C000000u) == 0; }
    qint64 blockSize() const
    {
        static constexpr qint64 sizes[8] = {0, 36, 256, 1024, 4096, 8, 104, 48};
        return sizes[type()];
    }
    // Where stream data may lie: external files or blocks of 256 bytes, 1 KiB or 4 KiB.
    bool holdsData() const { return external() || (type() >= 2 && type() <= 4); }
};

quint32 word(const QByteArray &b, qint64 at)
{
    return le32(b, qsizetype(at));
}

struct EntryRecord
{
    Addr self;
    Addr next;
    int state = 0;
    quint32 flags = 0;
    QByteArray key;
    qint64 sizes[4] = {};
    Addr streams[4];
};

class BlockfileFolderReader : public CacheFolderReader
{
public:
    explicit BlockfileFolderReader(const QString &dir) : m_dir(dir) { }

    QStringList entries() override
    {
        walk();
        return m_handles;
    }

    std::optional<CachedResponse> read(const QString &entry) override
    {
        bool ok = false;
        const quint32 value = entry.toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        const auto record = readRecord(Addr{value});
        if (!record || record->state != kEntryStateNormal || (record->flags & kEntryChild)
            || record->sizes[0] > kMaxResponseInfoLength)
            return std::nullopt;
        const auto stream0 = streamBytes(*record, 0);
        if (!stream0)
            return std::nullopt;
        const auto info = parseResponseInfo(*stream0);
        if (!info)
            return std::nullopt;

        CachedResponse response;
        response.url = urlFromChromiumKey(record->key);
        response.site = siteFromChromiumKey(record->key);
        response.hash = QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
        response.head = info->head;
        response.fetched = info->fetched;
        response.truncated = info->truncated;
        if (record->flags & kEntryParent)
            return joinChildren(*record, response) ? std::optional(response) : std::nullopt;
        const auto body = streamPiece(*record, 1);
        if (!body)
            return std::nullopt;
        if (body->length > 0)
            response.body.append(*body);
        return response;
    }

private:
    // The block file data_N, its header checked once: same magic, its own number, blocks of
    // the size the address's type has.
    EntryFile *blockFile(int number, qint64 blockSize)
    {
        auto it = m_blockFiles.find(number);
        if (it == m_blockFiles.end()) {
            auto file = std::make_unique<EntryFile>(
                    QDir(m_dir).filePath(QStringLiteral("data_%1").arg(number)));
            const auto header = file->read(0, 16);
            if (!header || word(*header, 0) != kBlockMagic || (word(*header, 4) >> 16) < 2
                || (word(*header, 4) >> 16) > 3 || qint16(word(*header, 8)) != number)
                file.reset();
            it = m_blockFiles.emplace(number, std::move(file)).first;
            if (it->second)
                m_blockSizes[number] = qint64(qint32(word(*header, 12)));
        }
        if (!it->second || m_blockSizes.value(number) != blockSize)
            return nullptr;
        return it->second.get();
    }

    QString externalPath(int number) const
    {
        return QDir(m_dir).filePath(QStringLiteral("f_%1").arg(number, 6, 16, QLatin1Char('0')));
    }

    // length bytes at a data address, checked against the blocks it names and the file they
    // lie in.
    std::optional<BodyPiece> dataPiece(Addr addr, qint64 length)
    {
        if (length < 0)
            return std::nullopt;
        if (length == 0)
            return BodyPiece{};
        if (!addr.initialized() || !addr.holdsData() || !addr.reservedClear())
            return std::nullopt;
        if (addr.external()) {
            const QString path = externalPath(addr.fileNumber());
            const QFileInfo info(path);
            if (info.isSymLink() || !info.isFile() || info.size() < length)
                return std::nullopt;
            return BodyPiece{path, 0, length};
        }
        EntryFile *file = blockFile(addr.fileNumber(), addr.blockSize());
        const qint64 at = kBlockHeaderSize + addr.start() * addr.blockSize();
        if (!file || length > addr.blocks() * addr.blockSize() || at + length > file->size())
            return std::nullopt;
        return BodyPiece{QDir(m_dir).filePath(QStringLiteral("data_%1").arg(addr.fileNumber())), at,
                         length};
    }

    std::optional<BodyPiece> streamPiece(const EntryRecord &record, int stream)
    {
        return dataPiece(record.streams[stream], record.sizes[stream]);
    }

    std::optional<QByteArray> streamBytes(const EntryRecord &record, int stream)
    {
        const auto piece = streamPiece(record, stream);
        if (!piece)
            return std::nullopt;
        if (piece->length == 0)
            return QByteArray();
        // Block files stay open for the walk; an external file is opened for the read.
        if (!record.streams[stream].external())
            return blockFile(record.streams[stream].fileNumber(),
                             record.streams[stream].blockSize())
                    ->read(piece->offset, piece->length);
        EntryFile file(piece->file);
        return file.read(0, piece->length);
    }

    std::optional<EntryRecord> readRecord(Addr addr)
    {
        if (!addr.initialized() || addr.type() != 2 || !addr.reservedClear())
            return std::nullopt;
        EntryFile *file = blockFile(addr.fileNumber(), kEntryBlockSize);
        if (!file)
            return std::nullopt;
        const qint64 length = addr.blocks() * kEntryBlockSize;
        const auto bytes = file->read(kBlockHeaderSize + addr.start() * kEntryBlockSize, length);
        if (!bytes)
            return std::nullopt;
        EntryRecord record;
        record.self = addr;
        record.next = Addr{word(*bytes, 4)};
        record.state = qint32(word(*bytes, 20));
        const qint64 keyLength = qint32(word(*bytes, 32));
        const Addr longKey{word(*bytes, 36)};
        for (int i = 0; i < 4; ++i) {
            record.sizes[i] = qint32(word(*bytes, 40 + 4 * i));
            record.streams[i] = Addr{word(*bytes, 56 + 4 * i)};
            if (record.sizes[i] < 0)
                return std::nullopt;
        }
        record.flags = word(*bytes, 72);
        if (keyLength <= 0 || keyLength > kMaxKeyLength)
            return std::nullopt;
        if (longKey.initialized()) {
            // A key too long for the record lies in blocks or a file of its own.
            const auto piece = dataPiece(longKey, keyLength);
            if (!piece)
                return std::nullopt;
            const auto key = longKey.external()
                    ? EntryFile(piece->file).read(0, keyLength)
                    : blockFile(longKey.fileNumber(), longKey.blockSize())
                              ->read(piece->offset, keyLength);
            if (!key)
                return std::nullopt;
            record.key = *key;
        } else {
            if (keyLength > length - kEntryKeyAt)
                return std::nullopt;
            record.key = bytes->mid(kEntryKeyAt, keyLength);
        }
        return record;
    }

    // Every entry reachable from the index: each bucket's chain, stopping at an address
    // that does not lead to a record, at one already seen and after kMaxChainLength steps.
    // Child entries of sparse data are kept by key for their parents.
    void walk()
    {
        if (m_walked)
            return;
        m_walked = true;
        EntryFile index(QDir(m_dir).filePath(QStringLiteral("index")));
        const auto header = index.read(0, kIndexHeaderSize);
        if (!header || word(*header, 0) != kIndexMagic || (word(*header, 4) >> 16) < 2
            || (word(*header, 4) >> 16) > 3)
            return;
        qint64 tableLength = qint32(word(*header, 28));
        if (tableLength == 0)
            tableLength = kDefaultTableLength;
        if (tableLength < 0 || tableLength > kMaxTableLength)
            return;
        // A table cut short is read as far as it goes.
        tableLength = qMin(tableLength, (index.size() - kIndexHeaderSize) / 4);
        const auto table = index.read(kIndexHeaderSize, tableLength * 4);
        if (!table)
            return;
        QSet<quint32> seen;
        for (qint64 bucket = 0; bucket < tableLength; ++bucket) {
            Addr addr{word(*table, bucket * 4)};
            for (int step = 0; step < kMaxChainLength && addr.initialized(); ++step) {
                if (seen.contains(addr.value))
                    break;
                seen.insert(addr.value);
                const auto record = readRecord(addr);
                if (!record)
                    break;
                if (record->state == kEntryStateNormal) {
                    if (record->flags & kEntryChild)
                        m_children.insert(record->key, addr.value);
                    else
                        m_handles << QStringLiteral("%1").arg(addr.value, 8, 16, QLatin1Char('0'));
                }
                addr = record->next;
            }
        }
    }

    // The parent's range from offset 0 on, child after child, as far as the children's
    // block bitmaps show it written without a gap.
    bool joinChildren(const EntryRecord &parent, CachedResponse &response)
    {
        walk();
        if (parent.sizes[2] < kSparseHeaderSize + 4
            || parent.sizes[2] > kSparseHeaderSize + kMaxParentBitmapBytes)
            return false;
        const auto control = streamBytes(parent, 2);
        if (!control || word(*control, 8) != kIndexMagic)
            return false;
        const quint64 signature = le64(*control, 0);
        const QByteArray childrenMap = control->mid(kSparseHeaderSize);
        const auto hasChild = [&childrenMap](qint64 i) {
            return i / 8 < childrenMap.size() && (quint8(childrenMap[i / 8]) >> (i % 8)) & 1;
        };
        const auto laterChild = [&](qint64 from) {
            for (qint64 i = from; i < childrenMap.size() * 8; ++i) {
                if (hasChild(i))
                    return true;
            }
            return false;
        };
        const QByteArray prefix =
                "Range_" + parent.key + ':' + QByteArray::number(signature, 16) + ':';
        for (qint64 i = 0; i < childrenMap.size() * 8; ++i) {
            const auto found = m_children.constFind(prefix + QByteArray::number(i, 16));
            const auto child = found == m_children.cend() ? std::nullopt : readRecord(Addr{*found});
            const auto childControl = child
                            && child->sizes[2] >= kSparseHeaderSize + kChildBitmapBytes
                            && child->sizes[2] <= kMaxChildControlBytes
                    ? streamBytes(*child, 2)
                    : std::nullopt;
            if (!childControl || le64(*childControl, 0) != signature
                || word(*childControl, 8) != kIndexMagic) {
                response.gap = laterChild(i);
                return true;
            }
            // Whole 1 KiB blocks from the start, then the last one when it was written in part.
            qint64 blocks = 0;
            while (blocks < kChildSpan / kChildBlock
                   && (quint8((*childControl)[kSparseHeaderSize + blocks / 8]) >> (blocks % 8)) & 1)
                ++blocks;
            qint64 covered = blocks * kChildBlock;
            const qint64 lastBlock = qint32(word(*childControl, 16));
            const qint64 lastLength = qint32(word(*childControl, 20));
            if (blocks < kChildSpan / kChildBlock && lastBlock == blocks && lastLength > 0
                && lastLength < kChildBlock)
                covered += lastLength;
            covered = qMin(covered, child->sizes[1]);
            const auto piece = covered > 0 ? dataPiece(child->streams[1], covered)
                                           : std::optional<BodyPiece>();
            if (!piece) {
                response.gap = laterChild(i);
                return true;
            }
            response.body.append(*piece);
            if (covered < kChildSpan) {
                response.gap = laterChild(i + 1);
                return true;
            }
        }
        return true;
    }

    QString m_dir;
    std::map<int, std::unique_ptr<EntryFile>> m_blockFiles;
    QHash<int, qint64> m_blockSizes;
    bool m_walked = false;
    QStringList m_handles;
    QHash<QByteArray, quint32> m_children;
};

class BlockfileFormatReader : public CacheFormatReader
{
public:
    CacheFormat format() const override { return CacheFormat::Blockfile; }
    bool holdsCache(const QString &dir) const override
    {
        EntryFile index(QDir(dir).filePath(QStringLiteral("index")));
        EntryFile data1(QDir(dir).filePath(QStringLiteral("data_1")));
        const auto indexMagic = index.read(0, 4);
        const auto blockMagic = data1.read(0, 4);
        return indexMagic && blockMagic && index.size() >= kIndexHeaderSize
                && word(*indexMagic, 0) == kIndexMagic && word(*blockMagic, 0) == kBlockMagic;
    }
    std::unique_ptr<CacheFolderReader> open(const QString &dir) const override
    {
        return std::make_unique<BlockfileFolderReader>(dir);
    }
};

} // namespace

const CacheFormatReader &blockfileCacheReader()
{
    static const BlockfileFormatReader reader;
    return reader;
}

} // namespace velt
