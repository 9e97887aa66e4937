#pragma once
// "Динамика показателей": one property of a recipe's tests over a period (or of every recipe
// of its type, one line each), with its norm, statistics and control rules; the same content on
// the screen, on paper and in a CSV file.
#include "journals/quality_records.h"

namespace quality {

struct TrendView {
    QString heading;                    // the recipe, its type and grade, the zone of the norm
    Trend trend = Trend::R20;
    lab::Norm norm;
    std::vector<lab::ChartSeries> series; // the recipe's first
    std::vector<QStringList> statistics;  // a row per series, under statisticsHeaders()
};

// The recipe `number` (and with `wholeType` every recipe of its type) from `from` to `to`
// (0: open), norms for `zone`.
TrendView buildTrendView(REAL number, Trend trend, LONG from, LONG to, bool wholeType, const QString &zone);

QStringList statisticsHeaders();
// The statistics of one series as the table shows them (decimal commas; "нет испытаний" without values).
QStringList statisticsRow(const lab::ChartSeries &series, const lab::Norm &norm, int decimals);

// The printout: the heading, the period, the chart and the statistics on one page.
ReportDocument trendDocument(const TrendView &view, LONG from, LONG to);
QString trendTitle();

// The values as a CSV file's lines: a header, then recipe, date, value and the rules broken.
std::vector<QStringList> trendCsvLines(const TrendView &view);

} // namespace quality
