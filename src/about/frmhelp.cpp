#include "about/frmhelp.h"

#include "platform/language.h"
#include "platform/twips.h"

#include <QFile>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velt {

namespace {

// The document is built into the program; the same file is installed for the browser.
const char *const kHelpResource = ":/velt/help/velt-help.html";
const char *const kEnglishHelpResource = ":/velt/help/velt-help-en.html";

QString helpDocument()
{
    QFile file(QString::fromLatin1(uiLanguage() == UiLanguage::English ? kEnglishHelpResource
                                                                       : kHelpResource));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

FrmHelp::FrmHelp(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmHelp"));
    setWindowTitle(tr("VELTのヘルプ"));
    QFont designFont(QStringLiteral("ＭＳ Ｐゴシック"));
    designFont.setPointSizeF(9);
    setFont(designFont);
    resize(twipsToPixels(QSize(9000, 7500)));

    RichTextBox1 = new QTextBrowser(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setOpenLinks(false);
    RichTextBox1->setHtml(helpDocument());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichTextBox1);
    RichTextBox1->installEventFilter(this);
}

bool FrmHelp::Form_KeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    close();
    return true;
}

bool FrmHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && Form_KeyDown(static_cast<QKeyEvent *>(event)->key()))
        return true;
    return QDialog::eventFilter(watched, event);
}

void FrmHelp::keyPressEvent(QKeyEvent *event)
{
    if (!Form_KeyDown(event->key()))
        QDialog::keyPressEvent(event);
}

} // namespace velt
