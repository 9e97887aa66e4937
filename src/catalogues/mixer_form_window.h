#pragma once
// UPDATEGROHOT: the update form of a mixer's screen (GROHOT): its number, batch mass and, for
// each of the five decks, the hole shape with the round and the square opening; only the size
// of the chosen shape can be entered.
#include "framework/form_window.h"

const FormDecl &updateGrohotDecl();

// Opens the form for `request` on the record in GRO (see openForm).
FormWindow *UPDATEGROHOT(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
