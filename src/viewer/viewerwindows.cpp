#include "viewer/viewerwindows.h"

#include "about/frmabout.h"
#include "about/frmhelp.h"
#include "album/albumswitch.h"
#include "album/frmviewalbum.h"
#include "index/frmno.h"
#include "viewer/frmview.h"

#include <utility>

namespace velt {

ViewerWindows::ViewerWindows(FrmView &view, MdlVELT &state, Settings &settings,
                             UserDialogs &dialogs)
    : m_view(view), m_state(state), m_settings(settings), m_dialogs(dialogs)
{
}

ViewerWindows::~ViewerWindows()
{
    delete m_thumbnails;
    delete m_help;
    delete m_no;
}

FrmNo *ViewerWindows::noWindow() const
{
    return m_no;
}

FrmViewAlbum *ViewerWindows::thumbnailWindow() const
{
    return m_thumbnails;
}

FrmHelp *ViewerWindows::helpWindow() const
{
    return m_help;
}

void ViewerWindows::showNo()
{
    if (!m_no || !m_no->isVisible()) {
        auto *no = new FrmNo(m_state, m_settings, m_dialogs, m_view);
        no->setAttribute(Qt::WA_DeleteOnClose);
        no->placeBelow(&m_view);
        no->setThumbnailOpener([this] { showThumbnails(); });
        m_no = no;
        no->Form_Load();
        no->show();
    }
    m_no->raise();
    m_no->activateWindow();
}

void ViewerWindows::closeNo()
{
    if (m_no) {
        FrmNo *old = m_no;
        m_no = nullptr;
        old->close(); // deletes itself
    }
}

void ViewerWindows::showThumbnails()
{
    if (!m_thumbnails) {
        auto *album = new FrmViewAlbum(m_state, m_view, [this] { return noWindow(); });
        album->setAttribute(Qt::WA_DeleteOnClose);
        if (m_no)
            album->move(m_no->frameGeometry().topRight() + QPoint(1, 0));
        m_thumbnails = album;
        album->Form_Load();
        album->show();
    }
    m_thumbnails->raise();
    m_thumbnails->activateWindow();
}

void ViewerWindows::closeThumbnails()
{
    if (m_thumbnails)
        m_thumbnails->close(); // deletes itself
}

void ViewerWindows::showHelp()
{
    if (!m_help) {
        m_help = new FrmHelp;
        m_help->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void ViewerWindows::showAbout()
{
    FrmAbout about(
            m_state, m_settings, m_dialogs, m_view,
            [this] {
                // The options may have collected the list again.
                if (m_no)
                    m_no->Form_Load();
            },
            &m_view);
    about.Form_Load();
    m_dialogs.runModal(&about, [&about] { about.exec(); });
}

void ViewerWindows::closeAll()
{
    closeNo();
    if (m_help)
        m_help->close();
    closeThumbnails();
}

void ViewerWindows::albumSwitch()
{
    AlbumSwitchContext ctx{m_state,
                           m_settings,
                           m_dialogs,
                           m_view.m_ExtTable,
                           m_view.m_env.drives,
                           m_view,
                           &m_view,
                           [this] {
                               closeNo();
                               closeThumbnails();
                           },
                           [this] {
                               return m_view.m_closed;
                           }};
    // One switch at a time: the main window stays usable while the notice waits.
    if (m_switching || !askForAlbum(ctx))
        return;
    m_switching = true;
    // From here the switch closes this picture window (it runs in its handler); whatever the
    // user does meanwhile opens another one.
    const QPointer<FrmPicture> picture = std::exchange(m_view.m_picture, nullptr);
    runAlbumSwitch(ctx, picture);
    // One opened during the wait shows a file that is gone.
    m_view.unloadPicture();
    m_switching = false;
}

} // namespace velt
