// The Chromium Simple Cache entry reader: the input as an entry's "_0" file, and when it holds
// the separator line, what follows as its "_s" file of sparse ranges; what is read is extracted
// as the collection does (ranges joined, head, codings within their limits, media type, the
// format's end).

#include "fuzzcache.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype split = input.indexOf(fuzz::kSparseSeparator);
    const QByteArray bytes0 = split < 0 ? input : input.left(split);
    const QString path0 = fuzz::writeEntryFile(QStringLiteral("0123456789abcdef_0"), bytes0);
    const QString pathS = fuzz::workDir().filePath(QStringLiteral("0123456789abcdef_s"));
    fuzz::EntryFiles files{{path0, bytes0}};
    if (split >= 0) {
        const QByteArray bytesS = input.mid(split + fuzz::kSparseSeparator.size());
        fuzz::writeEntryFile(QStringLiteral("0123456789abcdef_s"), bytesS);
        files.insert(pathS, bytesS);
    } else {
        QFile::remove(pathS);
    }

    const auto response =
            openCacheFolder({CacheFormat::Chromium, fuzz::workDir().path()})->read(path0);
    if (!response)
        return 0;
    fuzz::require(response->head.status != 0);
    fuzz::require(response->hash == QLatin1String("0123456789abcdef"));
    // The body is the stream between the key and the first end record, or ranges of the
    // sparse file from offset 0 on, never both.
    const auto inSparse = [&pathS](const BodyPiece &piece) {
        return piece.file == pathS;
    };
    if (response->gap || std::any_of(response->body.cbegin(), response->body.cend(), inSparse))
        fuzz::require(std::all_of(response->body.cbegin(), response->body.cend(), inSparse));
    else
        fuzz::require(response->body.size() <= 1);
    fuzz::checkAndExtract(*response, files);
    return 0;
}
