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
    // Parses "X:=DIR". False (and nothing added) when the text is not of that form.
    bool add(const QString &spec);
    void set(QChar drive, const QString &hostDir);
    // Empty when the drive is not mapped.
    QString folderFor(QChar drive) const;
    bool isEmpty() const { return m_map.isEmpty(); }

private:
    QMap<QChar, QString> m_map; // keys upper-case
};

// Maps a Windows-shaped value ("C:\WINDOWS", "C:\\Program Files\\x") to a host path:
// backslashes become "/", repeated separators collapse, the drive letter goes through the map,
// and a component that does not exist as written is matched case-insensitively. Host paths
// pass unchanged (apart from collapsing separators). An unmapped drive gives "" (not found).
QString hostPath(const QString &windowsPath, const DriveMap &drives);

// Case-insensitive wildcard match with Windows semantics: '*' any run, '?' one character,
// and "*.*" (or a pattern ending in ".*") also matches names without a dot.
bool wildcardMatch(const QString &pattern, const QString &name);

// Regular files directly inside dir whose names match pattern, in a stable order (the order
// the file system lists them). Never follows a folder; an unreadable or missing dir gives none.
QStringList matchingFiles(const QString &dir, const QString &pattern);

} // namespace velt
