#pragma once
// BROWSETITUL: the list of approval records (NASTROJK) in the order they were entered.
#include "framework/browse_window.h"

BrowseDeclaration BROWSETITULDeclaration();
BrowseWindow *BROWSETITUL();
