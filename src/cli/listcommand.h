#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "cache/registrysource.h"
#include "cache/winpath.h"

namespace velt {

// velt --list: runs the start-up collection without windows and prints "number<TAB>display
// line" for each listed picture, then "GIF<TAB>name", names escaped by printableText. Empties the
// working folder afterwards as the close does and leaves the settings file alone. Returns 0, or
// 1 when the list could not be written.
int runList(MdlVELT &state, Settings &settings, const RegistrySource &registry,
            const DriveMap &drives, const QString &settingsPath);

} // namespace velt
