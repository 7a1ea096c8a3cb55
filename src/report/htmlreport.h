#pragma once

// The report as one self-contained HTML page: a thumbnail and the facts of every item, sorting,
// filtering and grouping by a short script of the page's own. Everything that came from a cache
// is text in the page, escaped; the page's Content-Security-Policy admits only its own style and
// script (by their hashes) and images given as data, so nothing in it reaches the network.

#include "report/report.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace velt {

struct MetafileHelper;

struct HtmlReportItem
{
    ReportRecord record;
    QByteArray thumbnail; // JPEG bytes; empty: the page shows a placeholder
    QSize thumbnailSize;
};

struct HtmlReportHeader
{
    QStringList sources; // the folders read, as the user would name them
    QDateTime written;
};

// Why an item deserves a second look: a body cut short, a tracking pixel (1 x 1 or 2 x 2, or a
// picture of a few bytes), a picture of one of the common advertisement sizes.
enum class ReportMark { Cut = 1, Tracking = 2, Advert = 4 };
int reportMarks(const ReportRecord &record);

// The longest side of a thumbnail in the page, in pixels.
inline constexpr int kReportThumbnailSide = 80;

// The picture at path decoded at thumbnail size (its shape kept, transparency on white) as a
// small JPEG of *shown pixels; empty when it does not decode within the loader's limits.
QByteArray reportThumbnail(const QString &path, QSize pictureSize, const MetafileHelper &helper,
                           QSize *shown);

QByteArray htmlReport(const QList<HtmlReportItem> &items, const HtmlReportHeader &header);

} // namespace velt
