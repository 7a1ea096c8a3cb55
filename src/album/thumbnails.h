#pragma once

#include "app/sourcetable.h"
#include "picture/pictureloader.h"

#include <QCache>
#include <QDateTime>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace velt {

// The thumbnail window's design, in twips: ten cells in two rows of five, the scroll bar at the
// right, the client area.
inline constexpr int kThumbnailCells = 10;
inline constexpr int kThumbnailCellWidth = 1095;
inline constexpr int kThumbnailCellHeight = 1215;
QRect thumbnailCellTwips(int cell);
inline constexpr QRect kThumbnailScrollTwips{5480, 0, 255, 2440};
inline constexpr QSize kThumbnailClientTwips{5730, 2430};

// How the window pages through a list of listCount entries. The scroll bar's value is the list
// position of cell 0; it runs 1..maximum and is shown only beyond ten entries.
struct ThumbnailPaging
{
    bool cellsVisible = false;  // false for an empty list: no cells at all
    bool scrollVisible = false; // more than ten entries
    int maximum = 1;            // listCount - 9 when scrolling, else 1
    int filledAtLoad = 0;       // cells 0..filledAtLoad-1 get a picture at load
};
ThumbnailPaging thumbnailPaging(int listCount);

// The list position that cell shows at scroll value value; 0 for a cell beyond the list's end.
int thumbnailPosition(int value, int cell, int listCount);

// What a cell shows after a fill, from the check (empty: the file could not be read), whether
// the picture decoded, and whether the fill came from scrolling (which cleared the cell first).
enum class CellPicture {
    Decoded, // the thumbnail
    Keep,    // what the cell holds: the placeholder at load
    Cut,     // cut.bmp, or what the cell holds when cut.bmp cannot be loaded
};
CellPicture cellPictureFor(std::optional<bool> check, bool decoded, bool scrolling);

// The built-in placeholder every cell starts with: 62 x 68 pixels, red, "Load Error" and the
// product's name. Drawn by the program (needs a QGuiApplication for the font).
QImage thumbnailPlaceholder();

// The outcome of checking and decoding one list file for a cell.
struct ThumbnailOutcome
{
    std::optional<bool> check; // PictureCheck: empty when the file could not be read
    QImage image;              // null unless the check passed and the picture decoded
};

// Checked and decoded thumbnails of the open window, by path. A file whose size or time has
// changed since is checked and decoded again; the least recently used are dropped beyond
// capacity. Decoding runs at the cell size through loadThumbnail, with a shorter time limit for
// metafiles than the picture window's, so a page of hostile files stays short.
class ThumbnailCache
{
public:
    ThumbnailCache(QSize cellPixels, const MetafileHelper &helper, int capacity = 300);

    ThumbnailOutcome outcome(const QString &path, const SourceTable &sources);
    void clear() { m_entries.clear(); }
    // Files checked and decoded since construction (cached answers not counted).
    int decodes() const { return m_decodes; }

    static constexpr int kMetafileTimeoutMs = 2000;

private:
    struct Entry
    {
        qint64 size = -1;
        QDateTime modified;
        ThumbnailOutcome outcome;
    };
    QSize m_cellPixels;
    MetafileHelper m_helper;
    QCache<QString, Entry> m_entries;
    int m_decodes = 0;
};

} // namespace velt
