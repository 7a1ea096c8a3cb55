#include "browser/mediaduration.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstdio>

namespace velt {

namespace {

// Enough for the header of every container we list, and for an MP4's index at its end.
constexpr qint64 kMaxReadBytes = 4LL * 1024 * 1024;
constexpr int kBufferBytes = 64 * 1024;

struct Source
{
    QFile file;
    qint64 read = 0;
};

int readPacket(void *opaque, uint8_t *buffer, int size)
{
    auto *source = static_cast<Source *>(opaque);
    const qint64 left = kMaxReadBytes - source->read;
    if (left <= 0)
        return AVERROR_EOF;
    const qint64 n =
            source->file.read(reinterpret_cast<char *>(buffer), std::min<qint64>(size, left));
    if (n <= 0)
        return AVERROR_EOF;
    source->read += n;
    return int(n);
}

int64_t seekPacket(void *opaque, int64_t offset, int whence)
{
    auto *source = static_cast<Source *>(opaque);
    if (whence & AVSEEK_SIZE)
        return source->file.size();
    qint64 to = -1;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        to = offset;
        break;
    case SEEK_CUR:
        to = source->file.pos() + offset;
        break;
    case SEEK_END:
        to = source->file.size() + offset;
        break;
    default:
        break;
    }
    if (to < 0 || !source->file.seek(to))
        return -1;
    return to;
}

struct Probe
{
    AVFormatContext *format = nullptr;
    AVIOContext *io = nullptr;
    ~Probe()
    {
        avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

std::optional<double> seconds(const AVFormatContext *format)
{
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return double(format->duration) / AV_TIME_BASE;
    double longest = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream *stream = format->streams[i];
        if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
            longest = std::max(longest, double(stream->duration) * av_q2d(stream->time_base));
    }
    return longest > 0 ? std::optional<double>(longest) : std::nullopt;
}

} // namespace

std::optional<double> mediaDurationSeconds(const QString &path)
{
    av_log_set_level(AV_LOG_QUIET); // the library's chatter is not ours to print
    Source source;
    source.file.setFileName(path);
    if (!source.file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Probe probe;
    auto *buffer = static_cast<unsigned char *>(av_malloc(kBufferBytes));
    if (!buffer)
        return std::nullopt;
    probe.io =
            avio_alloc_context(buffer, kBufferBytes, 0, &source, readPacket, nullptr, seekPacket);
    if (!probe.io) {
        av_free(buffer);
        return std::nullopt;
    }
    probe.format = avformat_alloc_context();
    if (!probe.format)
        return std::nullopt;
    probe.format->pb = probe.io;
    probe.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&probe.format, nullptr, nullptr, nullptr) < 0)
        return std::nullopt; // avformat_open_input freed the context
    if (const auto known = seconds(probe.format))
        return known;
    if (avformat_find_stream_info(probe.format, nullptr) < 0)
        return std::nullopt;
    return seconds(probe.format);
}

} // namespace velt
