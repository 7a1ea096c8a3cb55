#include "app/settings.h"

#include "app/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

SettingValue SettingValue::fromFile(const QString &t, const QByteArray &line)
{
    SettingValue v(Kind::Text, t, false);
    v.m_line = line.isNull() ? QByteArray("") : line;
    return v;
}

QByteArray SettingValue::fileBytes() const
{
    if (m_kind == Kind::Text && !m_line.isNull())
        return m_line;
    return toText().toUtf8();
}

bool SettingValue::isSet() const
{
    if (m_kind == Kind::Flag)
        return m_flag;
    return m_kind == Kind::Text && m_text == QLatin1String("True");
}

void Settings::set(int slot, const SettingValue &v)
{
    SettingValue &old = m_slots.at(slot);
    const QByteArray line = old.m_line;
    const bool sameText = v.m_line.isNull() && old.m_kind == SettingValue::Kind::Text
            && v.m_kind == SettingValue::Kind::Text && old.m_text == v.m_text;
    old = v;
    if (sameText)
        old.m_line = line;
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

void LoadSettings(Settings &settings, const QString &path, const QString &bufferDir)
{
    settings.applyDefaults(bufferDir);
    removeStaleTemporaries(path);
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxSettingsBytes, nullptr);
    if (!bytes)
        return;

    TextLineDecoder decoder;
    int slot = 1;
    qsizetype pos = 0;
    const qsizetype size = bytes->size();
    const char *data = bytes->constData();
    while (slot <= Settings::kSlots && pos < size) {
        qsizetype end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        const QByteArray line = bytes->sliced(pos, end - pos);
        settings.set(slot++, SettingValue::fromFile(decoder.decode(line), line));
        if (end < size && data[end] == '\r') {
            ++end;
            if (end < size && data[end] == '\n')
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
        bytes += settings.at(slot).fileBytes();
        bytes += "\r\n";
    }
    return replaceFileContents(path, bytes, error);
}

QString settingsFileProblem(const QString &path)
{
    return isNonRegularFile(path) ? QStringLiteral("not a regular file") : QString();
}

QString settingsWriteFailedMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("設定ファイルを保存できませんでした。\r\n"
                          "前回の設定ファイルはそのまま残り、今回変更した設定は失われます。\r\n"
                          "ファイル名  %1\r\n"
                          "理由  %2")
            .arg(path, reason);
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
