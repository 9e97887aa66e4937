#include "design/share_search.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

// The model with the loop variables substituted: term t = base[t] + sum_j x_j * grad[j][t].
struct Model {
    alignas(32) REAL base[kTerms] {};
    alignas(32) REAL grad[5][kTerms] {};
    REAL margin = 0;
};

// Depth-first walk of the M nested loops in enumeration order. The values of one loop are
// taken as a range and halved while the model proves nothing about it; a range is skipped
// when the model shows that every trial under it has F above the bound, and a trial is
// evaluated exactly when the model cannot rule it out. Both tests allow for the model's
// rounding with the margin.
template <int M>
struct Pruner {
    const Enumeration &e;
    const ExactObjective &exact;
    const Model &model;

    LoopValues x {};
    REAL bound = initialBest; // a trial must not exceed it (equal only while `inclusive`)
    bool inclusive = false;   // the bound is the F of a trial not yet met in the order
    Outcome out;

    REAL limit() const { return bound + model.margin; }

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

    // A lower bound of the model over the trials with x[J] in [a, b] and the deeper loops
    // sharing total - x[J]. Those trials lie in a polytope whose vertices have x[J] = a or b and
    // at most one deeper variable nonzero, taking all that is left. A term that keeps its sign
    // over the vertices is affine with a fixed sign there, |term| = sign * term; the sum of those
    // terms is affine, so its smallest value is at a vertex. Terms that change sign count 0.
    template <int J>
    REAL lowerBound(const REAL *v, int total, int a, int b) const
    {
        constexpr int vertices = 2 * (M - J);
        alignas(32) REAL value[vertices][kTerms];
        for (int t = 0; t < kTerms; ++t) {
            value[0][t] = v[t] + a * model.grad[J][t];
            value[1][t] = v[t] + b * model.grad[J][t];
        }
        for (int k = J + 1; k < M; ++k)
            for (int t = 0; t < kTerms; ++t) {
                value[2 * (k - J)][t] = value[0][t] + (total - a) * model.grad[k][t];
                value[2 * (k - J) + 1][t] = value[1][t] + (total - b) * model.grad[k][t];
            }
        alignas(32) REAL sign[kTerms];
        for (int t = 0; t < kTerms; ++t) {
            REAL lo = value[0][t], hi = value[0][t];
            for (int c = 1; c < vertices; ++c) {
                lo = std::min(lo, value[c][t]);
                hi = std::max(hi, value[c][t]);
            }
            sign[t] = lo > 0 ? 1.0 : hi < 0 ? -1.0 : 0.0;
        }
        REAL lower = std::numeric_limits<REAL>::infinity();
        for (int c = 0; c < vertices; ++c) {
            REAL sum = 0;
            for (int t = 0; t < kTerms; ++t)
                sum += sign[t] * value[c][t];
            lower = std::min(lower, sum);
        }
        return lower;
    }

    // Loop J over its values a, a + step, ..., b; v holds the model terms with x[J..] = 0.
    template <int J>
    void range(const REAL *v, int total, int a, int b)
    {
        const int step = e.loops[J].step;
        const int count = (b - a) / step + 1;
        if (lowerBound<J>(v, total, a, b) > limit())
            return;
        // Halve long ranges; the innermost loop is cheap enough to run through a few values.
        if (count > (J == M - 1 ? 6 : 2)) {
            const int mid = a + (count - 1) / 2 * step;
            range<J>(v, total, a, mid);
            range<J>(v, total, mid + step, b);
            return;
        }
        for (x[J] = a; x[J] <= b; x[J] += step) {
            if constexpr (J == M - 1) {
                REAL f = 0;
                for (int t = 0; t < kTerms; ++t)
                    f += std::fabs(v[t] + x[J] * model.grad[J][t]);
                if (f <= limit())
                    tryTrial();
            } else {
                alignas(32) REAL child[kTerms];
                for (int t = 0; t < kTerms; ++t)
                    child[t] = v[t] + x[J] * model.grad[J][t];
                const int left = total - x[J];
                const int last = left / e.loops[J + 1].step * e.loops[J + 1].step;
                range<J + 1>(child, left, 0, last);
            }
        }
        x[J] = 0;
    }

    void run()
    {
        const int step = e.loops[0].step;
        range<0>(model.base, 100, 0, e.firstBound / step * step);
    }
};

template <int M>
Outcome prune(const Enumeration &e, const ExactObjective &exact, const Model &model, const Start &start)
{
    const bool started = start.F < initialBest;
    Pruner<M> p {e, exact, model, {}, started ? start.F : initialBest, started, {}};
    p.run();
    return p.out;
}

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

Outcome search(int n, const LinearModel &lin, const ExactObjective &exact)
{
    const Enumeration e = enumerationFor(n);
    if (e.loopCount == 0)
        return {};

    Model model;
    REAL scale = 0;
    int t = 0;
    for (int i = 0; i < 11; ++i) {
        if (!lin.used[i])
            continue;
        const auto &w = lin.W[i];
        model.base[t] = 100 * w[e.remainder] - lin.B[i];
        for (int j = 0; j < e.loopCount; ++j)
            model.grad[j][t] = w[e.loops[j].component] - w[e.remainder];
        REAL wmax = 0;
        for (REAL wk : w)
            wmax = std::max(wmax, std::fabs(wk));
        scale += 100 * wmax + std::fabs(lin.B[i]);
        ++t;
    }
    // Rounding of the model and of the exact F stays far below 1e-13 of this scale; the margin
    // keeps any trial that could tie or win under the exact F. Non-finite or vast inputs go
    // through the plain search, which needs no margin.
    if (!std::isfinite(scale) || scale > 1e100)
        return plainSearch(n, exact);
    model.margin = 1e-10 * (scale + 1);

    const Start start = startingTrial(e, exact);
    switch (e.loopCount) {
    case 1: return prune<1>(e, exact, model, start);
    case 2: return prune<2>(e, exact, model, start);
    case 3: return prune<3>(e, exact, model, start);
    case 4: return prune<4>(e, exact, model, start);
    default: return prune<5>(e, exact, model, start);
    }
}

} // namespace share_search
