#include "app/workdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velt {

const char *const kMsgWorkFolderBusy =
        "この製品の作業フォルダーにアクセスされて作業フォルダーの処理ができません。";

EmptyResult emptyWorkDir(const QString &workDir)
{
    if (workDir.isEmpty() || QDir::isRelativePath(workDir))
        return EmptyResult::Refused;
    const QFileInfo info(workDir);
    if (info.isSymLink() || !info.isDir() || info.fileName() != QLatin1String("VeltTemp"))
        return EmptyResult::Refused;

    EmptyResult result = EmptyResult::Emptied;
    const QDir dir(workDir);
    const QFileInfoList entries =
            dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        // A link to a folder is listed as a file when broken; isDir() follows it otherwise.
        if (entry.isDir() && !entry.isSymLink())
            continue;
        if (!QFile::remove(entry.absoluteFilePath()))
            result = EmptyResult::SomeFailed;
    }
    return result;
}

} // namespace velt
