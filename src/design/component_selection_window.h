#pragma once
// The component selection PODBOR "Выбери и исходные компоненты и нужную смесь": the grade and
// kind of the mix, the requirement band and up to six mineral components, appended to the
// design state in the order chosen. "Далее" searches the shares and goes on to the grading
// window PODBORSUM; "Superpave" goes on to PODBORSUPERPAVE.
#include "framework/form_window.h"

const FormDecl &podborDecl();

// Resets the design state and opens the window in the frame (or on `host`).
FormWindow *PODBOR(WindowHost host = {});

// Registers PODBOR (the frame's "Новый состав") and PODBORSUM.
void registerPodborProcedures();
