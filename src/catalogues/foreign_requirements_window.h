#pragma once
// BROWSEZR3N: the list of foreign grading requirements (ZR3N) with their gradings reduced to
// the standard sieves, by number or by country.
#include "framework/list_window.h"

BrowseDeclaration BROWSEZR3NDeclaration();
BrowseWindow *BROWSEZR3N();
