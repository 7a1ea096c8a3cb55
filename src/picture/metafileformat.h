#pragma once

#include <cstddef>
#include <cstdint>

namespace velt {

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

// Limits of the helper's work. The SVG the libraries make is parsed only when it is at most
// kMaxSvgBytes long with at most kMaxSvgElements elements, and drawn only when the picture has
// at most kMaxMetafilePixels pixels and kMaxMetafileSide on a side: far beyond what the picture
// window can show, far below what would hurt.
inline constexpr std::size_t kMaxSvgBytes = 16u * 1024 * 1024;
inline constexpr std::size_t kMaxSvgElements = 250000;
inline constexpr std::int64_t kMaxMetafilePixels = 4096LL * 4096;
inline constexpr int kMaxMetafileSide = 8192;

// What the helper writes on standard output: the header "VELTRGB32 WIDTH HEIGHT\n", then
// HEIGHT rows of WIDTH 32-bit pixels 0xffRRGGBB in the machine's byte order (QImage's RGB32).
inline constexpr char kRasterMagic[] = "VELTRGB32";
inline constexpr std::size_t kMaxRasterHeaderBytes = 64;

} // namespace velt
