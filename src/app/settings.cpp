#include "app/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace velt {

QString SettingValue::toText() const
{
    switch (m_kind) {
    case Kind::Text:
        return m_text;
    case Kind::Flag:
        return m_flag ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Empty:
        break;
    }
    return QString();
}

bool SettingValue::isSet() const
{
    if (m_kind == Kind::Flag)
        return m_flag;
    return m_kind == Kind::Text && m_text == QLatin1String("True");
}

void Settings::applyDefaults(const QString &bufferDir)
{
    for (int slot = 1; slot <= 26; ++slot)
        m_slots[slot] = SettingValue::text(QString());
    for (int slot = 47; slot <= 50; ++slot)
        m_slots[slot] = SettingValue::text(QString());
    m_slots[CopyFolder] = SettingValue::text(bufferDir);
    m_slots[CopyFolderOpened] = SettingValue::text(bufferDir);
    m_slots[AlbumFolder] = SettingValue::text(bufferDir);
    m_slots[CopyConfirmed] = SettingValue::flag(false);
    m_slots[AlbumChosen] = SettingValue::flag(false);
    m_slots[OptionsReserved15] = SettingValue::flag(false);
    m_slots[NoRealPlayer] = SettingValue::flag(false);
    m_slots[NoQuickTime] = SettingValue::flag(false);
}

double leadingNumber(const QString &text)
{
    QString digits;
    bool seenDigit = false;
    bool seenPoint = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
            continue;
        if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && digits.isEmpty()) {
            digits += c;
        } else if (c.isDigit() && c.unicode() < 128) {
            digits += c;
            seenDigit = true;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            digits += c;
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0;
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? value : 0;
}

static QString decodeSettingsBytes(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: a file written on a Japanese Windows system, in its code page.
    QStringDecoder cp932("CP932");
    if (cp932.isValid()) {
        text = cp932.decode(bytes);
        if (!cp932.hasError())
            return text;
    }
    return QString::fromUtf8(bytes);
}

void LoadSettings(Settings &settings, const QString &path, const QString &bufferDir)
{
    settings.applyDefaults(bufferDir);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // The file has at most fifty meaningful lines; refuse to read gigabytes of something else.
    constexpr qint64 kMaxBytes = 64 * 1024 * 1024;
    const QByteArray bytes = file.read(kMaxBytes);
    file.close();
    const QString text = decodeSettingsBytes(bytes);

    int slot = 1;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (slot <= Settings::kSlots && pos < size) {
        qsizetype end = pos;
        while (end < size && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        settings.setText(slot++, text.mid(pos, end - pos));
        if (end < size && text[end] == QLatin1Char('\r')) {
            ++end;
            if (end < size && text[end] == QLatin1Char('\n'))
                ++end;
        } else if (end < size) {
            ++end; // a lone LF
        }
        pos = end;
    }
}

bool SaveSettings(const Settings &settings, const QString &path, QString *error)
{
    QByteArray bytes;
    for (int slot = 1; slot <= Settings::kSlots; ++slot) {
        bytes += settings.text(slot).toUtf8();
        bytes += "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString settingsFilePath(const QString &overridePath, const QString &executableDir)
{
    if (!overridePath.isEmpty())
        return overridePath;
    const QFileInfo dir(executableDir);
    if (dir.isDir() && dir.isWritable())
        return QDir(executableDir).filePath(QStringLiteral("VELT.ini"));
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/VELT");
    QDir().mkpath(config);
    return config + QStringLiteral("/VELT.ini");
}

} // namespace velt
