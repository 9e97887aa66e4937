#pragma once
// BROUSEPODBOR, the recipe list "База рецептов": the stored recipes by number, date or kind of
// mix, changed through the recipe form UPDATEPODBOR. Its buttons start the windows that work on
// the highlighted recipe (its tests, the mixer batch, the printed forms), each with that recipe
// read again into the PODBOR buffer, from which the window takes it as it starts; a button
// whose window is not built into the program is shown disabled.
#include "framework/list_window.h"

BrowseDeclaration BROUSEPODBORDeclaration();
BrowseWindow *BROUSEPODBOR();

// Registers BROUSEPODBOR (the frame's "Рецепты") and the dialog UPDATECILDPODBOR that saves a
// design (called by name by the bitumen step).
void registerRecipeProcedures();
