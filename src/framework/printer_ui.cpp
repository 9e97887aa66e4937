#include "framework/printer_ui.h"

#include <QCoreApplication>
#include <QPrinter>

namespace {
QPrinter *g_printer = nullptr;

// Printer engines need the application: the printer goes when the application does.
void deletePrinter()
{
    delete g_printer;
    g_printer = nullptr;
}
} // namespace

QPrinter &sharedPrinter()
{
    if (!g_printer) {
        g_printer = new QPrinter(QPrinter::HighResolution);
        qAddPostRoutine(deletePrinter);
    }
    return *g_printer;
}
