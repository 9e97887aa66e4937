#pragma once
// Comparison of computed REALs with figures worked out by hand.
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
