#pragma once

// What the window benchmarks share: Qt's offscreen platform unless one is chosen, a count of
// the paints a widget received, and a main window that does nothing for the list windows.

#include "index/noowner.h"

#include <QByteArray>
#include <QDate>
#include <QEvent>
#include <QObject>

namespace bench {

// Before QApplication: QT_QPA_PLATFORM=xcb (with DISPLAY) measures through a real X server.
inline void offscreenUnlessChosen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Installed as an event filter: counts the paint events of the watched widget.
class PaintSpy : public QObject
{
public:
    int painted = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++painted;
        return false;
    }
};

// The main window as FrmNo and FrmViewAlbum see it, doing nothing; "today" is fixed so the
// figures never depend on the day they are measured.
class IdleOwner : public velt::NoOwner
{
public:
    void setFn(const QString &) override { }
    void closePictureWindow() override { }
    void openPictureWindow() override { }
    void setDisplayMode(qint16) override { }
    void setPictureNumber(int) override { }
    const velt::ExtTable &extTable() const override { return velt::ExtTable::standard(); }
    QDate today() const override { return QDate(2026, 12, 7); }
    void setNavigationEnabled(bool) override { }
    void setCounters(int, int) override { }
};

} // namespace bench
