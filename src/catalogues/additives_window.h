#pragma once
// The additives (file DOBAWKA): the list BROWSEDOBAVKA, in the file's physical order, and the
// update form UPDATEDOBAWKA.
#include "framework/list_window.h"
#include "framework/form_window.h"

BrowseDeclaration BROWSEDOBAVKADeclaration();
BrowseWindow *BROWSEDOBAVKA();

const FormDecl &updateDobawkaDecl();
// Opens the form for `request` on the record in DOB (see openForm).
FormWindow *UPDATEDOBAWKA(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
