#pragma once
// Results of the mechanical test journal (form UPDATEREZGUR): each function computes the value(s)
// of one trigger field of the form from the readings. Where the journal leaves a result as it was
// (a missing first specimen, a missing factor, a logarithm of a non-positive value, a zero
// divisor) the function takes that previous value and returns it unchanged.
#include "data/fieldtypes.h"

#include <QString>

namespace lab {

// Area factor Q (force in kN / Q = strength in MPa) and splitting factor QRAZ.
struct AreaFactors {
    REAL Q = 0;
    REAL QRAZ = 0;
};

// From the specimen diameter GUR:DOBR (5, 7 or 10 cm); any other diameter keeps `previous`.
AreaFactors areaFactors(REAL DOBR, AreaFactors previous = {});

// The averaging rule of up to three specimens: P1 zero keeps `previous`; otherwise
// (P1+P2+P3)/(3F) when P3 is nonzero, (P1+P2)/(2F) when P2 is, else P1/F. A zero factor
// (diameter not known) keeps `previous` too. Gives R50, R20, R0, R_RASCOL, RWOD and RDLIT.
REAL averageRule(REAL P1, REAL P2, REAL P3, REAL F, REAL previous);

// GUR:TSSR from TS1_50..TS4_50: mean over the specimens up to the last nonzero one of 2..4,
// TS1_50 alone otherwise; a result of 0 becomes 4.0.
REAL meanDeformation(REAL TS1, REAL TS2, REAL TS3, REAL TS4);

// The two shear schemes at 50 °C, 50 mm/min (trigger GUR:TM4).
struct ShearReadings {
    REAL US_50[4] = {}; // GUR:US1_50..US4_50, unconfined, kN
    REAL TS_50[4] = {}; // GUR:TS1_50..TS4_50, mm
    REAL UM[4] = {};    // GUR:UM1..UM4, closed die, kN
    REAL TM[4] = {};    // GUR:TM1..TM4, mm
};
struct ShearValues {
    REAL USSR = 0; // mean unconfined strength, MPa
    REAL TGFI = 0;
    REAL C50 = 0;
    REAL ACSR = 0, AMSR = 0; // mean works of the two schemes (working values)
};
// `previous` supplies USSR (kept when Q is 0), TGFI (kept when there is no closed-die reading
// or the quotient's denominator is 0) and C50 (kept when US1_50 is not positive).
ShearValues shearProperties(const ShearReadings &r, REAL Q, const ShearValues &previous);

// GUR:TSSR_3 from TS1_3_50..TS3_3_50 (no replacement of 0).
REAL meanLoadingTime(REAL TS1, REAL TS2, REAL TS3);

// GUR:MPL (trigger GUR:R50). Keeps `previousMPL` when a logarithm's argument is not positive
// or the divisor is 0.
REAL rateExponent(REAL USSR, REAL R50, REAL TSSR_3, REAL TSSR, REAL TGFI, REAL C50, REAL previousMPL);

// The message shown when R20 is not above R50; the computation goes on after it.
QString r50AboveR20Message();
bool r20NotAboveR50(REAL R20, REAL R50);

// GUR:UPL (trigger GUR:R20) = (ln R20 - ln R50) * 26.254 / MPL; keeps `previousUPL` when
// R20 or R50 is not positive or MPL is 0.
REAL activationEnergy(REAL R20, REAL R50, REAL MPL, REAL previousUPL);

// GUR:KWOD = RWOD / R20 and GUR:KDLIT = RDLIT / R20: a zero strength or a zero R20 keeps
// `previous`.
REAL waterResistance(REAL strength, REAL R20, REAL previous);

} // namespace lab
