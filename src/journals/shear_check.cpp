#include "journals/shear_check.h"

#include "journals/exact_decimal.h"

#include <cmath>

namespace lab {

QString normalTrafficText() { return QStringLiteral("Нормальные"); }
QString constrainedTrafficText() { return QStringLiteral("Стесненные"); }

OperatingConditions operatingPresets()
{
    OperatingConditions c;
    c.REGION.clear();
    c.TMIN = 0;
    c.TMAX = 0;
    c.TSUMMA = 0;
    c.IN_DV = 220;
    c.US_DV = normalTrafficText();
    c.KAT_DV = 4;
    applyTrafficConditions(c);
    return c;
}

void applyTrafficConditions(OperatingConditions &c)
{
    // Text comparison ignores the blanks a fixed-width field pads with.
    if (c.US_DV.trimmed() == normalTrafficText()) {
        c.T1 = 0.1;
        c.KKOL = 0.8;
    } else {
        c.T1 = (ExactDecimal::fromUnits(4, 1) * ExactDecimal::fromUnits(198, 2)).toDouble(); // 0.792
        c.KKOL = 1.0;
    }
}

void acceptTrafficCategory(OperatingConditions &c, ULONG KAT_DV)
{
    c.KAT_DV = KAT_DV;
    const ExactDecimal perHour = ExactDecimal::fromUnits(220);
    const ExactDecimal share = ExactDecimal::fromUnits(333, 3);
    switch (KAT_DV) {
    case 1:
        c.IN_DV = (perHour * ExactDecimal::fromUnits(1, 2) / share).toDouble();
        break;
    case 2:
        c.IN_DV = (perHour * ExactDecimal::fromUnits(33, 3) / share).toDouble();
        break;
    case 3:
        c.IN_DV = (perHour * ExactDecimal::fromUnits(1, 1) / share).toDouble();
        break;
    case 4:
        c.IN_DV = 220;
        break;
    case 5:
        c.IN_DV = 220;
        c.US_DV = constrainedTrafficText();
        break;
    default: // the radio group offers 1..5 only; anything else keeps the intensity as it was
        break;
    }
    applyTrafficConditions(c);
}

namespace {

// The trapezoid density of pavement temperatures, total area 1.
double temperatureDensity(double T, double TMINP, double TMAXP, double D)
{
    const double TK1 = TMINP + 10, TK2 = TMAXP - 10;
    if (T < TK1)
        return (T - TMINP + 2) / (12 * D);
    if (T < TK2)
        return 1 / D;
    return 1 / D - (T - TMAXP + 10) / (12 * D);
}

} // namespace

ShearResult RASZET(const OperatingConditions &c, const ShearProperties &gur)
{
    ShearResult r;
    r.TMINP = 0.859 * c.TMIN + 1.7;
    r.TMAXP = 3.8071 * c.TMAX - 0.0306 * c.TMAX * c.TMAX - 39.0;

    r.TAUMAX = gur.TGFI < 0.8 ? 0.75 : (0.05 / 0.2) * (1 - gur.TGFI) + 0.7;
    r.TSUMMA = c.KKOL * 8760 * c.T1 * c.IN_DV / 60 / 60;

    // Outside the domain (no spread of temperatures, no cohesion, m = 0, a friction that leaves
    // no shear reserve, temperatures below absolute zero) GAMMA stays 0 and gammaComputed false.
    const double D = r.TMAXP - r.TMINP - 8;
    const double TN = r.TMINP - 2, TK3 = r.TMAXP + 2;
    const double reserve = r.TAUMAX - 0.7 * gur.TGFI;
    if (!(D > 0) || !(gur.C50 > 0) || gur.MPL == 0 || !std::isfinite(gur.MPL) || !(reserve > 0)
        || !(TN + 273 > 0) || !std::isfinite(gur.UPL))
        return r;

    r.S2 = std::pow(reserve / gur.C50, 1 / gur.MPL);

    const double reciprocal323 = (ExactDecimal::fromUnits(1) / ExactDecimal::fromUnits(323)).toDouble();
    // TN > -273 and TMAXP <= 79.4 (the quadratic's top) bound the loop to a few hundred steps.
    for (double T = TN; T <= TK3; T = T + 1) {
        const double POK = -(gur.UPL / 0.008314) * (1 / (T + 273) - reciprocal323);
        r.INT = r.INT + std::pow(2.718281, POK) * temperatureDensity(T, r.TMINP, r.TMAXP, D);
    }

    if (!std::isfinite(r.S2) || !std::isfinite(r.INT)) { // an exponent too large for a REAL
        r.S2 = 0;
        r.INT = 0;
        return r;
    }
    const double product = c.KKOL * 8760 * c.T1 * c.IN_DV * 0.0039 * r.S2 * r.INT;
    if (!(product > 0) || !std::isfinite(product))
        return r; // a zero loading time (IN_DV = 0, for instance) lands here
    r.GAMMA = std::log10(product);
    r.gammaComputed = std::isfinite(r.GAMMA);
    if (!r.gammaComputed)
        r.GAMMA = 0;
    return r;
}

QString shearVerdict(REAL GAMMA)
{
    if (GAMMA > -0.5)
        return QStringLiteral("не сдвигоустойчив");
    if (GAMMA < -1.0)
        return QStringLiteral("сдвигоустойчив");
    return QStringLiteral("в предельном состоянии");
}

QString trafficName(ULONG KAT_DV)
{
    switch (KAT_DV) {
    case 1: return QStringLiteral("очень легкое");
    case 2: return QStringLiteral("легкое");
    case 3: return QStringLiteral("среднее");
    case 4: return QStringLiteral("тяжелое");
    case 5: return QStringLiteral("очень тяжелое");
    default: return QString();
    }
}

} // namespace lab
