#include "browser/decode.h"

#include <brotli/decode.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>

namespace velt {

namespace {

constexpr qsizetype kChunk = 64 * 1024;

using InTime = std::function<bool()>;

// Grows out by one chunk within the limit; false when the limit is reached.
bool grow(QByteArray &out, qsizetype used, qint64 maxOutput)
{
    if (used >= maxOutput)
        return false;
    out.resize(qsizetype(std::min<qint64>(qint64(used) + kChunk, maxOutput)));
    return true;
}

DecodedBody inflateBody(const QByteArray &in, bool gzip, qint64 maxOutput, const InTime &inTime)
{
    DecodedBody result;
    z_stream z{};
    // 15 + 32: zlib or gzip header detected; -15: raw deflate, which some servers send as
    // "deflate".
    int windowBits = gzip ? 15 + 16 : 15;
    bool triedRaw = false;
    for (;;) {
        z = z_stream{};
        if (inflateInit2(&z, windowBits) != Z_OK)
            return {DecodeStatus::Corrupt, {}};
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        z.avail_in = uInt(in.size());
        QByteArray out;
        qsizetype used = 0;
        int rc = Z_OK;
        while (rc == Z_OK) {
            if (used == out.size() && !grow(out, used, maxOutput)) {
                inflateEnd(&z);
                return {DecodeStatus::TooLarge, {}};
            }
            if (inTime && !inTime()) {
                inflateEnd(&z);
                return {DecodeStatus::TooSlow, {}};
            }
            z.next_out = reinterpret_cast<Bytef *>(out.data() + used);
            z.avail_out = uInt(out.size() - used);
            rc = inflate(&z, Z_NO_FLUSH);
            used = out.size() - qsizetype(z.avail_out);
            if (rc == Z_BUF_ERROR && z.avail_in == 0)
                break; // input ended before the stream did
            if (rc == Z_BUF_ERROR && z.avail_out != 0)
                break;
            if (rc == Z_BUF_ERROR)
                rc = Z_OK; // the output was full: grow and go on
        }
        const bool badHeader = rc == Z_DATA_ERROR && used == 0 && z.total_in <= 2;
        inflateEnd(&z);
        if (!gzip && badHeader && !triedRaw) {
            triedRaw = true;
            windowBits = -15;
            continue;
        }
        out.truncate(used);
        result.data = out;
        if (rc == Z_STREAM_END)
            result.status = DecodeStatus::Complete;
        else if (rc == Z_OK || rc == Z_BUF_ERROR)
            result.status = DecodeStatus::Cut;
        else
            result.status = DecodeStatus::Corrupt;
        return result;
    }
}

DecodedBody brotliBody(const QByteArray &in, qint64 maxOutput, const InTime &inTime)
{
    BrotliDecoderState *state = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
    if (!state)
        return {DecodeStatus::Corrupt, {}};
    size_t availIn = size_t(in.size());
    const auto *nextIn = reinterpret_cast<const uint8_t *>(in.constData());
    QByteArray out;
    qsizetype used = 0;
    BrotliDecoderResult rc = BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT;
    while (rc == BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) {
        if (used == out.size() && !grow(out, used, maxOutput)) {
            BrotliDecoderDestroyInstance(state);
            return {DecodeStatus::TooLarge, {}};
        }
        if (inTime && !inTime()) {
            BrotliDecoderDestroyInstance(state);
            return {DecodeStatus::TooSlow, {}};
        }
        size_t availOut = size_t(out.size() - used);
        auto *nextOut = reinterpret_cast<uint8_t *>(out.data() + used);
        rc = BrotliDecoderDecompressStream(state, &availIn, &nextIn, &availOut, &nextOut, nullptr);
        used = out.size() - qsizetype(availOut);
    }
    BrotliDecoderDestroyInstance(state);
    out.truncate(used);
    switch (rc) {
    case BROTLI_DECODER_RESULT_SUCCESS:
        return {DecodeStatus::Complete, out};
    case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT:
        return {DecodeStatus::Cut, out};
    default:
        return {DecodeStatus::Corrupt, out};
    }
}

DecodedBody zstdBody(const QByteArray &in, qint64 maxOutput, const InTime &inTime)
{
    ZSTD_DStream *stream = ZSTD_createDStream();
    if (!stream)
        return {DecodeStatus::Corrupt, {}};
    ZSTD_inBuffer input{in.constData(), size_t(in.size()), 0};
    QByteArray out;
    qsizetype used = 0;
    size_t rc = 1;
    bool frameEnded = false;
    while (input.pos < input.size || rc != 0) {
        if (used == out.size() && !grow(out, used, maxOutput)) {
            ZSTD_freeDStream(stream);
            return {DecodeStatus::TooLarge, {}};
        }
        if (inTime && !inTime()) {
            ZSTD_freeDStream(stream);
            return {DecodeStatus::TooSlow, {}};
        }
        ZSTD_outBuffer output{out.data() + used, size_t(out.size() - used), 0};
        rc = ZSTD_decompressStream(stream, &output, &input);
        used += qsizetype(output.pos);
        if (ZSTD_isError(rc)) {
            ZSTD_freeDStream(stream);
            out.truncate(used);
            return {DecodeStatus::Corrupt, out};
        }
        frameEnded = rc == 0;
        if (input.pos == input.size && output.pos < output.size && rc != 0)
            break; // needs more input than there is
    }
    ZSTD_freeDStream(stream);
    out.truncate(used);
    return {frameEnded ? DecodeStatus::Complete : DecodeStatus::Cut, out};
}

} // namespace

DecodedBody decodeContent(const QByteArray &body, const QByteArrayList &codings, qint64 maxOutput,
                          const InTime &inTime)
{
    DecodedBody result{DecodeStatus::Complete, body};
    for (auto it = codings.crbegin(); it != codings.crend(); ++it) {
        const QByteArray &coding = *it;
        DecodedBody step;
        if (coding == "gzip" || coding == "x-gzip")
            step = inflateBody(result.data, true, maxOutput, inTime);
        else if (coding == "deflate")
            step = inflateBody(result.data, false, maxOutput, inTime);
        else if (coding == "br")
            step = brotliBody(result.data, maxOutput, inTime);
        else if (coding == "zstd")
            step = zstdBody(result.data, maxOutput, inTime);
        else
            return {DecodeStatus::Unsupported, {}};
        if (step.status == DecodeStatus::TooLarge || step.status == DecodeStatus::TooSlow)
            return step;
        // A cut or damaged inner layer makes the whole body so.
        if (step.status != DecodeStatus::Complete && result.status == DecodeStatus::Complete)
            result.status = step.status;
        result.data = std::move(step.data);
    }
    return result;
}

} // namespace velt
