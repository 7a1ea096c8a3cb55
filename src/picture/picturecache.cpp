#include "picture/picturecache.h"

#include "picture/imagecheck.h"
#include "platform/namebytes.h"

#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace velt {

std::optional<FileStamp> fileStamp(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    if (::stat(encodeFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = qint64(st.st_size);
    stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.inode = quint64(st.st_ino);
    stamp.device = quint64(st.st_dev);
    return stamp;
#else
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    FileStamp stamp;
    stamp.size = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    stamp.changedNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
    stamp.inode = quint64(info.birthTime().toMSecsSinceEpoch());
    return stamp;
#endif
}

void PictureCache::insert(const QString &path, const FileStamp &stamp, const QImage &picture)
{
    remove(path);
    if (m_capacity <= 0)
        return;
    while (int(m_entries.size()) >= m_capacity)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(Entry{path, stamp, picture});
}

std::optional<QImage> PictureCache::find(const QString &path, const FileStamp &stamp)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&path](const Entry &e) { return e.path == path; });
    if (it == m_entries.end())
        return std::nullopt;
    if (it->stamp != stamp) {
        m_entries.erase(it);
        return std::nullopt;
    }
    return it->picture;
}

std::vector<QImage> PictureCache::retainOnly(const QStringList &paths)
{
    std::vector<QImage> dropped;
    std::erase_if(m_entries, [&paths, &dropped](Entry &e) {
        if (paths.contains(e.path))
            return false;
        dropped.push_back(std::move(e.picture));
        return true;
    });
    return dropped;
}

void PictureCache::remove(const QString &path)
{
    std::erase_if(m_entries, [&path](const Entry &e) { return e.path == path; });
}

bool PictureCache::contains(const QString &path) const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&path](const Entry &e) { return e.path == path; });
}

qint64 PictureCache::bytes() const
{
    qint64 total = 0;
    for (const Entry &e : m_entries)
        total += e.picture.sizeInBytes();
    return total;
}

QStringList pagingNeighbours(const MdlVELT &state, const ExtTable &ext)
{
    const int count = std::min<int>(state.ListCount, int(state.ListFile.size()) - 1);
    if (count <= 0)
        return {};
    const int pos = std::clamp(state.ListPos, 0, count);
    // The same steps as the buttons: no wrap-around, the ends show their own picture again.
    const int next = pos != count ? pos + 1 : pos;
    const int previous = pos <= 1 ? 1 : pos - 1;
    QStringList paths;
    for (const int k : {next, previous}) {
        const QString path = state.WorkDir + QLatin1Char('/') + state.ListFile.at(k);
        if (paths.contains(path) || !ext.SerchGaExp(path)
            || PictureCheck(path, state.Sources) != std::optional<bool>(true))
            continue;
        paths.append(path);
    }
    return paths;
}

} // namespace velt
