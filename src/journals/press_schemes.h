#pragma once
// The two compression schemes of the shear test drawn beside the readings of the mechanical test
// form: a specimen pressed between plates (unconfined) and a specimen pressed in a closed die.
#include "framework/chart.h"

namespace lab {

Chart unconfinedScheme(QSizeF units);
Chart closedDieScheme(QSizeF units);

} // namespace lab
