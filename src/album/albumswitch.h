#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "cache/winpath.h"
#include "options/recollection.h"
#include "platform/dialogs.h"

#include <QPointer>

#include <functional>

class QWidget;

// Album mode: the question (No by default), FrmPhotoAlubum, then the picture window is taken out
// of the main window's hands, FrmNo and FrmViewAlbum close, FrmModeChange shows while the picture
// window's timer counts 21 ticks, and loadAlbum (albumscan.h) replaces the list: it empties
// WorkDir (refusing a folder the program did not make), copies the album folder into it and
// walks the copies. A picture opened meanwhile is closed at the end; a main window closed
// meanwhile abandons the switch. Any rebuilt list closes the thumbnail window.

namespace velt {

class FrmPicture;

// The notice stays up for this many ticks of the picture window's timer.
inline constexpr int kAlbumWaitTicks = 21;

// What the album switch needs around it; the main window fills it in.
struct AlbumSwitchContext
{
    MdlVELT &state;
    Settings &settings;
    UserDialogs &dialogs;
    ExtTable &ext; // learns the album types when the album becomes the list
    const DriveMap &drives;
    // The main window's previous and next buttons and its counters.
    RecollectionHost &host;
    // Parent of the folder dialog and the notice.
    QWidget *window = nullptr;
    // Closes the image-number window and the thumbnail window.
    std::function<void()> closeListWindows;
    // True once the main window has been closed (possible while the notice waits).
    std::function<bool()> closed;
};

// The question (No by default) and the folder dialog; true when the user chose a folder.
bool askForAlbum(AlbumSwitchContext &ctx);

enum class AlbumSwitchResult { Switched, WorkDirRefused, Abandoned };

// The switch once a folder is chosen: the list windows close, the picture window hides and the
// notice shows while the picture window's timer counts 21 ticks (every other window stays
// usable meanwhile); then WorkDir is emptied and filled from AlbumFolder, the list rebuilt with
// its messages, the main window's counters and buttons updated, and the notice and the picture
// window closed (the picture window deleted later: the switch runs in its handler). Without a
// picture window there is no wait. Abandoned when the main window was closed during the wait.
AlbumSwitchResult runAlbumSwitch(AlbumSwitchContext &ctx, QPointer<FrmPicture> picture);

} // namespace velt
