#pragma once
// The conformity documents as procedures: PROTVSE (started by "Свойства" of the test journal)
// asks for the zone and grade through FILTER21, FORMAD_25 (started by "Ф.Д-25" of the recipe
// list) loads the recipe in POD and asks for the zone through FILTER2; each then runs its
// report with progress window and preview.
class QWidget;

// Both return nullptr: their first window is the filter, called by name (when the filter is
// not built into the program the report runs on the zone and grade in hand).
QWidget *PROTVSE();
QWidget *FORMAD_25();

void registerConformityProcedures();
