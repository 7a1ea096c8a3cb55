#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <functional>

namespace velt {

enum class DecodeStatus {
    Complete,    // every coding decoded to its end
    Cut,         // the input ended early; the output is what it decoded to so far
    Corrupt,     // the input is damaged; the output is what came before the damage
    TooLarge,    // the output would pass the limit (a decompression bomb); no output
    Unsupported, // a coding this program does not know; no output
    TooSlow,     // inTime said stop before the end; no output
};

struct DecodedBody
{
    DecodeStatus status = DecodeStatus::Complete;
    QByteArray data;
};

// Undoes Content-Encoding codings (gzip, x-gzip, deflate, br, zstd), listed in the order they
// were applied, so the last is undone first. No output grows beyond maxOutput bytes; inTime,
// when given, is asked after every chunk whether to go on.
DecodedBody decodeContent(const QByteArray &body, const QByteArrayList &codings, qint64 maxOutput,
                          const std::function<bool()> &inTime = {});

} // namespace velt
