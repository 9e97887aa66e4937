#pragma once
// The eleven standard sieves of every grading, coarse to fine, and the small numeric guard
// shared by the design calculations.
#include "data/fieldtypes.h"

#include <array>
#include <cmath>

namespace design {

using Grading = std::array<REAL, 11>;         // passing %, sieves 40 ... 0.071 mm
using ComponentValues = std::array<REAL, 6>;  // one value per mineral component
using ComponentGradings = std::array<ComponentValues, 11>; // [sieve][component], as DIMKOMP

// DMM as the design steps set it when they open.
inline constexpr Grading STANDARD_DMM = {40, 20, 15, 10, 5, 2.5, 1.25, 0.63, 0.315, 0.16, 0.071};

// a / b, or 0 where b is 0 or the quotient is not a finite number. Every division of the
// design calculations whose divisor can become 0 goes through here, so that nothing yields
// NaN or infinity; each call site says what the 0 means there.
inline REAL quotientOrZero(REAL a, REAL b)
{
    if (b == 0)
        return 0;
    REAL q = a / b;
    return std::isfinite(q) ? q : 0;
}

} // namespace design
