// The metafile helper's input, in this process: any bytes through the metafile libraries into
// SVG, the SVG limits, and the pixel hand-over the loader reads.

#include "fuzzcommon.h"

#include "picture/metafileconvert.h"
#include "picture/metafileraster.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    QByteArray input = fuzz::bytes(data, size);
    if (const std::optional<QByteArray> svg = metafileToSvg(input))
        (void)svgWithinLimits(*svg);
    // The same bytes as the helper's answer: the loader takes exact, bounded pixels or nothing.
    if (const std::optional<QImage> image = parseRasterOutput(fuzz::bytes(data, size)))
        fuzz::require(metafileSizeWithinBudget(image->width(), image->height()));
    return 0;
}
