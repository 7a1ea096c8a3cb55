#include "cache/collection.h"

#include "cache/browsercollection.h"
#include "cache/ordering.h"
#include "platform/language.h"
#include "platform/namebytes.h"
#include "platform/workdir.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <thread>

namespace velt {

const char *const kMsgTooManyCacheFolders =
        QT_TRANSLATE_NOOP("Messages",
                          "キャッシュフォルダー数が多すぎます。\r\n"
                          "コントロールパネルのインターネットオプションの全般タブ"
                          "からインターネット一時ファイルを削除して、\r\n"
                          "一時ファイルを整理する事をお勧めします。");
const char *const kMsgAskStop = QT_TRANSLATE_NOOP("Messages", "ここで画像読込を中止しますか？");
const char *const kMsgListLimit =
        QT_TRANSLATE_NOOP("Messages",
                          "読み込みファイルは最大３００００ファイルです。\r\n"
                          "コントロールパネルのインターネットオプションの全般タブからインタ"
                          "ーネット一時ファイルを削除して、\r\n"
                          "一時ファイルを整理する事をお勧めします。");
const char *const kMsgNothingFound =
        QT_TRANSLATE_NOOP("Messages",
                          "画像ファイルがインターネットキャッシュフォルダーにありませんでした。\r\n"
                          "お好みのサイトに一度アクセスし、再度ZUDIを起動して下さい。");
const char *const kMsgWorkFolderUnusable = QT_TRANSLATE_NOOP(
        "Messages",
        "作業フォルダーを作成できないか、作業フォルダーに書き込みができません。\r\n"
        "%1\r\n"
        "フォルダーの場所と書き込みの権限を確認し、再度VELTを起動して下さい。");
const char *const kMsgDiskFull = QT_TRANSLATE_NOOP(
        "Messages",
        "作業フォルダーのディスクに空きがないため、%1個のファイルをコピーできませんでした。\r\n"
        "ディスクの空き容量を増やしてから、再度VELTを起動して下さい。");
const char *const kMsgOverQuota = QT_TRANSLATE_NOOP(
        "Messages",
        "ディスクの使用量の制限を超えたため、%1個のファイルを作業フォルダーにコピーできません"
        "でした。\r\n"
        "不要なファイルを削除してから、再度VELTを起動して下さい。");
const char *const kMsgNamesRefused =
        QT_TRANSLATE_NOOP("Messages",
                          "ファイル名を作成できなかったため、%"
                          "1個のファイルを作業フォルダーにコピーできませんでした。");
const char *const kMsgOverBudget = QT_TRANSLATE_NOOP(
        "Messages",
        "展開後の大きさまたは処理時間が上限を超えたため、%1個のキャッシュ項目を読み飛ばしました。");

namespace {

bool upperNameLess(const QString &a, const QString &b)
{
    const QString ua = a.toUpper();
    const QString ub = b.toUpper();
    return ua != ub ? ua < ub : a < b;
}

} // namespace

QStringList listCacheFolders(const QString &root, bool *tooMany)
{
    *tooMany = false;
    QStringList all = foldersIn(root);
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

std::vector<FolderFile> filesInWalkOrder(const QString &dir)
{
    std::vector<FolderFile> files = regularFilesIn(dir);
    // Sort on keys made once, not on upper-casing inside every comparison.
    std::vector<std::pair<QString, size_t>> keys;
    keys.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        keys.emplace_back(files[i].name.toUpper(), i);
    std::sort(keys.begin(), keys.end(), [&](const auto &a, const auto &b) {
        return a.first != b.first ? a.first < b.first : files[a.second].name < files[b.second].name;
    });
    std::vector<FolderFile> sorted;
    sorted.reserve(files.size());
    for (const auto &key : keys)
        sorted.push_back(std::move(files[key.second]));
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
    for (const FolderFile &file : filesInWalkOrder(workDirReadPath(state))) {
        if (state.ListCount >= kListLimit) {
            if (atLimit)
                atLimit();
            break;
        }
        const QString &f = file.name;
        const QDateTime &t = file.modified;
        switch (judgeFile(f, t, file.size, conditions, ext)) {
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

void CollectionHost::waitForEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    else
        std::this_thread::yield();
}

void CollectionHost::wake()
{
    // Any event ends the wait; this one does nothing else.
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
                app, [] {}, Qt::QueuedConnection);
}

namespace {

// The copy stage's steps (one pattern of one folder each), walked by the window thread in the
// order the one-by-one copying makes them while the copies are made on other threads: each step
// waits for the copies it leaves in place, serving the windows meanwhile, and is followed by a
// yield and the stop check. A stop ends the copying after the step on show, as it would have.
class CopyStage
{
public:
    CopyStage(CollectionContext &ctx, CopyPlan plan, int &stopAns)
        : m_ctx(ctx), m_steps(plan.stepCount()),
          m_copy(std::move(plan), *ctx.state.WorkDirHandle, ctx.copyThreads, ctx.copyFile,
                 [&host = ctx.host] { host.wake(); }),
          m_stopAns(stopAns)
    {
    }

    // The next count steps; false when the user chose to stop.
    bool walk(int count)
    {
        for (int i = 0; i < count; ++i, ++m_step) {
            waitFor(m_step);
            m_ctx.host.yield();
            if (m_ctx.state.StopLoad) {
                // Nothing new is copied while the question is open, nor after a Yes.
                m_copy.pause();
                m_stopAns = m_ctx.host.AskStop();
                if (m_stopAns != kAnswerYes)
                    m_copy.resume();
            }
            if (m_stopAns == kAnswerYes) {
                m_lastStep = m_step++;
                return false;
            }
        }
        return true;
    }

    // Ends the copying where the walk ended (after every step when it was not stopped).
    PlannedCopyResult finish()
    {
        m_copy.finishAfter(m_lastStep >= 0 ? m_lastStep : m_steps - 1);
        while (!m_copy.isFinished())
            m_ctx.host.waitForEvents();
        return m_copy.result();
    }

private:
    // A press on the stop button ends the wait, so the question comes at once.
    void waitFor(int step)
    {
        while (!m_copy.reached(step) && !m_ctx.state.StopLoad) {
            m_copy.wakeWhenReached(step);
            if (m_copy.reached(step) || m_ctx.state.StopLoad)
                break;
            m_ctx.host.waitForEvents();
        }
    }

    CollectionContext &m_ctx;
    int m_steps;
    PlannedCopy m_copy;
    int &m_stopAns;
    int m_step = 0;
    int m_lastStep = -1;
};

// The copies of one folder, in table order: pictures, then movies and sounds.
void addFolderSteps(CopyPlan &plan, const ExtTable &ext, const QString &folder)
{
    const int f = plan.addFolder(folder);
    for (int row = 1; row <= ExtTable::kPictureRows; ++row)
        plan.addStep(f, QStringLiteral("*.") + ext.at(1, row));
    for (int row = 1; row <= ExtTable::kMediaRows; ++row)
        plan.addStep(f, QStringLiteral("*.") + ext.at(2, row));
}

} // namespace

CacheLocation GetICPath(CollectionContext &ctx)
{
    MdlVELT &state = ctx.state;
    Settings &settings = ctx.settings;
    CollectionHost &host = ctx.host;
    state.CopiedFrom.clear();

    CacheLocation loc;
    if (!locateCaches(ctx.registry, ctx.drives, state, settings, loc)) {
        ctx.dialogs.messageBox(messageText(kMsgNoCacheFolder), MsgIcon::Critical, MsgButtons::Ok);
        return loc;
    }
    int &stopAns = loc.StopAns;
    stopAns = kAnswerNo;

    // Working folders: created private, opened once; everything written there goes through it.
    state.WorkDirHandle = WorkFolder::open(state.WorkDir);
    host.setOpenDialogInitDir(state.WorkDir);

    // Default folders.
    if ((settings.isEmptyText(CopyFolderOpened) || settings.isEmptyText(CopyFolder))
        && !state.SysRoot.isEmpty()) {
        settings.setText(CopyFolder, state.BufferDir);
        settings.setText(CopyFolderOpened, state.BufferDir);
        settings.setText(AlbumFolder, state.BufferDir);
    }

    // Without a working folder nothing can be collected; saying "no pictures" would mislead.
    if (!state.WorkDirHandle) {
        ctx.dialogs.messageBox(messageText(kMsgWorkFolderUnusable).arg(state.WorkDir),
                               MsgIcon::Critical, MsgButtons::Ok);
        host.setCounters(state.ListPos, state.ListCount);
        host.disableNavigation();
        return loc;
    }

    // Internet Explorer sub-folders.
    QStringList cacheDirs;
    if (!loc.ICPath.isEmpty()) {
        bool tooMany = false;
        cacheDirs = listCacheFolders(loc.ICPath, &tooMany);
        if (tooMany)
            ctx.dialogs.messageBox(messageText(kMsgTooManyCacheFolders), MsgIcon::Exclamation,
                                   MsgButtons::Ok);
    }

    host.showSplash();
    host.waitOneTick();

    state.WorkDirHandle->empty();

    if (settings.isSet(NoCollectAtStart)) {
        host.closeSplash();
        host.setCounters(state.ListPos, state.ListCount);
        host.disableNavigation();
        return loc;
    }

    // Every copy is known before the first is made: Internet Explorer folder by folder, then
    // Netscape (whose folder the preferences file names; read now, shown when its turn comes).
    CopyPlan plan;
    const int n = int(cacheDirs.size());
    for (const QString &dir : std::as_const(cacheDirs))
        addFolderSteps(plan, ctx.ext, QDir(loc.ICPath).filePath(dir));
    QString nsCache;
    if (loc.NsFound) {
        nsCache = NsCacheFromPrefs(loc.NsPrefs, loc.NsCache);
        addFolderSteps(plan, ctx.ext, hostPath(nsCache, ctx.drives));
    }
    CopyStage copies(ctx, std::move(plan), stopAns);

    // Copies from Internet Explorer, pictures first, then movies and sounds, folder by folder.
    bool going = true;
    for (int i = 0; going && i < n; ++i) {
        going = copies.walk(ExtTable::kPictureRows + ExtTable::kMediaRows);
        if (going)
            host.setProgress(int(40.0 / n * (i + 1)));
    }

    host.setProgress(40);
    host.yield();
    if (stopAns != kAnswerYes && loc.NsFound) {
        host.setLoadLabel(messageText(kLabelSearchingNetscape));
        host.yield();
        loc.NsCache = nsCache;
        host.setProgress(50);
        if (copies.walk(ExtTable::kPictureRows)) {
            host.setProgress(70);
            copies.walk(ExtTable::kMediaRows);
        }
    }
    const PlannedCopyResult copied = copies.finish();
    state.setCopiedFrom(copied.folderOf);
    FullDiskFailures full = copied.full;
    const int overBudget = extractBrowserCaches(ctx, stopAns, full);

    host.setLoadLabel(messageText(kLabelOrganizing));
    host.setProgress(80);
    host.yield();

    collectWorkDir(state, settings, ctx.ext, ctx.today);

    host.setProgress(90);
    host.yield();
    GSort(state, settings.isSet(SortByTime));
    host.setProgress(100);
    host.yield();
    host.closeSplash();

    if (full.count() > 0)
        ctx.dialogs.messageBox(QString::fromUtf8(full.noSpace > 0 ? kMsgDiskFull : kMsgOverQuota)
                                       .arg(full.count()),
                               MsgIcon::Exclamation, MsgButtons::Ok);
    if (full.badName > 0)
        ctx.dialogs.messageBox(messageText(kMsgNamesRefused).arg(full.badName),
                               MsgIcon::Exclamation, MsgButtons::Ok);
    if (overBudget > 0)
        ctx.dialogs.messageBox(messageText(kMsgOverBudget).arg(overBudget), MsgIcon::Exclamation,
                               MsgButtons::Ok);
    if (state.ListCount >= kListLimit)
        ctx.dialogs.messageBox(messageText(kMsgListLimit), MsgIcon::Exclamation, MsgButtons::Ok);
    if (state.ListCount + state.GifCount == 0) {
        // When copies failed or entries were skipped, "nothing in the cache" would not be true.
        if (full.count() == 0 && full.badName == 0 && overBudget == 0)
            ctx.dialogs.messageBox(messageText(kMsgNothingFound), MsgIcon::Information,
                                   MsgButtons::Ok);
        host.disableNavigation();
    }
    host.setCounters(state.ListPos, state.ListCount);
    return loc;
}

} // namespace velt
