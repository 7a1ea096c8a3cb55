#pragma once

// File names a cache copied from an old disk has: bytes that are not UTF-8 (Latin-1, Shift-JIS,
// stray bytes), names that show alike, and a name with a line break. Files are made by their
// bytes, never through Qt's file classes, which would encode the name anew.

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#ifndef _WIN32
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace hostilenames {

struct Name
{
    const char *label;
    QByteArray bytes;
};

// Every name ends in ".jpg". "bad\xFF.jpg", "bad\xFE.jpg" and the valid "bad\uFFFD.jpg" show
// alike in the windows and must stay three entries.
inline QList<Name> pictureNames()
{
    return {
            {"latin-1", QByteArray("caf\xE9.jpg")},
            {"shift-jis", QByteArray("\x82\xA0.jpg")},
            {"two stray bytes", QByteArray("bad\xFF\xFE.jpg")},
            {"stray FF", QByteArray("bad\xFF.jpg")},
            {"stray FE", QByteArray("bad\xFE.jpg")},
            {"valid U+FFFD", QByteArray("bad\xEF\xBF\xBD.jpg")},
            {"line break and Latin-1", QByteArray("two\nlin\xE9.jpg")},
    };
}

// dir (a path as Qt gives it) + "/" + name, as bytes.
inline QByteArray pathBytes(const QString &dir, const QByteArray &name)
{
    return QFile::encodeName(dir) + '/' + name;
}

#ifndef _WIN32
// Writes bytes into dir/name, dated time (set after the data is written).
inline bool writeNamed(const QString &dir, const QByteArray &name, const QByteArray &bytes,
                       const QDateTime &time = QDateTime(QDate(2026, 12, 1), QTime(10, 0)))
{
    const QByteArray path = pathBytes(dir, name);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    const qint64 ms = time.toMSecsSinceEpoch();
    const struct timespec times[2] = {{ms / 1000, (ms % 1000) * 1000000},
                                      {ms / 1000, (ms % 1000) * 1000000}};
    ok = ::futimens(fd, times) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

// The bytes of dir/name; empty when it cannot be read.
inline QByteArray readNamed(const QString &dir, const QByteArray &name)
{
    const int fd = ::open(pathBytes(dir, name).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray data;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        data.append(buffer, n);
    ::close(fd);
    return data;
}

// A temporary folder that goes with everything in it: QTemporaryDir alone cannot remove a
// file whose name is not UTF-8, since it lists the folder through Qt.
class TemporaryDir : public QTemporaryDir
{
public:
    ~TemporaryDir()
    {
        if (isValid())
            ::nftw(QFile::encodeName(path()).constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

private:
    static int removeEntry(const char *path, const struct stat *, int, struct FTW *)
    {
        ::chmod(path, 0700); // a folder made read-only by a test
        std::remove(path);
        return 0;
    }
};

inline bool existsNamed(const QString &dir, const QByteArray &name)
{
    struct stat st
    {
    };
    return ::lstat(pathBytes(dir, name).constData(), &st) == 0;
}
#endif

} // namespace hostilenames
