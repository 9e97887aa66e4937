#pragma once
// The shear-resistance check of a recipe's mechanical tests: the dialog FILTER1 "Условия
// эксплуатации" (the operating conditions, left in the globals) and the protocol RPTSD.
#include "framework/form_window.h"

// Opens the dialog over `caller` with the conditions preset and the region's choice (SELREG1)
// called at once. `done` runs when the dialog closes, whichever button closed it.
FormWindow *FILTER1(QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});

// The protocol of the record in GUR's recipe NUMMER: refuses a record in memory without test
// results, asks for the conditions, then prints one page per test record of the recipe.
// `caller` stays disabled until the preview has gone; `done` then gets the response.
void RPTSD(QWidget *caller, std::function<void(LONG)> done);

// Registers "FILTER1" and "RPTSD" as called procedures.
void registerShearProcedures();
