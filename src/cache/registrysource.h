#pragma once

// Plain C++ on purpose: a Windows backend over the real ANSI registry functions compiles
// beside the file-based one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
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

// How a query into a buffer of fixed size ended.
enum class RegistryRead { Ok, Missing, TooLarge };

// A source of keys and values. Key paths use backslashes and compare case-insensitively;
// an empty value name is the key's default value.
class RegistrySource
{
public:
    virtual ~RegistrySource() = default;
    virtual bool keyExists(std::uint32_t root, const std::string &keyPath) const = 0;
    virtual std::optional<RegistryValue> value(std::uint32_t root, const std::string &keyPath,
                                               const std::string &valueName) const = 0;

    // The value as the ANSI query answers into a buffer of capacity bytes: its type and bytes
    // when they fit, TooLarge when they do not, Missing without key or value. The real
    // registry answers this itself; a source in memory answers from value().
    virtual RegistryRead read(std::uint32_t root, const std::string &keyPath,
                              const std::string &valueName, std::size_t capacity,
                              RegistryValue &out) const
    {
        std::optional<RegistryValue> v = value(root, keyPath, valueName);
        if (!v)
            return RegistryRead::Missing;
        if (v->data.size() > capacity)
            return RegistryRead::TooLarge;
        out = std::move(*v);
        return RegistryRead::Ok;
    }
};

} // namespace velt
