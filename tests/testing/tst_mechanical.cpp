#include "testing/mechanical.h"

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
Q_DECLARE_METATYPE(ShearRow)

struct RateRow {
    double USSR; double R50; double TSSR_3; double TSSR; double TGFI; double C50; double MPL;
};
Q_DECLARE_METATYPE(RateRow)

struct EnergyRow {
    double R20; double R50; double MPL; double UPL; bool warned;
};
Q_DECLARE_METATYPE(EnergyRow)

struct AverageRow {
    double P1; double P2; double P3; double F; double result;
};
Q_DECLARE_METATYPE(AverageRow)

class TestMechanical : public QObject {
    Q_OBJECT
private slots:
    void areaFactorsFromDiameter_data()
    {
        QTest::addColumn<double>("DOBR");
        QTest::addColumn<double>("Q");
        QTest::addColumn<double>("QRAZ");
        QTest::newRow("5 cm") << 5.0 << 2.0 << 2.5;
        QTest::newRow("6 cm keeps the factors") << 6.0 << 4.0 << 4.9;
    }
    void areaFactorsFromDiameter()
    {
        QFETCH(double, DOBR);
        QFETCH(double, Q);
        QFETCH(double, QRAZ);
        const AreaFactors f = areaFactors(DOBR, {4.0, 4.9});
        QCOMPARE(f.Q, Q);
        QCOMPARE(f.QRAZ, QRAZ);
    }

    void averagingRule_data()
    {
        QTest::addColumn<AverageRow>("row");
        QTest::newRow("two of three specimens at 20 C") << AverageRow{20.0, 22.0, 0.0, 4.0, 5.25};
        QTest::newRow("third without second still counts three") << AverageRow{20.0, 0.0, 22.0, 4.0, 3.5};
        QTest::newRow("first specimen missing keeps the result") << AverageRow{0.0, 22.0, 24.0, 4.0, 1.23};
        QTest::newRow("no factor yet keeps the result") << AverageRow{20.0, 22.0, 24.0, 0.0, 1.23};
    }
    void averagingRule()
    {
        QFETCH(AverageRow, row);
        auto [P1, P2, P3, F, result] = row;
        QVERIFY2(near(averageRule(P1, P2, P3, F, 1.23), result), qPrintable(show(averageRule(P1, P2, P3, F, 1.23))));
    }

    void meanDeformationOfFourSpecimens_data()
    {
        QTest::addColumn<QList<double>>("TS");
        QTest::addColumn<double>("TSSR");
        QTest::newRow("four") << QList<double>{2, 2.5, 3, 3.5} << 2.75;
        QTest::newRow("fourth alone counts four") << QList<double>{0, 0, 0, 2} << 0.5;
        QTest::newRow("all zero becomes 4") << QList<double>{0, 0, 0, 0} << 4.0;
    }
    void meanDeformationOfFourSpecimens()
    {
        QFETCH(QList<double>, TS);
        QFETCH(double, TSSR);
        QCOMPARE(meanDeformation(TS[0], TS[1], TS[2], TS[3]), TSSR);
    }

    void shearSchemes_data()
    {
        QTest::addColumn<ShearRow>("row");
        const QList<double> none{0, 0, 0, 0};
        // previous values: USSR 0.5, TGFI 0.9, C50 0.33
        QTest::newRow("worked example")
            << ShearRow{QList<double>{4, 4, 4, 4}, QList<double>{2, 2, 2, 2}, QList<double>{8, 8, 8, 8},
                QList<double>{2.5, 2.5, 2.5, 2.5}, 4.0, 4.0, 10.0, 1.0, 18.0 / 22.0, (3 - 36.0 / 22.0) / 6};
        QTest::newRow("three closed-die specimens")
            << ShearRow{QList<double>{4, 4, 0, 0}, QList<double>{2, 2, 0, 0}, QList<double>{6, 8, 10, 0},
                QList<double>{2, 2, 2, 0}, 4.0, 4.0, 8.0, 1.0, 0.75, 0.25};
        QTest::newRow("no closed-die readings keep the typed friction")
            << ShearRow{QList<double>{4, 4, 4, 4}, QList<double>{2, 2, 2, 2}, none, none, 4.0, 4.0, 0.0, 1.0, 0.9, 0.2};
        QTest::newRow("first unconfined force zero keeps the cohesion")
            << ShearRow{none, none, QList<double>{8, 8, 8, 8}, QList<double>{2.5, 2.5, 2.5, 2.5}, 4.0, 0.0, 10.0,
                0.0, 1.0, 0.33};
        QTest::newRow("no diameter yet keeps the mean strength")
            << ShearRow{QList<double>{4, 4, 4, 4}, QList<double>{2, 2, 2, 2}, QList<double>{8, 8, 8, 8},
                QList<double>{2.5, 2.5, 2.5, 2.5}, 0.0, 4.0, 10.0, 0.5, 18.0 / 22.0, (3 - 36.0 / 22.0) / 6 * 0.5};
        QTest::newRow("zero denominator keeps the friction")
            << ShearRow{QList<double>{4, 0, 0, 0}, QList<double>{3, 0, 0, 0}, QList<double>{4, 0, 0, 0},
                QList<double>{2, 0, 0, 0}, 4.0, 6.0, 4.0, 1.0, 0.9, 0.2};
    }
    void shearSchemes()
    {
        QFETCH(ShearRow, row);
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

    void meanLoadingTimeAt3mmPerMinute_data()
    {
        QTest::addColumn<QList<double>>("TS");
        QTest::addColumn<double>("TSSR_3");
        QTest::newRow("third without second counts three") << QList<double>{30, 0, 34} << 64.0 / 3;
        QTest::newRow("none stays zero") << QList<double>{0, 0, 0} << 0.0;
    }
    void meanLoadingTimeAt3mmPerMinute()
    {
        QFETCH(QList<double>, TS);
        QFETCH(double, TSSR_3);
        QCOMPARE(meanLoadingTime(TS[0], TS[1], TS[2]), TSSR_3);
    }

    void rateExponent_data()
    {
        QTest::addColumn<RateRow>("row");
        // previous MPL 0.5
        QTest::newRow("no loading times: the rates 50 and 3")
            << RateRow{1.0, 0.9, 0.0, 4.0, 0.8, 0.2, 0.03744939017619189};
        QTest::newRow("loading times: ln 2 / ln 16") << RateRow{1.0, 0.5, 40.0, 2.5, 0.8, 0.2, 0.25};
        // C3 = (3 - 1.5) / 6 x 0.8 = 0.2
        QTest::newRow("typed shear values: from the cohesions")
            << RateRow{0.0, 0.8, 0.0, 4.0, 0.75, 0.3, 0.14411870463588178};
        QTest::newRow("R50 zero keeps") << RateRow{1.0, 0.0, 0.0, 4.0, 0.8, 0.2, 0.5};
        QTest::newRow("equal times keep") << RateRow{1.0, 0.9, 2.5, 2.5, 0.8, 0.2, 0.5};
        QTest::newRow("typed, no cohesion keeps") << RateRow{0.0, 0.8, 0.0, 4.0, 0.75, 0.0, 0.5};
    }
    void rateExponent()
    {
        QFETCH(RateRow, row);
        auto [USSR, R50, TSSR_3, TSSR, TGFI, C50, MPL] = row;
        const double m = lab::rateExponent(USSR, R50, TSSR_3, TSSR, TGFI, C50, 0.5);
        QVERIFY2(near(m, MPL, 1e-15), qPrintable(show(m)));
    }

    void activationEnergy_data()
    {
        QTest::addColumn<EnergyRow>("row");
        // previous UPL 77
        QTest::newRow("worked example") << EnergyRow{3.0, 0.9, 0.03744939017619189, 844.0485106982685, false};
        QTest::newRow("equal strengths warn and give 0") << EnergyRow{0.9, 0.9, 0.03744939017619189, 0.0, true};
        QTest::newRow("R20 zero keeps") << EnergyRow{0.0, 0.9, 0.25, 77.0, true};
        QTest::newRow("MPL zero keeps") << EnergyRow{3.0, 0.9, 0.0, 77.0, false};
    }
    void activationEnergy()
    {
        QFETCH(EnergyRow, row);
        auto [R20, R50, MPL, UPL, warned] = row;
        const double u = lab::activationEnergy(R20, R50, MPL, 77);
        QVERIFY2(near(u, UPL, 1e-9), qPrintable(show(u)));
        QCOMPARE(r20NotAboveR50(R20, R50), warned);
    }

    void exampleChainFromStrengthsToActivationEnergy()
    {
        const AreaFactors f = areaFactors(7);
        const double R50 = averageRule(3.6, 0, 0, f.Q, 0); // 0.9 MPa
        const double MPL = lab::rateExponent(1.0, R50, 0, 4.0, 0.8, 0.2, 0);
        const double R20 = averageRule(12, 12, 12, f.Q, 0); // 3.0 MPa
        QVERIFY(near(lab::activationEnergy(R20, R50, MPL, 0), 844.05, 0.005));
        QCOMPARE(r50AboveR20Message(), QStringLiteral("R50 не бывает больше R20"));
    }

    void waterResistance_data()
    {
        QTest::addColumn<double>("strength");
        QTest::addColumn<double>("R20");
        QTest::addColumn<double>("K");
        QTest::newRow("short saturation") << 2.7 << 3.0 << 0.9;
        QTest::newRow("no water-saturated strength keeps") << 0.0 << 3.0 << 0.77;
        QTest::newRow("R20 zero keeps") << 2.7 << 0.0 << 0.77;
    }
    void waterResistance()
    {
        QFETCH(double, strength);
        QFETCH(double, R20);
        QFETCH(double, K);
        QVERIFY(near(lab::waterResistance(strength, R20, 0.77), K));
    }
};

QTEST_GUILESS_MAIN(TestMechanical)
#include "tst_mechanical.moc"
