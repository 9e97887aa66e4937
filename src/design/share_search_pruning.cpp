// The fast search's walk: the linear model of the objective bounds ranges of trials, so that
// only those that may win are evaluated exactly; a long search is shared among threads.
#include "design/share_search_parts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace share_search::detail {

namespace {

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

inline REAL modelAt(const REAL *v, const REAL *g, int u)
{
    REAL f = 0;
    for (int t = 0; t < kTerms; ++t)
        f += std::fabs(v[t] + u * g[t]);
    return f;
}

} // namespace

Direction directionOf(const REAL *g)
{
    Direction d;
    for (int t = 0; t < kTerms; ++t)
        if (g[t] != 0) {
            d.term[d.count] = t;
            d.weight[d.count] = std::fabs(g[t]);
            d.inverse[d.count] = -1 / g[t];
            d.total += d.weight[d.count];
            ++d.count;
        }
    return d;
}

namespace {

// The real u in [0, length] where sum_t |v[t] + u * g[t]| is smallest: the terms are
// weight_t * |u - break_t|, so it is the weighted median of the breaks, clamped.
REAL segmentArgmin(const REAL *v, const Direction &d, int length)
{
    REAL at[kTerms], weight[kTerms];
    for (int n = 0; n < d.count; ++n) {
        const REAL b = v[d.term[n]] * d.inverse[n];
        int i = n;
        for (; i > 0 && at[i - 1] > b; --i) {
            at[i] = at[i - 1];
            weight[i] = weight[i - 1];
        }
        at[i] = b;
        weight[i] = d.weight[n];
    }
    REAL u = 0;
    REAL cumulative = 0;
    for (int i = 0; i < d.count; ++i) {
        cumulative += weight[i];
        if (2 * cumulative >= d.total) {
            u = at[i];
            break;
        }
    }
    return std::clamp(u, 0.0, static_cast<REAL>(length));
}

// A lower bound of the model over every trial, affine in the loop values:
//   F >= base + sum_j x_j * slope[j].
// It is sum_t sigma_t * term_t for signs sigma_t in [-1, 1], which never exceeds sum_t |term_t|;
// signs taken from the minimum of one segment make it tight there and let it rise away from it,
// so bounds from the segments already met rule out their neighbours (cutting planes).
struct Cut {
    REAL base = 0;
    REAL slope[5] {};
    REAL deeper[5] {}; // the smallest of 0 and slope[j + 1 ..]
};

// The cut of the segment with terms v + u * g at its minimum u (clamped to [0, length]): every
// term's own sign, except that the term vanishing at an inner minimum takes the weight that
// balances the others along g, so that the cut is flat along the segment.
std::array<REAL, kTerms> segmentSigns(const REAL *v, const REAL *g, REAL u, int length)
{
    std::array<REAL, kTerms> sigma {};
    int vanishing = -1;
    REAL smallest = 0;
    REAL along = 0;
    for (int t = 0; t < kTerms; ++t) {
        const REAL value = v[t] + u * g[t];
        sigma[t] = value > 0 ? 1.0 : value < 0 ? -1.0 : 0.0;
        along += sigma[t] * g[t];
        if (g[t] != 0 && (vanishing < 0 || std::fabs(value) < smallest)) {
            vanishing = t;
            smallest = std::fabs(value);
        }
    }
    if (vanishing >= 0 && u > 0 && u < length) {
        const REAL rest = along - sigma[vanishing] * g[vanishing];
        const REAL balance = -rest / g[vanishing];
        sigma[vanishing] = std::isfinite(balance) ? std::clamp(balance, -1.0, 1.0) : 0.0;
    }
    return sigma;
}

struct Bounds {
    REAL lower;
    REAL upper;
};

// Depth-first walk of the M nested loops in enumeration order, one value of the outermost loop
// (a chunk) at a time. The values of an inner loop are taken as a range and halved while the
// model proves nothing about it; the loop next to the innermost one uses the convexity of the
// model instead. A range is skipped when the model shows that every trial under it has F above
// the bound; a range whose every trial may come within the bound is evaluated whole without
// further bounds; of the innermost run only the trials the model cannot rule out are evaluated.
// Before any of that, a range is skipped when one of the latest cuts (see Cut) lies above the
// bound all over it: each value of the outer loops that the model rules out leaves the cut of
// its minimum, which rules out most of its neighbours at a few operations each.
// All tests allow for the model's rounding with the margin.
//
// Repeated components (a material entered twice) make trials that only exchange their shares
// blend alike, so the model cannot tell them apart and prunes nothing among them. Their exact F
// are not always equal, though: the sums are rounded in a different order, and the plain loop
// keeps whichever comes out lowest (the first of equal ones). So they are not collapsed into
// one; the ranges they fill are evaluated whole, in vector lanes, on all cores.
//
// The bound is the smallest F met so far by any thread (or the starting trial's), so a skipped
// trial has F above that of some trial and cannot win. Each chunk keeps the first trial of its
// smallest F, compared strictly as the plain loop does; the winner is the first chunk's record
// of the smallest F.
template <int M>
struct Pruner {
    const Enumeration &e;
    const Model &model;
    const Tables &tables;
    RunFunction runTrials;
    std::atomic<REAL> &shared;

    LoopValues x {};
    Kept rec;  // the best trials of the chunk in hand
    Kept done; // the best trials of the chunks this thread has finished (distinct from rec's)
    int hint = 0; // where besideInnermost last found its minimum
    static constexpr int kCuts = 4;
    Cut cuts[kCuts] {}; // the latest, as a ring
    int cutCount = 0;

    REAL limit() const
    {
        return std::min({rec.threshold(), done.threshold(), shared.load(std::memory_order_relaxed)}) + model.margin;
    }

    // The chunk in hand is finished: its trials join those of the earlier chunks, whose last kept
    // one bounds the search for every thread.
    void chunkDone()
    {
        for (int r = 0; r < rec.count; ++r)
            done.offer(rec.F[r], rec.x[r]);
        found(done.threshold());
    }

    // The cut of sigma over the model, with the deeper slopes' minima.
    Cut cutOf(const std::array<REAL, kTerms> &sigma) const
    {
        Cut c;
        c.base = dot(sigma.data(), model.base);
        for (int j = 0; j < M; ++j)
            c.slope[j] = dot(sigma.data(), model.grad[j]);
        REAL deeper = 0;
        for (int j = M - 1; j >= 0; --j) {
            c.deeper[j] = deeper;
            deeper = std::min(deeper, c.slope[j]);
        }
        return c;
    }

    // Whether some cut shows every trial with loops 0..J-1 as in x, loop J in [a, b] and the
    // deeper loops sharing total - x[J] above the bound. A cut is affine, so its least value
    // there is at x[J] = a or b with all that is left given to the deeper loop of the smallest
    // slope, or to none.
    bool cutOff(int J, int total, int a, int b) const
    {
        const REAL lim = limit();
        for (int c = 0; c < std::min(cutCount, kCuts); ++c) {
            const Cut &cut = cuts[c];
            REAL value = cut.base;
            for (int i = 0; i < J; ++i)
                value += x[i] * cut.slope[i];
            value += std::min(a * cut.slope[J] + (total - a) * cut.deeper[J],
                              b * cut.slope[J] + (total - b) * cut.deeper[J]);
            if (value > lim + model.margin)
                return true;
        }
        return false;
    }

    void addCut(const Cut &cut) { cuts[cutCount++ % kCuts] = cut; }

    void found(REAL F)
    {
        REAL current = shared.load(std::memory_order_relaxed);
        while (F < current && !shared.compare_exchange_weak(current, F, std::memory_order_relaxed)) {
        }
    }

    // Exact F of the trials with innermost share first..last, the outer loops as in x.
    void evaluateTrials(int first, int last)
    {
        Run run;
        Shares s {};
        int sum = 0;
        for (int j = 0; j < M - 1; ++j) {
            s[e.loops[j].component] = x[j];
            sum += x[j];
        }
        run.left = 100 - sum;
        const int in = e.loops[M - 1].component;
        for (int t = 0; t < tables.count; ++t) {
            for (int k = 0; k < 6; ++k)
                run.fixed[t][k] = tables.forward[k][t][static_cast<int>(s[k])];
            const int firstVarying = std::min(in, e.remainder);
            if (firstVarying > 0) {
                REAL p = run.fixed[t][0];
                for (int k = 1; k < firstVarying; ++k)
                    p += run.fixed[t][k];
                run.prefix[t] = p;
            }
        }
        const REAL before = rec.threshold();
        LoopValues at = x;
        runTrials(tables, run, first, last, rec, at, M - 1);
        if (rec.threshold() < before)
            found(rec.threshold());
    }

    // The innermost loop over 0..total: the model along it is convex, so the trials it cannot
    // rule out form one run around its minimum.
    void innermost(const REAL *v, int total)
    {
        const REAL *g = model.grad[M - 1];
        const REAL lim = limit();
        const int start = std::clamp(static_cast<int>(std::floor(segmentArgmin(v, model.innermost, total))), 0, total);
        int first = start, last = start + 1;
        while (first >= 0 && modelAt(v, g, first) <= lim)
            --first;
        while (last <= total && modelAt(v, g, last) <= lim)
            ++last;
        if (first + 1 <= last - 1)
            evaluateTrials(first + 1, last - 1);
    }

    // Every trial with loop J in a, a + step, ..., b, evaluated exactly.
    void full(int J, int total, int a, int b)
    {
        const int step = e.loops[J].step;
        for (x[J] = a; x[J] <= b; x[J] += step) {
            const int left = total - x[J];
            if (J + 1 == M - 1)
                evaluateTrials(0, left);
            else
                full(J + 1, left, 0, left / e.loops[J + 1].step * e.loops[J + 1].step);
        }
        x[J] = 0;
    }

    // Bounds of the model over the trials with x[J] in [a, b] and the deeper loops sharing
    // total - x[J]. Those trials lie in a polytope whose vertices have x[J] = a or b and at most
    // one deeper variable nonzero, taking all that is left. The model is convex, so its largest
    // value is at a vertex. For any signs sigma_t in [-1, 1], |term_t| >= sigma_t * term_t, and
    // the sum of the right sides is affine, so its smallest value is at a vertex too: the signs
    // at the centre of the vertices, and the signs of the terms that keep theirs over the whole
    // polytope (0 for the others), give two lower bounds.
    template <int J>
    Bounds bounds(const REAL *v, int total, int a, int b) const
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
        const REAL lower = std::max(lowerCentre, lowerKept);
        REAL upper = 0;
        if (lower <= limit()) // only then does the upper bound matter
            for (int c = 0; c < vertices; ++c) {
                REAL f = 0;
                for (int t = 0; t < kTerms; ++t)
                    f += std::fabs(value[c][t]);
                upper = std::max(upper, f);
            }
        return {lower, upper};
    }

    // The cut from the segment of loop M-2 at value k * step (its minimum along the innermost loop).
    Cut segmentCut(const REAL *v, int total, int k) const
    {
        const int xj = k * e.loops[M - 2].step;
        alignas(16) REAL child[kTerms];
        for (int t = 0; t < kTerms; ++t)
            child[t] = v[t] + xj * model.grad[M - 2][t];
        const REAL u = segmentArgmin(child, model.innermost, total - xj);
        return cutOf(segmentSigns(child, model.grad[M - 1], u, total - xj));
    }

    // A cut for the trials of one value of the loops outside the last two, made where the model
    // is least along loop M-2: the cuts of the segments on either side of that minimum, mixed so
    // that the slope along loop M-2 vanishes (a mixture of signs is signs too).
    Cut flatCut(const REAL *v, int total, int lo, int count) const
    {
        Cut c = segmentCut(v, total, lo);
        const int side = c.slope[M - 2] > 0 ? lo - 1 : lo + 1;
        if (c.slope[M - 2] == 0 || side < 0 || side >= count)
            return c;
        const Cut d = segmentCut(v, total, side);
        if ((c.slope[M - 2] > 0) == (d.slope[M - 2] > 0))
            return c;
        const REAL lambda = d.slope[M - 2] / (d.slope[M - 2] - c.slope[M - 2]); // weight of c
        Cut mixed;
        mixed.base = lambda * c.base + (1 - lambda) * d.base;
        for (int j = 0; j < M; ++j)
            mixed.slope[j] = lambda * c.slope[j] + (1 - lambda) * d.slope[j];
        REAL deeper = 0;
        for (int j = M - 1; j >= 0; --j) {
            mixed.deeper[j] = deeper;
            deeper = std::min(deeper, mixed.slope[j]);
        }
        return mixed;
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
                const REAL u = segmentArgmin(child, model.innermost, total - xj);
                REAL f = 0;
                for (int t = 0; t < kTerms; ++t)
                    f += std::fabs(child[t] + u * model.grad[M - 1][t]);
                minimum[k] = f;
            }
            return minimum[k];
        };
        // Start from where the minimum lay for the previous value of the outer loop (usually
        // the neighbouring one): it rarely moves far.
        int lo = 0, hi = count - 1;
        const int k = std::clamp(hint, 0, count - 1);
        if (k + 1 < count && at(k + 1) < at(k)) {
            lo = k + 1; // downhill to the right: gallop, then bisect
            for (int step = 1; lo < hi; step *= 2) {
                const int p = std::min(lo + step - 1, hi - 1);
                if (at(p + 1) >= at(p)) {
                    hi = p;
                    break;
                }
                lo = p + 1;
            }
        } else if (k > 0 && at(k - 1) < at(k)) {
            hi = k - 1; // the same to the left
            for (int step = 1; lo < hi; step *= 2) {
                const int p = std::max(hi - step + 1, lo + 1);
                if (at(p - 1) >= at(p)) {
                    lo = p;
                    break;
                }
                hi = p - 1;
            }
        } else {
            lo = hi = k;
        }
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (at(mid + 1) >= at(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        hint = lo;
        if (at(lo) > limit()) {
            addCut(flatCut(v, total, lo, count));
            return;
        }
        int first = lo, last = lo;
        while (first > 0 && at(first - 1) <= limit())
            --first;
        while (last < count - 1 && at(last + 1) <= limit())
            ++last;
        for (int k = first; k <= last; ++k) {
            x[J] = k * step;
            for (int t = 0; t < kTerms; ++t)
                child[t] = v[t] + x[J] * model.grad[J][t];
            innermost(child, total - x[J]);
        }
        x[J] = 0;
    }

    // Loop J (1 <= J < M - 2) over its values a, a + step, ..., b; v holds the model terms with
    // x[J..] = 0.
    template <int J>
    void range(const REAL *v, int total, int a, int b)
    {
        const int step = e.loops[J].step;
        if (cutOff(J, total, a, b))
            return;
        if (b > a) {
            const Bounds bound = bounds<J>(v, total, a, b);
            if (bound.lower > limit())
                return;
            if (bound.upper <= limit()) {
                full(J, total, a, b);
                return;
            }
            const int mid = a + (b - a) / step / 2 * step;
            range<J>(v, total, a, mid);
            range<J>(v, total, mid + step, b);
            return;
        }
        x[J] = a;
        alignas(32) REAL child[kTerms];
        for (int t = 0; t < kTerms; ++t)
            child[t] = v[t] + x[J] * model.grad[J][t];
        const int left = total - x[J];
        if constexpr (J + 1 == M - 2)
            besideInnermost(child, left);
        else
            range<J + 1>(child, left, 0, left / e.loops[J + 1].step * e.loops[J + 1].step);
        x[J] = 0;
    }

    // One value of the outermost loop (for a single loop: all of it).
    void chunk(int x0)
    {
        rec.count = 0;
        x = {};
        if constexpr (M == 1) {
            innermost(model.base, 100);
        } else {
            if (cutOff(0, 100, x0, x0))
                return;
            const Bounds bound = bounds<0>(model.base, 100, x0, x0);
            if (bound.lower > limit())
                return;
            if (bound.upper <= limit()) {
                full(0, 100, x0, x0);
                return;
            }
            x[0] = x0;
            alignas(32) REAL child[kTerms];
            for (int t = 0; t < kTerms; ++t)
                child[t] = model.base[t] + x0 * model.grad[0][t];
            const int left = 100 - x0;
            if constexpr (M == 2)
                innermost(child, left);
            else if constexpr (M == 3)
                besideInnermost(child, left);
            else
                range<1>(child, left, 0, left / e.loops[1].step * e.loops[1].step);
        }
    }
};

template <int M>
std::vector<Ranked> prune(const Enumeration &e, const Model &model, const Tables &tables, RunFunction run,
                          const Kept &start)
{
    const int chunks = M == 1 ? 1 : e.firstBound / e.loops[0].step + 1;
    std::vector<Kept> records(chunks);
    std::atomic<int> next {0};
    std::atomic<REAL> shared {start.threshold()};
    // A search that takes more than a millisecond (repeated components, which the model
    // cannot tell apart, leave many trials to evaluate) shares the remaining chunks with helper
    // threads; a quick one is not worth starting a thread for. The chunks are handed out in
    // order, the largest (the outermost share small) first.
    auto work = [&](Pruner<M> &p, int c) {
        p.chunk(c * e.loops[0].step);
        records[c] = p.rec;
        p.chunkDone();
    };
    auto helper = [&] {
        Pruner<M> p {e, model, tables, run, shared, {}, {start.capacity}, {start.capacity}, 0};
        for (int c; (c = next.fetch_add(1)) < chunks;)
            work(p, c);
    };
    std::vector<std::thread> helpers;
    const auto started = std::chrono::steady_clock::now();
    Pruner<M> p {e, model, tables, run, shared, {}, {start.capacity}, {start.capacity}, 0};
    for (int c; (c = next.fetch_add(1)) < chunks;) {
        work(p, c);
        if (helpers.empty() && next.load() < chunks
            && std::chrono::steady_clock::now() - started > std::chrono::milliseconds(1)) {
            const int wanted = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u)) - 1;
            for (int h = 0; h < wanted; ++h) {
                try {
                    helpers.emplace_back(helper);
                } catch (const std::system_error &) {
                    break; // fewer threads: the chunks are shared among those running
                }
            }
        }
    }
    for (std::thread &t : helpers)
        t.join();

    return merge(e, records, start.capacity);
}

} // namespace

std::vector<Ranked> prune(const Enumeration &e, const Model &model, const Tables &tables, RunFunction run,
                          const Kept &start)
{
    switch (e.loopCount) {
    case 1: return prune<1>(e, model, tables, run, start);
    case 2: return prune<2>(e, model, tables, run, start);
    case 3: return prune<3>(e, model, tables, run, start);
    case 4: return prune<4>(e, model, tables, run, start);
    default: return prune<5>(e, model, tables, run, start);
    }
}

} // namespace share_search::detail
