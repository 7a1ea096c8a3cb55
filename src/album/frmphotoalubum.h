#pragma once

#include "album/albumfolder.h"
#include "app/settings.h"
#include "platform/dialogs.h"

#include <QDialog>
#include <QHash>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace velt {

// The album folder dialog: a drive list and the folder tree of the chosen drive; the chosen
// folder is shown below them. OK stores it in AlbumFolder and sets AlbumChosen; Cancel and the
// close box leave AlbumChosen false. Modal; Form_Load before exec().
class FrmPhotoAlubum : public QDialog
{
    Q_OBJECT
public:
    // fallbackFolder: where the dialog opens when AlbumFolder names no folder any more.
    FrmPhotoAlubum(Settings &settings, UserDialogs &dialogs, const QString &fallbackFolder,
                   const QList<AlbumVolume> &volumes = mountedAlbumVolumes(),
                   QWidget *parent = nullptr);

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void CmdOk_Click();
    void CmdCancel_Click();

    // The folder Dir1 is on (a host path).
    QString folder() const { return m_folder; }
    // Moves Dir1 to folder, as a click in the tree would.
    void setFolder(const QString &folder);

    QLabel *Label1 = nullptr;
    QComboBox *Drive1 = nullptr;
    QTreeView *Dir1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *CmdOK = nullptr;
    QPushButton *CmdCancel = nullptr;

private:
    void createControls();
    void fillDrives();
    // Shows folder: its drive in Drive1, the way down to it in Dir1, the folder in Label2.
    void showFolder(const QString &folder);
    void showInLabel2(const QString &folder);

    Settings &m_settings;
    UserDialogs &m_dialogs;
    QString m_fallback;
    QList<AlbumVolume> m_volumes;
    QFileSystemModel *m_model = nullptr;
    QString m_folder;
    QHash<QString, QString> m_lastFolderOn; // the folder last shown on each drive
};

} // namespace velt
