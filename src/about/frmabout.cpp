#include "about/frmabout.h"

#include "about/frmhelp.h"
#include "about/homepage.h"
#include "options/frmoption.h"
#include "platform/formdesign.h"
#include "platform/version.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace velt {

namespace {

// The program's mark: a framed picture on a blue ground, as on the progress window.
QPixmap logoPixmap(QSize size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(20, 60, 140));
    gradient.setColorAt(1, QColor(90, 170, 230));
    p.fillRect(pixmap.rect(), gradient);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 2));
    const QRect frame = pixmap.rect().adjusted(6, 6, -6, -6);
    p.drawRoundedRect(frame, 4, 4);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(frame.center(), frame.width() / 5, frame.height() / 5);
    return pixmap;
}

// A small page with a link chain: the home page.
QPixmap pagePixmap(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 80, 160), 1.5));
    p.setBrush(Qt::white);
    const QRectF page = QRectF(pixmap.rect()).adjusted(3, 1.5, -3, -1.5);
    p.drawRect(page);
    for (int line = 1; line <= 3; ++line) {
        const qreal y = page.top() + page.height() * line / 4.5;
        p.drawLine(QPointF(page.left() + 3, y), QPointF(page.right() - 3, y));
    }
    return pixmap;
}

} // namespace

FrmAbout::FrmAbout(MdlVELT &state, Settings &settings, UserDialogs &dialogs, NoOwner &owner,
                   std::function<void()> afterOptions, QWidget *parent)
    : QDialog(parent), m_state(state), m_settings(settings), m_dialogs(dialogs), m_owner(owner),
      m_afterOptions(std::move(afterOptions)), m_homePage(homePageAddress())
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(tr("VELT バージョン情報"));
    QFont designFont(QStringLiteral("ＭＳ Ｐゴシック"));
    designFont.setPointSizeF(9);
    setFont(designFont);
    setFixedSize(twipsToPixels(QSize(6000, 3120)));
    createControls();
}

void FrmAbout::createControls()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(240, 240, 720, 720));
    Image1->setPixmap(logoPixmap(Image1->size()));
    Image1->setToolTip(QStringLiteral("VELT"));
    Image1->setAccessibleName(Image1->toolTip());

    const ControlDesign<QLabel> labels[] = {
            {&lblTitle, "lblTitle", "ZUDI", "", 1200, 180, 4560, 540},
            {&lblVersion, "lblVersion", "Version", "", 1200, 780, 4560, 300},
            {&LblURL, "LblURL", QT_TR_NOOP("ホームページ"),
             QT_TR_NOOP("ホームページを呼び出します"), 1560, 1440, 4200, 300},
    };
    for (const auto &d : labels)
        d.create(this);
    QFont title(QStringLiteral("ＭＳ Ｐゴシック"));
    title.setPointSizeF(20);
    title.setBold(true);
    lblTitle->setFont(title);
    QFont link = LblURL->font();
    link.setUnderline(true);
    LblURL->setFont(link);
    QPalette blue = LblURL->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 204));
    LblURL->setPalette(blue);
    LblURL->setCursor(Qt::PointingHandCursor);
    LblURL->installEventFilter(this);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(twipsRect(1200, 1440, 300, 300));
    Image2->setPixmap(pagePixmap(Image2->size()));
    Image2->setToolTip(tr("ホームページ"));
    Image2->setAccessibleName(Image2->toolTip());

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setGeometry(twipsRect(240, 2040, 5520, 30));

    const ControlDesign<QPushButton> buttons[] = {
            {&cmdOK, "cmdOK", "OK", QT_TR_NOOP("バージョン情報を終了します。"), 4440, 2280, 1320,
             420},
            {&CmdOption, "CmdOption", QT_TR_NOOP("取得オプション"),
             QT_TR_NOOP("取得オプションを設定します"), 240, 2280, 1680, 420},
            {&CmdHelp, "CmdHelp", QT_TR_NOOP("ヘルプ"), QT_TR_NOOP("ヘルプ画面を表示します。"),
             2040, 2280, 1200, 420},
    };
    for (const auto &d : buttons)
        d.create(this)->setAutoDefault(false);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &FrmAbout::CmdOk_Click);
    connect(CmdOption, &QPushButton::clicked, this, &FrmAbout::CmdOption_Click);
    connect(CmdHelp, &QPushButton::clicked, this, &FrmAbout::CmdHelp_Click);
    setTabOrder(cmdOK, CmdOption);
    setTabOrder(CmdOption, CmdHelp);
}

void FrmAbout::setHomePage(const QString &address)
{
    m_homePage = address;
}

void FrmAbout::Form_Load()
{
    lblVersion->setText(versionText());
    // The link shows where it leads; a long path keeps its beginning and its file name.
    const QString shown = m_homePage.isEmpty() ? tr("ホームページ") : m_homePage;
    LblURL->setText(LblURL->fontMetrics().elidedText(shown, Qt::ElideMiddle, LblURL->width()));
    LblURL->setEnabled(!m_homePage.isEmpty());
    cmdOK->setFocus(Qt::OtherFocusReason);
}

void FrmAbout::CmdOk_Click()
{
    close();
}

void FrmAbout::CmdOption_Click()
{
    {
        FrmOption dialog(
                m_state, m_settings, m_dialogs, m_owner, m_owner.extTable(),
                [this] { return m_owner.today(); }, this);
        dialog.Form_Load();
        m_dialogs.runModal(&dialog, [&dialog] { dialog.exec(); });
    }
    if (m_afterOptions)
        m_afterOptions();
    close();
}

void FrmAbout::CmdHelp_Click()
{
    FrmHelp help(this);
    m_dialogs.runModal(&help, [&help] { help.exec(); });
}

void FrmAbout::LblURL_Click()
{
    openHomePage(m_settings, m_dialogs, m_homePage);
}

bool FrmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LblURL && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && LblURL->rect().contains(mouse->position().toPoint()))
            LblURL_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velt
