#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "platform/dialogs.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velt {

extern const char *const kMsgNoGif;
extern const char *const kMsgNoBrowser;
extern const char *const kMsgNetscapeMissing;
extern const char *const kMsgIeMissing;
extern const char *const kMsgGifPageNotWritten;

// The page's file name in WorkDir; the browser is given it under this spelling too.
extern const char *const kGifPageName;

// The GIF listing page for these names, in order: a UTF-8 byte-order mark, then the lines, each
// ended by CR LF. A name is HTML-escaped where it is text and percent-encoded where it is the
// picture's address, so any name stays text and still loads as its picture.
QByteArray gifPageBytes(const QStringList &names);

// The picture's address for a name, relative to the page.
QString gifSource(const QString &name);

// The browser that UseNetscape chooses (Netscape, else Internet Explorer), without falling back
// to the other; empty after that browser's not-found message when its path is empty.
QString chosenBrowser(const Settings &settings, UserDialogs &dialogs);

enum class GifPageResult { NoGif, NoBrowser, NotWritten, BrowserMissing, Started };

// Writes the page of GifFile 1..GifCount into WorkDir and opens it in the chosen browser, with
// the messages for no GIF, no browser at all, a page that cannot be written (no browser is
// started then) and the chosen browser missing or not starting.
GifPageResult showGifPage(const MdlVELT &state, const Settings &settings, UserDialogs &dialogs);

} // namespace velt
