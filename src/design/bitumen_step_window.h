#pragma once
// The bitumen step of a mix design: BITUMRASZ, the window "Расчетное содержание битума, % сверх
// 100", called by the grading windows when the mineral part is blended. It shows the bitumen
// content by three methods, takes one of them (or the engineer's own) as JBITGL for the trial
// batch, chooses the bitumen grade and the additive, and prices, prints or saves the design.
//
// A form on the PODBOR file, always opened without a request: OK stores nothing.
#include "design/bitumen.h"
#include "framework/form_window.h"

const FormDecl &bitumRaszDecl();

// Opens the window over `caller` (blocked until it closes; `done` then gets its response).
// The four contents are computed as it opens.
FormWindow *BITUMRASZ(QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});

// Registers "BITUMRASZ" and "BITUMIZMENEN" as procedures called by name.
void registerBitumenProcedures();
