// The prefs.js rule: any bytes as Netscape's preferences file.

#include "fuzzcommon.h"

#include "cache/locate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzz::inputFile(data, size, QStringLiteral("prefs.js"));
    const QString folder = velt::NsCacheFromPrefs(path, QStringLiteral("derived"));
    // The folder is a piece of one line: never longer than the file.
    fuzz::require(folder == QStringLiteral("derived") || std::size_t(folder.size()) <= size);
    return 0;
}
