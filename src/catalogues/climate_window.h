#pragma once
// The climate regions (file USLOV): the list REG with its update form UPDATEKLIM and its
// printed list PROT_REG, and the selection list SELREG1.
#include "framework/list_window.h"
#include "framework/form_window.h"

BrowseDeclaration REGDeclaration();
// Opens the list of regions (a new window; the caller shows it). Its "Список" prints PROT_REG.
BrowseWindow *REG();

BrowseDeclaration SELREG1Declaration();
// Opens the selection list in the mode glob::GLOBALREQUEST asks for (a new window).
BrowseWindow *SELREG1();
// Calls SELREG1 over `caller` (see selectRecord). `done` gets true when a region was chosen: its
// record is then left in USL.
BrowseWindow *selectRegion(QWidget *caller, std::function<void(bool chosen)> done, WindowHost host = {});

// The form's declaration.
const FormDecl &updateKlimDecl();
// Opens the form for `request` on the record in USL (see openForm).
FormWindow *UPDATEKLIM(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});

// Starts the printed list of regions; returns its progress window (already shown).
QWidget *PROT_REG();
