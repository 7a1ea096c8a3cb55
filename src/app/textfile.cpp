#include "app/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velt {

namespace {

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("larger than %1 MB").arg(maxBytes / (1024 * 1024));
}

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
