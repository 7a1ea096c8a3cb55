#include "index/frmno.h"

#include "index/gifpage.h"
#include "index/nolist.h"
#include "options/frmoption.h"
#include "platform/formdesign.h"
#include "platform/language.h"
#include "platform/namebytes.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>

namespace velt {

namespace {

QPushButton *button(const char *name, const char *caption, const char *tooltip)
{
    auto *b = new QPushButton(FrmNo::tr(caption));
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(FrmNo::tr(tooltip));
    b->setAutoDefault(false);
    return b;
}

// Characters of a display line: the 35-character name field and the 21-character time.
constexpr int kLineCharacters = 56;
constexpr int kVisibleLines = 20;

} // namespace

FrmNo::FrmNo(MdlVELT &state, Settings &settings, UserDialogs &dialogs, NoOwner &owner,
             QWidget *parent)
    : QWidget(parent), m_state(state), m_settings(settings), m_dialogs(dialogs), m_owner(owner)
{
    setObjectName(QStringLiteral("FrmNo"));
    setWindowTitle(tr("画像ファイル一覧表示"));
    QFont uiFont(QStringLiteral("ＭＳ Ｐゴシック"));
    uiFont.setPointSizeF(9);
    setFont(uiFont);
    createControls();
}

void FrmNo::createControls()
{
    List1 = new QListWidget;
    List1->setObjectName(QStringLiteral("List1"));
    List1->setToolTip(tr("ﾀﾞﾌﾞﾙｸﾘｯｸまたはＥｎｔｅｒで画像表示"));
    QFont fixed(QStringLiteral("ＭＳ ゴシック"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setPointSizeF(9);
    List1->setFont(fixed);
    // Every line has the same height: 30 000 lines are laid out without measuring each.
    List1->setUniformItemSizes(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const QFontMetrics metrics(fixed);
    List1->setMinimumSize(metrics.horizontalAdvance(QString(kLineCharacters + 2, QLatin1Char('0')))
                                  + List1->verticalScrollBar()->sizeHint().width()
                                  + 2 * List1->frameWidth(),
                          metrics.height() * kVisibleLines);

    Label1 = new QLabel(tr("頭文字を入力すると、その文字のグループの先頭へジャンプします。"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    CmdNo = button("CmdNo", QT_TR_NOOP("番号表示"), QT_TR_NOOP("番号で画像を呼び出します"));
    CmdView = button("CmdView", QT_TR_NOOP("画像一覧"), QT_TR_NOOP("１０画像単位で表示します"));
    CmdOption = button("CmdOption", QT_TR_NOOP("取得オプション"),
                       QT_TR_NOOP("画像の取得条件を設定して読み込みます"));
    CmdGif = button("CmdGif", QT_TR_NOOP("広告一覧"), QT_TR_NOOP("GIFファイルの表示"));
    CmdView->setEnabled(false); // until the thumbnail window is there to open

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {CmdNo, CmdView, CmdOption, CmdGif})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(List1, 1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    layout->activate(); // the size limits are in place before the window exists

    connect(List1, &QListWidget::currentRowChanged, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });
    connect(CmdNo, &QPushButton::clicked, this, &FrmNo::CmdNo_Click);
    connect(CmdView, &QPushButton::clicked, this, &FrmNo::CmdView_Click);
    connect(CmdOption, &QPushButton::clicked, this, &FrmNo::CmdOption_Click);
    connect(CmdGif, &QPushButton::clicked, this, &FrmNo::CmdGif_Click);

    // Key preview: the window sees Esc and Enter whichever control has the focus.
    for (QWidget *w : std::initializer_list<QWidget *>{List1, CmdNo, CmdView, CmdOption, CmdGif})
        w->installEventFilter(this);
    List1->viewport()->installEventFilter(this);
    setTabOrder(List1, CmdNo);
    setTabOrder(CmdNo, CmdView);
    setTabOrder(CmdView, CmdOption);
    setTabOrder(CmdOption, CmdGif);
}

void FrmNo::Form_Load()
{
    fillList();
}

void FrmNo::fillList()
{
    m_filling = true;
    List1->clear();
    m_lines.clear();
    m_filling = false;
    if (m_state.ListCount == 0)
        return;
    if (m_state.ListPos == 0)
        m_state.ListPos = 1;
    // A position left from a list that has since shrunk would select nothing.
    m_state.ListPos = std::min(m_state.ListPos, m_state.ListCount);
    m_lines = m_state.ListLine.mid(1, m_state.ListCount);
    m_filling = true;
    QStringList shown;
    shown.reserve(m_lines.size());
    for (const QString &line : std::as_const(m_lines))
        shown << displayFileName(line);
    List1->addItems(shown);
    m_filling = false;
    List1->setCurrentRow(m_state.ListPos - 1);
    List1->scrollToItem(List1->currentItem(), QAbstractItemView::PositionAtCenter);
    m_owner.setPictureNumber(m_state.ListPos);
}

void FrmNo::List1_Click()
{
    const int row = List1->currentRow();
    // Lines beyond the list (a list rebuilt elsewhere since the fill) name no picture.
    if (m_filling || row < 0 || row >= m_state.ListCount)
        return;
    m_state.ListPos = row + 1;
    m_owner.setPictureNumber(m_state.ListPos);
}

void FrmNo::List1_KeyDown()
{
    List1_Click();
}

void FrmNo::showPicture()
{
    const QString fn = m_state.WorkDir + QLatin1Char('/')
            + (m_state.ListPos >= 1 && m_state.ListPos <= m_state.ListCount
                       ? m_state.ListFile.value(m_state.ListPos)
                       : QString());
    m_owner.setFn(fn);
    if (!m_owner.extTable().SerchGaExp(fn))
        return;
    {
        WaitCursor wait(this);
        m_state.PicOwner = 1;
        m_owner.openPictureWindow();
    }
    m_owner.setPictureNumber(m_state.ListPos);
    m_owner.setDisplayMode(2);
}

void FrmNo::List1_DblClick()
{
    const int row = List1->currentRow();
    if (row < 0 || row >= m_state.ListCount)
        return;
    m_owner.closePictureWindow();
    m_state.ListPos = row + 1;
    showPicture();
}

void FrmNo::CmdNo_Click()
{
    const std::optional<QString> answer = m_dialogs.inputBox(
            messageText(kPromptPictureNumber), QStringLiteral("VELT"), QStringLiteral("1"));
    if (!answer || answer->isEmpty())
        return;
    const int number = pictureNumber(*answer, m_state.ListCount);
    if (number == 0) {
        m_dialogs.messageBox(messageText(kMsgNoSuchPicture), MsgIcon::Critical, MsgButtons::Ok);
        return;
    }
    m_owner.closePictureWindow();
    m_state.ListPos = number;
    showPicture();
    List1->setCurrentRow(number - 1);
}

void FrmNo::CmdView_Click()
{
    if (!m_openThumbnails)
        return;
    WaitCursor wait(this);
    m_openThumbnails();
}

void FrmNo::CmdOption_Click()
{
    {
        FrmOption dialog(
                m_state, m_settings, m_dialogs, m_owner, m_owner.extTable(),
                [this] { return m_owner.today(); }, this);
        dialog.Form_Load();
        dialog.exec();
    }
    fillList();
    List1->setFocus(Qt::OtherFocusReason);
}

void FrmNo::CmdGif_Click()
{
    showGifPage(m_state, m_settings, m_dialogs);
}

void FrmNo::focusList()
{
    raise();
    activateWindow();
    List1->setFocus(Qt::OtherFocusReason);
}

void FrmNo::selectPosition(int listPos)
{
    if (listPos >= 1 && listPos <= List1->count())
        List1->setCurrentRow(listPos - 1);
}

void FrmNo::setThumbnailOpener(std::function<void()> open)
{
    m_openThumbnails = std::move(open);
    CmdView->setEnabled(bool(m_openThumbnails));
}

void FrmNo::placeBelow(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QScreen *screen = window->screen();
    const QPoint below(frame.left(), frame.bottom() + 1);
    if (!screen || below.y() + sizeHint().height() / 2 < screen->availableGeometry().bottom())
        move(below);
}

bool FrmNo::Form_KeyDown(int key)
{
    switch (key) {
    case Qt::Key_Escape:
        close();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        List1_DblClick();
        return true;
    default:
        return false;
    }
}

void FrmNo::Form_QueryUnload()
{
    m_state.PicOwner = 0;
}

void FrmNo::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

void FrmNo::keyPressEvent(QKeyEvent *event)
{
    if (!Form_KeyDown(event->key()))
        QWidget::keyPressEvent(event);
}

bool FrmNo::eventFilter(QObject *watched, QEvent *event)
{
    // A line of a file from today's caches shows its source under the list's own tooltip;
    // looked up when asked, so filling 30 000 lines costs nothing more.
    if (event->type() == QEvent::ToolTip && watched == List1->viewport()) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int row = List1->indexAt(help->pos()).row();
        const std::optional<SourceFacts> source = row >= 0
                ? m_state.Sources.lookup(
                        QDir(m_state.WorkDir).filePath(m_state.ListFile.value(row + 1)))
                : std::nullopt;
        if (!source)
            return QWidget::eventFilter(watched, event);
        QToolTip::showText(help->globalPos(),
                           List1->toolTip() + QStringLiteral("\n\n") + sourceToolTip(*source),
                           List1->viewport());
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    if (Form_KeyDown(keyEvent->key()))
        return true;
    if (watched != List1)
        return false;
    List1_KeyDown();
    // Type-ahead by first character; Ctrl and Alt combinations keep their own meaning.
    const QString text = keyEvent->text();
    if (text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace()
        && !(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        const int row = typeAheadRow(m_lines, List1->currentRow(), text.at(0));
        if (row >= 0)
            List1->setCurrentRow(row);
        return true;
    }
    return false;
}

} // namespace velt
