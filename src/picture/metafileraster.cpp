#include "picture/metafileraster.h"

#include "picture/metafileformat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velt {

bool metafileSizeWithinBudget(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= kMaxMetafileSide && height <= kMaxMetafileSide
            && width * height <= kMaxMetafilePixels;
}

std::optional<std::pair<qint64, qint64>> metafileSizeInBudget(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return std::nullopt;
    if (metafileSizeWithinBudget(width, height))
        return std::pair{width, height};
    const double w = double(width);
    const double h = double(height);
    const double scale = std::min({double(kMaxMetafileSide) / w, double(kMaxMetafileSide) / h,
                                   std::sqrt(double(kMaxMetafilePixels) / w / h)});
    const auto side = [scale](double v) {
        return std::clamp<qint64>(qint64(v * scale), 1, kMaxMetafileSide);
    };
    qint64 scaledWidth = side(w);
    qint64 scaledHeight = side(h);
    // Rounding may leave one row too many.
    while (scaledWidth * scaledHeight > kMaxMetafilePixels)
        scaledWidth > scaledHeight ? --scaledWidth : --scaledHeight;
    return std::pair{scaledWidth, scaledHeight};
}

bool svgWithinLimits(QByteArrayView svg)
{
    if (std::size_t(svg.size()) > kMaxSvgBytes)
        return false;
    // An element starts with "<" and a letter; "</", "<!" and "<?" do not count.
    std::size_t elements = 0;
    for (qsizetype i = 0; i + 1 < svg.size(); ++i) {
        if (svg[i] != '<')
            continue;
        const char next = svg[i + 1];
        if (((next | 0x20) >= 'a' && (next | 0x20) <= 'z') && ++elements > kMaxSvgElements)
            return false;
    }
    return true;
}

QByteArray rasterOutput(const QImage &image)
{
    QByteArray out = QByteArray(kRasterMagic) + ' ' + QByteArray::number(image.width()) + ' '
            + QByteArray::number(image.height()) + '\n';
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const qsizetype rowBytes = qsizetype(rgb.width()) * 4;
    out.reserve(out.size() + rowBytes * rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        out.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rowBytes);
    return out;
}

std::optional<QImage> parseRasterOutput(const QByteArray &output)
{
    const qsizetype newline = output.indexOf('\n');
    if (newline < 0 || std::size_t(newline) > kMaxRasterHeaderBytes)
        return std::nullopt;
    const QList<QByteArray> fields = output.left(newline).split(' ');
    if (fields.size() != 3 || fields[0] != kRasterMagic)
        return std::nullopt;
    bool okWidth = false;
    bool okHeight = false;
    const qint64 width = fields[1].toLongLong(&okWidth);
    const qint64 height = fields[2].toLongLong(&okHeight);
    if (!okWidth || !okHeight || !metafileSizeWithinBudget(width, height)
        || output.size() - newline - 1 != width * height * 4)
        return std::nullopt;
    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    const char *pixels = output.constData() + newline + 1;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), pixels + qsizetype(y) * width * 4, std::size_t(width) * 4);
    return image;
}

} // namespace velt
