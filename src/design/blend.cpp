#include "design/blend.h"

#include "design/share_search.h"

#include <algorithm>
#include <cmath>

namespace blend {

Grading blendGrading(const ComponentGradings &dimkomp, const Shares &shares)
{
    Grading p {};
    for (int i = 0; i < 11; ++i) {
        REAL sum = shares[0] * dimkomp[i][0];
        for (int k = 1; k < 6; ++k)
            sum += shares[k] * dimkomp[i][k];
        p[i] = sum / 100;
    }
    return p;
}

REAL searchObjective(const ComponentGradings &dimkomp, const Band &zrn, const Shares &shares)
{
    REAL f = 0;
    for (int i = 1; i < 11; ++i) { // the 40 mm sieve does not take part
        REAL sum = shares[0] * dimkomp[i][0];
        for (int k = 1; k < 6; ++k)
            sum += shares[k] * dimkomp[i][k];
        const REAL p = sum / 100;
        f += std::fabs(2 * p - (zrn[i][0] + zrn[i][1]));
    }
    return f;
}

namespace {

BlendState searchWith(const ComponentGradings &dimkomp, const BlendState &previous, const share_search::Outcome &found)
{
    BlendState s = previous;
    if (found.improved)
        s.J = found.shares;
    s.OTKL = found.best;
    s.PROEKT = blendGrading(dimkomp, s.J);
    return s;
}

BlendState singleComponent(const ComponentGradings &dimkomp, const BlendState &previous)
{
    BlendState s = previous; // OTKL is left as it was
    s.J = {100, 0, 0, 0, 0, 0};
    for (int i = 0; i < 11; ++i)
        s.PROEKT[i] = dimkomp[i][0];
    return s;
}

// searchObjective, in its order of operations.
share_search::Objective gradingObjective(const ComponentGradings &dimkomp, const Band &zrn)
{
    share_search::Objective objective;
    objective.form = share_search::Objective::sumThenScale;
    objective.terms = 6;
    objective.D = dimkomp;
    for (int i = 1; i < 11; ++i) {
        objective.used[i] = true;
        objective.B[i] = zrn[i][0] + zrn[i][1];
    }
    return objective;
}

} // namespace

BlendState gradingSearch(int n, const ComponentGradings &dimkomp, const Band &zrn, const BlendState &previous)
{
    if (n == 1)
        return singleComponent(dimkomp, previous);
    if (n < 2 || n > 6)
        return previous; // no components chosen: nothing to search
    return searchWith(dimkomp, previous, share_search::search(n, gradingObjective(dimkomp, zrn)));
}

std::vector<Alternative> gradingAlternatives(int n, const ComponentGradings &dimkomp, const Band &zrn, int count)
{
    std::vector<Alternative> list;
    if (n < 2 || n > 6)
        return list;
    for (const share_search::Ranked &r : share_search::searchBest(n, gradingObjective(dimkomp, zrn), count)) {
        Alternative a;
        a.J = r.shares;
        a.F = r.F;
        a.PROEKT = blendGrading(dimkomp, a.J);
        a.deviation = deviation(a.PROEKT, zrn);
        a.insideBand = a.deviation == 0;
        list.push_back(a);
    }
    return list;
}

Balanced balanceShares(const Shares &shares, int optium1, const ComponentGradings &dimkomp)
{
    Balanced b;
    b.J = shares;
    if (optium1 >= 1 && optium1 <= 6) {
        REAL others = 0;
        for (int k = 0; k < 6; ++k)
            if (k != optium1 - 1)
                others += b.J[k];
        b.J[optium1 - 1] = 100 - others;
    }
    REAL sum = 0;
    for (REAL s : b.J)
        sum += s;
    b.askForBalancing = sum != 100;
    b.PROEKT = blendGrading(dimkomp, b.J);
    return b;
}

REAL deviation(const Grading &proekt, const Band &zrn)
{
    REAL low = 0;
    for (int i = 0; i < 11; ++i)
        low = std::min(low, proekt[i] - zrn[i][0]);
    REAL otkl = 0.0 - low; // written as a subtraction so that "inside the band" is +0, not -0
    for (int i = 0; i < 11; ++i)
        if (proekt[i] - zrn[i][1] > otkl)
            otkl = proekt[i] - zrn[i][1];
    return otkl;
}

QString deviationMessage(REAL otkl, const QString &previousLine)
{
    return otkl > 0.5 ? deviationMessageText : previousLine;
}

REAL mineralDensity(int n, const Shares &shares, const Densities &densities)
{
    REAL sum = 0;
    for (int k = 0; k < std::min(n, 6); ++k) {
        if (shares[k] == 0)
            continue; // a component not in the blend adds nothing, whatever its density
        if (densities[k] == 0)
            return 0; // unknown density of a component in the blend: no density (the selection warned)
        sum += shares[k] / densities[k];
    }
    const REAL y = sum != 0 ? 100 / sum : 0; // no share at all: no density
    return std::isfinite(y) ? y : 0;
}

REAL powderShare(const Shares &shares, REAL nummp)
{
    // Only a whole component number 1..6 names the mineral powder; 0 (none) and anything else give 0.
    if (nummp >= 1 && nummp <= 6 && nummp == std::floor(nummp))
        return shares[static_cast<int>(nummp) - 1];
    return 0;
}

Accepted acceptBlend(int n, const Shares &shares, const Densities &densities, REAL nummp)
{
    Accepted a;
    a.YMINER = n == 1 ? densities[0] : mineralDensity(n, shares, densities);
    a.DIMJKOMP = shares;
    a.JMPGL = powderShare(a.DIMJKOMP, nummp);
    return a;
}

} // namespace blend
