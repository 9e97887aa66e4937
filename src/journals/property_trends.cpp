#include "journals/property_trends.h"

#include "framework/picture.h"

#include <cmath>

namespace quality {

namespace {
using namespace reportalign;

QString number(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(v * scale) / scale;
    if (rounded == 0)
        rounded = 0; // never "-0,00"
    return QString::number(rounded, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString optionalNumber(const std::optional<double> &v, int decimals) { return v ? number(*v, decimals) : QString(); }

QString dateText(LONG d) { return d ? Picture::of("d6").formatDate(d) : QString(); }

QString recipeNumber(REAL n) { return QString::number(n, 'g', 10); }

} // namespace

QString trendTitle() { return QStringLiteral("Динамика показателей"); }

TrendView buildTrendView(REAL number, Trend trend, LONG from, LONG to, bool wholeType, const QString &zone)
{
    TrendView v;
    v.trend = trend;
    const RecipeFacts recipe = readRecipe(number);
    v.norm = trendNorm(trend, recipeLimits(recipe, zone));
    QString grade = recipe.MARKA.isEmpty() ? QString() : QStringLiteral(", марка ") + recipe.MARKA;
    v.heading = QStringLiteral("Рецепт № %1, %2%3; нормы для ДКЗ %4")
                    .arg(recipeNumber(number), recipe.TYP.isEmpty() ? QStringLiteral("тип не указан") : recipe.TYP, grade,
                         zone);
    const int decimals = trendInfo(trend).decimals;
    v.series.push_back(readTrend(recipe, trend, from, to));
    if (wholeType && !recipe.TYP.isEmpty()) {
        v.heading += QStringLiteral("; все рецепты типа");
        for (REAL other : recipesOfType(recipe.TYP))
            if (other != number)
                v.series.push_back(readTrend(readRecipe(other), trend, from, to));
    }
    for (const lab::ChartSeries &s : v.series)
        v.statistics.push_back(statisticsRow(s, v.norm, decimals));
    return v;
}

QStringList statisticsHeaders()
{
    return {QStringLiteral("Рецепт"), QStringLiteral("n"),     QStringLiteral("Среднее"), QStringLiteral("σ"),
            QStringLiteral("Мин."),   QStringLiteral("Макс."), QStringLiteral("Cp"),      QStringLiteral("Cpk"),
            QStringLiteral("Вне нормы"), QStringLiteral("За 3σ"), QStringLiteral("7 подряд")};
}

QStringList statisticsRow(const lab::ChartSeries &series, const lab::Norm &norm, int decimals)
{
    const lab::SeriesStats s = lab::seriesStats(series.values, norm);
    if (s.n == 0)
        return {series.label, QStringLiteral("нет испытаний")};
    int out = 0, beyond = 0, run = 0;
    for (const lab::PointFlags &f : lab::pointFlags(series.values, s, norm, decimals)) {
        out += f.outOfNorm;
        beyond += f.beyond3Sigma;
        run += f.runOfSeven;
    }
    return {series.label,
            QString::number(s.n),
            number(s.mean, decimals + 1),
            optionalNumber(s.sigma, decimals + 1),
            number(s.min, decimals),
            number(s.max, decimals),
            optionalNumber(s.cp, 2),
            optionalNumber(s.cpk, 2),
            QString::number(out),
            QString::number(beyond),
            QString::number(run)};
}

ReportDocument trendDocument(const TrendView &view, LONG from, LONG to)
{
    ReportDocument::Layout page;
    page.topMm = 12;
    page.bottomMm = 12;
    page.leftMm = 17;
    page.pageFooter = [](int n) { return pageNumberFooter(n, 180); };
    ReportDocument doc(page);
    constexpr double kWidth = 180;
    const TrendInfo &info = trendInfo(view.trend);

    ReportBand head;
    head.heightMm = 24;
    head.textIn(QRectF(0, 0, kWidth, 8), trendTitle(), kCenter, 13, true);
    head.textIn(QRectF(0, 9, kWidth, 5), view.heading, kLeft, 9);
    QString period = QStringLiteral("Период: ");
    period += from ? QStringLiteral("с ") + dateText(from) + QLatin1Char(' ') : QString();
    period += to ? QStringLiteral("по ") + dateText(to) : QString();
    if (!from && !to)
        period += QStringLiteral("все испытания");
    head.textIn(QRectF(0, 14, kWidth, 5), period, kLeft, 9);
    if (info.fromWeighing)
        head.textIn(QRectF(0, 19, kWidth, 5),
                    QStringLiteral("Показатель гидростатического взвешивания: одно значение на рецепт, на дату рецепта"),
                    kLeft, 8);
    doc.printDetail(head);

    ReportBand chart = lab::controlChartBand(view.series, view.norm, info.decimals, info.name, QSizeF(kWidth, 120));
    doc.printDetail(chart);

    // The statistics: a ruled table, a row per recipe.
    const std::vector<double> widths{26, 10, 18, 18, 16, 16, 12, 12, 20, 14, 18};
    auto row = [&](const QStringList &cells, bool bold) {
        ReportBand b;
        b.heightMm = 6;
        double x = 0;
        for (std::size_t c = 0; c < widths.size(); ++c) {
            b.textIn(QRectF(x + 0.8, 0, widths[c] - 1.6, 6), c < std::size_t(cells.size()) ? cells[qsizetype(c)] : QString(),
                     c == 0 ? kLeft : kCenter, 8, bold);
            b.line(x, 0, x, 6);
            x += widths[c];
        }
        b.line(x, 0, x, 6);
        b.line(0, 6, x, 6);
        return b;
    };
    ReportBand gap;
    gap.heightMm = 4;
    doc.printDetail(gap);
    ReportBand top = row(statisticsHeaders(), true);
    top.line(0, 0, 180, 0);
    doc.printDetail(top);
    for (const QStringList &cells : view.statistics)
        doc.printDetail(row(cells, false));
    ReportBand note;
    note.heightMm = 10;
    note.textIn(QRectF(0, 2, kWidth, 8),
                QStringLiteral("σ — выборочное стандартное отклонение; Cp, Cpk — по нормам стандарта (Cpk по одной "
                               "границе, если задана одна)."),
                kLeft | kWrap, 7.5);
    doc.printDetail(note);
    doc.finish();
    return doc;
}

std::vector<QStringList> trendCsvLines(const TrendView &view)
{
    const int decimals = trendInfo(view.trend).decimals;
    std::vector<QStringList> lines;
    lines.push_back({QStringLiteral("Рецепт"), QStringLiteral("Дата"), trendInfo(view.trend).name,
                     QStringLiteral("Вне нормы"), QStringLiteral("За 3σ"), QStringLiteral("7 подряд")});
    const Picture date = Picture::of("d6");
    for (const lab::ChartSeries &s : view.series) {
        const lab::SeriesStats stats = lab::seriesStats(s.values, view.norm);
        const std::vector<lab::PointFlags> flags = lab::pointFlags(s.values, stats, view.norm, decimals);
        for (std::size_t i = 0; i < s.values.size(); ++i) {
            auto yes = [](bool b) { return b ? QStringLiteral("да") : QString(); };
            lines.push_back({s.label, date.formatDate(s.dates[i]), number(s.values[i], decimals), yes(flags[i].outOfNorm),
                             yes(flags[i].beyond3Sigma), yes(flags[i].runOfSeven)});
        }
    }
    return lines;
}

} // namespace quality
