#include "catalogues/grading.h"

#include <QTest>

using grading::AggregateKind;
using grading::Grading;
using grading::SieveAnalysis;

Q_DECLARE_METATYPE(AggregateKind)
Q_DECLARE_METATYPE(Grading)
Q_DECLARE_METATYPE(SieveAnalysis)

namespace {
SieveAnalysis analysis(REAL mass, std::array<REAL, 11> residues, REAL pan)
{
    SieveAnalysis a;
    a.MNAWESK = mass;
    a.DIMZASTN = residues;
    a.MPODDON = pan;
    return a;
}

const std::array<REAL, 11> stoneResidues {0, 50, 100, 150, 200, 150, 100, 80, 70, 50, 30};
const Grading stored {100, 96, 88, 71, 52, 36, 26, 18, 11, 6, 3};

void compareGradings(const Grading &actual, const Grading &expected)
{
    for (int i = 0; i < 11; ++i)
        QVERIFY2(qAbs(actual[i] - expected[i]) < 1e-9,
                 qPrintable(QStringLiteral("sieve %1: %2 instead of %3").arg(i + 1).arg(actual[i]).arg(expected[i])));
}
} // namespace

class TestGrading : public QObject {
    Q_OBJECT
private slots:
    void passingFromResidues_data()
    {
        QTest::addColumn<AggregateKind>("kind");
        QTest::addColumn<SieveAnalysis>("input");
        QTest::addColumn<Grading>("previous");
        QTest::addColumn<Grading>("expected");

        QTest::newRow("crushed stone, 1000 g") << AggregateKind::CrushedStone << analysis(1000, stoneResidues, 20)
                                               << stored << Grading {100, 95, 85, 70, 50, 35, 25, 17, 10, 5, 2};
        const REAL k = 100.0 / 1010;
        QTest::newRow("crushed stone, 1010 g")
            << AggregateKind::CrushedStone << analysis(1010, stoneResidues, 20) << stored
            << Grading {100, 100 - 50 * k, 100 - 150 * k, 100 - 300 * k, 100 - 500 * k, 100 - 650 * k,
                        100 - 750 * k, 100 - 830 * k, 100 - 900 * k, 100 - 950 * k, 100 - 980 * k};
        // The mineral powder form leaves 40 and 20 mm as they were (100 once the name was accepted).
        QTest::newRow("mineral powder, residues in %")
            << AggregateKind::MineralPowder << analysis(100, {0, 0, 0, 0, 0, 0, 0, 2, 5, 8, 10}, 0)
            << Grading {100, 100, 100, 100, 100, 100, 100, 0, 0, 0, 0}
            << Grading {100, 100, 100, 100, 100, 100, 100, 98, 93, 85, 75};
        QTest::newRow("natural sand keeps 40 and 20 mm")
            << AggregateKind::NaturalSand << analysis(500, {0, 0, 0, 25, 50, 50, 100, 100, 100, 50, 15}, 10)
            << Grading {77, 66, 0, 0, 0, 0, 0, 0, 0, 0, 0}
            << Grading {77, 66, 100, 95, 85, 75, 55, 35, 15, 5, 2};
        QTest::newRow("no sample mass keeps the grading")
            << AggregateKind::CrushedStone << analysis(0, stoneResidues, 20) << stored << stored;
        QTest::newRow("residues over the sample go negative")
            << AggregateKind::Screenings << analysis(100, {0, 0, 0, 60, 60, 0, 0, 0, 0, 0, 0}, 0) << stored
            << Grading {100, 96, 100, 40, -20, -20, -20, -20, -20, -20, -20};
    }
    void passingFromResidues()
    {
        QFETCH(AggregateKind, kind);
        QFETCH(SieveAnalysis, input);
        QFETCH(Grading, previous);
        QFETCH(Grading, expected);
        compareGradings(grading::passingFromResidues(kind, input, previous), expected);
    }

    // Balanced; 10 g lost; more on the sieves than weighed; no sample mass.
    void discrepancy()
    {
        for (auto [mass, expected] : {std::pair{1000.0, 0.0}, {1010.0, 100.0 / 101}, {900.0, -100.0 / 9}, {0.0, 0.0}}) {
            const REAL d = grading::discrepancy(analysis(mass, stoneResidues, 20));
            QVERIFY2(qAbs(d - expected) < 1e-9, qPrintable(QString::number(d)));
        }
    }

    void coarseSievesOfFinerMaterials()
    {
        const Grading given {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        QCOMPARE(grading::setCoarseSievesTo100(AggregateKind::NaturalSand, given), (Grading {100, 100, 100, 100, 5, 6, 7, 8, 9, 10, 11}));
        QCOMPARE(grading::setCoarseSievesTo100(AggregateKind::Screenings, given), (Grading {100, 100, 100, 4, 5, 6, 7, 8, 9, 10, 11}));
        QCOMPARE(grading::setCoarseSievesTo100(AggregateKind::MineralPowder, given),
                 (Grading {100, 100, 100, 100, 100, 100, 100, 8, 9, 10, 11}));
        QCOMPARE(grading::setCoarseSievesTo100(AggregateKind::CrushedStone, given), given);
    }
};

QTEST_GUILESS_MAIN(TestGrading)
#include "tst_grading.moc"
