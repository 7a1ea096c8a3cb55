#pragma once

#include "app/settings.h"
#include "platform/dialogs.h"

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace velt {

// The copy dialog: shows the stored destination, lets the user pick and record another one, and
// closes with copy, copy under a new name, or cancel. Its answer is in the settings:
// CopyConfirmed and CopyNewName. Modal; the close box counts as cancel, so an answer of an
// earlier use never stands.
class FrmSend : public QDialog
{
    Q_OBJECT
public:
    // displayMode is the main window's DisplayMode (1: a movie or sound opened with the File
    // button, which has a destination of its own); workDir may not become a destination.
    FrmSend(Settings &settings, UserDialogs &dialogs, int displayMode, const QString &workDir,
            QWidget *parent = nullptr);

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    // True when the key was handled here (Esc cancels, whatever has the focus).
    bool Form_KeyDown(int key);
    // However the dialog is dismissed without an answer, it counts as cancel.
    void reject() override;

    // The folder selected in Dir1; moving it runs Dir1_Change.
    QString dir1Path() const;
    void setDir1Path(const QString &path);

    QComboBox *Drive1 = nullptr;
    QTreeView *Dir1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fillDrives(const QString &currentRoot);
    void finish(bool confirmed, const QString &newName);

    Settings &m_settings;
    UserDialogs &m_dialogs;
    int m_displayMode;
    QString m_workDir;
    QFileSystemModel *m_folders = nullptr;
    bool m_finished = false;
};

} // namespace velt
