#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "options/optionrules.h"
#include "options/recollection.h"
#include "platform/dialogs.h"

#include <QDate>
#include <QDialog>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velt {

// The options dialog: the collection conditions and a few switches, edited in the settings in
// memory. "上記の条件で再読み込み" stores, checks and collects WorkDir again; "更新" stores and
// checks; "無効" and Esc close without storing. Opened modally; Form_Load before exec().
class FrmOption : public QDialog
{
    Q_OBJECT
public:
    // today is asked each time the dialog needs the date.
    FrmOption(MdlVELT &state, Settings &settings, UserDialogs &dialogs, RecollectionHost &host,
              const ExtTable &ext, std::function<QDate()> today, QWidget *parent = nullptr);

    // Fills the controls from the settings. Puts today's date into an empty FilterDate (and into
    // FilterDate when TodayOnly is ticked) and sets slot 15 to false: these stay even when the
    // dialog is then discarded.
    void Form_Load();

    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Check5_Click();
    void Check7_Click();
    void CmdOk_Click();
    void CmdCancel_Click();
    void CmdEsc_Click();
    // True when the key was the dialog's own (Esc).
    bool Form_KeyDown(int key);

    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QGroupBox *Frame5 = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;
    QCheckBox *Check4 = nullptr;
    QCheckBox *Check5 = nullptr;
    QCheckBox *Check6 = nullptr;
    QCheckBox *Check7 = nullptr;
    QCheckBox *Check8 = nullptr;
    QCheckBox *Check9 = nullptr;
    QCheckBox *Check10 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QPushButton *CmdOk = nullptr;
    QPushButton *CmdCancel = nullptr;
    QPushButton *CmdEsc = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    QCheckBox *checkBox(int index) const;
    OptionFields fields() const;
    // Stores and checks; false after the failure message (the settings are as they were).
    bool storeAndCheck();
    void setTodayAsFilterDate();

    MdlVELT &m_state;
    Settings &m_settings;
    UserDialogs &m_dialogs;
    RecollectionHost &m_host;
    const ExtTable &m_ext;
    std::function<QDate()> m_today;
};

} // namespace velt
