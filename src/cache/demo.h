#pragma once

#include <QString>

#include <optional>

namespace velt {

// A Windows-shaped folder tree for "velt --demo". Paths are host paths.
struct DemoRoot
{
    QString root;         // the folder that stands for drive C:
    QString registryFile; // REGEDIT4 file naming the folders below as "C:\..."
    QString windowsDir;   // root/WINDOWS, the SystemRoot
};

// Builds under dir (created when missing) a Windows folder with an Internet Explorer cache of
// four sub-folders, a Netscape installation with a profile (prefs.js) and a cache, and a
// registry file describing them, for the drive map C: -> dir. The cache holds pictures drawn at
// run time in every picture type, some of them damaged as real downloads are, GIF
// advertisements, a sound, a movie and a few files of other types, with modification times
// spread over the last week, none in the future. Every run writes the same files (the dates
// follow today). Pictures get their captions only when a QGuiApplication exists.
// Returns nothing and sets *error (when given) if a folder or file cannot be written.
std::optional<DemoRoot> buildDemoRoot(const QString &dir, QString *error = nullptr);

} // namespace velt
