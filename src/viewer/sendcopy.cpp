#include "viewer/sendcopy.h"

#include "app/settings.h"
#include "platform/namebytes.h"
#include "platform/workdir.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace velt {

const char *const kMsgCopyFailed = QT_TRANSLATE_NOOP(
        "Messages", "コピーに失敗しました。（コピー先のフォルダーが無いか、書きこみ禁止です。）");
const char *const kMsgWorkFolderNotAllowed =
        QT_TRANSLATE_NOOP("Messages", "この製品の作業フォルダーの為、設定できません。");
const char *const kMsgNoExtension =
        QT_TRANSLATE_NOOP("Messages", "拡張子は変更できませんので入力しないで下さい。");
const char *const kPromptNewName = QT_TRANSLATE_NOOP("Messages",
                                                     "新しいファイル名を入力して下さい。\r\n"
                                                     "（拡張子は入力しないで下さい。）");
const char *const kTitleNewName = QT_TRANSLATE_NOOP("Messages", "名前の変更");

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
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
    const QString kindText = media ? QCoreApplication::translate("Messages", "動画・音楽ファイル ")
                                   : QCoreApplication::translate("Messages", "画像ファイル ");
    QString target = name;
    SendPlan plan;
    // The copy keeps the source's bytes (a name typed by the user is UTF-8); the message shows
    // what the windows show.
    if (newName.isEmpty()) {
        plan.message = kindText + displayFileName(name)
                + QCoreApplication::translate("Messages", " をコピーしました.");
    } else {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        target = newName + (dot < 0 ? QString() : name.mid(dot));
        plan.message = kindText + displayFileName(name)
                + QCoreApplication::translate("Messages", " を ") + displayFileName(target)
                + QCoreApplication::translate("Messages", " に変更してコピーしました.");
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

#ifndef _WIN32

namespace {

// A new file beside target for writing the copy into: with the permission bits target has when
// it exists (the umask's default otherwise), as a replacement of the file keeps them.
int createTemporaryBeside(const QByteArray &target, QByteArray *temporary)
{
    struct stat existing
    {
    };
    const bool exists = ::stat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = target + '.';
        for (int i = 0; i < 6; ++i)
            name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              exists ? 0600 : 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd >= 0 && exists && ::fchmod(fd, existing.st_mode & 07777) != 0) {
            removeOpenFile(fd, name);
            ::close(fd);
            return -1;
        }
        *temporary = name;
        return fd;
    }
    return -1;
}

} // namespace

bool copyFileSafely(const QString &source, const QString &destination,
                    const std::function<void()> &between, qint64 chunkBytes)
{
    // Both names go to the file system as their bytes: a name that is not UTF-8 is copied
    // under the same bytes.
    QFile in;
    if (destination.isEmpty() || !openRegularFile(source, in))
        return false;
    struct stat info
    {
    };
    if (::fstat(in.handle(), &info) != 0)
        return false;
    const QByteArray target = encodeFileName(destination);
    QByteArray temporary;
    // Never writes into the destination itself: that could be the source.
    const int out = createTemporaryBeside(target, &temporary);
    if (out < 0)
        return false;
    QByteArray buffer(qMax<qint64>(chunkBytes, 4096), Qt::Uninitialized);
#ifdef Q_OS_LINUX
    constexpr qint64 kWriteBehindBytes = 32 << 20;
    qint64 unsynced = 0;
#endif
    int error = 0;
    bool ok = true;
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!writeAll(out, buffer.constData(), n, &error)) {
            ok = false;
            break;
        }
#ifdef Q_OS_LINUX
        // Start writing to the disk as the copy goes, so the final flush before the rename does
        // not hold the window for long.
        unsynced += n;
        if (unsynced >= kWriteBehindBytes) {
            ::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
            unsynced = 0;
        }
#endif
        if (between)
            between();
    }
    if (ok) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
        ::futimens(out, times);
        ::fsync(out); // as a replacement should; a file system without it still copies
    }
    if (!ok) {
        removeOpenFile(out, temporary);
        ::close(out);
        return false;
    }
    // Told by device and inode after the close, so that only our temporary file is taken back.
    struct stat made
    {
    };
    const bool known = ::fstat(out, &made) == 0;
    if (::close(out) == 0 && ::rename(temporary.constData(), target.constData()) == 0)
        return true;
    struct stat named
    {
    };
    if (known && ::lstat(temporary.constData(), &named) == 0 && named.st_dev == made.st_dev
        && named.st_ino == made.st_ino)
        ::unlink(temporary.constData());
    return false;
}

#else

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
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return false; // QSaveFile removes its temporary file
        if (n == 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            return false;
        if (between)
            between();
    }
    if (!out.flush())
        return false;
    out.setFileTime(info.lastModified(), QFileDevice::FileModificationTime);
    return out.commit();
}

#endif

} // namespace velt
