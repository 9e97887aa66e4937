#include "design/recipe_report_values.h"

#include <algorithm>

namespace design {

QString mixTypeName(const QString &TYP)
{
    const QString t = TYP.trimmed();
    return t.startsWith(QStringLiteral("тип ")) ? t.mid(4).trimmed() : t;
}


QString cutDecimalText(REAL value, int width)
{
    if (!std::isfinite(value) || width <= 0)
        return QString();
    // 15 significant digits in fixed notation, so that 0.1 + 0.2 reads 0.3.
    const REAL magnitude = std::fabs(value);
    const int intDigits = magnitude >= 1 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
    QString s = QString::number(value, 'f', std::clamp(15 - intDigits, 0, 15));
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    // The documents' decimal comma; a cut that ends on it leaves the whole part alone.
    s = s.left(width).replace(QLatin1Char('.'), QLatin1Char(','));
    if (s.endsWith(QLatin1Char(',')))
        s.chop(1);
    return s;
}

QString shareCellText(REAL value, int width)
{
    return value == 0 ? QString() : cutDecimalText(value, width);
}

RecipePercentages recipePercentages(const Grading &P, REAL JMPGL, REAL JBITGL)
{
    // Bitumen counted over 100 % of the mineral part: mineral figures are divided by
    // (JBITGL + 100) / 100. A content of -100 % would divide by 0; every quotient is then 0
    // and the sand line takes the whole 100 %.
    const REAL over = JBITGL + 100;
    RecipePercentages r;
    r.BIT = quotientOrZero(JBITGL * 100, over);
    r.MIPOR = quotientOrZero(JMPGL * 100, over);
    r.FR20_40 = quotientOrZero((P[0] - P[1]) * 100, over);
    r.FR15_20 = quotientOrZero((P[1] - P[2]) * 100, over);
    r.FR10_15 = quotientOrZero((P[2] - P[3]) * 100, over);
    r.FR5_10 = quotientOrZero((P[3] - P[4]) * 100, over);
    r.FR5_40 = quotientOrZero((P[0] - P[4]) * 100, over);
    r.FR0_5 = 100 - r.BIT - r.MIPOR - r.FR20_40 - r.FR15_20 - r.FR10_15 - r.FR5_10;
    return r;
}

QString additiveUnitText() { return QStringLiteral("% сверх 100  "); }

RecipeTextCells recipeTextCells(const ComponentValues &DIMJKOMP, const ComponentValues &ISTDIMYKOMP,
                                const ComponentGradings &DIMKOMP, REAL SODERZDOBAWKI)
{
    RecipeTextCells t;
    for (int j = 0; j < 6; ++j) {
        if (DIMJKOMP[j] == 0)
            continue; // the whole row stays blank but for its name
        t.SODKOMP[j] = cutDecimalText(DIMJKOMP[j], 3);
        t.ISTPLKOMP[j] = cutDecimalText(ISTDIMYKOMP[j], 5);
        for (int i = 0; i < 11; ++i)
            t.SOSTKOMP[i][j] = cutDecimalText(DIMKOMP[i][j], 5);
    }
    if (SODERZDOBAWKI != 0) {
        t.SODDOB = cutDecimalText(SODERZDOBAWKI, 4);
        t.RASMERNDOB_KI = additiveUnitText();
    }
    return t;
}

namespace {

constexpr REAL CHART_LEFT = 6;
constexpr REAL CHART_TOP = 93;
constexpr REAL CHART_HEIGHT = 53;
constexpr REAL CHART_WIDTH = 840.0 / 11;
constexpr REAL CHART_STEP = 84.0 / 11;

ChartStroke stroke(REAL x, REAL y, REAL w, REAL h, int red, int green, int blue, int pen)
{
    // Truncated towards zero, as the report draws whole units.
    return {static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h),
            red, green, blue, pen};
}

void addCurve(std::vector<ChartStroke> &out, const Grading &v, int red, int green, int blue, int pen)
{
    REAL x = CHART_LEFT;
    REAL y = CHART_TOP;
    for (int i = 0; i < 10; ++i) {
        const REAL dy = (v[i] - v[i + 1]) * CHART_HEIGHT / 100;
        out.push_back(stroke(x, y, CHART_STEP, dy, red, green, blue, pen));
        x += CHART_STEP;
        y += dy;
    }
}

} // namespace

std::vector<ChartStroke> gradingChart(const Grading &PROEKT, const sieves::Band &ZRN)
{
    std::vector<ChartStroke> out;
    Grading lower{}, upper{};
    for (int i = 0; i < 11; ++i) {
        lower[i] = ZRN[i][0];
        upper[i] = ZRN[i][1];
    }
    addCurve(out, PROEKT, 255, 0, 0, 8);
    addCurve(out, lower, 0, 0, 255, 2);
    addCurve(out, upper, 0, 0, 255, 2);

    out.push_back(stroke(CHART_LEFT, CHART_TOP, 0, CHART_HEIGHT, 0, 0, 0, 1));
    out.push_back(stroke(CHART_LEFT + CHART_WIDTH, CHART_TOP, 0, CHART_HEIGHT, 0, 0, 0, 1));
    out.push_back(stroke(CHART_LEFT, CHART_TOP, CHART_WIDTH, 0, 0, 0, 0, 1));
    out.push_back(stroke(CHART_LEFT, CHART_TOP + CHART_HEIGHT, CHART_WIDTH, 0, 0, 0, 0, 1));

    for (int k = 1; k <= 9; ++k)
        out.push_back(stroke(CHART_LEFT + 84.0 * k / 11, CHART_TOP, 0, CHART_HEIGHT, 175, 196, 60, 1));
    for (int k = 1; k <= 9; ++k) {
        const REAL y = k == 5 ? CHART_TOP + CHART_HEIGHT / 2 : CHART_TOP + 5.3 * k;
        out.push_back(stroke(CHART_LEFT, y, CHART_WIDTH, 0, 175, 196, 60, 1));
    }
    return out;
}

} // namespace design
