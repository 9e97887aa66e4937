#include "journals/press_schemes.h"

#include <cmath>

namespace lab {

namespace {

constexpr unsigned kSteel = 0x303030, kSpecimen = 0x8a5a2b, kForce = 0xc00000;

// The cylindrical specimen seen from the side: its outline and the near half of its top ellipse.
void specimen(Chart &c, double left, double top, double width, double height)
{
    const double right = left + width, bottom = top + height, ry = height * 0.08;
    c.polyline({{left, top}, {left, bottom}, {right, bottom}, {right, top}, {left, top}}, kSpecimen, 1.5);
    std::vector<QPointF> rim;
    for (int i = 0; i <= 16; ++i) {
        const double a = M_PI * i / 16;
        rim.push_back({left + width / 2 - std::cos(a) * width / 2, top + std::sin(a) * ry});
    }
    c.polyline(std::move(rim), kSpecimen, 1);
}

// A force arrow along the vertical through x, pointing from `from` to `to`.
void arrow(Chart &c, double x, double from, double to)
{
    const double head = (to > from ? -1 : 1) * 6;
    c.line({x, from}, {x, to}, kForce, 2);
    c.polyline({{x - 4, to + head}, {x, to}, {x + 4, to + head}}, kForce, 2);
}

} // namespace

Chart unconfinedScheme(QSizeF units)
{
    Chart c;
    c.units = units;
    const double w = units.width(), h = units.height();
    const double specW = w * 0.44, specH = h * 0.36, left = (w - specW) / 2, top = h * 0.30;
    specimen(c, left, top, specW, specH);
    // The press plates, wider than the specimen: nothing holds its sides.
    c.line({w * 0.14, top - 2}, {w * 0.86, top - 2}, kSteel, 4);
    c.line({w * 0.14, top + specH + 2}, {w * 0.86, top + specH + 2}, kSteel, 4);
    arrow(c, w / 2, h * 0.04, top - 5);
    arrow(c, w / 2, h * 0.96, top + specH + 5);
    return c;
}

Chart closedDieScheme(QSizeF units)
{
    Chart c;
    c.units = units;
    const double w = units.width(), h = units.height();
    const double specW = w * 0.44, specH = h * 0.30, left = (w - specW) / 2, top = h * 0.40;
    const double wall = 5, bottom = top + specH;
    specimen(c, left, top, specW, specH);
    // The die: walls close around the specimen and a base under it.
    c.polyline({{left - wall / 2 - 1, h * 0.22}, {left - wall / 2 - 1, bottom + wall / 2 + 1},
                {left + specW + wall / 2 + 1, bottom + wall / 2 + 1}, {left + specW + wall / 2 + 1, h * 0.22}},
               kSteel, wall);
    // The plunger inside the die, on the specimen.
    c.line({left + 2, top - 3}, {left + specW - 2, top - 3}, kSteel, 4);
    c.line({w / 2, top - 5}, {w / 2, h * 0.24}, kSteel, 4);
    arrow(c, w / 2, h * 0.02, h * 0.22);
    arrow(c, w / 2, h * 0.98, bottom + wall + 3);
    return c;
}

} // namespace lab
