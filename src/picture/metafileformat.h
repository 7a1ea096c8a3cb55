#pragma once

#include <cstddef>
#include <cstdint>

namespace velt {

enum class MetafileKind { None, Wmf, Emf };

// Tells a Windows metafile from its first bytes (at least 44 are needed for EMF). Shared by the
// loader and the metafile helper, which links no Qt GUI code.
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
