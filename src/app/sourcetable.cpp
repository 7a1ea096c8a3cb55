#include "app/sourcetable.h"

#include "platform/language.h"
#include "platform/namebytes.h"
#include "platform/workdir.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

namespace velt {

const char *const SourceTable::kFileName = ".velt-sources.tsv";

namespace {

constexpr qint64 kMaxTableBytes = 64LL * 1024 * 1024;
constexpr qsizetype kColumns = 14;

// A name or URL in a tab-separated line: tabs, line ends and the escape itself written as %XX.
QByteArray field(const QByteArray &bytes)
{
    return bytes.toPercentEncoding(QByteArray(" !\"#$&'()*+,/:;<=>?@[]^`{|}~"));
}

QByteArray field(const QString &text)
{
    return field(text.toUtf8());
}

} // namespace

void SourceTable::insert(const QString &fileName, const SourceFacts &facts)
{
    m_facts.insert(fileName, facts);
}

std::optional<SourceFacts> SourceTable::lookup(const QString &path, const FileStatus &status) const
{
    if (m_facts.isEmpty())
        return std::nullopt;
    const auto it = m_facts.constFind(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    if (it == m_facts.cend())
        return std::nullopt;
    if (!status.exists || status.size != it->size
        || status.modified.toMSecsSinceEpoch() != it->modified.toMSecsSinceEpoch())
        return std::nullopt;
    return *it;
}

QString sourceToolTip(const SourceFacts &facts)
{
    QStringList lines{uiText("Source", QT_TRANSLATE_NOOP("Source", "アドレス: %1")).arg(facts.url)};
    const QString site = QUrl(facts.url).host();
    if (!site.isEmpty())
        lines << uiText("Source", QT_TRANSLATE_NOOP("Source", "サイト: %1")).arg(site);
    if (!facts.site.isEmpty())
        lines << uiText("Source", QT_TRANSLATE_NOOP("Source", "表示したページのサイト: %1"))
                         .arg(facts.site);
    if (facts.modified.isValid())
        lines << uiText("Source", QT_TRANSLATE_NOOP("Source", "取得日時: %1"))
                         .arg(facts.modified.toLocalTime().toString(
                                 QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    return lines.join(QLatin1Char('\n'));
}

std::optional<SourceFacts> SourceTable::lookup(const QString &path) const
{
    if (m_facts.isEmpty())
        return std::nullopt;
    return lookup(path, fileStatus(path));
}

QByteArray SourceTable::serialized() const
{
    QByteArray text;
    for (auto it = m_facts.cbegin(); it != m_facts.cend(); ++it) {
        const SourceFacts &f = it.value();
        text += field(encodeFileName(it.key())) + '\t' + QByteArray::number(f.size) + '\t'
                + QByteArray::number(f.modified.toMSecsSinceEpoch()) + '\t' + (f.cut ? "1" : "0")
                + '\t' + field(f.format) + '\t' + QByteArray::number(f.contentLength) + '\t'
                + field(f.url) + '\t' + field(f.source) + '\t' + QByteArray::number(f.status) + '\t'
                + field(f.contentType) + '\t' + field(f.encoding) + '\t' + field(f.site) + '\t'
                + field(f.cacheFolder) + '\t' + field(f.cacheFormat) + '\n';
    }
    return text;
}

bool SourceTable::save(const QString &folder) const
{
    QSaveFile file(QDir(folder).filePath(QString::fromLatin1(kFileName)));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(serialized());
    return file.commit();
}

bool SourceTable::save(const WorkFolder &folder) const
{
    return folder.writeFile(kFileName, serialized(), 0600);
}

SourceTable SourceTable::load(const QString &folder)
{
    SourceTable table;
    QFile file;
    if (!openRegularFile(QDir(folder).filePath(QString::fromLatin1(kFileName)), file)
        || file.size() > kMaxTableBytes)
        return table;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QByteArrayList parts = line.split('\t');
        // Tables written before the source column have seven, before the response's facts eight.
        if (parts.size() != 7 && parts.size() != 8 && parts.size() != kColumns)
            continue;
        bool sizeOk = false;
        bool timeOk = false;
        bool lengthOk = false;
        SourceFacts facts;
        facts.size = parts[1].toLongLong(&sizeOk);
        facts.modified = QDateTime::fromMSecsSinceEpoch(parts[2].toLongLong(&timeOk));
        facts.cut = parts[3] == "1";
        facts.format = QString::fromUtf8(QByteArray::fromPercentEncoding(parts[4]));
        facts.contentLength = parts[5].toLongLong(&lengthOk);
        facts.url = QString::fromUtf8(QByteArray::fromPercentEncoding(parts[6]));
        const auto text = [&parts](int i) {
            return QString::fromUtf8(QByteArray::fromPercentEncoding(parts[i]));
        };
        if (parts.size() >= 8)
            facts.source = text(7);
        if (parts.size() == kColumns) {
            facts.status = parts[8].toInt();
            facts.contentType = text(9);
            facts.encoding = text(10);
            facts.site = text(11);
            facts.cacheFolder = text(12);
            facts.cacheFormat = text(13);
        }
        const QString name = decodeFileName(QByteArray::fromPercentEncoding(parts[0]));
        if (sizeOk && timeOk && lengthOk && !name.isEmpty() && !name.contains(QLatin1Char('/')))
            table.insert(name, facts);
    }
    return table;
}

} // namespace velt
