#include "platform/textfile.h"

#include "platform/workdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velt {

namespace {

// Between the target's name and six random letters: only replaceFileContents writes it.
constexpr char kTemporaryMark[] = ".velt-tmp-";

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("larger than %1 MB").arg(maxBytes / (1024 * 1024));
}

// The file a path stands for: through any chain of links, as the rename must replace the file
// and not the link. A dangling or looping link stands for itself.
QString finalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth) {
        const QString target = info.symLinkTarget();
        if (target.isEmpty())
            return path;
        info.setFile(target);
    }
    return info.isSymLink() ? path : info.filePath();
}

#ifdef Q_OS_UNIX
QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool writeAll(int fd, const QByteArray &bytes, int *code)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing without an error would loop for ever.
            *code = n < 0 ? errno : ENOSPC;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}
#endif

} // namespace

bool isNonRegularFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes, QString *why)
{
    QString ignored;
    if (!why)
        why = &ignored;
    if (path.isEmpty()) {
        *why = QStringLiteral("no file name");
        return std::nullopt;
    }
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat before
    {
    };
    if (::stat(name.constData(), &before) != 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    // Checked before opening: opening some devices already does something.
    if (!S_ISREG(before.st_mode)) {
        *why = QStringLiteral("not a regular file");
        return std::nullopt;
    }
    // O_NONBLOCK: if the name was swapped for a FIFO since, the open does not wait for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    struct FdCloser
    {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat opened
    {
    };
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        *why = QStringLiteral("not a regular file");
        return std::nullopt;
    }
    if (opened.st_size > maxBytes) {
        *why = tooLarge(maxBytes);
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(opened.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *why = QString::fromLocal8Bit(std::strerror(errno));
            return std::nullopt;
        }
        if (n == 0)
            break;
        // The file may grow while it is read.
        if (bytes.size() + n > maxBytes) {
            *why = tooLarge(maxBytes);
            return std::nullopt;
        }
        bytes.append(buffer, qsizetype(n));
    }
    return bytes;
#else
    const QFileInfo info(path);
    if (!info.exists()) {
        *why = QStringLiteral("no such file");
        return std::nullopt;
    }
    if (!info.isFile()) {
        *why = QStringLiteral("not a regular file");
        return std::nullopt;
    }
    if (info.size() > maxBytes) {
        *why = tooLarge(maxBytes);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        *why = tooLarge(maxBytes);
        return std::nullopt;
    }
    return bytes;
#endif
}

TextLineDecoder::TextLineDecoder()
    : m_utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless),
      m_cp932("CP932", QStringDecoder::Flag::Stateless)
{
}

bool replaceFileContents(const QString &path, const QByteArray &bytes, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const QString target = finalTarget(path);
    if (isNonRegularFile(target)) {
        *error = QStringLiteral("not a regular file");
        return false;
    }
#ifdef Q_OS_UNIX
    const QByteArray finalName = QFile::encodeName(target);
    struct stat old
    {
    };
    const bool existed = ::lstat(finalName.constData(), &old) == 0 && S_ISREG(old.st_mode);

    // The mark is ours alone: a start removes only files that carry it, never a user's
    // "VELT.ini.backup" that merely looks like a temporary name.
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempName = finalName + kTemporaryMark;
        for (int i = 0; i < 6; ++i)
            tempName += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        *error = systemError(errno);
        return false;
    }
    // Held until the rename, so that a start-up in between does not take it for a leftover.
    ::flock(fd, LOCK_EX | LOCK_NB);
    int code = 0;
    const auto fail = [&](int failure) {
        *error = systemError(failure);
        removeOpenFile(fd, tempName);
        ::close(fd);
        return false;
    };
    if (existed && ::fchmod(fd, old.st_mode & 07777) != 0)
        return fail(errno);
    if (!writeAll(fd, bytes, &code))
        return fail(code);
    // A full disk may only show here: the data was accepted into the cache, not stored.
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::rename(tempName.constData(), finalName.constData()) != 0)
        return fail(errno);
    // The data is on the disk already; what close might report changes nothing.
    ::close(fd);
    return true;
#else
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()
        || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
#endif
}

int removeStaleTemporaries(const QString &path)
{
    const QFileInfo target(finalTarget(path));
    const QRegularExpression leftover(QLatin1Char('^')
                                      + QRegularExpression::escape(target.fileName())
                                      + QRegularExpression::escape(QLatin1String(kTemporaryMark))
                                      + QStringLiteral("[A-Za-z0-9]{6}$"));
    const QDir dir = target.dir();
    int removed = 0;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (!leftover.match(name).hasMatch())
            continue;
        const QByteArray file = QFile::encodeName(dir.filePath(name));
#ifdef Q_OS_UNIX
        const int fd = ::open(file.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue; // a link, or gone already
        struct stat st
        {
        };
        // A writer that is still running holds the lock; a file of another user is not ours.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && removeOpenFile(fd, file))
            ++removed;
        ::close(fd);
#else
        if (QFile::remove(QFile::decodeName(file)))
            ++removed;
#endif
    }
    return removed;
}

QString TextLineDecoder::decode(QByteArrayView line)
{
    bool ascii = true;
    for (const char c : line) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(line);
    m_utf8.resetState();
    QString text = m_utf8.decode(line);
    if (!m_utf8.hasError())
        return text;
    if (m_cp932.isValid()) {
        m_cp932.resetState();
        QString japanese = m_cp932.decode(line);
        if (!m_cp932.hasError())
            return japanese;
    }
    return text;
}

QString decodeTextLine(QByteArrayView line)
{
    return TextLineDecoder().decode(line);
}

} // namespace velt
