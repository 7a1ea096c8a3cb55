#include "index/gifpage.h"

#include "platform/language.h"
#include "platform/namebytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

namespace velt {

const char *const kMsgNoGif =
        QT_TRANSLATE_NOOP("Messages",
                          "ＧＩＦファイルが現在の取得条件では、見つかりません。\r\n"
                          "検索条件を変更して再検索してみて下さい。");
const char *const kMsgNoBrowser =
        QT_TRANSLATE_NOOP("Messages",
                          "ブラウザが見つかりません。\r\n"
                          "Internet Explorer か Netscape をセットアップして下さい。");
const char *const kMsgNetscapeMissing = QT_TRANSLATE_NOOP("Messages",
                                                          "Netscapeが見つかりません。\r\n"
                                                          "Netscape をセットアップして下さい。");
const char *const kMsgIeMissing = QT_TRANSLATE_NOOP("Messages",
                                                    "Internet Explorer が見つかりません。\r\n"
                                                    "Internet Explorer をセットアップして下さい。");
const char *const kMsgGifPageNotWritten =
        QT_TRANSLATE_NOOP("Messages", "広告ファイル一覧を書き込めませんでした。");

const char *const kGifPageName = "VELTGIF.htm";

namespace {

// Text content: markup characters and quotes as references; control characters (a line break
// in a name) as numeric references, so every name stays on its one line.
QString escapedText(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("&#%1;").arg(c.unicode());
            else
                out += c;
        }
    }
    return out;
}

} // namespace

QString gifSource(const QString &name)
{
    // Unreserved characters and the harmless punctuation of cache names ("ad[1].gif") stay as
    // they are; "%", "#", "?", ":", "&", quotes, spaces, brackets of markup and every byte
    // past ASCII are encoded. The bytes are the file's own, so that a name that is not UTF-8
    // still names its file.
    return QString::fromLatin1(encodeFileName(name).toPercentEncoding("!$'()*+,;=@[]"));
}

QByteArray gifPageBytes(const QStringList &names)
{
    const QString q = QStringLiteral("\"");
    QString page;
    auto line = [&page](const QString &text) {
        page += text + QLatin1String("\r\n");
    };
    line(QStringLiteral("<html>"));
    line(QStringLiteral("<head>"));
    // The count as a line printer writes a positive number: sign space, digits, one space.
    line(QCoreApplication::translate("Messages", "<title>VELT 広告ファイル一覧 ")
         + QCoreApplication::translate("Messages", "GIF総数 ") + QLatin1Char(' ')
         + QString::number(names.size()) + QLatin1Char(' ') + QStringLiteral("</title>"));
    line(QStringLiteral("</head>"));
    line(QStringLiteral("<body>"));
    for (const QString &name : names) {
        line(QStringLiteral("<p align=") + q + QStringLiteral("center") + q + QLatin1Char('>'));
        line(QStringLiteral("<font size=") + q + QLatin1Char('2') + q + QStringLiteral(" color=")
             + q + QStringLiteral("#000080") + q + QLatin1Char('>')
             + escapedText(displayFileName(name)) + QStringLiteral("</font>"));
        line(QStringLiteral("<img border=") + q + QLatin1Char('0') + q + QStringLiteral(" src=") + q
             + gifSource(name) + q + QLatin1Char('>'));
        line(QStringLiteral("</p>"));
    }
    line(QStringLiteral("</body>"));
    line(QStringLiteral("</html>"));
    return QByteArray("\xEF\xBB\xBF") + page.toUtf8();
}

QString chosenBrowser(const Settings &settings, UserDialogs &dialogs)
{
    const bool netscape = settings.isSet(UseNetscape);
    const QString path = settings.text(netscape ? NetscapePath : IEPath);
    if (path.isEmpty())
        dialogs.messageBox(messageText(netscape ? kMsgNetscapeMissing : kMsgIeMissing),
                           MsgIcon::Exclamation, MsgButtons::Ok);
    return path;
}

GifPageResult showGifPage(const MdlVELT &state, const Settings &settings, UserDialogs &dialogs)
{
    if (state.GifCount == 0) {
        dialogs.messageBox(messageText(kMsgNoGif), MsgIcon::Information, MsgButtons::Ok);
        return GifPageResult::NoGif;
    }
    if (settings.isEmptyText(IEPath) && settings.isEmptyText(NetscapePath)) {
        dialogs.messageBox(messageText(kMsgNoBrowser), MsgIcon::Exclamation, MsgButtons::Ok);
        return GifPageResult::NoBrowser;
    }

    const QString path = QDir(state.WorkDir).filePath(QString::fromLatin1(kGifPageName));
    const QByteArray bytes = gifPageBytes(state.GifFile.mid(1, state.GifCount));
    QSaveFile file(path);
    // A folder that became read-only may still hold a page of an earlier press to write over.
    file.setDirectWriteFallback(true);
    if (state.WorkDir.isEmpty() || !file.open(QIODevice::WriteOnly)
        || file.write(bytes) != bytes.size() || !file.commit()) {
        dialogs.messageBox(messageText(kMsgGifPageNotWritten) + QStringLiteral("\r\n")
                                   + QDir::toNativeSeparators(path),
                           MsgIcon::Critical, MsgButtons::Ok);
        return GifPageResult::NotWritten;
    }

    const QString browser = chosenBrowser(settings, dialogs);
    if (browser.isEmpty())
        return GifPageResult::BrowserMissing;
    if (!dialogs.startProgram(browser, {QDir::toNativeSeparators(path)})) {
        // A path that names no program any more: the same advice as no path at all.
        dialogs.messageBox(
                messageText(settings.isSet(UseNetscape) ? kMsgNetscapeMissing : kMsgIeMissing),
                MsgIcon::Exclamation, MsgButtons::Ok);
        return GifPageResult::BrowserMissing;
    }
    return GifPageResult::Started;
}

} // namespace velt
