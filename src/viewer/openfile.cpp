#include "viewer/openfile.h"

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "platform/language.h"
#include "platform/namebytes.h"

#include <QDir>

namespace velt {

const char *const kMsgGifNotShown =
        QT_TRANSLATE_NOOP("Messages",
                          "ＧＩＦファイルはZUDIでは表示できません。\r\n"
                          "専用の表示アプリケーションをお使いください。");
const char *const kMsgNotSupported =
        QT_TRANSLATE_NOOP("Messages", "現在このファイルは対応していません。");

namespace {

const char *const kMsgNoRealPlayer = QT_TRANSLATE_NOOP(
        "Messages",
        "リアルプレイヤーがセットアップされていないか呼び出し無効のようです。\r\n"
        "リアルプレイヤーをセットアップしますと、呼び出しで再生する事ができます。\r\n"
        "現在は、ファイルを送る事だけが可能です。");
const char *const kMsgNoQuickTime = QT_TRANSLATE_NOOP(
        "Messages",
        "クイックタイムプレイヤーがセットアップされていないか呼び出し無効のようです。\r\n"
        "クイックタイムプレイヤーをセットアップしますと、呼び出して再生する事ができます。\r\n"
        "現在は、ファイルを送る事だけが可能です。");
const char *const kMsgPlayerRefused =
        QT_TRANSLATE_NOOP("Messages",
                          "このファイルはメディアプレイヤーでは再生できません。\r\n"
                          "専用のアプリケーションで再生して下さい。\r\n"
                          "現在は、ファイルを送る事だけが可能です。");

Handoff handoffTo(const Settings &settings, SettingSlot path, SettingSlot off, const char *message)
{
    Handoff h;
    if (!settings.isEmptyText(path) && !settings.isSet(off))
        h.program = settings.text(path);
    h.message = messageText(message);
    return h;
}

} // namespace

OpenKind openKind(const QString &fileName, const ExtTable &table)
{
    if (table.SerchGaExp(fileName))
        return isGifName(fileName) ? OpenKind::Gif : OpenKind::Picture;
    if (table.SerchDoExp(fileName))
        return OpenKind::Media;
    return OpenKind::Unsupported;
}

Handoff outsidePlayerFor(const QString &fileName, const Settings &settings)
{
    const QString e = fileName.right(3).toUpper();
    for (const char *real : {".RA", ".RM", "RAM", "RMM"}) {
        if (e == QLatin1String(real))
            return handoffTo(settings, RealPlayerPath, NoRealPlayer, kMsgNoRealPlayer);
    }
    if (e == QLatin1String("MOV") || e == QLatin1String(".QT"))
        return handoffTo(settings, QuickTimePath, NoQuickTime, kMsgNoQuickTime);
    return {QString(), messageText(kMsgPlayerRefused)};
}

QString openedCaption(const QString &fileName)
{
    return QStringLiteral("VELT [") + QDir::toNativeSeparators(displayFileName(fileName))
            + QLatin1Char(']');
}

} // namespace velt
