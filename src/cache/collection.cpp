#include "cache/collection.h"

#include "app/workdir.h"
#include "browser/browsercollection.h"
#include "cache/ordering.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velt {

const char *const kMsgTooManyCacheFolders = "キャッシュフォルダー数が多すぎます。\r\n"
                                            "コントロールパネルのインターネットオプションの全般タブ"
                                            "からインターネット一時ファイルを削除して、\r\n"
                                            "一時ファイルを整理する事をお勧めします。";
const char *const kMsgAskStop = "ここで画像読込を中止しますか？";
const char *const kMsgListLimit = "読み込みファイルは最大３００００ファイルです。\r\n"
                                  "コントロールパネルのインターネットオプションの全般タブからインタ"
                                  "ーネット一時ファイルを削除して、\r\n"
                                  "一時ファイルを整理する事をお勧めします。";
const char *const kMsgNothingFound =
        "画像ファイルがインターネットキャッシュフォルダーにありませんでした。\r\n"
        "お好みのサイトに一度アクセスし、再度ZUDIを起動して下さい。";
const char *const kLabelSearchingIE = "ＩＥキャッシュファイルを検索中…";
const char *const kLabelSearchingNetscape = "ＮｅｔＳｃａｐｅキャッシュファイルを検索中…";
const char *const kLabelOrganizing = "取得したファイルを整理しています…";

namespace {

bool upperNameLess(const QString &a, const QString &b)
{
    const QString ua = a.toUpper();
    const QString ub = b.toUpper();
    return ua != ub ? ua < ub : a < b;
}

} // namespace

#ifndef _WIN32
// Copies one regular file, keeping its last-modified time, in as few system calls as the kernel
// allows: the copy runs 33 times per cache folder over thousands of files. A partial copy is
// removed, so a failure never leaves a cut picture behind.
static bool copyOneFile(const QByteArray &source, const QByteArray &target)
{
    // O_NONBLOCK: a FIFO that appeared since the listing must not stop the collection.
    const int in = ::open(source.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat info;
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return false;
    }
    // O_NOFOLLOW: never write through a link; a folder of the same name fails with EISDIR.
    const int out =
            ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    off_t remaining = info.st_size;
    bool useRange = true;
    char buffer[64 * 1024];
    while (ok && remaining > 0) {
        ssize_t n = -1;
        if (useRange) {
            n = ::copy_file_range(in, nullptr, out, nullptr, size_t(remaining), 0);
            if (n < 0
                && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                useRange = false;
                continue;
            }
        } else {
            n = ::read(in, buffer, sizeof buffer);
            for (ssize_t done = 0; n > 0 && done < n;) {
                const ssize_t w = ::write(out, buffer + done, size_t(n - done));
                if (w <= 0) {
                    n = -1;
                    break;
                }
                done += w;
            }
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break; // at 0 the file got shorter since: what there was is copied
        remaining -= n;
    }
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(out, times);
    if (::close(out) != 0)
        ok = false;
    ::close(in);
    if (!ok)
        ::unlink(target.constData());
    return ok;
}
#else
static bool copyOneFile(const QByteArray &source, const QByteArray &target)
{
    std::error_code ec;
    const std::filesystem::path from(source.toStdString());
    const std::filesystem::path to(target.toStdString());
    const auto modified = std::filesystem::last_write_time(from, ec);
    if (ec
        || !std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                       ec)
        || ec)
        return false;
    std::filesystem::last_write_time(to, modified, ec);
    return true;
}
#endif

// Copies the named files of dir into destDir (see copyMatching).
static int copyFiles(const QString &dir, const QStringList &names, const QString &destDir)
{
    int copied = 0;
    const QByteArray sourceDir = QFile::encodeName(dir) + '/';
    const QByteArray targetDir = QFile::encodeName(destDir) + '/';
    for (const QString &name : names) {
        const QByteArray encoded = QFile::encodeName(name);
        if (copyOneFile(sourceDir + encoded, targetDir + encoded))
            ++copied;
    }
    return copied;
}

// A folder's file names grouped by their upper-cased extension (after the last dot), so that
// each "*.EXT" pattern is a lookup instead of a pass over the folder.
class FolderListing
{
public:
    explicit FolderListing(const QStringList &names) : m_names(names)
    {
        for (const QString &name : names) {
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot >= 0)
                m_byExtension[name.mid(dot + 1).toUpper()] << name;
        }
    }
    QStringList matching(const QString &pattern) const
    {
        const QString ext = pattern.mid(2);
        const bool plainExtension = pattern.startsWith(QLatin1String("*."))
                && !ext.contains(QLatin1Char('*')) && !ext.contains(QLatin1Char('?'))
                && !ext.contains(QLatin1Char('.')) && !ext.isEmpty();
        if (plainExtension)
            return m_byExtension.value(ext.toUpper());
        QStringList result;
        for (const QString &name : m_names) {
            if (wildcardMatch(pattern, name))
                result << name;
        }
        return result;
    }

private:
    QStringList m_names;
    QHash<QString, QStringList> m_byExtension;
};

int copyMatching(const QString &dir, const QString &pattern, const QString &destDir)
{
    return copyFiles(dir, matchingFiles(dir, pattern), destDir);
}

QStringList listCacheFolders(const QString &root, bool *tooMany)
{
    *tooMany = false;
    QStringList all =
            QDir(root).entryList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    std::sort(all.begin(), all.end(), upperNameLess);
    QStringList folders;
    for (const QString &name : std::as_const(all)) {
        folders << name;
        if (folders.size() >= kMaxCacheFolders) {
            *tooMany = true;
            break;
        }
    }
    return folders;
}

// The regular files of dir with their properties, in the order the walk takes them: by
// upper-cased name, as Windows file systems list a folder.
static QFileInfoList filesInWalkOrder(const QString &dir)
{
    QFileInfoList files;
    if (dir.isEmpty())
        return files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() || !info.isFile())
            continue;
        files << info;
    }
    // Sort on keys made once, not on upper-casing inside every comparison.
    std::vector<std::pair<QString, qsizetype>> keys;
    keys.reserve(files.size());
    for (qsizetype i = 0; i < files.size(); ++i)
        keys.emplace_back(files[i].fileName().toUpper(), i);
    std::sort(keys.begin(), keys.end(), [&](const auto &a, const auto &b) {
        return a.first != b.first ? a.first < b.first
                                  : files[a.second].fileName() < files[b.second].fileName();
    });
    QFileInfoList sorted;
    sorted.reserve(files.size());
    for (const auto &key : keys)
        sorted << files[key.second];
    return sorted;
}

// FilterDate as a date; an invalid date (text that is no date) never equals a file's day.
static QDate filterDate(const QString &text)
{
    const QString t = text.trimmed();
    for (const char *format : {"yyyy/MM/dd", "yyyy/M/d", "yyyy-MM-dd", "yyyy-M-d"}) {
        const QDate d = QDate::fromString(t, QString::fromLatin1(format));
        if (d.isValid())
            return d;
    }
    return QDate();
}

WalkConditions walkConditions(const Settings &settings, const QDate &today)
{
    WalkConditions c;
    c.today = today;
    c.noConditions = settings.isEmptyText(NoConditions) || settings.isSet(NoConditions);
    c.todayOnly = settings.isSet(TodayOnly);
    c.dateOnly = settings.isSet(DateOnly);
    c.filterDate = filterDate(settings.text(FilterDate));
    c.minSizeOn = settings.isSet(MinSizeOn);
    c.maxSizeOn = settings.isSet(MaxSizeOn);
    c.minSize = leadingNumber(settings.text(MinSize));
    c.maxSize = leadingNumber(settings.text(MaxSize));
    return c;
}

FileVerdict judgeFile(const QString &name, const QDateTime &modified, qint64 size,
                      const WalkConditions &c, const ExtTable &ext)
{
    if (!ext.SerchGaExp(name))
        return FileVerdict::Skip;
    const QDate day = modified.date();
    if (day > c.today)
        return FileVerdict::Skip; // dated in the future: never listed, whatever the conditions
    if (!c.noConditions) {
        if (c.todayOnly && day != c.today)
            return FileVerdict::Skip;
        if (c.dateOnly && (!c.filterDate.isValid() || day != c.filterDate))
            return FileVerdict::Skip;
        if (c.minSizeOn && !(double(size) > c.minSize))
            return FileVerdict::Skip;
        if (c.maxSizeOn && !(double(size) < c.maxSize))
            return FileVerdict::Skip;
    }
    return isGifName(name) ? FileVerdict::Gif : FileVerdict::List;
}

void collectWorkDir(MdlVELT &state, const Settings &settings, const ExtTable &ext,
                    const QDate &today, const std::function<void()> &atLimit)
{
    state.ListCount = 0;
    state.GifCount = 0;

    const WalkConditions conditions = walkConditions(settings, today);
    const QFileInfoList files = filesInWalkOrder(state.WorkDir);
    for (const QFileInfo &info : files) {
        if (state.ListCount >= kListLimit) {
            if (atLimit)
                atLimit();
            break;
        }
        const QString f = info.fileName();
        const QDateTime t = info.lastModified();
        switch (judgeFile(f, t, info.size(), conditions, ext)) {
        case FileVerdict::Skip:
            break;
        case FileVerdict::List: {
            const int k = state.ListCount + 1;
            state.reserveList(k);
            state.ListFile[k] = f;
            state.ListLine[k] = displayLine(f, t);
            state.ListCount = k;
            break;
        }
        case FileVerdict::Gif:
            state.reserveGif(state.GifCount + 1);
            state.GifFile[state.GifCount + 1] = f;
            state.GifCount += 1;
            break;
        }
    }
}

// Copies the types of one column, pattern by pattern in table order, yielding after each copy
// and asking about a pending stop. False when the user chose to stop. The folder is listed once:
// the copies go into another folder, so its contents do not change meanwhile.
static bool copyTypes(CollectionContext &ctx, const QString &folder, const FolderListing &files,
                      int column, int rows, int &stopAns)
{
    for (int row = 1; row <= rows; ++row) {
        const QString pattern = QStringLiteral("*.") + ctx.ext.at(column, row);
        copyFiles(folder, files.matching(pattern), ctx.state.WorkDir);
        ctx.host.yield();
        if (ctx.state.StopLoad)
            stopAns = ctx.host.AskStop();
        if (stopAns == kAnswerYes)
            return false;
    }
    return true;
}

// Copies both columns out of one folder; false when the user chose to stop.
static bool copyFolder(CollectionContext &ctx, const QString &folder, int &stopAns,
                       const std::function<void()> &betweenColumns = {})
{
    // An unmapped folder matches nothing, like a pattern without matches.
    const FolderListing files(folder.isEmpty() ? QStringList()
                                               : matchingFiles(folder, QStringLiteral("*")));
    if (!copyTypes(ctx, folder, files, 1, ExtTable::kPictureRows, stopAns))
        return false;
    if (betweenColumns)
        betweenColumns();
    return copyTypes(ctx, folder, files, 2, ExtTable::kMediaRows, stopAns);
}

CacheLocation GetICPath(CollectionContext &ctx)
{
    MdlVELT &state = ctx.state;
    Settings &settings = ctx.settings;
    CollectionHost &host = ctx.host;

    CacheLocation loc;
    if (!locateCaches(ctx.registry, ctx.drives, state, settings, loc)) {
        ctx.dialogs.messageBox(QString::fromUtf8(kMsgNoCacheFolder), MsgIcon::Critical,
                               MsgButtons::Ok);
        return loc;
    }
    int &stopAns = loc.StopAns;
    stopAns = kAnswerNo;

    // Working folders.
    QDir().mkpath(state.WorkDir);
    QDir().mkpath(state.BufferDir);
    host.setOpenDialogInitDir(state.WorkDir);

    // Default folders.
    if ((settings.isEmptyText(CopyFolderOpened) || settings.isEmptyText(CopyFolder))
        && !state.SysRoot.isEmpty()) {
        settings.setText(CopyFolder, state.BufferDir);
        settings.setText(CopyFolderOpened, state.BufferDir);
        settings.setText(AlbumFolder, state.BufferDir);
    }

    // Internet Explorer sub-folders.
    QStringList cacheDirs;
    if (!loc.ICPath.isEmpty()) {
        bool tooMany = false;
        cacheDirs = listCacheFolders(loc.ICPath, &tooMany);
        if (tooMany)
            ctx.dialogs.messageBox(QString::fromUtf8(kMsgTooManyCacheFolders), MsgIcon::Exclamation,
                                   MsgButtons::Ok);
    }

    host.showSplash();
    host.waitOneTick();

    emptyWorkDir(state.WorkDir);

    if (settings.isSet(NoCollectAtStart)) {
        host.closeSplash();
        host.setCounters(state.ListPos, state.ListCount);
        host.disableNavigation();
        return loc;
    }

    // Copies from Internet Explorer, pictures first, then movies and sounds, folder by folder.
    const int n = int(cacheDirs.size());
    bool going = true;
    for (int i = 0; going && i < n; ++i) {
        const QString folder = QDir(loc.ICPath).filePath(cacheDirs[i]);
        going = copyFolder(ctx, folder, stopAns);
        if (going)
            host.setProgress(int(40.0 / n * (i + 1)));
    }

    host.setProgress(40);
    host.yield();
    if (stopAns != kAnswerYes && loc.NsFound) {
        host.setLoadLabel(QString::fromUtf8(kLabelSearchingNetscape));
        host.yield();
        loc.NsCache = NsCacheFromPrefs(loc.NsPrefs, loc.NsCache);
        host.setProgress(50);
        const QString nsFolder = hostPath(loc.NsCache, ctx.drives);
        copyFolder(ctx, nsFolder, stopAns, [&host] { host.setProgress(70); });
    }
    extractBrowserCaches(ctx, stopAns);

    host.setLoadLabel(QString::fromUtf8(kLabelOrganizing));
    host.setProgress(80);
    host.yield();

    collectWorkDir(state, settings, ctx.ext, ctx.today);

    host.setProgress(90);
    host.yield();
    GSort(state, settings.isSet(SortByTime));
    host.setProgress(100);
    host.yield();
    host.closeSplash();

    if (state.ListCount >= kListLimit)
        ctx.dialogs.messageBox(QString::fromUtf8(kMsgListLimit), MsgIcon::Exclamation,
                               MsgButtons::Ok);
    if (state.ListCount + state.GifCount == 0) {
        ctx.dialogs.messageBox(QString::fromUtf8(kMsgNothingFound), MsgIcon::Information,
                               MsgButtons::Ok);
        host.disableNavigation();
    }
    host.setCounters(state.ListPos, state.ListCount);
    return loc;
}

} // namespace velt
