#pragma once

// The picture formats Qt has no reader for — AVIF (libavif), HEIF/HEIC (libheif) and JPEG XL
// (libjxl) — as a Qt image-format plugin, so that every QImageReader of the program reads them.
// Uses nothing of ours. The size in the header is checked against Qt's allocation limit before
// any pixels are decoded; deep pictures come out in 8 bits, alpha is kept, an animation gives its
// first frame.

#include <QImageIOHandler>
#include <QImageIOPlugin>

namespace velt {

enum class ModernFormat { None, Avif, Heif, Jxl };

// The format from a file's first bytes (64 are plenty).
ModernFormat sniffModernFormat(const QByteArray &head);

class ModernFormatHandler : public QImageIOHandler
{
public:
    explicit ModernFormatHandler(ModernFormat kind) : m_kind(kind) { }
    bool canRead() const override;
    bool read(QImage *image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;

private:
    bool load() const;
    ModernFormat m_kind;
    mutable bool m_loaded = false;
    mutable QByteArray m_bytes;
    mutable QSize m_size;
};

class ModernFormatPlugin : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "modernformats.json")
public:
    Capabilities capabilities(QIODevice *device, const QByteArray &format) const override;
    QImageIOHandler *create(QIODevice *device, const QByteArray &format) const override;
};

} // namespace velt
