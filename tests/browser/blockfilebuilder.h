#pragma once

// Builds a Chromium blockfile cache byte by byte from the format: the index with its hash
// table, block files data_0 … data_3 (8 KiB header, then blocks), f_XXXXXX files for large
// streams, entry records chained per bucket, sparse data in 1 MiB child entries.

#include "browser/cachebuilder.h"

#include <QHash>

#include <QMap>

#include <array>

namespace cachebuilder {

struct BlockfileEntry
{
    QByteArray key;
    QList<QByteArray> head;
    QByteArray body;
    bool truncated = false;
    qint64 responseTimeUnixMs = 1765000000000; // 2025-12-06
    bool bodyInFile = false;                   // an f_ file even when the body would fit in blocks
    // Sparse data: the child's number and its bytes from the child's start; a length that is
    // not a whole number of KiB leaves its last block written in part.
    QList<std::pair<int, QByteArray>> children;
};

class BlockfileBuilder
{
public:
    static constexpr quint32 kIndexMagic = 0xC103CAC3;
    static constexpr quint32 kBlockMagic = 0xC104CAC3;
    static constexpr qint64 kSignature = 0x5a5a1234abcdLL;

    // A table shorter than the browser's 65 536 buckets keeps the fuzzers' seeds small.
    explicit BlockfileBuilder(int tableLength = 0x10000) : m_table(tableLength, 0)
    {
        for (int file = 0; file < 4; ++file) {
            m_blocks[file];
            m_sizes[file] = file == 0 ? 36 : file == 1 ? 256 : file == 2 ? 1024 : 4096;
            m_current[file] = file;
        }
    }

    static quint32 blockAddr(int type, int file, int blocks, int start)
    {
        return 0x80000000u | quint32(type) << 28 | quint32(blocks - 1) << 24 | quint32(file) << 16
                | quint32(start);
    }

    // Adds the entry at the head of its bucket; returns its address.
    quint32 add(const BlockfileEntry &e)
    {
        ChromiumEntry info;
        info.head = e.head;
        info.truncated = e.truncated;
        info.responseTimeUnixMs = e.responseTimeUnixMs;
        std::array<std::pair<qint32, quint32>, 4> streams{};
        streams[0] = store(responseInfo(info), false);
        if (e.children.isEmpty()) {
            streams[1] = store(e.body, e.bodyInFile);
        } else {
            QByteArray map(4, '\0');
            for (const auto &[number, bytes] : e.children) {
                addChild(e.key, number, bytes);
                while (map.size() * 8 <= number)
                    map += QByteArray(4, '\0');
                map[number / 8] = char(quint8(map[number / 8]) | (1u << (number % 8)));
            }
            streams[2] = store(sparseHeader(e.key.size(), 0, 0) + map, false);
        }
        return addRecord(e.key, streams, e.children.isEmpty() ? 0u : 1u);
    }

    // Points a record's next address elsewhere (a broken or looping chain).
    void setNext(quint32 entry, quint32 next) { patch(entry, 4, next); }
    // Sets a stream's address in a record.
    void setStream(quint32 entry, int stream, quint32 addr) { patch(entry, 56 + 4 * stream, addr); }
    quint32 stream(quint32 entry, int stream) const { return word(entry, 56 + 4 * stream); }
    int blocksIn(int file) const { return int(m_blocks[file].size() / m_sizes[file]); }

    void write(const QString &dir) const
    {
        QByteArray index = le32(kIndexMagic) + le32(0x20001) + le32(quint32(m_entries)) + le32(0)
                + le32(quint32(m_lastFile)) + le32(0) + le32(0) + le32(quint32(m_table.size()));
        index += QByteArray(368 - index.size(), '\0');
        for (const quint32 addr : m_table)
            index += le32(addr);
        writeFile(QDir(dir).filePath(QStringLiteral("index")), index);
        for (auto it = m_blocks.cbegin(); it != m_blocks.cend(); ++it) {
            const int file = it.key();
            QByteArray header = le32(kBlockMagic) + le32(0x20000)
                    + le32(quint32(file) | quint32(m_next.value(file)) << 16)
                    + le32(quint32(m_sizes[file])) + le32(quint32(blocksIn(file)));
            header += QByteArray(8192 - header.size(), '\0');
            writeFile(QDir(dir).filePath(QStringLiteral("data_%1").arg(file)), header + it.value());
        }
        for (auto it = m_external.cbegin(); it != m_external.cend(); ++it)
            writeFile(QDir(dir).filePath(
                              QStringLiteral("f_%1").arg(it.key(), 6, 16, QLatin1Char('0'))),
                      it.value());
    }

private:
    quint32 word(quint32 entry, int at) const
    {
        const QByteArray &b = m_blocks[int(entry >> 16) & 0xFF];
        const qsizetype o = qsizetype((entry & 0xFFFF) * 256 + quint32(at));
        return quint32(quint8(b[o])) | quint32(quint8(b[o + 1])) << 8
                | quint32(quint8(b[o + 2])) << 16 | quint32(quint8(b[o + 3])) << 24;
    }

    void patch(quint32 entry, int at, quint32 value)
    {
        m_blocks[int(entry >> 16) & 0xFF].replace(qsizetype((entry & 0xFFFF) * 256 + quint32(at)),
                                                  4, le32(value));
    }

    static QByteArray sparseHeader(qsizetype parentKeyLength, qint32 lastBlock, qint32 lastLength)
    {
        return le64(quint64(kSignature)) + le32(kIndexMagic) + le32(quint32(parentKeyLength))
                + le32(quint32(lastBlock)) + le32(quint32(lastLength)) + QByteArray(40, '\0');
    }

    // Stores data in the smallest blocks that hold it (up to four), or in an f_ file.
    std::pair<qint32, quint32> store(const QByteArray &data, bool inFile)
    {
        if (data.isEmpty())
            return {0, 0};
        if (inFile || data.size() > 4 * 4096) {
            m_external.insert(++m_lastFile, data);
            return {qint32(data.size()), 0x80000000u | quint32(m_lastFile)};
        }
        const int file = data.size() <= 1024 ? 1 : data.size() <= 4096 ? 2 : 3;
        return {qint32(data.size()), allocate(file, data)};
    }

    // Blocks of the kind data_<kind> holds, in a further file chained to it when the bitmap
    // of the current one is full.
    quint32 allocate(int kind, const QByteArray &data)
    {
        const qint64 size = m_sizes[kind];
        const int blocks = int((data.size() + size - 1) / size);
        int file = m_current[kind];
        if (blocksIn(file) + blocks > kMaxBlocks) {
            const int next = int(m_blocks.lastKey()) + 1;
            m_blocks[next];
            m_sizes[next] = size;
            m_next[file] = next;
            m_current[kind] = file = next;
        }
        const int start = blocksIn(file);
        m_blocks[file] += data + QByteArray(blocks * size - data.size(), '\0');
        return blockAddr(kind + 1, file, blocks, start);
    }

    quint32 addRecord(const QByteArray &key,
                      const std::array<std::pair<qint32, quint32>, 4> &streams, quint32 flags)
    {
        quint32 longKey = 0;
        if (key.size() > 927)
            longKey = store(key + '\0', false).second;
        const quint32 bucket = qHash(key) & quint32(m_table.size() - 1);
        QByteArray record = le32(qHash(key)) + le32(m_table[bucket]) + le32(0) + le32(0) + le32(0)
                + le32(0) + le64(0) + le32(quint32(key.size())) + le32(longKey);
        for (const auto &s : streams)
            record += le32(quint32(s.first));
        for (const auto &s : streams)
            record += le32(s.second);
        record += le32(flags) + QByteArray(16, '\0') + le32(0);
        if (!longKey)
            record += key;
        record += '\0';
        const quint32 addr = allocate(1, record);
        m_table[bucket] = addr;
        ++m_entries;
        return addr;
    }

    void addChild(const QByteArray &key, int number, const QByteArray &bytes)
    {
        QByteArray bitmap(128, '\0');
        const int whole = int(bytes.size() / 1024);
        for (int i = 0; i < whole; ++i)
            bitmap[i / 8] = char(quint8(bitmap[i / 8]) | (1u << (i % 8)));
        std::array<std::pair<qint32, quint32>, 4> streams{};
        streams[1] = store(bytes, false);
        streams[2] =
                store(sparseHeader(key.size(), whole, qint32(bytes.size() % 1024)) + bitmap, false);
        addRecord("Range_" + key + ':' + QByteArray::number(quint64(kSignature), 16) + ':'
                          + QByteArray::number(number, 16),
                  streams, 2u);
    }

    QList<quint32> m_table;
    static constexpr int kMaxBlocks = (8192 - 80) * 8;
    QMap<int, QByteArray> m_blocks; // by file number
    QMap<int, qint64> m_sizes;
    QMap<int, int> m_next;
    int m_current[4] = {};
    QHash<int, QByteArray> m_external;
    int m_lastFile = 0;
    int m_entries = 0;
};

} // namespace cachebuilder
