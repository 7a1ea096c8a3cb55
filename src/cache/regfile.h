#pragma once

#include "cache/registrysource.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <utility>

namespace velt {

// Handle values of the roots an export file may name besides the two the program reads.
inline constexpr std::uint32_t kHKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr std::uint32_t kHKEY_USERS = 0x80000003u;
inline constexpr std::uint32_t kHKEY_CURRENT_CONFIG = 0x80000005u;

// Keys and values held in memory. Key paths and value names are UTF-8 and compare
// case-insensitively; leading and trailing backslashes of a key path are ignored. Storing a key
// also makes its parent keys exist, as in the real registry.
class RegFileStore final : public RegistrySource
{
public:
    bool keyExists(std::uint32_t root, const std::string &keyPath) const override;
    std::optional<RegistryValue> value(std::uint32_t root, const std::string &keyPath,
                                       const std::string &valueName) const override;

    void addKey(std::uint32_t root, const std::string &keyPath);
    // Replaces the value (creating the key when needed).
    void setValue(std::uint32_t root, const std::string &keyPath, const std::string &valueName,
                  RegistryValue value);
    // A REG_SZ value: the UTF-8 text followed by a terminating NUL, as Windows stores it.
    void setString(std::uint32_t root, const std::string &keyPath, const std::string &valueName,
                   const std::string &utf8Text);
    // Removes the key with all its sub-keys and values.
    void removeKey(std::uint32_t root, const std::string &keyPath);
    void removeValue(std::uint32_t root, const std::string &keyPath, const std::string &valueName);

    std::size_t keyCount() const { return m_keys.size(); }

private:
    using KeyId = std::pair<std::uint32_t, std::string>; // root, folded path
    static std::string fold(const std::string &text);
    static std::string normalizedKey(const std::string &keyPath);

    // Keys in folded form; every key's parents are present too.
    std::map<KeyId, std::map<std::string, RegistryValue>> m_keys;
};

// Root handle for a root name of an export file ("HKEY_LOCAL_MACHINE", "HKLM", any case);
// 0 when unknown.
std::uint32_t rootFromName(const std::string &name);

// Reads the text of a registry export file into store, later values replacing earlier ones.
// Accepts "REGEDIT4" (8-bit: UTF-8, else CP932) and "Windows Registry Editor Version 5.00"
// (UTF-16LE with or without BOM, UTF-8), "[-KEY]" deletions and "name"=- removals. Never fails:
// each malformed line is skipped and described in the returned list as "name:line: reason"
// (the first kMaxReportedProblems of them, then one line saying how many more were skipped).
QStringList parseRegFile(const QByteArray &bytes, const QString &displayName, RegFileStore &store);

// parseRegFile on the file's contents; a file that cannot be read gives one problem line.
QStringList loadRegFile(const QString &path, RegFileStore &store);

inline constexpr int kMaxReportedProblems = 20;

} // namespace velt
