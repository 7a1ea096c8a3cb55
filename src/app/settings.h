#pragma once

#include <QString>

#include <array>

namespace velt {

// Named slots of the settings array; line n of VELT.ini is slot n.
enum SettingSlot {
    CopyFolder = 1,
    CopyConfirmed = 2,
    CopyNewName = 3,
    CopyFolderOpened = 4,
    EditorPath = 5,
    AlbumFolder = 7,
    AlbumChosen = 8,
    NoCollectAtStart = 9,
    NoConditions = 10,
    MinSizeOn = 11,
    MinSize = 12,
    MaxSizeOn = 13,
    MaxSize = 14,
    OptionsReserved15 = 15,
    TodayOnly = 16,
    SortByTime = 17,
    DateOnly = 18,
    FilterDate = 19,
    IEPath = 20,
    NetscapePath = 21,
    UseNetscape = 22,
    RealPlayerPath = 23,
    QuickTimePath = 24,
    NoRealPlayer = 25,
    NoQuickTime = 26,
};

// One slot: text, a boolean flag, or empty (never assigned since start-up).
class SettingValue
{
public:
    enum class Kind { Empty, Text, Flag };

    SettingValue() = default;
    static SettingValue text(const QString &t) { return SettingValue(Kind::Text, t, false); }
    static SettingValue flag(bool b) { return SettingValue(Kind::Flag, QString(), b); }
    // Text read from the file, with the line's bytes as they stood there.
    static SettingValue fromFile(const QString &t, const QByteArray &line);

    Kind kind() const { return m_kind; }
    // What the file holds for this value: the text, "True"/"False", or nothing.
    QString toText() const;
    // The line written for this value: the bytes it was read from while its text is unchanged
    // (a path in a code page the decoder guessed wrongly goes back as it came), else UTF-8.
    QByteArray fileBytes() const;
    // A slot is set when it holds boolean true or the text "True".
    bool isSet() const;
    // Compares what the value means; where its bytes came from does not count.
    bool operator==(const SettingValue &other) const
    {
        return m_kind == other.m_kind && m_text == other.m_text && m_flag == other.m_flag;
    }

private:
    friend class Settings;
    SettingValue(Kind k, const QString &t, bool b) : m_kind(k), m_text(t), m_flag(b) { }
    Kind m_kind = Kind::Empty;
    QString m_text;
    bool m_flag = false;
    QByteArray m_line; // null unless read from the file
};

class Settings
{
public:
    static constexpr int kSlots = 50;

    const SettingValue &at(int slot) const { return m_slots.at(slot); }
    // Setting the text a slot already holds keeps the bytes it was read from.
    void set(int slot, const SettingValue &v);
    void setText(int slot, const QString &t) { set(slot, SettingValue::text(t)); }
    void setFlag(int slot, bool b) { set(slot, SettingValue::flag(b)); }
    QString text(int slot) const { return at(slot).toText(); }
    bool isSet(int slot) const { return at(slot).isSet(); }
    bool isEmptyText(int slot) const { return text(slot).isEmpty(); }

    // Defaults of slots 1..26 and 47..50; 27..46 are left as they are.
    void applyDefaults(const QString &bufferDir);

private:
    std::array<SettingValue, kSlots + 1> m_slots{};
};

// Reads a number the way every number typed by the user is read: the leading numeric part
// ([sign] digits [. digits] [e [sign] digits]), spaces anywhere ignored, full-width digits and
// signs read as their ASCII forms; no number reads as 0. Always finite: a number too large for a
// double reads as the largest one (with its sign), one too small as 0.
double leadingNumber(const QString &text);

// The shortest decimal text that leadingNumber reads back as the same value ("1000", "2.5",
// "1e+20").
QString numberText(double value);

// The largest settings file that is read; fifty lines of paths are a few kilobytes.
inline constexpr qint64 kMaxSettingsBytes = 1024 * 1024;

// Fills the defaults, then reads up to fifty lines of the file over them. Lines end at CR,
// LF or CR LF; each line is read as UTF-8 when it is valid UTF-8, else as CP932, and keeps its
// bytes for the write. Never fails and never waits: a missing, short, unreadable or oversized
// file, or one that is not a regular file, leaves defaults. First removes the temporary files
// an earlier run left beside the file when it was killed while writing.
void LoadSettings(Settings &settings, const QString &path, const QString &bufferDir);

// Writes all fifty slots, each line ended by CR LF, through a temporary file and an atomic
// rename; every write and the flush to the disk are checked. Returns false, with the reason in
// *error, and leaves any previous file as it was, when the file cannot be written whole.
bool SaveSettings(const Settings &settings, const QString &path, QString *error = nullptr);

// Why path cannot be the settings file (it names a folder, FIFO, socket or device); empty when
// it can. A file that does not exist yet can.
QString settingsFileProblem(const QString &path);

// The close's report when SaveSettings failed: the settings file's own message, naming the file
// and the reason; lines joined by CR LF.
QString settingsWriteFailedMessage(const QString &path, const QString &reason);

// Where VELT.ini lives: the override when given; else beside the executable when that folder
// is writable; else the user's config folder for VELT.
QString settingsFilePath(const QString &overridePath, const QString &executableDir);

} // namespace velt
