#pragma once
// Reliability of a blend under the scatter of its materials: the share of Monte Carlo draws in
// which the blended grading lies inside the band at every sieve, when each material grades as
// its sieve analyses say it may.
//
// Each draw takes, for every component, one of the material's own analyses at random when it
// has at least kBootstrapMinimum of them; otherwise the material's grading in the design plus a
// normal deviation at each sieve, with the standard deviation of its analyses (two or more) or
// a default one per sieve size, then clamped to 0..100 and made non-increasing from coarse to
// fine. The draws are made once and shared by every blend judged against them (common random
// numbers: two blends are compared on the same draws, so the difference is not noise), from a
// seeded std::mt19937_64 whose output the standard fixes, with distributions of our own: the
// figures are the same on every platform for the same seed.
#include "design/blend.h"

#include <cstdint>
#include <vector>

namespace reliability {

using Grading = blend::Grading;
using Band = blend::Band;
using Shares = blend::Shares;

inline constexpr int kBootstrapMinimum = 5;
inline constexpr int kDefaultDraws = 10000;
inline constexpr std::uint64_t kDefaultSeed = 20240527;

// How a material's scatter is drawn.
enum class Scatter {
    Analyses,      // bootstrap over its analyses
    AnalysesSigma, // its grading + normal deviation, sigma of its analyses
    DefaultSigma,  // its grading + normal deviation, the default sigma
};

struct Material {
    Grading grading {};            // as the design uses it (a column of DIMKOMP)
    std::vector<Grading> analyses; // its sieve analyses, any order
};

struct Settings {
    int draws = kDefaultDraws;
    std::uint64_t seed = kDefaultSeed;
    Grading defaultSigma {}; // per sieve, percentage points
};
// The default sigma per sieve when the settings give none: wider on the coarse sieves, where a
// crushed stone's fractions vary most.
Grading standardSigma();

Scatter scatterOf(const Material &m);
// The sigma the normal deviation uses at each sieve: the sample standard deviation of the
// analyses (two or more); otherwise the default one where the grading lies strictly between 0
// and 100 (a sieve the whole material passes, or none of it, does not vary), 0 elsewhere.
Grading sigmaOf(const Material &m, const Grading &defaultSigma);

// The common draws of up to six materials (components in blend order).
class Draws {
public:
    Draws() = default;
    Draws(const std::vector<Material> &materials, const Settings &settings);
    int count() const { return int(m_draws.size()); }
    // The components' gradings of draw d, [sieve][component] as DIMKOMP.
    const blend::ComponentGradings &at(int d) const { return m_draws[std::size_t(d)]; }

private:
    std::vector<blend::ComponentGradings> m_draws;
};

// Whether a grading lies inside the band at every sieve (limits included).
bool insideBand(const Grading &p, const Band &band);

struct Figures {
    REAL reliability = 0;   // % of draws inside the band at every sieve
    Grading outside {};     // % of draws outside the band, sieve by sieve
    Grading low {}, high {}; // the 5 % and 95 % quantiles of the blend's passing, sieve by sieve
};
// Every figure of one blend; the blend of each draw by the grading window's blend formula.
Figures figures(const Draws &draws, const Shares &shares, const Band &band);
// The reliability alone, %.
REAL reliabilityOf(const Draws &draws, const Shares &shares, const Band &band);

// The most reliable of `candidates` (highest reliability, the first of equals): its index, -1
// for none; `reliabilities` receives every candidate's figure.
int mostReliable(const Draws &draws, const std::vector<Shares> &candidates, const Band &band,
                 std::vector<REAL> *reliabilities = nullptr);

} // namespace reliability
