#include "design/batch.h"

#include "design/recipe_report_values.h"

#include <algorithm>

namespace design {

namespace {

// The equivalent round-hole diameter of a square opening.
REAL roundFromSquare(REAL side) { return 1.2629 * side - 0.1529; }

// Bins retained on each deck and passing the finest one, % of the mineral part.
void fillHotBins(BatchRecipe &r, REAL JMPGL)
{
    const auto &P = r.P;
    r.ZO[0] = P[0] == 0 ? 100 - JMPGL : 100 - P[0];
    for (int k = 1; k < 5; ++k) {
        r.ZO[k] = P[k] == 0 ? P[k - 1] - JMPGL : P[k - 1] - P[k];
        if (r.ZO[k] < 0)
            r.ZO[k] = 0;
    }
    // A finest deck passing less than the mineral powder share leaves an empty bin, as the
    // decks above do, rather than a negative one.
    r.ZO6X = P[4] > 0 ? std::max<REAL>(P[4] - JMPGL, 0) : 0;
}

// Dust carried off: the fines of the components listed before the mineral powder.
REAL dustSum(const BatchInput &in)
{
    REAL sum = 0;
    for (int j = 0; j < 6 && !(in.DIMNAME[j] == in.FILL1); ++j)
        sum += static_cast<REAL>(in.OTSOS) / 100 * in.DIMJKOMP[j] * in.DIMKOMP[10][j] / 100;
    return sum;
}

} // namespace

REAL transformedSize(REAL diameter)
{
    // A diameter of 0 or less (an absent deck, or a square side under 0.121 mm) has no
    // real transformed size; 0 makes it pass nothing.
    return diameter > 0 ? std::pow(diameter, 2.0 / 3.0) : 0;
}

DeckOpenings deckOpenings(const std::array<FixedString<2>, 5> &FORMA, const REAL (&OTW)[5][2])
{
    DeckOpenings d;
    for (int k = 0; k < 5; ++k) {
        const QByteArray shape = FORMA[k].raw();
        if (shape == QByteArray(1, ROUND_HOLE)) {
            d.OTW[k] = OTW[k][0];
            d.A[k] = transformedSize(d.OTW[k]);
        } else if (shape == QByteArray(1, SQUARE_HOLE)) {
            d.OTW[k] = OTW[k][1];
            d.A[k] = transformedSize(roundFromSquare(d.OTW[k]));
        }
    }
    return d;
}

REAL passingAtDeck(const Grading &PROEKT, REAL OTWk, REAL Ak)
{
    if (OTWk == 0)
        return 0;
    std::array<REAL, 11> A;
    for (int i = 0; i < 11; ++i)
        A[i] = transformedSize(STANDARD_DMM[i]);
    if (A[0] < Ak)
        return 100;
    for (int i = 1; i < 11; ++i)
        if (A[i] < Ak)
            return PROEKT[i] + (PROEKT[i - 1] - PROEKT[i]) * (Ak - A[i]) / (A[i - 1] - A[i]);
    // Finer than the 0.071 mm sieve: interpolated on the same scale towards nothing passing
    // a zero opening.
    return PROEKT[10] * Ak / A[10];
}

BatchRecipe computeBatch(const BatchInput &in, BatchVariant variant)
{
    const bool report = variant != BatchVariant::GROHOTBROWSE1;
    const bool overMineral = variant == BatchVariant::REZCBITSWERH100;
    BatchRecipe r;

    r.openings = deckOpenings(in.FORMA, in.OTW);
    for (int k = 0; k < 5; ++k)
        r.P[k] = passingAtDeck(in.PROEKT, r.openings.OTW[k], r.openings.A[k]);

    fillHotBins(r, in.JMPGL);
    if (report) {
        r.NEGABARIT = r.ZO[0];
        r.MASSANEGABARIT = r.NEGABARIT * in.MASSAZAMES / 100;
    }
    if (report || in.CHEKKRUP)
        r.ZO[0] = 0;

    REAL T = 0;
    for (REAL z : r.ZO)
        T += z;
    T += r.ZO6X + in.JMPGL;
    if (!overMineral)
        T += in.JBITGL;
    r.total = T;

    // T = 0 (nothing in the batch): every share is 0.
    for (int k = 0; k < 5; ++k)
        r.SPLT[k] = quotientOrZero(r.ZO[k], T) * 100;
    r.PESOK = quotientOrZero(r.ZO6X, T) * 100;
    r.MINPOR = quotientOrZero(in.JMPGL, T) * 100;
    if (overMineral) {
        r.BIT = in.JBITGL;
        r.CTOPLUSBIT = 100 + r.BIT;
    } else {
        r.BIT = quotientOrZero(in.JBITGL, T) * 100;
    }

    const REAL mass = in.MASSAZAMES;
    r.MBIT = r.BIT * mass / 100;
    r.MMINPOR = r.MINPOR * mass / 100;
    r.MPESOK = r.PESOK * mass / 100;
    r.MSUMMA = r.MBIT + r.MMINPOR + r.MPESOK;
    for (int k = 4; k >= 0; --k) {
        r.MSPL[k] = r.SPLT[k] * mass / 100;
        r.MSUMMA += r.MSPL[k];
    }

    if (report) {
        r.UNOS = quotientOrZero(dustSum(in) * 100, T);
        r.MASSUNOS = r.UNOS * mass / 100;
        for (int j = 0; j < 6; ++j)
            r.SODERZKOMP[j] = shareCellText(in.DIMJKOMP[j], 3);
    }
    return r;
}

} // namespace design
