#pragma once

#include <QString>

namespace velt {

// Folders as the copy and album dialogs show, store and compare them: the platform's rules on
// case and on the drive (volume) of a path.

// The folder as the copy dialog shows it: upper-cased on Windows, where case does not matter;
// as it is elsewhere, where it names another folder.
QString folderLabelText(const QString &path);

// The label's folder as it is stored: without a trailing separator, except that the file-system
// root stays "/" (a drive root becomes "C:"), so joinFolder gives a valid path.
QString folderToStore(const QString &labelText);

// Whether two paths name the same folder, following symbolic links (and ignoring case on
// Windows). Missing folders compare by their cleaned absolute paths.
bool isSameFolder(const QString &a, const QString &b);

// The nearest folder that exists, going up from path; the home folder when none does or the path
// is relative.
QString nearestExistingFolder(const QString &path);

// The root of the volume (drive) that holds path, or of its nearest existing folder.
QString volumeRootOf(const QString &path);

} // namespace velt
