#include "picture/frmpicture.h"

#include "picture/picturelayout.h"
#include "picture/pictureloader.h"
#include "platform/namebytes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegion>
#include <QScrollBar>
#include <QTimer>

namespace velt {

namespace {

constexpr int kTimer1Interval = 300;
const QColor kBackground(128, 128, 128);

// The editing program's dialog. Off Windows programs have no ".exe": the ".exe" filter stays
// first and selected, every file can be chosen too, and no suffix is appended to a typed name.
FileDialogRequest editorDialogRequest()
{
    FileDialogRequest request;
    request.title = QCoreApplication::translate("velt::FrmPicture", "編集アプリケション関連付け");
#ifdef Q_OS_WIN
    request.filter = QCoreApplication::translate("velt::FrmPicture", "実行ファイル(*.exe)|*.exe");
    request.defaultSuffix = QStringLiteral("exe");
#else
    request.filter = QCoreApplication::translate("velt::FrmPicture",
                                                 "実行ファイル(*.exe)|*.exe|全てのファイル(*.*)|*");
#endif
    return request;
}

// Hourglass on the window for the length of a scope, restored on every path.
class BusyCursor
{
public:
    explicit BusyCursor(QWidget *window) : m_window(window) { m_window->setCursor(Qt::WaitCursor); }
    ~BusyCursor() { m_window->unsetCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    QWidget *m_window;
};

} // namespace

PictureArea::PictureArea(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureArea::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void PictureArea::setOrigin(QPoint origin)
{
    if (origin == m_origin)
        return;
    m_origin = origin;
    update();
}

void PictureArea::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect target = event->rect() & rect();
    if (m_picture.isNull()) {
        painter.fillRect(target, palette().color(QPalette::Base));
        return;
    }
    // Only the exposed part is copied, pixel for pixel, from the whole picture.
    const QRect source = target.translated(m_origin) & m_picture.rect();
    const QRect drawn = source.translated(-m_origin);
    if (!source.isEmpty())
        painter.drawImage(drawn.topLeft(), m_picture, source);
    if (drawn != target) {
        for (const QRect &rest : QRegion(target).subtracted(drawn))
            painter.fillRect(rest, palette().color(QPalette::Base));
    }
}

void PictureArea::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void PictureArea::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

FrmPicture::FrmPicture(MdlVELT &state, Settings &settings, UserDialogs &dialogs,
                       PictureOwner &owner, QWidget *parent)
    : QWidget(parent, Qt::Window), m_state(state), m_settings(settings), m_dialogs(dialogs),
      m_owner(owner)
{
    setObjectName(QStringLiteral("FrmPicture"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The grey background is painted, not set in a palette: a palette of its own for every
    // picture window would give its buttons new keys in the style's pixmap cache each time, and
    // that cache would grow page by page.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);

    Picture1 = new PictureArea(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setToolTip(tr("画像を隠します。"));
    // The tooltip gains the source of a cached picture; the name stays what the area does.
    Picture1->setAccessibleName(Picture1->toolTip());
    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    for (QScrollBar *bar : {HScroll1, VScroll1}) {
        bar->setRange(0, 0);
        bar->setSingleStep(kPictureScrollStep);
        bar->setPageStep(kPictureViewport);
        bar->hide();
    }
    Command1 = new QPushButton(tr("関連付け"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(tr("編集する他の製品名を設定します。"));
    Command2 = new QPushButton(tr("編集"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setToolTip(tr("この画像を編集します。"));
    Command3 = new QPushButton(tr("アルバム"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setToolTip(tr("アルバムモード変更"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimer1Interval);

    // The window sees every key before its controls.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);

    connect(Picture1, &PictureArea::clicked, this, &FrmPicture::Picture1_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &FrmPicture::HScroll1_Change);
    connect(HScroll1, &QScrollBar::sliderMoved, this, &FrmPicture::HScroll1_Scroll);
    connect(VScroll1, &QScrollBar::valueChanged, this, &FrmPicture::VScroll1_Change);
    connect(VScroll1, &QScrollBar::sliderMoved, this, &FrmPicture::VScroll1_Scroll);
    connect(Command1, &QPushButton::clicked, this, &FrmPicture::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmPicture::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmPicture::Command3_Click);
    connect(Timer1, &QTimer::timeout, this, &FrmPicture::Timer1_Timer);

    applyInitialGeometry();
    Timer1->start();
}

FrmPicture::~FrmPicture() = default;

void FrmPicture::setTimerInterval(int ms)
{
    Timer1->setInterval(ms);
}

void FrmPicture::setPictureSource(std::function<LoadedPicture(const QString &path)> source)
{
    m_pictureSource = std::move(source);
}

void FrmPicture::applyInitialGeometry()
{
    Picture1->setGeometry(twipsToPixels(kPicture1Initial));
    HScroll1->setGeometry(twipsToPixels(kHScroll1Initial));
    VScroll1->setGeometry(twipsToPixels(kVScroll1Initial));
    Command1->setGeometry(twipsToPixels(kCommand1Initial));
    Command2->setGeometry(twipsToPixels(kCommand2Initial));
    Command3->setGeometry(twipsToPixels(kCommand3Initial));
    resize(twipsToPixels(kPictureInitialClient));
}

bool FrmPicture::Form_Load()
{
    BusyCursor busy(this);
    HScroll1->hide();
    VScroll1->hide();

    const QString fn = m_owner.fn();
    const CheckOutcome check = checkImageFile(fn, m_state.Sources);
    if (check.result != CheckResult::Passes) {
        reportFailure(check.result, check.modified);
        return false;
    }
    m_owner.setCopyButtonEnabled(true);

    clearPictures();
    LoadedPicture loaded = m_pictureSource ? m_pictureSource(fn) : loadPicture(fn);
    if (!loaded.ok()) {
        reportFailure(CheckResult::Unreadable, check.modified);
        return false;
    }
    m_picture2 = std::move(loaded.image);

    setWindowTitle(QLatin1Char('[') + displayFileName(fn) + QLatin1Char(']'));
    const std::optional<SourceFacts> source = m_state.Sources.lookup(fn);
    Picture1->setToolTip(source ? tr("画像を隠します。") + QStringLiteral("\n\n")
                                         + sourceToolTip(*source)
                                : tr("画像を隠します。"));
    move(x(), 0);

    Picture1->setOrigin(QPoint(0, 0));
    HScroll1->setValue(0);
    VScroll1->setValue(0);
    Picture1->setPicture(m_picture2);
    applyLayout(layoutPicture(m_picture2.size() * kTwipsPerPixel));

    if (m_state.PicOwner == 2)
        Command3->setEnabled(false);
    return true;
}

void FrmPicture::applyLayout(const PictureLayout &layout)
{
    Picture1->setGeometry(twipsToPixels(layout.picture1));
    HScroll1->setRange(0, layout.hScrollMax);
    VScroll1->setRange(0, layout.vScrollMax);
    HScroll1->setGeometry(twipsToPixels(layout.hScroll));
    VScroll1->setGeometry(twipsToPixels(layout.vScroll));
    HScroll1->setVisible(layout.hScrollVisible);
    VScroll1->setVisible(layout.vScrollVisible);
    const int buttonTop = twipsToPixels(layout.buttonTop);
    for (QPushButton *button : {Command1, Command2, Command3})
        button->move(button->x(), buttonTop);
    resize(twipsToPixels(layout.client()));
}

void FrmPicture::reportFailure(CheckResult result, const std::optional<QDateTime> &modified)
{
    m_dialogs.messageBox(checkReportText(result, m_owner.fn(), modified), MsgIcon::Exclamation,
                         MsgButtons::Ok);
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    m_owner.setCopyButtonEnabled(false);
    clearPictures();
    HScroll1->hide();
    VScroll1->hide();
    setWindowTitle(QString());
    applyInitialGeometry();
}

void FrmPicture::clearPictures()
{
    Picture1->setPicture(QImage());
    m_picture2 = QImage();
}

bool FrmPicture::Form_KeyDown(int key, Qt::KeyboardModifiers)
{
    switch (key) {
    case Qt::Key_Escape:
        close();
        return true;
    case Qt::Key_Left:
        scrollBy(HScroll1, -kPictureScrollStep);
        return true;
    case Qt::Key_Right:
        scrollBy(HScroll1, kPictureScrollStep);
        return true;
    case Qt::Key_Up:
        scrollBy(VScroll1, -kPictureScrollStep);
        return true;
    case Qt::Key_Down:
        scrollBy(VScroll1, kPictureScrollStep);
        return true;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
    case Qt::Key_S:
    case Qt::Key_N:
        if (m_state.PicOwner != 2) {
            m_owner.handOverKey(key);
            close();
        }
        return true;
    default:
        return false;
    }
}

void FrmPicture::scrollBy(QScrollBar *bar, int step)
{
    if (bar->isHidden())
        return;
    bar->setValue(qBound(0, bar->value() + step, bar->maximum()));
}

void FrmPicture::Form_Click()
{
    Picture1->show();
}

void FrmPicture::Picture1_Click()
{
    Picture1->hide();
}

void FrmPicture::HScroll1_Change()
{
    Picture1->setOrigin(
            QPoint(HScroll1->value() / kTwipsPerPixel, VScroll1->value() / kTwipsPerPixel));
}

void FrmPicture::HScroll1_Scroll()
{
    HScroll1_Change();
}

void FrmPicture::VScroll1_Change()
{
    HScroll1_Change();
}

void FrmPicture::VScroll1_Scroll()
{
    VScroll1_Change();
}

void FrmPicture::Timer1_Timer()
{
    if (m_timeT != 0)
        --m_timeT;
}

void FrmPicture::Command1_Click()
{
    FileDialogRequest request = editorDialogRequest();
    const QString editor = m_settings.text(EditorPath);
    const qsizetype separator =
            qMax(editor.lastIndexOf(QLatin1Char('\\')), editor.lastIndexOf(QLatin1Char('/')));
    // A path without a separator cannot be split; the dialog then opens without a preset.
    if (separator >= 0) {
        request.initialDir = separator == 0 ? editor.left(1) : editor.left(separator);
        request.fileName = editor.mid(separator + 1);
    }
    const std::optional<QString> chosen = m_dialogs.openFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    m_settings.setText(EditorPath, *chosen);
}

void FrmPicture::Command2_Click()
{
    const QString editor = m_settings.text(EditorPath);
    if (!editor.isEmpty() && m_dialogs.startProgram(editor, {m_owner.fn()}))
        return;
    m_dialogs.messageBox(tr("編集する為のアプリケーションを関連付けで、設定してください。"),
                         MsgIcon::Critical, MsgButtons::Ok);
}

void FrmPicture::Command3_Click()
{
    m_owner.albumSwitch();
}

void FrmPicture::Form_QueryUnload()
{
    clearPictures();
}

bool FrmPicture::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (Form_KeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmPicture::keyPressEvent(QKeyEvent *event)
{
    if (!Form_KeyDown(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}

void FrmPicture::paintEvent(QPaintEvent *event)
{
    QPainter(this).fillRect(event->rect(), kBackground);
}

void FrmPicture::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void FrmPicture::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Form_Click();
}

void FrmPicture::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

} // namespace velt
