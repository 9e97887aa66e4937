#include "design/bitumen.h"

#include "data/globals.h"

#include <cmath>

namespace design {

namespace {

struct StoneMasticConstants {
    const char16_t *typ;
    REAL A, c1, c2;
};

constexpr StoneMasticConstants STONE_MASTIC[] = {
    {u"ЩМА-10", 27.0, 5.3, 0.4},
    {u"ЩМА-15", 26.0, 4.04, 0.26},
    {u"ЩМА-20", 25.0, 4.82, 0.34},
};

// The whole field compared with its trailing blanks ignored; letter case counts.
const StoneMasticConstants *stoneMasticType(const QString &typ)
{
    QString t = typ;
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    for (const auto &c : STONE_MASTIC)
        if (t == QString::fromUtf16(c.typ))
            return &c;
    return nullptr;
}

// 19.1 x 0.071 as the exact decimal product; the size below the finest sieve passing 19.1 %
// is taken proportional to the passing there.
constexpr REAL D2_BELOW_FINEST = 1.3561;

REAL specificSurfaceSum(const Grading &P)
{
    REAL b = 0;
    for (int i = 0; i < 10; ++i)
        b += (P[i] - P[i + 1]) / 100 * BITEMK[i];
    return b + BITEMK[10] * P[10] / 100;
}

REAL finesDensity(const BitumenInput &in)
{
    REAL sum = 0;
    for (int k = 0; k < 6; ++k)
        sum += in.DIMJKOMP[k] * in.ISTDIMYKOMP[k] * in.DIMKOMP[10][k];
    // No fines (P11 = 0): no density of them, 0.
    return quotientOrZero(sum / 100, in.PROEKT[10]);
}

REAL stoneMasticContent(const StoneMasticConstants &c, REAL YMINER, REAL P11, REAL YMP0I071)
{
    // A fines density of 0 (no fines, or densities unknown): the fines take no volume.
    REAL finesVolume = quotientOrZero(100 * YMINER * P11, YMP0I071);
    // YMINER = 0: the volumetric term is taken as 0.
    REAL volumetric = quotientOrZero(100 * c.A - finesVolume, 100 * YMINER - YMINER * c.A);
    return volumetric - (c.c1 - c.c2 * P11);
}

} // namespace

REAL sizeAtPassing(const Grading &P, REAL x)
{
    const Grading &d = STANDARD_DMM;
    for (int i = 0; i < 11; ++i) {
        if (P[i] < x) {
            if (i == 0)
                return d[0]; // nothing coarser to interpolate from
            // P[i-1] >= x > P[i], so the divisor is positive.
            return d[i] + (d[i - 1] - d[i]) * (x - P[i]) / (P[i - 1] - P[i]);
        }
    }
    return d[10]; // every sieve passes x or more
}

BitumenResult computeBitumen(const BitumenInput &in, BitumenWindow window)
{
    BitumenResult r;
    const Grading &P = in.PROEKT;
    const REAL P5 = P[4];
    const REAL P11 = P[10];

    r.D1 = sizeAtPassing(P, 69.1);
    r.D0 = sizeAtPassing(P, 38.2);
    r.D2 = P11 >= 19.1 ? D2_BELOW_FINEST / P11 : sizeAtPassing(P, 19.1);

    // D0 = D2 (a grading flat between 38.2 % and 19.1 %): K taken as 0.
    r.K = quotientOrZero(0.618 * r.D1 * P11 / 100, r.D0 - r.D2);
    // A zero denominator: porosity taken as 0.
    r.PORM = quotientOrZero(1, 0.0243 * r.K + 0.0513 - 0.0008 * r.K * P11);

    r.V0 = 7.3 - 0.32 * P11;
    if (r.V0 < 0)
        r.V0 = 0.1;

    // YMINER = 0 or PORM = 100: the porosity term taken as 0.
    r.BITKIR = quotientOrZero((r.PORM - r.V0) * 100 * 0.998, in.YMINER * (100 - r.PORM))
               - (1.67 - 0.0243 * P5);
    // YMINER = 0: taken as 0.
    r.BITKOROL = quotientOrZero(specificSurfaceSum(P) * 2.65, in.YMINER);
    r.BITSREDN = (r.BITKIR + r.BITKOROL) / 2;

    r.YMP0I071 = finesDensity(in);
    r.BITSMA2 = r.BITSREDN;
    r.BIT_MIN = 11.67 - 2.049 * in.YMINER;

    if (const StoneMasticConstants *c = stoneMasticType(in.TYP)) {
        r.stoneMastic = true;
        r.BITSMA2 = stoneMasticContent(*c, in.YMINER, P11, r.YMP0I071);
        if (window == BitumenWindow::BITUMRASZ && r.BITSMA2 < r.BIT_MIN)
            r.BITSMA2 = r.BIT_MIN;
    }
    return r;
}

REAL chosenBitumen(BYTE OPTIM2, const BitumenChoices &v, REAL previousJBITGL)
{
    REAL chosen = previousJBITGL;
    switch (OPTIM2) {
    case 1: chosen = v.BITKIR; break;
    case 2: chosen = v.BITKOROL; break;
    case 3: chosen = v.BITSMA2; break;
    case 4: chosen = v.BITELSE; break;
    default: break;
    }
    return isBitumenContent(chosen) ? chosen : previousJBITGL;
}

bool isBitumenContent(REAL content) { return std::isfinite(content) && content >= 0 && content <= 100; }

BitumenInput bitumenInputOfDesign()
{
    BitumenInput in;
    in.PROEKT = glob::PROEKT;
    in.YMINER = glob::YMINER;
    in.DIMJKOMP = glob::DIMJKOMP;
    in.ISTDIMYKOMP = glob::ISTDIMYKOMP;
    in.DIMKOMP = glob::DIMKOMP;
    in.TYP = glob::TYP.text();
    return in;
}

REAL shownContent(REAL content, REAL YMINER)
{
    // Without a true density of the mineral part no method gives a content. A negative one or
    // one over 100 % (the formula applied outside the gradings it was made for) is shown as it
    // is: a 0 in its place would read as a result and could be taken for the batch.
    if (!(YMINER > 0) || !std::isfinite(content))
        return 0;
    return content;
}

} // namespace design
