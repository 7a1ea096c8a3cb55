#pragma once

#include "platform/workdir.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velt {

// What a copy of one file into the working folder is asked to do.
struct CopyRequest
{
    const QString &folderPath; // the source folder
    int folderFd;              // and its descriptor (-1 on Windows)
    int folder;                // its position in the plan
    const QByteArray &name;    // the file's name there, and its copy's name
    const WorkFolder &target;
    bool followLinks;
};

struct CopyOutcome
{
    bool copied = false;
    int error = 0; // the errno of a failure
};

// Copies one file into the working folder: a new file (a file or link of that name is
// replaced, never written through) with the owner's permission bits of the source and its
// modification time. Only a regular file is copied; a link is followed only when asked. A copy
// that fails part-way is removed.
CopyOutcome copyFileInto(const CopyRequest &request);

using CopyFunction = std::function<CopyOutcome(const CopyRequest &)>;

// The copies of the copy stage in the order they are made, known before any is made: each
// folder is listed once, each pattern matched against that listing in memory. For every name
// the plan keeps every file that would be copied under it; only the last one matters unless
// the user stops before it or it cannot be copied.
class CopyPlan
{
public:
    CopyPlan() = default;
    CopyPlan(CopyPlan &&) = default;
    CopyPlan &operator=(CopyPlan &&) = default;
    ~CopyPlan();

    // Lists dir once: its regular files (with followLinks, links to regular files as well). A
    // folder that cannot be read has no files. Returns the folder's position.
    int addFolder(const QString &dir, bool followLinks = false);
    // The next copy: every file of folder whose name matches pattern ("*.JPG": case
    // does not matter). Returns the step's number, counted from 0.
    int addStep(int folder, const QString &pattern);

    int stepCount() const { return m_steps; }
    int nameCount() const { return int(m_jobs.size()); }

private:
    friend class PlannedCopy;
    struct Folder
    {
        QString path;
        int fd = -1;
        bool followLinks = false;
        std::vector<QByteArray> names;
        // Names by upper-cased type, for patterns of the form "*.TYPE".
        QHash<QByteArray, std::vector<int>> byType;
    };
    struct Candidate
    {
        int step;
        int folder;
    };
    struct Job
    {
        QByteArray name;
        std::vector<Candidate> candidates; // in step order
    };
    void addCandidate(const QByteArray &name, int step, int folder);

    std::vector<Folder> m_folders;
    std::vector<Job> m_jobs;
    QHash<QByteArray, int> m_jobOfName;
    int m_steps = 0;
};

struct PlannedCopyResult
{
    int copied = 0;        // names that have a copy in the working folder
    FullDiskFailures full; // names whose latest copy failed for lack of space or quota
    QHash<QByteArray, QString> folderOf; // each copy's name: the folder it was copied from
};

// Makes a plan's copies on a few worker threads, in the order of the step whose copy of each
// name is the last, so that step by step the working folder is what the one-by-one copying
// would have left by then. A copy that a later one replaces is not made. When a name's latest
// copy fails, its copy before that is made instead, as if the failed one had not happened.
// Everything but the copying itself happens on the thread that owns this object.
class PlannedCopy
{
public:
    // wake is called from a worker thread when a step waited for has been reached, or when
    // the copying has ended.
    PlannedCopy(CopyPlan plan, const WorkFolder &target, int threads, CopyFunction copy = {},
                std::function<void()> wake = {});
    ~PlannedCopy();
    PlannedCopy(const PlannedCopy &) = delete;
    PlannedCopy &operator=(const PlannedCopy &) = delete;

    // True when every copy that the steps up to step leave in place has been made.
    bool reached(int step) const;
    // Has wake called once reached(step) holds (at once when it does already).
    void wakeWhenReached(int step);

    // No new copy is started until resume(); copies under way finish.
    void pause();
    void resume();

    // Ends the copying after step: the copies left to make are those the steps up to it leave
    // in place; a copy made already from a later step is replaced by the last copy of its name
    // up to step, or removed when there is none. Then isFinished() becomes true (and wake is
    // called).
    void finishAfter(int step);
    bool isFinished() const;
    // Blocks until isFinished(); for callers without windows to serve.
    void waitFinished();

    PlannedCopyResult result() const;

private:
    struct Outcome
    {
        int step = -1; // the step whose copy is in place; -1 none
        // The copies that failed, the latest first: (step, errno).
        std::vector<std::pair<int, int>> failed;
    };
    void work();
    Outcome run(int job, int limit);
    int jobToRun(); // -1 when there is none now
    bool allDoneLocked() const;

    CopyPlan m_plan;
    const WorkFolder &m_target;
    CopyFunction m_copy;
    std::function<void()> m_wake;
    std::vector<int> m_stepEnd; // by step: the jobs whose last step is at most that step

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<char> m_done;
    std::vector<Outcome> m_outcomes;
    std::vector<int> m_redo; // jobs to make again after the stop
    size_t m_nextRedo = 0;
    int m_next = 0;
    int m_limit; // no copy from a step after this one is made
    bool m_finishing = false;
    bool m_paused = false;
    bool m_quit = false;
    int m_running = 0;
    std::atomic<int> m_donePrefix{0};
    std::atomic<int> m_wanted{-1};
    std::vector<std::thread> m_threads;
};

// Copies every file of sourceDir into the working folder, replacing same-named files: files
// only (a link to a file is followed, the folder being the user's own choice), modification
// times kept, a file that cannot be copied skipped. Blocks until done.
PlannedCopyResult copyFolderInto(const QString &sourceDir, const WorkFolder &target,
                                 int threads = 0);

} // namespace velt
