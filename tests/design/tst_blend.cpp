#include "design/blend.h"
#include "support/design_fixtures.h"
#include "support/reference_search.h"

#include <QTest>

using namespace blend;


namespace {
using namespace fixtures;

Band flatBand(REAL lo, REAL hi)
{
    Band b;
    b.fill({lo, hi});
    return b;
}
} // namespace

class TestBlend : public QObject {
    Q_OBJECT
private slots:
    void singleComponentTakesEverything()
    {
        const ComponentGradings d = reference::realisticComponents();
        const BlendState s = gradingSearch(1, d, reference::realisticBand(), previousState);
        QCOMPARE(s.J, (Shares {100, 0, 0, 0, 0, 0}));
        QCOMPARE(s.OTKL, 7.5); // left as it was
        for (int i = 0; i < 11; ++i)
            QCOMPARE(s.PROEKT[i], d[i][0]);
        QVERIFY(identical(gradingSearch(0, d, reference::realisticBand(), previousState), previousState));
    }

    // Component 1 passes 100 everywhere and component 2 nothing, so the blend is s1 at every
    // sieve: the middle 40 of the band, or at 40.5, 40 and 41 tie and the smaller first share wins.
    void twoComponentsSplitAtTheBandMiddle()
    {
        for (auto [upper, share1, otkl] : {std::tuple{50.0, 40.0, 0.0}, {51.0, 40.0, 10.0}}) {
            const BlendState s = gradingSearch(2, columns({flat(100), flat(0)}), flatBand(30, upper), previousState);
            QCOMPARE(s.J, (Shares {share1, 100 - share1, 0, 0, 0, 0}));
            QCOMPARE(s.OTKL, otkl);
            QCOMPARE(s.PROEKT, flat(share1));
        }
    }

    void repeatedComponentsEqualPlainSearch()
    {
        // The number of components and the columns of the realistic materials picked, repeats
        // allowed. Gradings with fractions (1.2, 0.8 ...): the trials of equal blends differ in
        // their last bits, so the rounding of each trial decides which one wins. In the last row
        // all pass 100 at 20 and 15 mm: those terms are the same in every trial.
        const std::tuple<int, QList<int>> rows[] = {
            {6, QList<int> {0, 0, 0, 0, 0, 0}}, // six identical
            {4, QList<int> {5, 1, 5, 1}}, // two pairs among four
            {5, QList<int> {1, 2, 3, 4, 1}}, // distinct, alike at the coarse sieves
        };
        for (const auto &[n, pick] : rows) {
            const ComponentGradings all = reference::realisticComponents();
            ComponentGradings d {};
            for (int k = 0; k < n; ++k)
                for (int i = 0; i < 11; ++i)
                    d[i][k] = all[i][pick[k]];
            const Band band = reference::realisticBand();
            const BlendState fast = gradingSearch(n, d, band, previousState);
            const BlendState plain = reference::gradingSearch(n, d, band, previousState);
            QVERIFY2(identical(fast, plain), qPrintable(QStringLiteral("%1, reference %2").arg(describe(fast), describe(plain))));
        }
    }

    void noTrialBelowTheStartValueKeepsTheShares()
    {
        const BlendState s = gradingSearch(3, columns({flat(1e6), flat(2e6), flat(3e6)}), flatBand(0, 0), previousState);
        QCOMPARE(s.J, previousState.J);
        QCOMPARE(s.OTKL, 1000000.0);
        QVERIFY(identical(s, reference::gradingSearch(3, columns({flat(1e6), flat(2e6), flat(3e6)}), flatBand(0, 0),
                                                      previousState)));
        // Non-finite gradings take the plain path and end the same way.
        const BlendState nan = gradingSearch(2, columns({flat(std::nan("")), flat(1)}), flatBand(0, 0), previousState);
        QCOMPARE(nan.J, previousState.J);
    }

    // Whole percentages and fractions for 2 to 5 components; six with whole percentages only (with
    // fractions: the realistic blend below). The plain enumeration of six components takes
    // seconds in a debug build.
    void fastSearchEqualsPlainSearch()
    {
        for (int n = 2; n <= 6; ++n)
            for (bool whole : {true, false})
                if (whole || n < 6)
                    compareWithPlainSearch(n, n <= 3 ? 300 : n == 4 ? 60 : n == 5 ? 4 : 1, whole);
    }
    void compareWithPlainSearch(int n, int cases, bool whole)
    {
        std::mt19937 rng(20261206u + n * 7 + whole);
        std::uniform_real_distribution<double> width(0, 12);
        for (int c = 0; c < cases; ++c) {
            ComponentGradings d {};
            for (int k = 0; k < n; ++k) {
                // Every other case repeats the first component as the last, so that whole lines of
                // trials tie; whole percentages make exact ties common anyway.
                const Grading g = reference::randomGrading(rng, whole);
                for (int i = 0; i < 11; ++i)
                    d[i][k] = (k == n - 1 && c % 2 == 0) ? d[i][0] : g[i];
            }
            Band band {};
            const Grading middle = reference::randomGrading(rng, whole);
            for (int i = 0; i < 11; ++i) {
                const REAL w = whole ? std::round(width(rng)) : width(rng);
                band[i] = {middle[i] - w, middle[i] + w};
            }
            const BlendState fast = gradingSearch(n, d, band, previousState);
            const BlendState plain = reference::gradingSearch(n, d, band, previousState);
            QVERIFY2(identical(fast, plain),
                     qPrintable(QStringLiteral("case %1: %2, reference %3").arg(c).arg(describe(fast), describe(plain))));
        }
    }

    // The ten best of the fast search are the plain loop's ten best, ties in enumeration order
    // (whole percentages and a repeated component make many), the first the search's result;
    // likewise the 300 best that "Самая надёжная" judges.
    void alternativesEqualPlainTenBest()
    {
        std::mt19937 rng(20261207u);
        const ComponentGradings realistic = reference::realisticComponents();
        for (int n = 2; n <= 6; ++n)
            for (int c = 0; c < (n <= 4 ? 12 : 2); ++c) {
                ComponentGradings d = realistic;
                if (c > 0)
                    for (int k = 0; k < n; ++k) {
                        const Grading g = reference::randomGrading(rng, c % 2 == 0);
                        for (int i = 0; i < 11; ++i)
                            d[i][k] = (k == n - 1 && c % 3 == 0) ? d[i][0] : g[i];
                    }
                const Band band = reference::realisticBand();
                const int count = c == 1 ? 300 : 10;
                const std::vector<Alternative> fast = gradingAlternatives(n, d, band, count);
                const std::vector<reference::Kept> plain = reference::gradingAlternatives(n, d, band, std::size_t(count));
                QCOMPARE(fast.size(), plain.size());
                for (std::size_t r = 0; r < fast.size(); ++r) {
                    QVERIFY2(fast[r].J == plain[r].J && fast[r].F == plain[r].F,
                             qPrintable(QStringLiteral("n %1 case %2 rank %3").arg(n).arg(c).arg(r)));
                    QCOMPARE(fast[r].insideBand, fast[r].deviation == 0);
                }
                QVERIFY(identical(gradingSearch(n, d, band, previousState),
                                  BlendState {fast[0].J, fast[0].PROEKT, fast[0].F}));
            }
    }

    void realisticSixComponentBlend()
    {
        const ComponentGradings d = reference::realisticComponents();
        const Band band = reference::realisticBand();
        const BlendState fast = gradingSearch(6, d, band, previousState);
        QVERIFY2(identical(fast, reference::gradingSearch(6, d, band, previousState)), qPrintable(describe(fast)));
        REAL sum = 0;
        for (REAL s : fast.J)
            sum += s;
        QCOMPARE(sum, 100.0);
        QVERIFY(fast.J[5] <= 30);
    }

    // Component 3 balances an edit of component 1; balancing the edited component undoes the
    // edit; a negative balance is accepted; without a balancing component a sum of 110 asks for
    // one and 100 does not. The blend follows the shares as they are.
    void balancing()
    {
        const ComponentGradings d = columns({flat(100), flat(50), flat(0)});
        for (auto [shares, optium1, expected, ask] : {std::tuple{Shares {40, 40, 30}, 3, Shares {40, 40, 20}, false},
                                                      {Shares {40, 40, 30}, 1, Shares {30, 40, 30}, false},
                                                      {Shares {60, 60, 0}, 3, Shares {60, 60, -20}, false},
                                                      {Shares {40, 40, 30}, 0, Shares {40, 40, 30}, true},
                                                      {Shares {40, 40, 20}, 0, Shares {40, 40, 20}, false}}) {
            const Balanced b = balanceShares(shares, optium1, d);
            QCOMPARE(b.J, expected);
            QCOMPARE(b.askForBalancing, ask);
            QCOMPARE(b.PROEKT, flat(expected[0] + expected[1] / 2));
        }
    }

    // Band 40..60 at every sieve: inside; 0.5 above, no message yet; 0.75 above; 3 below beats 2 above.
    void deviation()
    {
        const QString kept = QStringLiteral("прежний текст");
        for (auto [proekt, otkl, message] : {std::tuple{Grading {40, 45, 50, 55, 60, 50, 50, 50, 50, 50, 50}, 0.0, false},
                                             {Grading {50, 50, 60.5, 50, 50, 50, 50, 50, 50, 50, 50}, 0.5, false},
                                             {Grading {50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 60.75}, 0.75, true},
                                             {Grading {60, 62, 50, 37, 50, 50, 50, 50, 50, 50, 50}, 3.0, true}}) {
            const REAL d = blend::deviation(proekt, flatBand(40, 60));
            QCOMPARE(d, otkl);
            QVERIFY(!std::signbit(d));
            QCOMPARE(deviationMessage(d, kept), message ? QStringLiteral("Максимальное отклонение в % составляет") : kept);
        }
    }

    // Two components with the powder second; three, no powder; a zero density outside the blend
    // is ignored; a zero density in the blend, or all shares zero, give no density.
    void acceptance()
    {
        for (auto [n, shares, densities, nummp, yminer, jmpgl] : {std::tuple{2, Shares {50, 50}, Shares {2.5, 2.7}, 2.0, 2.5961538461538463, 50.0},
                                                                  {3, Shares {40, 35, 25}, Shares {2.65, 2.7, 2.8}, 0.0, 2.7037349438240157, 0.0},
                                                                  {2, Shares {100, 0}, Shares {2.5, 0}, 7.0, 2.5, 0.0},
                                                                  {2, Shares {60, 40}, Shares {2.5, 0}, 1.5, 0.0, 0.0},
                                                                  {3, Shares {}, Shares {2.5, 2.6, 2.7}, 3.0, 0.0, 0.0}}) {
            const Accepted a = acceptBlend(n, shares, densities, nummp);
            QVERIFY2(qAbs(a.YMINER - yminer) < 1e-12, qPrintable(QString::number(a.YMINER, 'g', 17)));
            QCOMPARE(a.JMPGL, jmpgl);
            QCOMPARE(a.DIMJKOMP, shares);
        }
    }
};

QTEST_GUILESS_MAIN(TestBlend)
#include "tst_blend.moc"
