#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "cache/registrysource.h"
#include "cache/winpath.h"

#include <QString>
#include <QTextStream>

namespace velt {

struct CollectionContext;

// velt --report FILE: runs the start-up collection without windows as --list does, then writes
// one record per listed picture, GIF, movie and sound of the working folder into FILE, as CSV or
// JSON Lines by its extension ("-": CSV on out). The file is written whole or not at all.
// Empties the working folder afterwards. Returns 0; 1 when the report cannot be written; 2 for
// an extension that names no format.
int runReportCommand(CollectionContext &ctx, const QString &target, QIODevice &out,
                     QTextStream &err);

// The same with its own collection: the window-less mode's entry.
int runReport(MdlVELT &state, Settings &settings, const RegistrySource &registry,
              const DriveMap &drives, const QString &settingsPath, const QString &target);

} // namespace velt
