#pragma once

#include "app/sourcetable.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace velt {

// Outcome of the damaged-download check. The tests look at content only, never at the name.
enum class CheckResult {
    Passes,
    GifDamaged,  // first byte "G", last byte not the GIF trailer ";"
    JpegDamaged, // first byte 0xFF, last byte not 0xD9
    BmpDamaged,  // first byte "B", second byte not "M"
    Unreadable,  // missing, not a regular file, empty, or a read failed
    // A body taken from today's browsers that was cut short, by its format. A cut GIF, JPEG or
    // BMP body is GifDamaged, JpegDamaged or BmpDamaged.
    PngDamaged,
    WebpDamaged,
    AvifDamaged,
    SvgDamaged,
    IcoDamaged,
    WmfDamaged,
    EmfDamaged,
    // Files whose structure tells their end (any file, not only today's browsers' bodies):
    // AVIF (AvifDamaged above) and HEIF boxes, a JPEG XL container's boxes.
    HeifDamaged,
    JxlDamaged,
};

// The three bytes the check looks at; a byte beyond the end of the file stays 0.
struct CheckBytes
{
    quint8 first = 0;
    quint8 second = 0;
    quint8 last = 0;
};

struct CheckOutcome
{
    CheckResult result = CheckResult::Unreadable;
    // The file's last-modified time, read after the bytes; empty when the bytes were not read.
    std::optional<QDateTime> modified;
};

// Reads the first, second and last byte. Empty when the file cannot be opened, is not a regular
// file, is empty, or a read fails. The file is closed on every path.
std::optional<CheckBytes> readCheckBytes(const QString &path);

// The GIF, JPEG and BMP tests in that order; the first that fires decides. A JPEG XL codestream
// (FF 0A) is no JPEG: the JPEG test leaves it alone.
CheckResult classifyCheckBytes(CheckBytes bytes);

// For a file whose bytes passed: an AVIF or HEIF file (ISO boxes after an 'ftyp' of their
// brands) whose boxes do not reach exactly to its end, or a JPEG XL container whose boxes do not
// (or whose last codestream part is missing), is cut. Other files pass; a bare JPEG XL
// codestream is left to its decoder.
CheckResult checkStructure(const QString &path);

// Reads the bytes, applies the tests, the structure check and, when the bytes were read, the
// last-modified time.
CheckOutcome checkImageFile(const QString &path);

// For the thumbnail window: true passes, false fails a test, empty when the file could not be
// read. Shows nothing and changes nothing.
std::optional<bool> PictureCheck(const QString &path);

// The same checks for a file of the working folder. A file taken from today's browsers (sources
// knows it, with the size and time it was written with) fails only when its body was cut short
// or its format's end is missing, with its own format's result; every other file gets the
// three-byte tests.
CheckOutcome checkImageFile(const QString &path, const SourceTable &sources);
std::optional<bool> PictureCheck(const QString &path, const SourceTable &sources);

// First line of the report: the format's headline, or the unknown-format one for every other
// failure (unreadable file, loader refusal). Formats of today's browsers follow the JPEG
// headline's pattern with their own name. Translated for the windows; --check prints the
// program's own text in every language (translated = false).
QString checkReportHeadline(CheckResult result, bool translated = true);

// "yyyy/mm/dd  hh:mm:ss" (two spaces), local time.
QString checkReportTimeText(const QDateTime &time);

// The five-line report, lines joined by CR LF. The time line ends after its label when the time
// was not read.
QString checkReportText(CheckResult result, const QString &fn,
                        const std::optional<QDateTime> &modified);

} // namespace velt
