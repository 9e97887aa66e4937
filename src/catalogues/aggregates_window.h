#pragma once
// The lists of the aggregates catalogue: crushed stone (BROUSESPLIT), natural sand
// (BROUSESANT), screenings sand (BROUSEOTSEW), mineral powder (BROUSEFILLERPOROSHOK), and the
// selection list of crushed stone (SELSPLIT) used by the component selection.
#include "framework/list_window.h"

BrowseDeclaration BROUSESPLITDeclaration();
BrowseDeclaration BROUSESANTDeclaration();
BrowseDeclaration BROUSEOTSEWDeclaration();
BrowseDeclaration BROUSEFILLERPOROSHOKDeclaration();
BrowseDeclaration SELSPLITDeclaration();

// Each opens a new list window (the caller shows it).
BrowseWindow *BROUSESPLIT();
BrowseWindow *BROUSESANT();
BrowseWindow *BROUSEOTSEW();
BrowseWindow *BROUSEFILLERPOROSHOK();
// Calls the crushed-stone selection over `caller` (see selectRecord), positioned at the name in
// SPL. "&Выбрать" ends it with the chosen record in SPL and done(true); "Закрыть" with done(false).
BrowseWindow *SELSPLIT(QWidget *caller, std::function<void(bool chosen)> done, WindowHost host = {});
