#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "platform/dialogs.h"

#include <QString>

namespace velt {

class FrmView;

// The main window's File button (a picture into the picture window, a movie or sound into the
// player or an outside player) and its copy button (the file on show into its destination).
// Owned by FrmView.
class ViewerFiles
{
public:
    ViewerFiles(FrmView &view, MdlVELT &state, Settings &settings, UserDialogs &dialogs);

    // Command1: the open-file dialog and what follows from the chosen file.
    void open();
    // Command15: the copy dialog and the copy of the file on show.
    void copy();
    // True while a copy runs (the main window must not close under it).
    bool copying() const { return m_copying; }

private:
    void openPicture(bool gif);
    void openMedia();
    void openFailed();

    FrmView &m_view;
    MdlVELT &m_state;
    Settings &m_settings;
    UserDialogs &m_dialogs;
    QString m_openedFile; // what the File button last put on show: the copy's source then
    bool m_copying = false;
};

} // namespace velt
