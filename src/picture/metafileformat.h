#pragma once

#include "app/mediatype.h"

#include <cstddef>
#include <cstdint>

namespace velt {

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
