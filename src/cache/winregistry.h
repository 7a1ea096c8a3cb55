#pragma once

// The real registry through the ANSI functions (Windows builds only). Plain C++: a console test
// built with a Windows cross compiler runs it under Wine without Qt.

#include "cache/registrysource.h"

namespace velt {

// Key paths and value names arrive as UTF-8 and go out in the ANSI code page; data comes back
// as the ANSI query returns it.
class WindowsRegistrySource final : public RegistrySource
{
public:
    bool keyExists(std::uint32_t root, const std::string &keyPath) const override;
    std::optional<RegistryValue> value(std::uint32_t root, const std::string &keyPath,
                                       const std::string &valueName) const override;
    // One RegQueryValueExA into a zeroed buffer of capacity bytes.
    RegistryRead read(std::uint32_t root, const std::string &keyPath, const std::string &valueName,
                      std::size_t capacity, RegistryValue &out) const override;
};

// The access mask the key is opened with first: reading plus setting values and creating keys.
inline constexpr unsigned long kRegistryOpenAccess = 0x2003F;

// UTF-8 text in the ANSI code page.
std::string ansiFromUtf8(const std::string &utf8);

} // namespace velt
