#pragma once
// The bitumen binders (file BITUMEN): the list BROWSEBIT, in the file's physical order, with its
// protocol button, and the update form BITUMUPDATE.
#include "framework/list_window.h"
#include "framework/form_window.h"

BrowseDeclaration BROWSEBITDeclaration();
BrowseWindow *BROWSEBIT();

const FormDecl &bitumUpdateDecl();
// Opens the form for `request` on the record in BIT (see openForm).
FormWindow *BITUMUPDATE(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
