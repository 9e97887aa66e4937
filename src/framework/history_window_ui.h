#pragma once
// The change history on screen: a record's entries ("История изменений" of every list), the
// journal of all entries ("Файл → Журнал изменений"), and the prompt for the reason of changing a
// laboratory result.
#include "data/datafile.h"

class QWidget;

// The entries of one record, newest first, field by field.
QWidget *recordHistoryWindow(DataFile &file, Position record, const QString &what);
// Every entry of every file, narrowed by period, user and file; printable and exported to CSV.
QWidget *changeJournalWindow();
// Asks for the reason when a laboratory result is changed or deleted, and names the window each
// change is made in (the one holding the focus).
void installHistoryPrompts();
