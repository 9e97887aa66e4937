#include "design/superpave_grading.h"
#include "support/design_fixtures.h"
#include "support/reference_search.h"

#include <QTest>

using namespace superpave;


using namespace fixtures;

static const Grading stone20 {100, 90, 70, 40, 10, 5, 3, 2, 1, 1, 0.5}; // first below 85 % at 15 mm: 20 mm

class TestSuperpave : public QObject {
    Q_OBJECT
private slots:
    // Crushed stone 20 mm; exactly 85 % still passes; a powder passing 85 % everywhere; below
    // 85 % already at 40 mm.
    void maximumSize()
    {
        for (auto [component, size] : {std::pair{stone20, 20.0}, {Grading {100, 100, 85, 84.9, 10, 5, 3, 2, 1, 1, 0}, 15.0},
                                       {flat(90), 0.071}, {Grading {80, 60, 40, 20, 10, 5, 3, 2, 1, 1, 0}, 40.0}})
            QCOMPARE(superpave::maximumSize(2, columns({flat(100), component})), size);
    }

    void targetCurve()
    {
        const ComponentGradings d = columns({stone20, flat(100), flat(95)});
        const Target t = superpaveTarget(3, d);
        QVERIFY(qAbs(t.DMAX - 15.959) < 1e-12);
        QVERIFY(qAbs(t.DMM[0] - 31.793) < 1e-12);
        QCOMPARE(t.DMM[6], 1.25); // only the six largest sieves are converted
        QCOMPARE(t.SUPERPAVE[0], 100.0);
        QVERIFY(qAbs(t.SUPERPAVE[10] - 8.74407156296223) < 1e-9);
        QVERIFY(qAbs(t.SUPERPAVE[3] - 73.46175126119184) < 1e-9); // 10 mm -> 8.042 mm
    }

    void smallMaximumSizeIsNotConverted()
    {
        // Passes 85 % down to 1.25 mm: Dmax 1.25 stays, yet the six largest sieves are converted.
        const Target t = superpaveTarget(1, columns({Grading {100, 100, 100, 100, 100, 98, 90, 70, 40, 20, 10}}));
        QCOMPARE(t.DMAX, 1.25);
        QVERIFY(qAbs(t.DMM[5] - 2.10425) < 1e-12);
        QCOMPARE(t.SUPERPAVE[5], 100.0);
        QCOMPARE(t.SUPERPAVE[6], 100.0);
        QVERIFY(qAbs(t.SUPERPAVE[7] - 73.46724282887864) < 1e-9);
        // No components: Dmax 0, the target is 100 everywhere (no division by zero).
        QCOMPARE(superpaveTarget(0, ComponentGradings {}).SUPERPAVE, flat(100));
    }

    // Component 1 passes 100 and component 2 nothing, so the blend is J1 at every sieve and the
    // best J1 is the median of the target; at 40.5, 40 and 41 tie and the smaller first share wins.
    void twoComponentSearch()
    {
        for (auto [target, share1, otkl] : {std::tuple{Grading {80, 70, 60, 50, 45, 40, 35, 30, 20, 10, 5}, 40.0, 205.0},
                                            {Grading {80, 70, 60, 50, 45, 40.5, 35, 30, 20, 10, 5}, 40.0, 205.5}}) {
            const BlendState s = superpaveSearch(2, columns({flat(100), flat(0)}), target, previousState);
            QCOMPARE(s.J, (blend::Shares {share1, 100 - share1, 0, 0, 0, 0}));
            QCOMPARE(s.OTKL, otkl);
            QCOMPARE(s.PROEKT, flat(share1));
        }
    }

    void singleComponentAndNoImprovement()
    {
        const ComponentGradings d = reference::realisticComponents();
        const BlendState one = superpaveSearch(1, d, flat(50), previousState);
        QCOMPARE(one.J, (blend::Shares {100, 0, 0, 0, 0, 0}));
        QCOMPARE(one.OTKL, 7.5);
        for (int i = 0; i < 11; ++i)
            QVERIFY(qAbs(one.PROEKT[i] - d[i][0]) < 1e-12);

        const BlendState none = superpaveSearch(2, columns({flat(1e7), flat(2e7)}), flat(0), previousState);
        QCOMPARE(none.J, previousState.J);
        QCOMPARE(none.OTKL, 1000000.0);
    }

    void fastSearchEqualsPlainSearch()
    {
        for (int n = 2; n <= 6; ++n)
            compareWithPlainSearch(n, n <= 3 ? 300 : n == 4 ? 60 : n == 5 ? 4 : 1);
    }
    void compareWithPlainSearch(int n, int cases)
    {
        std::mt19937 rng(4044u + n);
        for (int c = 0; c < cases; ++c) {
            const bool whole = c % 2 == 0;
            ComponentGradings d {};
            for (int k = 0; k < n; ++k) {
                const Grading g = reference::randomGrading(rng, whole);
                for (int i = 0; i < 11; ++i)
                    d[i][k] = (k == n - 1 && c % 3 == 0) ? d[i][0] : g[i]; // repeated component: ties
            }
            const Grading target = superpaveTarget(n, d).SUPERPAVE;
            const BlendState fast = superpaveSearch(n, d, target, previousState);
            const BlendState plain = reference::superpaveSearch(n, d, target, previousState);
            QVERIFY2(identical(fast, plain),
                     qPrintable(QStringLiteral("case %1: %2, reference %3").arg(c).arg(describe(fast), describe(plain))));
        }
    }

    void realisticSixComponents()
    {
        const ComponentGradings d = reference::realisticComponents();
        const Grading target = superpaveTarget(6, d).SUPERPAVE;
        const BlendState fast = superpaveSearch(6, d, target, previousState);
        QVERIFY2(identical(fast, reference::superpaveSearch(6, d, target, previousState)), qPrintable(describe(fast)));
    }

    void balancingAndAcceptance()
    {
        const ComponentGradings d = columns({flat(100), flat(50), flat(0)});
        // From 30/30/40, component 1 goes 30 -> 40 with component 3 balancing: 40 -> 30.
        const blend::Balanced b = balanceShares({40, 30, 40, 0, 0, 0}, 3, d);
        QCOMPARE(b.J, (blend::Shares {40, 30, 30, 0, 0, 0}));
        QCOMPARE(b.PROEKT, flat(55));

        const blend::Accepted a = acceptBlend(2, {50, 50}, {2.5, 2.7}, 2);
        QVERIFY(qAbs(a.YMINER - 2.5961538461538463) < 1e-12);
        QCOMPARE(a.JMPGL, 50.0);
        QCOMPARE(acceptBlend(2, {50, 50}, {0, 2.7}, 1).YMINER, 0.0);  // zero density: no density
    }
};

QTEST_GUILESS_MAIN(TestSuperpave)
#include "tst_superpave.moc"
