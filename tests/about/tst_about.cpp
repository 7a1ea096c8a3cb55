// The about window and the help: the home-page link in the chosen browser, the options and help
// buttons, the help document, and F1 in the main window.
#include "about/frmabout.h"
#include "about/frmhelp.h"
#include "about/homepage.h"
#include "index/frmno.h"
#include "index/gifpage.h"
#include "options/frmoption.h"
#include "viewer/frmview.h"

#include "common/startedviewer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using namespace velt;

namespace {

const QString kAddress = QStringLiteral("file:///usr/share/velt/velt-help.html");

// The main window as the about window sees it.
class Owner : public NoOwner
{
public:
    void setFn(const QString &) override { }
    void closePictureWindow() override { }
    void openPictureWindow() override { }
    void setDisplayMode(qint16) override { }
    void setPictureNumber(int) override { }
    const ExtTable &extTable() const override { return ExtTable::standard(); }
    QDate today() const override { return QDate(2026, 12, 7); }
    void setNavigationEnabled(bool) override { }
    void setCounters(int, int) override { }
};

// A main window over a cache of nine pictures of 100 to 900 bytes.
QMap<QString, QByteArray> ninePictures()
{
    QMap<QString, QByteArray> files;
    for (int i = 1; i <= 9; ++i)
        files.insert(QStringLiteral("p%1.jpg").arg(i), QByteArray(i * 100, 'x'));
    return files;
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void homePage_data();
    void homePage();
    void aboutWindow();
    void optionsCloseTheAboutWindow_data();
    void optionsCloseTheAboutWindow();
    void helpDocument();
    void f1OpensTheHelp();
};

void TestAbout::homePage_data()
{
    QTest::addColumn<bool>("netscape");
    QTest::addColumn<QString>("netscapePath");
    QTest::addColumn<QString>("iePath");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QString>("started"); // empty: no browser started
    QTest::addColumn<QString>("message");
    const QString ns = QString::fromUtf8(kMsgNetscapeMissing);
    const QString ie = QString::fromUtf8(kMsgIeMissing);
    QTest::newRow("Internet Explorer") << false << ""
                                       << "/usr/bin/ie" << true << "/usr/bin/ie"
                                       << "";
    QTest::newRow("Netscape") << true << "/usr/bin/ns"
                              << "/usr/bin/ie" << true << "/usr/bin/ns"
                              << "";
    QTest::newRow("Netscape missing: no fall-back") << true << ""
                                                    << "/usr/bin/ie" << true << "" << ns;
    QTest::newRow("Internet Explorer missing") << false << "/usr/bin/ns"
                                               << "" << true << "" << ie;
    QTest::newRow("the path names no program") << false << ""
                                               << "/usr/bin/gone" << false << "/usr/bin/gone" << ie;
}

void TestAbout::homePage()
{
    QFETCH(bool, netscape);
    QFETCH(QString, netscapePath);
    QFETCH(QString, iePath);
    QFETCH(bool, startSucceeds);
    QFETCH(QString, started);
    QFETCH(QString, message);
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    Owner owner;
    settings.setFlag(UseNetscape, netscape);
    settings.setText(NetscapePath, netscapePath);
    settings.setText(IEPath, iePath);
    dialogs.startSucceeds = startSucceeds;
    FrmAbout about(state, settings, dialogs, owner, {});
    about.setHomePage(kAddress);
    about.Form_Load();
    about.show();
    QTest::mouseClick(about.LblURL, Qt::LeftButton);
    QCOMPARE(dialogs.starts.size(), started.isEmpty() ? 0 : 1);
    if (!started.isEmpty()) {
        QCOMPARE(dialogs.starts[0].program, started);
        QCOMPARE(dialogs.starts[0].arguments, QStringList{kAddress});
    }
    QCOMPARE(dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(dialogs.messages[0].text, message);
        QCOMPARE(dialogs.messages[0].icon, MsgIcon::Exclamation);
    }
}

void TestAbout::aboutWindow()
{
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    Owner owner;
    FrmAbout about(state, settings, dialogs, owner, {});
    about.setHomePage(QString());
    about.Form_Load();
    about.show();
    // Without the document installed the link leads nowhere and cannot be clicked.
    QVERIFY(!about.LblURL->isEnabled());
    about.LblURL_Click();
    QVERIFY(dialogs.starts.isEmpty() && dialogs.messages.isEmpty());
    // The help opens modally over it; closing the help leaves the about window open.
    dialogs.modalActions.enqueue([](QObject *window) {
        auto *help = qobject_cast<FrmHelp *>(window);
        QVERIFY(help);
        QTest::keyClick(help->RichTextBox1, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    });
    about.CmdHelp_Click();
    QCOMPARE(dialogs.modalWindows, QStringList{"FrmHelp"});
    QVERIFY(about.isVisible());
    about.cmdOK->click();
    QVERIFY(!about.isVisible());
}

void TestAbout::optionsCloseTheAboutWindow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("listed");
    QTest::newRow("上記の条件で再読み込み") << "CmdOk" << 4;
    QTest::newRow("更新") << "CmdCancel" << 9;
    QTest::newRow("無効") << "CmdEsc" << 9;
}

void TestAbout::optionsCloseTheAboutWindow()
{
    // From the main window: the about window, its options button, the options dialog closed by
    // any of its buttons. The about window closes; an open list window shows the list as it is
    // now.
    QFETCH(QString, button);
    QFETCH(int, listed);
    StartedViewer s(ninePictures());
    s.view->Command14_Click();
    FrmNo *no = s.view->noWindow();
    QVERIFY(no);
    QCOMPARE(no->List1->count(), 9);
    bool aboutClosed = false;
    s.dialogs.modalActions.enqueue([&aboutClosed](QObject *window) {
        auto *about = qobject_cast<FrmAbout *>(window);
        QVERIFY(about);
        about->show();
        about->CmdOption_Click();
        aboutClosed = !about->isVisible();
    });
    s.dialogs.modalActions.enqueue([button](QObject *window) {
        auto *options = qobject_cast<FrmOption *>(window);
        QVERIFY(options);
        options->Check2->setChecked(false);
        options->Check3->setChecked(true);
        options->Text1->setText(QStringLiteral("550"));
        options->findChild<QPushButton *>(button)->click();
    });
    s.view->Command11_Click();
    QCOMPARE(s.dialogs.modalWindows, (QStringList{"FrmAbout", "FrmOption"}));
    QVERIFY(aboutClosed);
    QCOMPARE(s.state.ListCount, listed);
    QCOMPARE(no->List1->count(), listed);
}

void TestAbout::helpDocument()
{
    FrmHelp help;
    const QString text = help.RichTextBox1->toPlainText();
    // Every topic: the name, the overview, uninstalling, operation, the keys, the caution.
    for (const char *topic : {"VELT", "製品概要", "アンインストール", "レジストリ", "操作方法",
                              "送る", "関連付け", "編集", "アルバム", "一覧", "ファイル",
                              "キー操作", "Esc", "Page Down", "Page Up", "矢印キー", "著作権"})
        QVERIFY2(text.contains(QString::fromUtf8(topic)), topic);
}

void TestAbout::f1OpensTheHelp()
{
    StartedViewer s({});
    s.view->activateWindow();
    for (int press = 0; press < 2; ++press) {
        QTest::keyPress(s.view->Command2, Qt::Key_F1);
        QCOMPARE(s.view->focusWidget(), s.view->Command1);
        QTest::keyRelease(s.view->focusWidget(), Qt::Key_F1);
        QTRY_VERIFY(s.view->helpWindow() && s.view->helpWindow()->isVisible());
    }
    FrmHelp *help = s.view->helpWindow();
    QVERIFY(!help->isModal());
    QVERIFY(s.dialogs.modalWindows.isEmpty());
    int helps = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        helps += qobject_cast<FrmHelp *>(w) && w->isVisible();
    QCOMPARE(helps, 1);
    QCOMPARE(s.view->cursor().shape(), Qt::ArrowCursor);
    // The main window stays usable beside it.
    QVERIFY(s.view->isEnabled());
    QTest::keyClick(help->RichTextBox1, Qt::Key_Escape);
    QTRY_VERIFY(!s.view->helpWindow());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
