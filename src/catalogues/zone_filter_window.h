#pragma once
// FILTER2 and FILTER21: the small windows in which the conformity reports ask for the
// road-climatic zone (glob::DKZ) and, for FILTER21, the grade of the mix (glob::MARKA). A
// choice goes to its global at once; both buttons close the window with the response
// "cancelled", and the caller reads the globals in `done`.
#include "framework/procedures_ui.h"
#include "data/fieldtypes.h"

#include <functional>

class QWidget;

QWidget *FILTER2(QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
QWidget *FILTER21(QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
