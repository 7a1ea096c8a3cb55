#pragma once

#include <QString>

namespace velt {

class ExtTable;
class Settings;

// Which way a file chosen with the File button goes.
enum class OpenKind {
    Gif,         // a picture type, refused: GIF pictures are not shown here
    Picture,     // the picture window
    Media,       // the embedded player
    Unsupported, // neither: the not-supported notice
};

// Picture types first, then movie and sound types, each by the name's last three characters.
OpenKind openKind(const QString &fileName, const ExtTable &table);

// What follows when the player did not take a movie or sound file. By the name's last three
// characters, upper-cased: ".RA", ".RM", "RAM", "RMM" go to RealPlayer, "MOV" and ".QT" to
// QuickTime Player, when its path is known and calling it is not switched off.
struct Handoff
{
    QString program; // the outside player to start with the file as its one argument; or empty
    QString message; // shown when program is empty, or when it cannot be started
};
Handoff outsidePlayerFor(const QString &fileName, const Settings &settings);

// "VELT [" + file + "]": the caption while a movie or sound is open.
QString openedCaption(const QString &fileName);

extern const char *const kMsgGifNotShown;
extern const char *const kMsgNotSupported;

} // namespace velt
