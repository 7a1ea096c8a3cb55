#pragma once

// Plain C++ on purpose: the same reading code runs over the real registry in a Windows build
// and over registry files here, so both answer alike for the same stored bytes.

#include "cache/registrysource.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace velt {

// The data buffer of the query. A value fits when it has at most this many bytes, its NUL
// included, as the ANSI query answers.
inline constexpr std::size_t kValueBufferSize = 1024;

// Reads one value into KeyVal as 8-bit text: the bytes up to the first NUL. REG_SZ replaces
// KeyVal; REG_DWORD puts "&h" in front of KeyVal followed by each byte from the last to the
// first in hexadecimal; any other type leaves KeyVal as passed. A missing key or value, or one
// too large for the buffer, empties KeyVal and returns false.
bool GetKeyValue(const RegistrySource &source, std::uint32_t KeyRoot, const std::string &KeyName,
                 const std::string &SubKeyRef, std::string &KeyVal);

} // namespace velt
