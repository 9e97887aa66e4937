#include "catalogues/foreign_grading.h"

#include <cmath>

namespace foreign_grading {

HoleShape holeShapeFromText(const QString &otw)
{
    const QString t = otw.trimmed();
    if (t == QStringLiteral("Квадратные"))
        return HoleShape::Square;
    if (t == QStringLiteral("Круглые"))
        return HoleShape::Round;
    return HoleShape::None;
}

REAL roundHoleSize(REAL size, HoleShape shape)
{
    switch (shape) {
    case HoleShape::Square: {
        const REAL s = 1.2629 * size - 0.1529;
        return s < 2.5 ? size : s;
    }
    case HoleShape::Round: return size;
    case HoleShape::None: break;
    }
    return 0;
}

REAL transformedSize(REAL d)
{
    // A size of 0 or less (an empty row, or a nonsense entry) sits at the origin of the scale
    // instead of giving NaN.
    return d > 0 ? std::pow(d, 2.0 / 3.0) : 0;
}

Band reduceToStandardSieves(const ForeignRows &rows, HoleShape shape)
{
    // Transformed sizes of the foreign rows, plus an implicit empty row after the twelfth:
    // when every entered row is coarser than a standard sieve, that sieve is extrapolated
    // towards 0 % at size 0, exactly as an empty thirteenth row would do.
    std::array<REAL, 13> a {};
    std::array<REAL, 13> lo {};
    std::array<REAL, 13> hi {};
    for (int i = 0; i < 12; ++i) {
        a[i] = transformedSize(roundHoleSize(rows[i][0], shape));
        lo[i] = rows[i][1];
        hi[i] = rows[i][2];
    }

    Band band {};
    for (int j = 0; j < 11; ++j) {
        const REAL x = transformedSize(sieves::SIZES[j]);
        int i = 0;
        while (a[i] > x) // terminates: a[12] == 0 < x
            ++i;
        if (i == 0) {
            // The largest foreign sieve equals the standard one: its limits; smaller: everything passes.
            band[j] = a[0] == x ? std::array<REAL, 2> {lo[0], hi[0]} : std::array<REAL, 2> {100, 100};
            continue;
        }
        // a[i-1] > x >= a[i], so the divisor is positive.
        band[j][0] = lo[i] + (lo[i - 1] - lo[i]) * (x - a[i]) / (a[i - 1] - a[i]);
        band[j][1] = hi[i] + (hi[i - 1] - hi[i]) * (x - a[i]) / (a[i - 1] - a[i]);
    }
    return band;
}

} // namespace foreign_grading
