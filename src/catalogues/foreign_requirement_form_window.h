#pragma once
// UPDATEZR3N: the update form of a foreign grading requirement (ZR3N): country, mix type, the
// hole shape of the foreign sieves and up to twelve foreign sieves with their limits. The
// grading reduced to the standard sieves (ZR3.MGOST) is recomputed on every change, so it
// always matches what is saved. New records are numbered automatically.
#include "framework/form_window.h"

const FormDecl &updateZr3nDecl();

// Opens the form for `request` on the record in ZR3 (see openForm).
FormWindow *UPDATEZR3N(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
