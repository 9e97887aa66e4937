#pragma once
// "Динамика показателей" (procedure PROPERTYTRENDS), started from the recipe list for the
// highlighted recipe (in the POD buffer): a property and a period, the control chart, the
// statistics under it, the printout through the report preview and a CSV file.
#include <QString>

#include <functional>

class QWidget;

QWidget *PROPERTYTRENDS();

// Replaces the CSV file's save dialog (tests): gets the suggested path, returns the chosen one
// or an empty string for Cancel. An empty hook restores the dialog.
void setTrendCsvPathHook(std::function<QString(const QString &suggested)> hook);

void registerPropertyTrendProcedures();
