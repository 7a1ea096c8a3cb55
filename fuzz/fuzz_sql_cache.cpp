// The Chromium SQL backend's reader: the input as one shard, the database "sqldb0" and, behind a
// separator line, its journal "sqldb0-journal" (rolled back into the copy when it is hot); every
// live entry is read and extracted as the collection does (the key and head, the blobs and
// their checksums, the body's end, codings within their limits, media type, the format's end).

#include "fuzzcache.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    const QByteArray input = fuzz::bytes(data, size);
    const QDir folder(fuzz::workDir().filePath(QStringLiteral("sql")));
    QDir().mkpath(folder.path());
    const qsizetype split = input.indexOf(fuzz::kFileSeparator);
    fuzz::require(fuzz::writeFile(folder.filePath(QStringLiteral("sqldb0")),
                                  split < 0 ? input : input.left(split)));
    const QString journal = folder.filePath(QStringLiteral("sqldb0-journal"));
    if (split < 0)
        QFile::remove(journal);
    else
        fuzz::require(fuzz::writeFile(journal, input.mid(split + fuzz::kFileSeparator.size())));

    const std::unique_ptr<CacheFolderReader> reader =
            openCacheFolder({CacheFormat::Sql, folder.path()});
    const QStringList entries = reader->entries();
    fuzz::require(QSet<QString>(entries.cbegin(), entries.cend()).size() == entries.size());
    for (const QString &entry : entries) {
        const auto response = reader->read(entry);
        if (!response)
            continue;
        fuzz::require(response->head.status != 0);
        // The body lies in the reader's own spool: its bytes as they are now.
        fuzz::EntryFiles files;
        for (const BodyPiece &piece : response->body) {
            QFile spool(piece.file);
            fuzz::require(spool.open(QIODevice::ReadOnly));
            files.insert(piece.file, spool.readAll());
        }
        fuzz::checkAndExtract(*response, files);
    }
    return 0;
}
