#include "cache/registry.h"

#include "cache/regfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace velt {

namespace {

// The data buffer of the query: a value must fit with room to spare.
constexpr std::size_t kValueBufferSize = 1024;

const char *const kNtCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char *const kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

#ifdef _WIN32
// The real registry through the ANSI functions. Names arrive as UTF-8 and go out in the ANSI
// code page; data comes back as the ANSI query returns it.
class WindowsRegistrySource final : public RegistrySource
{
public:
    bool keyExists(std::uint32_t root, const std::string &keyPath) const override
    {
        HKEY key = nullptr;
        if (!open(root, keyPath, &key))
            return false;
        RegCloseKey(key);
        return true;
    }

    std::optional<RegistryValue> value(std::uint32_t root, const std::string &keyPath,
                                       const std::string &valueName) const override
    {
        HKEY key = nullptr;
        if (!open(root, keyPath, &key))
            return std::nullopt;
        const QByteArray name = ansi(valueName);
        std::vector<unsigned char> buffer(kValueBufferSize);
        DWORD type = 0;
        LONG rc = ERROR_MORE_DATA;
        // A value may grow between two queries; a few tries are enough.
        for (int attempt = 0; attempt < 4 && rc == ERROR_MORE_DATA; ++attempt) {
            DWORD size = DWORD(buffer.size());
            rc = RegQueryValueExA(key, name.constData(), nullptr, &type, buffer.data(), &size);
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

private:
    // The access the program always asked for: reading plus setting values and creating keys.
    // Ordinary users are refused those rights under HKEY_LOCAL_MACHINE since Windows NT, so a
    // refusal is retried with read access alone.
    static constexpr REGSAM kAccess = 0x2003F;

    static HKEY rootHandle(std::uint32_t root)
    {
        // Predefined handles are sign-extended 32-bit values, as the SDK's own definitions.
        return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
    }

    static QByteArray ansi(const std::string &utf8)
    {
        return QString::fromStdString(utf8).toLocal8Bit();
    }

    static bool open(std::uint32_t root, const std::string &keyPath, HKEY *key)
    {
        const QByteArray path = ansi(keyPath);
        *key = nullptr;
        LONG rc = RegOpenKeyExA(rootHandle(root), path.constData(), 0, kAccess, key);
        if (rc == ERROR_ACCESS_DENIED)
            rc = RegOpenKeyExA(rootHandle(root), path.constData(), 0, KEY_READ, key);
        return rc == ERROR_SUCCESS;
    }
};
#endif

void report(const QStringList &problems)
{
    for (const QString &p : problems) {
        const QByteArray line = p.toLocal8Bit() + '\n';
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    }
}

} // namespace

QString decodeRegistryText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
#ifdef _WIN32
    return QString::fromLocal8Bit(bytes);
#else
    QStringDecoder cp932("CP932");
    if (cp932.isValid())
        return cp932.decode(bytes);
    return QString::fromLatin1(bytes);
#endif
}

bool GetKeyValue(const RegistrySource &source, std::uint32_t KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal)
{
    const std::string key = KeyName.toStdString();
    if (!source.keyExists(KeyRoot, key)) {
        KeyVal.clear();
        return false;
    }
    const std::optional<RegistryValue> value = source.value(KeyRoot, key, SubKeyRef.toStdString());
    if (!value || value->data.size() >= kValueBufferSize) {
        KeyVal.clear();
        return false;
    }

    // The received bytes, without the terminating NUL if there is one, up to the first NUL.
    // A value of no bytes at all reads as empty text.
    QByteArray text(reinterpret_cast<const char *>(value->data.data()),
                    qsizetype(value->data.size()));
    if (text.endsWith('\0'))
        text.chop(1);
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);

    switch (value->type) {
    case kREG_SZ:
        KeyVal = decodeRegistryText(text);
        break;
    case kREG_DWORD: {
        // Each byte from the last to the first as hexadecimal without leading zero.
        QString codes = KeyVal;
        for (qsizetype i = text.size() - 1; i >= 0; --i)
            codes += QString::number(static_cast<unsigned char>(text[i]), 16).toUpper();
        KeyVal = QStringLiteral("&h") + codes;
        break;
    }
    default:
        break;
    }
    return true;
}

QString desktopSystemRoot()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return QString();
    return QDir(cache).filePath(QStringLiteral("VELT"));
}

std::unique_ptr<RegistrySource> makeDesktopRegistry(
        const QString &systemRoot, const std::function<QString(const QString &)> &findProgram)
{
    auto store = std::make_unique<RegFileStore>();
    if (!systemRoot.isEmpty())
        store->setString(kHKEY_LOCAL_MACHINE, kNtCurrentVersion, "SystemRoot",
                         systemRoot.toStdString());

    const auto firstFound = [&findProgram](std::initializer_list<const char *> names) {
        for (const char *name : names) {
            const QString path = findProgram(QString::fromLatin1(name));
            if (!path.isEmpty())
                return path;
        }
        return QString();
    };
    const struct
    {
        const char *key;
        QString program;
    } programs[] = {
            {"IEXPLORE.EXE", firstFound({"xdg-open"})},
            {"MSPAINT.EXE", firstFound({"pinta", "kolourpaint", "gimp", "krita"})},
            {"RealPlay.exe", firstFound({"vlc", "mpv"})},
            {"QuickTimePlayer.exe", firstFound({"vlc", "mpv"})},
    };
    for (const auto &p : programs) {
        if (!p.program.isEmpty())
            store->setString(kHKEY_LOCAL_MACHINE, std::string(kAppPaths) + p.key, "",
                             p.program.toStdString());
    }
    return store;
}

std::unique_ptr<RegistrySource> makeRegistrySource(const QStringList &registryFiles,
                                                   const QString &executableDir,
                                                   bool *desktopProfile)
{
    if (desktopProfile)
        *desktopProfile = false;
    QStringList files = registryFiles;
#ifndef _WIN32
    if (files.isEmpty() && !executableDir.isEmpty()) {
        const QString beside = QDir(executableDir).filePath(QStringLiteral("VELT.reg"));
        if (QFileInfo(beside).isFile())
            files << beside;
    }
#else
    Q_UNUSED(executableDir);
#endif
    if (!files.isEmpty()) {
        auto store = std::make_unique<RegFileStore>();
        for (const QString &file : std::as_const(files))
            report(loadRegFile(file, *store));
        return store;
    }
#ifdef _WIN32
    return std::make_unique<WindowsRegistrySource>();
#else
    if (desktopProfile)
        *desktopProfile = true;
    return makeDesktopRegistry(desktopSystemRoot(), [](const QString &name) {
        return QStandardPaths::findExecutable(name);
    });
#endif
}

} // namespace velt
