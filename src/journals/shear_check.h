#pragma once
// The shear-resistance check of an asphalt concrete for the climate of a region: the operating
// conditions of the dialog FILTER1 and the calculation RASZET (criterion of accumulated residual
// shear deformation). Pure functions over plain values; the windows copy them to and from the
// global working state.
#include "data/fieldtypes.h"

#include <QString>

namespace lab {

// "Нормальные" / "Стесненные": the two traffic conditions of the dialog.
QString normalTrafficText();
QString constrainedTrafficText();

// The operating conditions the dialog leaves in REGION, TMIN, TMAX, KAT_DV, IN_DV, US_DV,
// T1, KKOL and TSUMMA.
struct OperatingConditions {
    QString REGION;
    REAL TMIN = 0;
    REAL TMAX = 0;
    ULONG KAT_DV = 0;
    REAL IN_DV = 0;
    QString US_DV;
    REAL T1 = 0;
    REAL KKOL = 0;
    REAL TSUMMA = 0;
};

// The values the dialog sets as it opens: category 4, 220 vehicles per hour, normal traffic.
OperatingConditions operatingPresets();

// Traffic-conditions rule: T1 and KKOL from US_DV ("Нормальные" or anything else).
void applyTrafficConditions(OperatingConditions &c);

// Acceptance of the traffic category: presets IN_DV, switches category 5 to constrained traffic,
// then applies the traffic-conditions rule.
void acceptTrafficCategory(OperatingConditions &c, ULONG KAT_DV);

// What RASZET reads from the mechanical-test record in memory.
struct ShearProperties {
    REAL TGFI = 0; // tangent of the internal friction angle
    REAL C50 = 0;  // cohesion at 50 °C, MPa
    REAL MPL = 0;  // rate exponent m
    REAL UPL = 0;  // activation energy U, kJ/mol
};

struct ShearResult {
    REAL TAUMAX = 0; // limiting shear resistance, MPa
    REAL GAMMA = 0;  // decimal logarithm of the accumulated residual shear deformation
    REAL TSUMMA = 0; // total duration of loading, hours
    // Working values, kept for the protocol and for checking.
    REAL TMINP = 0, TMAXP = 0, S2 = 0, INT = 0;
    // False when the inputs lie outside the domain of the calculation; GAMMA is then 0, which
    // reads as "не сдвигоустойчив": resistance is never claimed without a computed deformation.
    bool gammaComputed = false;
};

ShearResult RASZET(const OperatingConditions &c, const ShearProperties &gur);

// The verdict REZUME for GAMMA and the traffic name NAIMEN_DV for KAT_DV (blank outside 1..5).
QString shearVerdict(REAL GAMMA);
QString trafficName(ULONG KAT_DV);

} // namespace lab
