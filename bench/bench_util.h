#pragma once
// Shared by the benchmark programs: medians and peak memory.
#include <algorithm>
#include <chrono>
#include <sys/resource.h>
#include <vector>

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The median time of `runs` calls of f, in milliseconds.
template <class F>
double medianMs(int runs, F &&f)
{
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return median(ms);
}

inline long peakKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
