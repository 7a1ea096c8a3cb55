#include "album/thumbnails.h"

#include "picture/imagecheck.h"
#include "platform/namebytes.h"
#include "platform/version.h"

#include <QFont>
#include <QPainter>

#include <algorithm>

namespace velt {

namespace {

constexpr int kCellLefts[5] = {0, 1100, 2195, 3290, 4385};
constexpr int kSecondRowTop = 1220;
constexpr QSize kPlaceholderSize(62, 68);

} // namespace

QRect thumbnailCellTwips(int cell)
{
    const int column = cell % 5;
    const int top = cell < 5 ? 0 : kSecondRowTop;
    return QRect(kCellLefts[column], top, kThumbnailCellWidth, kThumbnailCellHeight);
}

ThumbnailPaging thumbnailPaging(int listCount)
{
    ThumbnailPaging paging;
    if (listCount <= 0)
        return paging;
    paging.cellsVisible = true;
    if (listCount <= kThumbnailCells) {
        paging.filledAtLoad = listCount;
        return paging;
    }
    paging.scrollVisible = true;
    paging.maximum = listCount - (kThumbnailCells - 1);
    paging.filledAtLoad = kThumbnailCells;
    return paging;
}

int thumbnailPosition(int value, int cell, int listCount)
{
    const qint64 n = qint64(value) + cell;
    return n >= 1 && n <= listCount ? int(n) : 0;
}

CellPicture cellPictureFor(std::optional<bool> check, bool decoded, bool scrolling)
{
    if (!check)
        return CellPicture::Cut;
    if (!*check)
        return scrolling ? CellPicture::Cut : CellPicture::Keep;
    return decoded ? CellPicture::Decoded : CellPicture::Cut;
}

QImage thumbnailPlaceholder()
{
    QImage image(kPlaceholderSize, QImage::Format_RGB32);
    image.fill(QColor(204, 0, 0));
    QPainter p(&image);
    p.setPen(Qt::white);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    const QRect inner = image.rect().adjusted(2, 2, -2, -2);
    p.drawRect(inner.adjusted(0, 0, -1, -1));
    p.drawText(QRect(inner.left(), inner.top() + 8, inner.width(), 26),
               Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Load Error"));
    font.setPixelSize(12);
    p.setFont(font);
    p.drawText(QRect(inner.left(), inner.top() + 38, inner.width(), 16), Qt::AlignCenter,
               QString::fromLatin1(kProgramTitle));
    p.end();
    return image;
}

ThumbnailCache::ThumbnailCache(QSize cellPixels, const MetafileHelper &helper, int capacity)
    : m_cellPixels(cellPixels), m_helper(helper), m_entries(std::max(1, capacity))
{
    m_helper.timeoutMs = std::min(m_helper.timeoutMs, kMetafileTimeoutMs);
}

ThumbnailOutcome ThumbnailCache::outcome(const QString &path, const SourceTable &sources)
{
    const FileStatus status = fileStatus(path);
    const qint64 size = status.size;
    const QDateTime &modified = status.modified;
    if (const Entry *known = m_entries.object(path);
        known && size >= 0 && known->size == size && known->modified == modified)
        return known->outcome;

    ThumbnailOutcome result;
    result.check = PictureCheck(path, sources);
    if (result.check && *result.check) {
        LoadedPicture loaded = loadThumbnail(path, m_cellPixels, m_helper);
        result.image = std::move(loaded.image);
    }
    ++m_decodes;
    // A file that cannot be read now may be readable later (its time need not change): only
    // what was read is kept, a picture that failed to decode included.
    if (result.check)
        m_entries.insert(path, new Entry{size, modified, result});
    return result;
}

} // namespace velt
