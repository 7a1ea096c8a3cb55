#include "cli/extractcommand.h"

#include "browser/filename.h"
#include "cache/collection.h"
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
#include <unistd.h>

#include <cerrno>
#endif

namespace velt {

namespace {

constexpr int kMaxNameTries = 10000;
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
// that name; false with *taken set when the name is in use, without it on any other failure.
bool createNew(QFile &out, const QString &path, bool *taken)
{
#ifndef _WIN32
    const int fd =
            ::open(encodeFileName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        *taken = errno == EEXIST;
        return false;
    }
    if (out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    ::unlink(encodeFileName(path).constData());
    *taken = false;
    return false;
#else
    out.setFileName(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return true;
    const QFileInfo info(path);
    *taken = info.exists() || info.isSymLink();
    return false;
#endif
}

void removeCreated(QFile &out, const QString &path)
{
    out.close();
#ifndef _WIN32
    ::unlink(encodeFileName(path).constData());
#else
    QFile::remove(path);
#endif
}

} // namespace

std::optional<QString> copyIntoFolder(const QString &file, const QString &folder)
{
    // By the name's bytes: one that is not UTF-8 is copied under the same bytes.
    const FileStatus source = fileStatus(file, Links::NoFollow);
    QFile in;
    if (!source.regular || !openRegularFile(file, in))
        return std::nullopt;
    const QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
    QFile out;
    QString outPath;
    std::optional<QString> used;
    for (int n = 1; n <= kMaxNameTries && !used; ++n) {
        const QString candidate = n == 1 ? name : suffixedName(name, n);
        outPath = QDir(folder).filePath(candidate);
        bool taken = false;
        if (createNew(out, outPath, &taken))
            used = candidate;
        else if (!taken)
            return std::nullopt;
    }
    if (!used)
        return std::nullopt;
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
    if (destDir.isEmpty() || !QDir().mkpath(destDir) || !QFileInfo(destDir).isDir()) {
        err << "velt: the folder " << printableText(destDir) << " cannot be made\n";
        err.flush();
        return 1;
    }
    GetICPath(ctx);
    const MdlVELT &state = ctx.state;

    QStringList pictures = state.ListFile.mid(1, state.ListCount);
    pictures += state.GifFile.mid(1, state.GifCount);
    const QStringList media =
            state.WorkDir.isEmpty() ? QStringList() : moviesAndSounds(state.WorkDir, ctx.ext);
    int failed = 0;
    auto extract = [&](const QString &name, bool picture) {
        const QString path = QDir(state.WorkDir).filePath(name);
        const auto facts = state.Sources.lookup(path);
        bool good = true;
        if (picture)
            good = checkImageFile(path, state.Sources).result == CheckResult::Passes;
        else if (facts)
            good = !facts->cut;
        const auto copied = copyIntoFolder(path, destDir);
        if (!copied) {
            err << "velt: " << printableText(name) << " could not be copied\n";
            ++failed;
            return;
        }
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
    if (failed > 0)
        err << "velt: " << failed << (failed == 1 ? " file" : " files")
            << " could not be copied to " << printableText(destDir) << '\n';
    out.flush();
    err.flush();
    if (state.ListCount + state.GifCount != 0)
        emptyWorkFolder(state);
    return failed > 0 ? kExitFailure : kExitOk;
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
