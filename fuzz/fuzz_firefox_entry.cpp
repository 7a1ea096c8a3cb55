// The Firefox cache2 entry reader: any bytes as an entry file, and what it reads extracted as
// the collection does (head, codings within their limits, media type, the format's end).
// The file is not named by a SHA-1: that check would refuse almost every input.

#include "fuzzcache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    const QByteArray bytes = fuzz::bytes(data, size);
    const QString path = fuzz::writeEntryFile(QStringLiteral("entry"), bytes);
    const auto response =
            openCacheFolder({CacheFormat::Firefox, fuzz::workDir().path()})->read(path);
    if (!response)
        return 0;
    fuzz::require(response->head.status != 0);
    // The body comes first in the file, before the metadata and its 4-byte offset.
    fuzz::require(response->body.size() <= 1);
    if (!response->body.isEmpty())
        fuzz::require(response->body.first().offset == 0
                      && response->body.first().length <= qint64(size) - 4);
    fuzz::checkAndExtract(*response, {{path, bytes}});
    return 0;
}
