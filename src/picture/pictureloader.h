#pragma once

#include <QImage>
#include <QString>

// The one picture loader: Qt's readers for the raster formats and SVG (within a pixel budget),
// and for WMF/EMF the helper process velt-metafile (metafilehelper.cpp), run in a process group
// of its own and killed whole at its time limit; its answer comes back as exact, bounded pixels
// (metafileraster.h), so no metafile is parsed in the program itself.

namespace velt {

// A decoded picture, or why there is none. Every window loads pictures through loadPicture.
struct LoadedPicture
{
    QImage image;
    QString error; // for diagnostics only; the windows show their own report
    bool ok() const { return !image.isNull(); }
};

// Pixels of a picture are refused before decoding when width * height * 4 exceeds this.
inline constexpr qint64 kMaxPictureBytes = 256LL * 1024 * 1024;

// The helper process that turns WMF and EMF files into SVG, and how long it may take.
struct MetafileHelper
{
    QString program;
    int timeoutMs = 5000;
};

// VELT_METAFILE_HELPER when set; otherwise velt-metafile as findProgramFile finds it.
MetafileHelper defaultMetafileHelper();

// Loads JPEG, GIF, BMP, ICO/CUR, PNG, WebP, AVIF, HEIF and JPEG XL (the last three through the
// program's own plugin, once addPictureFormatFolders has run) and the netpbm/X bitmaps through
// Qt's readers, deciding the format from the content, not the name; WMF and EMF
// through the helper process, which draws them at the metafile's own size on white within a
// pixel budget (kMaxMetafilePixels) and hands over only pixels; SVG, in a file named *.svg, that
// refers to nothing outside itself, at its own size (at most 4096 pixels a side) on white. The
// result is RGB32 or ARGB32_Premultiplied, ready to paint.
LoadedPicture loadPicture(const QString &path);
LoadedPicture loadPicture(const QString &path, const MetafileHelper &helper);

// The same picture for a thumbnail of the given size, stretched to it: the raster readers
// decode at that size (JPEG at a reduced DCT scale, not whole and then shrunk); metafiles and
// SVG are drawn at their own size and shrunk. The limits of loadPicture apply: a picture that
// it refuses is refused here too.
LoadedPicture loadThumbnail(const QString &path, QSize size, const MetafileHelper &helper);

// How loadPicture reads a file: Qt's image readers in this process, the metafile helper process,
// or the SVG renderer. Decided from the content (and for SVG the name) as loadPicture decides.
enum class LoaderKind { Raster, Metafile, Svg, Unreadable };
LoaderKind loaderKindOf(const QString &path);

} // namespace velt
