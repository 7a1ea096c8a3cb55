#pragma once

#include "platform/folders.h"

#include <QString>

#include <functional>

namespace velt {

// What the copy button acts on.
enum class CopyKind {
    Nothing,
    Media,   // a movie or sound opened with the File button: its own destination, movie wording
    Picture, // a picture: the picture destination, picture wording
};

struct CopyJob
{
    CopyKind kind = CopyKind::Nothing;
    QString source; // full path
};

// DisplayMode 1: the movie or sound opened with the File button; 2: the list picture
// workDir/listFile, only while one is shown (listPos not 0); 3: the picture opened with the File
// button; anything else: nothing.
CopyJob copyJobFor(int displayMode, int listPos, const QString &openedFile, const QString &workDir,
                   const QString &listFile);

// The settings slot of the destination for a DisplayMode: movies and sounds opened with the
// File button (1) keep theirs apart from pictures (everything else).
int destinationSlot(int displayMode);

// Where a copy goes and what is said after it.
struct SendPlan
{
    QString destination; // empty when folder is not an absolute path: the copy fails
    QString message;     // the success message
};

// The source's own name, or newName plus the source's extension (from the last dot of its name,
// none when it has no dot), inside folder.
SendPlan planCopy(const CopyJob &job, const QString &folder, const QString &newName);

// What the rename button makes of a typed name. A dot would change the extension; a path
// separator, "." or ".." would write outside the destination folder: all refused alike.
enum class NewNameCheck { Empty, Refused, Accepted };
NewNameCheck checkNewName(const QString &answer);

// folder + separator + name, also for a root folder ("/" or "C:").
QString joinFolder(const QString &folder, const QString &name);

// Copies source to destination, replacing a file there. Writes a temporary file beside the
// destination and renames it into place once complete, so an existing destination (also the
// source itself) stays whole until then and a failed copy leaves nothing behind. Keeps the
// modification time. Only regular files are copied: a pipe would block, a folder means nothing.
// between runs after each chunk, so a long copy can let the window repaint.
bool copyFileSafely(const QString &source, const QString &destination,
                    const std::function<void()> &between = {}, qint64 chunkBytes = 1 << 20);

extern const char *const kMsgCopyFailed;
extern const char *const kMsgWorkFolderNotAllowed;
extern const char *const kMsgNoExtension;
extern const char *const kPromptNewName;
extern const char *const kTitleNewName;

} // namespace velt
