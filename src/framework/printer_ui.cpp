#include "framework/printer_ui.h"

#include <QCoreApplication>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace {
QPrinter *g_printer = nullptr;
std::function<bool()> g_printerCheck;

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

bool printerAvailable()
{
    return g_printerCheck ? g_printerCheck() : !QPrinterInfo::availablePrinterNames().isEmpty();
}

void setPrinterCheck(std::function<bool()> check) { g_printerCheck = std::move(check); }

// The page set-up dialog, never the print dialog: set-up chooses, it does not print (nor offer
// a file to print to).
QDialog *openPrinterSetup(QWidget *parent)
{
    auto *dialog = new QPageSetupDialog(&sharedPrinter(), parent);
    dialog->setObjectName(QStringLiteral("PrintSetupDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

QDialog *printWithDialog(QWidget *parent, std::function<void(QPrinter &)> print)
{
    QPrinter &printer = sharedPrinter();
    auto *dialog = new QPrintDialog(&printer, parent);
    dialog->setObjectName(QStringLiteral("PrintDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, false);
    QObject::connect(dialog, &QDialog::accepted, dialog, [print = std::move(print), &printer] { print(printer); });
    dialog->open();
    return dialog;
}
