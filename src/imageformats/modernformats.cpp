#include "modernformats.h"

#include <QIODevice>
#include <QImage>
#include <QImageReader>
#include <QTransform>
#include <QtEndian>

#include <avif/avif.h>
#include <jxl/decode.h>
#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace velt {

namespace {

// A picture file larger than this is not read into memory at all.
constexpr qint64 kMaxFileBytes = 256 * 1024 * 1024;

bool withinBudget(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0 || width > 65534 || height > 65534)
        return false;
    const qint64 limitMiB = QImageReader::allocationLimit();
    return limitMiB <= 0 || width * height * 4 <= limitMiB * 1024 * 1024;
}

// Header only when image is null: the size is all that is wanted.
bool decodeAvif(const QByteArray &bytes, QSize &size, QImage *image)
{
    std::unique_ptr<avifDecoder, void (*)(avifDecoder *)> dec(avifDecoderCreate(),
                                                              avifDecoderDestroy);
    if (!dec)
        return false;
    dec->ignoreExif = AVIF_TRUE;
    dec->ignoreXMP = AVIF_TRUE;
    // Browsers show files that leave out optional boxes; so do we.
    dec->strictFlags = AVIF_STRICT_DISABLED;
    const qint64 limitMiB = QImageReader::allocationLimit();
    if (limitMiB > 0)
        dec->imageSizeLimit =
                uint32_t(qMin<qint64>(limitMiB * 1024 * 1024 / 4, AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
    if (avifDecoderSetIOMemory(dec.get(), reinterpret_cast<const uint8_t *>(bytes.constData()),
                               size_t(bytes.size()))
                != AVIF_RESULT_OK
        || avifDecoderParse(dec.get()) != AVIF_RESULT_OK)
        return false;
    if (!withinBudget(dec->image->width, dec->image->height))
        return false;
    // libavif leaves the rotation and mirroring to us; phones and cameras write them.
    const bool rotated = (dec->image->transformFlags & AVIF_TRANSFORM_IROT) != 0;
    const int quarterTurns = rotated ? dec->image->irot.angle % 4 : 0;
    const bool mirrored = (dec->image->transformFlags & AVIF_TRANSFORM_IMIR) != 0;
    const QSize stored(int(dec->image->width), int(dec->image->height));
    size = quarterTurns % 2 ? stored.transposed() : stored;
    if (!image)
        return true;
    if (avifDecoderNextImage(dec.get()) != AVIF_RESULT_OK)
        return false;
    const bool alpha = dec->image->alphaPlane != nullptr;
    QImage out;
    if (!QImageIOHandler::allocateImage(
                stored, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888, &out))
        return false;
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, dec->image);
    rgb.format = AVIF_RGB_FORMAT_RGBA;
    rgb.depth = 8;
    rgb.pixels = out.bits();
    rgb.rowBytes = uint32_t(out.bytesPerLine());
    if (avifImageYUVToRGB(dec->image, &rgb) != AVIF_RESULT_OK)
        return false;
    // The rotation first, then the mirroring, as the boxes are listed.
    if (quarterTurns != 0)
        out = out.transformed(QTransform().rotate(-90.0 * quarterTurns));
    if (mirrored) // mode 0: top and bottom exchanged; 1: left and right
        out = dec->image->imir.mode == 0 ? out.mirrored(false, true) : out.mirrored(true, false);
    if (out.isNull())
        return false;
    *image = std::move(out);
    return true;
}

bool decodeHeif(const QByteArray &bytes, QSize &size, QImage *image)
{
    std::unique_ptr<heif_context, void (*)(heif_context *)> ctx(heif_context_alloc(),
                                                                heif_context_free);
    if (!ctx)
        return false;
    heif_context_set_maximum_image_size_limit(ctx.get(), 65534);
    if (heif_context_read_from_memory_without_copy(ctx.get(), bytes.constData(),
                                                   size_t(bytes.size()), nullptr)
                .code
        != heif_error_Ok)
        return false;
    heif_image_handle *rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(ctx.get(), &rawHandle).code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle *)> handle(
            rawHandle, heif_image_handle_release);
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (!withinBudget(width, height))
        return false;
    size = QSize(width, height);
    if (!image)
        return true;
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
    heif_image *rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          nullptr)
                .code
        != heif_error_Ok)
        return false;
    std::unique_ptr<heif_image, void (*)(const heif_image *)> decoded(rawImage, heif_image_release);
    // The decoded picture may differ from the header (a transform, a lying ispe): go by it.
    const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane =
            heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    if (!plane || !withinBudget(w, h))
        return false;
    QImage out;
    if (!QImageIOHandler::allocateImage(
                QSize(w, h), alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888, &out))
        return false;
    const size_t rowBytes = size_t(w) * (alpha ? 4 : 3);
    if (size_t(stride) < rowBytes)
        return false;
    for (int y = 0; y < h; ++y)
        std::memcpy(out.scanLine(y), plane + qsizetype(y) * stride, rowBytes);
    size = QSize(w, h);
    *image = std::move(out);
    return true;
}

bool decodeJxl(const QByteArray &bytes, QSize &size, QImage *image)
{
    std::unique_ptr<JxlDecoder, void (*)(JxlDecoder *)> dec(JxlDecoderCreate(nullptr),
                                                            JxlDecoderDestroy);
    if (!dec
        || JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE)
                != JXL_DEC_SUCCESS
        || JxlDecoderSetInput(dec.get(), reinterpret_cast<const uint8_t *>(bytes.constData()),
                              size_t(bytes.size()))
                != JXL_DEC_SUCCESS)
        return false;
    // The input is not closed: a cut file then ends in "more input needed", which libjxl
    // reports without writing to standard error.
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    QImage out;
    for (;;) {
        switch (JxlDecoderProcessInput(dec.get())) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS
                || !withinBudget(info.xsize, info.ysize))
                return false;
            size = QSize(int(info.xsize), int(info.ysize));
            if (!image)
                return true;
            if (!QImageIOHandler::allocateImage(size,
                                                info.alpha_bits > 0 ? QImage::Format_RGBA8888
                                                                    : QImage::Format_RGBX8888,
                                                &out))
                return false;
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t needed = 0;
            if (out.isNull()
                || JxlDecoderImageOutBufferSize(dec.get(), &format, &needed) != JXL_DEC_SUCCESS
                || needed != size_t(out.sizeInBytes())
                || JxlDecoderSetImageOutBuffer(dec.get(), &format, out.bits(), needed)
                        != JXL_DEC_SUCCESS)
                return false;
            break;
        }
        case JXL_DEC_FULL_IMAGE: // the first frame is enough
            *image = std::move(out);
            return true;
        default: // an error, a cut file (no more input), or the end without a picture
            return false;
        }
    }
}

bool decode(ModernFormat kind, const QByteArray &bytes, QSize &size, QImage *image)
{
    switch (kind) {
    case ModernFormat::Avif:
        return decodeAvif(bytes, size, image);
    case ModernFormat::Heif:
        return decodeHeif(bytes, size, image);
    case ModernFormat::Jxl:
        return decodeJxl(bytes, size, image);
    case ModernFormat::None:
        break;
    }
    return false;
}

QByteArray formatName(ModernFormat kind)
{
    switch (kind) {
    case ModernFormat::Avif:
        return "avif";
    case ModernFormat::Heif:
        return "heif";
    case ModernFormat::Jxl:
        return "jxl";
    case ModernFormat::None:
        break;
    }
    return QByteArray();
}

} // namespace

ModernFormat sniffModernFormat(const QByteArray &head)
{
    static const QByteArray jxlContainer("\0\0\0\x0cJXL \r\n\x87\n", 12);
    if (head.startsWith("\xff\x0a") || head.startsWith(jxlContainer))
        return ModernFormat::Jxl;
    if (head.size() < 12 || head.mid(4, 4) != "ftyp")
        return ModernFormat::None;
    const qsizetype boxEnd =
            qMin<qsizetype>(qFromBigEndian<quint32>(head.constData()), head.size());
    bool heif = false;
    // The major brand at 8, the minor version at 12, compatible brands from 16.
    for (qsizetype at = 8; at + 4 <= boxEnd; at += at == 8 ? 8 : 4) {
        const QByteArray brand = head.mid(at, 4);
        if (brand == "avif" || brand == "avis")
            return ModernFormat::Avif;
        if (brand == "heic" || brand == "heix" || brand == "hevc" || brand == "hevx"
            || brand == "heim" || brand == "heis" || brand == "mif1" || brand == "msf1")
            heif = true;
    }
    return heif ? ModernFormat::Heif : ModernFormat::None;
}

bool ModernFormatHandler::canRead() const
{
    if (!device() || sniffModernFormat(device()->peek(64)) != m_kind)
        return false;
    const_cast<ModernFormatHandler *>(this)->setFormat(formatName(m_kind));
    return true;
}

bool ModernFormatHandler::load() const
{
    if (m_loaded)
        return !m_bytes.isEmpty();
    m_loaded = true;
    if (!device())
        return false;
    if (device()->size() > kMaxFileBytes)
        return false;
    m_bytes = device()->read(kMaxFileBytes);
    return !m_bytes.isEmpty();
}

bool ModernFormatHandler::read(QImage *image)
{
    if (!load())
        return false;
    QImage out;
    if (!decode(m_kind, m_bytes, m_size, &out))
        return false;
    *image = std::move(out);
    return true;
}

QVariant ModernFormatHandler::option(ImageOption option) const
{
    if (option == Size) {
        if (!m_size.isValid() && load()) {
            QSize size;
            if (decode(m_kind, m_bytes, size, nullptr))
                m_size = size;
        }
        return m_size.isValid() ? QVariant(m_size) : QVariant();
    }
    return QVariant();
}

bool ModernFormatHandler::supportsOption(ImageOption option) const
{
    return option == Size;
}

QImageIOPlugin::Capabilities ModernFormatPlugin::capabilities(QIODevice *device,
                                                              const QByteArray &format) const
{
    if (format == "avif" || format == "heif" || format == "heic" || format == "jxl")
        return CanRead;
    if (!format.isEmpty() || !device || !device->isReadable())
        return {};
    return sniffModernFormat(device->peek(64)) != ModernFormat::None ? CanRead : Capabilities();
}

QImageIOHandler *ModernFormatPlugin::create(QIODevice *device, const QByteArray &format) const
{
    ModernFormat kind = format == "avif"           ? ModernFormat::Avif
            : format == "heif" || format == "heic" ? ModernFormat::Heif
            : format == "jxl"                      ? ModernFormat::Jxl
            : device                               ? sniffModernFormat(device->peek(64))
                                                   : ModernFormat::None;
    auto *handler = new ModernFormatHandler(kind);
    handler->setDevice(device);
    handler->setFormat(formatName(kind));
    return handler;
}

} // namespace velt
