#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

#include <optional>

namespace velt {

// The work of the metafile helper process, apart from its process and resource limits, so that
// a fuzzer runs it in its own process. Nothing else calls these: the metafile libraries parse
// untrusted bytes, and the program runs them only in the helper.

// The SVG (UTF-8) for the bytes of a WMF or EMF file; nothing when they are neither or the
// library refuses them. data may be changed by the library.
std::optional<QByteArray> metafileToSvg(QByteArray &data);

// The SVG drawn at its own size on white (RGB32); nothing when it is not valid SVG or its size
// is empty or beyond kMaxMetafilePixels or kMaxMetafileSide. Needs a QGuiApplication.
std::optional<QImage> renderSvgWithinBudget(const QByteArray &svg);

} // namespace velt
