#include "about/homepage.h"

#include "index/gifpage.h"
#include "platform/language.h"
#include "platform/programfiles.h"

#include <QUrl>

namespace velt {

const char *const kHelpFileName = "velt-help.html";
const char *const kEnglishHelpFileName = "velt-help-en.html";

namespace {

QString addressOf(const QString &file)
{
    return file.isEmpty() ? QString() : QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
}

} // namespace

namespace {

// The help in the language on show, else the Japanese one.
QString helpFile(const QString &executableDir)
{
    QStringList names{QString::fromLatin1(kHelpFileName)};
    if (uiLanguage() == UiLanguage::English)
        names.prepend(QString::fromLatin1(kEnglishHelpFileName));
    for (const QString &name : std::as_const(names)) {
        const QString file = executableDir.isNull()
                ? findProgramFile(name, ProgramFileKind::Data)
                : findProgramFile(name, ProgramFileKind::Data, executableDir);
        if (!file.isEmpty())
            return file;
    }
    return QString();
}

} // namespace

QString homePageAddress()
{
    return addressOf(helpFile(QString()));
}

QString homePageAddress(const QString &executableDir)
{
    return addressOf(helpFile(executableDir));
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
