#pragma once

#include "app/mdlvelt.h"
#include "app/settings.h"
#include "cache/collection.h"
#include "platform/dialogs.h"

#include <QPointer>

namespace velt {

class FrmSplash;
class FrmView;

// The main window's side of the start-up collection: the progress window, the waits on the
// main window's timer, the stop question and the counters. Owned by FrmView.
class ViewerCollection : public CollectionHost
{
public:
    ViewerCollection(FrmView &view, MdlVELT &state, const Settings &settings, UserDialogs &dialogs);
    ~ViewerCollection() override;
    ViewerCollection(const ViewerCollection &) = delete;
    ViewerCollection &operator=(const ViewerCollection &) = delete;

    void showSplash() override;
    void closeSplash() override;
    void setProgress(int value) override;
    void setLoadLabel(const QString &text) override;
    void yield() override;
    void waitOneTick() override;
    int AskStop() override;
    void setCounters(int listPos, int listCount) override;
    void disableNavigation() override;
    void setOpenDialogInitDir(const QString &dir) override;

    FrmSplash *splashWindow() const;

private:
    FrmView &m_view;
    MdlVELT &m_state;
    const Settings &m_settings;
    UserDialogs &m_dialogs;
    QPointer<FrmSplash> m_splash;
};

} // namespace velt
