#include "viewer/frmview.h"

#include "app/formdesign.h"
#include "app/frmsplash.h"
#include "app/qtmediaplayer.h"
#include "app/workdir.h"
#include "viewer/frmsend.h"
#include "viewer/keypreview.h"
#include "viewer/openfile.h"
#include "viewer/playback.h"
#include "viewer/sendcopy.h"
#include "viewer/viewerlayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <utility>

namespace velt {

namespace {

const char *const kMsgWorkFolderBusy =
        "この製品の作業フォルダーにアクセスされて作業フォルダーの処理ができません。";

} // namespace

FrmView::FrmView(MdlVELT &state, Settings &settings, UserDialogs &dialogs,
                 const ViewerEnvironment &environment, QWidget *parent)
    : QWidget(parent), m_state(state), m_settings(settings), m_dialogs(dialogs), m_env(environment)
{
    setObjectName(QStringLiteral("FrmView"));
    setWindowTitle(QStringLiteral("VELT"));
    QFont designFont(QStringLiteral("ＭＳ Ｐゴシック"));
    designFont.setPointSizeF(9);
    setFont(designFont);
    createControls();
    // After a copy of a picture shown from the list window, the focus goes back to its list.
    focusIndexList = [this] {
        if (m_no)
            m_no->focusList();
    };
    KeyPreview::Handlers keys;
    keys.keyDown = [this](int key) {
        return Form_KeyDown(key);
    };
    keys.actsOnRelease = [this](QPushButton *b) {
        return b == Command1 || b == Command12 || b == Command13 || b == Command14
                || b == Command15;
    };
    keys.keyUp = [this](QPushButton *b, int key) {
        keyUpOnButton(b, key);
    };
    keys.releaseFirst = [this](int key) {
        // F1 while Command1 is off: the help still opens on the release.
        if (!m_f1Pending || key != Qt::Key_F1)
            return false;
        m_f1Pending = false;
        Command1_KeyUp(key);
        return true;
    };
    m_keys = new KeyPreview(this, Command1, m_env.keyRepeatGuardMs, std::move(keys));
}

FrmView::~FrmView()
{
    delete std::exchange(m_keys, nullptr); // no key may reach a window being destroyed
    delete m_no;
    delete m_picture;
    delete m_splash;
}

void FrmView::createControls()
{
    MediaPlayer1 = new QtMediaPlayer(this);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    MediaPlayer1->setGeometry(twipsRect(120, 120, 5265, 4935));
    MediaPlayer1->setNotificationHandler([this] { applyRateAgain(); });
    MediaPlayer1->setLoadTimeout(m_env.playerLoadTimeoutMs);

    const ControlDesign<QPushButton> buttons[] = {
            {&Command1, "Command1", "ファイル", "動画・画像ファイルの読み込み", 120, 5160, 855,
             495},
            {&Command7, "Command7", "１倍", "動画サイズ１倍", 1080, 5160, 615, 495},
            {&Command9, "Command9", "標準", "動画サイズ標準", 1800, 5160, 615, 495},
            {&Command6, "Command6", "SPEED ×1", "動画スピード１倍", 2760, 5160, 1215, 495},
            {&Command4, "Command4", "SPEED　　　UP", "動画スピードアップ(Max6倍)", 4080, 5160, 1335,
             495},
            {&Command2, "Command2", "クリア", "動画や画像の消去", 120, 5760, 855, 495},
            {&Command8, "Command8", "２倍", "動画サイズ２倍", 1080, 5760, 615, 495},
            {&Command10, "Command10", "1/2S", "動画サイズ１／２スクリーンモード", 1800, 5760, 615,
             495},
            {&Command5, "Command5", "SPEED SLOW", "動画スピード０．０５倍", 2760, 5760, 1215, 495},
            {&Command3, "Command3", "SPEED DOWN", "動画スピードダウン(Min0.1倍)", 4080, 5760, 1335,
             495},
            {&Command12, "Command12", "", "インターネット画像[前]", 120, 6360, 800, 350},
            {&Command13, "Command13", "", "インターネット画像[次]", 1080, 6360, 800, 350},
            {&Command14, "Command14", "一覧", "一覧で検索します", 3000, 6360, 615, 375},
            {&Command15, "Command15", "送る", "表示中の動画・画像を指定場所にコピーします", 3600,
             6360, 615, 375},
            {&Command11, "Command11", "", "バージョン情報・画像取得オプションの設定", 2520, 5160,
             135, 1095},
    };
    // Created in tab order, so Command1 has the focus when the window opens.
    for (const auto &d : buttons) {
        QPushButton *b = d.create(this);
        b->setFocusPolicy(Qt::StrongFocus);
        b->setAutoDefault(false);
    }
    Command1->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    Command2->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    Command12->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    Command13->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    Command1->setIconSize(QSize(12, 12));
    Command2->setIconSize(QSize(12, 12));
    QFont small(QStringLiteral("ＭＳ Ｐゴシック"));
    small.setPointSizeF(8.25);
    Command11->setFont(small);

    const ControlDesign<QLabel> labels[] = {
            {&Label3, "Label3", "12345", "表示画像番号", 1920, 6480, 495, 255},
            {&Label4, "Label4", "：", "", 2400, 6480, 135, 255},
            {&Label5, "Label5", "12345", "インターネット一時ファイル画像総数", 2520, 6480, 495,
             255},
            {&Label1, "Label1", "0.05", "動画スピード倍率", 4320, 6360, 615, 375},
            {&Label2, "Label2", "倍", "", 5040, 6360, 375, 375},
    };
    for (const auto &d : labels)
        d.create(this);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label4->setAlignment(Qt::AlignCenter);
    QFont speed(QStringLiteral("ＭＳ Ｐゴシック"));
    speed.setBold(true);
    speed.setPointSizeF(14.25);
    Label1->setFont(speed);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    speed.setPointSizeF(15.75);
    Label2->setFont(speed);

    using Click = void (FrmView::*)();
    const Click clicks[] = {
            &FrmView::Command1_Click,  &FrmView::Command2_Click,  &FrmView::Command3_Click,
            &FrmView::Command4_Click,  &FrmView::Command5_Click,  &FrmView::Command6_Click,
            &FrmView::Command7_Click,  &FrmView::Command8_Click,  &FrmView::Command9_Click,
            &FrmView::Command10_Click, &FrmView::Command11_Click, &FrmView::Command12_Click,
            &FrmView::Command13_Click, &FrmView::Command14_Click, &FrmView::Command15_Click};
    for (int i = 1; i <= 15; ++i)
        connect(buttonAt(i), &QPushButton::clicked, this, clicks[i - 1]);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(m_env.timerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &FrmView::Timer1_Timer);
    Timer1->start();

    QWidget *previous = Command1;
    for (QWidget *next :
         {Command7, Command9, Command6, Command4, Command2, Command8, Command10, Command5, Command3,
          Command12, Command13, Command14, Command15, Command11}) {
        setTabOrder(previous, next);
        previous = next;
    }
    CommonDialog1.title = QStringLiteral("インターネット一時ファイルの読み込み");
    CommonDialog1.defaultSuffix = QStringLiteral("avi");

    const ViewerLayout layout = velt::FitToPlayer(5265, 4935);
    setFixedSize(twipsToPixels(layout.windowWidth - kWindowFrameTwips.width()),
                 twipsToPixels(layout.windowHeight - kWindowFrameTwips.height()));
}

QPushButton *FrmView::buttonAt(int index) const
{
    QPushButton *const all[] = {Command1,  Command2,  Command3,  Command4,  Command5,
                                Command6,  Command7,  Command8,  Command9,  Command10,
                                Command11, Command12, Command13, Command14, Command15};
    return all[index - 1];
}

void FrmView::Form_Load()
{
    m_ExtTable.fill();
    LoadSettings(m_settings, m_env.settingsPath, m_state.BufferDir);

    MediaPlayer1->setFlag(MediaPlayer::kFlag1021, false);
    MediaPlayer1->setFlag(MediaPlayer::kFlag1108, false);
    MediaPlayer1->setRate(kNormalRate);
    showRate();

    CommonDialog1Flags = kOpenFileFlags;
    CommonDialog1.filter = QString::fromUtf8(kOpenFileFilter);

    if (m_env.registry) {
        CollectionContext ctx{m_state,      m_settings, m_ExtTable, *m_env.registry,
                              m_env.drives, m_dialogs,  *this,      today()};
        const CacheLocation loc = GetICPath(ctx);
        EditFile = loc.EditFile;
        ICPath = loc.ICPath;
        StopAns = qint16(loc.StopAns);
    }

    if (m_settings.isEmptyText(EditorPath))
        m_settings.setText(EditorPath, EditFile);
    DisplayMode = 0;
}

bool FrmView::Form_QueryUnload()
{
    if (m_closed)
        return true;
    m_closed = true;
    bool ok = true;
    auto report = [this, &ok] {
        ok = false;
        m_dialogs.messageBox(QString::fromUtf8(kMsgWorkFolderBusy), MsgIcon::Critical,
                             MsgButtons::Ok);
    };

    Command2_Click();
    QString settingsError;
    if (!SaveSettings(m_settings, m_env.settingsPath, &settingsError)) {
        m_settingsWriteFailed = true;
        ok = false;
        m_dialogs.messageBox(settingsWriteFailedMessage(m_env.settingsPath, settingsError),
                             MsgIcon::Critical, MsgButtons::Ok);
    }
    hide();
    m_decodeAhead.clear(); // no file of the working folder stays open while it is emptied
    if (m_state.ListCount + m_state.GifCount != 0) {
        if (emptyWorkDir(m_state.WorkDir) == EmptyResult::SomeFailed)
            report();
    }
    closeSplash();
    unloadPicture();
    unloadNo();
    return ok;
}

void FrmView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        Command1->setFocus(Qt::OtherFocusReason);
    }
}

void FrmView::closeEvent(QCloseEvent *event)
{
    if (m_copying) { // the close would empty the working folder under the copy
        event->ignore();
        return;
    }
    Form_QueryUnload();
    event->accept();
}

void FrmView::FitToPlayer()
{
    // A movie at double or own size may be larger than the screen: the player is limited so
    // that the window fits the screen's available area, and the window is kept on it.
    const QRect area = screen() ? screen()->availableGeometry() : QRect();
    if (!area.isEmpty()) {
        const QSize player(MediaPlayer1->widthTwips(), MediaPlayer1->heightTwips());
        const QSize limited = playerWithinScreen(player, area.size() * kTwipsPerPixel);
        if (limited.width() != player.width())
            MediaPlayer1->setWidthTwips(limited.width());
        if (limited.height() != player.height())
            MediaPlayer1->setHeightTwips(limited.height());
    }
    const ViewerLayout layout =
            velt::FitToPlayer(MediaPlayer1->widthTwips(), MediaPlayer1->heightTwips());
    setFixedSize(twipsToPixels(layout.windowWidth - kWindowFrameTwips.width()),
                 twipsToPixels(layout.windowHeight - kWindowFrameTwips.height()));
    const int top1 = twipsToPixels(layout.rowBase);
    const int top2 = twipsToPixels(layout.secondRow);
    const int top3 = twipsToPixels(layout.thirdRow);
    for (QWidget *w : {(QWidget *)Command1, (QWidget *)Command7, (QWidget *)Command6,
                       (QWidget *)Command4, (QWidget *)Command9, (QWidget *)Command11})
        w->move(w->x(), top1);
    for (QWidget *w : {Command2, Command8, Command5, Command3, Command10})
        w->move(w->x(), top2);
    for (QWidget *w : {Label1, Label2, Label3, Label4, Label5})
        w->move(w->x(), top3);
    for (QWidget *w : {Command12, Command13, Command14, Command15})
        w->move(w->x(), top3);
    if (!area.isEmpty() && isVisible()) {
        const QRect frame(frameGeometry().topLeft(),
                          size() + frameGeometry().size() - geometry().size());
        if (const QPoint inside = keepOnScreen(frame, area); inside != frame.topLeft())
            move(inside);
    }
}

void FrmView::DisableButtons()
{
    for (int i = 1; i <= 15; ++i)
        buttonAt(i)->setEnabled(false);
}

void FrmView::EnableButtons()
{
    for (int i = 1; i <= 15; ++i)
        buttonAt(i)->setEnabled(true);
}

void FrmView::Command2_Click()
{
    MediaPlayer1->stop();
    MediaPlayer1->setFileName(QString());
    setStandardSize(*MediaPlayer1);
    showRate();
    FitToPlayer();
    setWindowTitle(QStringLiteral("VELT"));
    unloadPicture();
    DisplayMode = 0;
}

void FrmView::applyRateAgain()
{
    MediaPlayer1->setRate(rateFromText(Label1->text()));
}

void FrmView::showRate()
{
    Label1->setText(rateText(MediaPlayer1->rate()));
}

void FrmView::Command3_Click()
{
    MediaPlayer1->setRate(speedDown(MediaPlayer1->rate()));
    showRate();
}

void FrmView::Command4_Click()
{
    MediaPlayer1->setRate(speedUp(MediaPlayer1->rate()));
    showRate();
}

void FrmView::Command5_Click()
{
    MediaPlayer1->setRate(kSlowRate);
    showRate();
}

void FrmView::Command6_Click()
{
    MediaPlayer1->setRate(kNormalRate);
    showRate();
}

void FrmView::setPlayerSize(int displaySize)
{
    setButtonSize(*MediaPlayer1, displaySize);
    FitToPlayer();
}

void FrmView::Command7_Click()
{
    setPlayerSize(MediaPlayer::kOwnSize);
}

void FrmView::Command8_Click()
{
    setPlayerSize(MediaPlayer::kDoubleSize);
}

void FrmView::Command9_Click()
{
    setPlayerSize(MediaPlayer::kFitToControl);
}

void FrmView::Command10_Click()
{
    setPlayerSize(MediaPlayer::kHalfScreen);
}

void FrmView::Command1_Click()
{
    unloadPicture();
    try {
        const std::optional<QString> chosen = m_dialogs.openFile(CommonDialog1);
        // The next use opens where this one ended, until a collection sets WorkDir again.
        CommonDialog1.initialDir.clear();
        if (!chosen || chosen->isEmpty())
            return;
        CommonDialog1.fileName = *chosen;
        m_fn = *chosen;
        const OpenKind kind = openKind(m_fn, m_ExtTable);
        if (kind == OpenKind::Picture || kind == OpenKind::Gif)
            openPicture(kind == OpenKind::Gif);
        else if (kind == OpenKind::Media)
            openMedia();
        else
            m_dialogs.messageBox(QString::fromUtf8(kMsgNotSupported), MsgIcon::Information,
                                 MsgButtons::Ok);
        Command15->setEnabled(true);
    } catch (const std::exception &) {
        openFailed();
    }
}

void FrmView::openPicture(bool gif)
{
    DisableButtons();
    m_state.PicOwner = 0;
    if (gif) {
        m_dialogs.messageBox(QString::fromUtf8(kMsgGifNotShown), MsgIcon::Critical, MsgButtons::Ok);
    } else {
        openPictureWindow();
        m_openedFile = m_fn;
        DisplayMode = 3;
    }
    EnableButtons();
}

void FrmView::openMedia()
{
    DisplayMode = 1;
    m_openedFile = m_fn;
    {
        WaitCursor wait(this);
        MediaPlayer1->setFileName(m_fn);
    }
    if (MediaPlayer1->fileName().isEmpty()) {
        const Handoff handoff = outsidePlayerFor(m_fn, m_settings);
        // A player that cannot be started gets the message of a missing one.
        if (handoff.program.isEmpty() || !m_dialogs.startProgram(handoff.program, {m_fn}))
            m_dialogs.messageBox(handoff.message, MsgIcon::Exclamation, MsgButtons::Ok);
    }
    resetAfterOpening(*MediaPlayer1);
    setWindowTitle(openedCaption(m_fn));
    FitToPlayer();
    MediaPlayer1->stop();
    showRate();
}

void FrmView::openFailed()
{
    resetAfterFailure(*MediaPlayer1);
    setWindowTitle(QStringLiteral("VELT"));
    DisplayMode = 0;
    // An error while the buttons were off for a picture must not leave the window dead.
    if (!Command1->isEnabled())
        EnableButtons();
}

void FrmView::unloadPicture()
{
    if (m_picture) {
        FrmPicture *old = m_picture;
        m_picture = nullptr;
        old->close();
        delete old;
    }
}

void FrmView::unloadNo()
{
    if (m_no) {
        FrmNo *old = m_no;
        m_no = nullptr;
        old->close(); // deletes itself
    }
}

void FrmView::showListPicture()
{
    m_fn = m_state.WorkDir + QLatin1Char('/') + m_state.ListFile.value(m_state.ListPos);
    if (!SerchGaExp(m_fn))
        return;
    {
        WaitCursor wait(this);
        m_state.PicOwner = 0;
        openPictureWindow();
    }
    Label3->setText(QString::number(m_state.ListPos));
    DisplayMode = 2;
    if (m_no)
        m_no->selectPosition(m_state.ListPos);
}

void FrmView::openPictureWindow()
{
    unloadPicture();
    // The next and previous list pictures are decoded on a worker once this one is loaded.
    m_decodeAhead.plan(m_fn, pagingNeighbours(m_state, m_ExtTable));
    auto *picture = new FrmPicture(m_state, m_settings, m_dialogs, *this);
    picture->setPictureSource([this](const QString &path) { return m_decodeAhead.take(path); });
    // The window stays until the next picture replaces it: a key release handed over to
    // this window may still be on its way to the closed picture window.
    picture->setAttribute(Qt::WA_DeleteOnClose, false);
    picture->setTimerInterval(m_env.pictureTimerIntervalMs);
    // Beside this window where the screen allows, so the picture does not cover the buttons.
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        const int left = frameGeometry().right() + 1;
        picture->move(left + picture->width() / 2 < area.right() ? left : area.left(), 0);
    }
    m_picture = picture;
    picture->Form_Load();
    if (m_picture == picture)
        picture->show();
    m_decodeAhead.start();
}

void FrmView::setPictureNumber(int listPos)
{
    Label3->setText(QString::number(listPos));
}

QDate FrmView::today() const
{
    return m_env.today.isValid() ? m_env.today : QDate::currentDate();
}

void FrmView::setNavigationEnabled(bool enabled)
{
    Command12->setEnabled(enabled);
    Command13->setEnabled(enabled);
}

void FrmView::Command12_Click()
{
    if (m_state.ListCount == 0 || m_navigating)
        return;
    m_navigating = true;
    m_state.ListPos = m_state.ListPos <= 1 ? 1 : m_state.ListPos - 1;
    showListPicture();
    m_navigating = false;
}

void FrmView::Command13_Click()
{
    if (m_state.ListCount == 0 || m_navigating)
        return;
    m_navigating = true;
    if (m_state.ListPos != m_state.ListCount)
        m_state.ListPos += 1;
    showListPicture();
    m_navigating = false;
}

void FrmView::Command14_Click()
{
    unloadPicture();
    // One instance: opening it again only brings it to the front.
    if (!m_no || !m_no->isVisible()) {
        auto *no = new FrmNo(m_state, m_settings, m_dialogs, *this);
        no->setAttribute(Qt::WA_DeleteOnClose);
        no->placeBelow(this);
        m_no = no;
        no->Form_Load();
        no->show();
    }
    m_no->raise();
    m_no->activateWindow();
}

void FrmView::Command11_Click()
{
    // The about window arrives with its own window class.
}

void FrmView::Command15_Click()
{
    const CopyJob job = copyJobFor(DisplayMode, m_state.ListPos, m_openedFile, m_state.WorkDir,
                                   m_state.ListFile.value(m_state.ListPos));
    if (job.kind == CopyKind::Nothing || m_copying)
        return;
    const bool picture = job.kind == CopyKind::Picture;
    if (picture)
        unloadPicture();
    {
        FrmSend send(m_settings, m_dialogs, DisplayMode, m_state.WorkDir, this);
        send.Form_Load();
        m_dialogs.runModal(&send, [&send] { send.exec(); });
    }
    bool copied = true;
    {
        WaitCursor wait(this);
        if (m_settings.isSet(CopyConfirmed)) {
            const CopyPlan plan = planCopy(job, m_settings.text(destinationSlot(DisplayMode)),
                                           m_settings.text(CopyNewName));
            // A long copy lets the window repaint between chunks; clicks, keys and a close
            // wait until it ends.
            m_copying = true;
            copied = copyFileSafely(job.source, plan.destination, [] {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
            m_copying = false;
            if (copied)
                m_dialogs.messageBox(plan.message, MsgIcon::Information, MsgButtons::Ok);
        }
    }
    if (!copied) {
        m_dialogs.messageBox(QString::fromUtf8(kMsgCopyFailed), MsgIcon::Critical, MsgButtons::Ok);
        return;
    }
    if (picture) {
        // The picture comes back, also when another file was chosen with the File button since.
        m_fn = job.source;
        openPictureWindow();
        if (m_state.PicOwner == 1 && focusIndexList)
            focusIndexList();
    }
}

void FrmView::setCopyButtonEnabled(bool enabled)
{
    Command15->setEnabled(enabled);
}

QPushButton *FrmView::navigationButton(int key) const
{
    switch (key) {
    case Qt::Key_PageUp:
        return Command12;
    case Qt::Key_PageDown:
        return Command13;
    case Qt::Key_S:
        return Command15;
    case Qt::Key_N:
        return Command14;
    default:
        return nullptr;
    }
}

void FrmView::handOverKey(int qtKey)
{
    QPushButton *target = navigationButton(qtKey);
    if (!target)
        return;
    activateWindow();
    raise();
    if (target->isEnabled())
        target->setFocus(Qt::OtherFocusReason);
    if (m_keys)
        m_keys->expectRelease(qtKey);
}

bool FrmView::Form_KeyDown(int key)
{
    if (key == Qt::Key_F1) {
        if (Command1->isEnabled())
            Command1->setFocus(Qt::OtherFocusReason);
        else
            m_f1Pending = true; // help still opens on the release
        return true;
    }
    if (key == Qt::Key_Escape) {
        close();
        return true;
    }
    QPushButton *target = navigationButton(key);
    if (target && target->isEnabled())
        target->setFocus(Qt::OtherFocusReason);
    return target != nullptr;
}

void FrmView::Command1_KeyUp(int key)
{
    if (key != Qt::Key_F1)
        return;
    WaitCursor wait(this);
    // The help window arrives with its own window class.
}

void FrmView::Command12_KeyUp(int key)
{
    if (key == Qt::Key_PageUp)
        Command12_Click();
}

void FrmView::Command13_KeyUp(int key)
{
    if (key == Qt::Key_PageDown)
        Command13_Click();
}

void FrmView::Command14_KeyUp(int key)
{
    if (key == Qt::Key_N)
        Command14_Click();
}

void FrmView::Command15_KeyUp(int key)
{
    if (key == Qt::Key_S)
        Command15_Click();
}

void FrmView::keyUpOnButton(QPushButton *button, int key)
{
    if (button == Command1)
        Command1_KeyUp(key);
    else if (button == Command12)
        Command12_KeyUp(key);
    else if (button == Command13)
        Command13_KeyUp(key);
    else if (button == Command14)
        Command14_KeyUp(key);
    else if (button == Command15)
        Command15_KeyUp(key);
}

void FrmView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void FrmView::Form_Resize()
{
    if (windowState() & Qt::WindowMinimized) {
        unloadPicture();
        unloadNo();
    }
}

void FrmView::Timer1_Timer()
{
    if (TimeT != 0)
        --TimeT;
}

void FrmView::showSplash()
{
    if (!m_splash) {
        m_splash = new FrmSplash(m_state, m_settings);
        m_splash->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_splash->Form_Load();
    m_splash->LabelLoad->setText(QString::fromUtf8(kLabelSearchingIE));
    m_splash->ProgressBar1->setValue(0);
    m_splash->show();
}

void FrmView::closeSplash()
{
    if (m_splash) {
        FrmSplash *old = m_splash;
        m_splash = nullptr;
        old->close();
        old->deleteLater();
    }
}

void FrmView::setProgress(int value)
{
    if (m_splash)
        m_splash->ProgressBar1->setValue(value);
}

void FrmView::setLoadLabel(const QString &text)
{
    if (m_splash)
        m_splash->LabelLoad->setText(text);
}

void FrmView::yield()
{
    QCoreApplication::processEvents();
}

void FrmView::waitOneTick()
{
    TimeT = 1;
    while (TimeT != 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int FrmView::AskStop()
{
    closeSplash();
    const MsgAnswer answer = m_dialogs.messageBox(QString::fromUtf8(kMsgAskStop), MsgIcon::Question,
                                                  MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes) {
        StopAns = kAnswerYes;
        return StopAns;
    }
    StopAns = kAnswerNo;
    showSplash();
    waitOneTick();
    return StopAns;
}

void FrmView::setCounters(int listPos, int listCount)
{
    Label3->setText(QString::number(listPos));
    Label5->setText(QString::number(listCount));
}

void FrmView::disableNavigation()
{
    Command12->setEnabled(false);
    Command13->setEnabled(false);
}

void FrmView::setOpenDialogInitDir(const QString &dir)
{
    CommonDialog1.initialDir = dir;
}

} // namespace velt
