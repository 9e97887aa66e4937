#pragma once
// UPDATENASTROJKI: the update form of an approval record (NASTROJK): where the mix is used and
// who agrees, approves and tests. Whenever it returns it makes the record's key the current
// object key glob::OBEKT, which the printed forms look up.
#include "framework/form_window.h"

const FormDecl &updateNastrojkiDecl();

// Opens the form for `request` on the record in NAS (see openForm).
FormWindow *UPDATENASTROJKI(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host = {});
