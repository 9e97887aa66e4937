#include "design/bitumen.h"

#include "support/design_fixtures.h"

#include <cmath>

using namespace design;


namespace {

const Grading FINE_BLEND = {100, 95, 85, 70, 50, 35, 25, 18, 13, 9, 6};

using fixtures::stoneMasticInput;

void verifyAllFinite(const BitumenResult &r)
{
    for (double v : {r.D1, r.D0, r.D2, r.K, r.PORM, r.V0, r.BITKIR, r.BITKOROL, r.BITSREDN, r.YMP0I071,
                     r.BIT_MIN, r.BITSMA2})
        QVERIFY(std::isfinite(v));
}

} // namespace

class TestBitumen : public QObject {
    Q_OBJECT
private slots:
    // 69.1 % between 10 and 5 mm; exactly a sieve's passing; 40 mm already below: clamped to 40;
    // every sieve passes more: clamped to 0.071.
    void sizeAtPassing()
    {
        for (auto [grading, percent, size] : {std::tuple{FINE_BLEND, 69.1, 9.775}, {FINE_BLEND, 70.0, 10.0},
                                              {Grading{60, 50, 45, 40, 30, 20, 15, 10, 8, 6, 4}, 69.1, 40.0},
                                              {Grading{100, 100, 100, 100, 100, 100, 100, 90, 80, 75, 70}, 69.1, 0.071}})
            QCOMPARE_NEAR(design::sizeAtPassing(grading, percent), size, 1e-12);
    }

    // The whole chain for an ordinary fine-grained blend, worked out step by step.
    void ordinaryBlend()
    {
        BitumenInput in;
        in.PROEKT = FINE_BLEND;
        in.YMINER = 2.7;
        in.DIMJKOMP = {60, 34, 6, 0, 0, 0};
        in.ISTDIMYKOMP = {2.65, 2.62, 2.8, 0, 0, 0};
        in.DIMKOMP[10] = {0, 0, 100, 0, 0, 0};
        in.TYP = QStringLiteral("А-15");
        const BitumenResult r = computeBitumen(in, BitumenWindow::BITUMRASZ);
        QCOMPARE_NEAR(r.D1, 9.775, 1e-12);
        QCOMPARE_NEAR(r.D0, 3.0333333333333, 1e-12);
        QCOMPARE_NEAR(r.D2, 0.72742857142857, 1e-12);
        QCOMPARE_NEAR(r.K, 0.157186457128696, 1e-12);
        QCOMPARE_NEAR(r.PORM, 18.3941414509056, 1e-10);
        QCOMPARE_NEAR(r.V0, 5.38, 1e-12);
        QCOMPARE_NEAR(r.BITKIR, 5.43968987885457, 1e-10);
        // Specific surface sum 5.005 + 0.99 = 5.995, times 2.65 / 2.7.
        QCOMPARE_NEAR(r.BITKOROL, 5.995 * 2.65 / 2.7, 1e-12);
        QCOMPARE_NEAR(r.BITSREDN, (r.BITKIR + r.BITKOROL) / 2, 1e-12);
        QCOMPARE_NEAR(r.YMP0I071, 2.8, 1e-12);
        QCOMPARE_NEAR(r.BIT_MIN, 6.1377, 1e-12);
        QVERIFY(!r.stoneMastic);
        QCOMPARE(r.BITSMA2, r.BITSREDN);
    }

    // P11 = 20: below the finest sieve; 23: a negative V0 becomes 0.1; 22.8125: V0 exactly 0
    // stays 0; 19.1: D2 by proportion.
    void residualPorosityAndFinestSize()
    {
        for (auto [P11, V0, D2] : {std::tuple{20.0, 0.9, 0.067805}, {23.0, 0.1, 1.3561 / 23}, {22.8125, 0.0, 1.3561 / 22.8125},
                                   {19.1, 7.3 - 0.32 * 19.1, 0.071}}) {
            BitumenInput in;
            in.PROEKT = {100, 98, 95, 90, 80, 65, 50, 40, 30, 25, P11};
            in.YMINER = 2.7;
            const BitumenResult r = computeBitumen(in, BitumenWindow::BITUMRASZ);
            QCOMPARE_NEAR(r.V0, V0, 1e-12);
            QCOMPARE_NEAR(r.D2, D2, 1e-15);
        }
    }

    // ЩМА-15 floored, also padded to 12; no floor when a recipe is changed; ЩМА-10 above the
    // floor; lower case is no stone-mastic type.
    void stoneMasticContent()
    {
        const double floor = 11.67 - 2.049 * 2.7;
        const double sma15 = 6.07888173888174; // (2600 - 1253.5714...) / 199.8 - 0.66
        const auto R = BitumenWindow::BITUMRASZ;
        for (auto [typ, window, stoneMastic, BITSMA2] : {std::tuple{u"ЩМА-15", R, true, floor}, {u"ЩМА-15      ", R, true, floor},
                                                         {u"ЩМА-15", BitumenWindow::BITUMIZMENEN, true, sma15},
                                                         {u"ЩМА-10", R, true, 7.23855185909981}, {u"щма-15", R, false, 6.53789737427543}}) {
            const BitumenResult r = computeBitumen(stoneMasticInput(QString::fromUtf16(typ)), window);
            QCOMPARE(r.stoneMastic, stoneMastic);
            QCOMPARE_NEAR(r.YMP0I071, 2.8, 1e-12);
            QCOMPARE_NEAR(r.BITSMA2, BITSMA2, 1e-10);
        }
    }

    // Unusable gradings and densities give defined, finite figures.
    void guardedDivisions()
    {
        // Every sieve below 38.2 %: D1 = D0 = D2 = 40 mm, no fines, no density.
        BitumenInput flat;
        flat.PROEKT = {10, 8, 6, 5, 4, 3, 2, 1.5, 1, 0.5, 0};
        flat.TYP = QStringLiteral("ЩМА-15");
        BitumenResult r = computeBitumen(flat, BitumenWindow::BITUMRASZ);
        verifyAllFinite(r);
        QCOMPARE(r.D0, 40.0);
        QCOMPARE(r.D2, 40.0);
        QCOMPARE(r.K, 0.0);
        QCOMPARE(r.YMP0I071, 0.0);
        QCOMPARE(r.BITKOROL, 0.0);
        QCOMPARE_NEAR(r.BITSMA2, 11.67, 1e-12); // -(4.04 - 0) lies under the floor

        // A usable grading with the true density still 0.
        BitumenInput noDensity = stoneMasticInput(QStringLiteral("ЩМА-15"));
        noDensity.YMINER = 0;
        r = computeBitumen(noDensity, BitumenWindow::BITUMIZMENEN);
        verifyAllFinite(r);
        QCOMPARE(r.BITKOROL, 0.0);

        // What a content field shows: the content, out of range too, or 0 where there is none.
        QCOMPARE(shownContent(5.8, 2.6), 5.8);
        QCOMPARE(shownContent(5.8, 0), 0.0);
        QCOMPARE(shownContent(std::nan(""), 2.6), 0.0);
        QCOMPARE(shownContent(-0.4, 2.6), -0.4);
    }

    // By porosity, mean or stone-mastic, by experience; no choice keeps the content.
    void chosenBitumen()
    {
        const BitumenChoices values{5.1, 5.9, 5.5, 7.0};
        for (auto [OPTIM2, JBITGL] : {std::pair{1, 5.1}, {3, 5.5}, {4, 7.0}, {0, 6.3}})
            QCOMPARE(design::chosenBitumen(static_cast<BYTE>(OPTIM2), values, 6.3), JBITGL);
    }
};

QTEST_GUILESS_MAIN(TestBitumen)
#include "tst_bitumen.moc"
