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
th{background:#eee;cursor:pointer;text-align:left;position:sticky;top:0;white-space:nowrap}
th,td{border-bottom:1px solid #ddd;padding:3px 6px;vertical-align:middle}
td.name,td.address{word-break:break-all;max-width:28em}
td.thumb{width:84px;height:84px;text-align:center}
.none{display:inline-block;width:64px;height:48px;background:#f3f3f3;color:#999;line-height:48px}
tr.bad td.verdict{color:#b00}
tr.group td{background:#f8f4e0;font-weight:bold}
.mark{background:#fde2c8;border-radius:3px;padding:0 4px;margin-right:3px;white-space:nowrap}
#pager{margin:.8em 0;text-align:center}
)";

constexpr char kScript[] = R"(
(function () {
  // Parsed once, then dropped from the document: the rows are built from the parsed copy.
  var block = document.getElementById('data');
  var data = JSON.parse(block.textContent);
  block.remove();
  var items = data.items, labels = data.labels, pageSize = 200;
  var body = document.querySelector('#items tbody');
  var filter = document.getElementById('filter');
  var group = document.getElementById('group');
  var show = document.getElementById('show');
  var shown = document.getElementById('shown');
  var where = document.getElementById('page');
  var prev = document.getElementById('prev'), next = document.getElementById('next');
  var collator = new Intl.Collator(undefined, {numeric: true});
  // What each column sorts by; the thumbnail's column sorts by nothing.
  var sortKeys = ['n', null, 'name', 'kind', 'px', 'len', 'time', 'addr', 'verdict', 'marks'];
  var column = -1, ascending = true, list = items, page = 0;
  function compare(a, b) {
    var k = sortKeys[column], x = a[k], y = b[k];
    var c = typeof x === 'number' && typeof y === 'number' ? x - y
      : collator.compare(String(x), String(y));
    return ascending ? c : -c;
  }
  function searchText(it) {
    if (it.s === undefined)
      it.s = [it.name, it.kind, it.addr, it.site, it.verdict, it.time].join('\n').toLowerCase();
    return it.s;
  }
  function cell(tr, text, className) {
    var td = document.createElement('td');
    if (className) td.className = className;
    td.textContent = text;
    tr.appendChild(td);
    return td;
  }
  function row(it) {
    var tr = document.createElement('tr');
    if (it.bad) tr.className = 'bad';
    cell(tr, it.n > 0 ? String(it.n) : '');
    var thumb = cell(tr, '', 'thumb');
    if (it.t) {
      var img = document.createElement('img');
      img.alt = '';
      img.decoding = 'async';
      img.width = it.tw;
      img.height = it.th;
      img.src = 'data:image/jpeg;base64,' + it.t;
      thumb.appendChild(img);
    } else {
      var none = document.createElement('span');
      none.className = 'none';
      none.textContent = '\u2014';
      thumb.appendChild(none);
    }
    cell(tr, it.name, 'name').title = 'SHA-256 ' + it.sha;
    cell(tr, it.kind);
    cell(tr, it.w > 0 ? it.w + ' \u00D7 ' + it.h : '');
    cell(tr, it.len >= 0 ? String(it.len) : '');
    cell(tr, it.time);
    var address = cell(tr, it.addr, 'address');
    if (it.site) address.title = it.site;
    cell(tr, it.verdict, 'verdict');
    var marks = cell(tr, '');
    it.marks.split(' ').forEach(function (m) {
      if (!labels[m]) return;
      var span = document.createElement('span');
      span.className = 'mark';
      span.textContent = labels[m];
      marks.appendChild(span);
    });
    return tr;
  }
  function draw() {
    var by = group.value, from = page * pageSize;
    var to = Math.min(list.length, from + pageSize), last = null;
    var out = document.createDocumentFragment();
    for (var i = from; i < to; ++i) {
      var it = list[i];
      if (by && (i === from || it[by] !== last)) {
        last = it[by];
        var head = document.createElement('tr');
        head.className = 'group';
        var td = cell(head, last || '\u2014');
        td.colSpan = sortKeys.length;
        out.appendChild(head);
      }
      out.appendChild(row(it));
    }
    body.textContent = '';
    body.appendChild(out);
    var pages = Math.max(1, Math.ceil(list.length / pageSize));
    shown.textContent = String(list.length);
    where.textContent = (page + 1) + ' / ' + pages;
    prev.disabled = page === 0;
    next.disabled = page + 1 >= pages;
  }
  function update() {
    var text = filter.value.toLowerCase(), mark = show.value, by = group.value;
    list = items.filter(function (it) {
      return (!text || searchText(it).indexOf(text) >= 0) &&
        (!mark || (' ' + it.marks + ' ').indexOf(' ' + mark + ' ') >= 0);
    });
    if (column >= 0) list.sort(compare);
    if (by) {
      // Stable: within a group the chosen order holds.
      list = list.map(function (it, i) { return [it, i]; });
      list.sort(function (a, b) {
        return collator.compare(a[0][by], b[0][by]) || a[1] - b[1];
      });
      list = list.map(function (p) { return p[0]; });
    }
    page = 0;
    draw();
  }
  Array.prototype.forEach.call(document.querySelectorAll('#items th'), function (th, k) {
    if (!sortKeys[k]) return;
    th.addEventListener('click', function () {
      ascending = column === k ? !ascending : true;
      column = k;
      update();
    });
  });
  prev.addEventListener('click', function () { if (page > 0) { --page; draw(); } });
  next.addEventListener('click', function () {
    if ((page + 1) * pageSize < list.length) { ++page; draw(); }
  });
  filter.addEventListener('input', update);
  group.addEventListener('change', update);
  show.addEventListener('change', update);
  draw();
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

// The site an item is grouped under: the page that showed it when the cache says, else the
// server it came from.
QString groupSite(const ReportRecord &r)
{
    if (!r.site.isEmpty()) {
        const QString host = QUrl(r.site).host();
        return host.isEmpty() ? r.site : host;
    }
    return QUrl(r.address).host();
}

QByteArray itemJson(const HtmlReportItem &item)
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
    const QString verdict = !r.ok ? reportText(QT_TRANSLATE_NOOP("Report", "不明"))
            : *r.ok               ? reportText(QT_TRANSLATE_NOOP("Report", "問題なし"))
                                  : r.reason;
    QByteArray out = "{\"n\":" + QByteArray::number(qMax(r.number, 0));
    if (!item.thumbnail.isEmpty())
        out += ",\"t\":\"" + item.thumbnail.toBase64()
                + "\",\"tw\":" + QByteArray::number(item.thumbnailSize.width())
                + ",\"th\":" + QByteArray::number(item.thumbnailSize.height());
    out += ",\"name\":" + jsonText(r.name) + ",\"kind\":" + jsonText(kindText(r.kind));
    if (r.size.isValid())
        out += ",\"w\":" + QByteArray::number(r.size.width())
                + ",\"h\":" + QByteArray::number(r.size.height())
                + ",\"px\":" + QByteArray::number(qint64(r.size.width()) * r.size.height());
    else
        out += ",\"px\":0";
    out += ",\"len\":" + QByteArray::number(r.length < 0 ? -1 : r.length)
            + ",\"time\":" + jsonText(reportTimeText(r.fileTime)) + ",\"day\":"
            + jsonText(r.fileTime.isValid() ? r.fileTime.toLocalTime().date().toString(Qt::ISODate)
                                            : QString())
            + ",\"addr\":" + jsonText(r.address) + ",\"site\":" + jsonText(groupSite(r))
            + ",\"verdict\":" + jsonText(verdict) + ",\"bad\":" + (r.ok && !*r.ok ? "1" : "0")
            + ",\"marks\":\"" + tokens + "\",\"sha\":\"" + r.sha256.toHex() + "\"}";
    return out;
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
    out += "</tr></thead><tbody></tbody></table>\n<div id=\"pager\"><button id=\"prev\" "
           "type=\"button\">"
            + escaped(reportText(QT_TRANSLATE_NOOP("Report", "前へ")))
            + "</button> <span id=\"page\"></span> <button id=\"next\" type=\"button\">"
            + escaped(reportText(QT_TRANSLATE_NOOP("Report", "次へ"))) + "</button></div>\n";
    // The items are data, not markup: the page's script builds one page of rows at a time.
    out += "<script type=\"application/json\" id=\"data\">{\"labels\":{\"cut\":"
            + jsonText(reportText(QT_TRANSLATE_NOOP("Report", "途中で切れている")))
            + ",\"tracking\":" + jsonText(reportText(QT_TRANSLATE_NOOP("Report", "追跡ピクセル")))
            + ",\"advert\":" + jsonText(reportText(QT_TRANSLATE_NOOP("Report", "広告サイズ")))
            + "},\"items\":[\n";
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ",\n";
        out += itemJson(items[i]);
    }
    out += "\n]}</script>\n<script>";
    out += kScript;
    out += "</script>\n</body></html>\n";
    return out;
}

} // namespace velt
