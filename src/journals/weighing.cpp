#include "journals/weighing.h"

#include "journals/exact_decimal.h"

#include <cmath>

namespace lab {

int weighedSpecimens(const Weighings &w)
{
    for (int n = 3; n >= 1; --n)
        if (w.G2[n - 1].units > 0)
            return n;
    return 0;
}

WeighingEvaluation evaluateWeighings(const Weighings &w, const WeighingResults &previous)
{
    WeighingEvaluation e{previous, WeighingOutcome::Computed};
    const int n = weighedSpecimens(w);
    if (n == 0) {
        e.outcome = WeighingOutcome::NoSpecimenInWater;
    } else {
        const ExactDecimal hundred = ExactDecimal::fromUnits(100);
        ExactDecimal density, saturation, swelling;
        int counted = 0;
        for (int i = 0; i < n; ++i) {
            const ExactDecimal g0 = ExactDecimal::from(w.G0[i]), g1 = ExactDecimal::from(w.G1[i]),
                               g2 = ExactDecimal::from(w.G2[i]), g3 = ExactDecimal::from(w.G3[i]),
                               g4 = ExactDecimal::from(w.G4[i]);
            const ExactDecimal volume = g1 - g2; // water density 1 g/cm3
            if (volume.isZero()) {
                e.leftOut |= 1u << i;
                continue;
            }
            ++counted;
            density = density + g0 / volume;
            saturation = saturation + (g3 - g0) / volume * hundred;
            swelling = swelling + ((g3 - g4) - volume) / volume * hundred;
        }
        if (counted == 0) {
            e.outcome = WeighingOutcome::ZeroVolume;
        } else {
            const ExactDecimal share = ExactDecimal::fromUnits(1) / ExactDecimal::fromUnits(counted);
            const ExactDecimal plot = share * density, wod = share * saturation, nabuh = share * swelling;
            if (plot.ok() && wod.ok() && nabuh.ok())
                e.results = {plot.toDouble(), wod.toDouble(), nabuh.toDouble()};
            else
                e.outcome = WeighingOutcome::OutOfRange;
        }
    }
    if (w.G4[0].units == 0)
        e.results.NABUH = 0;
    return e;
}

namespace {

// a / b, or 0 when b is 0 or the quotient is not a finite REAL.
double quotientOrZero(double a, double b)
{
    if (b == 0)
        return 0;
    const double q = a / b;
    return std::isfinite(q) ? q : 0;
}

} // namespace

PorosityValues porosityValues(REAL JBITGL, REAL YMINER, REAL PLOT)
{
    PorosityValues v;
    const double skeletonDivisor = 0.01 * JBITGL + 1;
    v.PMINER = quotientOrZero(PLOT, skeletonDivisor);
    if (YMINER != 0) {
        v.YASF = quotientOrZero(JBITGL + 100, 100 / YMINER + JBITGL);
        if (skeletonDivisor != 0)
            v.PORMINER = (1 - v.PMINER / YMINER) * 100;
    }
    if (PLOT == 0) // no density measured (no weighing record): no porosities rather than 100 %
        return {v.YASF, 0, 0, 0};
    if (v.YASF != 0)
        v.POROSTAT = (1 - PLOT / v.YASF) * 100;
    return v;
}

} // namespace lab
