#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "picture/imagecheck.h"
#include "picture/pictureloader.h"
#include "platform/dialogs.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

class QPushButton;
class QScrollBar;
class QTimer;

namespace velt {

struct PictureLayout;

// What the picture window needs from the main window.
class PictureOwner
{
public:
    virtual ~PictureOwner() = default;
    // Full path of the picture to show.
    virtual QString fn() const = 0;
    // The main window's copy button Command15.
    virtual void setCopyButtonEnabled(bool enabled) = 0;
    // Activates the main window and focuses Command13/12/15/14 for PageDown/PageUp/S/N; that
    // button acts on the key's release.
    virtual void handOverKey(int qtKey) = 0;
    // Command3: switch to album mode.
    virtual void albumSwitch() = 0;
};

// Picture1: shows a region of the picture at 1:1, from the top-left origin given in pixels.
// Holds the picture implicitly shared with the window, so no pixels are copied.
class PictureArea : public QWidget
{
    Q_OBJECT
public:
    explicit PictureArea(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    void setOrigin(QPoint origin);
    QPoint origin() const { return m_origin; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    QPoint m_origin;
};

// The window that shows one picture: checks the file, shows it at its natural size with scroll
// bars beyond a 10000-twip viewport, and hands navigation keys back to the main window.
// Deletes itself when closed; each picture gets a fresh window.
class FrmPicture : public QWidget
{
    Q_OBJECT
public:
    FrmPicture(MdlVELT &state, Settings &settings, UserDialogs &dialogs, PictureOwner &owner,
               QWidget *parent = nullptr);
    ~FrmPicture() override;

    void setTimerInterval(int ms);
    // Where Form_Load takes the decoded picture from after the check passed (the main window's
    // decode-ahead); loadPicture when none is set.
    void setPictureSource(std::function<LoadedPicture(const QString &path)> source);
    qint16 TimeT() const { return m_timeT; }
    void setTimeT(qint16 value) { m_timeT = value; }

    // Checks and lays out the owner's fn. True when a picture is shown; false after the
    // report, with the window empty. The caller shows the window either way.
    bool Form_Load();

    // The key table; true when the key was one of the window's own (it does not reach the
    // control that has the focus).
    bool Form_KeyDown(int key, Qt::KeyboardModifiers shift);
    void Form_Click();
    void Form_QueryUnload();
    void Picture1_Click();
    void HScroll1_Change();
    void HScroll1_Scroll();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void Timer1_Timer();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    // The whole picture as loaded (Picture2); null when nothing is shown.
    const QImage &picture() const { return m_picture2; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void reportFailure(CheckResult result, const std::optional<QDateTime> &modified);
    void applyInitialGeometry();
    void applyLayout(const PictureLayout &layout);
    void clearPictures();
    void scrollBy(QScrollBar *bar, int step);

    MdlVELT &m_state;
    Settings &m_settings;
    UserDialogs &m_dialogs;
    PictureOwner &m_owner;

    PictureArea *Picture1 = nullptr;
    QImage m_picture2; // Picture2: the whole picture, source of all painting
    QScrollBar *HScroll1 = nullptr;
    QScrollBar *VScroll1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QTimer *Timer1 = nullptr;
    qint16 m_timeT = 0;
    std::function<LoadedPicture(const QString &path)> m_pictureSource;
};

} // namespace velt
