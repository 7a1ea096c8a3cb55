#include "album/albumfolder.h"

#include "platform/folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace velt {

QList<AlbumVolume> mountedAlbumVolumes()
{
    QList<AlbumVolume> volumes;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        if (storage.isValid() && storage.isReady())
            volumes.append({storage.rootPath(), storage.displayName()});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const AlbumVolume &a, const AlbumVolume &b) { return a.root < b.root; });
    return volumes;
}

QString albumVolumeText(const AlbumVolume &volume)
{
    const QString root = QDir::toNativeSeparators(volume.root);
    if (volume.name.isEmpty() || volume.name == volume.root)
        return root;
    return root + QStringLiteral(" [") + volume.name + QLatin1Char(']');
}

QString albumStartFolder(const QString &stored, const QString &fallback)
{
    if (!stored.isEmpty() && QFileInfo(stored).isDir())
        return stored;
    const bool absolute = !stored.isEmpty() && QDir::isAbsolutePath(stored);
    const QString parent = nearestExistingFolder(stored);
    if (absolute && !QDir(parent).isRoot())
        return parent;
    if (!fallback.isEmpty() && QFileInfo(fallback).isDir())
        return fallback;
    return parent;
}

} // namespace velt
