#pragma once

#include <QList>
#include <QString>

namespace velt {

// A drive of the album dialog: a mounted volume's root folder and the name shown for it.
struct AlbumVolume
{
    QString root;
    QString name;
};

// The mounted volumes that are ready (QStorageInfo), by root.
QList<AlbumVolume> mountedAlbumVolumes();

// The text of a volume in the drive list: its root, and its name when that differs.
QString albumVolumeText(const AlbumVolume &volume);

// The folder the album dialog opens at: the stored folder when it exists; else its nearest
// existing parent, unless only the file system's root is left of it (the folder is then gone
// with all its parents, and the fallback is closer to what the user keeps); else the fallback
// when it exists; else the nearest existing folder of the stored one (the home folder when
// there is none). Always an existing folder.
QString albumStartFolder(const QString &stored, const QString &fallback);

} // namespace velt
