#pragma once
// COST, the window "Расчет стоимости асфальтобетонной смеси": the prices of the components, the
// bitumen and the additive of the design in hand (edited in the globals), the cost of one tonne
// of mix and of 100 m2 of a 1 cm layer recomputed at every event, and the prices and cost
// stored into the recipe numbered NUMMER when "OK" receives the focus.
//
// A form on the PODBOR file, opened without a request. Called by a form on the same file (the
// recipe form), it works on that form's record: after storing, the record the caller holds gets
// the same prices and cost, so that the caller's own save neither loses them nor meets them as
// another station's change. A design that is not a stored recipe (NUMMER 0, or no recipe with
// that number) is priced but nothing is written; the message line says so.
#include "framework/form_window.h"

const FormDecl &costDecl();

// Opens the window over `caller` (blocked until it closes; `done` then gets its response).
FormWindow *COST(QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});

// Registers "COST" as a procedure called by name.
void registerCostProcedures();
