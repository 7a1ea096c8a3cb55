#include "cache/winregistry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "cache/keyvalue.h"

#include <algorithm>

namespace velt {

namespace {

HKEY rootHandle(std::uint32_t root)
{
    // Predefined handles are sign-extended 32-bit values, as the SDK's own definitions.
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// Ordinary users are refused the rights of kRegistryOpenAccess under HKEY_LOCAL_MACHINE since
// Windows NT, so a refusal is retried with read access alone.
bool openKey(std::uint32_t root, const std::string &keyPath, HKEY *key)
{
    const std::string path = ansiFromUtf8(keyPath);
    *key = nullptr;
    LONG rc = RegOpenKeyExA(rootHandle(root), path.c_str(), 0, kRegistryOpenAccess, key);
    if (rc == ERROR_ACCESS_DENIED)
        rc = RegOpenKeyExA(rootHandle(root), path.c_str(), 0, KEY_READ, key);
    return rc == ERROR_SUCCESS;
}

} // namespace

std::string ansiFromUtf8(const std::string &utf8)
{
    if (utf8.empty())
        return utf8;
    const int wideLength =
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    if (wideLength <= 0)
        return utf8;
    std::wstring wide(std::size_t(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), wideLength);
    const int length =
            WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return utf8;
    std::string ansi(std::size_t(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

bool WindowsRegistrySource::keyExists(std::uint32_t root, const std::string &keyPath) const
{
    HKEY key = nullptr;
    if (!openKey(root, keyPath, &key))
        return false;
    RegCloseKey(key);
    return true;
}

std::optional<RegistryValue> WindowsRegistrySource::value(std::uint32_t root,
                                                          const std::string &keyPath,
                                                          const std::string &valueName) const
{
    HKEY key = nullptr;
    if (!openKey(root, keyPath, &key))
        return std::nullopt;
    const std::string name = ansiFromUtf8(valueName);
    std::vector<unsigned char> buffer(kValueBufferSize);
    DWORD type = 0;
    LONG rc = ERROR_MORE_DATA;
    // A value may grow between two queries; a few tries are enough.
    for (int attempt = 0; attempt < 4 && rc == ERROR_MORE_DATA; ++attempt) {
        DWORD size = DWORD(buffer.size());
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, buffer.data(), &size);
        if (rc == ERROR_MORE_DATA)
            buffer.resize(std::max<std::size_t>(size, buffer.size() * 2));
        else if (rc == ERROR_SUCCESS)
            buffer.resize(size);
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue v;
    v.type = type;
    v.data = std::move(buffer);
    return v;
}

RegistryRead WindowsRegistrySource::read(std::uint32_t root, const std::string &keyPath,
                                         const std::string &valueName, std::size_t capacity,
                                         RegistryValue &out) const
{
    HKEY key = nullptr;
    if (!openKey(root, keyPath, &key))
        return RegistryRead::Missing;
    std::vector<unsigned char> buffer(capacity, 0);
    DWORD size = DWORD(capacity);
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, ansiFromUtf8(valueName).c_str(), nullptr, &type,
                                     buffer.data(), &size);
    RegCloseKey(key);
    if (rc == ERROR_MORE_DATA)
        return RegistryRead::TooLarge;
    if (rc != ERROR_SUCCESS)
        return RegistryRead::Missing;
    buffer.resize(std::min<std::size_t>(size, capacity));
    out.type = type;
    out.data = std::move(buffer);
    return RegistryRead::Ok;
}

} // namespace velt
