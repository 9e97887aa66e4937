#pragma once
// The grading blend of the mineral part: the blend formula, the automatic share search run by
// the component selection's "Далее", the hand balancing and the deviation of the window
// PODBORSUM, and the values handed on when the blend is accepted.
//
// Arrays are 0-based: sieve i = 0..10 for 40 .. 0.071 mm, component k = 0..5 for J1GL .. J6GL.
#include "data/sieves.h"

#include <array>
#include <vector>
#include <QString>

namespace blend {

using Grading = sieves::Grading;                             // PROEKT
using Band = sieves::Band;                                   // ZRN: {lower, upper}
using ComponentGradings = sieves::ComponentGradings;         // DIMKOMP[sieve][component]
using Shares = std::array<REAL, 6>;                          // J1GL .. J6GL
using Densities = std::array<REAL, 6>;                       // ISTDIMYKOMP

inline const QString balancingMessage = QStringLiteral("Назначь смежную компоненту");
inline const QString deviationMessageText = QStringLiteral("Максимальное отклонение в % составляет");

// PROEKT[i] = (s1*DIMKOMP[i][1] + ... + s6*DIMKOMP[i][6]) / 100.
Grading blendGrading(const ComponentGradings &dimkomp, const Shares &shares);

// The search's objective F of one trial: sum over sieves 20 .. 0.071 mm of |2*P - (L + U)|.
REAL searchObjective(const ComponentGradings &dimkomp, const Band &zrn, const Shares &shares);

// J1GL .. J6GL, PROEKT and OTKL as the steps hand them on.
struct BlendState {
    Shares J {};
    Grading PROEKT {};
    REAL OTKL = 0;
};

// The automatic share search for n = NKOMP components. n = 1 gives the first component alone
// and leaves OTKL as it was; when no trial comes below 1000000 the shares stay as they were
// (OTKL becomes 1000000); n outside 1..6 (no components) changes nothing.
BlendState gradingSearch(int n, const ComponentGradings &dimkomp, const Band &zrn, const BlendState &previous);

// The `count` best blends of the same search (n = 2..6), best first: the first is
// gradingSearch's result; ties keep the enumeration order. Each with its F, its PROEKT, the
// window's deviation and whether every sieve lies inside the band.
struct Alternative {
    Shares J {};
    REAL F = 0;
    Grading PROEKT {};
    REAL deviation = 0;
    bool insideBand = false;
    REAL reliability = -1; // % of the materials' scatter draws inside the band; below 0: not computed
};
std::vector<Alternative> gradingAlternatives(int n, const ComponentGradings &dimkomp, const Band &zrn, int count);

// Hand balancing after a share changed: the balancing component b (OPTIUM1 1..6, 0 none)
// takes 100 minus the other five; PROEKT follows the shares.
struct Balanced {
    Shares J {};
    Grading PROEKT {};
    bool askForBalancing = false; // the shares do not sum to 100: show balancingMessage
};
Balanced balanceShares(const Shares &shares, int optium1, const ComponentGradings &dimkomp);

// OTKL in the window: the largest excursion of PROEKT outside the band over all sieves, 0 inside.
REAL deviation(const Grading &proekt, const Band &zrn);
// The message line: set when OTKL is above 0.5, otherwise it keeps its text.
QString deviationMessage(REAL otkl, const QString &previousLine);

// Values computed on "Далее".
struct Accepted {
    Shares DIMJKOMP {};
    REAL JMPGL = 0;
    REAL YMINER = 0;
};
// YMINER = 100 / (s1/r1 + ... + sn/rn), the first density itself for n = 1;
// JMPGL = the share of component NUMMP, 0 when NUMMP names no component.
Accepted acceptBlend(int n, const Shares &shares, const Densities &densities, REAL nummp);

// Shared by the Superpave step: the true density of the mineral part over n components,
// 0 when it cannot be computed (a zero density of a component in the blend, a zero sum).
REAL mineralDensity(int n, const Shares &shares, const Densities &densities);
// The share of the mineral powder component NUMMP (1..6), 0 for any other NUMMP.
REAL powderShare(const Shares &shares, REAL nummp);

} // namespace blend
