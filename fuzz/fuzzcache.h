#pragma once

// What the cache targets share: the promises about a response read from entry files,
// and its extraction into a folder made once, under limits small enough for many runs a second.

#include "fuzzcommon.h"

#include "browser/extraction.h"
#include "browser/filename.h"
#include "platform/workdir.h"

#include <QHash>

#include <memory>

namespace fuzz {

// The bytes of each file an entry was read from, by path.
using EntryFiles = QHash<QString, QByteArray>;

// Chromium's input: the "_0" file, then, after this line, the "_s" file of sparse ranges.
inline const QByteArray kSparseSeparator = QByteArrayLiteral("\n--velt-fuzz-sparse-file--\n");

// A blockfile cache's input: its files in this order, each after the separator line.
inline const QByteArray kFileSeparator = QByteArrayLiteral("\n--velt-fuzz-file--\n");
inline const QStringList kBlockfileFiles{QStringLiteral("index"),   QStringLiteral("data_0"),
                                         QStringLiteral("data_1"),  QStringLiteral("data_2"),
                                         QStringLiteral("data_3"),  QStringLiteral("f_000001"),
                                         QStringLiteral("f_000002")};

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size();
}

// The input again as an entry file of the given name; empty bytes never make one.
inline QString writeEntryFile(const QString &name, const QByteArray &bytes)
{
    return inputFile(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                     std::size_t(bytes.size()), name);
}

// Opened afresh for every input: the folder hands out name suffixes per name for its lifetime,
// and an input must be extracted the same way whatever ran before it.
inline std::shared_ptr<velt::WorkFolder> outputFolder()
{
    static const QString path = [] {
        const QString out = workDir().filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        return out;
    }();
    std::shared_ptr<velt::WorkFolder> folder = velt::WorkFolder::openOther(path);
    if (!folder)
        std::abort();
    return folder;
}

inline QStringList outputFiles(const velt::WorkFolder &folder)
{
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Every piece of the body lies inside the file it names; the body's bytes.
inline QByteArray storedBody(const velt::CachedResponse &response, const EntryFiles &files)
{
    QByteArray body;
    for (const velt::BodyPiece &piece : response.body) {
        require(files.contains(piece.file));
        const QByteArray &bytes = files[piece.file];
        require(piece.offset >= 0 && piece.length > 0 && piece.offset <= bytes.size()
                && piece.length <= bytes.size() - piece.offset);
        body += bytes.mid(piece.offset, piece.length);
    }
    return body;
}

// Extracts the response as the collection does: at most one new private file, named safely,
// holding the stored bytes as they are or their decoding within the limit; nothing left behind
// when nothing is extracted.
inline void checkAndExtract(const velt::CachedResponse &response, const EntryFiles &files)
{
    using namespace velt;
    const QByteArray body = storedBody(response, files);
    require(response.bodyLength() == body.size());

    ExtractLimits limits;
    limits.maxEncoded = 256 * 1024;
    limits.maxDecoded = 1024 * 1024;
    // A budget smaller than the limit, on a clock that moves a step each time it is read: the
    // run stays the same for the same input.
    qint64 now = 0;
    ExtractBudget budget({512 * 1024, 768 * 1024, 1000, 1000000}, [&now] { return now += 1; });
    limits.budget = &budget;
    bool changed = true;
    const std::shared_ptr<WorkFolder> folder = outputFolder();
    const auto extracted = extractResponse(response, *folder, limits, &changed);
    require(!changed); // nothing writes the entry files meanwhile
    const QStringList left = outputFiles(*folder);
    if (!extracted) {
        require(left.isEmpty());
        return;
    }
    require(left == QStringList{extracted->name});
    require(extracted->name.size() <= kMaxCacheNameLength);
    require(extracted->name.toUtf8().size() <= kMaxFileNameBytes);
    require(!extracted->name.contains(QLatin1Char('/')) && !extracted->name.contains(QChar()));

    const QString path = QDir(folder->path()).filePath(extracted->name);
    QFile out(path);
    require(out.open(QIODevice::ReadOnly));
    const QByteArray written = out.readAll();
    out.close();
    require(written.size() == extracted->facts.size);
    if (response.head.contentEncodings().isEmpty())
        require(written == body);
    else
        require(written.size() <= budget.limits().bodyDecoded);
    require((out.permissions()
             & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther))
            == 0);
    require(folder->removeFile(QFile::encodeName(extracted->name)));
}

} // namespace fuzz
