#pragma once
// UPDATECILDPODBOR, the dialog "Update the PODBOR File" that ends a design: the design in hand
// is written as a new recipe under the number typed. "Запись" writes it as it takes the focus
// (clicked or tabbed onto) and closes the dialog when pressed.
//
// A write that fails (the file held by another station) is reported with the standard warning
// and the dialog stays, with the design untouched: "Запись" tries again, closing the window
// gives up. The dialog returns completed when it wrote the recipe (also when it is then closed
// other than by "Запись"), cancelled otherwise.
#include "framework/form_window.h"

const FormDecl &updateCildPodborDecl();

// Opens the dialog over `caller` for `request`: none (the design's saving), or change, where OK
// writes the changed record; insert and delete are refused.
FormWindow *UPDATECILDPODBOR(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});

// True when `number` may be given to a recipe: no other recipe (than the one at `except`) has it,
// or the user agrees to the question that names the recipe having it (object and date; default
// no). Test records are linked to a recipe by its number alone.
bool recipeNumberAgreed(REAL number, Position except = {});
