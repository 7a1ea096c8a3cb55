#include "viewer/frmview.h"

#include "app/frmsplash.h"
#include "common/fakeregistry.h"
#include "common/scripteddialogs.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace velt;

namespace {

const QString kWindowsKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
const QString kCacheKey = QStringLiteral(
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet settings\\Cache\\Paths");
const QString kAppPaths =
        QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");

QByteArray jpegBytes(QColor color)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.flush();
    QVERIFY(f.setFileTime(QDateTime(QDate(2026, 12, 1), QTime(10, 0)),
                          QFileDevice::FileModificationTime));
}

// A started main window on a small cache: a.jpg, b.jpg (truncated), c.jpg.
struct Started
{
    QTemporaryDir dir;
    FakeRegistry registry;
    MdlVELT state;
    Settings settings;
    ScriptedDialogs dialogs;
    std::unique_ptr<FrmView> view;
    QString ie;

    explicit Started(int pictures = 3, const QByteArray &settingsFile = QByteArray())
    {
        const QString windows = dir.filePath(QStringLiteral("WINDOWS"));
        ie = windows + QStringLiteral("/TIF");
        QDir().mkpath(ie + QStringLiteral("/A"));
        registry.setString(kHKEY_LOCAL_MACHINE, kWindowsKey, QStringLiteral("SystemRoot"), windows);
        registry.setString(kHKEY_LOCAL_MACHINE, kCacheKey, QStringLiteral("Directory"), ie);
        registry.setString(kHKEY_LOCAL_MACHINE, kAppPaths + QStringLiteral("MSPAINT.EXE"),
                           QString(), QStringLiteral("/usr/bin/paint"));
        const QByteArray good = jpegBytes(Qt::red);
        if (pictures >= 1)
            writeFile(ie + QStringLiteral("/A/a.jpg"), good);
        if (pictures >= 2)
            writeFile(ie + QStringLiteral("/A/b.jpg"), good.left(good.size() / 2));
        if (pictures >= 3)
            writeFile(ie + QStringLiteral("/A/c.jpg"), jpegBytes(Qt::blue));
        if (!settingsFile.isNull())
            writeFile(settingsPath(), settingsFile);
    }
    QString settingsPath() const { return dir.filePath(QStringLiteral("VELT.ini")); }

    void start(int timerIntervalMs = 1)
    {
        ViewerEnvironment env;
        env.registry = &registry;
        env.settingsPath = settingsPath();
        env.timerIntervalMs = timerIntervalMs;
        env.pictureTimerIntervalMs = 1;
        env.keyRepeatGuardMs = 1;
        env.today = QDate(2026, 12, 7); // the files are dated 2026/12/01
        view = std::make_unique<FrmView>(state, settings, dialogs, env);
        view->Form_Load();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }
};

// A press on target, and its release on whatever has the focus then.
void press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyPress(target, key, modifiers);
    QWidget *focus = target->window()->focusWidget();
    QTest::keyRelease(focus ? focus : target, key, modifiers);
}

} // namespace

class TestFrmView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startUp();
    void startUpKeepsEditorPath();
    void noCollectAtStart();
    void emptyList();
    void nextAndPrevious();
    void notAPicture();
    void damagedPictureDisablesCopy();
    void keys_data();
    void keys();
    void keysOnDisabledButtons();
    void autoRepeatActsOnce();
    void handOverFromPictureWindow();
    void unmarkedRepeatsActOnce();
    void minimisingClosesPicture();
    void clearResetsTheViewer();
    void closeWritesSettingsAndEmptiesWorkDir();
    void closeWithUnwritableSettings();
    void askStopNoShowsProgressAgain();
    void stopPressedBeforeTheFirstTick();
    void deletedFileStillNavigates();
};

void TestFrmView::startUp()
{
    Started s;
    s.start();
    QCOMPARE(s.view->Label3->text(), QStringLiteral("0"));
    QCOMPARE(s.view->Label5->text(), QStringLiteral("3"));
    QCOMPARE(s.view->Label1->text(), QStringLiteral("1"));
    QCOMPARE(s.settings.text(EditorPath), QStringLiteral("/usr/bin/paint"));
    QCOMPARE(s.view->DisplayMode, qint16(0));
    QCOMPARE(s.view->CommonDialog1Flags, 0x5004);
    QCOMPARE(s.view->CommonDialog1.initialDir, s.state.WorkDir);
    QVERIFY(s.view->Command12->isEnabled());
    QVERIFY(!s.view->splashWindow());
    QCOMPARE(s.view->focusWidget(), s.view->Command1);
    // Designed outer size 5625 x 7155 twips, less the frame.
    QCOMPARE(s.view->size(), QSize((5625 - 120) / 15, (7155 - 405) / 15));
}

void TestFrmView::startUpKeepsEditorPath()
{
    Started s(1, "\r\n\r\n\r\n\r\n/opt/editor\r\n");
    s.start();
    QCOMPARE(s.settings.text(EditorPath), QStringLiteral("/opt/editor"));
}

void TestFrmView::noCollectAtStart()
{
    QByteArray lines;
    for (int i = 1; i <= 9; ++i)
        lines += (i == 9 ? "True" : "") + QByteArray("\r\n");
    Started s(3, lines);
    s.start();
    QCOMPARE(s.view->Label3->text(), QStringLiteral("0"));
    QCOMPARE(s.view->Label5->text(), QStringLiteral("0"));
    QVERIFY(!s.view->Command12->isEnabled());
    QVERIFY(!s.view->Command13->isEnabled());
    QVERIFY(s.dialogs.messages.isEmpty());
}

void TestFrmView::emptyList()
{
    Started s(0);
    s.start();
    QCOMPARE(s.dialogs.messages.size(), 1); // nothing found
    s.view->Command13_Click();
    s.view->Command12_Click();
    QCOMPARE(s.state.ListPos, 0);
    QVERIFY(!s.view->pictureWindow());
    QCOMPARE(s.view->Label3->text(), QStringLiteral("0"));
}

void TestFrmView::nextAndPrevious()
{
    Started s;
    s.start();
    s.view->Command12_Click(); // the first press of either shows entry 1
    QCOMPARE(s.state.ListPos, 1);
    s.state.ListPos = 0;
    s.view->Command13_Click();
    QCOMPARE(s.state.ListPos, 1);
    QCOMPARE(s.view->Label3->text(), QStringLiteral("1"));
    QCOMPARE(s.view->DisplayMode, qint16(2));
    QCOMPARE(s.state.PicOwner, qint16(0));
    QCOMPARE(s.view->fn(), s.state.WorkDir + QStringLiteral("/a.jpg"));
    FrmPicture *first = s.view->pictureWindow();
    QVERIFY(first && first->isVisible());

    s.view->Command12_Click(); // at entry 1: the same picture again, in a new window
    QCOMPARE(s.state.ListPos, 1);
    QVERIFY(s.view->pictureWindow() && s.view->pictureWindow()->isVisible());

    s.view->Command13_Click();
    s.view->Command13_Click();
    s.view->Command13_Click(); // no wrap-around
    QCOMPARE(s.state.ListPos, 3);
    QCOMPARE(s.view->Label3->text(), QStringLiteral("3"));
    int visiblePictures = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        visiblePictures += qobject_cast<FrmPicture *>(w) && w->isVisible();
    QCOMPARE(visiblePictures, 1);
    QCOMPARE(s.view->cursor().shape(), Qt::ArrowCursor);
}

void TestFrmView::notAPicture()
{
    Started s;
    s.start();
    s.state.ListFile[2] = QStringLiteral("clip.mpg");
    s.view->Command13_Click();
    s.view->Command13_Click();
    QCOMPARE(s.state.ListPos, 2);
    QCOMPARE(s.view->Label3->text(), QStringLiteral("1"));
}

void TestFrmView::damagedPictureDisablesCopy()
{
    Started s;
    s.start();
    s.view->Command13_Click();
    QVERIFY(s.view->Command15->isEnabled());
    s.view->Command13_Click(); // b.jpg is cut in the middle
    QCOMPARE(s.dialogs.messages.size(), 1);
    QVERIFY(s.dialogs.messages.first().text.startsWith(QStringLiteral("<Jpegフォーマット>")));
    QVERIFY(!s.view->Command15->isEnabled());
    s.view->Command13_Click();
    QVERIFY(s.view->Command15->isEnabled());
}

void TestFrmView::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("listPos");
    QTest::newRow("PageDown") << int(Qt::Key_PageDown) << 0 << "Command13" << 2;
    QTest::newRow("PageUp") << int(Qt::Key_PageUp) << 0 << "Command12" << 1;
    QTest::newRow("S") << int(Qt::Key_S) << 0 << "Command15" << 1;
    QTest::newRow("shift S") << int(Qt::Key_S) << int(Qt::ShiftModifier) << "Command15" << 1;
    QTest::newRow("N") << int(Qt::Key_N) << 0 << "Command14" << 1;
    QTest::newRow("shift N") << int(Qt::Key_N) << int(Qt::ShiftModifier) << "Command14" << 1;
    QTest::newRow("F1") << int(Qt::Key_F1) << 0 << "Command1" << 1;
    QTest::newRow("shift PageDown")
            << int(Qt::Key_PageDown) << int(Qt::ShiftModifier) << "Command13" << 2;
}

void TestFrmView::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, focused);
    QFETCH(int, listPos);
    Started s;
    s.start();
    s.view->Command13_Click();
    s.view->activateWindow();
    s.view->Command2->setFocus();
    QTest::keyPress(s.view->Command2, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(s.view->focusWidget()->objectName(), focused);
    QCOMPARE(s.state.ListPos, 1); // nothing happens before the release
    QTest::keyRelease(s.view->focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(s.state.ListPos, listPos);
    QCOMPARE(s.view->focusWidget()->objectName(), focused);
}

void TestFrmView::keysOnDisabledButtons()
{
    Started s(0);
    s.start();
    s.view->Command1->setFocus();
    press(s.view->Command1, Qt::Key_PageDown);
    QCOMPARE(s.view->focusWidget(), s.view->Command1);
    QCOMPARE(s.state.ListPos, 0);
    // F1 with Command1 disabled does not move the focus and does not get stuck.
    s.view->DisableButtons();
    press(s.view.get(), Qt::Key_F1);
    QCOMPARE(s.view->cursor().shape(), Qt::ArrowCursor);
}

void TestFrmView::autoRepeatActsOnce()
{
    Started s;
    s.start();
    s.view->Command13->setFocus();
    QWidget *b = s.view->Command13;
    QTest::sendKeyEvent(QTest::Press, b, Qt::Key_PageDown, QString(), Qt::NoModifier);
    for (int i = 0; i < 5; ++i) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(b, &release);
        QKeyEvent again(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(b, &again);
    }
    QCOMPARE(s.state.ListPos, 0);
    QTest::sendKeyEvent(QTest::Release, b, Qt::Key_PageDown, QString(), Qt::NoModifier);
    QCOMPARE(s.state.ListPos, 1);
}

void TestFrmView::handOverFromPictureWindow()
{
    Started s;
    s.start();
    s.view->Command13_Click();
    FrmPicture *picture = s.view->pictureWindow();
    QVERIFY(picture);
    // The press reaches the picture window; its release arrives there too, before the focus
    // has moved. The viewer moves exactly once.
    QTest::keyPress(picture, Qt::Key_PageDown);
    QVERIFY(!picture->isVisible());
    QTest::keyRelease(picture, Qt::Key_PageDown);
    QCOMPARE(s.state.ListPos, 2);

    // And with the release arriving at the viewer after the focus moved.
    picture = s.view->pictureWindow();
    QTest::keyPress(picture, Qt::Key_PageUp);
    QTest::keyRelease(s.view->Command12, Qt::Key_PageUp);
    QCOMPARE(s.state.ListPos, 1);
}

// X11 delivers a held key as release/press pairs with one timestamp, and Qt does not always mark
// them as auto-repeat. Only the last release acts.
void TestFrmView::unmarkedRepeatsActOnce()
{
    Started s;
    s.start();
    auto send = [&](QEvent::Type type, quint64 time) {
        QKeyEvent event(type, Qt::Key_PageDown, Qt::NoModifier);
        event.setTimestamp(time);
        QApplication::sendEvent(s.view->focusWidget(), &event);
    };
    send(QEvent::KeyPress, 100);
    for (quint64 t = 600; t <= 1000; t += 100) {
        send(QEvent::KeyRelease, t);
        send(QEvent::KeyPress, t);
    }
    QCOMPARE(s.state.ListPos, 0);
    send(QEvent::KeyRelease, 1234);
    QTRY_COMPARE(s.state.ListPos, 1);

    // Two separate presses still act twice.
    send(QEvent::KeyPress, 2000);
    send(QEvent::KeyRelease, 2050);
    send(QEvent::KeyPress, 2100);
    send(QEvent::KeyRelease, 2150);
    QTRY_COMPARE(s.state.ListPos, 3);
}

void TestFrmView::minimisingClosesPicture()
{
    Started s;
    s.start();
    s.view->Command13_Click();
    QVERIFY(s.view->pictureWindow());
    s.view->setWindowState(Qt::WindowMinimized);
    QVERIFY(!s.view->pictureWindow());
}

void TestFrmView::clearResetsTheViewer()
{
    Started s;
    s.start();
    s.view->Command13_Click();
    s.view->setWindowTitle(QStringLiteral("VELT [x]"));
    s.view->Command2_Click();
    QVERIFY(!s.view->pictureWindow());
    QCOMPARE(s.view->windowTitle(), QStringLiteral("VELT"));
    QCOMPARE(s.view->DisplayMode, qint16(0));
    QCOMPARE(s.view->Command13->y(), 6360 / 15);
}

void TestFrmView::closeWritesSettingsAndEmptiesWorkDir()
{
    Started s;
    s.start();
    const QString work = s.state.WorkDir;
    QVERIFY(QFile::exists(work + QStringLiteral("/a.jpg")));
    s.view->Command13_Click();
    s.view->close();
    QVERIFY(!QFile::exists(work + QStringLiteral("/a.jpg")));
    QVERIFY(QFileInfo(s.state.BufferDir).isDir());
    QFile ini(s.settingsPath());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray bytes = ini.readAll();
    QCOMPARE(bytes.count("\r\n"), 50);
    QVERIFY(bytes.startsWith(s.state.BufferDir.toUtf8() + "\r\nFalse\r\n"));
    QVERIFY(s.dialogs.messages.isEmpty());
}

void TestFrmView::closeWithUnwritableSettings()
{
    Started s(1);
    s.start();
    // A settings path whose folder is a file cannot be written, even by root.
    ViewerEnvironment env;
    env.registry = &s.registry;
    env.settingsPath = s.dir.filePath(QStringLiteral("WINDOWS/TIF/A/a.jpg/VELT.ini"));
    env.timerIntervalMs = 1;
    env.today = QDate(2026, 12, 7);
    FrmView view(s.state, s.settings, s.dialogs, env);
    view.Form_Load();
    view.show();
    const int before = int(s.dialogs.messages.size());
    view.close();
    QVERIFY(!view.isVisible());
    QVERIFY(view.settingsWriteFailed());
    QCOMPARE(s.dialogs.messages.size(), before + 1);
    QVERIFY(s.dialogs.messages.last().text.contains(QStringLiteral("作業フォルダー")));
    QVERIFY(!QFile::exists(s.state.WorkDir + QStringLiteral("/a.jpg")));
}

void TestFrmView::askStopNoShowsProgressAgain()
{
    Started s;
    s.start();
    s.dialogs.answers.enqueue(MsgAnswer::No);
    s.view->showSplash();
    s.view->splashWindow()->ProgressBar1->setValue(55);
    s.view->splashWindow()->CmdStop_Click();
    QVERIFY(s.state.StopLoad);
    QCOMPARE(s.view->AskStop(), kAnswerNo);
    QVERIFY(s.view->splashWindow());
    QVERIFY(!s.state.StopLoad);
    QCOMPARE(s.view->splashWindow()->ProgressBar1->value(), 0);
    QVERIFY(s.view->splashWindow()->CmdStop->isVisible());
    s.dialogs.answers.enqueue(MsgAnswer::Yes);
    QCOMPARE(s.view->AskStop(), kAnswerYes);
    QVERIFY(!s.view->splashWindow());
}

// A press on the stop button as soon as the progress window shows is answered without
// waiting for the main window's timer (here an hour).
void TestFrmView::stopPressedBeforeTheFirstTick()
{
    Started s;
    bool asked = false;
    s.dialogs.onMessage = [&](const ScriptedDialogs::Message &m) {
        asked = asked || m.text == QString::fromUtf8(kMsgAskStop);
    };
    s.dialogs.answers.enqueue(MsgAnswer::Yes);
    QObject context;
    QTimer::singleShot(0, &context, [&s] {
        if (FrmSplash *splash = s.view->splashWindow())
            splash->CmdStop->click();
    });
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        s.view->TimeT = 0;
    });
    guard.start(20000);
    s.start(3600 * 1000);
    QVERIFY(!timedOut);
    QVERIFY(asked);
    QVERIFY(!s.view->splashWindow());
}

void TestFrmView::deletedFileStillNavigates()
{
    Started s;
    s.start();
    QVERIFY(QFile::remove(s.state.WorkDir + QStringLiteral("/a.jpg")));
    s.view->Command13_Click();
    QCOMPARE(s.dialogs.messages.size(), 1);
    QVERIFY(s.dialogs.messages.first().text.startsWith(QStringLiteral("<不明フォーマット>")));
    for (int i = 0; i < 100; ++i)
        press(s.view->Command13, Qt::Key_PageDown);
    QCOMPARE(s.state.ListPos, 3);
    QCOMPARE(s.view->cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(TestFrmView)
#include "tst_frmview.moc"
