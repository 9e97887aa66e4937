#include "design/share_search.h"

#include <algorithm>
#include <cmath>

namespace share_search {

Enumeration enumerationFor(int n)
{
    Enumeration e;
    switch (n) {
    case 2: e.loopCount = 1; e.loops = {{{0, 1}}}; e.remainder = 1; break;
    case 3: e.loopCount = 2; e.loops = {{{0, 1}, {1, 1}}}; e.remainder = 2; break;
    case 4: e.loopCount = 3; e.loops = {{{0, 1}, {1, 1}, {2, 1}}}; e.remainder = 3; break;
    case 5: e.loopCount = 4; e.loops = {{{0, 2}, {1, 2}, {2, 1}, {3, 1}}}; e.remainder = 4; break;
    case 6:
        // The sixth component is capped at 30 % and runs outermost; the first takes the remainder.
        e.loopCount = 5;
        e.loops = {{{5, 1}, {1, 2}, {2, 2}, {3, 2}, {4, 1}}};
        e.firstBound = 30;
        e.remainder = 0;
        break;
    default: break;
    }
    return e;
}

namespace {

using LoopValues = std::array<int, 5>;

Shares sharesOf(const Enumeration &e, const LoopValues &x)
{
    Shares s {};
    int sum = 0;
    for (int j = 0; j < e.loopCount; ++j) {
        s[e.loops[j].component] = x[j];
        sum += x[j];
    }
    s[e.remainder] = 100 - sum;
    return s;
}

bool isTrial(const Enumeration &e, const LoopValues &x)
{
    int sum = 0;
    for (int j = 0; j < e.loopCount; ++j) {
        const int bound = j == 0 ? e.firstBound : 100 - sum;
        if (x[j] < 0 || x[j] > bound || x[j] % e.loops[j].step != 0)
            return false;
        sum += x[j];
    }
    return true;
}

// Calls visit(x) for every trial in enumeration order, the loops stepping by step * scale.
template <class Visit>
void enumerate(const Enumeration &e, int scale, Visit &&visit)
{
    LoopValues x {};
    auto rec = [&](auto &&self, int j, int sum) -> void {
        if (j == e.loopCount) {
            visit(x);
            return;
        }
        const int bound = j == 0 ? e.firstBound : 100 - sum;
        for (x[j] = 0; x[j] <= bound; x[j] += e.loops[j].step * scale)
            self(self, j + 1, sum + x[j]);
        x[j] = 0;
    };
    rec(rec, 0, 0);
}

// A good trial to start the pruning from: the best of a grid of tens, then improved by moving
// one step of one or two loop variables while that lowers F.
struct Start {
    LoopValues x {};
    REAL F = initialBest;
};

Start startingTrial(const Enumeration &e, const ExactObjective &exact)
{
    Start best;
    bool any = false;
    enumerate(e, 10, [&](const LoopValues &x) {
        const REAL F = exact(sharesOf(e, x));
        if (!any || F < best.F) {
            any = true;
            best = {x, F};
        }
    });
    for (bool moved = true; moved;) {
        moved = false;
        for (int j = 0; j < e.loopCount; ++j)
            for (int k = -1; k < e.loopCount; ++k)
                for (int dir : {-1, 1}) {
                    LoopValues y = best.x;
                    y[j] += dir * e.loops[j].step;
                    if (k >= 0 && k != j)
                        y[k] -= dir * e.loops[k].step;
                    if (!isTrial(e, y))
                        continue;
                    const REAL F = exact(sharesOf(e, y));
                    if (F < best.F) {
                        best = {y, F};
                        moved = true;
                    }
                }
    }
    return best;
}

constexpr int kTerms = 12; // eleven sieves at most, padded with an empty term for vector code

struct Pruner {
    const Enumeration &e;
    const ExactObjective &exact;
    int m = 0;
    alignas(32) REAL base[kTerms] {};
    alignas(32) REAL grad[5][kTerms] {};
    REAL margin = 0;

    LoopValues x {};
    REAL bound = initialBest; // a trial must not exceed it (equal only while `inclusive`)
    bool inclusive = false;   // the bound is the F of a trial not yet met in the order
    Outcome out;

    Pruner(const Enumeration &en, const ExactObjective &ex) : e(en), exact(ex), m(en.loopCount) {}

    void tryTrial()
    {
        const Shares s = sharesOf(e, x);
        const REAL F = exact(s);
        if (inclusive ? F <= bound : F < bound) {
            out = {true, s, F};
            bound = F;
            inclusive = false;
        }
    }

    static REAL minAbsBetween(REAL lo, REAL hi)
    {
        return std::max({0.0, std::min(lo, hi), -std::max(lo, hi)});
    }

    // The innermost loop: one loop variable along a segment of at most `budget`.
    void innermost(const REAL *v, int budget)
    {
        const REAL *g = grad[m - 1];
        REAL lower = 0;
        for (int t = 0; t < kTerms; ++t)
            lower += minAbsBetween(v[t], v[t] + budget * g[t]);
        if (lower > bound + margin)
            return;
        const int step = e.loops[m - 1].step;
        for (int xi = 0; xi <= budget; xi += step) {
            REAL f = 0;
            for (int t = 0; t < kTerms; ++t)
                f += std::fabs(v[t] + xi * g[t]);
            if (f <= bound + margin) {
                x[m - 1] = xi;
                tryTrial();
            }
        }
        x[m - 1] = 0;
    }

    // Level j with the outer loops fixed; v holds the model terms with x[j..] = 0.
    void level(int j, const REAL *v, int sum)
    {
        const int budget = j == 0 ? e.firstBound : 100 - sum;
        if (j == m - 1) {
            innermost(v, budget);
            return;
        }
        if (j > 0) {
            // The remaining trials lie in the simplex x[j..] >= 0, sum <= budget; an affine term's
            // smallest magnitude there is 0 if it changes sign over the vertices, else the smallest
            // vertex magnitude.
            REAL lower = 0;
            for (int t = 0; t < kTerms; ++t) {
                REAL lo = v[t], hi = v[t];
                for (int k = j; k < m; ++k) {
                    const REAL w = v[t] + budget * grad[k][t];
                    lo = std::min(lo, w);
                    hi = std::max(hi, w);
                }
                lower += minAbsBetween(lo, hi);
            }
            if (lower > bound + margin)
                return;
        }
        alignas(32) REAL child[kTerms];
        for (x[j] = 0; x[j] <= budget; x[j] += e.loops[j].step) {
            for (int t = 0; t < kTerms; ++t)
                child[t] = v[t] + x[j] * grad[j][t];
            level(j + 1, child, sum + x[j]);
        }
        x[j] = 0;
    }
};

} // namespace

Outcome plainSearch(int n, const ExactObjective &exact)
{
    const Enumeration e = enumerationFor(n);
    Outcome out;
    if (e.loopCount == 0)
        return out;
    enumerate(e, 1, [&](const LoopValues &x) {
        const Shares s = sharesOf(e, x);
        const REAL F = exact(s);
        if (F < out.best)
            out = {true, s, F};
    });
    return out;
}

Outcome search(int n, const LinearModel &model, const ExactObjective &exact)
{
    const Enumeration e = enumerationFor(n);
    if (e.loopCount == 0)
        return {};

    Pruner p(e, exact);
    // Term t with the loop variables substituted: base + sum_j x_j * grad[j].
    REAL scale = 0;
    int t = 0;
    for (int i = 0; i < 11; ++i) {
        if (!model.used[i])
            continue;
        const auto &w = model.W[i];
        p.base[t] = 100 * w[e.remainder] - model.B[i];
        for (int j = 0; j < e.loopCount; ++j)
            p.grad[j][t] = w[e.loops[j].component] - w[e.remainder];
        REAL wmax = 0;
        for (REAL wk : w)
            wmax = std::max(wmax, std::fabs(wk));
        scale += 100 * wmax + std::fabs(model.B[i]);
        ++t;
    }
    // Rounding of the model and of the exact F stays far below 1e-13 of this scale; the margin
    // keeps any trial that could tie or win under the exact F. Non-finite or vast inputs go
    // through the plain search, which needs no margin.
    if (!std::isfinite(scale) || scale > 1e100)
        return plainSearch(n, exact);
    p.margin = 1e-10 * (scale + 1);

    const Start start = startingTrial(e, exact);
    if (start.F < initialBest) {
        p.bound = start.F;
        p.inclusive = true;
    }
    p.level(0, p.base, 0);
    return p.out;
}

} // namespace share_search
