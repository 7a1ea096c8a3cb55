#include "cache/locate.h"

#include "cache/registry.h"
#include "platform/logging.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFileInfo>

namespace velt {

const char *const kMsgNoCacheFolder =
        QT_TRANSLATE_NOOP("Messages", "インターネットキャッシュフォルダーが取得できませんでした。");

namespace {

const char *const kNetscapeMain = "SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\MAIN";
const char *const kNetscapeBiff = "SOFTWARE\\NETSCAPE\\NETSCAPE NAVIGATOR\\BIFF";
const char *const kWindows9x = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char *const kWindowsNt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char *const kCachePaths =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet settings\\Cache\\Paths";
const char *const kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// The number of characters Netscape's own folder name ("Communicator") takes at the end of its
// install folder; the profiles live beside it.
constexpr int kInstallFolderNameLength = 12;

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

bool isWindowsShaped(const QString &path)
{
    return (path.size() >= 2 && path[1] == u':') || path.contains(u'\\');
}

bool isAbsolute(const QString &hostPathText)
{
    return !hostPathText.isEmpty() && QDir::isAbsolutePath(hostPathText);
}

// A program path from App Paths: surrounding quotes dropped, a Windows path mapped. Empty when
// nothing was read or the drive is not mapped.
QString programPath(QString value, const DriveMap &drives)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(u'"')) {
        const qsizetype close = value.indexOf(u'"', 1);
        if (close > 0)
            value = value.mid(1, close - 1);
    }
    if (value.isEmpty() || !isWindowsShaped(value))
        return value;
    return hostPath(value, drives);
}

QString readProgram(const RegistrySource &registry, const DriveMap &drives, const char *name,
                    QString previous)
{
    GetKeyValue(registry, kHKEY_LOCAL_MACHINE, text(kAppPaths) + text(name), QString(), previous);
    return programPath(previous, drives);
}

} // namespace

bool locateCaches(const RegistrySource &registry, const DriveMap &drives, MdlVELT &state,
                  Settings &settings, CacheLocation &location)
{
    state.ListPos = 0;
    state.ListCount = 0;
    location.NsFound = true;
    location.StopAns = 7;

    if (!GetKeyValue(registry, kHKEY_CURRENT_USER, text(kNetscapeMain),
                     QStringLiteral("Install Directory"), location.NsInstall))
        location.NsFound = false;
    if (!GetKeyValue(registry, kHKEY_CURRENT_USER, text(kNetscapeBiff),
                     QStringLiteral("CurrentUser"), location.NsUser))
        location.NsFound = false;

    // An install folder too short to lose its last folder name cannot lead to a profile.
    if (location.NsFound && location.NsInstall.size() < kInstallFolderNameLength)
        location.NsFound = false;
    if (location.NsFound) {
        const QString base = location.NsInstall.chopped(kInstallFolderNameLength);
        // A host-shaped install folder gets host separators: mapping leaves host paths alone.
        const QString sep = base.startsWith(u'/') ? QStringLiteral("/") : QStringLiteral("\\");
        const QString profile = base + QStringLiteral("Users") + sep + location.NsUser + sep;
        location.NsPrefs = hostPath(profile + QStringLiteral("prefs.js"), drives);
        location.NsCache = hostPath(profile + QStringLiteral("Cache") + sep, drives);
        // A profile on a drive that is not mapped, or relative to wherever the program happens
        // to run, is not Netscape's.
        if (!isAbsolute(location.NsPrefs) || !isAbsolute(location.NsCache))
            location.NsFound = false;
    }

    QString sysRoot = state.SysRoot;
    if (!GetKeyValue(registry, kHKEY_LOCAL_MACHINE, text(kWindows9x), QStringLiteral("SystemRoot"),
                     sysRoot)
        && !GetKeyValue(registry, kHKEY_LOCAL_MACHINE, text(kWindowsNt),
                        QStringLiteral("SystemRoot"), sysRoot)) {
        sysRoot.clear();
    }
    // A Windows folder on a drive that is not mapped, or a relative one, is as good as none:
    // the working folder is emptied at every start.
    state.SysRoot = hostPath(sysRoot, drives);
    if (!isAbsolute(state.SysRoot)) {
        state.SysRoot.clear();
        state.WorkDir.clear();
        state.BufferDir.clear();
        return false;
    }
    state.WorkDir =
            state.SysRoot + (state.SysRoot.endsWith(u'/') ? "" : "/") + QStringLiteral("VeltTemp");
    state.BufferDir = state.WorkDir + QStringLiteral("/MyBuffer");

    if (GetKeyValue(registry, kHKEY_LOCAL_MACHINE, text(kCachePaths), QStringLiteral("Directory"),
                    location.ICPath)) {
        location.ICPath = hostPath(location.ICPath, drives);
        if (!isAbsolute(location.ICPath))
            location.ICPath.clear();
    }

    state.IeExe = readProgram(registry, drives, "IEXPLORE.EXE", state.IeExe);
    settings.setText(IEPath, state.IeExe);
    state.NsExe = readProgram(registry, drives, "Netscape.exe", state.NsExe);
    settings.setText(NetscapePath, state.NsExe);

    location.EditFile.clear();
    if (!GetKeyValue(registry, kHKEY_LOCAL_MACHINE, text(kAppPaths) + QStringLiteral("MSPAINT.EXE"),
                     QString(), location.EditFile))
        GetKeyValue(registry, kHKEY_LOCAL_MACHINE, text(kAppPaths) + QStringLiteral("pbrush.exe"),
                    QString(), location.EditFile);
    location.EditFile = programPath(location.EditFile, drives);

    state.RealExe = readProgram(registry, drives, "RealPlay.exe", state.RealExe);
    settings.setText(RealPlayerPath, state.RealExe);
    state.QtExe = readProgram(registry, drives, "QuickTimePlayer.exe", state.QtExe);
    settings.setText(QuickTimePath, state.QtExe);
    return true;
}

QString NsCacheFromPrefs(const QString &prefsPath, const QString &current)
{
    if (prefsPath.isEmpty())
        return current;
    // Only a regular file: a FIFO or device would never end.
    QString why;
    const std::optional<QByteArray> bytes = readRegularFile(prefsPath, kMaxTextFileBytes, &why);
    if (!bytes) {
        // A missing or unreadable file contributes nothing silently; a giant is worth a word.
        if (QFileInfo(prefsPath).isFile() && QFileInfo(prefsPath).size() > kMaxTextFileBytes)
            printProblem(QStringLiteral("%1: not read (%2)").arg(prefsPath, why));
        return current;
    }
    if (bytes->contains('\0'))
        return current; // not a text file: nothing in it is a folder
    QString result = current;
    qsizetype pos = 0;
    const qsizetype size = bytes->size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && bytes->at(end) != '\n' && bytes->at(end) != '\r')
            ++end;
        // Character positions are 1-based in the description: 20..24 and from 39 on.
        const QString line = decodeRegistryText(bytes->sliced(pos, end - pos));
        if (line.size() >= 41 && QStringView(line).sliced(19, 5) == u"cache")
            result = line.mid(38, line.size() - 41);
        pos = end + 1;
    }
    return result;
}
} // namespace velt
