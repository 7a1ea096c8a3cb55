#include "app/frmsplash.h"

#include "app/loadprogress.h"
#include "platform/language.h"
#include "platform/twips.h"
#include "platform/version.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

namespace velt {

static QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

static QPixmap logoPixmap(QSize size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(20, 60, 140));
    gradient.setColorAt(1, QColor(90, 170, 230));
    p.fillRect(pixmap.rect(), gradient);
    p.setPen(QPen(Qt::white, 3));
    p.setRenderHint(QPainter::Antialiasing);
    // A stylised film frame around a picture: what the program looks for.
    const QRect frame = pixmap.rect().adjusted(10, 10, -10, -10);
    p.drawRoundedRect(frame, 6, 6);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(frame.center(), frame.width() / 5, frame.height() / 5);
    return pixmap;
}

FrmSplash::FrmSplash(MdlVELT &state, const Settings &settings, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_state(state), m_settings(settings)
{
    setObjectName(QStringLiteral("FrmSplash"));
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    setFixedSize(twipsToPixels(6975), twipsToPixels(3420));
    setStyleSheet(QStringLiteral("#FrmSplash { background: #ffffff; border: 2px solid #335; }"));
    setAttribute(Qt::WA_StyledBackground);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(twipsRect(240, 240, 1800, 1800));
    imgLogo->setPixmap(logoPixmap(imgLogo->size()));

    lblProductName = new QLabel(QStringLiteral("VELT"), this);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    lblProductName->setGeometry(twipsRect(2280, 240, 4440, 900));
    QFont titleFont(QStringLiteral("ＭＳ Ｐゴシック"));
    titleFont.setPointSizeF(32);
    titleFont.setBold(true);
    lblProductName->setFont(titleFont);

    LabelVersion = new QLabel(QStringLiteral("Version"), this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelVersion->setGeometry(twipsRect(2280, 1200, 4440, 360));

    LabelLoad = new QLabel(messageText(kLabelSearchingIE), this);
    LabelLoad->setObjectName(QStringLiteral("LabelLoad"));
    LabelLoad->setGeometry(twipsRect(240, 2220, 6480, 300));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setToolTip(tr("読み込んでいる状態を表示しています。"));
    ProgressBar1->setGeometry(twipsRect(240, 2580, 5040, 360));

    CmdStop = new QPushButton(tr("読込中止"), this);
    CmdStop->setObjectName(QStringLiteral("CmdStop"));
    CmdStop->setGeometry(twipsRect(5400, 2520, 1320, 495));
    connect(CmdStop, &QPushButton::clicked, this, &FrmSplash::CmdStop_Click);
}

void FrmSplash::Form_Load()
{
    LabelVersion->setText(versionText());
    lblProductName->setText(QString::fromLatin1(kProgramTitle));
    m_state.StopLoad = false;
    CmdStop->setVisible(true);
    unsetCursor();
    if (m_settings.isSet(NoCollectAtStart)) {
        CmdStop->setVisible(false);
        ProgressBar1->setVisible(false);
        LabelLoad->setVisible(false);
    }
}

void FrmSplash::CmdStop_Click()
{
    CmdStop->setVisible(false);
    setCursor(Qt::WaitCursor);
    m_state.StopLoad = true;
}

} // namespace velt
