#pragma once

#include "app/sourcetable.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Sites send video and sound as fragmented MP4 (CMAF): an init segment (ftyp + moov with mvex)
// and many media segments (styp/moof + mdat), each cached as an entry of its own. The init
// segment followed by its media segments in decode order is itself a fragmented MP4 that plays,
// so pieces of one stream are joined by copying their bytes in order, without re-encoding.

namespace velt {

class ExtractBudget;
class WorkFolder;

// What one fragmented-MP4 file is, from its top-level boxes and the boxes inside moov/moof.
struct Fragment
{
    enum Kind { Other, Init, Media };
    Kind kind = Other;
    QList<quint32> tracks;      // init: the tracks it sets up; media: the tracks it carries
    QList<quint32> timescales;  // init: each track's media timescale, in the order of tracks
    QList<QByteArray> handlers; // init: each track's handler, "vide" or "soun"
    quint64 decodeTime = 0;     // media: the first track fragment's tfdt
    bool hasDecodeTime = false; // media: a tfdt was there
    quint32 sequence = 0;       // media: mfhd's sequence number
    quint64 duration = 0;       // media: the first track fragment's duration in its timescale
};

// The fragment in bytes (a whole file). Every box size is checked against what is there; a
// trun claiming more samples than its box holds is read up to the box's end.
Fragment parseFragment(const QByteArray &bytes);

// One stream's pieces in the order they are joined, and where a gap cut it short.
struct StreamPlan
{
    QString init;       // file name of the init segment
    QByteArray handler; // the track's handler: "vide", "soun"
    QStringList media;  // file names of the media segments, in decode order, up to a gap
    int dropped = 0;    // duplicates, and segments after a gap
    bool cut = false;   // a gap: segments after it are missing
    double seconds = 0; // what the joined clip holds, when the durations are known
};

// Plans the joins over the named files: media segments go to the init segment that sets up
// their track, preferring one fetched from the same folder of the same server; they are
// ordered by decode time (else sequence number, else the number in their address), duplicates
// dropped, and the stream ends at the first gap. A media segment whose track no init segment
// sets up is left alone, as is an init segment without media.
struct StreamPiece
{
    QString name;
    QString url;
    Fragment fragment;
};
QList<StreamPlan> planStreams(const QList<StreamPiece> &pieces);

struct JoinedClip
{
    QString name; // in the working folder
    int pieces = 0;
    bool cut = false;
    double seconds = 0;
    bool withSound = false; // a picture-only stream given the sound stream that goes with it
};

// Joins the streams among the files of table in folder: each clip is written under a name from
// its init segment's address, dated by the earliest fetch of its pieces and recorded in table
// (cut short when a gap ended it); the joined pieces are removed from folder and table. A
// stream of pictures only and one of sound only from the same server, fetched within two
// minutes of each other and as long (to a second, or 2 %), become one clip with sound.
// MPEG transport-stream segments (HLS) of one stream, ordered by the number in their
// addresses up to the first missing one, become one MP4 clip too. Joined bytes count against
// budget (when given): a stream past it stays as its pieces and is counted as skipped.
QList<JoinedClip> joinSegmentedStreams(const WorkFolder &folder, SourceTable &table,
                                       ExtractBudget *budget = nullptr);

} // namespace velt
