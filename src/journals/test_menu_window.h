#pragma once
// The test menu MENUTEST "Ввести результаты испытаний": loads the recipe in the PODBOR buffer into
// the design state and leads to the recipe's hydrostatic weighings and mechanical tests.
#include "framework/form_window.h"

const FormDecl &menuTestDecl();
// Opens the window (shown in the frame, or through `host`).
FormWindow *MENUTEST(WindowHost host = {});
