#include "picture/decodeahead.h"

#include <algorithm>
#include <utility>

namespace velt {

DecodeAhead::DecodeAhead(Loader load)
{
    if (load) {
        m_loadHere = load;
        m_loadAhead = std::move(load);
    } else {
        m_loadHere = [](const QString &path) {
            return loadPicture(path);
        };
        // The worker never draws metafiles, so it needs no helper (and does not look for one).
        m_loadAhead = [](const QString &path) {
            return loadPicture(path, MetafileHelper{});
        };
    }
}

DecodeAhead::~DecodeAhead()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_queue.clear();
        m_dropped.clear();
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void DecodeAhead::plan(const QString &showing, const QStringList &ahead)
{
    // Stamps are read before the lock: a file system call may take a while.
    const std::optional<FileStamp> showingStamp = fileStamp(showing);
    std::vector<std::optional<FileStamp>> stamps;
    for (const QString &path : ahead)
        stamps.push_back(fileStamp(path));

    std::unique_lock<std::mutex> lock(m_mutex);
    m_wanted = QStringList{showing};
    for (const QString &path : ahead) {
        if (!m_wanted.contains(path))
            m_wanted.append(path);
    }
    for (QImage &picture : m_cache.retainOnly(m_wanted))
        m_dropped.push_back(std::move(picture));
    m_queue.clear();
    for (qsizetype i = 0; i < ahead.size(); ++i) {
        const QString &path = ahead.at(i);
        if (path == showing || path == m_decoding || !stamps[i]
            || std::find(m_queue.begin(), m_queue.end(), path) != m_queue.end()
            || m_cache.find(path, *stamps[i]))
            continue;
        m_queue.push_back(path);
    }
    // A picture that must be decoded on the window thread goes first; one in memory does not
    // keep the worker waiting.
    m_started = showing.isEmpty() || (showingStamp && m_cache.find(showing, *showingStamp));
    startLocked(lock);
}

void DecodeAhead::start()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_started = true;
    startLocked(lock);
}

void DecodeAhead::startLocked(std::unique_lock<std::mutex> &lock)
{
    const bool busy = !m_dropped.empty() || (m_started && !m_queue.empty());
    if (busy && !m_worker.joinable())
        m_worker = std::thread([this] { work(); });
    lock.unlock();
    if (busy)
        m_changed.notify_all();
}

LoadedPicture DecodeAhead::take(const QString &path)
{
    const std::optional<FileStamp> stamp = fileStamp(path);
    std::unique_lock<std::mutex> lock(m_mutex);
    // Not started yet: decoded here at once rather than after the worker's other files.
    std::erase(m_queue, path);
    m_changed.wait(lock, [this, &path] { return m_decoding != path; });
    if (stamp) {
        if (std::optional<QImage> held = m_cache.find(path, *stamp)) {
            m_started = true;
            startLocked(lock);
            return LoadedPicture{std::move(*held), QString()};
        }
    }
    m_cache.remove(path);
    std::vector<QImage> dropped = std::exchange(m_dropped, {});
    lock.unlock();

    dropped.clear();
    LoadedPicture loaded = m_loadHere(path);

    lock.lock();
    if (loaded.ok() && stamp && m_wanted.contains(path))
        m_cache.insert(path, *stamp, loaded.image);
    m_started = true;
    startLocked(lock);
    return loaded;
}

void DecodeAhead::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_stop || !m_dropped.empty() || (m_started && !m_queue.empty());
        });
        if (m_stop)
            return;
        if (!m_dropped.empty()) {
            std::vector<QImage> dropped = std::exchange(m_dropped, {});
            lock.unlock();
            dropped.clear();
            m_changed.notify_all();
            lock.lock();
            continue;
        }
        const QString path = m_queue.front();
        m_queue.pop_front();
        m_decoding = path;
        lock.unlock();

        // The stamp is read before the decode and compared after it, so a file that changed
        // meanwhile is not kept under either state.
        QImage picture;
        const std::optional<FileStamp> before = fileStamp(path);
        if (before && loaderKindOf(path) == LoaderKind::Raster) {
            LoadedPicture loaded = m_loadAhead(path);
            if (loaded.ok() && fileStamp(path) == before)
                picture = std::move(loaded.image);
        }

        lock.lock();
        m_decoding.clear();
        if (!picture.isNull() && m_wanted.contains(path))
            m_cache.insert(path, *before, picture);
        m_changed.notify_all();
        // A picture nobody wants any more is freed here, outside the lock.
        lock.unlock();
        picture = QImage();
        lock.lock();
    }
}

void DecodeAhead::clear()
{
    std::vector<QImage> dropped;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wanted.clear();
        m_queue.clear();
        dropped = std::exchange(m_dropped, {});
        for (QImage &picture : m_cache.retainOnly({}))
            dropped.push_back(std::move(picture));
        m_changed.wait(lock, [this] { return m_decoding.isEmpty(); });
    }
}

void DecodeAhead::waitUntilIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] {
        return (m_queue.empty() || !m_started) && m_decoding.isEmpty() && m_dropped.empty();
    });
}

bool DecodeAhead::holds(const QString &path) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_cache.contains(path);
}

int DecodeAhead::heldCount() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_cache.count();
}

qint64 DecodeAhead::heldBytes() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_cache.bytes();
}

} // namespace velt
