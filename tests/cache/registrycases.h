#pragma once

// Values stored as bytes and what GetKeyValue must answer for them. Plain C++: the same table
// drives the registry-file test here and a Windows console test that stores these bytes in the
// real registry and reads them back under Wine.

#include "cache/registrysource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velt::testing {

// The key the cases live under; the Windows test deletes and rewrites it.
inline const char *const kCasesKey = "Software\\VELT\\RegistryCases";

enum class Presence { Stored, ValueMissing, KeyMissing };

struct RegistryCase
{
    const char *label;
    std::uint32_t root;
    const char *valueName; // "" is the key's default value
    std::uint32_t type;
    std::string stored; // the bytes written, when presence is Stored
    Presence presence;  // KeyMissing: read from a key below kCasesKey that does not exist
    std::string before; // KeyVal as passed in
    bool result;
    std::string after;
};

inline std::vector<RegistryCase> registryCases()
{
    using namespace std::string_literals;
    const std::string a1023(1023, 'a');
    const std::string a1024(1024, 'a');
    const std::uint32_t cu = kHKEY_CURRENT_USER;
    const std::uint32_t lm = kHKEY_LOCAL_MACHINE;
    const Presence S = Presence::Stored;
    const Presence V = Presence::ValueMissing;
    const Presence K = Presence::KeyMissing;
    return {
            {"sz with its nul", cu, "withNul", kREG_SZ, "C:\\WINDOWS\0"s, S, "old", true,
             "C:\\WINDOWS"},
            {"sz without its nul", cu, "withoutNul", kREG_SZ, "C:\\WINDOWS", S, "old", true,
             "C:\\WINDOWS"},
            {"default value", lm, "", kREG_SZ, "C:\\Program Files\\Paint\\paint.exe\0"s, S, "",
             true, "C:\\Program Files\\Paint\\paint.exe"},
            {"1024 bytes with the nul", cu, "fits", kREG_SZ, a1023 + '\0', S, "old", true, a1023},
            {"1024 bytes without a nul", cu, "fitsWithoutNul", kREG_SZ, a1024, S, "old", true,
             a1024},
            {"1025 bytes", cu, "tooLong", kREG_SZ, a1024 + '\0', S, "old", false, ""},
            {"1025 bytes expandable", lm, "tooLongExpandable", kREG_EXPAND_SZ, a1024 + '\0', S,
             "old", false, ""},
            {"nul in the middle", cu, "middle", kREG_SZ, "first\0second\0"s, S, "", true, "first"},
            {"expandable keeps the text passed", lm, "expandable", kREG_EXPAND_SZ,
             "%SystemRoot%\\system32\0"s, S, "previous", true, "previous"},
            {"binary keeps the text passed", cu, "binary", kREG_BINARY, "\x01\x02"s, S, "p", true,
             "p"},
            {"dword", cu, "dword", kREG_DWORD, "\x78\x56\x34\x12"s, S, "", true, "&h12345678"},
            {"dword after the text passed, up to its first nul", cu, "dwordSmall", kREG_DWORD,
             "\x0a\x00\x00\x00"s, S, "x", true, "&hxA"},
            {"empty value", cu, "empty", kREG_SZ, "", S, "old", true, ""},
            {"empty text with its nul", cu, "emptyText", kREG_SZ, "\0"s, S, "old", true, ""},
            {"missing value", cu, "noSuchValue", kREG_SZ, "", V, "old", false, ""},
            {"missing key", cu, "", kREG_SZ, "", K, "old", false, ""},
    };
}

// The key a case is stored in and read from.
inline std::string caseKey(const RegistryCase &c)
{
    return std::string(kCasesKey) + (c.presence == Presence::KeyMissing ? "\\NoSuchKey" : "");
}

} // namespace velt::testing
