#include "index/nolist.h"

#include "app/settings.h"

#include <cmath>

namespace velt {

const char *const kPromptPictureNumber =
        QT_TRANSLATE_NOOP("Messages", "画像番号を入力して下さい。");
const char *const kMsgNoSuchPicture =
        QT_TRANSLATE_NOOP("Messages", "入力した画像番号はありません。");

int pictureNumber(const QString &answer, int listCount)
{
    const double number = leadingNumber(answer);
    if (!(number >= 1 && number <= listCount))
        return 0;
    // The default rounding mode rounds halves to the even neighbour: 2.5 -> 2, 3.5 -> 4.
    return static_cast<int>(std::nearbyint(number));
}

int typeAheadRow(const QStringList &lines, int currentRow, QChar typed)
{
    const int count = int(lines.size());
    if (count == 0)
        return -1;
    const QChar wanted = typed.toCaseFolded();
    const int start = currentRow >= 0 && currentRow < count ? currentRow : -1;
    for (int step = 1; step <= count; ++step) {
        const int row = (start + step) % count;
        const QString &line = lines.at(row);
        if (!line.isEmpty() && line.at(0).toCaseFolded() == wanted)
            return row;
    }
    return -1;
}

} // namespace velt
