#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace velt {

enum class MediaClass { None, Picture, MovieOrSound };

// A picture, movie or sound format, as a cached body is told to be one.
struct MediaFormat
{
    MediaClass kind = MediaClass::None;
    QString extension; // lower case, without the dot: "png"
    QString name;      // as the damaged-picture report names a format: "Png", "Jpeg"
    bool isKnown() const { return kind != MediaClass::None; }
};

// How many leading bytes formatFromSignature wants to see (SVG text may start late).
inline constexpr int kSignatureBytes = 4096;

// The format from a body's first bytes; unknown when no known signature is there.
MediaFormat formatFromSignature(QByteArrayView head);

// The format from a Content-Type value ("image/png; charset=x"); unknown when the type is not
// a picture, movie or sound type.
MediaFormat formatFromContentType(QByteArrayView contentType);

// The format a file extension stands for ("PNG", "jpeg"); unknown for other extensions.
MediaFormat formatFromExtension(const QString &extension);

enum class MetafileKind { None, Wmf, Emf };

// Tells a Windows metafile from its first bytes (at least 44 are needed for EMF). Shared by the
// loader and the metafile helper.
inline MetafileKind metafileKindOf(const unsigned char *data, std::size_t size)
{
    auto u16 = [data](std::size_t at) {
        return std::uint32_t(data[at]) | (data[at + 1] << 8);
    };
    auto u32 = [&](std::size_t at) {
        return u16(at) | (u16(at + 2) << 16);
    };
    if (size >= 4 && u32(0) == 0x9AC6CDD7u)
        return MetafileKind::Wmf; // placeable header
    if (size >= 44 && u32(0) == 1 && u32(40) == 0x464D4520u)
        return MetafileKind::Emf; // EMR_HEADER with the " EMF" signature
    if (size >= 18 && (u16(0) == 1 || u16(0) == 2) && u16(2) == 9
        && (u16(4) == 0x0100 || u16(4) == 0x0300))
        return MetafileKind::Wmf; // plain header: type, 9-word header size, version
    return MetafileKind::None;
}

} // namespace velt
