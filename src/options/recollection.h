#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "platform/dialogs.h"

#include <QDate>

namespace velt {

// The main window's controls that a re-collection updates.
class RecollectionHost
{
public:
    virtual ~RecollectionHost() = default;
    // The previous and next buttons Command12 and Command13.
    virtual void setNavigationEnabled(bool enabled) = 0;
    // Label3 and Label5 of the main window.
    virtual void setCounters(int listPos, int listCount) = 0;
};

extern const char *const kMsgNothingUnderConditions;

// Rebuilds the list from the files already in WorkDir under the settings' conditions, with the
// start-up walk's per-file rules: ListPos is reset and the previous and next buttons enabled
// first; the limit message comes at once when a file arrives after the list is full; nothing
// taken at all (no picture and no GIF) gives its own message and disables previous and next;
// then the lists are ordered and the counters shown.
void recollectWorkDir(MdlVELT &state, const Settings &settings, const ExtTable &ext,
                      const QDate &today, UserDialogs &dialogs, RecollectionHost &host);

} // namespace velt
