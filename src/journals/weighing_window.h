#pragma once
// The hydrostatic weighing of a recipe (file OBRGIDRO): the list BROWSEOBR2 of the recipe
// NUMMER, its update form UPDATEOBR11 with the evaluation of the weighings, and the protocol
// PROTGIDR_PODBOR.
#include "framework/list_window.h"
#include "framework/form_window.h"

BrowseDeclaration BROWSEOBR2Declaration();
// Opens the list of the recipe NUMMER (a new window; the caller shows it).
BrowseWindow *BROWSEOBR2();

// Opens the form for `request` on the record in OBR (see openForm). Visiting the density field
// evaluates the weighings and hands the density to the recipe in memory (POD).
FormWindow *UPDATEOBR11(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});

// Starts the protocol of the recipe NUMMER; returns its progress window (not yet shown).
QWidget *PROTGIDR_PODBOR();

// Registers "BROWSEOBR2" (started by the test menu, called by the recipe form) and "PROTGIDR_PODBOR".
void registerWeighingProcedures();
