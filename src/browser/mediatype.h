#pragma once

#include <QByteArrayView>
#include <QString>

namespace velt {

enum class MediaClass { None, Picture, MovieOrSound };

// A picture, movie or sound format, as a cached body is told to be one.
struct MediaFormat
{
    MediaClass kind = MediaClass::None;
    QString extension; // lower case, without the dot: "png"
    QString name;      // as the damaged-picture report names a format: "Png", "Jpeg"
    bool isKnown() const { return kind != MediaClass::None; }
};

// How many leading bytes formatFromSignature wants to see (SVG text may start late).
inline constexpr int kSignatureBytes = 4096;

// The format from a body's first bytes; unknown when no known signature is there.
MediaFormat formatFromSignature(QByteArrayView head);

// The format from a Content-Type value ("image/png; charset=x"); unknown when the type is not
// a picture, movie or sound type.
MediaFormat formatFromContentType(QByteArrayView contentType);

// The format a file extension stands for ("PNG", "jpeg"); unknown for other extensions.
MediaFormat formatFromExtension(const QString &extension);

} // namespace velt
