#pragma once
// The parts of the share search that its files share: the loop values of a trial, the best
// trials kept, the tables of the exact objective and the linear model that bounds it.
// Private to share_search*.cpp.
#include "design/share_search.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace share_search::detail {

using LoopValues = std::array<int, 5>;

inline Shares sharesOf(const Enumeration &e, const LoopValues &x)
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

// The best trials of one chunk of the enumeration (or of a whole search), at most `capacity`,
// ordered by F and, for equal F, by enumeration order: offered in that order, a trial enters
// only when its F is strictly below the last kept one's (or there is room), as the plain loop
// keeps a trial only when it is strictly better.
struct Kept {
    int capacity = 1;
    int count = 0;
    REAL F[kMaxBest] {};
    LoopValues x[kMaxBest] {};

    REAL threshold() const { return count < capacity || count == 0 ? initialBest : F[count - 1]; }
    void offer(REAL f, const LoopValues &at)
    {
        if (!(f < threshold()))
            return;
        int i = std::min(count, capacity - 1);
        for (; i > 0 && F[i - 1] > f; --i) {
            F[i] = F[i - 1];
            x[i] = x[i - 1];
        }
        F[i] = f;
        x[i] = at;
        count = std::min(count + 1, capacity);
    }
};

constexpr int kTerms = 12; // eleven sieves at most, padded with an empty term for vector code
constexpr int kLanes = 8;  // trials evaluated together
constexpr int kTable = 101 + kLanes; // shares 0..100, padded for the last lanes of a run

// The terms of the exact objective by component, sieve and whole share, each computed as the
// objective computes it (s * D, or s * D / 100), so that a sum of table values is the sum the
// objective forms. `reversed` holds the share 100 - j at j, so that the remainder, which falls
// as the innermost share rises, is read forwards too.
//
// A sieve at which the n components pass the same percentage d, with d * s exact for every
// share s (d has at most 46 significant bits: whole and half percentages, for instance), gives
// every trial the same F term when the objective sums before scaling: each product and each
// partial sum is (sum of some shares) * d, which is exact, so the sum is exactly 100 * d in any
// order. Such terms are computed once (`constant`), in vector code only added to F in turn.
struct Tables {
    int count = 0; // sieves taking part
    REAL B[kTerms] {};
    bool constant[kTerms] {};
    REAL constantTerm[kTerms] {};
    int leading = 0;     // sieves 0 .. leading-1 are constant,
    REAL leadingF = 0;   // and F after them (0 + term + term ..., in order),
    alignas(64) REAL leadingLanes[kLanes] {}; // in every lane
    alignas(64) REAL forward[6][kTerms][kTable] {};
    alignas(64) REAL reversed[6][kTerms][kTable] {};
};
std::unique_ptr<Tables> makeTables(int n, const Objective &o);

// The run of trials the innermost loop makes with the outer loops fixed: the shares of the
// components other than the innermost one (In) and the remainder (Rest), by sieve.
struct Run {
    int left = 0; // 100 minus the outer shares: innermost share + remainder
    REAL fixed[kTerms][6] {};
    REAL prefix[kTerms] {}; // the sum of the fixed terms before the first varying one
};

// Exact F of the trials with innermost share a..b (see evaluateRun in share_search_lanes.cpp).
using RunFunction = void (*)(const Tables &, const Run &, int, int, Kept &, LoopValues &, int);

// The innermost loop and the remainder of each enumeration (see enumerationFor); K terms summed.
template <bool scaled>
RunFunction runFunction(int n, int K);

// The innermost loop's direction of the model, prepared for segmentArgmin: the terms that
// change along it, their weights |g| and -1 / g.
struct Direction {
    int count = 0;
    int term[kTerms] {};
    REAL weight[kTerms] {};
    REAL inverse[kTerms] {};
    REAL total = 0;
};

// The model with the loop variables substituted: term t = base[t] + sum_j x_j * grad[j][t].
struct Model {
    alignas(32) REAL base[kTerms] {};
    alignas(32) REAL grad[5][kTerms] {};
    Direction innermost; // of grad[loops - 1]
    REAL margin = 0;
};

Direction directionOf(const REAL *g);

// The best of all chunks' kept trials: by F, then by chunk (enumeration order), then as kept.
std::vector<Ranked> merge(const Enumeration &e, const std::vector<Kept> &chunks, int count);

// The pruned walk over every trial, from the starting trials' bound (share_search_pruning.cpp).
std::vector<Ranked> prune(const Enumeration &e, const Model &model, const Tables &tables, RunFunction run,
                          const Kept &start);

} // namespace share_search::detail
