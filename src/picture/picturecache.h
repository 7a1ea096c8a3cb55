#pragma once

#include "app/mdlvelt.h"
#include "picture/pictureloader.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velt {

// What tells one state of a file from another without reading it: a picture decoded from a file
// is valid while the file still has the stamp it had before the decode began. The status-change
// time also catches a rewrite of the same size whose modification time was set back.
struct FileStamp
{
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

// The stamp of a regular file (following a symbolic link); empty when there is none.
std::optional<FileStamp> fileStamp(const QString &path);

// Decoded pictures by path, each with the stamp its file had when it was decoded. Only
// successful decodes are kept. Holds at most `capacity` pictures: the oldest goes first.
class PictureCache
{
public:
    explicit PictureCache(int capacity) : m_capacity(capacity) { }

    void insert(const QString &path, const FileStamp &stamp, const QImage &picture);
    // The picture of path when its file still has stamp. A picture decoded from another state
    // of the file is dropped here, so its memory is free before the file is decoded again.
    std::optional<QImage> find(const QString &path, const FileStamp &stamp);
    // Keeps the pictures of these paths and hands back every other one.
    std::vector<QImage> retainOnly(const QStringList &paths);
    void remove(const QString &path);
    void clear() { m_entries.clear(); }

    bool contains(const QString &path) const;
    int count() const { return int(m_entries.size()); }
    // Pixel memory of the pictures held.
    qint64 bytes() const;

private:
    struct Entry
    {
        QString path;
        FileStamp stamp;
        QImage picture;
    };
    int m_capacity;
    std::vector<Entry> m_entries; // oldest first
};

// What the previous and the next button would show from the current ListPos, as full paths:
// the next first. Entries without a picture type and files that fail the damage check are left
// out (they would not be painted). Empty when the list is empty.
QStringList pagingNeighbours(const MdlVELT &state, const ExtTable &ext);

} // namespace velt
