#pragma once
// GROHOTBROWSE1 "Рецепт для смесителя": the mixers (GROHOT) with, under the list, the batch
// recipe of the highlighted mixer for the recipe the recipe list left in POD; its print button
// opens MENU_ZAMES. The mixers are changed through UPDATEGROHOT, called by name.
#include "framework/list_window.h"

// Loads the recipe in POD into the design state and opens the window.
BrowseWindow *GROHOTBROWSE1();

// Registers GROHOTBROWSE1 with the frame.
void registerBatchProcedures();
