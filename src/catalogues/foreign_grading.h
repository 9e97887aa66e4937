#pragma once
// Reduction of a foreign grading requirement (ZR3.WWOD, entered on the foreign norm's own
// sieves) to the eleven standard sieves (ZR3.MGOST), as the form UPDATEZR3N does on every event.
//
// Sizes are interpolated linearly on the transformed scale d^(2/3); square holes are first
// turned into round-hole equivalents.
#include "data/sieves.h"

#include <array>
#include <QString>

namespace foreign_grading {

// ZR3.WWOD: up to 12 rows of {size mm, minimum %, maximum %}; empty rows are all 0.
using ForeignRows = std::array<std::array<REAL, 3>, 12>;
// ZR3.MGOST: {minimum, maximum} for the standard sieves 40 .. 0.071 mm.
using Band = sieves::Band;

enum class HoleShape { None, Square, Round };

// ZR3.OTW as stored: "Квадратные", "Круглые", or anything else (no shape chosen).
HoleShape holeShapeFromText(const QString &otw);

// Round-hole size of a sieve of the given shape: square s -> 1.2629*s - 0.1529, but a result
// below 2.5 mm keeps s (fine woven sieves are taken as they are); round as is; no shape -> 0.
REAL roundHoleSize(REAL size, HoleShape shape);

// The transformed size d^(2/3); sizes of 0 or less give 0.
REAL transformedSize(REAL d);

// ZR3.MGOST from ZR3.WWOD and ZR3.OTW.
Band reduceToStandardSieves(const ForeignRows &rows, HoleShape shape);

} // namespace foreign_grading
