#include "viewer/keypreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <utility>

namespace velt {

KeyPreview::KeyPreview(QWidget *window, QWidget *firstFocus, int guardMs, Handlers handlers)
    : QObject(window), m_window(window), m_firstFocus(firstFocus), m_guardMs(guardMs),
      m_handlers(std::move(handlers))
{
    m_releaseTimer = new QTimer(this);
    m_releaseTimer->setSingleShot(true);
    connect(m_releaseTimer, &QTimer::timeout, this, &KeyPreview::actOnPendingRelease);
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now->window() == m_window)
            m_lastFocus = now;
    });
    // The video surface is a native child window and may take the focus when it appears; the
    // buttons must keep it for the keyboard to work.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focused) {
        QWindow *own = m_window->windowHandle();
        if (!focused || !own || focused == own)
            return;
        for (QWindow *p = focused->parent(); p; p = p->parent()) {
            if (p == own) {
                own->requestActivate();
                QWidget *target = m_lastFocus ? m_lastFocus.data() : m_firstFocus.data();
                if (target)
                    target->setFocus(Qt::ActiveWindowFocusReason);
                return;
            }
        }
    });
}

KeyPreview::~KeyPreview()
{
    qApp->removeEventFilter(this);
}

void KeyPreview::releaseAfterGuard(QPushButton *button, int key, quint64 timestamp, bool handedOver)
{
    if (m_pendingKey != 0)
        actOnPendingRelease();
    if (!button)
        return;
    if (m_guardMs <= 0 || timestamp == 0) {
        m_handlers.keyUp(button, key);
        return;
    }
    m_pendingButton = button;
    m_pendingKey = key;
    m_pendingTime = timestamp;
    m_pendingHandOver = handedOver;
    m_releaseTimer->start(m_guardMs);
}

void KeyPreview::actOnPendingRelease()
{
    m_releaseTimer->stop();
    const int key = std::exchange(m_pendingKey, 0);
    const QPointer<QPushButton> button = std::exchange(m_pendingButton, nullptr);
    if (key != 0 && button)
        m_handlers.keyUp(button, key);
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    // Modal dialogs (message boxes above all) keep their keys.
    if (QApplication::activeModalWidget())
        return false;
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const int key = keyEvent->key();

    // X11 sends each auto-repeat of a held key as a release and a press with one timestamp, and
    // Qt marks the pair only when it has already read the press while handling the release: a
    // held key would step many times. A release therefore waits a moment; the press of its
    // pair undoes it and is swallowed.
    if (type == QEvent::KeyPress && m_pendingKey != 0 && key == m_pendingKey
        && keyEvent->timestamp() == m_pendingTime) {
        m_releaseTimer->stop();
        if (m_pendingHandOver)
            m_handOverKey = m_pendingKey;
        m_pendingKey = 0;
        m_pendingButton = nullptr;
        return true;
    }

    if (type == QEvent::KeyRelease && !keyEvent->isAutoRepeat() && m_handOverKey != 0
        && key == m_handOverKey) {
        // The release of a key pressed in another window, wherever it arrives: at that window
        // when it was already queued, or here once the focus moved.
        m_handOverKey = 0;
        releaseAfterGuard(qobject_cast<QPushButton *>(m_window->focusWidget()), key,
                          keyEvent->timestamp(), true);
        return true;
    }

    // Key preview: the window sees the keys of all its controls first.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    if (keyEvent->isAutoRepeat())
        return true; // a held key acts once, when it is released
    if (type == QEvent::KeyPress) {
        m_handOverKey = 0;
        return m_handlers.keyDown(key);
    }
    if (m_handlers.releaseFirst && m_handlers.releaseFirst(key))
        return true;
    auto *button = qobject_cast<QPushButton *>(m_window->focusWidget());
    if (button && m_handlers.actsOnRelease(button)) {
        releaseAfterGuard(button, key, keyEvent->timestamp(), false);
        return true; // the key code becomes 0
    }
    return false;
}

} // namespace velt
