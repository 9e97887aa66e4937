#pragma once
// GROHOTBROWSE11: the list of mixers with their screen decks (GROHOT) and, beside it, a
// schematic of the highlighted mixer's screen: each deck's hole shape and the opening in use.
#include "framework/list_window.h"

#include <QString>

BrowseDeclaration GROHOTBROWSE11Declaration();
BrowseWindow *GROHOTBROWSE11();

// The symbol of a stored deck shape code: the diameter sign for round holes (where the font
// has none, "Ø"), a square for square holes, blank otherwise.
QString deckSymbol(const QByteArray &code, const QFont &font);
