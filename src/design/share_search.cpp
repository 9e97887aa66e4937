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

// Sum of a[t] * b[t] in four interleaved partial sums (the model's order of addition is free).
inline REAL dot(const REAL *a, const REAL *b)
{
    REAL s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (int t = 0; t < kTerms; t += 4) {
        s0 += a[t] * b[t];
        s1 += a[t + 1] * b[t + 1];
        s2 += a[t + 2] * b[t + 2];
        s3 += a[t + 3] * b[t + 3];
    }
    return (s0 + s1) + (s2 + s3);
}

// Depth-first walk of the M nested loops in enumeration order. The values of an outer loop are
// taken as a range and halved while the model proves nothing about it; the loop next to the
// innermost one uses the convexity of the model instead. A range is skipped when the model shows
// that every trial under it has F above the bound, and a trial is evaluated exactly when the
// model cannot rule it out. Both tests allow for the model's rounding with the margin.
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
    // Ranges this short go straight to their values: a bound would cost about as much.
    static constexpr int leafCount(int j) { return j == M - 1 ? 6 : 1; }

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
    // at most one deeper variable nonzero, taking all that is left.
    //
    // For any signs sigma_t in [-1, 1], |term_t| >= sigma_t * term_t, and the sum of the right
    // sides is affine, so its smallest value over the polytope is at a vertex. On a segment the
    // signs at its two ends give the model's two tangents, and the bound is where they meet.
    template <int J>
    REAL lowerBound(const REAL *v, int total, int a, int b) const
    {
        constexpr int vertices = 2 * (M - J);
        alignas(16) REAL value[vertices][kTerms];
        for (int t = 0; t < kTerms; ++t) {
            value[0][t] = v[t] + a * model.grad[J][t];
            value[1][t] = v[t] + b * model.grad[J][t];
        }
        for (int k = J + 1; k < M; ++k)
            for (int t = 0; t < kTerms; ++t) {
                value[2 * (k - J)][t] = value[0][t] + (total - a) * model.grad[k][t];
                value[2 * (k - J) + 1][t] = value[1][t] + (total - b) * model.grad[k][t];
            }
        if constexpr (J == M - 1) {
            alignas(16) REAL sign[2][kTerms];
            for (int c = 0; c < 2; ++c)
                for (int t = 0; t < kTerms; ++t)
                    sign[c][t] = value[c][t] > 0 ? 1.0 : value[c][t] < 0 ? -1.0 : 0.0;
            // Along the segment u = 0..1 the tangents are fa + (ta - fa) u and tb + (fb - tb) u,
            // each below the model; the larger of the two is lowest where they meet.
            const REAL fa = dot(sign[0], value[0]), fb = dot(sign[1], value[1]);
            const REAL ta = dot(sign[0], value[1]), tb = dot(sign[1], value[0]);
            const REAL gapA = std::max(0.0, fa - tb), gapB = std::max(0.0, fb - ta);
            if (!(gapA + gapB > 0))
                return std::min(fa, fb);
            const REAL u = gapA / (gapA + gapB);
            return std::min({fa, fb, std::max(fa + (ta - fa) * u, tb + (fb - tb) * u)});
        } else {
            // Upper levels: the signs at the centre of the vertices, and the signs of the terms
            // that keep theirs over the whole polytope (0 for the others).
            alignas(16) REAL centre[kTerms];
            alignas(16) REAL kept[kTerms];
            for (int t = 0; t < kTerms; ++t) {
                REAL sum = 0, lo = value[0][t], hi = value[0][t];
                for (int c = 0; c < vertices; ++c) {
                    sum += value[c][t];
                    lo = std::min(lo, value[c][t]);
                    hi = std::max(hi, value[c][t]);
                }
                centre[t] = sum > 0 ? 1.0 : sum < 0 ? -1.0 : 0.0;
                kept[t] = lo > 0 ? 1.0 : hi < 0 ? -1.0 : 0.0;
            }
            REAL lowerCentre = std::numeric_limits<REAL>::infinity();
            REAL lowerKept = std::numeric_limits<REAL>::infinity();
            for (int c = 0; c < vertices; ++c) {
                lowerCentre = std::min(lowerCentre, dot(centre, value[c]));
                lowerKept = std::min(lowerKept, dot(kept, value[c]));
            }
            return std::max(lowerCentre, lowerKept);
        }
    }

    // The smallest value of sum_t |v[t] + u * g[t]| for real u in [0, length]: the terms are
    // weight_t * |u - break_t|, so the minimum is at the weighted median of the breaks, clamped.
    static REAL segmentMin(const REAL *v, const REAL *g, int length)
    {
        REAL at[kTerms], weight[kTerms];
        int n = 0;
        REAL total = 0;
        for (int t = 0; t < kTerms; ++t) {
            if (g[t] == 0)
                continue;
            const REAL w = std::fabs(g[t]);
            const REAL b = -v[t] / g[t];
            int i = n++;
            for (; i > 0 && at[i - 1] > b; --i) {
                at[i] = at[i - 1];
                weight[i] = weight[i - 1];
            }
            at[i] = b;
            weight[i] = w;
            total += w;
        }
        REAL u = 0;
        REAL cumulative = 0;
        for (int i = 0; i < n; ++i) {
            cumulative += weight[i];
            if (2 * cumulative >= total) {
                u = at[i];
                break;
            }
        }
        u = std::clamp(u, 0.0, static_cast<REAL>(length));
        REAL f = 0;
        for (int t = 0; t < kTerms; ++t)
            f += std::fabs(v[t] + u * g[t]);
        return f;
    }

    // The loop just outside the innermost one. The model's minimum over each innermost segment,
    // taken over real values, is a convex function of this loop's value (a partial minimum of a
    // convex function), so the values whose segment can hold a trial under the bound form one
    // run around its minimum: found by bisection on the differences, then widened both ways.
    // The run is then walked in enumeration order. (The innermost loop steps by 1 for every n.)
    void besideInnermost(const REAL *v, int total)
    {
        constexpr int J = M - 2;
        const int step = e.loops[J].step;
        const int count = total / step + 1;
        alignas(16) REAL child[kTerms];
        REAL minimum[101];
        std::fill(minimum, minimum + count, -1.0); // not yet computed (a minimum is never negative)
        auto at = [&](int k) {
            if (minimum[k] < 0) {
                const int xj = k * step;
                for (int t = 0; t < kTerms; ++t)
                    child[t] = v[t] + xj * model.grad[J][t];
                minimum[k] = segmentMin(child, model.grad[M - 1], total - xj);
            }
            return minimum[k];
        };
        int lo = 0, hi = count - 1;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (at(mid + 1) >= at(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        if (at(lo) > limit())
            return;
        int first = lo, last = lo;
        while (first > 0 && at(first - 1) <= limit())
            --first;
        while (last < count - 1 && at(last + 1) <= limit())
            ++last;
        for (int k = first; k <= last; ++k) {
            x[J] = k * step;
            for (int t = 0; t < kTerms; ++t)
                child[t] = v[t] + x[J] * model.grad[J][t];
            range<M - 1>(child, total - x[J], 0, total - x[J]);
        }
        x[J] = 0;
    }

    // Loop J over its values a, a + step, ..., b; v holds the model terms with x[J..] = 0.
    template <int J>
    void range(const REAL *v, int total, int a, int b)
    {
        const int step = e.loops[J].step;
        const int count = (b - a) / step + 1;
        if (count > leafCount(J)) {
            if (lowerBound<J>(v, total, a, b) > limit())
                return;
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
                if constexpr (J + 1 == M - 2) {
                    besideInnermost(child, left);
                } else {
                    const int last = left / e.loops[J + 1].step * e.loops[J + 1].step;
                    range<J + 1>(child, left, 0, last);
                }
            }
        }
        x[J] = 0;
    }

    void run()
    {
        const int step = e.loops[0].step;
        if constexpr (M == 2) {
            if (e.firstBound == 100) { besideInnermost(model.base, 100); return; }
        }
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
