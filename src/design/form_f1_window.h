#pragma once
// The recipe form "Ф.1" as procedures of the program: OTZET1REZEPT, called by the bitumen step
// for the design in hand, and DUBLOTZET1REZEPT, started by the recipe list for the recipe it
// left in the PODBOR buffer. Both run the report with its progress window and preview.
#include "data/fieldtypes.h"

#include <functional>

class QWidget;

// Prints the design in hand, one copy per approval record; `caller` stays blocked until the
// report has ended (preview closed, or nothing to print), then `done` gets its response.
QWidget *OTZET1REZEPT(QWidget *caller = nullptr, std::function<void(LONG)> done = {});
// Loads the recipe in the PODBOR buffer into the design state and prints it, one copy per
// recipe with its number; returns the progress window (already shown).
QWidget *DUBLOTZET1REZEPT();

// Registers "OTZET1REZEPT" (called by name) and "DUBLOTZET1REZEPT" (started by name).
void registerRecipeFormProcedures();
