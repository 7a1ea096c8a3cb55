#include "report/htmlreport.h"

#include "picture/pictureloader.h"
#include "platform/language.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QUrl>

namespace velt {

namespace {

QString reportText(const char *source)
{
    return uiText("Report", source);
}

QByteArray escaped(const QString &text)
{
    QByteArray out;
    const QByteArray bytes = text.toUtf8();
    out.reserve(bytes.size());
    for (const char c : bytes) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The page's own style and script; the policy admits exactly these by their hashes.
constexpr char kStyle[] = R"(
body{font:13px sans-serif;margin:1em;color:#222}
h1{font-size:1.4em;margin:0 0 .3em}
#controls{margin:.8em 0;display:flex;gap:1em;flex-wrap:wrap;align-items:center}
table{border-collapse:collapse;width:100%}
th{background:#eee;cursor:pointer;text-align:left;position:sticky;top:0}
th,td{border-bottom:1px solid #ddd;padding:3px 6px;vertical-align:middle}
td.name,td.address{word-break:break-all;max-width:28em}
td.thumb{width:84px;height:84px;text-align:center}
.none{display:inline-block;width:64px;height:48px;background:#f3f3f3;color:#999;line-height:48px}
tr.bad td.verdict{color:#b00}
tr.group td{background:#f8f4e0;font-weight:bold}
.mark{background:#fde2c8;border-radius:3px;padding:0 4px;margin-right:3px;white-space:nowrap}
)";

constexpr char kScript[] = R"(
(function () {
  var body = document.querySelector('#items tbody');
  var rows = Array.prototype.slice.call(body.rows);
  var filter = document.getElementById('filter');
  var group = document.getElementById('group');
  var show = document.getElementById('show');
  var shown = document.getElementById('shown');
  var column = -1, ascending = true;
  function value(row, k) {
    var cell = row.cells[k];
    return cell.hasAttribute('data-v') ? cell.getAttribute('data-v') : cell.textContent;
  }
  function compare(a, b) {
    var x = value(a, column), y = value(b, column);
    var nx = parseFloat(x), ny = parseFloat(y);
    var c = (!isNaN(nx) && !isNaN(ny)) ? nx - ny : x.localeCompare(y);
    return ascending ? c : -c;
  }
  function render() {
    var text = filter.value.toLowerCase(), mark = show.value, by = group.value;
    var list = rows.filter(function (r) {
      return (!text || r.textContent.toLowerCase().indexOf(text) >= 0) &&
        (!mark || (' ' + r.getAttribute('data-marks') + ' ').indexOf(' ' + mark + ' ') >= 0);
    });
    if (column >= 0) list.sort(compare);
    if (by) list.sort(function (a, b) {
      return a.getAttribute('data-' + by).localeCompare(b.getAttribute('data-' + by));
    });
    var out = document.createDocumentFragment(), last = null;
    list.forEach(function (r) {
      if (by && r.getAttribute('data-' + by) !== last) {
        last = r.getAttribute('data-' + by);
        var head = document.createElement('tr'), cell = document.createElement('td');
        head.className = 'group';
        cell.colSpan = r.cells.length;
        cell.textContent = last || '\u2014';
        head.appendChild(cell);
        out.appendChild(head);
      }
      out.appendChild(r);
    });
    body.textContent = '';
    body.appendChild(out);
    shown.textContent = String(list.length);
  }
  Array.prototype.forEach.call(document.querySelectorAll('#items th'), function (th, k) {
    th.addEventListener('click', function () {
      ascending = column === k ? !ascending : true;
      column = k;
      render();
    });
  });
  filter.addEventListener('input', render);
  group.addEventListener('change', render);
  show.addEventListener('change', render);
})();
)";

QByteArray cspHash(const char *text)
{
    return "'sha256-"
            + QCryptographicHash::hash(QByteArray(text), QCryptographicHash::Sha256).toBase64()
            + '\'';
}

QString kindText(ReportKind kind)
{
    switch (kind) {
    case ReportKind::Picture:
        return reportText(QT_TRANSLATE_NOOP("Report", "画像"));
    case ReportKind::Gif:
        return QStringLiteral("GIF");
    case ReportKind::Movie:
        return reportText(QT_TRANSLATE_NOOP("Report", "動画"));
    case ReportKind::Sound:
        return reportText(QT_TRANSLATE_NOOP("Report", "音声"));
    }
    return QString();
}

QByteArray option(const char *value, const QString &label)
{
    return "<option value=\"" + QByteArray(value) + "\">" + escaped(label) + "</option>";
}

QByteArray row(const HtmlReportItem &item)
{
    const ReportRecord &r = item.record;
    const int marks = reportMarks(r);
    QByteArray tokens;
    const auto token = [&tokens](const char *t) {
        if (!tokens.isEmpty())
            tokens += ' ';
        tokens += t;
    };
    if (r.ok && !*r.ok)
        token("bad");
    if (marks & int(ReportMark::Cut))
        token("cut");
    if (marks & int(ReportMark::Tracking))
        token("tracking");
    if (marks & int(ReportMark::Advert))
        token("advert");
    const QString site = QUrl(r.address).host();
    const QString day = r.fileTime.isValid() ? r.fileTime.toLocalTime().date().toString(Qt::ISODate)
                                             : QString();

    QByteArray out = "<tr";
    if (r.ok && !*r.ok)
        out += " class=\"bad\"";
    out += " data-marks=\"" + tokens + "\" data-site=\"" + escaped(site) + "\" data-day=\""
            + escaped(day) + "\">";
    out += "<td data-v=\"" + QByteArray::number(r.number > 0 ? r.number : 0) + "\">"
            + (r.number > 0 ? QByteArray::number(r.number) : QByteArray()) + "</td>";
    out += "<td class=\"thumb\">";
    if (!item.thumbnail.isEmpty()) {
        out += "<img alt=\"\" loading=\"lazy\" decoding=\"async\" width=\""
                + QByteArray::number(item.thumbnailSize.width()) + "\" height=\""
                + QByteArray::number(item.thumbnailSize.height())
                + "\" src=\"data:image/jpeg;base64," + item.thumbnail.toBase64() + "\">";
    } else {
        out += "<span class=\"none\">\u2014</span>";
    }
    out += "</td>";
    out += "<td class=\"name\" title=\"SHA-256 " + r.sha256.toHex() + "\">" + escaped(r.name)
            + "</td>";
    out += "<td>" + escaped(kindText(r.kind)) + "</td>";
    if (r.size.isValid())
        out += "<td data-v=\"" + QByteArray::number(qint64(r.size.width()) * r.size.height())
                + "\">" + QByteArray::number(r.size.width()) + " \u00D7 "
                + QByteArray::number(r.size.height()) + "</td>";
    else
        out += "<td data-v=\"0\"></td>";
    out += "<td data-v=\"" + QByteArray::number(qMax<qint64>(r.length, 0)) + "\">"
            + (r.length >= 0 ? QByteArray::number(r.length) : QByteArray()) + "</td>";
    out += "<td>" + escaped(reportTimeText(r.fileTime)) + "</td>";
    out += "<td class=\"address\">" + escaped(r.address) + "</td>";
    const QString verdict = !r.ok ? reportText(QT_TRANSLATE_NOOP("Report", "不明"))
            : *r.ok               ? reportText(QT_TRANSLATE_NOOP("Report", "問題なし"))
                                  : r.reason;
    out += "<td class=\"verdict\">" + escaped(verdict) + "</td><td>";
    if (marks & int(ReportMark::Cut))
        out += "<span class=\"mark\">"
                + escaped(reportText(QT_TRANSLATE_NOOP("Report", "途中で切れている"))) + "</span>";
    if (marks & int(ReportMark::Tracking))
        out += "<span class=\"mark\">"
                + escaped(reportText(QT_TRANSLATE_NOOP("Report", "追跡ピクセル"))) + "</span>";
    if (marks & int(ReportMark::Advert))
        out += "<span class=\"mark\">"
                + escaped(reportText(QT_TRANSLATE_NOOP("Report", "広告サイズ"))) + "</span>";
    return out + "</td></tr>\n";
}

} // namespace

int reportMarks(const ReportRecord &r)
{
    int marks = 0;
    if (r.expectedLength >= 0 && r.length >= 0 && r.length < r.expectedLength)
        marks |= int(ReportMark::Cut);
    const bool picture = r.kind == ReportKind::Picture || r.kind == ReportKind::Gif;
    if (!picture)
        return marks;
    if ((r.size.isValid() && r.size.width() <= 2 && r.size.height() <= 2)
        || (r.length >= 0 && r.length <= 64))
        marks |= int(ReportMark::Tracking);
    static const QSize adverts[] = {
            {468, 60}, {728, 90},  {300, 250}, {160, 600}, {320, 50},  {300, 600}, {336, 280},
            {970, 90}, {970, 250}, {320, 100}, {250, 250}, {120, 600}, {234, 60},  {300, 50},
    };
    for (const QSize &size : adverts)
        if (r.size == size)
            marks |= int(ReportMark::Advert);
    return marks;
}

QByteArray reportThumbnail(const QString &path, QSize pictureSize, const MetafileHelper &helper,
                           QSize *shown)
{
    QSize size =
            pictureSize.isValid() ? pictureSize : QSize(kReportThumbnailSide, kReportThumbnailSide);
    if (size.width() > kReportThumbnailSide || size.height() > kReportThumbnailSide)
        size.scale(kReportThumbnailSide, kReportThumbnailSide, Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(1, 1));
    const LoadedPicture loaded = loadThumbnail(path, size, helper);
    if (!loaded.ok())
        return QByteArray();
    QImage flat(loaded.image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, loaded.image);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!flat.save(&buffer, "JPEG", 70))
        return QByteArray();
    *shown = flat.size();
    return bytes;
}

QByteArray htmlReport(const QList<HtmlReportItem> &items, const HtmlReportHeader &header)
{
    int counts[4] = {};
    int bad = 0, tracking = 0, adverts = 0;
    for (const HtmlReportItem &item : items) {
        ++counts[int(item.record.kind)];
        bad += item.record.ok && !*item.record.ok;
        const int marks = reportMarks(item.record);
        tracking += (marks & int(ReportMark::Tracking)) != 0;
        adverts += (marks & int(ReportMark::Advert)) != 0;
    }
    QByteArray out = "<!DOCTYPE html>\n<html lang=\""
            + QByteArray(uiLanguage() == UiLanguage::English ? "en" : "ja")
            + "\"><head><meta charset=\"utf-8\">\n"
              "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
              "img-src data:; style-src "
            + cspHash(kStyle) + "; script-src " + cspHash(kScript) + "\">\n<title>"
            + escaped(reportText(QT_TRANSLATE_NOOP("Report", "VELT レポート")))
            + "</title>\n<style>" + kStyle + "</style></head>\n<body>\n<h1>"
            + escaped(reportText(QT_TRANSLATE_NOOP("Report", "VELT レポート"))) + "</h1>\n<p>"
            + escaped(reportText(QT_TRANSLATE_NOOP("Report", "作成: %1"))
                              .arg(reportTimeText(header.written)))
            + "<br>"
            + escaped(reportText(
                              QT_TRANSLATE_NOOP(
                                      "Report",
                                      "%1 件 (画像 %2、GIF %3、動画 %4、音声 %5)。壊れているもの "
                                      "%6、追跡ピクセル %7、広告サイズ %8。"))
                              .arg(items.size())
                              .arg(counts[int(ReportKind::Picture)])
                              .arg(counts[int(ReportKind::Gif)])
                              .arg(counts[int(ReportKind::Movie)])
                              .arg(counts[int(ReportKind::Sound)])
                              .arg(bad)
                              .arg(tracking)
                              .arg(adverts))
            + "</p>\n<p>" + escaped(reportText(QT_TRANSLATE_NOOP("Report", "読んだ場所:")))
            + "</p><ul>";
    for (const QString &source : header.sources)
        out += "<li>" + escaped(source) + "</li>";
    out += "</ul>\n<div id=\"controls\"><label>"
            + escaped(reportText(QT_TRANSLATE_NOOP("Report", "絞り込み")))
            + " <input id=\"filter\" type=\"search\"></label><label>"
            + escaped(reportText(QT_TRANSLATE_NOOP("Report", "まとめ方")))
            + " <select id=\"group\">" + option("", reportText(QT_TRANSLATE_NOOP("Report", "なし")))
            + option("site", reportText(QT_TRANSLATE_NOOP("Report", "サイト")))
            + option("day", reportText(QT_TRANSLATE_NOOP("Report", "日付")))
            + "</select></label><label>" + escaped(reportText(QT_TRANSLATE_NOOP("Report", "表示")))
            + " <select id=\"show\">"
            + option("", reportText(QT_TRANSLATE_NOOP("Report", "すべて")))
            + option("bad", reportText(QT_TRANSLATE_NOOP("Report", "壊れているもの")))
            + option("cut", reportText(QT_TRANSLATE_NOOP("Report", "途中で切れている")))
            + option("tracking", reportText(QT_TRANSLATE_NOOP("Report", "追跡ピクセル")))
            + option("advert", reportText(QT_TRANSLATE_NOOP("Report", "広告サイズ")))
            + "</select></label><span>"
            + escaped(reportText(QT_TRANSLATE_NOOP("Report", "表示中:"))) + " <span id=\"shown\">"
            + QByteArray::number(items.size())
            + "</span></span></div>\n<table id=\"items\"><thead><tr>";
    for (const QString &column : {reportText(QT_TRANSLATE_NOOP("Report", "番号")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "画像")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "名前")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "種類")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "大きさ")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "バイト数")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "時刻")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "アドレス")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "結果")),
                                  reportText(QT_TRANSLATE_NOOP("Report", "印"))})
        out += "<th>" + escaped(column) + "</th>";
    out += "</tr></thead><tbody>\n";
    for (const HtmlReportItem &item : items)
        out += row(item);
    out += "</tbody></table>\n<script>";
    out += kScript;
    out += "</script>\n</body></html>\n";
    return out;
}

} // namespace velt
