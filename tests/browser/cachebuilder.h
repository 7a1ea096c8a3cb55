#pragma once

// Builds cache entries of both browsers byte by byte, as their published formats describe them.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <utility>

namespace cachebuilder {

inline QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (8 * i));
    return b;
}

inline QByteArray le64(quint64 v)
{
    return le32(quint32(v)) + le32(quint32(v >> 32));
}

inline QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[3 - i] = char(v >> (8 * i));
    return b;
}

inline bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.flush();
}

// A raw head as Chromium stores it: lines ending in NUL, an empty line at the end.
inline QByteArray chromiumHead(const QList<QByteArray> &lines)
{
    QByteArray head;
    for (const QByteArray &line : lines)
        head += line + '\0';
    return head + '\0';
}

struct ChromiumEntry
{
    QByteArray key;
    QList<QByteArray> head; // status line and fields
    QByteArray body;        // stream 1
    bool truncated = false;
    qint64 responseTimeUnixMs = 1765000000000;   // 2025-12-06
    QList<std::pair<qint64, QByteArray>> ranges; // the sparse file: offset and data
    QByteArray sideData;                         // stream 2, the "_1" file
};

constexpr quint64 kInitialMagic = 0xfcfb6d1ba7725c30ULL;
constexpr quint64 kFinalMagic = 0xf4fa6f45970d41d8ULL;
constexpr quint64 kSparseMagic = 0xeb97bf016553676bULL;

inline QByteArray simpleHeader(const QByteArray &key)
{
    return le64(kInitialMagic) + le32(5) + le32(quint32(key.size())) + le32(0) + le32(0) + key;
}

inline QByteArray simpleEof(quint32 flags, quint32 streamSize)
{
    return le64(kFinalMagic) + le32(flags) + le32(0) + le32(streamSize) + le32(0);
}

// The response info pickle: flags (version 3, extra flags present, truncated when asked),
// extra flags (original response time), three times, the head, the remote address.
inline QByteArray responseInfo(const ChromiumEntry &e)
{
    const quint32 flags = 3u | (1u << 31) | (e.truncated ? 1u << 12 : 0u);
    const qint64 time = (e.responseTimeUnixMs * 1000) + 11644473600000000LL;
    const QByteArray head = chromiumHead(e.head);
    QByteArray payload = le32(flags) + le32(4) + le64(quint64(time - 1000)) + le64(quint64(time))
            + le64(quint64(time)) + le32(quint32(head.size())) + head;
    payload += QByteArray((4 - head.size() % 4) % 4, '\0');
    payload += le32(9) + QByteArray("127.0.0.1") + QByteArray(3, '\0') + le32(80);
    return le32(quint32(payload.size())) + payload;
}

inline QString chromiumHash(const QByteArray &key)
{
    return QString::fromLatin1(
            QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

// Writes HASH_0 (and HASH_s, HASH_1 when asked) into dir; returns the _0 file's path.
inline QString writeChromiumEntry(const QString &dir, const ChromiumEntry &e)
{
    const QString base = QDir(dir).filePath(chromiumHash(e.key));
    const QByteArray info = responseInfo(e);
    const QByteArray file0 = simpleHeader(e.key) + e.body + simpleEof(1, 0) + info
            + QCryptographicHash::hash(e.key, QCryptographicHash::Sha256)
            + simpleEof(3, quint32(info.size()));
    writeFile(base + QStringLiteral("_0"), file0);
    if (!e.ranges.isEmpty()) {
        QByteArray sparse = simpleHeader(e.key);
        for (const auto &[offset, data] : e.ranges)
            sparse += le64(kSparseMagic) + le64(quint64(offset)) + le64(quint64(data.size()))
                    + le32(0) + le32(0) + data;
        writeFile(base + QStringLiteral("_s"), sparse);
    }
    if (!e.sideData.isEmpty())
        writeFile(base + QStringLiteral("_1"), simpleHeader(e.key) + e.sideData + simpleEof(1, 0));
    return base + QStringLiteral("_0");
}

struct FirefoxEntry
{
    QByteArray key;
    QByteArray head; // "HTTP/1.1 200 OK\r\n..." as the response-head element
    QByteArray body;
    quint32 lastModified = 1765000000; // 2025-12-06
    quint32 version = 4;
    QList<std::pair<QByteArray, QByteArray>> elements; // more elements after response-head
};

inline QString firefoxName(const QByteArray &key)
{
    return QString::fromLatin1(
            QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().toUpper());
}

// The body, then the metadata (hash, chunk hashes, header, key, elements, version word from
// version 4 on), then the metadata's offset. Returns the entry file's path in entriesDir.
inline QString writeFirefoxEntry(const QString &entriesDir, const FirefoxEntry &e)
{
    const quint32 chunks = quint32((e.body.size() + 256 * 1024 - 1) / (256 * 1024));
    QByteArray meta = be32(0x12345678) + QByteArray(int(2 * chunks), '\x5A');
    meta += be32(e.version) + be32(1) + be32(e.lastModified) + be32(e.lastModified) + be32(0)
            + be32(0xFFFFFFFF) + be32(quint32(e.key.size()));
    if (e.version >= 2)
        meta += be32(0);
    meta += e.key + '\0';
    meta += QByteArray("request-method") + '\0' + "GET" + '\0';
    meta += QByteArray("response-head") + '\0' + e.head + '\0';
    for (const auto &[name, value] : e.elements)
        meta += name + '\0' + value + '\0';
    if (e.version >= 4)
        meta += be32(e.version);
    const QString path = QDir(entriesDir).filePath(firefoxName(e.key));
    writeFile(path, e.body + meta + be32(quint32(e.body.size())));
    return path;
}

} // namespace cachebuilder
