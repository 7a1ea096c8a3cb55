#pragma once

#include <QString>

namespace velt {

// True when the file ends the way its format ends: JPEG's end-of-image marker, GIF's trailer,
// PNG's IEND chunk, a RIFF (WebP, WAV, AVI) or BMP size that the file holds, ISO boxes (MP4,
// AVIF, HEIF, M4A, MOV) that reach exactly to the end of the file, a JPEG XL container's boxes
// likewise with its last codestream part. Other formats, whose end cannot be told, pass.
// extension is the format's own ("png"), as formatFromSignature gives it.
bool formatEndIntact(const QString &path, const QString &extension);

} // namespace velt
