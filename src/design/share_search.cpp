#include "design/share_search.h"
#include "design/share_search_parts.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

REAL evaluate(const Objective &o, const Shares &s)
{
    REAL f = 0;
    for (int i = 0; i < 11; ++i) {
        if (!o.used[i])
            continue;
        REAL v;
        if (o.form == Objective::sumThenScale) {
            REAL sum = s[0] * o.D[i][0];
            for (int k = 1; k < o.terms; ++k)
                sum += s[k] * o.D[i][k];
            v = 2 * (sum / 100);
        } else {
            v = s[0] * o.D[i][0] / 100;
            for (int k = 1; k < o.terms; ++k)
                v += s[k] * o.D[i][k] / 100;
        }
        f += std::fabs(v - o.B[i]);
    }
    return f;
}

namespace detail {

std::vector<Ranked> merge(const Enumeration &e, const std::vector<Kept> &chunks, int count)
{
    struct Entry {
        REAL F;
        int chunk, rank;
    };
    std::vector<Entry> all;
    for (int c = 0; c < static_cast<int>(chunks.size()); ++c)
        for (int r = 0; r < chunks[c].count; ++r)
            all.push_back({chunks[c].F[r], c, r});
    std::stable_sort(all.begin(), all.end(), [](const Entry &a, const Entry &b) { return a.F < b.F; });
    std::vector<Ranked> best;
    for (int i = 0; i < std::min(count, static_cast<int>(all.size())); ++i)
        best.push_back({sharesOf(e, chunks[all[i].chunk].x[all[i].rank]), all[i].F});
    return best;
}

} // namespace detail

using namespace detail;

namespace {

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

// Good trials to start the pruning from: the best of a grid of tens, the best of them then
// improved by moving one step of one or two loop variables while that lowers F. All are kept
// (as distinct trials: the moves leave the grid), so the kept threshold bounds the result.
struct Start {
    LoopValues x {};
    REAL F = initialBest;
};

bool onGrid(const Enumeration &e, const LoopValues &x)
{
    for (int j = 0; j < e.loopCount; ++j)
        if (x[j] % (10 * e.loops[j].step) != 0)
            return false;
    return true;
}

// Offers the trials one step of one or two loop variables away from `centre` that are neither
// on the grid nor kept already (each trial must be offered once).
void offerNeighbours(const Enumeration &e, const Objective &objective, const LoopValues &centre, Kept &kept)
{
    for (int j = 0; j < e.loopCount; ++j)
        for (int k = -1; k < e.loopCount; ++k)
            for (int dir : {-1, 1}) {
                if (k == j)
                    continue;
                LoopValues y = centre;
                y[j] += dir * e.loops[j].step;
                if (k >= 0)
                    y[k] -= dir * e.loops[k].step;
                if (!isTrial(e, y) || onGrid(e, y) || std::find(kept.x, kept.x + kept.count, y) != kept.x + kept.count)
                    continue;
                kept.offer(evaluate(objective, sharesOf(e, y)), y);
            }
}

Kept startingTrials(const Enumeration &e, const Objective &objective, int capacity)
{
    Kept kept;
    kept.capacity = capacity;
    Start best;
    bool any = false;
    enumerate(e, 10, [&](const LoopValues &x) {
        const REAL F = evaluate(objective, sharesOf(e, x));
        kept.offer(F, x);
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
                    const REAL F = evaluate(objective, sharesOf(e, y));
                    if (F < best.F) {
                        best = {y, F};
                        moved = true;
                        if (!onGrid(e, y))
                            kept.offer(F, y);
                    }
                }
    }
    if (capacity > 1) // the best's neighbours bound the later places better than the grid does
        offerNeighbours(e, objective, best.x, kept);
    return kept;
}

Outcome outcomeOf(const std::vector<Ranked> &best)
{
    if (best.empty())
        return {};
    return {true, best.front().shares, best.front().F};
}

} // namespace

std::vector<Ranked> plainSearchBest(int n, const Objective &objective, int count)
{
    const Enumeration e = enumerationFor(n);
    if (e.loopCount == 0 || count < 1)
        return {};
    Kept kept;
    kept.capacity = std::min(count, kMaxBest);
    enumerate(e, 1, [&](const LoopValues &x) { kept.offer(evaluate(objective, sharesOf(e, x)), x); });
    return merge(e, {kept}, kept.capacity);
}

Outcome plainSearch(int n, const Objective &objective)
{
    return outcomeOf(plainSearchBest(n, objective, 1));
}

std::vector<Ranked> searchBest(int n, const Objective &objective, int count)
{
    const Enumeration e = enumerationFor(n);
    if (e.loopCount == 0 || count < 1)
        return {};
    count = std::min(count, kMaxBest);
    const bool scaled = objective.form == Objective::scaledTerms;
    const RunFunction run = scaled ? runFunction<true>(n, objective.terms) : runFunction<false>(n, objective.terms);
    if (!run)
        return plainSearchBest(n, objective, count);

    // F approximately equals sum over the sieves taking part of |sum_k s_k * W[k] - B|.
    Model model;
    REAL scale = 0;
    int t = 0;
    for (int i = 0; i < 11; ++i) {
        if (!objective.used[i])
            continue;
        std::array<REAL, 6> w {};
        for (int k = 0; k < objective.terms; ++k)
            w[k] = (scaled ? 1 : 2) * objective.D[i][k] / 100;
        model.base[t] = 100 * w[e.remainder] - objective.B[i];
        for (int j = 0; j < e.loopCount; ++j)
            model.grad[j][t] = w[e.loops[j].component] - w[e.remainder];
        REAL wmax = 0;
        for (REAL wk : w)
            wmax = std::max(wmax, std::fabs(wk));
        scale += 100 * wmax + std::fabs(objective.B[i]);
        ++t;
    }
    // Rounding of the model and of the exact F stays far below 1e-13 of this scale; the margin
    // keeps any trial that could tie or win under the exact F. Non-finite or vast inputs go
    // through the plain search, which needs no margin.
    if (!std::isfinite(scale) || scale > 1e100)
        return plainSearchBest(n, objective, count);
    model.margin = 1e-10 * (scale + 1);
    model.innermost = directionOf(model.grad[e.loopCount - 1]);

    const std::unique_ptr<Tables> tables = makeTables(n, objective);
    const Kept start = startingTrials(e, objective, count);
    return prune(e, model, *tables, run, start);
}

Outcome search(int n, const Objective &objective)
{
    return outcomeOf(searchBest(n, objective, 1));
}

} // namespace share_search
