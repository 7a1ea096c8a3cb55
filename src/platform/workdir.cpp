#include "platform/workdir.h"

#include "platform/namebytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>
#else
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

namespace velt {

const char *const kMsgWorkFolderBusy = QT_TRANSLATE_NOOP(
        "Messages", "この製品の作業フォルダーにアクセスされて作業フォルダーの処理ができません。");

namespace {

const char kWorkDirName[] = "VeltTemp";
const char kBufferDirName[] = "MyBuffer";

// An absolute path named "VeltTemp" that does not lie directly in the root: the only folder
// the program makes and empties.
bool isWorkDirPath(const QString &workDir)
{
    if (workDir.isEmpty() || QDir::isRelativePath(workDir))
        return false;
    const QFileInfo info(workDir);
    return info.fileName() == QLatin1String(kWorkDirName) && !QDir(info.path()).isRoot();
}

#ifndef _WIN32
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// A folder of the user's own, with no access for anyone else afterwards.
bool makePrivate(int fd, const struct stat &info)
{
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0;
}
#endif

} // namespace

#ifndef _WIN32

WorkFolder::~WorkFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::shared_ptr<WorkFolder> WorkFolder::openFolder(const QString &workDir, bool create)
{
    if (!isWorkDirPath(workDir))
        return nullptr;
    const QString parentPath = QFileInfo(workDir).path();
    if (create)
        QDir().mkpath(parentPath); // the Windows folder itself, as Windows would have it
    // Links on the way to the Windows folder are the system's own business; the working
    // folder itself is never reached through one.
    const Descriptor parent(
            ::open(encodeFileName(parentPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.get() < 0)
        return nullptr;
    struct stat made
    {
    };
    const bool created = create && ::mkdirat(parent.get(), kWorkDirName, 0700) == 0;
    if (created && ::fstatat(parent.get(), kWorkDirName, &made, AT_SYMLINK_NOFOLLOW) != 0)
        return nullptr;
    Descriptor folder(
            ::openat(parent.get(), kWorkDirName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info
    {
    };
    if (folder.get() < 0 || ::fstat(folder.get(), &info) != 0)
        return nullptr;
    // Replaced between its creation and its opening: not the folder that was made.
    if (created && (info.st_dev != made.st_dev || info.st_ino != made.st_ino))
        return nullptr;
    if (info.st_uid != ::geteuid())
        return nullptr;
    if (create) {
        if (!makePrivate(folder.get(), info)
            || ::faccessat(folder.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
            return nullptr;
        ::mkdirat(folder.get(), kBufferDirName, 0700);
        // A buffer folder that is a link is left alone: nothing is changed through it.
        const Descriptor buffer(::openat(folder.get(), kBufferDirName,
                                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat bufferInfo
        {
        };
        if (buffer.get() >= 0 && ::fstat(buffer.get(), &bufferInfo) == 0)
            makePrivate(buffer.get(), bufferInfo);
    }
    return std::shared_ptr<WorkFolder>(new WorkFolder(workDir, folder.release()));
}

EmptyResult WorkFolder::empty() const
{
    // A descriptor of its own for the listing, so the folder's stays where it is.
    DIR *dir = ::fdopendir(::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir)
        return EmptyResult::SomeFailed;
    std::vector<QByteArray> names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        struct stat info
        {
        };
        if (type == DT_UNKNOWN) {
            if (::fstatat(m_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_DIR)
            continue;
        // A link to a folder stays, as the folder would; a link to a file goes, as a link.
        if (type == DT_LNK && ::fstatat(m_fd, entry->d_name, &info, 0) == 0
            && S_ISDIR(info.st_mode))
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    EmptyResult result = EmptyResult::Emptied;
    for (const QByteArray &name : names) {
        if (::unlinkat(m_fd, name.constData(), 0) != 0 && errno != ENOENT)
            result = EmptyResult::SomeFailed;
    }
    return result;
}

int WorkFolder::createFile(const QByteArray &name, unsigned mode, Existing existing) const
{
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(m_fd, name.constData(), flags, mode_t(mode));
    // Replaces what is there by a new file: never truncates one that has other names too.
    if (fd < 0 && errno == EEXIST && existing == ReplaceExisting
        && ::unlinkat(m_fd, name.constData(), 0) == 0)
        fd = ::openat(m_fd, name.constData(), flags, mode_t(mode));
    return fd;
}

bool WorkFolder::removeFile(const QByteArray &name) const
{
    return ::unlinkat(m_fd, name.constData(), 0) == 0;
}

bool WorkFolder::writeFile(const QByteArray &name, const QByteArray &content, unsigned mode) const
{
    const QByteArray temporary = name + ".tmp";
    const int fd = createFile(temporary, mode);
    if (fd < 0)
        return false;
    int error = 0;
    bool ok = writeAll(fd, content.constData(), content.size(), &error);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::renameat(m_fd, temporary.constData(), m_fd, name.constData()) == 0)
        return true;
    ::unlinkat(m_fd, temporary.constData(), 0);
    return false;
}

#else // _WIN32: no descriptors for folders; the path is used as the program always did.

WorkFolder::~WorkFolder() = default;

std::shared_ptr<WorkFolder> WorkFolder::openFolder(const QString &workDir, bool create)
{
    if (!isWorkDirPath(workDir))
        return nullptr;
    if (create) {
        QDir().mkpath(workDir);
        QDir().mkpath(workDir + QLatin1Char('/') + QLatin1String(kBufferDirName));
    }
    const QFileInfo info(workDir);
    if (info.isSymLink() || !info.isDir())
        return nullptr;
    return std::shared_ptr<WorkFolder>(new WorkFolder(workDir, -1));
}

EmptyResult WorkFolder::empty() const
{
    EmptyResult result = EmptyResult::Emptied;
    const QFileInfoList entries = QDir(m_path).entryInfoList(QDir::Files | QDir::Hidden
                                                             | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            continue;
        if (!QFile::remove(entry.absoluteFilePath()))
            result = EmptyResult::SomeFailed;
    }
    return result;
}

int WorkFolder::createFile(const QByteArray &name, unsigned, Existing existing) const
{
    const QString path =
            QDir::toNativeSeparators(m_path + QLatin1Char('/') + QFile::decodeName(name));
    return ::_wopen(reinterpret_cast<const wchar_t *>(path.utf16()),
                    _O_WRONLY | _O_CREAT | _O_BINARY
                            | (existing == KeepExisting ? _O_EXCL : _O_TRUNC),
                    _S_IREAD | _S_IWRITE);
}

bool WorkFolder::removeFile(const QByteArray &name) const
{
    return QFile::remove(m_path + QLatin1Char('/') + QFile::decodeName(name));
}

bool WorkFolder::writeFile(const QByteArray &name, const QByteArray &content, unsigned) const
{
    QFile file(m_path + QLatin1Char('/') + QFile::decodeName(name));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

#endif

std::shared_ptr<WorkFolder> WorkFolder::open(const QString &workDir)
{
    return openFolder(workDir, true);
}

std::shared_ptr<WorkFolder> WorkFolder::openExisting(const QString &workDir)
{
    return openFolder(workDir, false);
}

std::shared_ptr<WorkFolder> WorkFolder::openOther(const QString &dir)
{
    if (dir.isEmpty())
        return nullptr;
#ifndef _WIN32
    const int fd = ::open(encodeFileName(dir).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
#else
    const QFileInfo info(dir);
    if (info.isSymLink() || !info.isDir())
        return nullptr;
    const int fd = -1;
#endif
    return std::shared_ptr<WorkFolder>(new WorkFolder(dir, fd));
}

bool closeFile(int fd, int *error)
{
#ifndef _WIN32
    if (::close(fd) == 0)
        return true;
#else
    if (::_close(fd) == 0)
        return true;
#endif
    if (error)
        *error = errno;
    return false;
}

void FullDiskFailures::note(int error)
{
#ifdef EDQUOT
    if (error == EDQUOT)
        ++overQuota;
#endif
    if (error == ENOSPC)
        ++noSpace;
    if (error == ENAMETOOLONG || error == EILSEQ)
        ++badName;
}

qint64 WorkFolder::nextSuffixNumber(const QString &name) const
{
    return m_suffixes.next(name);
}

bool removeOpenFile(int fd, const QByteArray &path)
{
#ifndef _WIN32
    struct stat open
    {
    };
    struct stat named
    {
    };
    if (::fstat(fd, &open) != 0 || ::lstat(path.constData(), &named) != 0
        || open.st_dev != named.st_dev || open.st_ino != named.st_ino)
        return false;
    return ::unlink(path.constData()) == 0;
#else
    Q_UNUSED(fd);
    return QFile::remove(QFile::decodeName(path));
#endif
}

bool writeAll(int fd, const char *data, qint64 size, int *error)
{
    for (qint64 done = 0; done < size;) {
#ifndef _WIN32
        const qint64 n = ::write(fd, data + done, size_t(size - done));
#else
        const qint64 n =
                ::_write(fd, data + done, unsigned(std::min<qint64>(size - done, 1 << 30)));
#endif
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = n < 0 ? errno : EIO;
            return false;
        }
        done += n;
    }
    return true;
}

EmptyResult emptyWorkDir(const QString &workDir)
{
    const auto folder = WorkFolder::openExisting(workDir);
    return folder ? folder->empty() : EmptyResult::Refused;
}

} // namespace velt
