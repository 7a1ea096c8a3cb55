#pragma once

// Plain C++ on purpose: a Windows backend over the real ANSI registry functions compiles
// beside the file-based one.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velt {

inline constexpr std::uint32_t kHKEY_CURRENT_USER = 0x80000001u;
inline constexpr std::uint32_t kHKEY_LOCAL_MACHINE = 0x80000002u;

inline constexpr std::uint32_t kREG_SZ = 1;
inline constexpr std::uint32_t kREG_EXPAND_SZ = 2;
inline constexpr std::uint32_t kREG_BINARY = 3;
inline constexpr std::uint32_t kREG_DWORD = 4;
inline constexpr std::uint32_t kREG_MULTI_SZ = 7;

struct RegistryValue
{
    std::uint32_t type = 0;
    std::vector<unsigned char> data; // raw bytes, as the ANSI query would return them
};

// A source of keys and values. Key paths use backslashes and compare case-insensitively;
// an empty value name is the key's default value.
class RegistrySource
{
public:
    virtual ~RegistrySource() = default;
    virtual bool keyExists(std::uint32_t root, const std::string &keyPath) const = 0;
    virtual std::optional<RegistryValue> value(std::uint32_t root, const std::string &keyPath,
                                               const std::string &valueName) const = 0;
};

} // namespace velt
