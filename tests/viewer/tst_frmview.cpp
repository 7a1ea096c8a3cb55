#include "viewer/frmview.h"

#include "app/demomedia.h"
#include "app/frmsplash.h"
#include "common/fakeregistry.h"
#include "common/scripteddialogs.h"
#include "platform/qtmediaplayer.h"
#include "viewer/frmsend.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMediaPlayer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVideoWidget>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

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
    QString path(const QString &relative) const { return dir.filePath(relative); }

    // Opens path with the File button.
    void open(const QString &path)
    {
        dialogs.files.enqueue(path);
        view->Command1_Click();
    }
    // The copy button, with what the user does in the copy dialog.
    void copy(const std::function<void(FrmSend &)> &inDialog)
    {
        dialogs.modalActions.enqueue([inDialog](QObject *window) {
            auto *send = qobject_cast<FrmSend *>(window);
            QVERIFY(send);
            inDialog(*send);
        });
        view->Command15_Click();
    }

    void start(int timerIntervalMs = 1)
    {
        ViewerEnvironment env;
        env.registry = &registry;
        env.settingsPath = settingsPath();
        env.timerIntervalMs = timerIntervalMs;
        env.pictureTimerIntervalMs = 1;
        env.keyRepeatGuardMs = 1;
        env.playerLoadTimeoutMs = 3000;
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
    void fileButton_data();
    void fileButton();
    void dialogFoldersAndCancel();
    void failurePathRestoresButtons();
    void speedSurvivesOpeningAndPlaying();
    void sizeButtons();
    void copy_data();
    void copy();
    void copyFailures_data();
    void copyFailures();
    void longCopyAndFocusBack();
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
    // Pictures alone never need the player's backend or video surface.
    s.view->Command13_Click();
    s.view->Command2_Click();
    QVERIFY(!s.view->MediaPlayer1->findChild<QMediaPlayer *>());
    QVERIFY(!s.view->MediaPlayer1->findChild<QVideoWidget *>());
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
    // The settings file's own message, naming the file, not the working folder's.
    const QString shown = s.dialogs.messages.last().text;
    QVERIFY2(shown.startsWith(settingsWriteFailedMessage(env.settingsPath, QString())),
             qPrintable(shown));
    QCOMPARE(s.dialogs.messages.last().icon, MsgIcon::Critical);
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

namespace {

const QString kPlayerRefused =
        QStringLiteral("このファイルはメディアプレイヤーでは再生できません。");
const QString kRealMissing =
        QStringLiteral("リアルプレイヤーがセットアップされていないか呼び出し無効のようです。");

// Writes what a test file holds: "jpeg", "wav", "avi", "text" or "mpeg-cut" (a truncated MPEG
// program stream).
void makeFile(const QString &path, const QString &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QByteArray bytes("<html>404</html>\r\n");
    if (content == QLatin1String("jpeg"))
        bytes = jpegBytes(Qt::green);
    else if (content == QLatin1String("wav"))
        bytes = wavSound(300);
    else if (content == QLatin1String("avi"))
        bytes = aviMovie(4, 64, 48, 10);
    else if (content == QLatin1String("mpeg-cut"))
        bytes = QByteArray::fromHex("000001ba2100010001800001000001bb000c80000104e1ffe0e0e8c0c020"
                                    "000001e007ec0f000001b314");
    writeFile(path, bytes);
}

} // namespace

// Every kind of file through the File button; refused files never hang and still leave the
// movie state, so the file can be copied.
void TestFrmView::fileButton_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("players"); // "real", "real off", "broken real"
    QTest::addColumn<int>("displayMode");
    QTest::addColumn<bool>("played");
    QTest::addColumn<QString>("message"); // first line
    QTest::addColumn<bool>("started");
    QTest::newRow("picture") << "p.jpg"
                             << "jpeg"
                             << "" << 3 << false << "" << false;
    QTest::newRow("GIF") << "ad.gif"
                         << "jpeg"
                         << "" << 0 << false << "ＧＩＦファイルはZUDIでは表示できません。" << false;
    QTest::newRow("sound") << "chime.wav"
                           << "wav"
                           << "" << 1 << true << "" << false;
    QTest::newRow("movie") << "clip.avi"
                           << "avi"
                           << "" << 1 << true << "" << false;
    QTest::newRow("not supported")
            << "notes.txt"
            << "text"
            << "" << 0 << false << "現在このファイルは対応していません。" << false;
    QTest::newRow("truncated MPEG") << "cut.mpg"
                                    << "mpeg-cut"
                                    << "" << 1 << false << kPlayerRefused << false;
    QTest::newRow("RealPlayer, one literal argument") << "-x $(id) `ls`;'夏' \".ram"
                                                      << "text"
                                                      << "real" << 1 << false << "" << true;
    QTest::newRow("RealPlayer switched off") << "talk.rm"
                                             << "text"
                                             << "real off" << 1 << false << kRealMissing << false;
    QTest::newRow("RealPlayer that does not start")
            << "talk.ra"
            << "text"
            << "broken real" << 1 << false << kRealMissing << true;
}

void TestFrmView::fileButton()
{
    QFETCH(QString, name);
    QFETCH(QString, content);
    QFETCH(QString, players);
    QFETCH(int, displayMode);
    QFETCH(bool, played);
    QFETCH(QString, message);
    QFETCH(bool, started);
    Started s;
    s.start();
    const QString file = s.path(QStringLiteral("media/") + name);
    makeFile(file, content);
    s.settings.setText(RealPlayerPath, players.isEmpty() ? QString() : QStringLiteral("/opt/rp"));
    s.settings.setFlag(NoRealPlayer, players == QLatin1String("real off"));
    s.dialogs.startSucceeds = players != QLatin1String("broken real");
    s.view->Command15->setEnabled(false);
    s.open(file);
    QCOMPARE(int(s.view->DisplayMode), displayMode);
    QCOMPARE(s.view->pictureWindow() != nullptr, displayMode == 3);
    QCOMPARE(!s.view->MediaPlayer1->fileName().isEmpty(), played);
    // The video surface is made for the first file the player is given.
    QCOMPARE(s.view->MediaPlayer1->findChild<QVideoWidget *>() != nullptr, displayMode == 1);
    QCOMPARE(s.view->windowTitle(), displayMode == 1 ? "VELT [" + file + "]" : QString("VELT"));
    QCOMPARE(s.dialogs.messages.isEmpty(), message.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(s.dialogs.messages[0].text.split(QStringLiteral("\r\n"))[0], message);
    QCOMPARE(s.dialogs.starts.size(), started ? 1 : 0);
    if (started)
        QCOMPARE(s.dialogs.starts[0].arguments, QStringList{file});
    QVERIFY(s.view->Command15->isEnabled() && s.view->Command1->isEnabled());
    QCOMPARE(s.view->cursor().shape(), Qt::ArrowCursor);
}

// The dialog opens in WorkDir after a collection, then where the last use ended; a cancel does
// nothing at all (no message, nothing reopened or reset).
void TestFrmView::dialogFoldersAndCancel()
{
    Started s;
    s.start();
    s.view->Command1_Click();
    const QString movie = s.path(QStringLiteral("elsewhere/clip.avi"));
    makeFile(movie, QStringLiteral("avi"));
    s.open(movie);
    s.view->Command1_Click();
    QVERIFY(s.dialogs.messages.isEmpty());
    QCOMPARE(s.view->MediaPlayer1->fileName(), movie);
    QCOMPARE(s.view->windowTitle(), "VELT [" + movie + "]");
    QCOMPARE(s.dialogs.fileRequests.size(), 3);
    QCOMPARE(s.dialogs.fileRequests[0].initialDir, s.state.WorkDir);
    QCOMPARE(s.dialogs.fileRequests[0].defaultSuffix, QStringLiteral("avi"));
    QCOMPARE(s.dialogs.fileRequests[0].filter, QString::fromUtf8(kOpenFileFilter));
    QCOMPARE(s.dialogs.fileRequests[2].initialDir, QString());
    QCOMPARE(s.dialogs.fileRequests[2].fileName, movie);
}

// An error while the buttons are off for a picture: the failure path switches them on again.
void TestFrmView::failurePathRestoresButtons()
{
    Started s;
    s.start();
    const QString gif = s.path(QStringLiteral("ad.gif"));
    makeFile(gif, QStringLiteral("jpeg"));
    s.view->DisplayMode = 1;
    s.dialogs.onMessage = [](const ScriptedDialogs::Message &) {
        throw std::runtime_error("a failing message box");
    };
    s.open(gif);
    for (int i = 1; i <= 15; ++i)
        QVERIFY(s.view->findChild<QPushButton *>(QStringLiteral("Command%1").arg(i))->isEnabled());
    QCOMPARE(s.view->DisplayMode, qint16(0));
    QVERIFY(s.view->MediaPlayer1->flag(MediaPlayer::kFlag1021));
}

// The chosen speed survives opening a file and starting playback, also when the backend falls
// back to its own rate; Clear keeps it.
void TestFrmView::speedSurvivesOpeningAndPlaying()
{
    Started s;
    s.start();
    s.view->Command5_Click();
    s.view->Command4_Click();
    QCOMPARE(s.view->Label1->text(), QStringLiteral("0.15"));
    s.view->Command3_Click();
    s.view->Command3_Click();
    QCOMPARE(s.view->Label1->text(), QStringLiteral("0.1"));
    const QString movie = s.path(QStringLiteral("clip.avi"));
    writeFile(movie, aviMovie(30, 64, 48, 10));
    s.open(movie);
    QCOMPARE(s.view->Label1->text(), QStringLiteral("0.1"));
    auto *backend = s.view->MediaPlayer1->findChild<QMediaPlayer *>();
    QCOMPARE(float(backend->playbackRate()), 0.1f);
    backend->setPlaybackRate(1.0);
    s.view->MediaPlayer1->togglePlayback();
    QTRY_COMPARE(backend->playbackState(), QMediaPlayer::PlayingState);
    QCOMPARE(float(backend->playbackRate()), 0.1f);
    s.view->Command2_Click();
    QCOMPARE(s.view->Label1->text(), QStringLiteral("0.1"));
    QCOMPARE(s.view->MediaPlayer1->rate(), 0.1);
}

// Size buttons on a movie three quarters of the screen: the window never grows past the screen's
// available area; half screen is half of this window's screen; standard restores the design.
void TestFrmView::sizeButtons()
{
    Started s;
    s.start();
    const QRect area = s.view->screen()->availableGeometry();
    const QSize movie = area.size() * 3 / 4;
    writeFile(s.path(QStringLiteral("big.avi")), aviMovie(2, movie.width(), movie.height(), 10));
    s.open(s.path(QStringLiteral("big.avi")));
    for (QPushButton *b : {s.view->Command7, s.view->Command8, s.view->Command10}) {
        b->click();
        QVERIFY2(area.contains(s.view->frameGeometry()), qPrintable(b->objectName()));
        QVERIFY(s.view->Command1->y() > s.view->MediaPlayer1->geometry().bottom());
    }
    const QSize half = movie.scaled(s.view->screen()->size() / 2, Qt::KeepAspectRatio);
    QCOMPARE(s.view->MediaPlayer1->widthTwips(), half.width() * 15);
    s.view->Command9->click();
    QCOMPARE(s.view->size(), QSize((5625 - 120) / 15, (7155 - 405) / 15));
    QCOMPARE(s.view->Command13->y(), 6360 / 15);
}

// The copy button after each kind of item, with each answer of the copy dialog.
void TestFrmView::copy_data()
{
    QTest::addColumn<QString>("shown");  // "movie", "list", "file picture"
    QTest::addColumn<QString>("answer"); // "copy", "rename", "cancel", "close"
    QTest::addColumn<QString>("copied"); // relative to the temporary folder; "" for none
    QTest::addColumn<QString>("message");
    QTest::newRow("movie") << "movie"
                           << "copy"
                           << "movies/clip.avi"
                           << "動画・音楽ファイル clip.avi をコピーしました.";
    QTest::newRow("movie, new name")
            << "movie"
            << "rename"
            << "movies/夏 休み.avi"
            << "動画・音楽ファイル clip.avi を 夏 休み.avi に変更してコピーしました.";
    QTest::newRow("list picture") << "list"
                                  << "copy"
                                  << "pictures/a.jpg"
                                  << "画像ファイル a.jpg をコピーしました.";
    QTest::newRow("picture from the File button") << "file picture"
                                                  << "copy"
                                                  << "pictures/p.jpg"
                                                  << "画像ファイル p.jpg をコピーしました.";
    QTest::newRow("cancelled, after a refused choice in the File dialog") << "list, then text"
                                                                          << "cancel"
                                                                          << ""
                                                                          << "";
    QTest::newRow("closed after an earlier copy answer") << "movie"
                                                         << "close"
                                                         << ""
                                                         << "";
}

void TestFrmView::copy()
{
    QFETCH(QString, shown);
    QFETCH(QString, answer);
    QFETCH(QString, copied);
    QFETCH(QString, message);
    Started s;
    s.start();
    QDir().mkpath(s.path(QStringLiteral("movies")));
    QDir().mkpath(s.path(QStringLiteral("pictures")));
    s.settings.setText(CopyFolderOpened, s.path(QStringLiteral("movies")));
    s.settings.setText(CopyFolder, s.path(QStringLiteral("pictures")));
    s.settings.setFlag(CopyConfirmed, true);
    QString source = s.state.WorkDir + QStringLiteral("/a.jpg");
    if (shown.startsWith(QLatin1String("list"))) {
        s.view->Command13_Click();
        if (shown.endsWith(QLatin1String("text"))) {
            makeFile(s.path(QStringLiteral("notes.txt")), QStringLiteral("text"));
            s.open(s.path(QStringLiteral("notes.txt")));
            s.dialogs.messages.clear();
        }
    } else {
        source = s.path(shown == QLatin1String("movie") ? "clip.avi" : "p.jpg");
        makeFile(source, shown == QLatin1String("movie") ? "avi" : "jpeg");
        s.open(source);
    }
    s.dialogs.inputs.enqueue(QStringLiteral("夏 休み"));
    if (answer == QLatin1String("close"))
        s.view->Command15_Click(); // the scripted dialog is closed with its close box
    else
        s.copy([&answer](FrmSend &send) {
            answer == "copy"             ? send.Command1_Click()
                    : answer == "rename" ? send.Command4_Click()
                                         : send.Command2_Click();
        });
    QCOMPARE(s.dialogs.modalWindows, QStringList{"FrmSend"});
    const QStringList made = QDir(s.path(QStringLiteral("movies"))).entryList(QDir::Files)
            + QDir(s.path(QStringLiteral("pictures"))).entryList(QDir::Files);
    QCOMPARE(made.size(), copied.isEmpty() ? 0 : 1);
    if (!copied.isEmpty()) {
        QFile in(source), out(s.path(copied));
        QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), in.readAll());
    }
    QCOMPARE(s.dialogs.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(s.dialogs.messages[0].text, message);
    // A picture comes back, copied or not.
    QCOMPARE(s.view->pictureWindow() != nullptr, shown != QLatin1String("movie"));
    QCOMPARE(s.view->fn(), source);
}

// Every failure: one message, no file or temporary file left, the picture not shown again.
void TestFrmView::copyFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("destination folder deleted") << "deleted";
    QTest::newRow("a name the file system refuses") << "long name";
    QTest::newRow("destination never set") << "empty";
#ifdef Q_OS_UNIX
    QTest::newRow("the disk fills up") << "full";
#endif
}

void TestFrmView::copyFailures()
{
    QFETCH(QString, fault);
    Started s;
    s.start();
    const QString dest = s.path(QStringLiteral("pictures"));
    QDir().mkpath(dest);
    s.settings.setText(CopyFolder, fault == QLatin1String("empty") ? QString() : dest);
    s.view->Command13_Click();
    if (fault == QLatin1String("deleted"))
        QVERIFY(QDir(dest).removeRecursively());
    s.dialogs.inputs.enqueue(QString(300, QLatin1Char('n')));
#ifdef Q_OS_UNIX
    // A full disk: the file-size limit fails the writes the same way, also for root.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64; // the picture is some hundred bytes
    if (fault == QLatin1String("full"))
        setrlimit(RLIMIT_FSIZE, &small);
#endif
    s.copy([&fault](FrmSend &send) {
        fault == "long name" ? send.Command4_Click() : send.Command1_Click();
    });
#ifdef Q_OS_UNIX
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
#endif
    QCOMPARE(s.dialogs.messages.size(), 1);
    QCOMPARE(s.dialogs.messages[0].text,
             QStringLiteral(
                     "コピーに失敗しました。（コピー先のフォルダーが無いか、書きこみ禁止です。）"));
    QCOMPARE(s.dialogs.messages[0].icon, MsgIcon::Critical);
    QCOMPARE(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(!s.view->pictureWindow());
    QCOMPARE(s.view->cursor().shape(), Qt::ArrowCursor);
}

// A long copy keeps the window alive: events run between chunks with the hourglass on, the
// destination appears only when complete, and a close waits for the copy. After a picture copy
// the image-number window's list gets the focus back when it opened the picture.
void TestFrmView::longCopyAndFocusBack()
{
    Started s;
    s.start();
    const QString movie = s.path(QStringLiteral("long.mpg"));
    writeFile(movie, QByteArray(3 * 1024 * 1024 + 7, 'm'));
    s.open(movie);
    const QString copied = s.state.BufferDir + QStringLiteral("/long.mpg");
    int ticks = 0;
    bool hourglass = true, partial = false;
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        ++ticks;
        hourglass = hourglass && s.view->cursor().shape() == Qt::WaitCursor;
        partial = partial || QFile::exists(copied);
        s.view->close();
    });
    s.copy([&during](FrmSend &send) {
        during.start(0);
        send.Command1_Click();
    });
    during.stop();
    QVERIFY(ticks >= 2 && hourglass && !partial);
    QVERIFY(s.view->isVisible());
    QCOMPARE(QFileInfo(copied).size(), QFileInfo(movie).size());

    int focusCalls = 0;
    s.view->focusIndexList = [&focusCalls] {
        ++focusCalls;
    };
    s.view->Command13_Click();
    s.state.PicOwner = 1;
    s.copy([](FrmSend &send) { send.Command2_Click(); });
    s.state.PicOwner = 0;
    s.copy([](FrmSend &send) { send.Command2_Click(); });
    QCOMPARE(focusCalls, 1);
}

QTEST_MAIN(TestFrmView)
#include "tst_frmview.moc"
