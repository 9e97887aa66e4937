#pragma once
// UPDATENORMA: the update form of the grading requirements of the national standard (NORMA):
// the mix type and, for each of the eleven standard sieves, the lowest and highest percent
// passing. Called by the requirements list.
#include "framework/form_window.h"

// The form's declaration.
const FormDecl &updateNormaDecl();

// Opens the form for `request` on the record in NOR (see openForm).
FormWindow *UPDATENORMA(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
