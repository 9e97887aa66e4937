#include "design/superpave_grading.h"

#include "design/share_search.h"

#include <algorithm>
#include <cmath>

namespace superpave {

REAL squareMeshSize(REAL d)
{
    return d * 0.7917 + 0.125;
}

REAL maximumSize(int n, const ComponentGradings &dimkomp)
{
    REAL dmax = 0;
    for (int k = 0; k < std::min(n, 6); ++k) {
        int i = 0;
        while (i < 11 && !(dimkomp[i][k] < 85))
            ++i;
        // i == 0: coarser than the largest sieve, which is the best size known for it.
        const REAL size = i == 0 ? standardSieves[0] : standardSieves[i - 1];
        dmax = std::max(dmax, size);
    }
    return dmax;
}

Target superpaveTarget(int n, const ComponentGradings &dimkomp)
{
    Target t;
    t.DMAX = maximumSize(n, dimkomp);
    if (t.DMAX > 2)
        t.DMAX = squareMeshSize(t.DMAX);
    t.DMM = standardSieves;
    for (int i = 0; i < 6; ++i)
        t.DMM[i] = squareMeshSize(t.DMM[i]);
    for (int i = 0; i < 11; ++i)
        // DMM[i] > 0, so a sieve with DMM[i] <= DMAX has DMAX > 0: no division by zero.
        t.SUPERPAVE[i] = t.DMM[i] > t.DMAX ? 100 : 100 * std::pow(t.DMM[i] / t.DMAX, 0.45);
    return t;
}

Grading superpaveBlend(const ComponentGradings &dimkomp, const Shares &shares)
{
    Grading p {};
    for (int i = 0; i < 11; ++i) {
        REAL sum = shares[0] * dimkomp[i][0] / 100;
        for (int k = 1; k < 6; ++k)
            sum += shares[k] * dimkomp[i][k] / 100;
        p[i] = sum;
    }
    return p;
}

REAL superpaveObjective(int n, const ComponentGradings &dimkomp, const Grading &target, const Shares &shares)
{
    const int used = std::clamp(n, 1, 6);
    REAL f = 0;
    for (int i = 0; i < 11; ++i) {
        REAL p = shares[0] * dimkomp[i][0] / 100;
        for (int k = 1; k < used; ++k)
            p += shares[k] * dimkomp[i][k] / 100;
        f += std::fabs(p - target[i]);
    }
    return f;
}

namespace {

BlendState finish(const ComponentGradings &dimkomp, const BlendState &previous, const share_search::Outcome &found)
{
    BlendState s = previous;
    if (found.improved)
        s.J = found.shares;
    s.OTKL = found.best;
    s.PROEKT = superpaveBlend(dimkomp, s.J);
    return s;
}

BlendState singleComponent(const ComponentGradings &dimkomp, const BlendState &previous)
{
    BlendState s = previous; // OTKL is left as it was
    s.J = {100, 0, 0, 0, 0, 0};
    s.PROEKT = superpaveBlend(dimkomp, s.J);
    return s;
}

} // namespace

BlendState superpaveSearch(int n, const ComponentGradings &dimkomp, const Grading &target, const BlendState &previous)
{
    if (n == 1)
        return singleComponent(dimkomp, previous);
    if (n < 2 || n > 6)
        return previous;
    // superpaveObjective, in its order of operations.
    share_search::Objective objective;
    objective.form = share_search::Objective::scaledTerms;
    objective.terms = n;
    objective.D = dimkomp;
    for (int i = 0; i < 11; ++i) {
        objective.used[i] = true;
        objective.B[i] = target[i];
    }
    return finish(dimkomp, previous, share_search::search(n, objective));
}

blend::Balanced balanceShares(const Shares &shares, int optium1, const ComponentGradings &dimkomp)
{
    blend::Balanced b = blend::balanceShares(shares, optium1, dimkomp);
    b.PROEKT = superpaveBlend(dimkomp, b.J);
    return b;
}

blend::Accepted acceptBlend(int n, const Shares &shares, const Densities &densities, REAL nummp)
{
    blend::Accepted a;
    a.YMINER = blend::mineralDensity(n, shares, densities);
    a.DIMJKOMP = shares;
    a.JMPGL = blend::powderShare(a.DIMJKOMP, nummp);
    return a;
}

} // namespace superpave
