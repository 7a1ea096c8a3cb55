#pragma once

#include "platform/suffixnumbers.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

// The working folder. WorkDir is opened once per collection (WorkFolder::open, kept in
// MdlVELT::WorkDirHandle): made 0700 with MyBuffer (tightened when looser), opened with
// O_DIRECTORY | O_NOFOLLOW, refused when it is a link, someone else's, or not the folder just
// made. Every copy, extracted body, the side table and every deletion go through that descriptor
// (openat, unlinkat), so a folder swapped for a link is never followed; files are created new,
// never truncated through another name, with their source's owner bits, at most 0600.

namespace velt {

// The message when the working folder cannot be emptied.
extern const char *const kMsgWorkFolderBusy;

enum class EmptyResult {
    Emptied,    // every file directly inside was deleted (or there was none)
    Refused,    // the folder is not one the program may empty; nothing was touched
    SomeFailed, // at least one file could not be deleted; the others were
};

// The working folder, opened once. Every file written into it and every deletion from it goes
// through this descriptor (openat, unlinkat), never through a path rebuilt from text: when
// someone replaces the folder by a link while the program runs, the link is never followed.
class WorkFolder
{
public:
    ~WorkFolder();
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;

    // Creates workDir (an absolute path whose last name is "VeltTemp", not directly in "/")
    // and its buffer folder "MyBuffer", both 0700, tightening them when they exist looser, and
    // opens workDir without following a link. Null when it is not such a path, cannot be
    // created, is a link or not a folder, belongs to someone else, was replaced between its
    // creation and its opening, or cannot be written.
    static std::shared_ptr<WorkFolder> open(const QString &workDir);
    // Opens an existing working folder (same conditions) without creating or changing anything.
    static std::shared_ptr<WorkFolder> openExisting(const QString &workDir);
    // Opens any existing folder for writing into it the same way: not through a link.
    static std::shared_ptr<WorkFolder> openOther(const QString &dir);

    const QString &path() const { return m_path; }
    // The folder's descriptor (-1 on Windows, where paths are used).
    int fd() const { return m_fd; }

    // Deletes the regular files, special files and file links (as links) directly inside;
    // folders and folder links stay.
    EmptyResult empty() const;

    enum Existing { ReplaceExisting, KeepExisting };
    // Creates name inside with the given permission bits, for writing: a new file, never
    // written through a link or into a file that has other names. A file or link of that name
    // is replaced, or with KeepExisting the creation fails (EEXIST). -1 with errno set on
    // failure. The caller closes the descriptor (closeFile).
    int createFile(const QByteArray &name, unsigned mode,
                   Existing existing = ReplaceExisting) const;
    // Removes name inside; false (errno set) when it cannot be removed.
    bool removeFile(const QByteArray &name) const;
    // Writes a whole small file: through a temporary name, renamed over name when complete.
    bool writeFile(const QByteArray &name, const QByteArray &content, unsigned mode) const;
    // The next number to try for a file named name: 1 (the name itself) at first, then 2, 3, ...
    // as suffixes. Each call gives a new one, so thousands of files of one name are placed
    // without trying every name before theirs again.
    qint64 nextSuffixNumber(const QString &name) const;

private:
    WorkFolder(const QString &path, int fd) : m_path(path), m_fd(fd) { }
    static std::shared_ptr<WorkFolder> openFolder(const QString &workDir, bool create);
    QString m_path;
    int m_fd = -1;
    mutable SuffixNumbers m_suffixes;
};

// Deletes the files of workDir as WorkFolder::empty does, after opening it once; refuses,
// deleting nothing, when workDir is empty, relative, a link, not an existing folder, not
// named "VeltTemp" (a folder the program did not make) or not the user's own.
EmptyResult emptyWorkDir(const QString &workDir);

// Copies into the working folder that failed because its disk, or the user's share of it, was
// full: the collection says how many there were and why.
struct FullDiskFailures
{
    int noSpace = 0;   // ENOSPC
    int overQuota = 0; // EDQUOT
    int badName = 0;   // ENAMETOOLONG, EILSEQ: a name the file system refused
    // Counts error when it is one of the three.
    void note(int error);
    int count() const { return noSpace + overQuota; }
};

// Closes a descriptor that createFile gave; false (the errno in *error) when what was written
// did not all reach the disk.
bool closeFile(int fd, int *error = nullptr);

// Removes path only while it still names the file open as fd (same device and inode, not a
// link): a file this program created is taken back, never one put in its place since. Not on
// Windows, where an open file cannot be replaced: there the path is removed.
bool removeOpenFile(int fd, const QByteArray &path);

// Writes all of size bytes to the file descriptor fd; on failure *error holds the errno.
bool writeAll(int fd, const char *data, qint64 size, int *error);

// Permission bits for a copy of a file with the given mode: the owner's read and write bits
// only, so nothing in the working folder is readable by anyone else.
inline unsigned privateCopyMode(unsigned sourceMode)
{
    return sourceMode & 0600u;
}

} // namespace velt
