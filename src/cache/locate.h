#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "cache/registrysource.h"
#include "cache/winpath.h"

namespace velt {

// Locals and main-window values produced by the opening stage of the collection. Paths are host
// paths (already mapped), except that NsCache from prefs.js is kept as written and mapped when
// used.
struct CacheLocation
{
    bool NsFound = false;
    QString NsInstall;
    QString NsUser;
    QString NsPrefs;
    QString NsCache;
    QString ICPath;
    QString EditFile;
    int StopAns = 7;
};

// The opening stage: resets ListPos/ListCount, reads the Netscape values, SystemRoot (95/98 key,
// then NT key), sets SysRoot/WorkDir/BufferDir, ICPath, the five App Paths reads and settings
// slots 20, 21, 23, 24. Returns false when SystemRoot cannot be read, or maps to no absolute
// host path (a drive that is not mapped, a relative value): then SysRoot, WorkDir and BufferDir
// are empty, nothing after SystemRoot is read, and the caller shows kMsgNoCacheFolder and ends.
// Netscape counts as not found when its install folder is shorter than the 12 characters to
// cut, or its profile maps to no absolute path; an ICPath that maps to none is emptied.
// App Paths values lose surrounding quotes; Windows-shaped ones are mapped with hostPath.
bool locateCaches(const RegistrySource &registry, const DriveMap &drives, MdlVELT &state,
                  Settings &settings, CacheLocation &location);

// The cache folder from prefs.js: each line whose characters 20..24 are "cache" replaces
// current with the characters from 39 on, of length (line length - 41); the last one wins.
// Lines shorter than 41 characters set nothing. Lines end at LF, CR LF or CR; each is read as
// UTF-8, else CP932. A missing, unreadable or non-regular file, or one holding NUL bytes (not
// text), contributes nothing.
QString NsCacheFromPrefs(const QString &prefsPath, const QString &current);

// The message shown when neither SystemRoot value can be read.
extern const char *const kMsgNoCacheFolder;

} // namespace velt
