#include "about/homepage.h"

#include "index/gifpage.h"
#include "platform/programfiles.h"

#include <QUrl>

namespace velt {

const char *const kHelpFileName = "velt-help.html";

namespace {

QString addressOf(const QString &file)
{
    return file.isEmpty() ? QString() : QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
}

} // namespace

QString homePageAddress()
{
    return addressOf(findProgramFile(QString::fromLatin1(kHelpFileName), ProgramFileKind::Data));
}

QString homePageAddress(const QString &executableDir)
{
    return addressOf(findProgramFile(QString::fromLatin1(kHelpFileName), ProgramFileKind::Data,
                                     executableDir));
}

HomePageResult openHomePage(const Settings &settings, UserDialogs &dialogs, const QString &address)
{
    if (address.isEmpty())
        return HomePageResult::NoAddress;
    const QString browser = chosenBrowser(settings, dialogs);
    if (browser.isEmpty())
        return HomePageResult::BrowserMissing;
    if (!dialogs.startProgram(browser, {address})) {
        // A path that names no program any more: the same advice as no path at all.
        dialogs.messageBox(QString::fromUtf8(settings.isSet(UseNetscape) ? kMsgNetscapeMissing
                                                                         : kMsgIeMissing),
                           MsgIcon::Exclamation, MsgButtons::Ok);
        return HomePageResult::BrowserMissing;
    }
    return HomePageResult::Started;
}

} // namespace velt
