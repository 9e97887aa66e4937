#pragma once
// The mechanical test journal (file GUR) of the recipe in hand (glob::NUMMER): the list
// BROWSEREZGUR and its update form UPDATEREZGUR, which turns the press readings into the
// strengths, shear properties and water resistance as the user moves through it.
#include "framework/list_window.h"
#include "framework/form_window.h"

BrowseDeclaration BROWSEREZGURDeclaration();
// Opens the list of the recipe's test records (a new window; the caller shows it).
BrowseWindow *BROWSEREZGUR();
// The list called over `caller` (the recipe form): the caller waits, disabled, until the list
// closes; `done` then gets glob::RequestCancelled.
BrowseWindow *callBROWSEREZGUR(QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});

const FormDecl &updateRezGurDecl();
// Opens the form for `request` on the record in GUR (see openForm).
FormWindow *UPDATEREZGUR(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
