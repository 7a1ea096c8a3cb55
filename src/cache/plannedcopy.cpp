#include "cache/plannedcopy.h"

#include "cache/winpath.h"
#include "platform/namebytes.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <filesystem>
#include <system_error>
#endif

namespace velt {

namespace {

// The type of a name as a pattern "*.TYPE" compares it: the text after the last dot,
// upper-cased. Names in ASCII, nearly all of them, are done on the bytes.
QByteArray typeKey(const QByteArray &name)
{
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0)
        return QByteArray();
    const QByteArray type = name.mid(dot + 1);
    for (const char c : type) {
        if (uchar(c) >= 0x80)
            return decodeFileName(type).toUpper().toUtf8();
    }
    return type.toUpper();
}

// "*.TYPE" with a plain type, which a look-up by type answers; empty for any other pattern.
QByteArray plainPatternType(const QString &pattern)
{
    if (!pattern.startsWith(QLatin1String("*.")))
        return QByteArray();
    const QString type = pattern.mid(2);
    if (type.isEmpty() || type.contains(QLatin1Char('*')) || type.contains(QLatin1Char('?'))
        || type.contains(QLatin1Char('.')))
        return QByteArray();
    return type.toUpper().toUtf8();
}

} // namespace

#ifndef _WIN32

CopyOutcome copyFileInto(const CopyRequest &request)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (request.followLinks ? 0 : O_NOFOLLOW);
    const int in = request.folderFd >= 0
            ? ::openat(request.folderFd, request.name.constData(), flags)
            : ::open((encodeFileName(request.folderPath) + '/' + request.name).constData(), flags);
    if (in < 0)
        return {false, errno};
    struct stat info
    {
    };
    // O_NONBLOCK above: a FIFO that appeared since the listing is opened without waiting, and
    // refused here.
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return {false, EINVAL};
    }
    const int out = request.target.createFile(request.name, privateCopyMode(info.st_mode));
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return {false, error};
    }
    int error = 0;
    off_t remaining = info.st_size;
    bool useRange = true;
    char buffer[64 * 1024];
    while (error == 0 && remaining > 0) {
        ssize_t n = -1;
        if (useRange) {
            n = ::copy_file_range(in, nullptr, out, nullptr, size_t(remaining), 0);
            if (n < 0
                && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                useRange = false;
                continue;
            }
        } else {
            n = ::read(in, buffer, sizeof buffer);
            if (n > 0 && !writeAll(out, buffer, n, &error))
                break;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break; // at 0 the file got shorter since: what there was is copied
        remaining -= n;
    }
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(out, times);
    if (::close(out) != 0 && error == 0)
        error = errno;
    ::close(in);
    if (error != 0)
        request.target.removeFile(request.name);
    return {error == 0, error};
}

#else

CopyOutcome copyFileInto(const CopyRequest &request)
{
    std::error_code ec;
    const std::filesystem::path from(
            (QFile::encodeName(request.folderPath) + '/' + request.name).toStdString());
    const std::filesystem::path to(
            (QFile::encodeName(request.target.path()) + '/' + request.name).toStdString());
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(from, ec))
        && !(request.followLinks && std::filesystem::is_regular_file(from, ec)))
        return {false, EINVAL};
    const auto modified = std::filesystem::last_write_time(from, ec);
    if (ec
        || !std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                       ec)
        || ec)
        return {false, ec.value() ? ec.value() : EIO};
    std::filesystem::last_write_time(to, modified, ec);
    return {true, 0};
}

#endif

CopyPlan::~CopyPlan()
{
#ifndef _WIN32
    for (const Folder &folder : m_folders) {
        if (folder.fd >= 0)
            ::close(folder.fd);
    }
#endif
}

int CopyPlan::addFolder(const QString &dir, bool followLinks)
{
    Folder folder;
    folder.path = dir;
    folder.followLinks = followLinks;
#ifndef _WIN32
    if (!dir.isEmpty())
        folder.fd = ::open(encodeFileName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *listing = folder.fd >= 0
            ? ::fdopendir(::openat(folder.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
            : nullptr;
    while (listing) {
        const dirent *entry = ::readdir(listing);
        if (!entry)
            break;
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        bool regular = entry->d_type == DT_REG;
        struct stat info
        {
        };
        if (entry->d_type == DT_UNKNOWN || (followLinks && entry->d_type == DT_LNK))
            regular = ::fstatat(folder.fd, name, &info, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) == 0
                    && S_ISREG(info.st_mode);
        if (regular)
            folder.names.emplace_back(name);
    }
    if (listing)
        ::closedir(listing);
#else
    // isFile() follows a link; symLinkTarget() tells a link.
    if (!dir.isEmpty()) {
        const QFileInfoList entries = QDir(dir).entryInfoList(
                QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
        for (const QFileInfo &info : entries) {
            if (info.isFile() && (followLinks || !info.isSymLink()))
                folder.names.push_back(QFile::encodeName(info.fileName()));
        }
    }
#endif
    for (int i = 0; i < int(folder.names.size()); ++i) {
        const QByteArray key = typeKey(folder.names[size_t(i)]);
        if (!key.isEmpty())
            folder.byType[key].push_back(i);
    }
    m_folders.push_back(std::move(folder));
    return int(m_folders.size()) - 1;
}

void CopyPlan::addCandidate(const QByteArray &name, int step, int folder)
{
    auto it = m_jobOfName.find(name);
    if (it == m_jobOfName.end()) {
        it = m_jobOfName.insert(name, int(m_jobs.size()));
        m_jobs.push_back(Job{name, {}});
    }
    m_jobs[size_t(*it)].candidates.push_back(Candidate{step, folder});
}

int CopyPlan::addStep(int folderIndex, const QString &pattern)
{
    const int step = m_steps++;
    const Folder &folder = m_folders[size_t(folderIndex)];
    const QByteArray type = plainPatternType(pattern);
    if (!type.isEmpty()) {
        const auto it = folder.byType.constFind(type);
        if (it != folder.byType.cend()) {
            for (const int i : *it)
                addCandidate(folder.names[size_t(i)], step, folderIndex);
        }
        return step;
    }
    const bool everything = pattern == QLatin1String("*") || pattern == QLatin1String("*.*");
    for (const QByteArray &name : folder.names) {
        if (everything || wildcardMatch(pattern, decodeFileName(name)))
            addCandidate(name, step, folderIndex);
    }
    return step;
}

PlannedCopy::PlannedCopy(CopyPlan plan, const WorkFolder &target, int threads, CopyFunction copy,
                         std::function<void()> wake)
    : m_plan(std::move(plan)), m_target(target), m_copy(std::move(copy)), m_wake(std::move(wake))
{
    // The copies are made in the order of the step that leaves each name's copy in place.
    std::stable_sort(m_plan.m_jobs.begin(), m_plan.m_jobs.end(),
                     [](const CopyPlan::Job &a, const CopyPlan::Job &b) {
                         return a.candidates.back().step < b.candidates.back().step;
                     });
    m_plan.m_jobOfName.clear();
    const int jobs = int(m_plan.m_jobs.size());
    m_stepEnd.resize(size_t(m_plan.m_steps));
    for (int step = 0, job = 0; step < m_plan.m_steps; ++step) {
        while (job < jobs && m_plan.m_jobs[size_t(job)].candidates.back().step <= step)
            ++job;
        m_stepEnd[size_t(step)] = job;
    }
    m_limit = m_plan.m_steps - 1;
    m_done.assign(size_t(jobs), 0);
    m_outcomes.resize(size_t(jobs));
    if (threads <= 0)
        threads = int(std::clamp(std::thread::hardware_concurrency(), 2u, 4u));
    threads = std::min(threads, jobs);
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { work(); });
}

PlannedCopy::~PlannedCopy()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

bool PlannedCopy::reached(int step) const
{
    if (m_stepEnd.empty())
        return true;
    step = std::clamp(step, 0, int(m_stepEnd.size()) - 1);
    return m_donePrefix.load() >= m_stepEnd[size_t(step)];
}

void PlannedCopy::wakeWhenReached(int step)
{
    if (m_stepEnd.empty())
        return;
    m_wanted.store(m_stepEnd[size_t(std::clamp(step, 0, int(m_stepEnd.size()) - 1))]);
}

void PlannedCopy::pause()
{
    std::lock_guard lock(m_mutex);
    m_paused = true;
}

void PlannedCopy::resume()
{
    {
        std::lock_guard lock(m_mutex);
        m_paused = false;
    }
    m_changed.notify_all();
}

bool PlannedCopy::allDoneLocked() const
{
    return m_finishing && m_next == int(m_plan.m_jobs.size()) && m_nextRedo == m_redo.size()
            && m_running == 0;
}

void PlannedCopy::finishAfter(int step)
{
    bool done = false;
    {
        std::unique_lock lock(m_mutex);
        if (m_finishing)
            return;
        // Copies under way end first, so that each copy made is known by the step it came from.
        m_paused = true;
        m_changed.wait(lock, [this] { return m_running == 0; });
        m_limit = step;
        for (int job = 0; job < m_next; ++job) {
            if (m_outcomes[size_t(job)].step > step)
                m_redo.push_back(job);
        }
        m_finishing = true;
        m_paused = false;
        done = allDoneLocked();
    }
    m_changed.notify_all();
    if (done && m_wake)
        m_wake();
}

bool PlannedCopy::isFinished() const
{
    std::lock_guard lock(m_mutex);
    return allDoneLocked();
}

void PlannedCopy::waitFinished()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return allDoneLocked(); });
}

PlannedCopyResult PlannedCopy::result() const
{
    std::lock_guard lock(m_mutex);
    PlannedCopyResult result;
    for (size_t job = 0; job < m_outcomes.size(); ++job) {
        const Outcome &outcome = m_outcomes[job];
        if (outcome.step >= 0) {
            ++result.copied;
            const CopyPlan::Job &planned = m_plan.m_jobs[job];
            for (const CopyPlan::Candidate &candidate : planned.candidates) {
                if (candidate.step == outcome.step)
                    result.folderOf.insert(planned.name,
                                           m_plan.m_folders[size_t(candidate.folder)].path);
            }
        }
        // What counts is the latest copy up to the stop: a later one was never due.
        for (const auto &[step, error] : outcome.failed) {
            if (step <= m_limit) {
                result.full.note(error);
                break;
            }
        }
    }
    return result;
}

PlannedCopy::Outcome PlannedCopy::run(int job, int limit)
{
    const CopyPlan::Job &planned = m_plan.m_jobs[size_t(job)];
    Outcome outcome;
    for (auto it = planned.candidates.rbegin(); it != planned.candidates.rend(); ++it) {
        if (it->step > limit)
            continue;
        const CopyPlan::Folder &folder = m_plan.m_folders[size_t(it->folder)];
        const CopyRequest request{folder.path,  folder.fd, it->folder,
                                  planned.name, m_target,  folder.followLinks};
        const CopyOutcome copied = m_copy ? m_copy(request) : copyFileInto(request);
        if (copied.copied) {
            outcome.step = it->step;
            return outcome;
        }
        outcome.failed.emplace_back(it->step, copied.error);
        // Whatever a failed copy left is not a copy of anything.
        m_target.removeFile(planned.name);
    }
    return outcome;
}

int PlannedCopy::jobToRun()
{
    if (m_next < int(m_plan.m_jobs.size()))
        return m_next++;
    if (m_finishing && m_nextRedo < m_redo.size())
        return m_redo[m_nextRedo++];
    return -1;
}

void PlannedCopy::work()
{
    std::unique_lock lock(m_mutex);
    const int jobs = int(m_plan.m_jobs.size());
    for (;;) {
        m_changed.wait(lock, [&] {
            return m_quit
                    || (!m_paused && (m_next < jobs || m_nextRedo < m_redo.size() || m_finishing));
        });
        if (m_quit)
            return;
        const bool redo = m_next >= jobs;
        const int job = jobToRun();
        if (job < 0)
            return; // finishing, and nothing is left
        const int limit = m_limit;
        ++m_running;
        lock.unlock();
        // A copy made from a step after the stop gives way to the copy before it.
        if (redo)
            m_target.removeFile(m_plan.m_jobs[size_t(job)].name);
        Outcome outcome = run(job, limit);
        lock.lock();
        --m_running;
        m_outcomes[size_t(job)] = std::move(outcome);
        bool wake = false;
        if (!redo) {
            m_done[size_t(job)] = 1;
            int prefix = m_donePrefix.load();
            while (prefix < jobs && m_done[size_t(prefix)])
                ++prefix;
            m_donePrefix.store(prefix);
            int wanted = m_wanted.load();
            wake = wanted >= 0 && prefix >= wanted && m_wanted.compare_exchange_strong(wanted, -1);
        }
        const bool finished = allDoneLocked();
        if (finished || m_running == 0)
            m_changed.notify_all();
        if ((wake || finished) && m_wake) {
            lock.unlock();
            m_wake();
            lock.lock();
        }
    }
}

PlannedCopyResult copyFolderInto(const QString &sourceDir, const WorkFolder &target, int threads)
{
    CopyPlan plan;
    const int step = plan.addStep(plan.addFolder(sourceDir, true), QStringLiteral("*.*"));
    PlannedCopy copy(std::move(plan), target, threads);
    copy.finishAfter(step);
    copy.waitFinished();
    return copy.result();
}

} // namespace velt
