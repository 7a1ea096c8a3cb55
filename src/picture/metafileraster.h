#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

#include <optional>
#include <utility>

namespace velt {

// The metafile helper's limits and the picture as it hands it over (the form is in
// metafileformat.h).

// True when the SVG is small enough to be parsed: at most kMaxSvgBytes bytes and
// kMaxSvgElements elements.
bool svgWithinLimits(QByteArrayView svg);

// True when a picture of this size may be drawn: within kMaxMetafilePixels and kMaxMetafileSide.
bool metafileSizeWithinBudget(qint64 width, qint64 height);

// The size to draw a picture of width x height at: itself within the budget, else scaled down,
// keeping its proportions, until it fits (a valid picture is drawn smaller, not refused).
// Empty for a size that is not positive.
std::optional<std::pair<qint64, qint64>> metafileSizeInBudget(qint64 width, qint64 height);

// The helper's output for a picture: the header and the pixels.
QByteArray rasterOutput(const QImage &image);

// The picture in the helper's output; nothing unless the output is exactly a header and the
// pixels it announces, within the pixel budget.
std::optional<QImage> parseRasterOutput(const QByteArray &output);

} // namespace velt
