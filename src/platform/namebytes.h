#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

class QFile;

namespace velt {

// File names are bytes and need not be UTF-8: a cache copied from an old Japanese or Western
// disk has Shift-JIS or Latin-1 names. The program keeps every name and path in a QString in a
// form that gives the bytes back exactly: valid UTF-8 is decoded as text, and each byte that is
// not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte (U+DC80..U+DCFF), which
// decoded text never holds. Qt's own file classes would encode such a surrogate as a
// replacement character and name another file, so a path in this form is opened, listed and
// examined through the functions below. (Windows names are UTF-16 already and never escaped.)

// The name for the file system's bytes; decodeFileName(encodeFileName(s)) == s for every name
// this gives, and encodeFileName(decodeFileName(b)) == b for every byte string.
QString decodeFileName(QByteArrayView bytes);
// The bytes for a name: escaped bytes as they were, everything else as UTF-8 (a name typed by
// the user is plain UTF-8).
QByteArray encodeFileName(QStringView name);
// True when the name holds bytes that are not UTF-8.
bool hasEscapedBytes(QStringView name);
// The name as the windows show it: each escaped byte as U+FFFD, one character for one byte, so
// fields measured in characters keep their width.
QString displayFileName(QStringView name);

// The length of the valid UTF-8 sequence at position at of s and its code point in *c; 0 when
// the bytes there are not one (overlong forms, surrogates and values past U+10FFFF are not).
int utf8SequenceAt(QByteArrayView s, qsizetype at, char32_t *c);

// What stat tells about a path in the form above.
struct FileStatus
{
    bool exists = false;
    bool regular = false;
    bool folder = false;
    bool link = false;  // only when links are not followed
    qint64 size = -1;   // -1 when it does not exist
    QDateTime modified; // local time in milliseconds, as QFileInfo gives it
};
enum class Links { Follow, NoFollow };
FileStatus fileStatus(const QString &path, Links links = Links::Follow);

// Opens a regular file (following links) for reading into file, which then owns the
// descriptor; a FIFO or device in its place is refused without waiting on it. False when the
// file is missing, not regular or cannot be opened.
bool openRegularFile(const QString &path, QFile &file);

// A path that names the open file descriptor fd of this process (/proc/self/fd/N), for a
// library that opens files only by a path: it reaches the file whatever its name's bytes.
QString descriptorPath(int fd);

// Starts program with arguments without waiting for it, their bytes as this form keeps them
// (QProcess would encode an escaped byte as a replacement character). False when the program
// could not be started.
bool startDetachedProgram(const QString &program, const QStringList &arguments);

// A regular file directly in a folder, as the walks over the working folder see it.
struct FolderFile
{
    QString name;
    qint64 size = 0;
    QDateTime modified;
};
// The regular files directly in dir (links, folders and special files left out), in the order
// the file system lists them; empty when dir cannot be read.
std::vector<FolderFile> regularFilesIn(const QString &dir);
// The folders directly in dir, links to folders included, hidden ones too, in listing order.
QStringList foldersIn(const QString &dir);

// A path that names nothing may come from a dialog that decoded a name lossily (U+FFFD for each
// byte that is not UTF-8): then the file in its folder whose name decodes so, in the form above
// (the first in byte order when several do); otherwise path as it is.
QString resolveLossyPath(const QString &path);

} // namespace velt
