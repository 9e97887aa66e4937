#include "framework/callerhold_ui.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

QWidget *blockedByCall(QWidget *caller)
{
    for (QWidget *w = caller; w; w = w->parentWidget())
        if (qobject_cast<QMdiSubWindow *>(w))
            return w;
    return caller;
}

CallerHold::CallerHold(QWidget *caller) : m_blocked(blockedByCall(caller)), m_hadCaller(caller != nullptr)
{
    if (m_blocked)
        m_blocked->setEnabled(false);
}

bool CallerHold::release()
{
    if (m_released)
        return !m_hadCaller || m_blocked;
    m_released = true;
    if (m_blocked) {
        m_blocked->setEnabled(true);
        // The callee's subwindow closes after this; the area would then activate whichever
        // subwindow comes next in its order. The caller is the one the user returns to.
        if (auto *sub = qobject_cast<QMdiSubWindow *>(m_blocked.data())) {
            QPointer<QMdiSubWindow> caller(sub);
            QTimer::singleShot(0, sub, [caller] {
                if (caller && caller->mdiArea() && caller->isVisible())
                    caller->mdiArea()->setActiveSubWindow(caller);
            });
        }
    }
    return !m_hadCaller || m_blocked;
}
