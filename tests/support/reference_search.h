#pragma once
// Plain implementations of the two share searches, written straight from the enumeration
// tables (floating-point loop variables, strict comparison, ties keep the earlier trial).
// The fast searches must return exactly what these return. Also used by the benchmark.
#include "design/blend.h"

#include <cmath>
#include <random>
#include <vector>

namespace reference {

using blend::Band;
using blend::BlendState;
using blend::ComponentGradings;
using blend::Grading;
using blend::Shares;

// Calls trial(s1, ..., s6) for every trial of n = 2..6 components in enumeration order.
template <class Trial>
void enumerate(int n, Trial &&trial)
{
    switch (n) {
    case 2:
        for (double s1 = 0; s1 <= 100; s1 += 1.0)
            trial(s1, 100 - s1, 0, 0, 0, 0);
        break;
    case 3:
        for (double s1 = 0; s1 <= 100; s1 += 1.0)
            for (double s2 = 0; s2 <= 100 - s1; s2 += 1.0)
                trial(s1, s2, 100 - s1 - s2, 0, 0, 0);
        break;
    case 4:
        for (double s1 = 0; s1 <= 100; s1 += 1.0)
            for (double s2 = 0; s2 <= 100 - s1; s2 += 1.0)
                for (double s3 = 0; s3 <= 100 - s1 - s2; s3 += 1.0)
                    trial(s1, s2, s3, 100 - s1 - s2 - s3, 0, 0);
        break;
    case 5:
        for (double s1 = 0; s1 <= 100; s1 += 2.0)
            for (double s2 = 0; s2 <= 100 - s1; s2 += 2.0)
                for (double s3 = 0; s3 <= 100 - s1 - s2; s3 += 1.0)
                    for (double s4 = 0; s4 <= 100 - s1 - s2 - s3; s4 += 1.0)
                        trial(s1, s2, s3, s4, 100 - s1 - s2 - s3 - s4, 0);
        break;
    case 6:
        for (double s6 = 0; s6 <= 30; s6 += 1.0)
            for (double s2 = 0; s2 <= 100 - s6; s2 += 2.0)
                for (double s3 = 0; s3 <= 100 - s6 - s2; s3 += 2.0)
                    for (double s4 = 0; s4 <= 100 - s6 - s2 - s3; s4 += 2.0)
                        for (double s5 = 0; s5 <= 100 - s6 - s2 - s3 - s4; s5 += 1.0)
                            trial(100 - s6 - s2 - s3 - s4 - s5, s2, s3, s4, s5, s6);
        break;
    default: break;
    }
}

inline BlendState gradingSearch(int n, const ComponentGradings &D, const Band &Z, const BlendState &previous)
{
    BlendState r = previous;
    if (n == 1) {
        r.J = {100, 0, 0, 0, 0, 0};
        for (int i = 0; i < 11; ++i)
            r.PROEKT[i] = D[i][0];
        return r;
    }
    double best = 1000000;
    enumerate(n, [&](double s1, double s2, double s3, double s4, double s5, double s6) {
        double F = 0;
        for (int i = 1; i < 11; ++i) {
            const double P = (s1 * D[i][0] + s2 * D[i][1] + s3 * D[i][2] + s4 * D[i][3] + s5 * D[i][4] + s6 * D[i][5]) / 100;
            F = F + std::fabs(2 * P - (Z[i][0] + Z[i][1]));
        }
        if (F < best) {
            best = F;
            r.J = {s1, s2, s3, s4, s5, s6};
        }
    });
    r.OTKL = best;
    for (int i = 0; i < 11; ++i)
        r.PROEKT[i] = (r.J[0] * D[i][0] + r.J[1] * D[i][1] + r.J[2] * D[i][2] + r.J[3] * D[i][3] + r.J[4] * D[i][4]
                       + r.J[5] * D[i][5]) / 100;
    return r;
}

// The `count` best trials of the grading search by F, ties in enumeration order: a trial is kept
// when it is strictly better than the last kept one (or there is room), and goes after the
// kept ones of equal F.
struct Kept {
    double F;
    Shares J;
};
inline std::vector<Kept> gradingAlternatives(int n, const ComponentGradings &D, const Band &Z, std::size_t count)
{
    std::vector<Kept> kept;
    enumerate(n, [&](double s1, double s2, double s3, double s4, double s5, double s6) {
        double F = 0;
        for (int i = 1; i < 11; ++i) {
            const double P = (s1 * D[i][0] + s2 * D[i][1] + s3 * D[i][2] + s4 * D[i][3] + s5 * D[i][4] + s6 * D[i][5]) / 100;
            F = F + std::fabs(2 * P - (Z[i][0] + Z[i][1]));
        }
        if (!(F < (kept.size() < count ? 1000000 : kept.back().F)))
            return;
        auto at = kept.begin();
        while (at != kept.end() && at->F <= F)
            ++at;
        kept.insert(at, {F, {s1, s2, s3, s4, s5, s6}});
        if (kept.size() > count)
            kept.pop_back();
    });
    return kept;
}

inline BlendState superpaveSearch(int n, const ComponentGradings &D, const Grading &target, const BlendState &previous)
{
    BlendState r = previous;
    if (n == 1) {
        r.J = {100, 0, 0, 0, 0, 0};
    } else {
        double minOtkl = 1000000;
        enumerate(n, [&](double s1, double s2, double s3, double s4, double s5, double s6) {
            const double J[6] {s1, s2, s3, s4, s5, s6};
            double otkl = 0;
            for (int i = 0; i < 11; ++i) {
                double P = 0;
                for (int k = 0; k < n; ++k)
                    P = P + J[k] * D[i][k] / 100;
                otkl = otkl + std::fabs(P - target[i]);
            }
            if (otkl < minOtkl) {
                minOtkl = otkl;
                r.J = {s1, s2, s3, s4, s5, s6};
            }
        });
        r.OTKL = minOtkl;
    }
    for (int i = 0; i < 11; ++i) {
        double P = 0;
        for (int k = 0; k < 6; ++k)
            P = P + r.J[k] * D[i][k] / 100;
        r.PROEKT[i] = P;
    }
    return r;
}

// Realistic materials for a fine-grained dense mix: crushed stone 10-20 and 5-10 mm,
// screenings sand, natural sand, mineral powder and a crushed stone 20-40 mm.
inline ComponentGradings realisticComponents()
{
    const double columns[6][11] {
        {100, 97, 62, 18, 3, 2, 1.5, 1.2, 1, 0.8, 0.5},
        {100, 100, 100, 94, 12, 4, 3, 2.5, 2, 1.5, 1},
        {100, 100, 100, 100, 96, 71, 48, 33, 22, 14, 8.5},
        {100, 100, 100, 99, 97, 90, 78, 55, 24, 7, 2},
        {100, 100, 100, 100, 100, 100, 100, 99, 96, 90, 78},
        {96, 58, 31, 9, 2, 1.5, 1, 1, 0.8, 0.6, 0.4},
    };
    ComponentGradings d {};
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 11; ++i)
            d[i][k] = columns[k][i];
    return d;
}

inline Band realisticBand()
{
    return {{{100, 100}, {90, 100}, {75, 100}, {62, 100}, {40, 50}, {28, 38}, {20, 28}, {14, 20}, {10, 16}, {6, 12}, {4, 10}}};
}

// A random grading, passing not increasing from coarse to fine; whole percentages when
// `whole` (which makes many trials tie exactly).
inline Grading randomGrading(std::mt19937 &rng, bool whole)
{
    std::uniform_real_distribution<double> drop(0, 30);
    Grading g {};
    double p = 100 - drop(rng) / 3;
    for (int i = 0; i < 11; ++i) {
        g[i] = whole ? std::round(p) : p;
        p = std::max(0.0, p - drop(rng));
    }
    return g;
}

} // namespace reference
