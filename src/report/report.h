#pragma once

// Reports of a collection: one record per collected picture, GIF, movie and sound with the facts
// known about it, written as CSV (RFC 4180, UTF-8 with a byte-order mark, so that spreadsheet
// programs read Japanese) or JSON Lines. Everything here reads files and builds bytes; the
// command that runs the collection lives in cli/.

#include "app/sourcetable.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace velt {

enum class ReportFormat { Csv, JsonLines, Html };

// The format a report path asks for by its extension (without regard to case); "-" is CSV on
// standard output. Empty for any other extension.
std::optional<ReportFormat> reportFormatFor(const QString &path);

enum class ReportKind { Picture, Gif, Movie, Sound };

struct ReportRecord
{
    int number = 0; // the list's number; 0 for GIFs, movies and sounds
    QString name;   // in the working folder
    ReportKind kind = ReportKind::Picture;
    QString format;      // from the side table: "Png", "Jpeg"
    QString source;      // the application and profile whose cache kept it: "Chromium (Default)"
    QString cacheFolder; // the cache folder it was read or copied from
    QString cacheFormat; // "Firefox cache2", "Chromium Simple", ...; empty for other folders
    QString address;     // from the side table
    QString site;        // the top-frame site the cache partitioned it under
    int status = 0;      // the stored response's HTTP status; 0 unknown
    QString contentType;
    QString encoding;
    double duration = -1; // movies and sounds, in seconds; negative when unknown
    QDateTime fetched;    // from the side table; invalid when unknown
    QDateTime fileTime;   // invalid when unknown
    qint64 length = -1;
    qint64 expectedLength = -1;
    QSize size; // pictures only; invalid when unknown
    std::optional<bool> ok;
    QString reason; // why not ok
    QByteArray sha256;
};

// Movies and sounds of the working folder are told apart by their extension.
ReportKind mediaKindOf(const QString &name);

// The record of name in folder: the damaged-download check as --check makes it, the size from
// the picture's header (no full decode) or a movie's or sound's duration from its container,
// the SHA-256 of its bytes, and the side table's facts when the file is still as it was
// written. copiedFrom is the folder a file of the registry's caches was copied from.
ReportRecord reportRecordFor(const QString &folder, const QString &name, ReportKind kind,
                             int number, const SourceTable &sources,
                             const QString &copiedFrom = {});

// A name as the file system's bytes: valid text as it is, each byte that is not UTF-8 (kept as
// U+DC80..U+DCFF, see namebytes.h) as \xHH, any other unpaired surrogate as \uHHHH, so that the
// output is valid UTF-8.
QString writtenText(const QString &text);

// Text as a JSON string (written as writtenText gives it) that is also safe inside an HTML
// script element: "<", ">", "&" and U+2028/2029 are written as escapes.
QByteArray jsonText(const QString &text);

// "2026-12-09T14:05:00+09:00": local time with its offset; empty for an invalid time.
QString reportTimeText(const QDateTime &time);

// The columns, in the order both formats write them (the JSON keys).
QStringList reportColumns();

// The whole report. Names keep every character; bytes of a name that are not UTF-8 are written
// \xHH, as --list prints them.
QByteArray csvReport(const QList<ReportRecord> &records);
QByteArray jsonLinesReport(const QList<ReportRecord> &records);

// Why path cannot take a report: a folder, a missing or unwritable folder, or a place inside
// one of the folders being read (a report there would be read as cache or emptied with the
// working folder). Empty when it can.
QString reportTargetProblem(const QString &path, const QStringList &readFolders);

// Writes bytes to path through a temporary file renamed at the end: a failure (a full disk)
// never leaves a partial report under path. False with *why set on failure.
bool writeReportFile(const QString &path, const QByteArray &bytes, QString *why);

} // namespace velt
