#include "catalogues/grading.h"

namespace grading {

Grading passingFromResidues(AggregateKind kind, const SieveAnalysis &a, const Grading &previous)
{
    if (!(a.MNAWESK > 0))
        return previous;
    Grading z = previous;
    // The finer materials start at the 15 mm sieve (index 2) with 100 and leave 40 and 20 mm as they were.
    int first = 0;
    REAL above = 100;
    if (kind != AggregateKind::CrushedStone) {
        z[2] = 100;
        first = 3;
        above = z[2];
    }
    for (int i = first; i < 11; ++i) {
        z[i] = above - a.DIMZASTN[i] / a.MNAWESK * 100;
        above = z[i];
    }
    return z;
}

REAL discrepancy(const SieveAnalysis &a)
{
    REAL m = 0;
    for (REAL r : a.DIMZASTN)
        m += r;
    m += a.MPODDON;
    // The formula divides by the sample mass; with no sample mass there is nothing to compare: 0.
    if (a.MNAWESK == 0)
        return 0;
    return (a.MNAWESK - m) / a.MNAWESK * 100;
}

Grading setCoarseSievesTo100(AggregateKind kind, const Grading &z)
{
    int count = 0;
    switch (kind) {
    case AggregateKind::CrushedStone: count = 0; break;
    case AggregateKind::NaturalSand: count = 4; break;   // 40, 20, 15 and 10 mm
    case AggregateKind::Screenings: count = 3; break;    // 40, 20 and 15 mm
    case AggregateKind::MineralPowder: count = 7; break; // 40 .. 1.25 mm
    }
    Grading r = z;
    for (int i = 0; i < count; ++i)
        r[i] = 100;
    return r;
}

} // namespace grading
