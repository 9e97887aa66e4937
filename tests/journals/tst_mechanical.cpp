#include "journals/mechanical.h"

#include <QTest>
#include <cmath>

using namespace lab;

namespace {

bool near(double a, double b, double tolerance = 1e-12) { return std::fabs(a - b) <= tolerance; }
QString show(double v) { return QString::number(v, 'g', 17); }

void fill(REAL (&to)[4], const QList<double> &from)
{
    for (int i = 0; i < 4; ++i)
        to[i] = i < from.size() ? from[i] : 0;
}

} // namespace

struct ShearRow {
    QList<double> US; QList<double> TS; QList<double> UM; QList<double> TM; double Q; double ACSR;
    double AMSR; double USSR; double TGFI; double C50;
};

struct RateRow {
    double USSR; double R50; double TSSR_3; double TSSR; double TGFI; double C50; double MPL;
};

class TestMechanical : public QObject {
    Q_OBJECT
private slots:
    // Small rules of the journal, each row a case: the area factors from the diameter (6 cm
    // keeps the factors), the averaging of three specimens, the mean of four deformations.
    void averagesAndFactors()
    {
        for (auto [DOBR, Q, QRAZ] : {std::tuple{5.0, 2.0, 2.5}, {6.0, 4.0, 4.9}}) {
            const AreaFactors f = areaFactors(DOBR, {4.0, 4.9});
            QCOMPARE(f.Q, Q);
            QCOMPARE(f.QRAZ, QRAZ);
        }
        // Two of three specimens; the third without the second still counts three; the first
        // missing or no factor yet keeps the result (1.23).
        for (auto [P1, P2, P3, F, result] : {std::tuple{20.0, 22.0, 0.0, 4.0, 5.25}, {20.0, 0.0, 22.0, 4.0, 3.5},
                                             {0.0, 22.0, 24.0, 4.0, 1.23}, {20.0, 22.0, 24.0, 0.0, 1.23}})
            QVERIFY2(near(averageRule(P1, P2, P3, F, 1.23), result), qPrintable(show(averageRule(P1, P2, P3, F, 1.23))));
        // Four; the fourth alone counts four; all zero becomes 4.
        QCOMPARE(meanDeformation(2, 2.5, 3, 3.5), 2.75);
        QCOMPARE(meanDeformation(0, 0, 0, 2), 0.5);
        QCOMPARE(meanDeformation(0, 0, 0, 0), 4.0);
        // Loading times at 3 mm/min: the third without the second counts three; none stays zero.
        QCOMPARE(meanLoadingTime(30, 0, 34), 64.0 / 3);
        QCOMPARE(meanLoadingTime(0, 0, 0), 0.0);
        // Water resistance; no water-saturated strength or R20 zero keeps 0.77.
        QVERIFY(near(lab::waterResistance(2.7, 3.0, 0.77), 0.9));
        QVERIFY(near(lab::waterResistance(0.0, 3.0, 0.77), 0.77));
        QVERIFY(near(lab::waterResistance(2.7, 0.0, 0.77), 0.77));
    }

    void shearSchemes()
    {
        const QList<double> none{0, 0, 0, 0};
        // previous values: USSR 0.5, TGFI 0.9, C50 0.33
        const ShearRow rows[] = {
            {QList<double>{4, 4, 4, 4}, QList<double>{2, 2, 2, 2}, QList<double>{8, 8, 8, 8},
                QList<double>{2.5, 2.5, 2.5, 2.5}, 4.0, 4.0, 10.0, 1.0, 18.0 / 22.0, (3 - 36.0 / 22.0) / 6}, // worked example
            {QList<double>{4, 4, 0, 0}, QList<double>{2, 2, 0, 0}, QList<double>{6, 8, 10, 0},
                QList<double>{2, 2, 2, 0}, 4.0, 4.0, 8.0, 1.0, 0.75, 0.25}, // three closed-die specimens
            {QList<double>{4, 4, 4, 4}, QList<double>{2, 2, 2, 2}, none, none, 4.0, 4.0, 0.0, 1.0, 0.9, 0.2}, // no closed-die readings keep the typed friction
            {none, none, QList<double>{8, 8, 8, 8}, QList<double>{2.5, 2.5, 2.5, 2.5}, 4.0, 0.0, 10.0,
                0.0, 1.0, 0.33}, // first unconfined force zero keeps the cohesion
            {QList<double>{4, 4, 4, 4}, QList<double>{2, 2, 2, 2}, QList<double>{8, 8, 8, 8},
                QList<double>{2.5, 2.5, 2.5, 2.5}, 0.0, 4.0, 10.0, 0.5, 18.0 / 22.0, (3 - 36.0 / 22.0) / 6 * 0.5}, // no diameter yet keeps the mean strength
            {QList<double>{4, 0, 0, 0}, QList<double>{3, 0, 0, 0}, QList<double>{4, 0, 0, 0},
                QList<double>{2, 0, 0, 0}, 4.0, 6.0, 4.0, 1.0, 0.9, 0.2}, // zero denominator keeps the friction
        };
        for (const ShearRow &row : rows) {
            auto [US, TS, UM, TM, Q, ACSR, AMSR, USSR, TGFI, C50] = row;
            ShearReadings r;
            fill(r.US_50, US);
            fill(r.TS_50, TS);
            fill(r.UM, UM);
            fill(r.TM, TM);
            ShearValues previous;
            previous.USSR = 0.5;
            previous.TGFI = 0.9;
            previous.C50 = 0.33;
            const ShearValues v = shearProperties(r, Q, previous);
            QVERIFY2(near(v.ACSR, ACSR), qPrintable(show(v.ACSR)));
            QVERIFY2(near(v.AMSR, AMSR), qPrintable(show(v.AMSR)));
            QVERIFY2(near(v.USSR, USSR), qPrintable(show(v.USSR)));
            QVERIFY2(near(v.TGFI, TGFI), qPrintable(show(v.TGFI)));
            QVERIFY2(near(v.C50, C50), qPrintable(show(v.C50)));
        }
    }

    void rateExponent()
    {
        // previous MPL 0.5; typed shear values give C3 = (3 - 1.5) / 6 x 0.8 = 0.2
        const RateRow rows[] = {
            {1.0, 0.9, 0.0, 4.0, 0.8, 0.2, 0.03744939017619189}, // no loading times: the rates 50 and 3
            {1.0, 0.5, 40.0, 2.5, 0.8, 0.2, 0.25}, // loading times: ln 2 / ln 16
            {0.0, 0.8, 0.0, 4.0, 0.75, 0.3, 0.14411870463588178}, // typed shear values: from the cohesions
            {1.0, 0.0, 0.0, 4.0, 0.8, 0.2, 0.5}, // R50 zero keeps
            {1.0, 0.9, 2.5, 2.5, 0.8, 0.2, 0.5}, // equal times keep
            {0.0, 0.8, 0.0, 4.0, 0.75, 0.0, 0.5}, // typed, no cohesion keeps
        };
        for (const RateRow &row : rows) {
            auto [USSR, R50, TSSR_3, TSSR, TGFI, C50, MPL] = row;
            const double m = lab::rateExponent(USSR, R50, TSSR_3, TSSR, TGFI, C50, 0.5);
            QVERIFY2(near(m, MPL, 1e-15), qPrintable(show(m)));
        }
    }

    // The worked example (previous UPL 77); equal strengths warn and give 0; R20 or MPL zero keeps.
    void activationEnergy()
    {
        const double m = 0.03744939017619189;
        for (auto [R20, R50, MPL, UPL, warned] : {std::tuple{3.0, 0.9, m, 844.0485106982685, false}, {0.9, 0.9, m, 0.0, true},
                                                  {0.0, 0.9, 0.25, 77.0, true}, {3.0, 0.9, 0.0, 77.0, false}}) {
            const double u = lab::activationEnergy(R20, R50, MPL, 77);
            QVERIFY2(near(u, UPL, 1e-9), qPrintable(show(u)));
            QCOMPARE(r20NotAboveR50(R20, R50), warned);
        }
    }
};

QTEST_GUILESS_MAIN(TestMechanical)
#include "tst_mechanical.moc"
