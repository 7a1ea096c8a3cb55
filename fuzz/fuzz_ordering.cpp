// The display line and the ordering: names and times from the input, made into display lines
// and ordered by name and by time of day. Ordering only moves entries.

#include "fuzzcommon.h"

#include "app/mdlvelt.h"
#include "cache/ordering.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>

namespace {

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace velt;
    if (size == 0)
        return 0;
    const bool byTime = data[0] & 1;
    MdlVELT state;
    // Entries separated by newlines: eight bytes of time, then the name in UTF-8.
    const QList<QByteArray> entries = fuzz::bytes(data + 1, size - 1).split('\n');
    for (const QByteArray &entry : entries) {
        qint64 msecs = 0;
        std::memcpy(&msecs, entry.constData(), std::size_t(std::min<qsizetype>(8, entry.size())));
        const QString name = QString::fromUtf8(entry.mid(8));
        const QDateTime time = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
        const QString line = displayLine(name, time);
        fuzz::require(line.startsWith(name.left(34)));
        (void)timeOfDayKey(line);
        if (isGifName(name)) {
            state.reserveGif(++state.GifCount);
            state.GifFile[state.GifCount] = name;
        } else if (state.ListCount < kListLimit) {
            state.reserveList(++state.ListCount);
            state.ListFile[state.ListCount] = name;
            state.ListLine[state.ListCount] = line;
        }
    }
    const QStringList files = state.ListFile.mid(1, state.ListCount);
    const QStringList lines = state.ListLine.mid(1, state.ListCount);
    const QStringList gifs = state.GifFile.mid(1, state.GifCount);
    GSort(state, byTime);
    fuzz::require(sorted(state.ListFile.mid(1, state.ListCount)) == sorted(files));
    fuzz::require(sorted(state.ListLine.mid(1, state.ListCount)) == sorted(lines));
    fuzz::require(sorted(state.GifFile.mid(1, state.GifCount)) == sorted(gifs));
    return 0;
}
