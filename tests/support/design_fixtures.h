#pragma once
// For the design calculations: comparison with figures worked out by hand, and the component
// tables and previous state the share searches start from.
#include "design/bitumen.h"
#include "design/blend.h"

#include <QStringList>
#include <QTest>
#include <cmath>

// Equal within `tol`, both finite.
#define QCOMPARE_NEAR(actual, expected, tol)                                                          \
    do {                                                                                              \
        const double a_ = (actual), e_ = (expected);                                                  \
        QVERIFY2(std::isfinite(a_) && std::fabs(a_ - e_) <= (tol),                                    \
                 qPrintable(QStringLiteral("%1: %2, expected %3").arg(#actual).arg(a_, 0, 'g', 15).arg(e_, 0, 'g', 15))); \
    } while (false)

// The figure as a display picture with one decimal (n5.1) shows it.
inline QString oneDecimal(double v) { return QString::number(v, 'f', 1); }

namespace fixtures {

// Components given as gradings, one column each.
inline blend::ComponentGradings columns(std::initializer_list<blend::Grading> gradings)
{
    blend::ComponentGradings d {};
    int k = 0;
    for (const blend::Grading &g : gradings) {
        for (int i = 0; i < 11; ++i)
            d[i][k] = g[i];
        ++k;
    }
    return d;
}

inline blend::Grading flat(REAL v)
{
    blend::Grading g;
    g.fill(v);
    return g;
}

inline QString describe(const blend::BlendState &s)
{
    QStringList j;
    for (REAL v : s.J)
        j << QString::number(v);
    return QStringLiteral("J=%1 OTKL=%2").arg(j.join(QLatin1Char(' '))).arg(s.OTKL, 0, 'g', 17);
}

// Equal to the last bit: a fast search must decide exactly as the plain enumeration.
inline bool identical(const blend::BlendState &a, const blend::BlendState &b)
{
    return a.J == b.J && a.OTKL == b.OTKL && a.PROEKT == b.PROEKT;
}

// A stone-mastic blend as the grading step leaves it: P11 = 13, its fines all mineral powder of
// density 2.8.
inline design::BitumenInput stoneMasticInput(const QString &typ)
{
    design::BitumenInput in;
    in.PROEKT = {100, 100, 95, 80, 55, 40, 30, 24, 19, 16, 13};
    in.YMINER = 2.7;
    in.DIMJKOMP = {50, 37, 13, 0, 0, 0};
    in.ISTDIMYKOMP = {2.65, 2.62, 2.8, 0, 0, 0};
    in.DIMKOMP[10] = {0, 0, 100, 0, 0, 0};
    in.TYP = typ;
    return in;
}

inline const blend::BlendState previousState {{1, 2, 3, 4, 5, 6}, flat(7), 7.5};

} // namespace fixtures
