#include "cli/extractcommand.h"

#include "browser/filename.h"
#include "cache/collection.h"
#include "cli/checkcommand.h"
#include "cli/console.h"
#include "cli/optiontable.h"
#include "picture/imagecheck.h"
#include "platform/namebytes.h"
#include "platform/printable.h"
#include "platform/workdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>

namespace velt {

namespace {

constexpr qint64 kCopyChunk = 1024 * 1024;

// The movies and sounds of the working folder, in the walk's order (by upper-cased name).
QStringList moviesAndSounds(const QString &workDir, const ExtTable &ext)
{
    QStringList names;
    for (const FolderFile &file : filesInWalkOrder(workDir)) {
        if (ext.SerchDoExp(file.name))
            names << file.name;
    }
    return names;
}

} // namespace

namespace {

// Creates name in folder for writing, never replacing a file (nor writing through a link) of
// that name; false with *error the errno (EEXIST when the name is in use).
bool createNew(QFile &out, const QString &path, int *error)
{
#ifndef _WIN32
    // The working folder keeps no record of who could read a file's source: a copy out of it is
    // the user's alone, as the copy in the working folder is.
    const int fd =
            ::open(encodeFileName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    if (out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return true;
    // Just created through O_EXCL by this call: the file is ours to take back.
    removeOpenFile(fd, encodeFileName(path));
    ::close(fd);
    *error = EIO;
    return false;
#else
    out.setFileName(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return true;
    const QFileInfo info(path);
    *error = info.exists() || info.isSymLink() ? EEXIST : EIO;
    return false;
#endif
}

// True when dir, or the nearest folder of it that exists, is the working folder or lies in it,
// told by device and inode so that another path to the same folder is caught too.
bool liesInWorkFolder(const QString &dir, const MdlVELT &state)
{
#ifndef _WIN32
    struct stat work
    {
    };
    const bool known = state.WorkDirHandle && state.WorkDirHandle->fd() >= 0
            ? ::fstat(state.WorkDirHandle->fd(), &work) == 0
            : !state.WorkDir.isEmpty()
                    && ::stat(encodeFileName(state.WorkDir).constData(), &work) == 0;
    if (!known)
        return false;
    QString path = QDir::cleanPath(QDir(dir).absolutePath());
    while (!path.isEmpty()) {
        struct stat info
        {
        };
        if (::stat(encodeFileName(path).constData(), &info) == 0 && info.st_dev == work.st_dev
            && info.st_ino == work.st_ino)
            return true;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            break;
        path.truncate(slash);
    }
    return false;
#else
    const QString work = QDir::cleanPath(QDir(state.WorkDir).absolutePath()).toLower();
    const QString target = QDir::cleanPath(QDir(dir).absolutePath()).toLower();
    return !state.WorkDir.isEmpty()
            && (target == work || target.startsWith(work + QLatin1Char('/')));
#endif
}

// QDir::mkpath by the name's bytes: Qt would make a folder of another name for bytes that are
// not UTF-8. True when path is a folder afterwards.
bool makeFolders(const QString &path)
{
#ifndef _WIN32
    const QByteArray bytes = encodeFileName(QDir::cleanPath(path));
    for (qsizetype at = bytes.indexOf('/', 1); at >= 0; at = bytes.indexOf('/', at + 1))
        ::mkdir(bytes.left(at).constData(), 0777);
    ::mkdir(bytes.constData(), 0777);
    return fileStatus(path).folder;
#else
    return QDir().mkpath(path) && QFileInfo(path).isDir();
#endif
}

// Takes back a copy this run created, unless something else has been put under its name.
void removeCreated(QFile &out, const QString &path)
{
#ifndef _WIN32
    removeOpenFile(out.handle(), encodeFileName(path));
    out.close();
#else
    out.close();
    QFile::remove(path);
#endif
}

} // namespace

std::optional<QString> copyIntoFolder(const QString &file, const QString &folder,
                                      SuffixNumbers &numbers, bool *nameRefused)
{
    if (nameRefused)
        *nameRefused = false;
    // By the name's bytes: one that is not UTF-8 is copied under the same bytes.
    const FileStatus source = fileStatus(file, Links::NoFollow);
    QFile in;
    if (!source.regular || !openRegularFile(file, in))
        return std::nullopt;
    const QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
    QFile out;
    QString outPath;
    std::optional<QString> used;
    // Each number names a file not tried before, so this ends at a free name or another error.
    while (!used) {
        const qint64 n = numbers.next(name);
        const QString candidate = n == 1 ? name : suffixedName(name, n);
        outPath = QDir(folder).filePath(candidate);
        int error = 0;
        if (createNew(out, outPath, &error)) {
            used = candidate;
        } else if (error != EEXIST) {
            if (nameRefused)
                *nameRefused = error == ENAMETOOLONG || error == EILSEQ || error == EINVAL;
            return std::nullopt;
        }
    }
    bool ok = true;
    while (ok && !in.atEnd()) {
        const QByteArray chunk = in.read(kCopyChunk);
        ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    ok = out.flush() && ok;
    if (!ok) {
        removeCreated(out, outPath);
        return std::nullopt;
    }
    out.setFileTime(source.modified, QFileDevice::FileModificationTime);
    out.close();
    return used;
}

int runExtractCommand(CollectionContext &ctx, const QString &destDir, QTextStream &out,
                      QTextStream &err)
{
    if (destDir.isEmpty()) {
        err << "velt: --extract wants a folder\n";
        err.flush();
        return kExitUsage;
    }
    GetICPath(ctx);
    const MdlVELT &state = ctx.state;
    const auto finish = [&](int status) {
        out.flush();
        err.flush();
        if (state.ListCount + state.GifCount != 0)
            emptyWorkFolder(state);
        return status;
    };
    // Copies into the working folder would be emptied with it, or listed again next time.
    if (liesInWorkFolder(destDir, state)) {
        err << "velt: " << printableText(destDir)
            << " is the working folder or lies in it; choose another folder\n";
        return finish(kExitUsage);
    }
    if (!makeFolders(destDir)) {
        err << "velt: the folder " << printableText(destDir) << " cannot be made\n";
        return finish(kExitFailure);
    }

    // Read through the folder the collection opened, never a link put in its place since.
    const QString readDir = workDirReadPath(state);
    QStringList pictures = state.ListFile.mid(1, state.ListCount);
    pictures += state.GifFile.mid(1, state.GifCount);
    const QStringList media =
            state.WorkDir.isEmpty() ? QStringList() : moviesAndSounds(readDir, ctx.ext);
    const MetafileHelper helper = defaultMetafileHelper();
    int failed = 0;
    int refusedNames = 0;
    SuffixNumbers numbers;
    auto extract = [&](const QString &name, bool picture) {
        const QString path = QDir(readDir).filePath(name);
        const auto facts = state.Sources.lookup(path);
        bool nameRefused = false;
        const auto copied = copyIntoFolder(path, destDir, numbers, &nameRefused);
        if (!copied && nameRefused) {
            ++refusedNames;
            return;
        }
        if (!copied) {
            err << "velt: " << printableText(name) << " could not be copied\n";
            ++failed;
            return;
        }
        // A body known to be cut is bad; otherwise a picture gets what --check gives the
        // copy, so a body that is no picture at all is not ok.
        bool good = !(facts && facts->cut);
        if (picture && good)
            good = checkVerdict(QDir(destDir).filePath(*copied), helper).result
                    == CheckResult::Passes;
        out << (good ? "ok" : "bad") << '\t' << printableText(*copied);
        if (facts)
            out << '\t' << printableText(facts->url);
        out << '\n';
    };
    for (const QString &name : std::as_const(pictures))
        extract(name, true);
    for (const QString &name : media)
        extract(name, false);
    // A copy that failed (a read-only or full folder) is not a success.
    if (refusedNames > 0)
        err << "velt: " << refusedNames << (refusedNames == 1 ? " name was" : " names were")
            << " refused by " << printableText(destDir) << "; those files were not copied\n";
    if (failed > 0)
        err << "velt: " << failed << (failed == 1 ? " file" : " files")
            << " could not be copied to " << printableText(destDir) << '\n';
    return finish(failed + refusedNames > 0 ? kExitFailure : kExitOk);
}

int runExtract(MdlVELT &state, Settings &settings, const RegistrySource &registry,
               const DriveMap &drives, const QString &settingsPath, const QString &destDir)
{
    ConsoleDialogs dialogs;
    ConsoleHost host;
    LoadSettings(settings, settingsPath, state.BufferDir);
    ExtTable ext = ExtTable::standard();
    CollectionContext ctx{state, settings, ext, registry, drives, dialogs, host};
    CheckedStdout output;
    QTextStream err(stderr);
    const int status = runExtractCommand(ctx, destDir, output.stream(), err);
    return output.finish("the copied files") ? status : kExitFailure;
}

} // namespace velt
