#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "cache/collection.h"
#include "index/frmno.h"
#include "picture/decodeahead.h"
#include "picture/frmpicture.h"
#include "platform/dialogs.h"
#include "platform/mediaplayer.h"
#include "viewer/viewercollection.h"
#include "viewer/viewerfiles.h"
#include "viewer/viewerwindows.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

// The main window stays a thin class: its side of the collection (ViewerCollection), the File
// and copy buttons (ViewerFiles), the other windows and the album switch (ViewerWindows) and the
// keyboard (KeyPreview: keys act on release, a held key acts once) are helpers it owns. Paging
// re-creates FrmPicture through openPictureWindow, which first tells the decode-ahead which
// pictures to keep (the one to show and its neighbours that pass the check). "Today", the
// timers' intervals and the player's load time-out come from ViewerEnvironment, so tests fix
// them.

namespace velt {

class FrmHelp;
class FrmSplash;
class FrmViewAlbum;
class KeyPreview;
class QtMediaPlayer;

// What the main window is started with; everything it reaches outside itself.
struct ViewerEnvironment
{
    const RegistrySource *registry = nullptr;
    DriveMap drives;
    QString settingsPath;
    int timerIntervalMs = 1000;       // Timer1; tests make it short
    int pictureTimerIntervalMs = 300; // the picture window's Timer1
    int keyRepeatGuardMs = 30;        // a key release acts this long after it arrives
    int playerLoadTimeoutMs = 5000;   // how long the player may take to take or refuse a file
    QDate today;                      // invalid = the real date
};

// The main window: player, three rows of buttons, counters. Owns the collection at start and
// the close sequence.
class FrmView : public QWidget, public PictureOwner, public NoOwner
{
    Q_OBJECT
public:
    FrmView(MdlVELT &state, Settings &settings, UserDialogs &dialogs,
            const ViewerEnvironment &environment, QWidget *parent = nullptr);
    ~FrmView() override;

    // Start-up, before the window shows: media types, settings, player, dialog, collection.
    void Form_Load();
    // Close sequence; never cancels. Returns false when a step failed (the message was shown).
    bool Form_QueryUnload();

    void FitToPlayer();
    void DisableButtons();
    void EnableButtons();

    // Handlers, one per control event.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void Command15_Click();
    void Command1_KeyUp(int key);
    void Command12_KeyUp(int key);
    void Command13_KeyUp(int key);
    void Command14_KeyUp(int key);
    void Command15_KeyUp(int key);
    // True when the key was handled here (and does not reach the focused control).
    bool Form_KeyDown(int key);
    void Form_Resize();
    void Timer1_Timer();

    // Classifiers over this window's media-type table.
    bool SerchGaExp(const QString &name) const { return m_ExtTable.SerchGaExp(name); }
    bool SerchDoExp(const QString &name) const { return m_ExtTable.SerchDoExp(name); }

    // The collection's side of this window: the progress window and the stop question.
    void showSplash() { m_collection->showSplash(); }
    int AskStop() { return m_collection->AskStop(); }

    // Picture window owner.
    QString fn() const override { return m_fn; }
    void setCopyButtonEnabled(bool enabled) override;
    void handOverKey(int qtKey) override;
    // The picture window's Command3: the question, the folder dialog and the album as the list.
    void albumSwitch() override;

    // Image-number window owner (and the options dialog's re-collection).
    void setFn(const QString &path) override { m_fn = path; }
    void closePictureWindow() override { unloadPicture(); }
    void openPictureWindow() override;
    void setDisplayMode(qint16 mode) override { DisplayMode = mode; }
    void setPictureNumber(int listPos) override;
    const ExtTable &extTable() const override { return m_ExtTable; }
    QDate today() const override;
    void setNavigationEnabled(bool enabled) override;
    // Label3 and Label5; a rebuilt list closes the thumbnail window, which shows the old one.
    void setCounters(int listPos, int listCount) override;

    // Public values other windows read and write.
    QString m_fn;
    // What is on show, and so what the copy button copies: 0 nothing, 1 a movie or sound opened
    // with the File button, 2 a picture of the list, 3 a picture opened with the File button.
    qint16 DisplayMode = 0;
    qint16 TimeT = 0;
    qint16 StopAns = kAnswerNo;
    QString EditFile;
    QString ICPath;
    FileDialogRequest CommonDialog1;
    int CommonDialog1Flags = 0;
    bool settingsWriteFailed() const { return m_settingsWriteFailed; }

    FrmPicture *pictureWindow() const { return m_picture; }
    // The pictures decoded ahead for paging.
    DecodeAhead &decodeAhead() { return m_decodeAhead; }
    // Run after a picture copy when the picture was opened from the image-number window
    // (PicOwner 1): that window gives the focus back to its list.
    std::function<void()> focusIndexList;
    FrmSplash *splashWindow() const { return m_collection->splashWindow(); }
    // The image-number, thumbnail and help windows while they are open.
    FrmNo *noWindow() const { return m_windows->noWindow(); }
    FrmViewAlbum *thumbnailWindow() const { return m_windows->thumbnailWindow(); }
    FrmHelp *helpWindow() const { return m_windows->helpWindow(); }

    QtMediaPlayer *MediaPlayer1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command9 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command12 = nullptr;
    QPushButton *Command13 = nullptr;
    QPushButton *Command14 = nullptr;
    QPushButton *Command15 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QTimer *Timer1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class ViewerFiles;
    friend class ViewerWindows;
    void createControls();
    QPushButton *buttonAt(int index) const;
    QPushButton *navigationButton(int key) const;
    void showListPicture();
    void unloadPicture();
    void setPlayerSize(int displaySize);
    void showRate();
    void keyUpOnButton(QPushButton *button, int key);
    void applyRateAgain();

    MdlVELT &m_state;
    Settings &m_settings;
    UserDialogs &m_dialogs;
    ViewerEnvironment m_env;
    ExtTable m_ExtTable;
    std::unique_ptr<ViewerCollection> m_collection;
    std::unique_ptr<ViewerFiles> m_files;
    std::unique_ptr<ViewerWindows> m_windows;
    QPointer<FrmPicture> m_picture;
    // The controls of the designed rows, with their designed tops (twips).
    std::vector<std::pair<QWidget *, int>> m_rows;
    bool m_shownOnce = false;
    bool m_closed = false;
    bool m_navigating = false;
    bool m_settingsWriteFailed = false;
    KeyPreview *m_keys = nullptr;
    bool m_f1Pending = false;
    DecodeAhead m_decodeAhead;
};

} // namespace velt
