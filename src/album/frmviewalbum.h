#pragma once

#include "album/thumbnails.h"
#include "app/mdlvelt.h"
#include "index/noowner.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>

class QScrollBar;

namespace velt {

class FrmNo;

// One image cell: stretches whatever picture it holds to its own size; empty when cleared.
class ThumbnailCell : public QWidget
{
    Q_OBJECT
public:
    explicit ThumbnailCell(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }
    // The file the cell stands for, as its tooltip and accessible name; empty for none.
    void setFileName(const QString &name);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};

// The thumbnail window: ten pictures of the list at a time in two rows of five; the scroll bar's
// value is the list position of the first cell. Opening and scrolling make that position the
// current picture; a click opens a picture in the picture window (PicOwner 2). Modeless; deletes
// itself when closed. Decoded cells are kept while the window is open.
class FrmViewAlbum : public QWidget
{
    Q_OBJECT
public:
    // indexWindow answers the image-number window while it is open (else null).
    FrmViewAlbum(MdlVELT &state, NoOwner &owner, std::function<FrmNo *()> indexWindow,
                 QWidget *parent = nullptr);

    // cut.bmp; by default the one that came with the program. Before Form_Load.
    void setCutPicturePath(const QString &path);

    void Form_Load();
    void VScroll1_Change();
    void Image1_Click(int index);
    // Esc closes the window; every other key is left to the controls (false).
    bool Form_KeyDown(int key);
    void Form_QueryUnload();

    // Checks and decodes so far (pictures answered from the open window's cells not counted).
    int decodes() const { return m_thumbnails.decodes(); }

    std::array<ThumbnailCell *, kThumbnailCells> Image1{};
    QScrollBar *VScroll1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fillCell(int cell, int position, bool scrolling);
    void showPosition(int position);

    MdlVELT &m_state;
    NoOwner &m_owner;
    std::function<FrmNo *()> m_indexWindow;
    QString m_cutPath;
    QImage m_placeholder;
    QImage m_cut; // null when cut.bmp cannot be loaded
    ThumbnailCache m_thumbnails;
    bool m_closed = false;
};

} // namespace velt
