// The exact objective of a run of trials, several trials at once in vector lanes: every lane
// performs one trial's operations in the objective's order.
#include "design/share_search_parts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace share_search::detail {

namespace {

// Whether s * d is exact for s = 0..100 (7 bits): d's significand ends in 7 zero bits.
bool shortSignificand(REAL d)
{
    if (d == 0)
        return true;
    int exponent = 0;
    const REAL fraction = std::frexp(d, &exponent); // d = fraction * 2^exponent, 0.5 <= |fraction| < 1
    const auto significand = static_cast<std::int64_t>(std::ldexp(std::fabs(fraction), 53));
    return significand % 128 == 0;
}

} // namespace

std::unique_ptr<Tables> makeTables(int n, const Objective &o)
{
    auto tb = std::make_unique<Tables>();
    for (int i = 0; i < 11; ++i) {
        if (!o.used[i])
            continue;
        const int t = tb->count++;
        tb->B[t] = o.B[i];
        if (o.form == Objective::sumThenScale && o.terms == 6) {
            const REAL d = o.D[i][0];
            bool same = std::isfinite(d) && shortSignificand(d);
            for (int k = 1; k < n; ++k)
                same = same && o.D[i][k] == d;
            for (int k = n; k < 6; ++k) // shares 0: their terms are zeros
                same = same && std::isfinite(o.D[i][k]);
            if (same) {
                const REAL sum = 100 * d;
                tb->constant[t] = true;
                tb->constantTerm[t] = std::fabs(2 * (sum / 100) - o.B[i]);
            }
        }
        for (int k = 0; k < o.terms; ++k)
            for (int s = 0; s <= 100; ++s) {
                const REAL share = s;
                const REAL term = o.form == Objective::sumThenScale ? share * o.D[i][k] : share * o.D[i][k] / 100;
                tb->forward[k][t][s] = term;
                tb->reversed[k][t][100 - s] = term;
            }
    }
    while (tb->leading < tb->count && tb->constant[tb->leading])
        tb->leadingF += tb->constantTerm[tb->leading++];
    std::fill(tb->leadingLanes, tb->leadingLanes + kLanes, tb->leadingF);
    return tb;
}

namespace {

// kLanes doubles handled together: one vector of the compiler's where it has them (each lane is
// one IEEE operation, exactly as written one value at a time), a plain array elsewhere.
#if defined(__GNUC__)
typedef REAL Lanes __attribute__((vector_size(sizeof(REAL) * kLanes)));
typedef std::int64_t LaneBits __attribute__((vector_size(sizeof(REAL) * kLanes)));
// In place, not by value: vectors wider than the baseline's registers change the calling convention.
inline void load(Lanes &v, const REAL *p)
{
    std::memcpy(&v, p, sizeof v);
}
inline void makeAbsolute(Lanes &v)
{
    LaneBits bits;
    std::memcpy(&bits, &v, sizeof v);
    bits &= std::numeric_limits<std::int64_t>::max();
    std::memcpy(&v, &bits, sizeof v);
}
#else
struct Lanes {
    REAL v[kLanes];
    REAL operator[](int l) const { return v[l]; }
};
inline void load(Lanes &v, const REAL *p)
{
    std::memcpy(v.v, p, sizeof v.v);
}
#define LANEWISE(op)                                                                               \
    inline Lanes operator op(Lanes a, Lanes b)                                                     \
    {                                                                                              \
        for (int l = 0; l < kLanes; ++l)                                                           \
            a.v[l] = a.v[l] op b.v[l];                                                             \
        return a;                                                                                  \
    }                                                                                              \
    inline Lanes operator op(Lanes a, REAL b)                                                      \
    {                                                                                              \
        for (int l = 0; l < kLanes; ++l)                                                           \
            a.v[l] = a.v[l] op b;                                                                  \
        return a;                                                                                  \
    }                                                                                              \
    inline Lanes operator op(REAL a, Lanes b)                                                      \
    {                                                                                              \
        for (int l = 0; l < kLanes; ++l)                                                           \
            b.v[l] = a op b.v[l];                                                                  \
        return b;                                                                                  \
    }
LANEWISE(+)
LANEWISE(-)
LANEWISE(*)
LANEWISE(/)
#undef LANEWISE
inline Lanes &operator+=(Lanes &a, Lanes b) { return a = a + b; }
inline Lanes &operator+=(Lanes &a, REAL b) { return a = a + b; }
inline void makeAbsolute(Lanes &a)
{
    for (int l = 0; l < kLanes; ++l)
        a.v[l] = std::fabs(a.v[l]);
}
#endif

template <int k, int K, int In, int Rest>
inline void addTerms(Lanes &acc, const Lanes &in, const Lanes &rest, const REAL *fixed)
{
    if constexpr (k < K) {
        if constexpr (k == In)
            acc += in;
        else if constexpr (k == Rest)
            acc += rest;
        else
            acc += fixed[k];
        addTerms<k + 1, K, In, Rest>(acc, in, rest, fixed);
    }
}

// Evaluates the trials with innermost share a..b, kLanes at a time: every lane performs one
// trial's operations in the objective's order, so each F is the objective's own to the last bit.
// Every trial below the kept ones' threshold is offered to `kept`, with `x` holding the outer
// loops' values and the innermost one's set to the trial's (loop `inner`).
template <int K, int In, int Rest, bool scaledTerms>
void evaluateRun(const Tables &tb, const Run &run, int a, int b, Kept &kept, LoopValues &x, int inner)
{
    constexpr int first = In < Rest ? In : Rest;
    if (tb.leading == tb.count) { // every trial has the same F: the first ones of the run are kept
        for (x[inner] = a; x[inner] <= b && tb.leadingF < kept.threshold(); ++x[inner])
            kept.offer(tb.leadingF, x);
        return;
    }
    for (int x0 = a; x0 <= b; x0 += kLanes) {
        Lanes f;
        load(f, tb.leadingLanes);
        for (int t = tb.leading; t < tb.count; ++t) {
            if (tb.constant[t]) {
                f += tb.constantTerm[t];
                continue;
            }
            Lanes in, rest;
            load(in, &tb.forward[In][t][x0]);
            load(rest, &tb.reversed[Rest][t][100 - run.left + x0]);
            Lanes acc;
            if constexpr (first > 0)
                acc = run.prefix[t] + (first == In ? in : rest);
            else
                acc = first == In ? in : rest;
            addTerms<first + 1, K, In, Rest>(acc, in, rest, run.fixed[t]);
            Lanes v;
            if constexpr (scaledTerms)
                v = acc;
            else
                v = 2 * (acc / 100);
            v = v - tb.B[t];
            makeAbsolute(v);
            f += v;
        }
        const int count = std::min(kLanes, b - x0 + 1);
        for (int l = 0; l < count; ++l)
            if (f[l] < kept.threshold()) {
                x[inner] = x0 + l;
                kept.offer(f[l], x);
            }
    }
}

} // namespace

// The innermost loop and the remainder of each enumeration (see enumerationFor); K terms summed.
template <bool scaled>
RunFunction runFunction(int n, int K)
{
    if (K == 6) {
        switch (n) {
        case 2: return evaluateRun<6, 0, 1, scaled>;
        case 3: return evaluateRun<6, 1, 2, scaled>;
        case 4: return evaluateRun<6, 2, 3, scaled>;
        case 5: return evaluateRun<6, 3, 4, scaled>;
        case 6: return evaluateRun<6, 4, 0, scaled>;
        default: return nullptr;
        }
    }
    if (K != n)
        return nullptr;
    switch (n) {
    case 2: return evaluateRun<2, 0, 1, scaled>;
    case 3: return evaluateRun<3, 1, 2, scaled>;
    case 4: return evaluateRun<4, 2, 3, scaled>;
    case 5: return evaluateRun<5, 3, 4, scaled>;
    default: return nullptr;
    }
}

template RunFunction runFunction<false>(int n, int K);
template RunFunction runFunction<true>(int n, int K);

} // namespace share_search::detail
