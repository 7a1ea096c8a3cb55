#include "index/gifpage.h"

#include "common/scripteddialogs.h"
#include "platform/namebytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

namespace {

QStringList pageLines(const QStringList &names)
{
    const QByteArray bytes = gifPageBytes(names);
    if (!bytes.startsWith("\xEF\xBB\xBF") || bytes.count("\r\n") != bytes.count('\n'))
        return {QStringLiteral("no byte-order mark, or a bare line feed")};
    QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString())
        return {QStringLiteral("the last line has no line end")};
    return lines;
}

} // namespace

class TestGifPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lines();
    void oddNames_data();
    void oddNames();
    void browser_data();
    void browser();
    void unwritablePage_data();
    void unwritablePage();
};

void TestGifPage::lines()
{
    QCOMPARE(pageLines({QStringLiteral("x.gif")}),
             QStringList({"<html>", "<head>", "<title>VELT 広告ファイル一覧 GIF総数  1 </title>",
                          "</head>", "<body>", "<p align=\"center\">",
                          "<font size=\"2\" color=\"#000080\">x.gif</font>",
                          "<img border=\"0\" src=\"x.gif\">", "</p>", "</body>", "</html>"}));
    QStringList twelve;
    for (int i = 0; i < 12; ++i)
        twelve << QStringLiteral("g%1.gif").arg(i);
    const QStringList page = pageLines(twelve);
    QCOMPARE(page.size(), 5 + 4 * 12 + 2);
    QCOMPARE(page[2], QStringLiteral("<title>VELT 広告ファイル一覧 GIF総数  12 </title>"));
    QCOMPARE(page[5 + 4 * 11 + 2], QStringLiteral("<img border=\"0\" src=\"g11.gif\">"));
}

void TestGifPage::oddNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("src");
    const QString longName = QString(196, QLatin1Char('n')) + QStringLiteral(".gif");
    // clang-format off
    QTest::newRow("cache name") << "ad[1].gif" << "ad[1].gif" << "ad[1].gif";
    QTest::newRow("markup") << "a\"><script>.gif" << "a&quot;&gt;&lt;script&gt;.gif" << "a%22%3E%3Cscript%3E.gif";
    QTest::newRow("ampersand") << "a&amp;b.gif" << "a&amp;amp;b.gif" << "a%26amp;b.gif";
    QTest::newRow("percent, hash, question") << "5%#?.gif" << "5%#?.gif" << "5%25%23%3F.gif";
    QTest::newRow("scheme-like") << "javascript:x.gif" << "javascript:x.gif" << "javascript%3Ax.gif";
    QTest::newRow("backslash, space") << "a\\b c.gif" << "a\\b c.gif" << "a%5Cb%20c.gif";
    QTest::newRow("japanese") << "広告.gif" << "広告.gif" << "%E5%BA%83%E5%91%8A.gif";
    QTest::newRow("line break") << "a\nb.gif" << "a&#10;b.gif" << "a%0Ab.gif";
    QTest::newRow("200 characters") << longName << longName << longName;
    // Not UTF-8: the source names the file's own bytes; the text shows what the list shows.
    QTest::newRow("latin-1") << decodeFileName("caf\xE9.gif") << "caf\uFFFD.gif" << "caf%E9.gif";
    QTest::newRow("shift-jis") << decodeFileName("\x82\xA0.gif") << "\uFFFD\uFFFD.gif" << "%82%A0.gif";
    QTest::newRow("stray FF") << decodeFileName("bad\xFF.gif") << "bad\uFFFD.gif" << "bad%FF.gif";
    QTest::newRow("valid U+FFFD") << QStringLiteral("bad\uFFFD.gif") << "bad\uFFFD.gif" << "bad%EF%BF%BD.gif";
    // clang-format on
}

void TestGifPage::oddNames()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, src);
    const QStringList lines = pageLines({name});
    QCOMPARE(lines.size(), 11); // a name never adds a line
    QCOMPARE(lines[6], "<font size=\"2\" color=\"#000080\">" + text + "</font>");
    QCOMPARE(lines[7], "<img border=\"0\" src=\"" + src + "\">");
}

void TestGifPage::browser_data()
{
    QTest::addColumn<int>("gifs");
    QTest::addColumn<QStringList>("settings"); // IEPath, NetscapePath, UseNetscape
    QTest::addColumn<bool>("starts");          // the program starts when asked
    QTest::addColumn<GifPageResult>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("started");
    const QString ie = QStringLiteral("/usr/bin/ie"), ns = QStringLiteral("/usr/bin/ns");
    const QString ieMissing = QString::fromUtf8(kMsgIeMissing);
    // clang-format off
    QTest::newRow("no gif") << 0 << QStringList{ie, ns, ""} << true << GifPageResult::NoGif << QString::fromUtf8(kMsgNoGif) << "";
    QTest::newRow("no browser") << 3 << QStringList{"", "", ""} << true << GifPageResult::NoBrowser << QString::fromUtf8(kMsgNoBrowser) << "";
    QTest::newRow("netscape missing") << 3 << QStringList{ie, "", "True"} << true << GifPageResult::BrowserMissing << QString::fromUtf8(kMsgNetscapeMissing) << "";
    QTest::newRow("ie missing") << 3 << QStringList{"", ns, ""} << true << GifPageResult::BrowserMissing << ieMissing << "";
    QTest::newRow("ie") << 3 << QStringList{ie, ns, "False"} << true << GifPageResult::Started << "" << ie;
    QTest::newRow("netscape") << 3 << QStringList{ie, ns, "True"} << true << GifPageResult::Started << "" << ns;
    QTest::newRow("ie does not start") << 3 << QStringList{ie, ns, ""} << false << GifPageResult::BrowserMissing << ieMissing << ie;
    // clang-format on
}

void TestGifPage::browser()
{
    QFETCH(int, gifs);
    QFETCH(QStringList, settings);
    QFETCH(bool, starts);
    QFETCH(GifPageResult, result);
    QFETCH(QString, message);
    QFETCH(QString, started);
    QTemporaryDir dir;
    MdlVELT state;
    state.WorkDir = dir.path();
    for (int i = 1; i <= gifs; ++i) {
        state.reserveGif(i);
        state.GifFile[i] = QStringLiteral("g%1.gif").arg(i);
    }
    state.GifCount = gifs;
    Settings s;
    s.applyDefaults(QString());
    s.setText(IEPath, settings[0]);
    s.setText(NetscapePath, settings[1]);
    s.setText(UseNetscape, settings[2]);
    ScriptedDialogs dialogs;
    dialogs.startSucceeds = starts;
    QCOMPARE(showGifPage(state, s, dialogs), result);

    QCOMPARE(dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(dialogs.messages.first().text, message);
        QCOMPARE(dialogs.messages.first().icon,
                 gifs == 0 ? MsgIcon::Information : MsgIcon::Exclamation);
    }
    // Written before the browser is chosen; not at all when there is nothing to show with.
    const QString page = dir.filePath(QStringLiteral("VELTGIF.htm"));
    QCOMPARE(QFile::exists(page),
             result != GifPageResult::NoGif && result != GifPageResult::NoBrowser);
    QCOMPARE(dialogs.starts.size(), started.isEmpty() ? 0 : 1);
    if (!started.isEmpty()) {
        QCOMPARE(dialogs.starts.first().program, started);
        // One argument: the page under the spelling it was written with.
        QCOMPARE(dialogs.starts.first().arguments, QStringList{page});
    }
}

void TestGifPage::unwritablePage_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("work folder gone") << "gone";
    QTest::newRow("page name is a folder") << "folder";
    QTest::newRow("work folder read-only") << "read-only";
}

void TestGifPage::unwritablePage()
{
    QFETCH(QString, fault);
    QTemporaryDir dir;
    MdlVELT state;
    state.WorkDir =
            fault == QLatin1String("gone") ? dir.filePath(QStringLiteral("gone")) : dir.path();
    state.reserveGif(1);
    state.GifFile[state.GifCount = 1] = QStringLiteral("x.gif");
    Settings settings;
    settings.applyDefaults(QString());
    settings.setText(IEPath, QStringLiteral("/usr/bin/ie"));
    if (fault == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("VELTGIF.htm")));
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (fault == QLatin1String("read-only")) {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        if (QFile(dir.filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly)) {
            QFile::setPermissions(dir.path(), all);
            QSKIP("this user writes into read-only folders");
        }
    }
    ScriptedDialogs dialogs;
    const GifPageResult result = showGifPage(state, settings, dialogs);
    QFile::setPermissions(dir.path(), all);
    QCOMPARE(result, GifPageResult::NotWritten);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().icon, MsgIcon::Critical);
    QVERIFY(dialogs.messages.first().text.startsWith(QString::fromUtf8(kMsgGifPageNotWritten)));
    QVERIFY(dialogs.starts.isEmpty());
}

QTEST_GUILESS_MAIN(TestGifPage)
#include "tst_gifpage.moc"
