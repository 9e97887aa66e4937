#include "framework/callerhold_ui.h"

#include <QMdiSubWindow>

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
    if (m_blocked)
        m_blocked->setEnabled(true);
    return !m_hadCaller || m_blocked;
}
