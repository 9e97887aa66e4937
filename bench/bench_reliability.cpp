// Reliability of blends under material scatter: 10,000 draws for each of the ten "Варианты" of a
// six-component blend (the draws made once and shared, every figure of each: reliability, the
// per-sieve share outside the band and the 5..95 % envelope), and "Самая надёжная" over the 300
// best blends by F (the reliability of each on the same draws; then with the search for the 300
// included). Materials: two with twelve analyses (bootstrap), two with three (their own sigma),
// two with none (the default sigma). Medians of several runs in one process.
//
// Run on an optimised build: build/bench_reliability [runs]
#include "design/reliability.h"
#include "../tests/support/reference_search.h"
#include "bench_util.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

std::vector<reliability::Material> materials(const blend::ComponentGradings &d)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> z(0, 1);
    const int analyses[6] = {12, 12, 3, 3, 0, 0};
    std::vector<reliability::Material> list(6);
    for (int k = 0; k < 6; ++k) {
        reliability::Material &m = list[std::size_t(k)];
        for (int i = 0; i < 11; ++i)
            m.grading[i] = d[i][k];
        for (int a = 0; a < analyses[k]; ++a) {
            reliability::Grading g = m.grading;
            for (int i = 0; i < 11; ++i)
                g[i] = std::clamp(g[i] + (g[i] > 0 && g[i] < 100 ? 2 * z(rng) : 0), 0.0, i ? g[i - 1] : 100.0);
            m.analyses.push_back(g);
        }
    }
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const blend::ComponentGradings d = reference::realisticComponents();
    blend::Band band = reference::realisticBand();
    band[0] = {95, 100}; // the sixth material passes 96 % at 40 mm
    const std::vector<reliability::Material> list = materials(d);
    reliability::Settings settings;
    settings.defaultSigma = reliability::standardSigma();

    const std::vector<blend::Alternative> ten = blend::gradingAlternatives(6, d, band, 10);
    double sum = 0;
    const double tTen = medianMs(runs, [&] {
        const reliability::Draws draws(list, settings);
        for (const blend::Alternative &a : ten)
            sum += reliability::figures(draws, a.J, band).reliability;
    });
    std::printf("ten alternatives x %d draws, six components (draws + all figures)   %8.2f ms   (limit 100 ms)\n",
                settings.draws, tTen);

    std::vector<blend::Alternative> admitted;
    const double tSearch = medianMs(runs, [&] { admitted = blend::gradingAlternatives(6, d, band, 300); });
    std::vector<reliability::Shares> candidates;
    for (const blend::Alternative &a : admitted)
        candidates.push_back(a.J);
    int best = -1;
    std::vector<REAL> figures;
    const double tRobust = medianMs(runs, [&] {
        const reliability::Draws draws(list, settings);
        best = reliability::mostReliable(draws, candidates, band, &figures);
    });
    std::printf("Самая надёжная over %zu candidates (draws + reliabilities)        %8.2f ms   (limit 1000 ms)\n",
                candidates.size(), tRobust);
    std::printf("  the search for the %zu best by F                                 %8.2f ms;  together %8.2f ms\n",
                candidates.size(), tSearch, tSearch + tRobust);
    if (best >= 0)
        std::printf("  best by F: %.1f %% reliable (F %.2f);  most reliable: no. %d, %.1f %% (F %.2f)\n", figures[0],
                    admitted[0].F, best + 1, figures[std::size_t(best)], admitted[std::size_t(best)].F);
    std::printf("medians of %d runs each; peak memory %ld KiB (checksum %.1f)\n", runs, peakKiB(), sum);
    return tTen <= 100 && tRobust <= 1000 ? 0 : 1;
}
