#pragma once

// Bodies as servers send them and browsers store them: the three content codings, a WAV and an
// MP4 skeleton. Shared by the cache tests and the fuzzers' seed writer.

#include "browser/cachebuilder.h"

#include <QByteArray>

#include <brotli/encode.h>
#include <zlib.h>
#include <zstd.h>

namespace cachebuilder {

// windowBits 15 + 16 writes gzip, 15 a zlib stream, -15 raw deflate.
inline QByteArray gzip(const QByteArray &data, int windowBits = 15 + 16)
{
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

inline QByteArray brotli(const QByteArray &data)
{
    size_t size = BrotliEncoderMaxCompressedSize(size_t(data.size())) + 16;
    QByteArray out(qsizetype(size), '\0');
    BrotliEncoderCompress(5, 22, BROTLI_MODE_GENERIC, size_t(data.size()),
                          reinterpret_cast<const uint8_t *>(data.constData()), &size,
                          reinterpret_cast<uint8_t *>(out.data()));
    out.truncate(qsizetype(size));
    return out;
}

inline QByteArray zstd(const QByteArray &data)
{
    QByteArray out(qsizetype(ZSTD_compressBound(size_t(data.size()))), '\0');
    out.truncate(qsizetype(ZSTD_compress(out.data(), size_t(out.size()), data.constData(),
                                         size_t(data.size()), 3)));
    return out;
}

// A WAV whose samples count up: any misplaced range shows.
inline QByteArray wav(int samples)
{
    QByteArray data;
    for (int i = 0; i < samples; ++i)
        data += char(i % 251);
    return "RIFF" + le32(quint32(36 + data.size())) + "WAVEfmt " + le32(16)
            + QByteArray("\1\0\1\0", 4) + le32(8000) + le32(8000) + QByteArray("\1\0\x08\0", 4)
            + "data" + le32(quint32(data.size())) + data;
}

inline QByteArray isoBox(const char *type, const QByteArray &payload)
{
    QByteArray box = QByteArray(4, '\0') + type + payload;
    return box.replace(0, 4, be32(quint32(box.size())));
}

// An MP4's first boxes: enough for its signature, not a playable movie.
inline QByteArray mp4(int mediaBytes = 500)
{
    return isoBox("ftyp", QByteArray("isom") + le32(0) + "isommp41")
            + isoBox("mdat", QByteArray(mediaBytes, 'v'));
}

} // namespace cachebuilder
