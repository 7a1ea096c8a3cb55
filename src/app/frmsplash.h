#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velt {

// The load-progress window shown while the collection copies the caches.
class FrmSplash : public QWidget
{
    Q_OBJECT
public:
    FrmSplash(MdlVELT &state, const Settings &settings, QWidget *parent = nullptr);

    // Runs each time the window is loaded: version and title texts, StopLoad cleared, the stop
    // button shown; with NoCollectAtStart only title, version and logo stay visible.
    void Form_Load();
    void CmdStop_Click();

    QLabel *LabelVersion = nullptr;
    QLabel *lblProductName = nullptr;
    QLabel *LabelLoad = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *CmdStop = nullptr;
    QLabel *imgLogo = nullptr;

private:
    MdlVELT &m_state;
    const Settings &m_settings;
};

} // namespace velt
