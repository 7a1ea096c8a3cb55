#include "album/frmviewalbum.h"

#include "index/frmno.h"
#include "platform/formdesign.h"
#include "platform/namebytes.h"
#include "platform/programfiles.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace velt {

ThumbnailCell::ThumbnailCell(QWidget *parent) : QWidget(parent) { }

void ThumbnailCell::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void ThumbnailCell::setFileName(const QString &name)
{
    setToolTip(name);
    setAccessibleName(name);
}

void ThumbnailCell::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    // Stretched: the cell keeps no aspect ratio. A thumbnail decoded at the cell's size is drawn
    // 1:1; the placeholder and cut.bmp are scaled smoothly.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_picture);
}

void ThumbnailCell::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void ThumbnailCell::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

namespace {

QSize cellPixels(const QWidget *window)
{
    const QSize logical = twipsToPixels(QSize(kThumbnailCellWidth, kThumbnailCellHeight));
    return (QSizeF(logical) * window->devicePixelRatioF()).toSize();
}

} // namespace

FrmViewAlbum::FrmViewAlbum(MdlVELT &state, NoOwner &owner, std::function<FrmNo *()> indexWindow,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), m_state(state), m_owner(owner),
      m_indexWindow(std::move(indexWindow)),
      m_cutPath(findProgramFile(QStringLiteral("cut.bmp"), ProgramFileKind::Data)),
      m_placeholder(thumbnailPlaceholder()), m_thumbnails(cellPixels(this), defaultMetafileHelper())
{
    setObjectName(QStringLiteral("FrmViewAlbum"));
    setWindowTitle(tr("画像一覧表示"));
    setFixedSize(twipsToPixels(kThumbnailClientTwips));

    for (int c = 0; c < kThumbnailCells; ++c) {
        auto *cell = new ThumbnailCell(this);
        cell->setObjectName(QStringLiteral("Image1(%1)").arg(c));
        cell->setGeometry(twipsToPixels(thumbnailCellTwips(c)));
        cell->setPicture(m_placeholder);
        connect(cell, &ThumbnailCell::clicked, this, [this, c] { Image1_Click(c); });
        Image1[c] = cell;
    }
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setGeometry(twipsToPixels(kThumbnailScrollTwips));
    VScroll1->setRange(1, 1);
    VScroll1->setValue(1);
    // An arrow moves one picture, a page click ten; a dragged thumb changes the value once, when
    // it is let go, so a drag to the end of 30 000 pictures fills the cells once.
    VScroll1->setSingleStep(1);
    VScroll1->setPageStep(kThumbnailCells);
    VScroll1->setTracking(false);
    VScroll1->setFocusPolicy(Qt::StrongFocus); // arrows, Page Up/Down, Home and End scroll
    connect(VScroll1, &QScrollBar::valueChanged, this, &FrmViewAlbum::VScroll1_Change);

    // The window sees every key before its controls.
    VScroll1->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

void FrmViewAlbum::setCutPicturePath(const QString &path)
{
    m_cutPath = path;
}

void FrmViewAlbum::Form_Load()
{
    WaitCursor wait(this);
    m_cut = m_cutPath.isEmpty() ? QImage() : loadPicture(m_cutPath).image;
    const ThumbnailPaging paging = thumbnailPaging(m_state.ListCount);
    if (!paging.cellsVisible) {
        VScroll1->hide();
        for (ThumbnailCell *cell : Image1)
            cell->hide();
        return;
    }
    VScroll1->setVisible(paging.scrollVisible);
    if (paging.scrollVisible)
        VScroll1->setFocus(Qt::OtherFocusReason);
    {
        const QSignalBlocker block(VScroll1);
        VScroll1->setRange(1, paging.maximum);
        VScroll1->setValue(1);
    }
    const int v = VScroll1->value();
    for (int c = 0; c < paging.filledAtLoad; ++c)
        fillCell(c, thumbnailPosition(v, c, m_state.ListCount), false);
    showPosition(v);
}

void FrmViewAlbum::fillCell(int cell, int position, bool scrolling)
{
    ThumbnailCell *target = Image1[cell];
    if (position == 0) {
        target->setFileName(QString());
        return;
    }
    const QString name = m_state.ListFile.value(position);
    target->setFileName(displayFileName(name));
    const ThumbnailOutcome outcome =
            m_thumbnails.outcome(m_state.WorkDir + QLatin1Char('/') + name, m_state.Sources);
    switch (cellPictureFor(outcome.check, !outcome.image.isNull(), scrolling)) {
    case CellPicture::Decoded:
        target->setPicture(outcome.image);
        break;
    case CellPicture::Keep:
        break;
    case CellPicture::Cut:
        if (!m_cut.isNull())
            target->setPicture(m_cut);
        break;
    }
}

void FrmViewAlbum::showPosition(int position)
{
    m_state.ListPos = position;
    m_owner.setPictureNumber(position);
    if (FrmNo *no = m_indexWindow ? m_indexWindow() : nullptr)
        no->selectPosition(position);
}

void FrmViewAlbum::VScroll1_Change()
{
    WaitCursor wait(this);
    const int v = VScroll1->value();
    for (int c = 0; c < kThumbnailCells; ++c) {
        Image1[c]->setPicture(QImage());
        fillCell(c, thumbnailPosition(v, c, m_state.ListCount), true);
    }
    showPosition(v);
}

void FrmViewAlbum::Image1_Click(int index)
{
    const int n = thumbnailPosition(VScroll1->value(), index, m_state.ListCount);
    if (n == 0)
        return;
    m_owner.closePictureWindow();
    showPosition(n);
    m_state.PicOwner = 2;
    m_owner.setFn(m_state.WorkDir + QLatin1Char('/') + m_state.ListFile.value(n));
    m_owner.openPictureWindow();
}

bool FrmViewAlbum::Form_KeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    close();
    return true;
}

void FrmViewAlbum::Form_QueryUnload()
{
    if (m_closed)
        return;
    m_closed = true;
    for (ThumbnailCell *cell : Image1)
        cell->setPicture(QImage());
    m_thumbnails.clear();
    if (FrmNo *no = m_indexWindow ? m_indexWindow() : nullptr)
        no->focusList();
    m_state.PicOwner = 0;
}

bool FrmViewAlbum::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && Form_KeyDown(static_cast<QKeyEvent *>(event)->key()))
        return true;
    return QWidget::eventFilter(watched, event);
}

void FrmViewAlbum::keyPressEvent(QKeyEvent *event)
{
    if (!Form_KeyDown(event->key()))
        QWidget::keyPressEvent(event);
}

void FrmViewAlbum::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

} // namespace velt
