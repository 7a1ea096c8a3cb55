#include "album/frmmodechange.h"

#include "platform/formdesign.h"

#include <QFrame>
#include <QLabel>

namespace velt {

FrmModeChange::FrmModeChange(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("FrmModeChange"));
    setWindowTitle(QStringLiteral("VELT"));
    setFixedSize(twipsToPixels(QSize(5400, 1200)));

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setLineWidth(2);
    Shape1->setGeometry(twipsRect(120, 120, 5160, 960));

    Label1 = new QLabel(tr("アルバムモードに切り替えています。お待ち下さい。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(240, 360, 4920, 480));
    Label1->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSizeF(11.25);
    Label1->setFont(font);
}

} // namespace velt
