#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "index/noowner.h"
#include "platform/dialogs.h"

#include <QDialog>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;

namespace velt {

// The about window: name, version, the home-page link, and the way to the options dialog and
// the help. Modal; Form_Load before exec().
class FrmAbout : public QDialog
{
    Q_OBJECT
public:
    // afterOptions runs when the options dialog opened from here has closed (the list may have
    // been collected again).
    FrmAbout(MdlVELT &state, Settings &settings, UserDialogs &dialogs, NoOwner &owner,
             std::function<void()> afterOptions, QWidget *parent = nullptr);

    // The home page this window's link opens; by default homePageAddress(). Before Form_Load.
    void setHomePage(const QString &address);

    void Form_Load();
    void CmdOk_Click();
    void CmdOption_Click();
    void CmdHelp_Click();
    void LblURL_Click();

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *LblURL = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *CmdOption = nullptr;
    QPushButton *CmdHelp = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QFrame *Line1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();

    MdlVELT &m_state;
    Settings &m_settings;
    UserDialogs &m_dialogs;
    NoOwner &m_owner;
    std::function<void()> m_afterOptions;
    QString m_homePage;
};

} // namespace velt
