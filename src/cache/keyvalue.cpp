#include "cache/keyvalue.h"

namespace velt {

bool GetKeyValue(const RegistrySource &source, std::uint32_t KeyRoot, const std::string &KeyName,
                 const std::string &SubKeyRef, std::string &KeyVal)
{
    RegistryValue value;
    if (source.read(KeyRoot, KeyName, SubKeyRef, kValueBufferSize, value) != RegistryRead::Ok
        || value.data.size() > kValueBufferSize) {
        KeyVal.clear();
        return false;
    }

    // The received bytes without the terminating NUL if there is one, then up to the first
    // NUL. A value of no bytes at all reads as empty text.
    std::string text(value.data.begin(), value.data.end());
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);

    switch (value.type) {
    case kREG_SZ:
        KeyVal = text;
        break;
    case kREG_DWORD: {
        static const char digits[] = "0123456789ABCDEF";
        std::string codes = "&h" + KeyVal;
        for (auto it = text.rbegin(); it != text.rend(); ++it) {
            const auto code = static_cast<unsigned char>(*it);
            if (code >= 16)
                codes += digits[code >> 4];
            codes += digits[code & 15];
        }
        KeyVal = codes;
        break;
    }
    default:
        break;
    }
    return true;
}

} // namespace velt
