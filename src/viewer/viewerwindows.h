#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "platform/dialogs.h"

#include <QPointer>

namespace velt {

class FrmHelp;
class FrmNo;
class FrmView;
class FrmViewAlbum;

// The windows the main window opens besides the picture window: the image-number window, the
// thumbnail window, the about and help windows, and the album switch that replaces the list.
// Owned by FrmView.
class ViewerWindows
{
public:
    ViewerWindows(FrmView &view, MdlVELT &state, Settings &settings, UserDialogs &dialogs);
    ~ViewerWindows();
    ViewerWindows(const ViewerWindows &) = delete;
    ViewerWindows &operator=(const ViewerWindows &) = delete;

    FrmNo *noWindow() const;
    FrmViewAlbum *thumbnailWindow() const;
    FrmHelp *helpWindow() const;

    // The image-number window, modeless; opening it again only brings it to the front.
    void showNo();
    void closeNo();
    // The thumbnail window (from the image-number window), likewise one instance.
    void showThumbnails();
    void closeThumbnails();
    // The help, modeless; the about window, modal.
    void showHelp();
    void showAbout();
    // The close sequence's part: the image-number, help and thumbnail windows.
    void closeAll();
    // The picture window's Command3.
    void albumSwitch();

private:
    FrmView &m_view;
    MdlVELT &m_state;
    Settings &m_settings;
    UserDialogs &m_dialogs;
    QPointer<FrmNo> m_no;
    QPointer<FrmViewAlbum> m_thumbnails;
    QPointer<FrmHelp> m_help;
    bool m_switching = false;
};

} // namespace velt
