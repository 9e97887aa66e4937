#include "app/procedures.h"

#include <QHash>
#include <QWidget>

namespace {

QHash<QString, ProcedureFactory> &registry()
{
    static QHash<QString, ProcedureFactory> procedures;
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
