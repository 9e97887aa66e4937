#pragma once
// BITUMIZMENEN, the window "Изменить % битума": the recipe form's change of the bitumen content.
// It computes the contents of the design state the recipe form loaded (as BITUMRASZ does, without
// the least content of stone-mastic mixes), takes one of them or a typed one with the additive,
// and "Принять" puts them into the caller's recipe record (POD:BIT, POD:DOBAW, POD:SODERZDOBAW),
// which the caller then stores.
//
// A form on the PODBOR file, opened without a request: called by a form on the same file, it
// works on that form's record and hands it back when it closes.
#include "framework/form_window.h"

const FormDecl &bitumIzmenenDecl();

// Opens the window over `caller` (blocked until it closes; `done` then gets its response).
FormWindow *BITUMIZMENEN(QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
