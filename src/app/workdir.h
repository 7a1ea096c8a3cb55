#pragma once

#include <QString>

namespace velt {

// The message when the working folder cannot be emptied.
extern const char *const kMsgWorkFolderBusy;

enum class EmptyResult {
    Emptied,    // every file directly inside was deleted (or there was none)
    Refused,    // the folder is not one the program may empty; nothing was touched
    SomeFailed, // at least one file could not be deleted; the others were
};

// Deletes the regular files (and file links, as links) directly inside workDir; sub-folders and
// their contents stay, nothing is followed through a link. Refuses, deleting nothing, when
// workDir is empty, relative, a link, not an existing folder, or not named "VeltTemp" (a folder
// the program did not make).
EmptyResult emptyWorkDir(const QString &workDir);

} // namespace velt
