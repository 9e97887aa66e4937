// The grading search and the Superpave search with six components: the fast searches against
// the plain enumeration in the same run, median times of several runs in one process.
// Distinct realistic materials, a crushed stone entered twice, and one material six times (every
// trial ties, so nothing can be skipped and the earliest trial must win); then the ten best
// blends against the best alone.
//
// Run on an optimised build: build/bench_grading_search [runs]
#include "design/blend.h"
#include "design/superpave_grading.h"
#include "../tests/support/reference_search.h"
#include "bench_util.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool same(const blend::BlendState &a, const blend::BlendState &b)
{
    return a.J == b.J && a.OTKL == b.OTKL && a.PROEKT == b.PROEKT;
}

bool report(const char *name, double fast, double plain, const blend::BlendState &f, const blend::BlendState &p)
{
    const bool equal = same(f, p);
    std::printf("%-36s fast %8.2f ms   reference %8.2f ms   ratio %6.1fx   %s\n", name, fast, plain, plain / fast,
                equal ? "identical" : "DIFFERENT");
    std::printf("%-36s J = %g %g %g %g %g %g   F = %.17g\n", "", f.J[0], f.J[1], f.J[2], f.J[3], f.J[4], f.J[5], f.OTKL);
    if (!equal)
        std::printf("%-36s reference J = %g %g %g %g %g %g   F = %.17g\n", "", p.J[0], p.J[1], p.J[2], p.J[3], p.J[4],
                    p.J[5], p.OTKL);
    return equal;
}

// Components 1..6 taken from the realistic columns `pick` (0-based), repeats allowed.
blend::ComponentGradings pickComponents(std::initializer_list<int> pick)
{
    const blend::ComponentGradings all = reference::realisticComponents();
    blend::ComponentGradings d {};
    int k = 0;
    for (int from : pick) {
        for (int i = 0; i < 11; ++i)
            d[i][k] = all[i][from];
        ++k;
    }
    return d;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const blend::Band band = reference::realisticBand();
    const blend::BlendState start {};
    bool allEqual = true;

    struct Case {
        const char *name;
        int n;
        blend::ComponentGradings d;
    };
    const Case cases[] {
        {"grading, 6 distinct", 6, reference::realisticComponents()},
        {"grading, 2 identical + 4 distinct", 6, pickComponents({0, 0, 1, 2, 3, 4})},
        // Crushed stone 10-20 passes 1.2 and 0.8 %: not exact in binary, so those sieves' terms
        // differ between trials in their last bits and every trial is evaluated in full.
        {"grading, 6 identical", 6, pickComponents({0, 0, 0, 0, 0, 0})},
        // Screenings sand passes whole and half percentages: every term is the same in all trials.
        {"grading, 6 identical, whole/halves", 6, pickComponents({2, 2, 2, 2, 2, 2})},
        {"grading, 5 distinct", 5, pickComponents({0, 1, 2, 3, 4})},
        {"grading, 4 distinct", 4, pickComponents({0, 1, 2, 4})},
    };
    blend::BlendState fast, plain;
    for (const Case &c : cases) {
        const double tFast = medianMs(runs, [&] { fast = blend::gradingSearch(c.n, c.d, band, start); });
        const double tPlain = medianMs(runs, [&] { plain = reference::gradingSearch(c.n, c.d, band, start); });
        allEqual &= report(c.name, tFast, tPlain, fast, plain);
    }

    for (const Case &c : {cases[0], cases[3]}) {
        const superpave::Target target = superpave::superpaveTarget(c.n, c.d);
        const double tFast = medianMs(runs, [&] { fast = superpave::superpaveSearch(c.n, c.d, target.SUPERPAVE, start); });
        const double tPlain = medianMs(runs, [&] { plain = reference::superpaveSearch(c.n, c.d, target.SUPERPAVE, start); });
        const std::string name = std::string("Superpave") + (c.name + 7);
        allEqual &= report(name.c_str(), tFast, tPlain, fast, plain);
    }
    // The ten best blends (the window's "Варианты") against the search for the best alone.
    for (const Case &c : {cases[0], cases[1]}) {
        const double tOne = medianMs(runs, [&] { fast = blend::gradingSearch(c.n, c.d, band, start); });
        std::vector<blend::Alternative> ten;
        const double tTen = medianMs(runs, [&] { ten = blend::gradingAlternatives(c.n, c.d, band, 10); });
        const bool first = !ten.empty() && ten[0].J == fast.J && ten[0].F == fast.OTKL;
        allEqual &= first;
        std::printf("%-36s best %8.2f ms   ten best %8.2f ms   ratio %6.1fx   %s\n", c.name, tOne, tTen, tTen / tOne,
                    first ? "first identical" : "FIRST DIFFERENT");
    }
    std::printf("medians of %d runs each\n", runs);
    return allEqual ? 0 : 1;
}
