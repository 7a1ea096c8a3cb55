#include "platform/programfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velt {

namespace {

// Relative to the executable's folder; the build passes the install layout's own.
#ifndef VELT_RELATIVE_DATA_DIR
#define VELT_RELATIVE_DATA_DIR "../share/velt"
#endif
#ifndef VELT_RELATIVE_HELPER_DIR
#define VELT_RELATIVE_HELPER_DIR "../libexec/velt"
#endif

QString installedFolder(ProgramFileKind kind, const QString &executableDir)
{
    const char *relative =
            kind == ProgramFileKind::Data ? VELT_RELATIVE_DATA_DIR : VELT_RELATIVE_HELPER_DIR;
    return QDir::cleanPath(executableDir + QLatin1Char('/') + QLatin1String(relative));
}

} // namespace

QString findProgramFile(const QString &name, ProgramFileKind kind, const QString &executableDir)
{
    if (name.isEmpty() || executableDir.isEmpty())
        return QString();
    for (const QString &folder : {executableDir, installedFolder(kind, executableDir)}) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QString findProgramFile(const QString &name, ProgramFileKind kind)
{
    if (!QCoreApplication::instance())
        return QString();
    return findProgramFile(name, kind, QCoreApplication::applicationDirPath());
}

QStringList pictureFormatFolders(const QString &executableDir)
{
    QStringList folders;
    if (executableDir.isEmpty())
        return folders;
    for (const QString &folder :
         {executableDir, installedFolder(ProgramFileKind::Helper, executableDir)}) {
        if (QFileInfo(folder + QStringLiteral("/imageformats")).isDir()
            && !folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

void addPictureFormatFolders()
{
    if (!QCoreApplication::instance())
        return;
    for (const QString &folder : pictureFormatFolders(QCoreApplication::applicationDirPath()))
        QCoreApplication::addLibraryPath(folder);
}

bool runsInstalled(const QString &executableDir)
{
    if (executableDir.isEmpty())
        return false;
    for (const ProgramFileKind kind : {ProgramFileKind::Data, ProgramFileKind::Helper}) {
        if (QFileInfo(installedFolder(kind, executableDir)).isDir())
            return true;
    }
    return false;
}

} // namespace velt
