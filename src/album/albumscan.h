#pragma once

#include "app/mdlvelt.h"

#include <QDateTime>
#include <QString>

namespace velt {

// The texts of the album switch.
extern const char *const kMsgAlbumQuestion;
extern const char *const kMsgAlbumLimit;
extern const char *const kMsgAlbumNothingFound;
extern const char *const kMsgAlbumFolderMissing;

// An album entry's display line: a name of more than 34 characters is cut to 34 and followed by
// three spaces (the cache collection puts one), a shorter one padded to 35; then the time as
// "yyyy/mm/dd   hh:mm:ss". The last 8 characters are always the time of day.
QString albumDisplayLine(const QString &fileName, const QDateTime &modified);

// Walks the regular files of WorkDir (by upper-cased name, as the start-up walk does) into the
// list and the GIF list: every picture name of ext and of its album types (addAlbumTypes) is
// taken, without date or size conditions and
// without skipping files dated in the future. The walk stops when a picture arrives while the
// list holds kListLimit entries. Resets ListCount and GifCount first; does not order the lists.
void collectAlbum(MdlVELT &state, const ExtTable &ext);

struct AlbumLoad
{
    bool workDirRefused = false; // WorkDir is not a folder the program may empty: nothing done
    bool someNotDeleted = false; // a file of the old list could not be deleted
    int copied = 0;              // files copied from the album folder
    bool atLimit = false;        // the list holds kListLimit entries
    bool nothingFound = false;   // no picture and no GIF
};

// The album folder becomes the list: ListPos, ListCount and GifCount are reset, WorkDir is
// emptied of its files (sub-folders such as MyBuffer stay), every file of folder is copied into
// it (files only, times kept, a file that cannot be copied skipped), and the copies are walked
// and ordered. A folder that is WorkDir itself copies nothing. When WorkDir may not be emptied
// nothing at all is changed. No windows, no messages.
AlbumLoad loadAlbum(MdlVELT &state, const QString &folder, const ExtTable &ext, bool sortByTime);

} // namespace velt
