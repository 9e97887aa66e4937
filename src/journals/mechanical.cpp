#include "journals/mechanical.h"

#include "journals/exact_decimal.h"

#include <cmath>

namespace lab {

namespace {

// Specimens counted: up to the last nonzero of specimens 2..count, at least 1.
int specimensUpToLastNonzero(const REAL *values, int count)
{
    for (int k = count; k >= 2; --k)
        if (values[k - 1] != 0)
            return k;
    return 1;
}

// A REAL that is not NaN or infinite; anything else keeps `previous`.
REAL finiteOr(REAL value, REAL previous) { return std::isfinite(value) ? value : previous; }

double oneSixth() { return (ExactDecimal::fromUnits(1) / ExactDecimal::fromUnits(6)).toDouble(); }

} // namespace

AreaFactors areaFactors(REAL DOBR, AreaFactors previous)
{
    if (DOBR == 5)
        return {2.0, 2.5};
    if (DOBR == 7)
        return {4.0, 4.9};
    if (DOBR == 10)
        return {8.0, 10.1};
    return previous;
}

REAL averageRule(REAL P1, REAL P2, REAL P3, REAL F, REAL previous)
{
    if (P1 == 0 || F == 0)
        return previous;
    REAL result;
    if (P3 != 0)
        result = (P1 + P2 + P3) / (3 * F);
    else if (P2 != 0)
        result = (P1 + P2) / (2 * F);
    else
        result = P1 / F;
    return finiteOr(result, previous);
}

REAL meanDeformation(REAL TS1, REAL TS2, REAL TS3, REAL TS4)
{
    REAL mean;
    if (TS4 != 0)
        mean = (TS1 + TS2 + TS3 + TS4) / 4;
    else if (TS3 != 0)
        mean = (TS1 + TS2 + TS3) / 3;
    else if (TS2 != 0)
        mean = (TS1 + TS2) / 2;
    else
        mean = TS1;
    return mean == 0 ? 4.0 : mean;
}

ShearValues shearProperties(const ShearReadings &r, REAL Q, const ShearValues &previous)
{
    ShearValues v = previous;

    const int kc = specimensUpToLastNonzero(r.US_50, 4);
    REAL work = 0, force = 0;
    for (int i = 0; i < kc; ++i) {
        work += r.US_50[i] * r.TS_50[i] / 2;
        force += r.US_50[i];
    }
    v.ACSR = (1.0 / kc) * work;
    if (Q != 0) // no diameter yet: the mean strength stays as it was
        v.USSR = finiteOr(force / (kc * Q), previous.USSR);

    const int km = specimensUpToLastNonzero(r.UM, 4);
    work = 0;
    for (int i = 0; i < km; ++i)
        work += r.UM[i] * r.TM[i] / 2;
    v.AMSR = (1.0 / km) * work;

    const REAL denominator = 3 * v.AMSR - 2 * v.ACSR;
    if (v.AMSR != 0 && denominator != 0)
        v.TGFI = finiteOr(3 * (v.AMSR - v.ACSR) / denominator, previous.TGFI);

    if (r.US_50[0] > 0)
        v.C50 = finiteOr(oneSixth() * (3 - 2 * v.TGFI) * v.USSR, previous.C50);
    return v;
}

REAL meanLoadingTime(REAL TS1, REAL TS2, REAL TS3)
{
    if (TS3 != 0)
        return (TS1 + TS2 + TS3) / 3;
    if (TS2 != 0)
        return (TS1 + TS2) / 2;
    return TS1;
}

REAL rateExponent(REAL USSR, REAL R50, REAL TSSR_3, REAL TSSR, REAL TGFI, REAL C50, REAL previousMPL)
{
    REAL numerator, denominator;
    if (USSR != 0) {
        if (!(USSR > 0) || !(R50 > 0))
            return previousMPL;
        numerator = std::log(USSR) - std::log(R50);
        if (TSSR_3 != 0) {
            if (!(TSSR_3 > 0) || !(TSSR > 0))
                return previousMPL;
            denominator = std::log(TSSR_3) - std::log(TSSR);
        } else {
            denominator = std::log(50.0) - std::log(3.0);
        }
    } else { // shear values typed, not computed: the cohesion at 3 mm/min instead
        const REAL C3 = oneSixth() * (3 - 2 * TGFI) * R50;
        if (!(C50 > 0) || !(C3 > 0))
            return previousMPL;
        numerator = std::log(C50) - std::log(C3);
        denominator = std::log(50.0) - std::log(3.0);
    }
    if (denominator == 0)
        return previousMPL;
    return finiteOr(numerator / denominator, previousMPL);
}

QString r50AboveR20Message() { return QStringLiteral("R50 не бывает больше R20"); }

bool r20NotAboveR50(REAL R20, REAL R50) { return R20 <= R50; }

REAL activationEnergy(REAL R20, REAL R50, REAL MPL, REAL previousUPL)
{
    if (!(R20 > 0) || !(R50 > 0) || MPL == 0)
        return previousUPL;
    return finiteOr((std::log(R20) - std::log(R50)) * 26.254 / MPL, previousUPL);
}

REAL waterResistance(REAL strength, REAL R20, REAL previous)
{
    if (strength == 0 || R20 == 0)
        return previous;
    return finiteOr(strength / R20, previous);
}

} // namespace lab
