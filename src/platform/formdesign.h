#pragma once

#include "platform/designedcontrol.h"
#include "platform/twips.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

namespace velt {

inline QRect twipsRect(int left, int top, int width, int height)
{
    return twipsToPixels(QRect(left, top, width, height));
}

// One control as designed: name, caption, tooltip and twips geometry. A control that shows no
// text gets its tooltip as accessible name, so screen readers and GUI robots find it.
template<class Control>
struct ControlDesign
{
    Control **control;
    const char *name;
    const char *caption;
    const char *tooltip;
    int left, top, width, height;

    Control *create(QWidget *parent) const
    {
        // The texts are translated in the context of the window they sit in.
        const char *context = parent->window()->metaObject()->className();
        auto *c = new Control(QCoreApplication::translate(context, caption), parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setToolTip(QCoreApplication::translate(context, tooltip));
        c->setGeometry(twipsRect(left, top, width, height));
        if (c->text().isEmpty())
            c->setAccessibleName(c->toolTip());
        *control = c;
        return c;
    }
};

// A control made from a design table's row; the same rules as ControlDesign.
template<class Control>
Control *createControl(const DesignedControl &d, QWidget *parent)
{
    Control *c = nullptr;
    ControlDesign<Control>{&c, d.name, d.caption, d.tooltip, d.left, d.top, d.width, d.height}
            .create(parent);
    return c;
}

// The hourglass on a window for a long action, restored on every path out of it.
class WaitCursor
{
public:
    explicit WaitCursor(QWidget *w) : m_widget(w) { m_widget->setCursor(Qt::WaitCursor); }
    ~WaitCursor()
    {
        if (m_widget)
            m_widget->unsetCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    QPointer<QWidget> m_widget;
};

} // namespace velt
