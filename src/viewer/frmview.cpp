#include "viewer/frmview.h"

#include "app/frmsplash.h"
#include "app/qtmediaplayer.h"
#include "app/workdir.h"
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

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

// One control as designed: name, caption, tooltip and twips geometry.
template<class Control>
struct ControlDesign
{
    Control **control;
    const char *name;
    const char *caption;
    const char *tooltip;
    int left, top, width, height;

    Control *create(QWidget *parent) const
    {
        auto *c = new Control(QString::fromUtf8(caption), parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setToolTip(QString::fromUtf8(tooltip));
        c->setGeometry(twipsRect(left, top, width, height));
        *control = c;
        return c;
    }
};

// Restores the pointer on every path out of a long action.
class WaitCursor
{
public:
    explicit WaitCursor(QWidget *w) : m_widget(w) { m_widget->setCursor(Qt::WaitCursor); }
    ~WaitCursor()
    {
        if (m_widget)
            m_widget->unsetCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    QPointer<QWidget> m_widget;
};

QString rateText(double rate)
{
    // General number format: at most 15 significant digits, no trailing zeros.
    return QString::number(rate, 'g', 15);
}

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
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now->window() == this)
            m_lastFocus = now;
    });
    // The video surface is a native child window and may take the focus when it appears; the
    // buttons must keep it for the keyboard to work.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focused) {
        QWindow *own = windowHandle();
        if (!focused || !own || focused == own)
            return;
        for (QWindow *p = focused->parent(); p; p = p->parent()) {
            if (p == own) {
                own->requestActivate();
                (m_lastFocus ? m_lastFocus.data() : static_cast<QWidget *>(Command1))
                        ->setFocus(Qt::ActiveWindowFocusReason);
                return;
            }
        }
    });
}

FrmView::~FrmView()
{
    qApp->removeEventFilter(this);
    delete m_picture;
    delete m_splash;
}

void FrmView::createControls()
{
    MediaPlayer1 = new QtMediaPlayer(this);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    MediaPlayer1->setGeometry(twipsRect(120, 120, 5265, 4935));
    MediaPlayer1->setNotificationHandler([this] { applyRateAgain(); });

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

    connect(Command2, &QPushButton::clicked, this, &FrmView::Command2_Click);
    connect(Command11, &QPushButton::clicked, this, &FrmView::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &FrmView::Command12_Click);
    connect(Command13, &QPushButton::clicked, this, &FrmView::Command13_Click);
    connect(Command14, &QPushButton::clicked, this, &FrmView::Command14_Click);
    connect(Command15, &QPushButton::clicked, this, &FrmView::Command15_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(m_env.timerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &FrmView::Timer1_Timer);
    Timer1->start();

    m_releaseTimer = new QTimer(this);
    m_releaseTimer->setSingleShot(true);
    connect(m_releaseTimer, &QTimer::timeout, this, &FrmView::actOnPendingRelease);

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
    MediaPlayer1->setRate(1.0);
    Label1->setText(rateText(MediaPlayer1->rate()));

    CommonDialog1Flags = kOpenFileFlags;
    CommonDialog1.filter = QString::fromUtf8(kOpenFileFilter);

    if (m_env.registry) {
        CollectionContext ctx{
                m_state,      m_settings,
                m_ExtTable,   *m_env.registry,
                m_env.drives, m_dialogs,
                *this,        m_env.today.isValid() ? m_env.today : QDate::currentDate()};
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
    if (!SaveSettings(m_settings, m_env.settingsPath)) {
        m_settingsWriteFailed = true;
        report();
    }
    hide();
    if (m_state.ListCount + m_state.GifCount != 0) {
        if (emptyWorkFolder(m_state) == EmptyResult::SomeFailed)
            report();
    }
    closeSplash();
    unloadPicture();
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
    Form_QueryUnload();
    event->accept();
}

void FrmView::FitToPlayer()
{
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
    MediaPlayer1->setDisplaySize(MediaPlayer::kFitToControl);
    MediaPlayer1->setHeightTwips(4935);
    MediaPlayer1->setWidthTwips(5250);
    MediaPlayer1->setFlag(MediaPlayer::kFlag24, false);
    Label1->setText(rateText(MediaPlayer1->rate()));
    FitToPlayer();
    setWindowTitle(QStringLiteral("VELT"));
    unloadPicture();
    DisplayMode = 0;
}

void FrmView::applyRateAgain()
{
    MediaPlayer1->setRate(Label1->text().toDouble());
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
        unloadPicture();
        m_state.PicOwner = 0;
        auto *picture = new FrmPicture(m_state, m_settings, m_dialogs, *this);
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
    }
    Label3->setText(QString::number(m_state.ListPos));
    DisplayMode = 2;
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
    // The image-number window arrives with its own window class.
}

void FrmView::Command11_Click()
{
    // The about window arrives with its own window class.
}

void FrmView::Command15_Click()
{
    // The copy command arrives with the copy dialog.
}

void FrmView::setCopyButtonEnabled(bool enabled)
{
    Command15->setEnabled(enabled);
}

void FrmView::handOverKey(int qtKey)
{
    QPushButton *target = nullptr;
    switch (qtKey) {
    case Qt::Key_PageDown:
        target = Command13;
        break;
    case Qt::Key_PageUp:
        target = Command12;
        break;
    case Qt::Key_S:
        target = Command15;
        break;
    case Qt::Key_N:
        target = Command14;
        break;
    default:
        return;
    }
    activateWindow();
    raise();
    if (target->isEnabled())
        target->setFocus(Qt::OtherFocusReason);
    m_handOverKey = qtKey;
}

bool FrmView::Form_KeyDown(int key)
{
    auto focusIfEnabled = [](QPushButton *b) {
        if (b->isEnabled())
            b->setFocus(Qt::OtherFocusReason);
    };
    switch (key) {
    case Qt::Key_F1:
        if (Command1->isEnabled())
            Command1->setFocus(Qt::OtherFocusReason);
        else
            m_f1Pending = true; // help still opens on the release
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    case Qt::Key_PageUp:
        focusIfEnabled(Command12);
        return true;
    case Qt::Key_PageDown:
        focusIfEnabled(Command13);
        return true;
    case Qt::Key_S:
        focusIfEnabled(Command15);
        return true;
    case Qt::Key_N:
        focusIfEnabled(Command14);
        return true;
    default:
        return false;
    }
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

void FrmView::releaseAfterGuard(QPushButton *button, int key, quint64 timestamp, bool handedOver)
{
    if (m_pendingKey != 0)
        actOnPendingRelease();
    if (!button)
        return;
    if (m_env.keyRepeatGuardMs <= 0 || timestamp == 0) {
        keyUpOnButton(button, key);
        return;
    }
    m_pendingButton = button;
    m_pendingKey = key;
    m_pendingTime = timestamp;
    m_pendingHandOver = handedOver;
    m_releaseTimer->start(m_env.keyRepeatGuardMs);
}

void FrmView::actOnPendingRelease()
{
    m_releaseTimer->stop();
    const int key = std::exchange(m_pendingKey, 0);
    const QPointer<QPushButton> button = std::exchange(m_pendingButton, nullptr);
    if (key != 0 && button)
        keyUpOnButton(button, key);
}

bool FrmView::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, event);
    // Modal dialogs (message boxes above all) keep their keys.
    if (QApplication::activeModalWidget())
        return false;
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const int key = keyEvent->key();

    // X11 sends each auto-repeat of a held key as a release and a press with one timestamp, and
    // Qt marks the pair only when it has already read the press while handling the release: a
    // held key would step many times. A release therefore waits a moment; the press of its
    // pair undoes it and is swallowed.
    if (type == QEvent::KeyPress && m_pendingKey != 0 && key == m_pendingKey
        && keyEvent->timestamp() == m_pendingTime) {
        m_releaseTimer->stop();
        if (m_pendingHandOver)
            m_handOverKey = m_pendingKey;
        m_pendingKey = 0;
        m_pendingButton = nullptr;
        return true;
    }

    if (type == QEvent::KeyRelease && !keyEvent->isAutoRepeat() && m_handOverKey != 0
        && key == m_handOverKey) {
        // The release of a key pressed in the picture window, wherever it arrives: at the
        // closed picture window when it was already queued, or here once the focus moved.
        m_handOverKey = 0;
        releaseAfterGuard(qobject_cast<QPushButton *>(focusWidget()), key, keyEvent->timestamp(),
                          true);
        return true;
    }

    // Key preview: this window sees the keys of all its controls first.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return false;
    if (keyEvent->isAutoRepeat())
        return true; // a held key acts once, when it is released
    if (type == QEvent::KeyPress) {
        m_handOverKey = 0;
        return Form_KeyDown(key);
    }
    if (m_f1Pending && key == Qt::Key_F1) {
        m_f1Pending = false;
        Command1_KeyUp(key);
        return true;
    }
    auto *button = qobject_cast<QPushButton *>(focusWidget());
    if (button
        && (button == Command1 || button == Command12 || button == Command13 || button == Command14
            || button == Command15)) {
        releaseAfterGuard(button, key, keyEvent->timestamp(), false);
        return true; // the key code becomes 0
    }
    return false;
}

void FrmView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void FrmView::Form_Resize()
{
    if (windowState() & Qt::WindowMinimized)
        unloadPicture();
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
    // The wait lets the progress window paint; a press on its stop button shows that it has,
    // and is answered at once rather than after the tick.
    while (TimeT != 0 && !m_state.StopLoad)
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
