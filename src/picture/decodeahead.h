#pragma once

#include "picture/picturecache.h"
#include "picture/pictureloader.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace velt {

// Decodes the pictures that paging will show next on a worker thread, so that the picture
// window paints them from memory. Keeps the picture on show and those planned ahead (at most
// three); a picture whose file changed since its decode began is decoded again.
//
// Every member is called on the window thread. The worker only decodes files through the loader:
// no windows, no program state. It leaves metafiles (drawn by a helper process) and SVG files
// to the window thread, which loads them when they are shown.
class DecodeAhead
{
public:
    // Decodes one file. A loader given here must be safe to call on two threads at once.
    using Loader = std::function<LoadedPicture(const QString &path)>;

    // Without a loader: loadPicture.
    explicit DecodeAhead(Loader load = {});
    // Waits for a decode in progress (at most one), drops the rest.
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead &) = delete;
    DecodeAhead &operator=(const DecodeAhead &) = delete;

    // The picture about to be shown (empty: none) and those to decode ahead, in that order. Drops
    // every other picture, decoded or waiting, and queues the missing ones of `ahead`. When the one
    // to show is not in memory the worker waits until take() has decoded it (or start()), so that
    // it does not compete with that decode.
    void plan(const QString &showing, const QStringList &ahead);
    // The picture of path decoded from the file as it is now: from memory when it was decoded
    // ahead, after the decode in progress when it is being decoded, decoded here otherwise.
    LoadedPicture take(const QString &path);
    // Lets the worker go on without a take(): the picture on show was not loaded.
    void start();

    // Drops every picture and everything queued, and waits for a decode in progress: no file is
    // open or read afterwards (before the working folder is emptied).
    void clear();
    // Blocks until nothing waits to be decoded and no decode is in progress.
    void waitUntilIdle();
    // Whether a decoded picture of path is held; how many and their pixel bytes.
    bool holds(const QString &path) const;
    int heldCount() const;
    qint64 heldBytes() const;

    static constexpr int kMaxHeld = 3; // the one on show, the next and the previous

private:
    void startLocked(std::unique_lock<std::mutex> &lock); // unlocks
    void work();

    Loader m_loadHere;  // on the window thread, every kind of picture
    Loader m_loadAhead; // on the worker, pictures of Qt's readers
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    PictureCache m_cache{kMaxHeld};
    QStringList m_wanted;
    std::deque<QString> m_queue;
    bool m_started = false;
    // Pictures dropped by plan: freed by the worker, off the window thread, or here before a
    // decode, so that a decode never adds to pictures nobody wants.
    std::vector<QImage> m_dropped;
    QString m_decoding; // the worker's file, empty when it waits
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace velt
