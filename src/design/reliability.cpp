#include "design/reliability.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace reliability {

namespace {

// Distributions over std::mt19937_64 written out here, so that the draws do not depend on a
// standard library's own distribution code.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_engine(seed) {}

    // Uniform on [0, 1) from the top 53 bits.
    double uniform() { return double(m_engine() >> 11) * 0x1.0p-53; }

    // Uniform on 0 .. n-1, without the bias of a plain modulo.
    int index(int n)
    {
        const std::uint64_t range = std::uint64_t(n);
        const std::uint64_t limit = std::mt19937_64::max() - std::mt19937_64::max() % range;
        std::uint64_t x;
        do
            x = m_engine();
        while (x >= limit);
        return int(x % range);
    }

    // Standard normal, by Marsaglia's polar method (two values per accepted pair).
    double normal()
    {
        if (m_hasSpare) {
            m_hasSpare = false;
            return m_spare;
        }
        double u, v, s;
        do {
            u = 2 * uniform() - 1;
            v = 2 * uniform() - 1;
            s = u * u + v * v;
        } while (s >= 1 || s == 0);
        const double f = std::sqrt(-2 * std::log(s) / s);
        m_spare = v * f;
        m_hasSpare = true;
        return u * f;
    }

private:
    std::mt19937_64 m_engine;
    double m_spare = 0;
    bool m_hasSpare = false;
};

constexpr REAL kTolerance = 1e-9; // a blend of whole values that should sit on a limit may miss it by rounding

// The 5 % and 95 % quantiles of `values` (reordered), by the nearest rank.
std::pair<REAL, REAL> quantiles(std::vector<REAL> &values)
{
    const std::size_t n = values.size();
    const auto rank = [n](double q) { return std::size_t(std::lround(q * double(n - 1))); };
    const std::size_t lo = rank(0.05), hi = rank(0.95);
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(lo), values.end());
    const REAL low = values[lo];
    std::nth_element(values.begin() + std::ptrdiff_t(lo), values.begin() + std::ptrdiff_t(hi), values.end());
    return {low, values[hi]};
}

} // namespace

Grading standardSigma()
{
    return {3, 3, 3, 3, 3, 2.5, 2, 2, 1.5, 1, 0.8};
}

Scatter scatterOf(const Material &m)
{
    if (m.analyses.size() >= std::size_t(kBootstrapMinimum))
        return Scatter::Analyses;
    return m.analyses.size() >= 2 ? Scatter::AnalysesSigma : Scatter::DefaultSigma;
}

Grading sigmaOf(const Material &m, const Grading &defaultSigma)
{
    Grading sigma {};
    const std::size_t n = m.analyses.size();
    for (std::size_t i = 0; i < sieves::COUNT; ++i) {
        if (n >= 2) {
            REAL mean = 0;
            for (const Grading &a : m.analyses)
                mean += a[i];
            mean /= REAL(n);
            REAL squares = 0;
            for (const Grading &a : m.analyses)
                squares += (a[i] - mean) * (a[i] - mean);
            sigma[i] = std::sqrt(squares / REAL(n - 1));
        } else if (m.grading[i] > 0 && m.grading[i] < 100) {
            sigma[i] = defaultSigma[i];
        }
    }
    return sigma;
}

Draws::Draws(const std::vector<Material> &materials, const Settings &settings)
{
    const int draws = std::max(settings.draws, 0);
    m_draws.assign(std::size_t(draws), blend::ComponentGradings {});
    const std::size_t components = std::min<std::size_t>(materials.size(), 6);
    for (std::size_t k = 0; k < components; ++k) {
        const Material &m = materials[k];
        // A stream of its own per component: new analyses of one material leave the others' draws as they were.
        Random random(settings.seed + 0x9E3779B97F4A7C15ull * (k + 1));
        const Scatter scatter = scatterOf(m);
        const Grading sigma = sigmaOf(m, settings.defaultSigma);
        for (blend::ComponentGradings &draw : m_draws) {
            Grading g;
            if (scatter == Scatter::Analyses) {
                g = m.analyses[std::size_t(random.index(int(m.analyses.size())))];
            } else {
                for (std::size_t i = 0; i < sieves::COUNT; ++i) {
                    REAL p = m.grading[i];
                    if (sigma[i] > 0)
                        p += sigma[i] * random.normal();
                    p = std::clamp<REAL>(p, 0, 100);
                    g[i] = i > 0 ? std::min(p, g[i - 1]) : p; // no sieve passes more than a coarser one
                }
            }
            for (std::size_t i = 0; i < sieves::COUNT; ++i)
                draw[i][k] = g[i];
        }
    }
}

bool insideBand(const Grading &p, const Band &band)
{
    for (std::size_t i = 0; i < sieves::COUNT; ++i)
        if (p[i] < band[i][0] - kTolerance || p[i] > band[i][1] + kTolerance)
            return false;
    return true;
}

Figures figures(const Draws &draws, const Shares &shares, const Band &band)
{
    Figures f;
    const int n = draws.count();
    if (n == 0)
        return f;
    std::array<std::vector<REAL>, sieves::COUNT> values;
    for (auto &v : values)
        v.resize(std::size_t(n));
    std::array<int, sieves::COUNT> outside {};
    int inside = 0;
    for (int d = 0; d < n; ++d) {
        const Grading p = blend::blendGrading(draws.at(d), shares);
        bool all = true;
        for (std::size_t i = 0; i < sieves::COUNT; ++i) {
            values[i][std::size_t(d)] = p[i];
            if (p[i] < band[i][0] - kTolerance || p[i] > band[i][1] + kTolerance) {
                ++outside[i];
                all = false;
            }
        }
        inside += all ? 1 : 0;
    }
    f.reliability = 100.0 * inside / n;
    for (std::size_t i = 0; i < sieves::COUNT; ++i) {
        f.outside[i] = 100.0 * outside[i] / n;
        std::tie(f.low[i], f.high[i]) = quantiles(values[i]);
    }
    return f;
}

REAL reliabilityOf(const Draws &draws, const Shares &shares, const Band &band)
{
    const int n = draws.count();
    if (n == 0)
        return 0;
    int inside = 0;
    for (int d = 0; d < n; ++d)
        inside += insideBand(blend::blendGrading(draws.at(d), shares), band) ? 1 : 0;
    return 100.0 * inside / n;
}

int mostReliable(const Draws &draws, const std::vector<Shares> &candidates, const Band &band,
                 std::vector<REAL> *reliabilities)
{
    int best = -1;
    REAL bestR = -1;
    if (reliabilities)
        reliabilities->clear();
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        const REAL r = reliabilityOf(draws, candidates[c], band);
        if (reliabilities)
            reliabilities->push_back(r);
        if (r > bestR) {
            bestR = r;
            best = int(c);
        }
    }
    return best;
}

} // namespace reliability
