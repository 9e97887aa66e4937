#pragma once
// BROUSENORMA1: the list of the national standard's grading requirements (file NORMA), one
// row per mix type in the order of the type.
#include "framework/list_window.h"

BrowseDeclaration BROUSENORMA1Declaration();
// Opens the list (a new window; the caller shows it).
BrowseWindow *BROUSENORMA1();
