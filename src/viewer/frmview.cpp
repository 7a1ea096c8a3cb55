#include "viewer/frmview.h"

#include "app/frmsplash.h"
#include "platform/formdesign.h"
#include "platform/language.h"
#include "platform/qtmediaplayer.h"
#include "platform/workdir.h"
#include "viewer/frmsend.h"
#include "viewer/keypreview.h"
#include "viewer/openfile.h"
#include "viewer/playback.h"
#include "viewer/sendcopy.h"
#include "viewer/viewerdesign.h"
#include "viewer/viewerlayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <utility>

namespace velt {

FrmView::FrmView(MdlVELT &state, Settings &settings, UserDialogs &dialogs,
                 const ViewerEnvironment &environment, QWidget *parent)
    : QWidget(parent), m_state(state), m_settings(settings), m_dialogs(dialogs), m_env(environment),
      m_collection(std::make_unique<ViewerCollection>(*this, state, settings, dialogs)),
      m_files(std::make_unique<ViewerFiles>(*this, state, settings, dialogs)),
      m_windows(std::make_unique<ViewerWindows>(*this, state, settings, dialogs))
{
    setObjectName(QStringLiteral("FrmView"));
    setWindowTitle(QStringLiteral("VELT"));
    QFont designFont(QStringLiteral("ＭＳ Ｐゴシック"));
    designFont.setPointSizeF(9);
    setFont(designFont);
    createControls();
    // After a copy of a picture shown from the list window, the focus goes back to its list.
    focusIndexList = [this] {
        if (FrmNo *no = noWindow())
            no->focusList();
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
    m_windows.reset();
    delete m_picture;
}

void FrmView::createControls()
{
    MediaPlayer1 = new QtMediaPlayer(this);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    MediaPlayer1->setGeometry(twipsRect(120, 120, 5265, 4935));
    MediaPlayer1->setNotificationHandler([this] { applyRateAgain(); });
    MediaPlayer1->setLoadTimeout(m_env.playerLoadTimeoutMs);

    using Click = void (FrmView::*)();
    const std::pair<QPushButton **, Click> buttons[kViewerButtonCount] = {
            {&Command1, &FrmView::Command1_Click},   {&Command7, &FrmView::Command7_Click},
            {&Command9, &FrmView::Command9_Click},   {&Command6, &FrmView::Command6_Click},
            {&Command4, &FrmView::Command4_Click},   {&Command2, &FrmView::Command2_Click},
            {&Command8, &FrmView::Command8_Click},   {&Command10, &FrmView::Command10_Click},
            {&Command5, &FrmView::Command5_Click},   {&Command3, &FrmView::Command3_Click},
            {&Command12, &FrmView::Command12_Click}, {&Command13, &FrmView::Command13_Click},
            {&Command14, &FrmView::Command14_Click}, {&Command15, &FrmView::Command15_Click},
            {&Command11, &FrmView::Command11_Click}};
    // Created in tab order, so Command1 has the focus when the window opens.
    for (int i = 0; i < kViewerButtonCount; ++i) {
        QPushButton *b = *buttons[i].first = createControl<QPushButton>(kViewerButtons[i], this);
        b->setFocusPolicy(Qt::StrongFocus);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, buttons[i].second);
        m_rows.emplace_back(b, kViewerButtons[i].top);
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

    QLabel **const labels[kViewerLabelCount] = {&Label3, &Label4, &Label5, &Label1, &Label2};
    for (int i = 0; i < kViewerLabelCount; ++i) {
        *labels[i] = createControl<QLabel>(kViewerLabels[i], this);
        m_rows.emplace_back(*labels[i], kViewerLabels[i].top);
    }
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label4->setAlignment(Qt::AlignCenter);
    QFont speed(QStringLiteral("ＭＳ Ｐゴシック"));
    speed.setBold(true);
    speed.setPointSizeF(14.25);
    Label1->setFont(speed);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    speed.setPointSizeF(15.75);
    Label2->setFont(speed);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(m_env.timerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &FrmView::Timer1_Timer);
    Timer1->start();

    CommonDialog1.title = tr("インターネット一時ファイルの読み込み");
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
        CollectionContext ctx{m_state,      m_settings, m_ExtTable,    *m_env.registry,
                              m_env.drives, m_dialogs,  *m_collection, today()};
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
        m_dialogs.messageBox(messageText(kMsgWorkFolderBusy), MsgIcon::Critical, MsgButtons::Ok);
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
        if (emptyWorkFolder(m_state) == EmptyResult::SomeFailed)
            report();
    }
    m_collection->closeSplash();
    unloadPicture();
    m_windows->closeAll();
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
    if (m_files->copying()) { // the close would empty the working folder under the copy
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
    for (const auto &[control, designTop] : m_rows)
        control->move(control->x(), twipsToPixels(fittedTop(designTop, layout)));
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

void FrmView::unloadPicture()
{
    if (m_picture) {
        FrmPicture *old = m_picture;
        m_picture = nullptr;
        old->close();
        delete old;
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
    if (FrmNo *no = noWindow())
        no->selectPosition(m_state.ListPos);
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
    m_windows->showNo();
}

void FrmView::albumSwitch()
{
    m_windows->albumSwitch();
}

void FrmView::Command1_Click()
{
    m_files->open();
}

void FrmView::Command15_Click()
{
    m_files->copy();
}

void FrmView::Command11_Click()
{
    m_windows->showAbout();
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
    m_windows->showHelp();
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
        m_windows->closeNo();
    }
}

void FrmView::Timer1_Timer()
{
    if (TimeT != 0)
        --TimeT;
}

void FrmView::setCounters(int listPos, int listCount)
{
    Label3->setText(QString::number(listPos));
    Label5->setText(QString::number(listCount));
    m_windows->closeThumbnails();
}

} // namespace velt
