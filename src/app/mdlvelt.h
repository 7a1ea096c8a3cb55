#pragma once

#include "app/sourcetable.h"
#include "platform/workdir.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

// Program-wide state: the variables the whole program shares (the collected list, the working
// folders, the outside programs, the stop flag), the media-type table and its classifiers, and
// the side table of per-file facts from today's browsers. Only the window thread touches it.

namespace velt {

class WorkFolder;

// Program-wide state. Sequences are 1-based: position 0 exists but is never used, and
// storage may be longer than the count (only 1..count is meaningful).
struct MdlVELT
{
    QStringList ListFile{QString()};
    QStringList ListLine{QString()};
    int ListCount = 0;
    int ListPos = 0;
    QStringList SortFile{QString()};
    QStringList SortLine{QString()};

    QStringList GifFile{QString()};
    int GifCount = 0;
    QStringList GifSort{QString()};

    QString SysRoot;
    QString WorkDir;
    QString BufferDir;
    // WorkDir as the collection opened it: every write and deletion there goes through it.
    std::shared_ptr<WorkFolder> WorkDirHandle;

    QString IeExe;
    QString NsExe;
    QString RealExe;
    QString QtExe;

    bool StopLoad = false;
    qint16 PicOwner = 0;

    // Today's browsers, read after the registry's caches: the cache folders named on the
    // command line, and whether the desktop's own browser profiles are searched as well.
    QStringList BrowserCacheDirs;
    bool FindDesktopBrowserCaches = false;
    // Home folders of other disks searched in every layout, and Windows users' homes of a
    // mapped drive searched in the Windows one.
    QStringList HomeDirs;
    QStringList WindowsHomeDirs;
    // What is known about the files taken from those caches, by working-folder file name.
    SourceTable Sources;
    // The folder each file copied from the registry's caches (or an album folder) came from,
    // by working-folder file name.
    QHash<QString, QString> CopiedFrom;
    void setCopiedFrom(const QHash<QByteArray, QString> &folderOf);

    // Grows ListFile, SortFile, ListLine and SortLine to hold positions 0..n, keeping contents.
    void reserveList(int n);
    // Grows GifFile to hold positions 0..n.
    void reserveGif(int n);
};

// The most entries the collected list ever holds.
inline constexpr int kListLimit = 30000;

// Display line: the name cut to 34 characters plus a space, or padded to 35, then the time
// as "yyyy/mm/dd   hh:mm:ss" (three spaces).
QString displayLine(const QString &fileName, const QDateTime &modified);

// "yyyy/mm/dd   hh:mm:ss"
QString listTimeText(const QDateTime &t);

// Media-type extension table: 3 columns (0..2) by 41 rows (0..40). Column 1 rows 1..7 are the
// picture types, column 2 rows 1..26 the movie and sound types; other rows of those columns
// hold three spaces. Column 0 and row 0 stay empty.
class ExtTable
{
public:
    static constexpr int kColumns = 3;
    static constexpr int kRows = 41;
    static constexpr int kPictureRows = 7;
    static constexpr int kMediaRows = 26;
    // With today's types: PNG, WEBP, AVIF, SVG in rows 8..11 of column 1; MP4, M4V, WEBM, OGG,
    // OPUS, M4A, AAC, FLAC in rows 27..34 of column 2 (MP3 is row 11 already).
    static constexpr int kTodaysPictureRows = 11;
    static constexpr int kTodaysMediaRows = 34;

    void fill();
    const QString &at(int column, int row) const { return m_cells[column][row]; }

    // Puts today's types into the spare rows, for a collection that reads today's browsers;
    // the classifiers then know them too. fill() takes them out again.
    void addTodaysTypes();
    bool hasTodaysTypes() const { return m_todaysTypes; }

    // Album folders also hold what phones and today's programs write: PNG, WEBP, AVIF, HEIC,
    // HEIF and JXL go into the picture rows after those in use (a type already matched is not
    // added twice). fill() takes them out again.
    void addAlbumTypes();
    int pictureRows() const { return m_pictureRows; }
    int mediaRows() const { return m_mediaRows; }

    // True when the last three characters of name, upper-cased, match a picture type.
    bool SerchGaExp(const QString &name) const;
    // The same for the movie and sound types.
    bool SerchDoExp(const QString &name) const;

    // A table filled once, for code that runs without the main window.
    static const ExtTable &standard();

private:
    bool matchesColumn(const QString &name, int column, int rows) const;
    QString m_cells[kColumns][kRows];
    int m_pictureRows = kPictureRows;
    int m_mediaRows = kMediaRows;
    bool m_todaysTypes = false;
    bool m_albumTypes = false;
};

// The open-file dialog's filter, in the "description|pattern|..." form.
extern const char *const kOpenFileFilter;
// The same with an entry for today's pictures and one for today's movies and sounds before
// "all files", for a table that has today's types.
extern const char *const kOpenFileFilterWithTodaysTypes;
// The filter that fits the table: kOpenFileFilter unless it has today's types.
QString openFileFilter(const ExtTable &table);
// 0x5004: hide read-only box, file must exist, share-aware.
inline constexpr int kOpenFileFlags = 0x5004;

// True when the upper-cased last three characters of name are "GIF".
bool isGifName(const QString &name);

// Empties the working folder of state: through the folder the collection opened, else by path.
EmptyResult emptyWorkFolder(const MdlVELT &state);

// The path to read the working folder's files through: the folder the collection opened (by its
// descriptor), so that a folder swapped for a link meanwhile yields nothing of the link's.
QString workDirReadPath(const MdlVELT &state);

} // namespace velt
