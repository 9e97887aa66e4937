#pragma once
// The eleven standard sieves of every grading, coarse to fine (data/sieves.h), and the small
// numeric guard shared by the design calculations.
#include "data/sieves.h"

#include <array>
#include <cmath>

namespace design {

using Grading = sieves::Grading;              // passing %, sieves 40 ... 0.071 mm
using ComponentValues = std::array<REAL, 6>;  // one value per mineral component
using ComponentGradings = sieves::ComponentGradings; // [sieve][component], as DIMKOMP

// DMM as the design steps set it when they open.
inline constexpr const Grading &STANDARD_DMM = sieves::SIZES;

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
