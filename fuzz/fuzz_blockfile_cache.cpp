// The Chromium blockfile reader: the input as a whole cache folder, its files one after another
// behind a separator line (index, data_0 … data_3, f_000001, f_000002); every entry the index
// leads to is read and extracted as the collection does (chains, addresses, keys, sparse
// children, head, codings within their limits, media type, the format's end).

#include "fuzzcache.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    const QByteArray input = fuzz::bytes(data, size);
    const QDir folder(fuzz::workDir().filePath(QStringLiteral("blockfile")));
    QDir().mkpath(folder.path());
    fuzz::EntryFiles files;
    qsizetype at = 0;
    for (const QString &name : fuzz::kBlockfileFiles) {
        const QString path = folder.filePath(name);
        if (at > input.size()) {
            QFile::remove(path);
            continue;
        }
        qsizetype end = input.indexOf(fuzz::kFileSeparator, at);
        if (end < 0)
            end = input.size();
        const QByteArray bytes = input.mid(at, end - at);
        at = end + fuzz::kFileSeparator.size();
        fuzz::require(fuzz::writeFile(path, bytes));
        files.insert(path, bytes);
    }

    const std::unique_ptr<CacheFolderReader> reader =
            openCacheFolder({CacheFormat::Blockfile, folder.path()});
    const QStringList entries = reader->entries();
    // Every entry is listed once, however the chains run.
    fuzz::require(QSet<QString>(entries.cbegin(), entries.cend()).size() == entries.size());
    for (const QString &entry : entries) {
        const auto response = reader->read(entry);
        if (!response)
            continue;
        fuzz::require(response->head.status != 0);
        fuzz::checkAndExtract(*response, files);
    }
    return 0;
}
