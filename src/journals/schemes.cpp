#include "journals/schemes.h"

#include <algorithm>
#include <cmath>

namespace schemes {

namespace {

constexpr unsigned kInk = 0x000000, kWater = 0x2060c0, kForce = 0xc02020;

std::vector<QPointF> rect(double x, double y, double w, double h)
{
    return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
}

std::vector<QPointF> circle(QPointF c, double r, int steps = 48)
{
    std::vector<QPointF> p;
    for (int i = 0; i <= steps; ++i) {
        const double a = 2 * 3.14159265358979 * i / steps;
        p.push_back({c.x() + r * std::cos(a), c.y() + r * std::sin(a)});
    }
    return p;
}

// A downward arrow ending at `tip`.
void arrowDown(Chart &c, QPointF tip, double length, unsigned rgb)
{
    c.line({tip.x(), tip.y() - length}, tip, rgb, 1.5);
    c.polyline({{tip.x() - 4, tip.y() - 6}, tip, {tip.x() + 4, tip.y() - 6}}, rgb, 1.5);
}

} // namespace

Chart weighingScheme()
{
    Chart c;
    c.units = QSizeF(200, 130);
    c.polyline({{90, 125}, {110, 125}}, kInk, 2); // stand
    c.line({100, 125}, {100, 20}, kInk, 2);
    c.polyline({{94, 20}, {100, 12}, {106, 20}}, kInk, 1.5); // pivot
    c.line({30, 20}, {170, 20}, kInk, 2);          // beam
    // Left: the pan with the specimen in air.
    c.line({40, 20}, {40, 70}, kInk);
    c.polyline({{20, 70}, {60, 70}, {56, 76}, {24, 76}, {20, 70}}, kInk, 1.5);
    c.polyline(rect(30, 52, 20, 18), kInk, 1.5);
    // Right: the specimen hanging in a beaker of water.
    c.line({160, 20}, {160, 78}, kInk);
    c.polyline(rect(150, 78, 20, 18), kInk, 1.5);
    c.polyline({{135, 60}, {135, 110}, {185, 110}, {185, 60}}, kInk, 2);
    c.line({136, 68}, {184, 68}, kWater, 1.5);
    for (double x = 140; x < 182; x += 10)
        c.polyline({{x, 73}, {x + 3, 71}, {x + 6, 73}}, kWater);
    return c;
}

Chart shearScheme()
{
    Chart c;
    c.units = QSizeF(200, 110);
    // Unconfined: a specimen between two plates, the force from above.
    c.polyline(rect(15, 35, 60, 6), kInk, 1.5);
    c.polyline(rect(25, 41, 40, 40), kInk, 2);
    c.polyline(rect(15, 81, 60, 6), kInk, 1.5);
    arrowDown(c, {45, 35}, 25, kForce);
    // Closed die: the specimen held by the walls, pressed by a punch.
    c.polyline({{110, 35}, {110, 87}, {190, 87}, {190, 35}}, kInk, 2);
    c.polyline({{120, 35}, {120, 81}, {180, 81}, {180, 35}}, kInk, 1);
    c.polyline(rect(122, 47, 56, 34), kInk, 2);
    c.polyline(rect(126, 39, 48, 8), kInk, 1.5);
    arrowDown(c, {150, 39}, 30, kForce);
    for (double x = 110; x < 190; x += 10) // the base
        c.line({x, 95}, {x + 8, 87}, kInk, 0.8);
    return c;
}

Chart laboratoryEmblem()
{
    Chart c;
    c.units = QSizeF(100, 100);
    c.polyline(circle({50, 50}, 46), 0x1d5a8c, 3);
    c.polyline(circle({50, 50}, 40), 0x1d5a8c, 1);
    // The flask: neck, shoulders, flat bottom; the liquid in it.
    c.polyline({{44, 18}, {44, 42}, {24, 76}, {76, 76}, {56, 42}, {56, 18}}, kInk, 2.5);
    c.line({40, 18}, {60, 18}, kInk, 2.5);
    c.polyline({{34, 60}, {66, 60}, {73, 72}, {27, 72}, {34, 60}}, kWater, 2);
    return c;
}

void drawChart(ReportBand &band, const Chart &chart, const QRectF &rectMm)
{
    if (chart.units.width() <= 0 || chart.units.height() <= 0)
        return;
    const double scale = std::min(rectMm.width() / chart.units.width(), rectMm.height() / chart.units.height());
    const QPointF origin(rectMm.x() + (rectMm.width() - chart.units.width() * scale) / 2,
                         rectMm.y() + (rectMm.height() - chart.units.height() * scale) / 2);
    for (const ChartLine &l : chart.lines) {
        std::vector<QPointF> points;
        for (const QPointF &p : l.points)
            points.push_back(origin + p * scale);
        band.polyline(points, std::max(0.1, l.width * scale * 0.6), l.rgb);
    }
}

} // namespace schemes
