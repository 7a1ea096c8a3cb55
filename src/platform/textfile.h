#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <optional>

namespace velt {

// The largest registry file or prefs.js that is read. Real ones are a few kilobytes; anything
// near this size is not what the program was pointed at.
inline constexpr qint64 kMaxTextFileBytes = 16LL * 1024 * 1024;

// The whole content of a regular file of at most maxBytes (a symbolic link to one counts).
// Never blocks: a FIFO, socket, device or folder is refused before it is read. On failure
// *why says, in one English phrase, what was wrong ("not a regular file", "larger than 16 MB",
// the system's error text).
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes, QString *why);

// True when path names something other than a regular file (a folder, FIFO, socket or device,
// also through a link). A path that does not exist is not refused.
bool isNonRegularFile(const QString &path);

// Replaces the file at path (through a link: the file it points to) with bytes: written to a
// temporary file beside it, named path + "." + six letters or digits and locked while it lives,
// every write and the flush to the disk checked, then renamed over the old file, which keeps its
// permission bits. On any failure the temporary file is removed, the old file stays as it was,
// *error gets the system's reason and the result is false. A path naming something other than
// a regular file (a folder, FIFO, device) is refused before anything is written.
bool replaceFileContents(const QString &path, const QByteArray &bytes, QString *error);

// Removes the temporary files that replaceFileContents leaves beside path when the process is
// killed while writing, skipping those a running writer still holds. Returns how many went.
int removeStaleTemporaries(const QString &path);

// Lines of a text file, each decoded on its own: UTF-8 when the line is valid UTF-8; otherwise
// the line was written in the Japanese Windows code page (CP932), which is how it is read. A
// line valid in neither is read as UTF-8 with replacement characters. So one stray byte changes
// the reading of its own line only.
class TextLineDecoder
{
public:
    TextLineDecoder();
    QString decode(QByteArrayView line);

private:
    QStringDecoder m_utf8;
    QStringDecoder m_cp932;
};

// TextLineDecoder().decode(line), for a single line.
QString decodeTextLine(QByteArrayView line);

} // namespace velt
