#pragma once

#include "app/settings.h"
#include "platform/dialogs.h"

#include <QString>

namespace velt {

// The help document that comes with the program (beside the executable, or in share/velt).
extern const char *const kHelpFileName;

// The home page the about window's link opens: this program's own help document as installed,
// as a file URL. Empty when the document is not found.
QString homePageAddress();
QString homePageAddress(const QString &executableDir);

enum class HomePageResult { NoAddress, BrowserMissing, Started };

// Opens address in the browser that UseNetscape chooses, without falling back to the other one:
// that browser's not-found message when its path is empty or names no program.
HomePageResult openHomePage(const Settings &settings, UserDialogs &dialogs, const QString &address);

} // namespace velt
