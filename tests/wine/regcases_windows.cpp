// Stores the registry cases in the real registry and reads them back through GetKeyValue over
// the ANSI functions. Built with a Windows cross compiler, run under Wine. Prints one line per
// case and what the raw query answered; exit status 0 when every case reads as expected.

#include "cache/keyvalue.h"
#include "cache/registrycases.h"
#include "cache/winregistry.h"

#include <windows.h>

#include <cstdio>
#include <string>

using namespace velt;
using namespace velt::testing;

namespace {

HKEY rootHandle(std::uint32_t root)
{
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

std::string shown(const std::string &text)
{
    if (text.size() > 40)
        return "(" + std::to_string(text.size()) + " characters)";
    std::string out = "\"";
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned char>(c));
            out += code;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

bool store(const RegistryCase &c)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(rootHandle(c.root), kCasesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        std::printf("cannot create the key for \"%s\": error %ld\n", c.label, rc);
        return false;
    }
    // RegSetValueExA counts a string's NUL when the byte after the given ones is NUL (as NT
    // does); a byte that is not keeps a string without its NUL stored as given.
    const std::string bytes = c.stored + '\x7f';
    rc = RegSetValueExA(key, c.valueName, 0, c.type, reinterpret_cast<const BYTE *>(bytes.data()),
                        DWORD(c.stored.size()));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        std::printf("cannot store \"%s\": error %ld\n", c.label, rc);
        return false;
    }
    return true;
}

// What RegQueryValueExA itself answers into the 1024-byte buffer, for the record.
void reportRawQuery(const RegistryCase &c)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(rootHandle(c.root), caseKey(c).c_str(), 0, kRegistryOpenAccess, &key);
    if (rc != ERROR_SUCCESS) {
        std::printf("   RegOpenKeyExA: %ld\n", rc);
        return;
    }
    unsigned char buffer[kValueBufferSize] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    rc = RegQueryValueExA(key, c.valueName, nullptr, &type, buffer, &size);
    RegCloseKey(key);
    std::printf("   RegQueryValueExA: %ld, type %lu, size %lu\n", rc, type, size);
}

} // namespace

int main()
{
    const std::vector<RegistryCase> cases = registryCases();
    for (const std::uint32_t root : {kHKEY_CURRENT_USER, kHKEY_LOCAL_MACHINE})
        RegDeleteTreeA(rootHandle(root), kCasesKey);
    for (const RegistryCase &c : cases) {
        if (c.presence == Presence::Stored && !store(c))
            return 2;
    }

    const WindowsRegistrySource source;
    int failures = 0;
    for (const RegistryCase &c : cases) {
        std::string value = c.before;
        const bool result = GetKeyValue(source, c.root, caseKey(c), c.valueName, value);
        const bool ok = result == c.result && value == c.after;
        failures += ok ? 0 : 1;
        std::printf("%s %s: %s %s", ok ? "ok  " : "FAIL", c.label, result ? "true" : "false",
                    shown(value).c_str());
        if (!ok)
            std::printf(", expected %s %s", c.result ? "true" : "false", shown(c.after).c_str());
        std::printf("\n");
        reportRawQuery(c);
    }
    for (const std::uint32_t root : {kHKEY_CURRENT_USER, kHKEY_LOCAL_MACHINE})
        RegDeleteTreeA(rootHandle(root), kCasesKey);
    std::printf("%d of %zu cases as expected\n", int(cases.size()) - failures, cases.size());
    return failures == 0 ? 0 : 1;
}
