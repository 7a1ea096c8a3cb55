#include "browser/extraction.h"

#include "app/mediatype.h"
#include "browser/bodycheck.h"
#include "browser/decode.h"
#include "browser/entryfile.h"
#include "browser/filename.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace velt {

namespace {

constexpr qint64 kCopyChunk = 1024 * 1024;

// Reads the body's pieces one after another into sink, which may refuse more, or stops when
// budget's time for the entry has run out.
bool readPieces(const CachedResponse &response, qint64 limit,
                const std::function<bool(const QByteArray &)> &sink,
                const ExtractBudget *budget = nullptr)
{
    qint64 left = limit;
    for (const BodyPiece &piece : response.body) {
        if (budget && budget->outOfTime())
            return false;
        EntryFile file(piece.file);
        if (!file.isOpen())
            return false;
        for (qint64 done = 0; done < piece.length && left > 0;) {
            const qint64 n = qMin(qMin(kCopyChunk, piece.length - done), left);
            const auto data = file.read(piece.offset + done, n);
            if (!data || !sink(*data))
                return false;
            done += n;
            left -= n;
        }
        if (left <= 0)
            break;
    }
    return true;
}

// Size and time of every file the body comes from, to notice a browser writing meanwhile.
QList<std::pair<qint64, QDateTime>> pieceStamps(const CachedResponse &response)
{
    QList<std::pair<qint64, QDateTime>> stamps;
    for (const BodyPiece &piece : response.body) {
        const QFileInfo info(piece.file);
        stamps.append({info.size(), info.lastModified()});
    }
    return stamps;
}

// Creates a new file in folder under name, or a free suffixed name; never replaces one. The
// folder hands out each suffix number once per name, so a name taken many times costs one try
// per file, and the numbers run on until one is free. The name and the open descriptor; on
// failure the errno in *error.
std::optional<std::pair<QString, int>> createUnique(const WorkFolder &folder, const QString &name,
                                                    unsigned mode, int *error)
{
    for (;;) {
        const qint64 n = folder.nextSuffixNumber(name);
        const QString candidate = n == 1 ? name : suffixedName(name, n);
        const int fd =
                folder.createFile(QFile::encodeName(candidate), mode, WorkFolder::KeepExisting);
        if (fd >= 0)
            return std::pair{candidate, fd};
        *error = errno;
        if (*error != EEXIST)
            return std::nullopt; // not a name clash: the folder cannot be written
    }
}

// The permission bits of the copy: the owner's of the entry the body comes from.
unsigned copyMode(const CachedResponse &response)
{
    const QFileDevice::Permissions source = response.body.isEmpty()
            ? QFileDevice::Permissions()
            : QFile::permissions(response.body.first().file);
    return privateCopyMode((source & QFileDevice::ReadOwner ? 0400u : 0u)
                           | (source & QFileDevice::WriteOwner ? 0200u : 0u));
}

} // namespace

std::optional<ExtractedFile> extractResponse(const CachedResponse &response,
                                             const WorkFolder &folder, const ExtractLimits &limits,
                                             bool *changed, FullDiskFailures *full)
{
    if (changed)
        *changed = false;
    const int status = response.head.status;
    if (status != 200 && status != 203 && status != 206)
        return std::nullopt;
    const qint64 stored = response.bodyLength();
    if (stored <= 0)
        return std::nullopt;

    // The length the whole body has: Content-Length, or a range's total from offset 0.
    qint64 expected = -1;
    if (status == 206) {
        const auto range = parseContentRange(response.head.value("content-range"));
        if (!range || range->first != 0)
            return std::nullopt; // a middle part only
        expected = range->total;
    } else if (const auto length = response.head.contentLength()) {
        expected = *length;
    }

    if (limits.budget)
        limits.budget->allowEntryBytes(stored);
    const QByteArrayList codings = response.head.contentEncodings();
    const QList<std::pair<qint64, QDateTime>> before = pieceStamps(response);
    std::optional<QByteArray> decoded;
    DecodeStatus decodeStatus = DecodeStatus::Complete;
    QByteArray head;
    if (!codings.isEmpty()) {
        ExtractBudget *budget = limits.budget;
        const qint64 allowance =
                budget ? qMin(limits.maxDecoded, budget->decodedAllowance()) : limits.maxDecoded;
        if (stored > limits.maxEncoded || allowance <= 0) {
            if (budget)
                budget->skipForSize();
            return std::nullopt;
        }
        QByteArray encoded;
        if (!readPieces(
                    response, stored,
                    [&encoded](const QByteArray &data) {
                        encoded += data;
                        return true;
                    },
                    budget)) {
            if (budget && budget->outOfTime())
                budget->skipForTime();
            return std::nullopt;
        }
        DecodedBody body = decodeContent(encoded, codings, allowance,
                                         [budget] { return !budget || !budget->outOfTime(); });
        if (budget && body.status == DecodeStatus::TooLarge)
            budget->skipForSize();
        if (budget && body.status == DecodeStatus::TooSlow)
            budget->skipForTime();
        if (body.status == DecodeStatus::TooLarge || body.status == DecodeStatus::TooSlow
            || body.status == DecodeStatus::Unsupported || body.data.isEmpty())
            return std::nullopt;
        if (budget)
            budget->spendDecoded(body.data.size());
        decodeStatus = body.status;
        decoded = std::move(body.data);
        head = decoded->left(kSignatureBytes);
    } else if (!readPieces(response, kSignatureBytes, [&head](const QByteArray &data) {
                   head += data;
                   return true;
               })) {
        return std::nullopt;
    }

    MediaFormat format = formatFromSignature(head);
    if (!format.isKnown())
        format = formatFromContentType(response.head.value("content-type"));
    if (!format.isKnown())
        return std::nullopt;

    int error = 0;
    const auto created =
            createUnique(folder, cacheFileName(response.url, format.extension, response.hash),
                         copyMode(response), &error);
    if (!created) {
        if (full)
            full->note(error);
        return std::nullopt;
    }
    const auto [name, fd] = *created;
    bool written = true;
    if (decoded) {
        written = writeAll(fd, decoded->constData(), decoded->size(), &error);
    } else {
        written = readPieces(
                response, stored,
                [&, fd = fd](const QByteArray &data) {
                    return writeAll(fd, data.constData(), data.size(), &error);
                },
                limits.budget);
        if (!written && limits.budget && limits.budget->outOfTime()) {
            limits.budget->skipForTime();
            error = 0; // not the disk's fault
        }
    }
    // The browser wrote the entry meanwhile: what was read may mix two versions.
    if (!written || pieceStamps(response) != before) {
        if (changed)
            *changed = written;
        if (full && !written)
            full->note(error);
        closeFile(fd);
        folder.removeFile(QFile::encodeName(name));
        return std::nullopt;
    }
    ExtractedFile result;
    {
        QFile out;
        out.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
        out.setFileTime(response.fetched.isValid() ? response.fetched : before.first().second,
                        QFileDevice::FileModificationTime);
        result.facts.size = out.size();
        result.facts.modified = out.fileTime(QFileDevice::FileModificationTime);
    }
    const bool endIntact = formatEndIntact(QDir(folder.path()).filePath(name), format.extension);
    if (!closeFile(fd, &error)) {
        if (full)
            full->note(error);
        folder.removeFile(QFile::encodeName(name));
        return std::nullopt;
    }
    result.name = name;
    result.facts.url = response.url;
    result.facts.site = response.site;
    result.facts.status = response.head.status;
    result.facts.contentType = QString::fromLatin1(response.head.value("content-type"));
    result.facts.encoding = QString::fromLatin1(response.head.value("content-encoding"));
    result.facts.contentLength = expected;
    result.facts.format = format.name;
    result.facts.cut = response.truncated || response.gap || (expected >= 0 && stored < expected)
            || decodeStatus != DecodeStatus::Complete || !endIntact;
    return result;
}

std::optional<ExtractedFile> extractResponse(const CachedResponse &response, const QString &folder,
                                             const ExtractLimits &limits, bool *changed)
{
    if (changed)
        *changed = false;
    const auto opened = WorkFolder::openOther(folder);
    if (!opened)
        return std::nullopt;
    return extractResponse(response, *opened, limits, changed);
}

int extractCacheFolder(const BrowserCacheFolder &cache, const QString &folder, SourceTable &table,
                       const std::function<bool(bool wrote)> &between, const ExtractLimits &limits)
{
    const auto opened = WorkFolder::openOther(folder);
    return opened ? extractCacheFolder(cache, *opened, table, between, limits) : 0;
}

int extractCacheFolder(const BrowserCacheFolder &cache, const WorkFolder &folder,
                       SourceTable &table, const std::function<bool(bool wrote)> &between,
                       const ExtractLimits &limits, FullDiskFailures *full)
{
    int written = 0;
    ExtractBudget *budget = limits.budget;
    const std::unique_ptr<CacheFolderReader> reader = openCacheFolder(cache);
    reader->setBudget(budget);
    const QStringList entries = reader->entries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (budget && budget->collectionOutOfTime()) {
            for (; i < entries.size(); ++i)
                budget->skipForTime();
            break;
        }
        if (budget)
            budget->startEntry();
        std::optional<ExtractedFile> file;
        // An entry that changed while it was read is read once more, then left.
        bool changed = true;
        for (int attempt = 0; attempt < 2 && changed; ++attempt) {
            const auto response = reader->read(entries[i]);
            // Reading alone may take long on a damaged entry: past its time it is not decoded.
            if (budget && budget->outOfTime()) {
                budget->skipForTime();
                break;
            }
            if (!response)
                break;
            file = extractResponse(*response, folder, limits, &changed, full);
        }
        if (file) {
            file->facts.source = cache.source;
            file->facts.cacheFolder = cache.path;
            file->facts.cacheFormat = cacheFormatName(cache.format);
            table.insert(file->name, file->facts);
            ++written;
        }
        if (between && !between(file.has_value()))
            break;
    }
    return written;
}

} // namespace velt
