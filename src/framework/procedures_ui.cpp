#include "framework/procedures_ui.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>

namespace {

QHash<QString, ProcedureFactory> &registry()
{
    static QHash<QString, ProcedureFactory> procedures;
    return procedures;
}

QHash<QString, CalledProcedure> &calledRegistry()
{
    static QHash<QString, CalledProcedure> procedures;
    return procedures;
}

WindowHost g_host;
QPointer<QMdiArea> g_area; // where the host shows windows, once it has shown one

// A window shown from another gives the area back to that one when it closes while active: the
// area itself would activate whichever subwindow comes next in its own order.
class ReturnToOpener : public QObject {
public:
    ReturnToOpener(QMdiSubWindow *sub, QMdiSubWindow *opener) : QObject(sub), m_sub(sub), m_opener(opener)
    {
        sub->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Events also come while the subwindow is destroyed, when it is no longer a QMdiSubWindow.
        auto *sub = qobject_cast<QMdiSubWindow *>(watched);
        if (sub && sub == m_sub && sub->mdiArea()) {
            if (event->type() == QEvent::Close)
                m_wasActive = sub->mdiArea()->activeSubWindow() == sub;
            else if (event->type() == QEvent::Hide && m_wasActive && m_opener && m_opener->isVisible())
                sub->mdiArea()->setActiveSubWindow(m_opener);
        }
        return false;
    }

private:
    QMdiSubWindow *m_sub;
    QPointer<QMdiSubWindow> m_opener;
    bool m_wasActive = false;
};

} // namespace

void registerProcedure(const QString &name, ProcedureFactory factory)
{
    registry().insert(name, std::move(factory));
}

bool isProcedureRegistered(const QString &name) { return registry().contains(name); }

QStringList registeredProcedures()
{
    QStringList names = registry().keys() + calledRegistry().keys();
    names.removeDuplicates();
    names.sort();
    return names;
}

bool startProcedure(const QString &name)
{
    const auto it = registry().constFind(name);
    if (it == registry().constEnd())
        return false;
    const ProcedureFactory factory = *it; // a copy: the factory may register further procedures
    if (QWidget *window = factory())
        showInFrame(window);
    return true;
}

void registerCalledProcedure(const QString &name, CalledProcedure procedure)
{
    calledRegistry().insert(name, std::move(procedure));
}

bool isCalledProcedureRegistered(const QString &name) { return calledRegistry().contains(name); }

bool callProcedure(const QString &name, QWidget *caller, std::function<void(LONG response)> done)
{
    const auto it = calledRegistry().constFind(name);
    if (it == calledRegistry().constEnd())
        return false;
    const CalledProcedure procedure = *it; // a copy: the procedure may register further ones
    procedure(caller, std::move(done));
    return true;
}

void setWindowHost(WindowHost host) { g_host = std::move(host); }

void showInFrame(QWidget *window)
{
    if (g_host) {
        QMdiSubWindow *opener = g_area ? g_area->activeSubWindow() : nullptr;
        g_host(window);
        if (auto *sub = qobject_cast<QMdiSubWindow *>(hostFrame(window))) {
            g_area = sub->mdiArea();
            if (opener && opener != sub && opener->mdiArea() == g_area)
                new ReturnToOpener(sub, opener);
        }
        return;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

QWidget *hostFrame(QWidget *window)
{
    QWidget *parent = window->parentWidget();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parent))
        return sub;
    // window -> the scroll area's viewport -> the scroll area -> the subwindow
    QWidget *scroll = parent ? parent->parentWidget() : nullptr;
    if (auto *area = qobject_cast<QScrollArea *>(scroll); area && area->widget() == window)
        if (auto *sub = qobject_cast<QMdiSubWindow *>(area->parentWidget()))
            return sub;
    return window;
}

QSize frameRoom()
{
    QMdiArea *area = g_area;
    if (!area && g_host) // no window shown yet: the frame's area
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->isVisible() && (area = top->findChild<QMdiArea *>()))
                break;
    if (!area || !area->isVisible()) // a frame not shown yet has no work area
        return {};
    const int border = area->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    const int title = area->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return area->viewport()->size() - QSize(2 * border, 2 * border + title);
}

void closeHostedWindow(QWidget *window)
{
    hostFrame(window)->close();
}

void moveHostedWindow(QWidget *window, QPoint to)
{
    QWidget *frame = hostFrame(window);
    auto *sub = qobject_cast<QMdiSubWindow *>(frame);
    if (!sub || !sub->mdiArea()) {
        frame->move(to);
        return;
    }
    const QSize area = sub->mdiArea()->viewport()->size();
    // Right and bottom first, so that a frame larger than the area keeps its top left corner.
    to.setX(std::max(0, std::min(to.x(), area.width() - sub->width())));
    to.setY(std::max(0, std::min(to.y(), area.height() - sub->height())));
    sub->move(to);
}
