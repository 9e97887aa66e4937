#include "journals/shear_check.h"

#include <QTest>
#include <cmath>

using namespace lab;

namespace {

OperatingConditions conditions(double TMIN, double TMAX, double KKOL, double T1, double IN_DV)
{
    OperatingConditions c = operatingPresets();
    c.TMIN = TMIN;
    c.TMAX = TMAX;
    c.KKOL = KKOL;
    c.T1 = T1;
    c.IN_DV = IN_DV;
    return c;
}

bool near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

QString show(double v) { return QString::number(v, 'g', 17); }

} // namespace

struct RaszetRow {
    double TMIN; double TMAX; double KKOL; double T1; double IN_DV; double TGFI; double C50; double MPL;
    double UPL; double TAUMAX; double S2; double INT; double GAMMA; double TSUMMA; QString verdict;
};

struct GuardRow {
    double TMIN; double TMAX; double IN_DV; double TGFI; double C50; double MPL; double UPL; double TSUMMA;
};

class TestShearCheck : public QObject {
    Q_OBJECT
private slots:
    // Category 1 (220 x 0.01 / 0.333 worked by hand to 16 digits); 5 very heavy is constrained;
    // outside the group the typed intensity stays.
    void trafficCategoryPresets()
    {
        const QString normal = QStringLiteral("Нормальные"), constrained = QStringLiteral("Стесненные");
        for (auto [category, IN_DV, US_DV, T1, KKOL] : {std::tuple{1, 6.606606606606607, normal, 0.1, 0.8},
                                                        {5, 220.0, constrained, 0.792, 1.0}, {9, 99.0, normal, 0.1, 0.8}}) {
            OperatingConditions c = operatingPresets();
            c.IN_DV = 99; // typed by the user before choosing the category
            acceptTrafficCategory(c, ULONG(category));
            QCOMPARE(c.KAT_DV, ULONG(category));
            QVERIFY2(near(c.IN_DV, IN_DV, 1e-13), qPrintable(show(c.IN_DV)));
            QCOMPARE(c.US_DV, US_DV);
            QCOMPARE(c.T1, T1);
            QCOMPARE(c.KKOL, KKOL);
        }
    }

    void constrainedTrafficStaysUntilChangedByHand()
    {
        OperatingConditions c = operatingPresets();
        acceptTrafficCategory(c, 5);
        acceptTrafficCategory(c, 4);
        QCOMPARE(c.US_DV, QStringLiteral("Стесненные"));
        QCOMPARE(c.T1, 0.792);
        QCOMPARE(c.KKOL, 1.0);
        c.US_DV = QStringLiteral("Нормальные      "); // as read back from the padded field
        applyTrafficConditions(c);
        QCOMPARE(c.T1, 0.1);
        QCOMPARE(c.KKOL, 0.8);
    }

    void raszet()
    {
        // The worked example; the flat branch of TAUMAX with constrained traffic, S2 = (0.26 / 0.25)^4;
        // no activation energy: every exponential is 1 and INT is the sum of the trapezoid's
        // ordinates, which with unit steps over whole ramps equals its area, 1.
        const RaszetRow rows[] = {
            {-30.0, 35.0, 0.8, 0.1, 220.0, 0.85, 0.3, 0.2, 60.0, 0.7375, 0.024180654296875,
                0.2310856296343207, 0.5263223682748068, 42.82666666666667, QStringLiteral("не сдвигоустойчив")},
            {-20.0, 30.0, 1.0, 0.792, 220.0, 0.7, 0.25, 0.25, 50.0, 0.75, 1.16985856,
                0.1913478433683534, 3.124673504569645, 423.984, QStringLiteral("не сдвигоустойчив")},
            {-30.0, 35.0, 0.8, 0.1, 220.0, 0.85, 0.3, 0.2, 0.0, 0.7375, 0.024180654296875, 1.0,
                1.1625494291330616, 42.82666666666667, QStringLiteral("не сдвигоустойчив")},
        };
        for (const RaszetRow &row : rows) {
            auto [TMIN, TMAX, KKOL, T1, IN_DV, TGFI, C50, MPL, UPL, TAUMAX, S2, INT, GAMMA, TSUMMA, verdict] = row;
            const ShearResult r = RASZET(conditions(TMIN, TMAX, KKOL, T1, IN_DV), {TGFI, C50, MPL, UPL});
            QVERIFY(r.gammaComputed);
            QVERIFY2(near(r.TAUMAX, TAUMAX, 1e-12), qPrintable(show(r.TAUMAX)));
            QVERIFY2(near(r.S2, S2, 1e-9 * S2), qPrintable(show(r.S2)));
            QVERIFY2(near(r.INT, INT, 1e-9), qPrintable(show(r.INT)));
            QVERIFY2(near(r.GAMMA, GAMMA, 1e-6), qPrintable(show(r.GAMMA)));
            QVERIFY2(near(r.TSUMMA, TSUMMA, 1e-9), qPrintable(show(r.TSUMMA)));
            QCOMPARE(shearVerdict(r.GAMMA), verdict);
        }
    }

    // The example's design temperatures; the limiting shear resistance where the sloped branch
    // meets the flat one (tg F 0.8) and on the flat one (1.0).
    void designTemperaturesAndLimitingResistance()
    {
        const ShearResult r = RASZET(conditions(-30, 35, 0.8, 0.1, 220), {0.85, 0.3, 0.2, 60});
        QVERIFY(near(r.TMINP, -24.07, 1e-12));
        QVERIFY(near(r.TMAXP, 56.7635, 1e-12));
        for (auto [TGFI, TAUMAX] : {std::pair{0.8, 0.75}, {1.0, 0.7}}) {
            const ShearResult l = RASZET(conditions(-30, 35, 0.8, 0.1, 220), {TGFI, 0.3, 0.2, 60});
            QVERIFY2(near(l.TAUMAX, TAUMAX, 1e-12), qPrintable(show(l.TAUMAX)));
        }
    }
    // Outside the calculation's domain nothing crashes, nothing is NaN, and GAMMA 0 never
    // claims resistance.
    void guardedInputs()
    {
        const GuardRow rows[] = {
            {-30.0, 35.0, 0.0, 0.85, 0.3, 0.2, 60.0, 0.0}, // zero intensity: zero loading time
            {0.0, 0.0, 220.0, 0.85, 0.3, 0.2, 60.0, 42.82666666666667}, // no region chosen: no temperature spread
            {-30.0, 35.0, 220.0, 0.0, 0.0, 0.0, 0.0, 42.82666666666667}, // record never computed
            {-30.0, 35.0, 220.0, 0.85, 0.3, 0.0, 60.0, 42.82666666666667}, // rate exponent 0
            {-30.0, 35.0, 220.0, 1.0, 0.3, 0.2, 60.0, 42.82666666666667}, // friction 1: no shear reserve
            {-400.0, 35.0, 220.0, 0.85, 0.3, 0.2, 60.0, 42.82666666666667}, // below absolute zero
            {-30.0, 35.0, 220.0, 0.85, 0.3, 0.2, 1e6, 42.82666666666667}, // exponent overflows
            {std::nan(""), 35.0, 220.0, 0.85, 0.3, 0.2, 60.0, 42.82666666666667}, // not a number
        };
        for (const GuardRow &row : rows) {
            auto [TMIN, TMAX, IN_DV, TGFI, C50, MPL, UPL, TSUMMA] = row;
            const ShearResult r = RASZET(conditions(TMIN, TMAX, 0.8, 0.1, IN_DV), {TGFI, C50, MPL, UPL});
            QVERIFY(!r.gammaComputed);
            QCOMPARE(r.GAMMA, 0.0);
            QVERIFY(std::isfinite(r.S2) && std::isfinite(r.INT) && std::isfinite(r.TAUMAX));
            QVERIFY2(near(r.TSUMMA, TSUMMA, 1e-9), qPrintable(show(r.TSUMMA)));
            QCOMPARE(shearVerdict(r.GAMMA), QStringLiteral("не сдвигоустойчив"));
        }
    }

    void verdictBoundaries()
    {
        const QString none = QStringLiteral("не сдвигоустойчив"), limit = QStringLiteral("в предельном состоянии");
        for (auto [GAMMA, verdict] : {std::pair{-0.4999, none}, {-0.5, limit}, {-1.0, limit},
                                      {-1.0001, QStringLiteral("сдвигоустойчив")}})
            QCOMPARE(shearVerdict(GAMMA), verdict);
    }
};

QTEST_GUILESS_MAIN(TestShearCheck)
#include "tst_shear_check.moc"
