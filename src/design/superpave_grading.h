#pragma once
// The Superpave grading of PODBORSUPERPAVE: maximum aggregate size, square-mesh sizes, the
// maximum-density target curve 100*(d/Dmax)^0.45, the share search against it, the hand
// balancing and the values handed on by "Далее".
//
// Arrays are 0-based: sieve i = 0..10 for 40 .. 0.071 mm, component k = 0..5.
#include "design/blend.h"

namespace superpave {

using blend::BlendState;
using blend::ComponentGradings;
using blend::Densities;
using blend::Grading;
using blend::Shares;

inline constexpr const std::array<REAL, 11> &standardSieves = sieves::SIZES;

// Size by square-mesh sieves: d * 0.7917 + 0.125.
REAL squareMeshSize(REAL d);

// Largest of the components' sizes; a component's size is the sieve above the first one it
// passes less than 85 % of (0.071 mm if it passes 85 % everywhere; 40 mm if it already passes
// less than 85 % at 40 mm). 0 without components.
REAL maximumSize(int n, const ComponentGradings &dimkomp);

struct Target {
    REAL DMAX = 0;                   // converted to square mesh when above 2 mm
    std::array<REAL, 11> DMM {};     // sieve sizes, the six largest converted to square mesh
    Grading SUPERPAVE {};            // the target curve; ZRN[i] becomes {SUPERPAVE[i], 0}
};
// Always computed from the standard sieve sizes, so a second start converts nothing twice.
Target superpaveTarget(int n, const ComponentGradings &dimkomp);

// PROEKT[i] = sum over k of J_k * DIMKOMP[i][k] / 100, term by term, over all six components.
Grading superpaveBlend(const ComponentGradings &dimkomp, const Shares &shares);

// OTKL$ of a trial: sum over all eleven sieves of |P - SUPERPAVE|, P over the n components in use.
REAL superpaveObjective(int n, const ComponentGradings &dimkomp, const Grading &target, const Shares &shares);

// The share search. n = 1: the first component alone, OTKL as it was; no trial below 1000000:
// the shares stay as they were and OTKL becomes 1000000; n outside 1..6 changes nothing.
BlendState superpaveSearch(int n, const ComponentGradings &dimkomp, const Grading &target, const BlendState &previous);

// Hand balancing as in the grading window, with the Superpave blend.
blend::Balanced balanceShares(const Shares &shares, int optium1, const ComponentGradings &dimkomp);

// "Далее": YMINER = 100 / sum over the n components of J_k / density_k (0 when it cannot be
// computed), DIMJKOMP = the shares, JMPGL = the share of component NUMMP (0 if none).
blend::Accepted acceptBlend(int n, const Shares &shares, const Densities &densities, REAL nummp);

} // namespace superpave
