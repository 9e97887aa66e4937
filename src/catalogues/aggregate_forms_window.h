#pragma once
// The update forms of the aggregates catalogue: crushed stone (UPDATESPLIT), natural sand
// (UPDATESANT), screenings sand (UPDATEOTSEW) and mineral powder (UPDATEFILLER). Each has two
// tabs: the record's properties, and the partial residues of a sieve analysis that the form
// turns into the stored grading (percent passing each sieve).
#include "framework/form_window.h"

FormWindow *UPDATESPLIT(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
FormWindow *UPDATESANT(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
FormWindow *UPDATEOTSEW(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
FormWindow *UPDATEFILLER(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
