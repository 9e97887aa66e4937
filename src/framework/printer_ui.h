#pragma once
// The one printer of the program: the printer set-up chooses its page (and, where the platform's
// set-up dialog offers it, the printer) for the rest of the run, and every printed document
// goes to it through printWithDialog().
#include <functional>

class QDialog;
class QPrinter;
class QWidget;

QPrinter &sharedPrinter();

// Whether the system has a printer installed. Without one the print dialog offers only a file
// it names itself, so the program says so and offers a PDF file of the user's choice instead.
bool printerAvailable();
// Stands a printer in, or takes it away (tests); an empty check asks the system again.
void setPrinterCheck(std::function<bool()> check);

// The platform's printer set-up over `parent`, shown without blocking the other windows. It
// prints nothing: accepting it keeps the choice in the shared printer. Named "PrintSetupDialog".
QDialog *openPrinterSetup(QWidget *parent);

// The platform's print dialog, starting from the shared printer's set-up; `print` is called with
// the printer once the user accepts it. Named "PrintDialog".
QDialog *printWithDialog(QWidget *parent, std::function<void(QPrinter &)> print);
