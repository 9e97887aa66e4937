#pragma once
// The control chart of a property over time: the statistics of a series of test values
// (n, mean, σ, extremes, process capability against the norm), the usual control rules, and the
// chart itself laid out in millimetres, drawn the same on the screen and on paper.
#include "framework/report_engine.h"

#include <optional>
#include <vector>

namespace lab {

// A norm: 0 is no limit on that side.
struct Norm {
    double lower = 0, upper = 0;
    bool any() const { return lower > 0 || upper > 0; }
};

struct SeriesStats {
    int n = 0;
    double mean = 0, min = 0, max = 0;
    std::optional<double> sigma;  // sample standard deviation (n - 1); none under two values
    std::optional<double> cp;     // (upper - lower) / 6σ: both limits and σ > 0
    std::optional<double> cpk;    // the nearer limit's distance from the mean / 3σ: a limit and σ > 0
};
SeriesStats seriesStats(const std::vector<double> &values, const Norm &norm);

// The rules a point breaks.
struct PointFlags {
    bool outOfNorm = false;   // outside the norm, as printed with `decimals` places
    bool beyond3Sigma = false;
    bool runOfSeven = false;  // the seventh or a later point in a row on one side of the mean
};
std::vector<PointFlags> pointFlags(const std::vector<double> &values, const SeriesStats &stats, const Norm &norm,
                                   int decimals);

// One line of the chart: a recipe's values by test date (dates as stored, in date order).
struct ChartSeries {
    QString label;
    std::vector<LONG> dates;
    std::vector<double> values;
};

// The chart in a band `sizeMm` large: values by date, the norm lines, and for a single series
// its mean and mean ± 2σ and ± 3σ (when σ exists); points outside the norm red, rule breaks
// marked (a square: beyond 3σ; a diamond: seven in a row), a legend under the plot.
ReportBand controlChartBand(const std::vector<ChartSeries> &series, const Norm &norm, int decimals,
                            const QString &valueTitle, QSizeF sizeMm);

// Point colours of the chart (0xRRGGBB).
constexpr unsigned kOutOfNormRgb = 0xd62728;
unsigned seriesRgb(int index);

} // namespace lab
