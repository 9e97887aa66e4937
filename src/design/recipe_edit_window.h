#pragma once
// UPDATEPODBOR, the recipe form "Изменить...": a stored recipe loaded back into the design state
// as it opens, so that the windows its buttons call (the cost, the change of the bitumen content,
// the recipe's hydrostatic weighings and mechanical tests) work on it. What they put into the
// recipe record is stored with it on OK. The density field takes the mean density of the
// recipe's weighing record whenever it is entered or accepted.
#include "framework/form_window.h"

const FormDecl &updatePodborDecl();

// The list's update form for `request` on the recipe in the PODBOR buffer.
FormWindow *UPDATEPODBOR(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
