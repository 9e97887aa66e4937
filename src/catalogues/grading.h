#pragma once
// Sieve analysis of an aggregate: the update forms of crushed stone, natural sand,
// screenings sand and mineral powder turn the partial residues of a sieve analysis
// into the stored passing percentages (SPL.ZRN, SAN.ZRN, OTS.ZRN, FIL.ZRN).
//
// Index 0..10 stands for the sieves 40, 20, 15, 10, 5, 2.5, 1.25, 0.63, 0.315, 0.16, 0.071 mm.
#include "data/sieves.h"

#include <array>

namespace grading {

using Grading = sieves::Grading;

enum class AggregateKind { CrushedStone, NaturalSand, Screenings, MineralPowder };

// The working values of the form's second tab.
struct SieveAnalysis {
    REAL MNAWESK = 0;                 // sample mass, g (or 100 with residues in %)
    std::array<REAL, 11> DIMZASTN {}; // partial residue on each sieve alone
    REAL MPODDON = 0;                 // residue in the pan
};

// Passing percentages from the partial residues. Crushed stone computes all eleven sieves;
// the finer materials start from 100 at 15 mm and compute 10 mm down to 0.071 mm, keeping
// the 40 and 20 mm values of `previous`. With a sample mass of 0 or less the grading is
// not touched: `previous` comes back unchanged. No value is rounded or clamped.
Grading passingFromResidues(AggregateKind kind, const SieveAnalysis &a, const Grading &previous);

// NEVJAZK: the share of the sample lost in sieving, %. Shown as 0 for a sample mass of 0.
REAL discrepancy(const SieveAnalysis &a);

// The coarse sieves that the forms of the finer materials do not show are set to 100 when
// the name is accepted: natural sand 40..10 mm, screenings 40..15 mm, mineral powder
// 40..1.25 mm. Crushed stone is returned unchanged.
Grading setCoarseSievesTo100(AggregateKind kind, const Grading &z);

} // namespace grading
