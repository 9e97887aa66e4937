#pragma once
// The copy between a stored recipe (a PODBOR record) and the design state in the globals: a
// design is frozen into a recipe when it is saved, and a recipe is loaded back whenever a window
// works on it (the recipe form, the mixer batch, the printed forms, the test journals).
#include "data/records.h"

namespace recipe_state {

// Fills `rec` from the design in hand as a new recipe numbered `number` and dated `date`; the
// fields a design does not produce (density, porosities) keep what `rec` held.
void storeDesign(PodborRecord &rec, REAL number, LONG date);

// Loads `rec` into the design state: NUMMER, the components and their gradings, shares, band,
// designed grading, bitumen, additive and prices, TYP cut to its 12 characters, J1GL..J6GL
// from the shares, and the standard sieve sizes. The kind, grade and bitumen grade stay as they are.
void loadRecipe(const PodborRecord &rec);

} // namespace recipe_state
