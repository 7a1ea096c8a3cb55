#pragma once

#include "app/mdlvelt.h"
#include "options/recollection.h"

#include <QDate>
#include <QString>

namespace velt {

// What the image-number window needs from the main window: its fn, DisplayMode and number
// label, the picture window, and what the options dialog touches.
class NoOwner : public RecollectionHost
{
public:
    // The main window's fn: the full path of the picture to show.
    virtual void setFn(const QString &path) = 0;
    // Closes the picture window when it is open.
    virtual void closePictureWindow() = 0;
    // Opens a fresh picture window for fn, modeless, closing any open one first; PicOwner is
    // set by the caller.
    virtual void openPictureWindow() = 0;
    virtual void setDisplayMode(qint16 mode) = 0;
    // Label3: the number of the picture on show.
    virtual void setPictureNumber(int listPos) = 0;
    virtual const ExtTable &extTable() const = 0;
    virtual QDate today() const = 0;
};

} // namespace velt
