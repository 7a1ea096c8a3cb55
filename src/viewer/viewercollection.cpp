#include "viewer/viewercollection.h"

#include "app/frmsplash.h"
#include "platform/language.h"
#include "viewer/frmview.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

namespace velt {

ViewerCollection::ViewerCollection(FrmView &view, MdlVELT &state, const Settings &settings,
                                   UserDialogs &dialogs)
    : m_view(view), m_state(state), m_settings(settings), m_dialogs(dialogs)
{
}

ViewerCollection::~ViewerCollection()
{
    delete m_splash;
}

FrmSplash *ViewerCollection::splashWindow() const
{
    return m_splash;
}

void ViewerCollection::showSplash()
{
    if (!m_splash) {
        m_splash = new FrmSplash(m_state, m_settings);
        m_splash->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_splash->Form_Load();
    m_splash->LabelLoad->setText(messageText(kLabelSearchingIE));
    m_splash->ProgressBar1->setValue(0);
    m_splash->show();
}

void ViewerCollection::closeSplash()
{
    if (m_splash) {
        FrmSplash *old = m_splash;
        m_splash = nullptr;
        old->close();
        old->deleteLater();
    }
}

void ViewerCollection::setProgress(int value)
{
    if (m_splash)
        m_splash->ProgressBar1->setValue(value);
}

void ViewerCollection::setLoadLabel(const QString &text)
{
    if (m_splash)
        m_splash->LabelLoad->setText(text);
}

void ViewerCollection::yield()
{
    QCoreApplication::processEvents();
}

void ViewerCollection::waitOneTick()
{
    m_view.TimeT = 1;
    // The wait lets the progress window paint; a press on its stop button shows that it has,
    // and is answered at once rather than after the tick.
    while (m_view.TimeT != 0 && !m_state.StopLoad)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int ViewerCollection::AskStop()
{
    closeSplash();
    const MsgAnswer answer =
            m_dialogs.messageBox(messageText(kMsgAskStop), MsgIcon::Question, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes) {
        m_view.StopAns = kAnswerYes;
        return m_view.StopAns;
    }
    m_view.StopAns = kAnswerNo;
    showSplash();
    waitOneTick();
    return m_view.StopAns;
}

void ViewerCollection::setCounters(int listPos, int listCount)
{
    m_view.setCounters(listPos, listCount);
}

void ViewerCollection::disableNavigation()
{
    m_view.setNavigationEnabled(false);
}

void ViewerCollection::setOpenDialogInitDir(const QString &dir)
{
    m_view.CommonDialog1.initialDir = dir;
}

} // namespace velt
