#pragma once
// The exhaustive search over component shares shared by the grading search (PODBOR's "Далее")
// and the Superpave search (PODBORSUPERPAVE).
//
// Both enumerate the same trials in the same order and keep the first trial whose objective F
// is strictly below the best so far (starting from 1000000). The result is therefore the first
// trial, in enumeration order, with the smallest F below 1000000. The fast search finds exactly
// that trial and that F: it bounds F with a linear model to skip hopeless trials, and decides
// every comparison with the exact F, computed in the caller's order of operations (several
// trials at once in vector lanes, a long search on several threads).
#include "data/fieldtypes.h"

#include <array>
#include <vector>

namespace share_search {

using Shares = std::array<REAL, 6>; // J1 .. J6, percent

// One loop of the enumeration: component (0-based) and step; every loop starts at 0 and runs
// up to and including its bound.
struct Loop {
    int component;
    int step;
};

// The trials for n components (2..6), outermost loop first. The first loop runs up to
// firstBound, each further loop up to 100 minus the outer loops' shares; `remainder` gets
// 100 minus the sum of the others.
struct Enumeration {
    int loopCount = 0;
    std::array<Loop, 5> loops {};
    int firstBound = 100;
    int remainder = 0;
};
Enumeration enumerationFor(int n);

// The objective of a trial with shares s_1 .. s_6, operation for operation as its callers write it:
//   F = 0; then for each sieve i = 0..10 with used[i], in order, F += |v_i - B[i]|, where
//   sumThenScale: v_i = 2 * ((s_1*D[i][0] + s_2*D[i][1] + ... + s_terms*D[i][terms-1]) / 100)
//   scaledTerms:  v_i = s_1*D[i][0]/100 + s_2*D[i][1]/100 + ... + s_terms*D[i][terms-1]/100
// the sums taken from left to right, starting with the first term. The fast search handles
// terms = 6 and terms = n; any other count goes through the plain search.
struct Objective {
    enum Form { sumThenScale, scaledTerms };
    Form form = sumThenScale;
    int terms = 6; // 1..6
    std::array<std::array<REAL, 6>, 11> D {};
    std::array<REAL, 11> B {};
    std::array<bool, 11> used {};
};

REAL evaluate(const Objective &objective, const Shares &shares);

struct Outcome {
    bool improved = false; // false: no trial came below 1000000, the shares keep their values
    Shares shares {};      // the winning trial (components beyond n are 0)
    REAL best = 1000000;   // its F, or 1000000
};

inline constexpr REAL initialBest = 1000000;

// Fast search; the result equals plainSearch's.
Outcome search(int n, const Objective &objective);

// Every trial evaluated in order (also the fallback for non-finite inputs).
Outcome plainSearch(int n, const Objective &objective);

// The `count` best trials (at most kMaxBest) with F below 1000000, by F and, for equal F, in
// enumeration order: a plain loop that keeps a trial when it is strictly better than the last
// of those kept. The first is search()'s result; searchBest equals plainSearchBest.
inline constexpr int kMaxBest = 300; // "Самая надёжная" judges the best few hundred
struct Ranked {
    Shares shares {};
    REAL F = initialBest;
};
std::vector<Ranked> searchBest(int n, const Objective &objective, int count);
std::vector<Ranked> plainSearchBest(int n, const Objective &objective, int count);

} // namespace share_search
