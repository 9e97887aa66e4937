#include "journals/control_chart.h"

#include "framework/picture.h"

#include <algorithm>
#include <cmath>

namespace lab {

SeriesStats seriesStats(const std::vector<double> &values, const Norm &norm)
{
    SeriesStats s;
    s.n = int(values.size());
    if (values.empty())
        return s;
    double sum = 0;
    s.min = s.max = values.front();
    for (double v : values) {
        sum += v;
        s.min = std::min(s.min, v);
        s.max = std::max(s.max, v);
    }
    s.mean = sum / s.n;
    if (s.n < 2)
        return s;
    double squares = 0;
    for (double v : values)
        squares += (v - s.mean) * (v - s.mean);
    s.sigma = std::sqrt(squares / (s.n - 1));
    if (*s.sigma <= 0)
        return s;
    const double three = 3 * *s.sigma;
    if (norm.lower > 0 && norm.upper > 0) {
        s.cp = (norm.upper - norm.lower) / (2 * three);
        s.cpk = std::min(norm.upper - s.mean, s.mean - norm.lower) / three;
    } else if (norm.upper > 0) {
        s.cpk = (norm.upper - s.mean) / three;
    } else if (norm.lower > 0) {
        s.cpk = (s.mean - norm.lower) / three;
    }
    return s;
}

std::vector<PointFlags> pointFlags(const std::vector<double> &values, const SeriesStats &stats, const Norm &norm,
                                   int decimals)
{
    std::vector<PointFlags> flags(values.size());
    const double scale = std::pow(10.0, decimals);
    int run = 0, side = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        const double shown = std::round(v * scale) / scale;
        flags[i].outOfNorm = (norm.lower > 0 && shown < norm.lower) || (norm.upper > 0 && shown > norm.upper);
        if (stats.sigma && *stats.sigma > 0)
            flags[i].beyond3Sigma = std::abs(v - stats.mean) > 3 * *stats.sigma;
        const int s = v > stats.mean ? 1 : v < stats.mean ? -1 : 0; // a point on the mean ends a run
        run = (s != 0 && s == side) ? run + 1 : (s != 0 ? 1 : 0);
        side = s;
        flags[i].runOfSeven = run >= 7;
    }
    return flags;
}

unsigned seriesRgb(int index)
{
    static const unsigned palette[] = {0x1f4e9c, 0x2ca02c, 0x9467bd, 0x8c564b, 0xff7f0e, 0x17becf, 0x7f7f7f};
    return palette[std::size_t(index) % std::size(palette)];
}

namespace {
using namespace reportalign;

constexpr unsigned kNormRgb = 0xb00000, kMeanRgb = 0x2ca02c, kTwoSigmaRgb = 0xe08a00, kThreeSigmaRgb = 0x8e44ad;

// A step of 1, 2 or 5 times a power of ten giving about `ticks` intervals over `span`.
double niceStep(double span, int ticks)
{
    const double raw = span / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

QString axisNumber(double v, int decimals)
{
    return QString::number(v, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace

ReportBand controlChartBand(const std::vector<ChartSeries> &series, const Norm &norm, int decimals,
                            const QString &valueTitle, QSizeF sizeMm)
{
    ReportBand b;
    b.heightMm = sizeMm.height();
    const double legendH = 10;
    const QRectF plot(18, 6, sizeMm.width() - 18 - 24, sizeMm.height() - 6 - 9 - legendH);

    // The one series whose centre lines are drawn.
    const bool single = series.size() == 1;
    SeriesStats stats;
    if (single)
        stats = seriesStats(series.front().values, norm);

    // Ranges: every value, the norm and the lines drawn.
    double lo = 1e300, hi = -1e300;
    LONG first = 0, last = 0;
    bool any = false;
    for (const ChartSeries &s : series)
        for (std::size_t i = 0; i < s.values.size(); ++i) {
            lo = std::min(lo, s.values[i]);
            hi = std::max(hi, s.values[i]);
            first = any ? std::min(first, s.dates[i]) : s.dates[i];
            last = any ? std::max(last, s.dates[i]) : s.dates[i];
            any = true;
        }
    for (double v : {norm.lower, norm.upper})
        if (v > 0) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    if (single && stats.sigma) {
        lo = std::min(lo, stats.mean - 3 * *stats.sigma);
        hi = std::max(hi, stats.mean + 3 * *stats.sigma);
    }
    b.box(plot, 0.25);
    b.textIn(QRectF(0, 0, sizeMm.width(), 5), valueTitle, kLeft, 8, true);
    if (!any) {
        b.textIn(plot, QStringLiteral("нет испытаний"), kCenter, 11);
        return b;
    }
    if (hi - lo < 1e-9) { // one value: a band around it
        const double pad = std::max(std::abs(hi) * 0.1, 0.1);
        lo -= pad;
        hi += pad;
    }
    const double step = niceStep(hi - lo, 5);
    lo = std::floor(lo / step) * step - step * 0.25;
    hi = std::ceil(hi / step) * step + step * 0.25;
    const LONG days = std::max<LONG>(last - first, 0);
    auto x = [&](LONG d) {
        return days == 0 ? plot.center().x() : plot.left() + 4 + (plot.width() - 8) * double(d - first) / double(days);
    };
    auto y = [&](double v) { return plot.bottom() - plot.height() * (v - lo) / (hi - lo); };

    // Value axis: grid and numbers.
    const int stepDecimals = std::clamp(int(std::ceil(-std::log10(step) + 1e-9)), 0, 4);
    for (double v = std::ceil(lo / step) * step; v <= hi + 1e-9; v += step) {
        b.line(plot.left(), y(v), plot.right(), y(v), 0.1, 0xd0d0d0);
        b.textIn(QRectF(0, y(v) - 2, plot.left() - 1.5, 4), axisNumber(v, stepDecimals), kRight, 7);
    }
    // Date axis: about five dates.
    const Picture date = Picture::of("d6");
    const int dateTicks = days == 0 ? 1 : 5;
    for (int i = 0; i < dateTicks; ++i) {
        const LONG d = days == 0 ? first : first + LONG(std::llround(double(days) * i / (dateTicks - 1)));
        b.line(x(d), plot.bottom(), x(d), plot.bottom() + 1.2, 0.2);
        b.textIn(QRectF(x(d) - 10, plot.bottom() + 1.5, 20, 4), date.formatDate(d), kCenter, 7);
    }

    // Horizontal lines with their names at the right.
    auto level = [&](double v, unsigned rgb, bool dashed, const QString &name, double pen = 0.3) {
        if (v < lo || v > hi)
            return;
        b.line(plot.left(), y(v), plot.right(), y(v), pen, rgb).dashed = dashed;
        b.textIn(QRectF(plot.right() + 1, y(v) - 2, 23, 4), name, kLeft, 6.5).rgb = rgb;
    };
    if (norm.lower > 0)
        level(norm.lower, kNormRgb, false, QStringLiteral("норма ") + axisNumber(norm.lower, decimals), 0.4);
    if (norm.upper > 0)
        level(norm.upper, kNormRgb, false, QStringLiteral("норма ") + axisNumber(norm.upper, decimals), 0.4);
    if (single) {
        level(stats.mean, kMeanRgb, false, QStringLiteral("среднее"));
        if (stats.sigma) {
            const double s = *stats.sigma;
            level(stats.mean + 2 * s, kTwoSigmaRgb, true, QStringLiteral("+2σ"));
            level(stats.mean - 2 * s, kTwoSigmaRgb, true, QStringLiteral("−2σ"));
            level(stats.mean + 3 * s, kThreeSigmaRgb, true, QStringLiteral("+3σ"));
            level(stats.mean - 3 * s, kThreeSigmaRgb, true, QStringLiteral("−3σ"));
        }
    }

    // The series: lines, then points over them.
    const double dot = series.size() > 1 || series.front().values.size() < 200 ? 1.3 : 0.8;
    for (std::size_t k = 0; k < series.size(); ++k) {
        const ChartSeries &s = series[k];
        const unsigned rgb = seriesRgb(int(k));
        std::vector<QPointF> points;
        for (std::size_t i = 0; i < s.values.size(); ++i)
            points.emplace_back(x(s.dates[i]), y(s.values[i]));
        b.polyline(points, 0.25, rgb);
        const SeriesStats own = single ? stats : seriesStats(s.values, norm);
        const std::vector<PointFlags> flags = pointFlags(s.values, own, norm, decimals);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const QPointF p = points[i];
            b.dot(p, dot, flags[i].outOfNorm ? kOutOfNormRgb : rgb);
            const double m = dot * 1.3;
            if (flags[i].beyond3Sigma)
                b.box(QRectF(p.x() - m, p.y() - m, 2 * m, 2 * m), 0.25, 0);
            if (flags[i].runOfSeven)
                b.polyline({{p.x(), p.y() - m * 1.2}, {p.x() + m * 1.2, p.y()}, {p.x(), p.y() + m * 1.2},
                            {p.x() - m * 1.2, p.y()}, {p.x(), p.y() - m * 1.2}},
                           0.2, 0);
        }
    }

    // Legend: the series (several) and the marks.
    double lx = plot.left();
    const double ly = sizeMm.height() - legendH + 2;
    if (!single)
        for (std::size_t k = 0; k < series.size(); ++k) {
            b.line(lx, ly + 2, lx + 5, ly + 2, 0.6, seriesRgb(int(k)));
            b.textIn(QRectF(lx + 6, ly, 28, 4), series[k].label, kLeft, 7);
            lx += 34;
        }
    const double my = single ? ly + 2 : ly + 6;
    double mx = plot.left();
    b.dot(QPointF(mx + 1, my), 1.3, kOutOfNormRgb);
    b.textIn(QRectF(mx + 3, my - 2, 32, 4), QStringLiteral("вне нормы"), kLeft, 7);
    mx += 30;
    b.box(QRectF(mx, my - 1.2, 2.4, 2.4), 0.25);
    b.textIn(QRectF(mx + 3.5, my - 2, 34, 4), QStringLiteral("за пределами 3σ"), kLeft, 7);
    mx += 38;
    b.polyline({{mx + 1.2, my - 1.5}, {mx + 2.7, my}, {mx + 1.2, my + 1.5}, {mx - 0.3, my}, {mx + 1.2, my - 1.5}}, 0.2);
    b.textIn(QRectF(mx + 4, my - 2, 60, 4), QStringLiteral("7 точек подряд по одну сторону среднего"), kLeft, 7);
    return b;
}

} // namespace lab
