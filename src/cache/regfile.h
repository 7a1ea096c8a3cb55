#pragma once

#include "cache/registrysource.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

// Handle values of the roots an export file may name besides the two the program reads.
inline constexpr std::uint32_t kHKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr std::uint32_t kHKEY_USERS = 0x80000003u;
inline constexpr std::uint32_t kHKEY_CURRENT_CONFIG = 0x80000005u;

// Keys and values held in memory. Key paths and value names are UTF-8 and compare
// case-insensitively; leading and trailing backslashes of a key path are ignored. Storing a key
// also makes its parent keys exist, as in the real registry.
//
// Kept as a log of what was stored and removed, replayed backwards by each query: memory is the
// text of the keys, names and values plus a few words per record, whatever the shape of the
// input (a parent key costs nothing of its own). A query reads the whole log once, which suits
// the few dozen reads a start-up makes.
class RegFileStore final : public RegistrySource
{
public:
    // A key as stored by addKey, for a run of values under it.
    using KeyHandle = std::uint32_t;

    bool keyExists(std::uint32_t root, const std::string &keyPath) const override;
    std::optional<RegistryValue> value(std::uint32_t root, const std::string &keyPath,
                                       const std::string &valueName) const override;

    KeyHandle addKey(std::uint32_t root, const std::string &keyPath);
    // Replaces the value (creating the key when needed).
    void setValue(std::uint32_t root, const std::string &keyPath, const std::string &valueName,
                  RegistryValue value);
    void setValue(KeyHandle key, const std::string &valueName, RegistryValue value);
    // A REG_SZ value: the UTF-8 text followed by a terminating NUL, as Windows stores it.
    void setString(std::uint32_t root, const std::string &keyPath, const std::string &valueName,
                   const std::string &utf8Text);
    // Removes the key with all its sub-keys and values.
    void removeKey(std::uint32_t root, const std::string &keyPath);
    void removeValue(std::uint32_t root, const std::string &keyPath, const std::string &valueName);
    void removeValue(KeyHandle key, const std::string &valueName);

    // The keys stored by name (parents made only by their sub-keys not counted) that exist.
    std::size_t keyCount() const;
    // Bytes held, for checks that memory stays proportional to the input.
    std::size_t memoryBytes() const;

private:
    enum class Op : std::uint8_t { AddKey, RemoveKey, SetValue, RemoveValue };
    // 28 bytes: text lives in m_arena.
    struct Record
    {
        std::uint32_t textAt = 0; // key records: the folded key path; value records: the name
        std::uint32_t textSize = 0;
        std::uint32_t dataAt = 0; // SetValue: the value's bytes
        std::uint32_t dataSize = 0;
        std::uint32_t owner = 0; // key records: the root; value records: their key's record
        std::uint32_t type = 0;
        Op op = Op::AddKey;
    };

    static std::string fold(const std::string &text);
    static std::string normalizedKey(const std::string &keyPath);
    std::string_view textOf(const Record &r) const;
    bool append(Record r, std::string_view text, std::string_view data = {});
    // The key record that a value of key may be stored under, made anew when needed.
    std::optional<KeyHandle> keyRecordFor(KeyHandle key);
    std::optional<RegistryValue> find(std::uint32_t root, const std::string &foldedKey,
                                      const std::string &foldedName) const;

    std::string m_arena;
    // A deque: growing it never copies the records nor holds twice their room.
    std::deque<Record> m_records;
    // The last record that removed a key: values of a key stored before it store the key anew.
    std::optional<std::uint32_t> m_lastRemoval;
    // The last record that stored or removed a key.
    std::optional<std::uint32_t> m_lastKeyRecord;
};

// Root handle for a root name of an export file ("HKEY_LOCAL_MACHINE", "HKLM", any case);
// 0 when unknown.
std::uint32_t rootFromName(const std::string &name);

// Reads the text of a registry export file into store, later values replacing earlier ones.
// Accepts "REGEDIT4" (8-bit, each line UTF-8, else CP932) and "Windows Registry Editor Version
// 5.00" (UTF-16LE with or without BOM, UTF-8), "[-KEY]" deletions and "name"=- removals. Never
// fails: each malformed line is skipped and described in the returned list as
// "name:line: reason" (the first kMaxReportedProblems of them, then one line saying how many
// more were skipped). Besides lines that do not parse, malformed are: a key path of more than
// kMaxKeyComponents components or kMaxKeyPathBytes bytes, a key name of more than
// kMaxKeyNameChars characters and a value name of more than kMaxValueNameChars characters (the
// registry's own limits). Time and memory grow linearly with the input.
QStringList parseRegFile(const QByteArray &bytes, const QString &displayName, RegFileStore &store);

// parseRegFile on the file's contents; a file that cannot be read, is not a regular file or is
// larger than kMaxTextFileBytes gives one problem line and nothing else.
QStringList loadRegFile(const QString &path, RegFileStore &store);

inline constexpr int kMaxReportedProblems = 20;
inline constexpr int kMaxKeyComponents = 512;
inline constexpr int kMaxKeyPathBytes = 16 * 1024;
inline constexpr int kMaxKeyNameChars = 255;
inline constexpr int kMaxValueNameChars = 16383;

} // namespace velt
