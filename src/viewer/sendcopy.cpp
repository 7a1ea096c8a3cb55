#include "viewer/sendcopy.h"

#include "app/settings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace velt {

const char *const kMsgCopyFailed =
        "コピーに失敗しました。（コピー先のフォルダーが無いか、書きこみ禁止です。）";
const char *const kMsgWorkFolderNotAllowed = "この製品の作業フォルダーの為、設定できません。";
const char *const kMsgNoExtension = "拡張子は変更できませんので入力しないで下さい。";
const char *const kPromptNewName = "新しいファイル名を入力して下さい。\r\n"
                                   "（拡張子は入力しないで下さい。）";
const char *const kTitleNewName = "名前の変更";

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

CopyJob copyJobFor(int displayMode, int listPos, const QString &openedFile, const QString &workDir,
                   const QString &listFile)
{
    switch (displayMode) {
    case 1:
        return {CopyKind::Media, openedFile};
    case 2:
        if (listPos == 0)
            return {};
        return {CopyKind::Picture, joinFolder(workDir, listFile)};
    case 3:
        return {CopyKind::Picture, openedFile};
    default:
        return {};
    }
}

int destinationSlot(int displayMode)
{
    return displayMode == 1 ? CopyFolderOpened : CopyFolder;
}

SendPlan planCopy(const CopyJob &job, const QString &folder, const QString &newName)
{
    const QString name = QFileInfo(job.source).fileName();
    const bool media = job.kind == CopyKind::Media;
    const QString kindText =
            media ? QStringLiteral("動画・音楽ファイル ") : QStringLiteral("画像ファイル ");
    QString target = name;
    SendPlan plan;
    if (newName.isEmpty()) {
        plan.message = kindText + name + QStringLiteral(" をコピーしました.");
    } else {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        target = newName + (dot < 0 ? QString() : name.mid(dot));
        plan.message = kindText + name + QStringLiteral(" を ") + target
                + QStringLiteral(" に変更してコピーしました.");
    }
    if (!folder.isEmpty() && QDir::isAbsolutePath(folder))
        plan.destination = joinFolder(folder, target);
    return plan;
}

NewNameCheck checkNewName(const QString &answer)
{
    if (answer.isEmpty())
        return NewNameCheck::Empty;
    for (const QChar c : answer) {
        if (c == QLatin1Char('.') || isSeparator(c) || c.isNull())
            return NewNameCheck::Refused;
    }
    return NewNameCheck::Accepted;
}

QString joinFolder(const QString &folder, const QString &name)
{
    if (!folder.isEmpty() && isSeparator(folder.back()))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool copyFileSafely(const QString &source, const QString &destination,
                    const std::function<void()> &between, qint64 chunkBytes)
{
    const QFileInfo info(source);
    if (!info.isFile() || destination.isEmpty())
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // Never writes into the destination itself: that could be the source.
    QSaveFile out(destination);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QByteArray buffer(qMax<qint64>(chunkBytes, 4096), Qt::Uninitialized);
#ifdef Q_OS_LINUX
    constexpr qint64 kWriteBehindBytes = 32 << 20;
    qint64 unsynced = 0;
#endif
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return false; // QSaveFile removes its temporary file
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            return false;
#ifdef Q_OS_LINUX
        // Start writing to the disk as the copy goes, so the final flush before the rename does
        // not hold the window for long.
        unsynced += n;
        if (unsynced >= kWriteBehindBytes && out.flush()) {
            ::sync_file_range(out.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
            unsynced = 0;
        }
#endif
        if (between)
            between();
    }
    if (!out.flush())
        return false;
    out.setFileTime(info.lastModified(), QFileDevice::FileModificationTime);
    return out.commit();
}

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
