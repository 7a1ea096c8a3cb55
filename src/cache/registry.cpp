#include "cache/registry.h"

#include "cache/keyvalue.h"
#include "cache/regfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cstdio>

#ifdef _WIN32
#include "cache/winregistry.h"
#endif

namespace velt {

namespace {

const char *const kNtCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char *const kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

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
    const std::string before = KeyVal.toStdString();
    std::string bytes = before;
    const bool result =
            GetKeyValue(source, KeyRoot, KeyName.toStdString(), SubKeyRef.toStdString(), bytes);
    // Text that was left as passed stays exactly as passed.
    if (bytes != before)
        KeyVal = decodeRegistryText(QByteArray::fromStdString(bytes));
    return result;
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
