#include "platform/folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace velt {

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

QString canonicalOrClean(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QString folderLabelText(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
#ifdef Q_OS_WIN
    return shown.toUpper();
#else
    return shown;
#endif
}

QString folderToStore(const QString &labelText)
{
    QString folder = labelText;
    if (folder.size() > 1 && isSeparator(folder.back()))
        folder.chop(1);
    return folder;
}

bool isSameFolder(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return canonicalOrClean(a).compare(canonicalOrClean(b), cs) == 0;
}

QString nearestExistingFolder(const QString &path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return QDir::homePath();
    QString p = QDir::cleanPath(path);
    for (;;) {
        if (QFileInfo(p).isDir())
            return p;
        const QString up = QFileInfo(p).path();
        if (up == p)
            return QDir::homePath();
        p = up;
    }
}

QString volumeRootOf(const QString &path)
{
    return QStorageInfo(nearestExistingFolder(path)).rootPath();
}

} // namespace velt
