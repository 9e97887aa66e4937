#pragma once
// PODBORSUPERPAVE, the window "Зерновой состав по технологии "Superpave"": the grading of the
// mineral part by the Superpave maximum-density line. On entry the maximum aggregate size, the
// square-mesh sieve sizes, the target curve and the share search; in the window the blend against
// the target on a chart, the shares corrected by hand with a balancing component; "Далее" hands
// the shares and the true density of the mineral part on to the bitumen step.
//
// A form on the PODBOR file, opened without a request.
#include "framework/chart.h"
#include "framework/form_window.h"

const FormDecl &podborSuperpaveDecl();

// The chart of the window in its area's pixels: frame, grid, the blend PROEKT (red) and the two
// columns of ZRN (blue), from the design state.
Chart superpaveChart();

// Works out the target and the shares, then opens the window over `caller` (blocked until it
// closes; `done` then gets its response).
FormWindow *PODBORSUPERPAVE(QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});

// Registers "PODBORSUPERPAVE" as a procedure called by name.
void registerSuperpaveProcedures();
