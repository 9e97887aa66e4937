#include "framework/procedures_ui.h"

#include <algorithm>

#include <QHash>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
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

} // namespace

void registerProcedure(const QString &name, ProcedureFactory factory)
{
    registry().insert(name, std::move(factory));
}

bool isProcedureRegistered(const QString &name) { return registry().contains(name); }

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
        g_host(window);
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
