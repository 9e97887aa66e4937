#pragma once
// The eleven standard sieves, coarse to fine: their sizes, their labels as the windows write
// them, and the arrays kept per sieve. Index 0..10 stands for 40 ... 0.071 mm everywhere: in
// the records (ZRN_1 .. ZRN_11 in the files), in the global state and in the calculations.
#include "data/fieldtypes.h"

#include <array>

namespace sieves {

inline constexpr std::size_t COUNT = 11;

// The sieve sizes, mm.
inline constexpr std::array<REAL, COUNT> SIZES = {40, 20, 15, 10, 5, 2.5, 1.25, 0.63, 0.315, 0.16, 0.071};

// The sizes as the windows write them: column headings, row labels ("0,63", "0,63 мм:").
inline constexpr std::array<const char *, COUNT> LABELS = {"40", "20", "15", "10", "5", "2,5", "1,25",
                                                           "0,63", "0,315", "0,16", "0,071"};

using Grading = std::array<REAL, COUNT>;                          // passing % at each sieve
using Band = std::array<std::array<REAL, 2>, COUNT>;              // {minimum, maximum} passing % at each sieve
using ComponentGradings = std::array<std::array<REAL, 6>, COUNT>; // [sieve][component], as DIMKOMP

} // namespace sieves
