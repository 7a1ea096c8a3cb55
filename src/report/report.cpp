#include "report/report.h"

#include "app/mediatype.h"
#include "browser/mediaduration.h"
#include "picture/imagecheck.h"
#include "platform/namebytes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

namespace velt {

namespace {

const char *const kColumns[] = {
        "number",   "name",         "kind",         "source",       "address",  "site",
        "fetched",  "file_time",    "status",       "content_type", "encoding", "length",
        "expected", "width",        "height",       "duration",     "verdict",  "reason",
        "sha256",   "cache_folder", "cache_format", "format",
};
constexpr int kColumnCount = int(std::size(kColumns));

const char *kindName(ReportKind kind)
{
    switch (kind) {
    case ReportKind::Picture:
        return "picture";
    case ReportKind::Gif:
        return "gif";
    case ReportKind::Movie:
        return "movie";
    case ReportKind::Sound:
        return "sound";
    }
    return "";
}

} // namespace

QString writtenText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c.isSurrogate()) {
            const ushort u = c.unicode();
            out += u >= 0xDC80 && u <= 0xDCFF
                    ? QStringLiteral("\\x%1").arg(u - 0xDC00, 2, 16, QLatin1Char('0')).toUpper()
                    : QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0')).toUpper();
        } else {
            out += c;
        }
    }
    return out;
}

// Text as a JSON string that is safe inside a script element: "<", ">" and "&" are written as
// escapes, so no name or address can end the element or open a comment, and U+2028/2029 too.
QByteArray jsonText(const QString &text)
{
    QByteArray out = "\"";
    const QByteArray bytes = writtenText(text).toUtf8();
    out.reserve(bytes.size() + 2);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto u = static_cast<unsigned char>(bytes[i]);
        if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else if (u < 0x20 || u == 0x7F || u == '<' || u == '>' || u == '&') {
            out += "\\u00" + QByteArray::number(u, 16).rightJustified(2, '0');
        } else if (u == 0xE2 && i + 2 < bytes.size() && bytes[i + 1] == char(0x80)
                   && (bytes[i + 2] == char(0xA8) || bytes[i + 2] == char(0xA9))) {
            out += bytes[i + 2] == char(0xA8) ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += char(u);
        }
    }
    return out + '"';
}

namespace {

// One record's values in column order; empty where the fact is unknown.
QStringList values(const ReportRecord &r)
{
    QStringList v(kColumnCount);
    v[0] = r.number > 0 ? QString::number(r.number) : QString();
    v[1] = writtenText(r.name);
    v[2] = QLatin1String(kindName(r.kind));
    v[3] = r.source;
    v[4] = writtenText(r.address);
    v[5] = r.site;
    v[6] = reportTimeText(r.fetched);
    v[7] = reportTimeText(r.fileTime);
    v[8] = r.status > 0 ? QString::number(r.status) : QString();
    v[9] = r.contentType;
    v[10] = r.encoding;
    v[11] = r.length >= 0 ? QString::number(r.length) : QString();
    v[12] = r.expectedLength >= 0 ? QString::number(r.expectedLength) : QString();
    if (r.size.isValid()) {
        v[13] = QString::number(r.size.width());
        v[14] = QString::number(r.size.height());
    }
    if (r.duration >= 0)
        v[15] = QString::number(r.duration, 'f', 3);
    if (r.ok)
        v[16] = *r.ok ? QStringLiteral("ok") : QStringLiteral("bad");
    v[17] = r.reason;
    v[18] = QString::fromLatin1(r.sha256.toHex());
    v[19] = writtenText(r.cacheFolder);
    v[20] = r.cacheFormat;
    v[21] = r.format;
    return v;
}

// Columns that hold numbers are numbers in JSON.
bool numericColumn(int column)
{
    return column == 0 || column == 8 || (column >= 11 && column <= 15);
}

// A field that begins like a formula is run by spreadsheet programs when the report is opened;
// a cached name or address is the site's choice, so such a field gets a leading apostrophe,
// the spreadsheets' own mark for text.
QByteArray csvField(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.isEmpty() && QByteArrayView("=+-@\t\r").contains(bytes.front()))
        bytes.prepend('\'');
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n')
        || bytes.contains('\r')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

// The check as --check makes it: the recorded or three-byte verdict, then whether the picture
// can be read at all (here from its header; a metafile is drawn by its helper, not Qt).
void checkPicture(ReportRecord &r, const QString &path, const SourceTable &sources, QFile &file)
{
    CheckResult result = checkImageFile(path, sources).result;
    file.seek(0);
    const QByteArray head = file.peek(64);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid())
        r.size = size;
    const bool metafile = metafileKindOf(reinterpret_cast<const unsigned char *>(head.constData()),
                                         std::size_t(head.size()))
            != MetafileKind::None;
    if (result == CheckResult::Passes && !size.isValid() && !metafile)
        result = CheckResult::Unreadable;
    r.ok = result == CheckResult::Passes;
    if (!*r.ok)
        r.reason = checkReportHeadline(result, false);
}

} // namespace

QString reportTimeText(const QDateTime &time)
{
    if (!time.isValid())
        return QString();
    const QDateTime local = time.toLocalTime();
    const int offset = local.offsetFromUtc();
    QString text = local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    const int minutes = std::abs(offset) / 60;
    text += QStringLiteral("%1%2:%3")
                    .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                    .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                    .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return text;
}

std::optional<ReportFormat> reportFormatFor(const QString &path)
{
    if (path == QLatin1String("-") || path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return ReportFormat::Csv;
    if (path.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive))
        return ReportFormat::JsonLines;
    if (path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
        return ReportFormat::Html;
    return std::nullopt;
}

ReportKind mediaKindOf(const QString &name)
{
    static const QStringList sounds{
            QStringLiteral("aac"), QStringLiteral("aif"),  QStringLiteral("aiff"),
            QStringLiteral("au"),  QStringLiteral("flac"), QStringLiteral("m4a"),
            QStringLiteral("mid"), QStringLiteral("midi"), QStringLiteral("mp3"),
            QStringLiteral("oga"), QStringLiteral("ogg"),  QStringLiteral("opus"),
            QStringLiteral("ra"),  QStringLiteral("rmi"),  QStringLiteral("snd"),
            QStringLiteral("wav"), QStringLiteral("wma"),
    };
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    return sounds.contains(ext) ? ReportKind::Sound : ReportKind::Movie;
}

ReportRecord reportRecordFor(const QString &folder, const QString &name, ReportKind kind,
                             int number, const SourceTable &sources, const QString &copiedFrom)
{
    ReportRecord r;
    r.number = number;
    r.name = name;
    r.kind = kind;
    const QString path = QDir(folder).filePath(name);
    const FileStatus status = fileStatus(path);
    if (status.exists) {
        r.fileTime = status.modified;
        r.length = status.size;
    }
    const std::optional<SourceFacts> facts = sources.lookup(path, status);
    r.cacheFolder = copiedFrom;
    if (facts) {
        r.format = facts->format;
        r.source = facts->source;
        r.cacheFolder = facts->cacheFolder;
        r.cacheFormat = facts->cacheFormat;
        r.site = facts->site;
        r.status = facts->status;
        r.contentType = facts->contentType;
        r.encoding = facts->encoding;
        r.address = facts->url;
        r.expectedLength = facts->contentLength;
        // A copy from today's caches is given the time its response was fetched.
        r.fetched = facts->modified;
    }
    QFile file;
    if (!openRegularFile(path, file)) {
        r.ok = false;
        r.reason = checkReportHeadline(CheckResult::Unreadable, false);
        return r;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (hash.addData(&file))
        r.sha256 = hash.result();
    if (kind == ReportKind::Picture || kind == ReportKind::Gif) {
        checkPicture(r, path, sources, file);
        return r;
    }
    r.duration = mediaDurationSeconds(path).value_or(-1);
    if (facts) {
        // Movies and sounds are judged only by what their download recorded.
        r.ok = !facts->cut;
        if (facts->cut)
            r.reason = QStringLiteral("cut short: the body is shorter than announced");
    }
    return r;
}

QStringList reportColumns()
{
    QStringList columns;
    for (const char *c : kColumns)
        columns << QLatin1String(c);
    return columns;
}

QByteArray csvReport(const QList<ReportRecord> &records)
{
    QByteArray out = "\xEF\xBB\xBF";
    const auto line = [&out](const QStringList &fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out += ',';
            out += csvField(fields[i]);
        }
        out += "\r\n";
    };
    line(reportColumns());
    for (const ReportRecord &r : records)
        line(values(r));
    return out;
}

QByteArray jsonLinesReport(const QList<ReportRecord> &records)
{
    QByteArray out;
    for (const ReportRecord &r : records) {
        const QStringList v = values(r);
        out += '{';
        for (int i = 0; i < kColumnCount; ++i) {
            if (i > 0)
                out += ',';
            out += '"' + QByteArray(kColumns[i]) + "\":";
            if (v[i].isEmpty())
                out += "null";
            else if (numericColumn(i))
                out += v[i].toLatin1();
            else
                out += jsonText(v[i]);
        }
        out += "}\n";
    }
    return out;
}

QString reportTargetProblem(const QString &path, const QStringList &readFolders)
{
    if (path == QLatin1String("-"))
        return QString();
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    const QFileInfo parent(info.absolutePath());
    if (!parent.isDir())
        return QStringLiteral("the folder %1 does not exist").arg(info.absolutePath());
    if (!parent.isWritable())
        return QStringLiteral("the folder %1 cannot be written").arg(info.absolutePath());
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    const QString where = QDir(parent.canonicalFilePath()).filePath(info.fileName());
    for (const QString &folder : readFolders) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty()
            && (where == canonical || where.startsWith(canonical + QLatin1Char('/'))))
            return QStringLiteral("it is inside %1, which is being read").arg(folder);
    }
    return QString();
}

bool writeReportFile(const QString &path, const QByteArray &bytes, QString *why)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *why = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        *why = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace velt
