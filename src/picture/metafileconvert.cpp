#include "picture/metafileconvert.h"

#include "picture/metafileformat.h"
#include "picture/metafileraster.h"

#include <QPainter>
#include <QStringDecoder>
#include <QSvgRenderer>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cstdlib>
#include <memory>

namespace velt {

namespace {

constexpr double kScreenDpi = 96.0;

struct WmfApiDeleter
{
    void operator()(wmfAPI *api) const { wmf_api_destroy(api); }
};

// libwmf allocates a buffer for the largest record the header announces before it reads one:
// a header announcing gigabytes would be taken at its word. No record is larger than the file,
// so the announcement is cut to that; a record that is larger still fails as it should.
void limitAnnouncedRecord(QByteArray &data)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    // A placeable file has 22 bytes of its own in front of the header.
    const qsizetype header =
            data.size() >= 4 && metafileKindOf(bytes, 4) == MetafileKind::Wmf ? 22 : 0;
    constexpr qsizetype kMaxRecordField = 12; // 32-bit size in 16-bit words
    if (data.size() < header + kMaxRecordField + 4)
        return;
    const qsizetype at = header + kMaxRecordField;
    const quint32 announced = quint32(bytes[at]) | quint32(bytes[at + 1]) << 8
            | quint32(bytes[at + 2]) << 16 | quint32(bytes[at + 3]) << 24;
    const quint32 largest = quint32((data.size() - header) / 2);
    if (announced <= largest)
        return;
    for (int k = 0; k < 4; ++k)
        data[at + k] = char((largest >> (8 * k)) & 0xFF);
}

std::optional<QByteArray> wmfToSvg(QByteArray &data)
{
    limitAnnouncedRecord(data);
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL;
    wmfAPI *raw = nullptr;
    const wmf_error_t created = wmf_api_create(&raw, flags, &options);
    std::unique_ptr<wmfAPI, WmfApiDeleter> api(raw);
    if (created != wmf_E_None || !api)
        return std::nullopt;
    if (wmf_mem_open(api.get(), reinterpret_cast<unsigned char *>(data.data()), long(data.size()))
        != wmf_E_None)
        return std::nullopt;
    wmfD_Rect bbox{};
    if (wmf_scan(api.get(), 0, &bbox) != wmf_E_None)
        return std::nullopt;

    unsigned int width = 0;
    unsigned int height = 0;
    if (wmf_display_size(api.get(), &width, &height, kScreenDpi, kScreenDpi) != wmf_E_None
        || width == 0 || height == 0)
        return std::nullopt;

    wmf_svg_t *device = WMF_SVG_GetData(api.get());
    device->out = wmf_stream_create(api.get(), nullptr);
    if (!device->out)
        return std::nullopt;
    static char description[] = "velt";
    device->Description = description;
    device->bbox = bbox;
    device->width = width;
    device->height = height;
    // Bitmaps go into the SVG as data; without this flag the device would write PNG files.
    device->flags |= WMF_SVG_INLINE_IMAGES;

    const wmf_error_t played = wmf_play(api.get(), 0, &bbox);
    char *svg = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api.get(), device->out, &svg, &length);
    device->out = nullptr;
    // The text belongs to the library's memory, freed with the API object.
    if (played != wmf_E_None || !svg || length == 0)
        return std::nullopt;
    // libwmf copies the metafile's text bytes as they are: Shift-JIS in the files of interest.
    const QByteArray raw8(svg, qsizetype(length));
    QStringDecoder decoder("CP932");
    if (!decoder.isValid())
        return raw8;
    return QString(decoder(raw8)).toUtf8();
}

std::optional<QByteArray> emfToSvg(QByteArray &data)
{
    static char nameSpace[] = "svg";
    generatorOptions options{};
    options.nameSpace = nameSpace;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    char *svg = nullptr;
    size_t length = 0;
    const int ok = emf2svg(data.data(), size_t(data.size()), &svg, &length, &options);
    std::unique_ptr<char, void (*)(void *)> owned(svg, &std::free);
    if (ok != 1 || !svg || length == 0)
        return std::nullopt;
    return QByteArray(svg, qsizetype(length));
}

} // namespace

std::optional<QByteArray> metafileToSvg(QByteArray &data)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    switch (metafileKindOf(bytes, std::size_t(data.size()))) {
    case MetafileKind::Wmf:
        return wmfToSvg(data);
    case MetafileKind::Emf:
        return emfToSvg(data);
    case MetafileKind::None:
        break;
    }
    return std::nullopt;
}

std::optional<QImage> renderSvgWithinBudget(const QByteArray &svg)
{
    if (!svgWithinLimits(svg))
        return std::nullopt;
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return std::nullopt;
    const auto drawn =
            metafileSizeInBudget(renderer.defaultSize().width(), renderer.defaultSize().height());
    if (!drawn)
        return std::nullopt;
    const QSize size(int(drawn->first), int(drawn->second));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

} // namespace velt
