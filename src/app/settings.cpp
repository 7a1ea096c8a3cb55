#include "app/settings.h"

#include "platform/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

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

namespace {

// A character as the number reader sees it: full-width forms, as a Japanese input method types
// them, read as their ASCII counterparts; every kind of space as a plain space.
char16_t narrowed(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E)
        return char16_t(u - 0xFEE0);
    if (u == 0x3000 || u == 0x00A0 || u == u'\t' || u == u'\r' || u == u'\n')
        return u' ';
    return u;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// A typed exponent is counted up to here: far beyond any double, and far from overflowing.
constexpr qint64 kExponentCap = 100000;

} // namespace

double leadingNumber(const QString &text)
{
    // Reads [sign] digits [. digits] [e [sign] digits], spaces anywhere in between ignored, into
    // the significant digits and a decimal exponent: value = 0.digits x 10^exponent. Nothing is
    // converted before the length is known, so no input can overflow anything.
    qsizetype pos = 0;
    const qsizetype size = text.size();
    auto peek = [&]() -> char16_t {
        while (pos < size && narrowed(text[pos]) == u' ')
            ++pos;
        return pos < size ? narrowed(text[pos]) : u'\0';
    };

    bool negative = false;
    if (const char16_t c = peek(); c == u'-' || c == u'+') {
        negative = c == u'-';
        ++pos;
    }
    std::string digits;
    qint64 exponent = 0;
    bool anyDigit = false;
    for (char16_t c = peek(); isDigit(c); ++pos, c = peek()) {
        anyDigit = true;
        if (digits.empty() && c == u'0')
            continue; // a leading zero adds nothing
        digits += char(c);
        ++exponent;
    }
    if (peek() == u'.') {
        ++pos;
        for (char16_t c = peek(); isDigit(c); ++pos, c = peek()) {
            anyDigit = true;
            if (digits.empty() && c == u'0')
                --exponent;
            else
                digits += char(c);
        }
    }
    if (!anyDigit || digits.empty())
        return 0;

    // An exponent counts only with at least one digit: "12e" and "12ex" read as 12.
    if (const char16_t e = peek(); e == u'e' || e == u'E') {
        ++pos;
        bool negativeExponent = false;
        if (const char16_t c = peek(); c == u'-' || c == u'+') {
            negativeExponent = c == u'-';
            ++pos;
        }
        qint64 value = 0;
        bool exponentDigit = false;
        for (char16_t c = peek(); isDigit(c); ++pos, c = peek()) {
            exponentDigit = true;
            value = std::min(kExponentCap, value * 10 + (c - u'0'));
        }
        if (exponentDigit)
            exponent += negativeExponent ? -value : value;
    }

    const double largest = std::numeric_limits<double>::max();
    double value = 0;
    if (exponent > 400) {
        value = largest;
    } else if (exponent >= -400) {
        const std::string number = "0." + digits + 'e' + std::to_string(exponent);
        const auto [end, error] =
                std::from_chars(number.data(), number.data() + number.size(), value);
        Q_UNUSED(end);
        // Out of range: too large saturates, too small is 0.
        if (error == std::errc::result_out_of_range)
            value = exponent > 0 ? largest : 0;
        else if (error != std::errc())
            value = 0;
    }
    if (value == 0)
        return 0; // never -0
    return negative ? -value : value;
}

QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
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
    return QCoreApplication::translate(
                   "Messages",
                   "設定ファイルを保存できませんでした。\r\n"
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
