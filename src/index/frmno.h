#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "index/noowner.h"
#include "platform/dialogs.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace velt {

// The image-number window: every collected picture as one fixed-pitch line. Selecting a line
// moves ListPos at once; double-click, Enter or a typed number shows the picture. One instance,
// modeless; the list is filled by Form_Load and again after the options dialog.
class FrmNo : public QWidget
{
    Q_OBJECT
public:
    FrmNo(MdlVELT &state, Settings &settings, UserDialogs &dialogs, NoOwner &owner,
          QWidget *parent = nullptr);

    void Form_Load();
    // Closing: PicOwner back to 0.
    void Form_QueryUnload();
    // True when the key was the window's own (Esc, Enter).
    bool Form_KeyDown(int key);
    void List1_Click();
    void List1_KeyDown();
    void List1_DblClick();
    void CmdNo_Click();
    void CmdView_Click();
    void CmdOption_Click();
    void CmdGif_Click();

    // For the other windows: the copy command gives the list the focus after copying a picture
    // shown from here; the thumbnail window (and the main window's paging) select the line of a
    // list position, which moves ListPos as a click would.
    void focusList();
    void selectPosition(int listPos);
    // The thumbnail window's opener. Until one is set the thumbnails button is disabled.
    void setThumbnailOpener(std::function<void()> open);
    // Places the window below the given one where the screen allows.
    void placeBelow(const QWidget *window);

    QListWidget *List1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *CmdNo = nullptr;
    QPushButton *CmdView = nullptr;
    QPushButton *CmdOption = nullptr;
    QPushButton *CmdGif = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void fillList();
    void showPicture();

    MdlVELT &m_state;
    Settings &m_settings;
    UserDialogs &m_dialogs;
    NoOwner &m_owner;
    QStringList m_lines; // List1's lines, for the type-ahead
    bool m_filling = false;
    std::function<void()> m_openThumbnails;
};

} // namespace velt
