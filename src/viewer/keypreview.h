#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QPushButton;
class QTimer;
class QWidget;

namespace velt {

// Key preview for a window whose navigation keys act when they are released, on the button the
// press moved the focus to. The window sees the keys of all its controls first (keyDown); a
// release while one of its acting buttons has the focus runs keyUp for that button. A held key
// acts once. The keyboard focus stays on the window's controls when a native child window (the
// video surface) takes it.
class KeyPreview : public QObject
{
    Q_OBJECT
public:
    struct Handlers
    {
        // True when the window handled the key: the focused control does not see it.
        std::function<bool(int key)> keyDown;
        // True for the buttons whose release acts (they get every release, acting or not).
        std::function<bool(QPushButton *button)> actsOnRelease;
        std::function<void(QPushButton *button, int key)> keyUp;
        // A release the window takes before the focused button does; true when it did.
        std::function<bool(int key)> releaseFirst;
    };

    // guardMs: how long a release waits for the press of an X11 auto-repeat pair.
    KeyPreview(QWidget *window, QWidget *firstFocus, int guardMs, Handlers handlers);
    ~KeyPreview() override;

    // A key pressed in another window whose release acts here, on the button that has the focus
    // by then, wherever the release arrives.
    void expectRelease(int key) { m_handOverKey = key; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void releaseAfterGuard(QPushButton *button, int key, quint64 timestamp, bool handedOver);
    void actOnPendingRelease();

    QWidget *m_window;
    QPointer<QWidget> m_firstFocus;
    QPointer<QWidget> m_lastFocus;
    int m_guardMs;
    Handlers m_handlers;
    int m_handOverKey = 0;
    // A release waiting to act: undone when the press of an auto-repeat follows it.
    QTimer *m_releaseTimer = nullptr;
    QPointer<QPushButton> m_pendingButton;
    int m_pendingKey = 0;
    quint64 m_pendingTime = 0;
    bool m_pendingHandOver = false;
};

} // namespace velt
