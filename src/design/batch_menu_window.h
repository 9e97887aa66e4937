#pragma once
// MENU_ZAMES "Выбери возможности смесителя": the dust-extraction efficiency (OTSOS, kept for the
// run) and the two printed batch recipes, RPT_GROHOT (bitumen in 100 % of the mix) and
// REZCBITSWERH100 (bitumen over 100 %), each printing the mixer numbered NUMMER.
#include "framework/procedures_ui.h"

#include <functional>

class QWidget;

// Opens the menu over `caller` (held until the menu closes; `done` then gets cancelled).
// `beforeReport` runs before each printout starts (the caller puts its recipe in hand).
QWidget *MENU_ZAMES(QWidget *caller, std::function<void(LONG)> done, std::function<void()> beforeReport = {},
                    WindowHost host = {});

// The printouts: each returns its progress window (not yet shown); `done` gets the response.
QWidget *RPT_GROHOT(std::function<void(LONG)> done = {});
QWidget *REZCBITSWERH100(std::function<void(LONG)> done = {});
