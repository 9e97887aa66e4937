#pragma once
// BROWSETITUL: the list of approval records (NASTROJK) in the order they were entered.
#include "framework/list_window.h"

BrowseDeclaration BROWSETITULDeclaration();
BrowseWindow *BROWSETITUL();
