#include "design/reliability.h"
#include "support/reference_search.h"

#include <QTest>

#include <cmath>

using namespace reliability;

namespace {

Band openBand()
{
    Band b;
    b.fill({0, 100});
    return b;
}

// One component at 100 on the coarse sieves, `p` at the 5 mm sieve and 0 below.
Grading stepGrading(REAL p)
{
    Grading g {};
    for (int i = 0; i < 4; ++i)
        g[i] = 100;
    g[4] = p;
    return g;
}

Settings settingsWith(Grading sigma, std::uint64_t seed = kDefaultSeed)
{
    Settings s;
    s.defaultSigma = sigma;
    s.seed = seed;
    return s;
}

const Shares kAlone {100, 0, 0, 0, 0, 0};

} // namespace

class TestReliability : public QObject {
    Q_OBJECT
private slots:
    // Analyses that never differ: a blend inside the band is always inside, one outside never;
    // with five or more they are drawn, with fewer the grading goes unvaried (their sigma is 0).
    void noScatterIsCertain()
    {
        const blend::ComponentGradings d = reference::realisticComponents();
        const Band band = reference::realisticBand();
        for (int analyses : {6, 3}) {
            std::vector<Material> materials;
            for (int k = 0; k < 5; ++k) {
                Material m;
                for (int i = 0; i < 11; ++i)
                    m.grading[i] = d[i][k];
                m.analyses.assign(std::size_t(analyses), m.grading);
                materials.push_back(m);
            }
            const Draws draws(materials, settingsWith(standardSigma()));
            const Shares inside {40, 20, 30, 5, 5, 0}, outside {60, 20, 10, 5, 5, 0};
            QVERIFY(insideBand(blend::blendGrading(d, inside), band));
            QVERIFY(!insideBand(blend::blendGrading(d, outside), band));
            const Figures in = figures(draws, inside, band), out = figures(draws, outside, band);
            QCOMPARE(in.reliability, 100.0);
            QCOMPARE(out.reliability, 0.0);
            QCOMPARE(in.outside, Grading {});
            QCOMPARE(out.outside[4], 100.0); // 5 mm: 23.65 % passing against 40..50
            QCOMPARE(in.low, blend::blendGrading(d, inside));
            QCOMPARE(in.high, in.low);
        }
    }

    // One varying sieve with margin d to the nearer limit: the share inside is Phi(d / sigma)
    // within one percentage point, sigma given by default or from the analyses.
    void oneSieveFollowsTheNormal()
    {
        struct Row {
            REAL sigma;
            std::vector<REAL> analyses; // at 5 mm; fewer than two: the default sigma
            REAL upperMargin, lowerMargin;
        };
        const Row rows[] = {
            {2, {}, 1, 30},         // Phi(0.5)
            {3, {}, 3, 20},         // Phi(1)
            {1.5, {}, 30, 3},       // Phi(2), the lower limit nearer
            {2, {}, 0, 30},         // on the limit: one half
            {3, {47, 50, 53}, 3, 30}, // sample sigma 3: Phi(1)
        };
        for (const Row &r : rows) {
            Material m;
            m.grading = stepGrading(50);
            for (REAL a : r.analyses)
                m.analyses.push_back(stepGrading(a));
            Grading sigma {};
            sigma[4] = r.analyses.empty() ? r.sigma : 99; // the analyses' own sigma must win
            Band band = openBand();
            band[4] = {50 - r.lowerMargin, 50 + r.upperMargin};
            const Figures f = figures(Draws({m}, settingsWith(sigma)), kAlone, band);
            const REAL d = std::min(r.upperMargin, r.lowerMargin);
            const REAL expected = 100 * 0.5 * std::erfc(-d / r.sigma / std::sqrt(2.0));
            QVERIFY2(std::fabs(f.reliability - expected) <= 1.0,
                     qPrintable(QStringLiteral("sigma %1 margin %2: %3 % against %4 %")
                                    .arg(r.sigma).arg(d).arg(f.reliability).arg(expected)));
            QCOMPARE(f.outside[4], 100 - f.reliability);
            // The 5..95 % envelope: 50 -+ 1.645 sigma.
            QVERIFY(std::fabs(f.high[4] - (50 + 1.645 * r.sigma)) < 0.1 * r.sigma);
            QVERIFY(std::fabs(f.low[4] - (50 - 1.645 * r.sigma)) < 0.1 * r.sigma);
        }
    }

    void sameSeedSameFigures()
    {
        const blend::ComponentGradings d = reference::realisticComponents();
        std::vector<Material> materials(4);
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < 11; ++i)
                materials[std::size_t(k)].grading[i] = d[i][k];
        materials[0].analyses = {materials[0].grading, stepGrading(40), stepGrading(20)};
        const Shares shares {30, 20, 35, 15, 0, 0};
        const Band band = reference::realisticBand();
        auto run = [&](std::uint64_t seed) { return figures(Draws(materials, settingsWith(standardSigma(), seed)), shares, band); };
        const Figures a = run(7), b = run(7), c = run(8);
        QCOMPARE(a.reliability, b.reliability);
        QCOMPARE(a.outside, b.outside);
        QCOMPARE(a.low, b.low);
        QCOMPARE(a.high, b.high);
        QVERIFY(a.low != c.low || a.reliability != c.reliability); // the seed is used
        QCOMPARE(reliabilityOf(Draws(materials, settingsWith(standardSigma(), 7)), shares, band), a.reliability);
    }

    // Bootstrap draws are whole analyses, every one of them in turn; normal draws are gradings:
    // within 0..100 and never passing more at a finer sieve.
    void drawsAreRealGradings()
    {
        Material boot;
        for (int a = 0; a < 6; ++a)
            boot.analyses.push_back(stepGrading(40 + 2 * a));
        Material wide;
        wide.grading = {100, 99, 98, 90, 60, 50, 49, 30, 5, 1, 0.5};
        Grading sigma;
        sigma.fill(15);
        const Draws draws({boot, wide}, settingsWith(sigma));
        QCOMPARE(draws.count(), kDefaultDraws);
        std::vector<int> seen(boot.analyses.size());
        bool clampedTop = false, clampedBottom = false;
        for (int d = 0; d < draws.count(); ++d) {
            Grading b, w;
            for (int i = 0; i < 11; ++i) {
                b[i] = draws.at(d)[i][0];
                w[i] = draws.at(d)[i][1];
                QCOMPARE(draws.at(d)[i][2], 0.0); // no third component
            }
            const auto found = std::find(boot.analyses.begin(), boot.analyses.end(), b);
            QVERIFY(found != boot.analyses.end());
            ++seen[std::size_t(found - boot.analyses.begin())];
            for (int i = 0; i < 11; ++i) {
                QVERIFY(w[i] >= 0 && w[i] <= 100);
                QVERIFY(i == 0 || w[i] <= w[i - 1]);
            }
            clampedTop |= w[0] == 100;
            clampedBottom |= w[10] == 0;
        }
        for (int n : seen)
            QVERIFY(n > draws.count() / 6 - 300 && n < draws.count() / 6 + 300);
        QVERIFY(clampedTop && clampedBottom);
    }

    // Of a blend on the band's edge and one in its middle, the middle one is the most reliable.
    void mostReliablePrefersTheMiddle()
    {
        Material a, b;
        a.grading = stepGrading(60);
        b.grading = stepGrading(30);
        Grading sigma {};
        sigma[4] = 3;
        Band band = openBand();
        band[4] = {40, 50};
        std::vector<REAL> figures;
        const Draws draws({a, b}, settingsWith(sigma));
        // 5 mm: 50 (on the limit), 45 (the middle), 40 (on the other limit)
        QCOMPARE(mostReliable(draws, {{66.7, 33.3, 0, 0, 0, 0}, {50, 50, 0, 0, 0, 0}, {33.3, 66.7, 0, 0, 0, 0}}, band, &figures), 1);
        QCOMPARE(figures.size(), std::size_t(3));
        QVERIFY(figures[1] > figures[0] + 20 && figures[1] > figures[2] + 20);
        QCOMPARE(mostReliable(draws, {}, band), -1);
    }
};

QTEST_GUILESS_MAIN(TestReliability)
#include "tst_reliability.moc"
