#include "album/albumscan.h"

#include "cache/plannedcopy.h"

#include "cache/collection.h"
#include "cache/ordering.h"
#include "platform/folders.h"
#include "platform/workdir.h"

namespace velt {

const char *const kMsgAlbumQuestion =
        QT_TRANSLATE_NOOP("Messages", "アルバムモードに切り替えますか？");
const char *const kMsgAlbumLimit =
        QT_TRANSLATE_NOOP("Messages",
                          "読み込みファイルは最大３００００ファイルです。\r\n"
                          "大変申し訳ございませんがフォルダー内の整理をして下さい。");
const char *const kMsgAlbumNothingFound =
        QT_TRANSLATE_NOOP("Messages",
                          "画像ファイルがアルバムフォルダーにありませんでした。\r\n"
                          "フォルダーを確認し、再度ZUDIを起動して下さい。");

const char *const kMsgAlbumFolderMissing =
        QT_TRANSLATE_NOOP("Messages",
                          "選択したフォルダーが見つかりません。\r\n"
                          "フォルダーを選択し直して下さい。");

QString albumDisplayLine(const QString &fileName, const QDateTime &modified)
{
    const QString name = fileName.size() > 34 ? fileName.left(34) + QStringLiteral("   ")
                                              : fileName.leftJustified(35, QLatin1Char(' '));
    return name + listTimeText(modified);
}

void collectAlbum(MdlVELT &state, const ExtTable &table)
{
    ExtTable ext = table;
    ext.addAlbumTypes();
    state.ListCount = 0;
    state.GifCount = 0;
    // Links are left out: the copies in WorkDir are never links.
    for (const FolderFile &file : filesInWalkOrder(state.WorkDir)) {
        const QString &f = file.name;
        if (!ext.SerchGaExp(f))
            continue;
        if (state.ListCount >= kListLimit)
            break;
        if (!isGifName(f)) {
            const int k = state.ListCount + 1;
            state.reserveList(k);
            state.ListFile[k] = f;
            state.ListLine[k] = albumDisplayLine(f, file.modified);
            state.ListCount = k;
        } else {
            state.reserveGif(state.GifCount + 1);
            state.GifFile[state.GifCount + 1] = f;
            state.GifCount += 1;
        }
    }
}

AlbumLoad loadAlbum(MdlVELT &state, const QString &folder, const ExtTable &ext, bool sortByTime)
{
    AlbumLoad result;
    // Checked before anything changes: copying into a folder the program did not make would
    // write where it must not.
    // Through the folder the collection opened, never a path rebuilt from text; else opened
    // once here (a start without a collection).
    std::shared_ptr<WorkFolder> work = state.WorkDirHandle;
    if (!work || work->path() != state.WorkDir)
        work = WorkFolder::openExisting(state.WorkDir);
    if (!work) {
        result.workDirRefused = true;
        return result;
    }
    const EmptyResult emptied = work->empty();
    result.someNotDeleted = emptied == EmptyResult::SomeFailed;
    state.ListPos = 0;
    state.ListCount = 0;
    state.GifCount = 0;
    // What was known about files of today's browsers belonged to the files just deleted.
    state.Sources.clear();

    // WorkDir itself: its files are gone now; a file that could not be deleted must not be
    // copied onto itself.
    state.CopiedFrom.clear();
    if (!isSameFolder(folder, state.WorkDir)) {
        const PlannedCopyResult copied = copyFolderInto(folder, *work);
        result.copied = copied.copied;
        state.setCopiedFrom(copied.folderOf);
    }

    collectAlbum(state, ext);
    result.atLimit = state.ListCount >= kListLimit;
    result.nothingFound = state.ListCount + state.GifCount == 0;
    GSort(state, sortByTime);
    return result;
}

} // namespace velt
