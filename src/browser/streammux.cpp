#include "browser/streammux.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include <memory>
#include <vector>

namespace velt {

namespace {

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

struct InputCloser
{
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

struct OutputCloser
{
    void operator()(AVFormatContext *c) const
    {
        if (c->pb)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using Output = std::unique_ptr<AVFormatContext, OutputCloser>;

struct PacketFree
{
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};

// The file at path opened with its streams known.
Input openInput(const QString &path, QString *why)
{
    AVFormatContext *raw = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (const int e = avformat_open_input(&raw, name.constData(), nullptr, nullptr); e < 0) {
        *why = errorText(e);
        return nullptr;
    }
    Input input(raw);
    if (const int e = avformat_find_stream_info(raw, nullptr); e < 0) {
        *why = errorText(e);
        return nullptr;
    }
    return input;
}

// The file at path opened with its first stream of type; the stream's index in *index.
Input openStream(const QString &path, AVMediaType type, int *index, QString *why)
{
    Input input = openInput(path, why);
    if (!input)
        return nullptr;
    AVFormatContext *raw = input.get();
    *index = av_find_best_stream(raw, type, -1, -1, nullptr, 0);
    if (*index < 0) {
        *why = errorText(*index);
        return nullptr;
    }
    return input;
}

} // namespace

bool muxVideoAndSound(const QString &video, const QString &audio, const QString &out, QString *why)
{
    av_log_set_level(AV_LOG_QUIET); // the library's chatter is not ours to print
    int indexes[2] = {-1, -1};
    Input inputs[2];
    inputs[0] = openStream(video, AVMEDIA_TYPE_VIDEO, &indexes[0], why);
    if (!inputs[0])
        return false;
    inputs[1] = openStream(audio, AVMEDIA_TYPE_AUDIO, &indexes[1], why);
    if (!inputs[1])
        return false;

    AVFormatContext *raw = nullptr;
    const QByteArray name = QFile::encodeName(out);
    if (const int e = avformat_alloc_output_context2(&raw, nullptr, "mp4", name.constData());
        e < 0) {
        *why = errorText(e);
        return false;
    }
    Output output(raw);
    AVStream *streams[2] = {};
    for (int i = 0; i < 2; ++i) {
        const AVStream *in = inputs[i]->streams[indexes[i]];
        streams[i] = avformat_new_stream(raw, nullptr);
        if (!streams[i] || avcodec_parameters_copy(streams[i]->codecpar, in->codecpar) < 0) {
            *why = QStringLiteral("no memory for a stream");
            return false;
        }
        streams[i]->codecpar->codec_tag = 0;
        streams[i]->time_base = in->time_base;
    }
    if (const int e = avio_open(&raw->pb, name.constData(), AVIO_FLAG_WRITE); e < 0) {
        *why = errorText(e);
        return false;
    }
    if (const int e = avformat_write_header(raw, nullptr); e < 0) {
        *why = errorText(e);
        return false;
    }
    // Both inputs read in step: the next packet always comes from the one that is behind.
    std::unique_ptr<AVPacket, PacketFree> packets[2] = {
            std::unique_ptr<AVPacket, PacketFree>(av_packet_alloc()),
            std::unique_ptr<AVPacket, PacketFree>(av_packet_alloc())};
    bool pending[2] = {false, false}, ended[2] = {false, false};
    const auto refill = [&](int i) {
        while (!pending[i] && !ended[i]) {
            if (av_read_frame(inputs[i].get(), packets[i].get()) < 0)
                ended[i] = true;
            else if (packets[i]->stream_index == indexes[i])
                pending[i] = true;
            else
                av_packet_unref(packets[i].get());
        }
    };
    for (;;) {
        refill(0);
        refill(1);
        if (!pending[0] && !pending[1])
            break;
        int i = pending[0] ? 0 : 1;
        if (pending[0] && pending[1]) {
            const AVStream *a = inputs[0]->streams[indexes[0]];
            const AVStream *b = inputs[1]->streams[indexes[1]];
            i = av_compare_ts(packets[0]->dts, a->time_base, packets[1]->dts, b->time_base) <= 0
                    ? 0
                    : 1;
        }
        AVPacket *p = packets[i].get();
        av_packet_rescale_ts(p, inputs[i]->streams[indexes[i]]->time_base, streams[i]->time_base);
        p->stream_index = i;
        p->pos = -1;
        const int e = av_interleaved_write_frame(raw, p); // takes the packet's data
        pending[i] = false;
        if (e < 0) {
            *why = errorText(e);
            return false;
        }
    }
    if (const int e = av_write_trailer(raw); e < 0) {
        *why = errorText(e);
        return false;
    }
    return true;
}

bool remuxToMp4(const QString &in, const QString &out, bool *video, QString *why)
{
    av_log_set_level(AV_LOG_QUIET);
    *video = false;
    const Input input = openInput(in, why);
    if (!input)
        return false;
    AVFormatContext *rawInput = input.get();
    AVFormatContext *raw = nullptr;
    const QByteArray name = QFile::encodeName(out);
    if (const int e = avformat_alloc_output_context2(&raw, nullptr, "mp4", name.constData());
        e < 0) {
        *why = errorText(e);
        return false;
    }
    Output output(raw);
    // Transport streams start well after zero (1.4 s as muxers write them): shifted to start
    // at zero, or the clip would open on a still picture for that long.
    raw->avoid_negative_ts = AVFMT_AVOID_NEG_TS_MAKE_ZERO;
    // Each picture and sound stream gets a stream of the output; timed metadata and the rest,
    // which MP4 cannot hold, are left out.
    std::vector<int> map(rawInput->nb_streams, -1);
    int streams = 0;
    for (unsigned i = 0; i < rawInput->nb_streams; ++i) {
        const AVStream *from = rawInput->streams[i];
        const AVMediaType type = from->codecpar->codec_type;
        if ((type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO)
            || from->codecpar->codec_id == AV_CODEC_ID_NONE)
            continue;
        AVStream *to = avformat_new_stream(raw, nullptr);
        if (!to || avcodec_parameters_copy(to->codecpar, from->codecpar) < 0) {
            *why = QStringLiteral("no memory for a stream");
            return false;
        }
        to->codecpar->codec_tag = 0;
        to->time_base = from->time_base;
        map[i] = streams++;
        *video = *video || type == AVMEDIA_TYPE_VIDEO;
    }
    if (streams == 0) {
        *why = QStringLiteral("no picture or sound stream");
        return false;
    }
    if (const int e = avio_open(&raw->pb, name.constData(), AVIO_FLAG_WRITE); e < 0) {
        *why = errorText(e);
        return false;
    }
    if (const int e = avformat_write_header(raw, nullptr); e < 0) {
        *why = errorText(e);
        return false;
    }
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    while (av_read_frame(rawInput, packet.get()) >= 0) {
        const int to = packet->stream_index < int(map.size()) ? map[packet->stream_index] : -1;
        if (to < 0 || (packet->pts == AV_NOPTS_VALUE && packet->dts == AV_NOPTS_VALUE)) {
            av_packet_unref(packet.get());
            continue;
        }
        av_packet_rescale_ts(packet.get(), rawInput->streams[packet->stream_index]->time_base,
                             raw->streams[to]->time_base);
        packet->stream_index = to;
        packet->pos = -1;
        if (const int e = av_interleaved_write_frame(raw, packet.get()); e < 0) {
            *why = errorText(e);
            return false;
        }
    }
    if (const int e = av_write_trailer(raw); e < 0) {
        *why = errorText(e);
        return false;
    }
    return true;
}

void silenceMediaLibraries()
{
    av_log_set_level(AV_LOG_QUIET);
}

} // namespace velt
