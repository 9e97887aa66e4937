// Six-component grading search and Superpave search on realistic materials: the fast searches
// against the plain enumeration, median times of several runs in one process.
//
// Run on an optimised build: build-rel/bench_grading_search [runs]
#include "design/blend.h"
#include "design/superpave.h"
#include "../tests/design/reference_search.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

template <class F>
double medianMs(int runs, F &&f)
{
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

bool same(const blend::BlendState &a, const blend::BlendState &b)
{
    return a.J == b.J && a.OTKL == b.OTKL && a.PROEKT == b.PROEKT;
}

void report(const char *name, double fast, double plain, bool equal, const blend::BlendState &s)
{
    std::printf("%-28s fast %8.2f ms   reference %8.2f ms   ratio %6.1fx   %s\n", name, fast, plain, plain / fast,
                equal ? "identical" : "DIFFERENT");
    std::printf("%-28s J = %g %g %g %g %g %g   F = %.17g\n", "", s.J[0], s.J[1], s.J[2], s.J[3], s.J[4], s.J[5], s.OTKL);
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const blend::ComponentGradings d = reference::realisticComponents();
    const blend::Band band = reference::realisticBand();
    const blend::BlendState start {};
    bool allEqual = true;

    blend::BlendState fast, plain;
    const double gFast = medianMs(runs, [&] { fast = blend::gradingSearch(6, d, band, start); });
    const double gPlain = medianMs(runs, [&] { plain = reference::gradingSearch(6, d, band, start); });
    allEqual &= same(fast, plain);
    report("grading search, 6 comp.", gFast, gPlain, same(fast, plain), fast);

    const superpave::Target target = superpave::superpaveTarget(6, d);
    const double sFast = medianMs(runs, [&] { fast = superpave::superpaveSearch(6, d, target.SUPERPAVE, start); });
    const double sPlain = medianMs(runs, [&] { plain = reference::superpaveSearch(6, d, target.SUPERPAVE, start); });
    allEqual &= same(fast, plain);
    report("Superpave search, 6 comp.", sFast, sPlain, same(fast, plain), fast);
    std::printf("medians of %d runs each\n", runs);
    return allEqual ? 0 : 1;
}
