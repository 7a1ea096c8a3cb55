#pragma once

#include <QString>
#include <QStringList>

namespace velt {

enum class ProgramFileKind { Data, Helper };

// A file that comes with the program, found from the executable's own folder: beside the
// executable (a build tree, or the program's folder copied as a whole), else where an installed
// layout keeps it relative to the executable: data (cut.bmp, the help) in ../share/velt,
// helpers (velt-metafile) in ../libexec/velt. Empty when neither place has it.
QString findProgramFile(const QString &name, ProgramFileKind kind, const QString &executableDir);

// The same from the running program's folder (empty without an application object).
QString findProgramFile(const QString &name, ProgramFileKind kind);

// The folders whose imageformats/ holds the program's own picture-format plugin (AVIF, HEIF,
// JPEG XL): the executable's folder (a build tree) and the helper folder of an installed layout,
// those that exist.
QStringList pictureFormatFolders(const QString &executableDir);

// Adds them to Qt's library paths, so that every QImageReader finds the plugin. Needs the
// application object.
void addPictureFormatFolders();

// Whether the executable runs from an installed layout (its ../share/velt or ../libexec/velt
// exists). Its folder is then shared by other programs and no place for the settings file,
// even when writable.
bool runsInstalled(const QString &executableDir);

} // namespace velt
