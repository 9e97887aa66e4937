#include "journals/exact_decimal.h"
#include "journals/weighing.h"

#include <QTest>
#include <cmath>

using namespace lab;

namespace {

bool near(double a, double b, double tolerance = 1e-12) { return std::fabs(a - b) <= tolerance; }
QString show(double v) { return QString::number(v, 'g', 17); }

ExactDecimal dec(long long units, int places = 0) { return ExactDecimal::fromUnits(units, places); }

Mass grams(double g)
{
    Mass m;
    m.set(g);
    return m;
}

// One specimen's five weighings G0, G1, G2, G3, G4 into column `i`.
void specimen(Weighings &w, int i, double g0, double g1, double g2, double g3, double g4)
{
    w.G0[i] = grams(g0);
    w.G1[i] = grams(g1);
    w.G2[i] = grams(g2);
    w.G3[i] = grams(g3);
    w.G4[i] = grams(g4);
}

} // namespace


struct PorosityRow {
    double JBITGL; double YMINER; double PLOT; double YASF; double PMINER; double PORMINER; double POROSTAT;
};

struct WeighingRow {
    int specimens; double PLOT; double WOD; double NABUH; int outcome;
};

class TestWeighing : public QObject {
    Q_OBJECT
private slots:
    void exactDecimalArithmetic()
    {
        const std::tuple<ExactDecimal, QString> rows[] = {
            {dec(1) / dec(3), QStringLiteral("0.333333333333333333")}, // one third
            {dec(2) / dec(3), QStringLiteral("0.666666666666666667")}, // two thirds round up
            {dec(-2) / dec(3), QStringLiteral("-0.666666666666666667")}, // negative rounds away from zero
            {dec(1, 9) * dec(5, 10), QStringLiteral("0.000000000000000001")}, // product below the last place rounds
            {dec(123456789123456789, 9) * dec(987654321987654321, 9), QStringLiteral("121932631356500531.347203169112635269")}, // large product exact
            {ExactDecimal::from(grams(99999.99)), QStringLiteral("99999.990000000000000000")}, // stored mass
            {dec(1) / dec(0), QStringLiteral("invalid")}, // division by zero
            {dec(1000000000000000000) * dec(10), QStringLiteral("invalid")}, // beyond range
            {dec(9000000000000000000) + dec(9000000000000000000), QStringLiteral("invalid")}, // sum beyond range
            {dec(1, 19), QStringLiteral("invalid")}, // too many places
        };
        for (const auto &[value, text] : rows) {
            QCOMPARE(value.toString(), text);
            QCOMPARE(value.ok(), text != QStringLiteral("invalid"));
            if (!value.ok())
                QCOMPARE(value.toDouble(), 0.0);
        }
    }

    void exactDecimalToReal()
    {
        QCOMPARE((dec(1200) / dec(505)).toDouble(), 2.376237623762376);
        QCOMPARE((dec(-7, 2)).toDouble(), -0.07);
    }

    void weighingEvaluation()
    {
        // Specimen 1: 1200, 1205, 700, 1210, 705; specimen 2: 1000, 1002, 580, 1008, 584.
        const WeighingRow rows[] = {
            {1, 2.376237623762376, 1.9801980198019802, 0.0, int(WeighingOutcome::Computed)}, // one specimen
            {2, 2.372952935103937, 1.9379663084791892, 0.23696682464454974, int(WeighingOutcome::Computed)}, // two specimens
        };
        for (const WeighingRow &row : rows) {
            auto [specimens, PLOT, WOD, NABUH, outcome] = row;
            Weighings w;
            specimen(w, 0, 1200, 1205, 700, 1210, 705);
            if (specimens >= 2)
                specimen(w, 1, 1000, 1002, 580, 1008, 584);
            QCOMPARE(weighedSpecimens(w), specimens);
            const WeighingEvaluation e = evaluateWeighings(w, {9, 9, 9});
            QCOMPARE(int(e.outcome), outcome);
            QVERIFY2(near(e.results.PLOT, PLOT), qPrintable(show(e.results.PLOT)));
            QVERIFY2(near(e.results.WOD, WOD), qPrintable(show(e.results.WOD)));
            QVERIFY2(near(e.results.NABUH, NABUH), qPrintable(show(e.results.NABUH)));
        }
    }

    void specimensCountedFromTheWeighingsInWater()
    {
        Weighings w;
        specimen(w, 0, 1200, 1205, 700, 1210, 705);
        specimen(w, 1, 1000, 1002, 580, 1008, 584);
        specimen(w, 2, 1100, 1104, 0, 1110, 646); // not weighed in water: ignored
        QCOMPARE(weighedSpecimens(w), 2);

        // Specimen 3 weighed in water counts all three, even with specimen 2 missing there.
        w.G2[2] = grams(640);
        w.G2[1] = grams(0);
        QCOMPARE(weighedSpecimens(w), 3);
    }

    // A specimen without volume (wet mass = mass in water) is left out of the means: the other
    // specimen's results stand alone; with none left the previous results stay.
    void specimenWithoutVolumeLeftOut()
    {
        Weighings w;
        specimen(w, 0, 1000, 1002, 1002, 1008, 584);
        specimen(w, 1, 1200, 1205, 700, 1210, 705);
        const WeighingEvaluation e = evaluateWeighings(w, {9, 9, 9});
        QCOMPARE(e.outcome, WeighingOutcome::Computed);
        QCOMPARE(e.leftOut, 1u);
        QVERIFY(near(e.results.PLOT, 2.376237623762376));
        QVERIFY(near(e.results.WOD, 1.9801980198019802));
    }

    void swellingZeroWithoutFirstSaturatedWeighingInWater()
    {
        Weighings w;
        specimen(w, 0, 1200, 1205, 700, 1210, 0);
        specimen(w, 1, 1000, 1002, 580, 1008, 584);
        specimen(w, 2, 1100, 1104, 640, 1110, 646);
        const WeighingEvaluation e = evaluateWeighings(w, {9, 9, 9});
        QCOMPARE(e.outcome, WeighingOutcome::Computed);
        QCOMPARE(e.results.NABUH, 0.0);
        QVERIFY(e.results.PLOT > 2.3 && e.results.PLOT < 2.4);
    }

    // Previous results 2.3 / 1.5 / 0.7, specimen 1 with G0 1200, G1 1205, G3 1210: not weighed in
    // water; the same without G4 (swelling 0); wet mass equal to the mass in water.
    void resultsKeptWhenNothingCanBeComputed()
    {
        for (auto [G2, G4, NABUH, outcome] : {std::tuple{0.0, 705.0, 0.7, WeighingOutcome::NoSpecimenInWater},
                                              {0.0, 0.0, 0.0, WeighingOutcome::NoSpecimenInWater},
                                              {1205.0, 705.0, 0.7, WeighingOutcome::ZeroVolume}}) {
            Weighings w;
            specimen(w, 0, 1200, 1205, G2, 1210, G4);
            const WeighingEvaluation e = evaluateWeighings(w, {2.3, 1.5, 0.7});
            QCOMPARE(e.outcome, outcome);
            QCOMPARE(e.results.PLOT, 2.3);
            QCOMPARE(e.results.WOD, 1.5);
            QCOMPARE(e.results.NABUH, NABUH);
        }
    }

    void extremeMassesStayFinite()
    {
        Weighings w;
        specimen(w, 0, 99999.99, -99999.99, -99999.98, 99999.99, 99999.99); // volume -0.01
        const WeighingEvaluation e = evaluateWeighings(w, {});
        QCOMPARE(e.outcome, WeighingOutcome::NoSpecimenInWater); // G2 not positive
        specimen(w, 0, 99999.99, 0.02, 0.01, -99999.99, 99999.99);
        const WeighingEvaluation f = evaluateWeighings(w, {});
        QCOMPARE(f.outcome, WeighingOutcome::Computed);
        QVERIFY(near(f.results.PLOT, 9999999.0, 1e-6));
        QVERIFY(near(f.results.WOD, -1999999800.0, 1e-3));
        QVERIFY(std::isfinite(f.results.NABUH));
    }

    void porosities()
    {
        const PorosityRow rows[] = {
            {6.0, 2.7, 2.40, 2.462994836488812, 2.2641509433962264, 16.142557651991616, 2.5576519916142515}, // worked example
            {6.0, 0.0, 2.40, 0.0, 2.2641509433962264, 0.0, 0.0}, // no mineral density
            {-100.0, 2.7, 2.40, 0.0, 0.0, 0.0, 0.0}, // bitumen -100
            {6.0, 2.7, 0.0, 2.462994836488812, 0.0, 0.0, 0.0}, // no weighing: no porosities
        };
        for (const PorosityRow &row : rows) {
            auto [JBITGL, YMINER, PLOT, YASF, PMINER, PORMINER, POROSTAT] = row;
            const PorosityValues v = porosityValues(JBITGL, YMINER, PLOT);
            QVERIFY2(near(v.YASF, YASF), qPrintable(show(v.YASF)));
            QVERIFY2(near(v.PMINER, PMINER), qPrintable(show(v.PMINER)));
            QVERIFY2(near(v.PORMINER, PORMINER, 1e-11), qPrintable(show(v.PORMINER)));
            QVERIFY2(near(v.POROSTAT, POROSTAT, 1e-11), qPrintable(show(v.POROSTAT)));
        }
    }
};

QTEST_GUILESS_MAIN(TestWeighing)
#include "tst_weighing.moc"
