#include "platform/namebytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace velt {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

bool isEscape(char16_t c)
{
    return c >= kFirstEscape && c <= kLastEscape;
}

// An escaped byte at position i: U+DC80..U+DCFF on its own. The second half of a pair can be
// in that range too (U+10080 is U+D800 U+DC80); decoding never puts an escape after a first
// half, so that tells the two apart.
bool isEscapeAt(QStringView name, qsizetype i)
{
    return isEscape(name[i].unicode()) && (i == 0 || !name[i - 1].isHighSurrogate());
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

#ifndef _WIN32
QDateTime modifiedTime(const struct stat &st)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000
                                          + st.st_mtim.tv_nsec / 1000000);
}

FileStatus statusOf(const struct stat &st)
{
    FileStatus status;
    status.exists = true;
    status.regular = S_ISREG(st.st_mode);
    status.folder = S_ISDIR(st.st_mode);
    status.link = S_ISLNK(st.st_mode);
    status.size = qint64(st.st_size);
    status.modified = modifiedTime(st);
    return status;
}

// Calls each(folder descriptor, entry name) for every entry of dir but "." and "..".
template<typename Each>
void forEachEntry(const QString &dir, Each each)
{
    if (dir.isEmpty())
        return;
    DIR *listing = ::opendir(encodeFileName(dir).constData());
    if (!listing)
        return;
    const int fd = ::dirfd(listing);
    while (const dirent *entry = ::readdir(listing)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        each(fd, entry);
    }
    ::closedir(listing);
}
#endif

} // namespace

int utf8SequenceAt(QByteArrayView s, qsizetype at, char32_t *c)
{
    const auto byte = [&](qsizetype i) {
        return static_cast<unsigned char>(s[i]);
    };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        *c = lead;
        return 1;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > s.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(at + k);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *c = value;
    return length;
}

QString decodeFileName(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QString name;
    name.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        char32_t c = 0;
        const int length = utf8SequenceAt(bytes, i, &c);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            name += QChar(QChar::highSurrogate(c));
            name += QChar(QChar::lowSurrogate(c));
        } else {
            name += QChar(char16_t(c));
        }
        i += length;
    }
    return name;
}

QByteArray encodeFileName(QStringView name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        char32_t code = c;
        if (c < 0x80) {
            bytes += char(c);
            continue;
        }
        if (isEscape(c)) {
            bytes += char(c - kEscapeBase);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, name[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            code = 0xFFFD; // half of a pair: no byte sequence stands for it
        }
        if (code < 0x800) {
            bytes += char(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            bytes += char(0xE0 | (code >> 12));
            bytes += char(0x80 | ((code >> 6) & 0x3F));
        } else {
            bytes += char(0xF0 | (code >> 18));
            bytes += char(0x80 | ((code >> 12) & 0x3F));
            bytes += char(0x80 | ((code >> 6) & 0x3F));
        }
        bytes += char(0x80 | (code & 0x3F));
    }
    return bytes;
}

bool hasEscapedBytes(QStringView name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscapeAt(name, i))
            return true;
    }
    return false;
}

QString displayFileName(QStringView name)
{
    QString shown = name.toString();
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscapeAt(name, i))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

#ifndef _WIN32

FileStatus fileStatus(const QString &path, Links links)
{
    struct stat st
    {
    };
    if (path.isEmpty())
        return {};
    const QByteArray bytes = encodeFileName(path);
    const int result = links == Links::Follow ? ::stat(bytes.constData(), &st)
                                              : ::lstat(bytes.constData(), &st);
    return result == 0 ? statusOf(st) : FileStatus();
}

bool openRegularFile(const QString &path, QFile &file)
{
    if (path.isEmpty())
        return false;
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st
    {
    };
    // Blocking reads from here on: a regular file never waits.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)
        || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

std::vector<FolderFile> regularFilesIn(const QString &dir)
{
    std::vector<FolderFile> files;
    forEachEntry(dir, [&files](int fd, const dirent *entry) {
        struct stat st
        {
        };
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            return;
        files.push_back(
                FolderFile{decodeFileName(entry->d_name), qint64(st.st_size), modifiedTime(st)});
    });
    return files;
}

QStringList foldersIn(const QString &dir)
{
    QStringList folders;
    forEachEntry(dir, [&folders](int fd, const dirent *entry) {
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st
            {
            };
            folder = ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (folder)
            folders << decodeFileName(entry->d_name);
    });
    return folders;
}

QString descriptorPath(int fd)
{
#ifdef __linux__
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
#else
    return QStringLiteral("/dev/fd/%1").arg(fd);
#endif
}

bool startDetachedProgram(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty())
        return false;
    // Everything the new processes need is made before fork: after it, in a program with
    // threads, only calls that are safe in a signal handler may be made.
    QString path = program;
    if (!program.contains(QLatin1Char('/')))
        path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return false;
    std::vector<QByteArray> bytes{encodeFileName(path)};
    for (const QString &argument : arguments)
        bytes.push_back(encodeFileName(argument));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    sigset_t none;
    ::sigemptyset(&none);

    // The program's errno comes through the pipe when it cannot be started; an exec that
    // succeeds closes the pipe.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        // A grandchild of its own session, which init takes over: never waited for here.
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid();
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::execv(argv[0], argv.data());
        }
        const int error = errno;
        if (grandchild < 0 || grandchild == 0)
            (void)!::write(report[1], &error, sizeof error);
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(report[1]);
    bool started = false;
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        int error = 0;
        qint64 n = 0;
        while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        started = n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    ::close(report[0]);
    return started;
}

QString resolveLossyPath(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || fileStatus(path, Links::NoFollow).exists)
        return path;
    const QString name = path.mid(slash + 1);
    if (!name.contains(QChar(QChar::ReplacementCharacter)))
        return path;
    const QString dir = slash == 0 ? QStringLiteral("/") : path.left(slash);
    QByteArray found;
    forEachEntry(dir, [&](int, const dirent *entry) {
        const QByteArray bytes(entry->d_name);
        // Qt's own decoding, as the dialog made the name.
        if (QString::fromUtf8(bytes) == name && (found.isEmpty() || bytes < found))
            found = bytes;
    });
    return found.isEmpty() ? path : path.left(slash + 1) + decodeFileName(found);
}

#else // _WIN32: names are UTF-16 and Qt's classes take them as they are.

FileStatus fileStatus(const QString &path, Links links)
{
    const QFileInfo info(path);
    FileStatus status;
    status.link = links == Links::NoFollow && info.isSymLink();
    status.exists = info.exists() || status.link;
    if (!status.exists)
        return status;
    status.regular = !status.link && info.isFile();
    status.folder = !status.link && info.isDir();
    status.size = info.size();
    status.modified = info.lastModified();
    return status;
}

bool openRegularFile(const QString &path, QFile &file)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
}

std::vector<FolderFile> regularFilesIn(const QString &dir)
{
    std::vector<FolderFile> files;
    if (dir.isEmpty())
        return files;
    const QFileInfoList entries = QDir(dir).entryInfoList(
            QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &info : entries) {
        if (!info.isSymLink() && info.isFile())
            files.push_back(FolderFile{info.fileName(), info.size(), info.lastModified()});
    }
    return files;
}

QStringList foldersIn(const QString &dir)
{
    if (dir.isEmpty())
        return {};
    return QDir(dir).entryList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::NoSort);
}

QString descriptorPath(int fd)
{
    Q_UNUSED(fd);
    return QString();
}

bool startDetachedProgram(const QString &program, const QStringList &arguments)
{
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}

QString resolveLossyPath(const QString &path)
{
    return path;
}

#endif

} // namespace velt
