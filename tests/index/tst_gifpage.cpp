#include "index/gifpage.h"

#include "common/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velt;

namespace {

QStringList pageLines(const QByteArray &bytes)
{
    QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    lines.removeLast(); // after the last line end
    return lines;
}

struct Page
{
    QTemporaryDir dir;
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;

    explicit Page(const QStringList &gifs = {QStringLiteral("x.gif")})
    {
        settings.applyDefaults(QString());
        state.WorkDir = dir.path();
        for (const QString &gif : gifs) {
            state.reserveGif(state.GifCount + 1);
            state.GifFile[++state.GifCount] = gif;
        }
        settings.setText(IEPath, QStringLiteral("/usr/bin/ie"));
        settings.setText(NetscapePath, QStringLiteral("/usr/bin/ns"));
    }
    QString pagePath() const { return dir.filePath(QStringLiteral("VELTGIF.htm")); }
    GifPageResult show() { return showGifPage(state, settings, dialogs); }
};

} // namespace

class TestGifPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void oneGif();
    void titleNumber_data();
    void titleNumber();
    void oddNames_data();
    void oddNames();
    void browser_data();
    void browser();
    void unwritablePage_data();
    void unwritablePage();
    void secondPressRewrites();
};

void TestGifPage::oneGif()
{
    const QByteArray bytes = gifPageBytes({QStringLiteral("x.gif")});
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF<html>\r\n"));
    QVERIFY(bytes.endsWith("</html>\r\n"));
    QCOMPARE(bytes.count("\r\n"), 11);
    QCOMPARE(bytes.count('\n'), 11); // no bare line feeds
    QCOMPARE(pageLines(bytes),
             QStringList({"<html>", "<head>", "<title>VELT 広告ファイル一覧 GIF総数  1 </title>",
                          "</head>", "<body>", "<p align=\"center\">",
                          "<font size=\"2\" color=\"#000080\">x.gif</font>",
                          "<img border=\"0\" src=\"x.gif\">", "</p>", "</body>", "</html>"}));
}

void TestGifPage::titleNumber_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("title");
    QTest::newRow("12") << 12 << "<title>VELT 広告ファイル一覧 GIF総数  12 </title>";
    QTest::newRow("30000") << 30000 << "<title>VELT 広告ファイル一覧 GIF総数  30000 </title>";
}

void TestGifPage::titleNumber()
{
    QFETCH(int, count);
    QFETCH(QString, title);
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("g%1.gif").arg(i);
    const QStringList lines = pageLines(gifPageBytes(names));
    QCOMPARE(lines.size(), 5 + 4 * count + 2);
    QCOMPARE(lines[2], title);
    QCOMPARE(lines[5 + 4 * (count - 1) + 2],
             "<img border=\"0\" src=\"g" + QString::number(count - 1) + ".gif\">");
}

void TestGifPage::oddNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("src");
    QTest::newRow("cache name") << "ad[1].gif"
                                << "ad[1].gif"
                                << "ad[1].gif";
    QTest::newRow("markup") << "a\"><script>.gif"
                            << "a&quot;&gt;&lt;script&gt;.gif"
                            << "a%22%3E%3Cscript%3E.gif";
    QTest::newRow("ampersand") << "a&amp;b.gif"
                               << "a&amp;amp;b.gif"
                               << "a%26amp;b.gif";
    QTest::newRow("percent") << "50%.gif"
                             << "50%.gif"
                             << "50%25.gif";
    QTest::newRow("hash") << "a#b.gif"
                          << "a#b.gif"
                          << "a%23b.gif";
    QTest::newRow("question mark") << "?.gif"
                                   << "?.gif"
                                   << "%3F.gif";
    QTest::newRow("scheme-like") << "javascript:x.gif"
                                 << "javascript:x.gif"
                                 << "javascript%3Ax.gif";
    QTest::newRow("backslash") << "a\\b.gif"
                               << "a\\b.gif"
                               << "a%5Cb.gif";
    QTest::newRow("space") << "my ad.gif"
                           << "my ad.gif"
                           << "my%20ad.gif";
    QTest::newRow("japanese") << "広告.gif"
                              << "広告.gif"
                              << "%E5%BA%83%E5%91%8A.gif";
    QTest::newRow("line break") << "a\nb.gif"
                                << "a&#10;b.gif"
                                << "a%0Ab.gif";
    const QString longName = QString(196, QLatin1Char('n')) + QStringLiteral(".gif");
    QTest::newRow("200 characters") << longName << longName << longName;
}

void TestGifPage::oddNames()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, src);
    const QStringList lines = pageLines(gifPageBytes({name}));
    QCOMPARE(lines.size(), 11); // the name adds no line
    QCOMPARE(lines[6], "<font size=\"2\" color=\"#000080\">" + text + "</font>");
    QCOMPARE(lines[7], "<img border=\"0\" src=\"" + src + "\">");
}

void TestGifPage::browser_data()
{
    QTest::addColumn<int>("gifs");
    QTest::addColumn<QString>("ie");
    QTest::addColumn<QString>("netscape");
    QTest::addColumn<bool>("useNetscape");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("started");

    const QString ie = QStringLiteral("/usr/bin/ie");
    const QString ns = QStringLiteral("/usr/bin/ns");
    QTest::newRow("no gif") << 0 << ie << ns << false << true << int(GifPageResult::NoGif)
                            << QString::fromUtf8(kMsgNoGif) << false << "";
    QTest::newRow("no browser") << 3 << ""
                                << "" << false << true << int(GifPageResult::NoBrowser)
                                << QString::fromUtf8(kMsgNoBrowser) << false << "";
    QTest::newRow("netscape chosen, missing")
            << 3 << ie << "" << true << true << int(GifPageResult::BrowserMissing)
            << QString::fromUtf8(kMsgNetscapeMissing) << true << "";
    QTest::newRow("ie chosen, missing")
            << 3 << "" << ns << false << true << int(GifPageResult::BrowserMissing)
            << QString::fromUtf8(kMsgIeMissing) << true << "";
    QTest::newRow("ie") << 3 << ie << ns << false << true << int(GifPageResult::Started) << ""
                        << true << ie;
    QTest::newRow("netscape") << 3 << ie << ns << true << true << int(GifPageResult::Started) << ""
                              << true << ns;
    QTest::newRow("ie does not start")
            << 3 << ie << ns << false << false << int(GifPageResult::BrowserMissing)
            << QString::fromUtf8(kMsgIeMissing) << true << ie;
}

void TestGifPage::browser()
{
    QFETCH(int, gifs);
    QFETCH(QString, ie);
    QFETCH(QString, netscape);
    QFETCH(bool, useNetscape);
    QFETCH(bool, startSucceeds);
    QFETCH(int, result);
    QFETCH(QString, message);
    QFETCH(bool, written);
    QFETCH(QString, started);
    QStringList names;
    for (int i = 0; i < gifs; ++i)
        names << QStringLiteral("g%1.gif").arg(i);
    Page p(names);
    p.settings.setText(IEPath, ie);
    p.settings.setText(NetscapePath, netscape);
    p.settings.setFlag(UseNetscape, useNetscape);
    p.dialogs.startSucceeds = startSucceeds;
    QCOMPARE(int(p.show()), result);

    QCOMPARE(p.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(p.dialogs.messages.first().text, message);
        QCOMPARE(p.dialogs.messages.first().icon,
                 gifs == 0 ? MsgIcon::Information : MsgIcon::Exclamation);
    }
    QCOMPARE(QFile::exists(p.pagePath()), written);
    QCOMPARE(p.dialogs.starts.size(), started.isEmpty() ? 0 : 1);
    if (!started.isEmpty()) {
        QCOMPARE(p.dialogs.starts.first().program, started);
        // One argument, the page under the spelling it was written with.
        QCOMPARE(p.dialogs.starts.first().arguments, QStringList{p.pagePath()});
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
    Page p;
    if (fault == QLatin1String("gone")) {
        p.state.WorkDir = p.dir.filePath(QStringLiteral("gone"));
    } else if (fault == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(p.pagePath()));
    } else {
        QVERIFY(QFile::setPermissions(p.dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(p.dir.filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly)) {
            QFile::setPermissions(p.dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("this user writes into read-only folders");
        }
    }
    QCOMPARE(p.show(), GifPageResult::NotWritten);
    QFile::setPermissions(p.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(p.dialogs.messages.size(), 1);
    QCOMPARE(p.dialogs.messages.first().icon, MsgIcon::Critical);
    QVERIFY(p.dialogs.messages.first().text.startsWith(QString::fromUtf8(kMsgGifPageNotWritten)));
    QVERIFY(p.dialogs.starts.isEmpty());
}

void TestGifPage::secondPressRewrites()
{
    Page p({QStringLiteral("a.gif"), QStringLiteral("b.gif")});
    QCOMPARE(p.show(), GifPageResult::Started);
    p.state.GifCount = 1; // a re-collection narrowed the list
    QCOMPARE(p.show(), GifPageResult::Started);
    QFile page(p.pagePath());
    QVERIFY(page.open(QIODevice::ReadOnly));
    QCOMPARE(page.readAll(), gifPageBytes({QStringLiteral("a.gif")}));
}

QTEST_GUILESS_MAIN(TestGifPage)
#include "tst_gifpage.moc"
