#include "framework/callerhold_ui.h"

#include <QMdiSubWindow>

CallerHold::CallerHold(QWidget *caller) : m_hadCaller(caller != nullptr)
{
    QWidget *blocked = caller;
    for (QWidget *w = caller; w; w = w->parentWidget())
        if (qobject_cast<QMdiSubWindow *>(w)) {
            blocked = w;
            break;
        }
    m_blocked = blocked;
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
