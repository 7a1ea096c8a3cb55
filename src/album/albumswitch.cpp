#include "album/albumswitch.h"

#include "album/albumscan.h"
#include "album/frmmodechange.h"
#include "album/frmphotoalubum.h"
#include "picture/frmpicture.h"
#include "platform/language.h"
#include "platform/workdir.h"

#include <QCoreApplication>
#include <QScreen>

namespace velt {

bool askForAlbum(AlbumSwitchContext &ctx)
{
    if (ctx.dialogs.messageBox(messageText(kMsgAlbumQuestion), MsgIcon::Question,
                               MsgButtons::YesNoDefaultNo)
        != MsgAnswer::Yes)
        return false;
    {
        FrmPhotoAlubum dialog(ctx.settings, ctx.dialogs, ctx.state.BufferDir, mountedAlbumVolumes(),
                              ctx.window);
        dialog.Form_Load();
        ctx.dialogs.runModal(&dialog, [&dialog] { dialog.exec(); });
    }
    return ctx.settings.isSet(AlbumChosen);
}

namespace {

void finish(QPointer<FrmModeChange> &notice, QPointer<FrmPicture> &picture)
{
    if (notice) {
        notice->close();
        delete notice;
    }
    if (picture) {
        picture->close();
        picture->deleteLater();
    }
}

void centreOn(QWidget *window, const QWidget *over)
{
    if (!over)
        return;
    const QRect area = over->frameGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace

AlbumSwitchResult runAlbumSwitch(AlbumSwitchContext &ctx, QPointer<FrmPicture> picture)
{
    if (ctx.closeListWindows)
        ctx.closeListWindows();
    if (picture)
        picture->hide();
    QPointer<FrmModeChange> notice = new FrmModeChange;
    centreOn(notice, ctx.window);
    notice->show();

    if (picture) {
        picture->setTimeT(kAlbumWaitTicks);
        while (picture && picture->TimeT() != 0 && !(ctx.closed && ctx.closed()))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (ctx.closed && ctx.closed()) {
        finish(notice, picture);
        return AlbumSwitchResult::Abandoned;
    }

    MdlVELT &state = ctx.state;
    const QString folder = hostPath(ctx.settings.text(AlbumFolder), ctx.drives);
    const AlbumLoad load = loadAlbum(state, folder, ctx.ext, ctx.settings.isSet(SortByTime));
    if (load.workDirRefused || load.someNotDeleted)
        ctx.dialogs.messageBox(messageText(kMsgWorkFolderBusy), MsgIcon::Critical, MsgButtons::Ok);
    if (load.workDirRefused) {
        finish(notice, picture);
        return AlbumSwitchResult::WorkDirRefused;
    }
    // The windows open what the album listed.
    ctx.ext.addAlbumTypes();
    if (load.atLimit)
        ctx.dialogs.messageBox(messageText(kMsgAlbumLimit), MsgIcon::Exclamation, MsgButtons::Ok);
    if (load.nothingFound) {
        ctx.dialogs.messageBox(messageText(kMsgAlbumNothingFound), MsgIcon::Information,
                               MsgButtons::Ok);
        ctx.host.setNavigationEnabled(false);
    } else if (state.ListCount > 0) {
        // Off since a collection that found nothing: the album's pictures can be paged.
        ctx.host.setNavigationEnabled(true);
    }
    ctx.host.setCounters(state.ListPos, state.ListCount);
    // A list window opened during the wait shows the old list.
    if (ctx.closeListWindows)
        ctx.closeListWindows();
    finish(notice, picture);
    return AlbumSwitchResult::Switched;
}

} // namespace velt
