#pragma once
// A called window's hold on its caller: while a list or a small window called by another
// window is open, the caller (its whole MDI subwindow, so that it cannot be closed under the
// callee either) stays disabled; other windows stay usable. No nested event loop.
#include <QPointer>
#include <QWidget>

// What a call blocks: the caller's MDI subwindow, or the caller itself outside the frame.
QWidget *blockedByCall(QWidget *caller);

class CallerHold {
public:
    explicit CallerHold(QWidget *caller); // null: nothing is held
    ~CallerHold() { release(); }
    CallerHold(const CallerHold &) = delete;
    CallerHold &operator=(const CallerHold &) = delete;

    // Enables the caller again (once); false when there was a caller and it has gone meanwhile,
    // so that it is not called back.
    bool release();

private:
    QPointer<QWidget> m_blocked;
    bool m_hadCaller = false;
    bool m_released = false;
};
