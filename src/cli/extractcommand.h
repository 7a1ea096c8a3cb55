#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "cache/registrysource.h"
#include "cache/winpath.h"
#include "platform/suffixnumbers.h"

#include <QString>
#include <QTextStream>

#include <optional>

namespace velt {

struct CollectionContext;

// Copies file into folder under its own name, or with a short suffix when that is taken (an
// existing file is never replaced), keeping its last-modified time. numbers, kept across the
// copies into one folder, hands out the suffixes so that each costs one try; the numbers run
// on until a name is free. Returns the name used; empty when the file could not be copied,
// with *nameRefused set when the folder refused the name itself (too long, bad bytes).
std::optional<QString> copyIntoFolder(const QString &file, const QString &folder,
                                      SuffixNumbers &numbers, bool *nameRefused = nullptr);

// velt --extract DIR: runs the start-up collection, then copies every listed picture, every GIF
// and every movie and sound of the working folder into destDir (created when missing; copies
// 0600). Writes one line per file: "ok" or "bad" (for a picture what --check gives the copy; bad
// too when its body was cut), the name in destDir and, for files from today's browsers, the
// source URL, tab-separated, control characters escaped. Empties the working folder afterwards
// as --list does. Returns 0; 1 when destDir cannot be made or a copy failed (names the folder
// refused are counted in one line); 2 when destDir is empty, the working folder or inside it.
int runExtractCommand(CollectionContext &ctx, const QString &destDir, QTextStream &out,
                      QTextStream &err);

// The same with its own collection: the window-less mode's entry, output on standard output.
int runExtract(MdlVELT &state, Settings &settings, const RegistrySource &registry,
               const DriveMap &drives, const QString &settingsPath, const QString &destDir);

} // namespace velt
