#include "browser/extractcommand.h"

#include "app/printable.h"
#include "app/workdir.h"
#include "browser/filename.h"
#include "cache/collection.h"
#include "picture/imagecheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace velt {

namespace {

constexpr int kMaxNameTries = 10000;
constexpr qint64 kCopyChunk = 1024 * 1024;

// The movies and sounds of the working folder, in the walk's order (by upper-cased name).
QStringList moviesAndSounds(const QString &workDir, const ExtTable &ext)
{
    QStringList names;
    const QFileInfoList files =
            QDir(workDir).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &info : files) {
        if (!info.isSymLink() && ext.SerchDoExp(info.fileName()))
            names << info.fileName();
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const QString ua = a.toUpper();
        const QString ub = b.toUpper();
        return ua != ub ? ua < ub : a < b;
    });
    return names;
}

} // namespace

std::optional<QString> copyIntoFolder(const QString &file, const QString &folder)
{
    const QFileInfo source(file);
    if (source.isSymLink() || !source.isFile())
        return std::nullopt;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString name = source.fileName();
    QFile out;
    std::optional<QString> used;
    for (int n = 1; n <= kMaxNameTries && !used; ++n) {
        const QString candidate = n == 1 ? name : suffixedName(name, n);
        out.setFileName(QDir(folder).filePath(candidate));
        if (out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            used = candidate;
        else if (const QFileInfo taken(out.fileName()); !taken.exists() && !taken.isSymLink())
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
        out.remove();
        return std::nullopt;
    }
    out.setFileTime(source.lastModified(), QFileDevice::FileModificationTime);
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
    out.flush();
    err.flush();
    if (state.ListCount + state.GifCount != 0)
        emptyWorkFolder(state);
    return 0;
}

} // namespace velt
