#pragma once

#include <QChar>
#include <QMap>
#include <QString>
#include <QStringList>

namespace velt {

// Drive letters of Windows-shaped paths mapped to host folders ("--drive C:=DIR").
class DriveMap
{
public:
    // Parses "X:=DIR" (any case; DIR made absolute). False (and nothing added) when the text is
    // not of that form.
    bool add(const QString &mapping);
    // An empty hostDir removes the drive.
    void set(QChar drive, const QString &hostDir);
    // Empty when the drive is not mapped.
    QString folderFor(QChar drive) const;
    bool isEmpty() const { return m_map.isEmpty(); }

private:
    QMap<QChar, QString> m_map; // keys upper-case
};

// Maps a Windows-shaped value ("C:\WINDOWS", "C:\\Program Files\\x") to a host path:
// backslashes become "/", repeated separators collapse, "." and ".." are resolved as Windows
// does, the drive letter goes through the map, and each component that does not exist as
// written is matched case-insensitively against its folder's listing (the first match in name
// order when several differ only in case). From the first component that is not found on, the
// rest is kept as written. The result has no trailing separator.
// Host paths ("/...") pass unchanged apart from collapsing separators. An unmapped drive, a
// UNC path ("\\server\share"), a rooted path without drive ("\WINDOWS") and a relative value
// give "" (not found): none of them names a host folder.
QString hostPath(const QString &windowsPath, const DriveMap &drives);

// Case-insensitive wildcard match with Windows semantics: '*' any run, '?' one character,
// brackets and every other character literal, and a pattern ending in ".*" (so "*.*") also
// matches names without a dot.
bool wildcardMatch(const QString &pattern, const QString &name);

// Names (not paths) of the regular files directly inside dir that match pattern, in name order
// compared case-insensitively (as NTFS lists them). Symbolic links to regular files count as
// files; broken or looping links, folders and special files do not. An empty, unreadable or
// missing dir gives none.
QStringList matchingFiles(const QString &dir, const QString &pattern);

} // namespace velt
