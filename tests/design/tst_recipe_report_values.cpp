#include "design/recipe_report_values.h"

#include "support/design_fixtures.h"

using namespace design;

class TestRecipeReportValues : public QObject {
    Q_OBJECT
private slots:
    void recipePercentagesAsPrinted()
    {
        const Grading proekt = {100, 100, 95, 80, 55, 40, 30, 22, 15, 10, 8};
        const RecipePercentages r = design::recipePercentages(proekt, 8, 6);
        const QStringList printed = {oneDecimal(r.BIT),     oneDecimal(r.MIPOR),   oneDecimal(r.FR20_40),
                                     oneDecimal(r.FR15_20), oneDecimal(r.FR10_15), oneDecimal(r.FR5_10),
                                     oneDecimal(r.FR5_40),  oneDecimal(r.FR0_5)};
        QCOMPARE(printed, QStringList({"5.7", "7.5", "0.0", "4.7", "14.2", "23.6", "42.5", "44.3"}));
        // The column totals 100 %.
        QCOMPARE_NEAR(r.BIT + r.MIPOR + r.FR20_40 + r.FR15_20 + r.FR10_15 + r.FR5_10 + r.FR0_5, 100.0, 1e-12);
    }

    // Coarse blend 100, 80, 70, 60, 40 with 4 % powder: bitumen 25 % over 100; -100 % would divide by 0.
    void recipePercentages()
    {
        const Grading proekt = {100, 80, 70, 60, 40, 30, 20, 15, 10, 7, 5};
        for (auto [JBITGL, FR20_40, FR0_5] : {std::tuple{25.0, 16.0, 100.0 - 20 - 3.2 - 48}, {-100.0, 0.0, 100.0}}) {
            const RecipePercentages r = design::recipePercentages(proekt, 4, JBITGL);
            QCOMPARE_NEAR(r.FR20_40, FR20_40, 1e-12);
            QCOMPARE_NEAR(r.FR5_40, FR20_40 * 3, 1e-12);
            QCOMPARE_NEAR(r.FR0_5, FR0_5, 1e-12);
        }
    }

    // A share cut to 3, a grading cut to 5 (not rounded), a whole number, binary noise hidden,
    // too many digits, a tiny value without exponent, not a number.
    void cutDecimalText()
    {
        for (auto [value, width, text] : {std::tuple{33.3333, 3, "33"}, {95.2381, 5, "95,23"}, {100.0, 3, "100"},
                                          {0.1 + 0.2, 5, "0,3"}, {123456.7, 5, "12345"}, {1e-7, 5, "0,000"},
                                          {std::nan(""), 5, ""}})
            QCOMPARE(design::cutDecimalText(value, width), QLatin1String(text));
    }

    void materialsTableCells()
    {
        ComponentGradings dimkomp{};
        for (int i = 0; i < 11; ++i)
            dimkomp[i] = {100.0 - i * 9.52381, 88.8888, 0, 100, 0, 0};
        const RecipeTextCells t = recipeTextCells({33.3333, 0, 0, 66.6667, 0, 0}, {2.65, 2.7, 0, 2.8125, 0, 0},
                                                  dimkomp, 0);
        QCOMPARE(t.SODKOMP, (std::array<QString, 6>{"33", "", "", "66", "", ""}));
        QCOMPARE(t.ISTPLKOMP, (std::array<QString, 6>{"2,65", "", "", "2,812", "", ""}));
        QCOMPARE(t.SOSTKOMP[1][0], QStringLiteral("90,47"));
        QCOMPARE(t.SOSTKOMP[1][1], QString()); // share 0: blank though it has a grading
        QCOMPARE(t.SOSTKOMP[10][3], QStringLiteral("100"));
        QVERIFY(t.SODDOB.isEmpty());
        QVERIFY(t.RASMERNDOB_KI.isEmpty());

        const RecipeTextCells withAdditive = recipeTextCells({100, 0, 0, 0, 0, 0}, {}, dimkomp, 0.35);
        QCOMPARE(withAdditive.SODDOB, QStringLiteral("0,35"));
        QCOMPARE(withAdditive.RASMERNDOB_KI, QStringLiteral("% сверх 100  "));
    }

    void gradingChart()
    {
        const Grading proekt = {100, 95, 85, 70, 50, 35, 25, 18, 13, 9, 6};
        std::array<std::array<REAL, 2>, 11> zrn{};
        for (int i = 0; i < 11; ++i)
            zrn[i] = {proekt[i] - 5, proekt[i] + 5};
        zrn[1][1] = 102; // upper limit rising from 105 to 102 at 20 mm... and to 90 at 15 mm
        const std::vector<ChartStroke> s = design::gradingChart(proekt, zrn);
        QCOMPARE(s.size(), std::size_t(30 + 4 + 18));

        // Designed curve: red, width 8; the second segment starts from unrounded positions
        // x = 6 + 7.636.., y = 93 + 2.65 and falls 10 x 0.53 = 5.3.
        QCOMPARE((std::array<int, 5>{s[0].x, s[0].y, s[0].w, s[0].h, s[0].penWidth}), (std::array<int, 5>{6, 93, 7, 2, 8}));
        QCOMPARE((std::array<int, 4>{s[1].x, s[1].y, s[1].w, s[1].h}), (std::array<int, 4>{13, 95, 7, 5}));
        QCOMPARE(s[0].red, 255);
        // The last segment ends below the top by the whole fall from 100 to 6: 49.82.
        QCOMPARE(s[9].x, 74);
        QCOMPARE(s[9].y, 93 + 48);
        // Upper limit: 105 -> 102 falls 1.59, then 102 -> 90 falls 6.36; both blue, width 2.
        QCOMPARE(s[20].h, 1);
        QCOMPARE(s[21].y, 94);
        QCOMPARE(s[21].h, 6);
        QCOMPARE(s[20].penWidth, 2);

        // Frame: right edge at 6 + 76.36, bottom at 146.
        QCOMPARE((std::array<int, 4>{s[31].x, s[31].y, s[31].w, s[31].h}), (std::array<int, 4>{82, 93, 0, 53}));
        QCOMPARE((std::array<int, 4>{s[33].x, s[33].y, s[33].w, s[33].h}), (std::array<int, 4>{6, 146, 76, 0}));
    }

    void risingCurveTruncatesTowardsZero()
    {
        const Grading rising = {50, 52, 52, 52, 52, 52, 52, 52, 52, 52, 52};
        const std::vector<ChartStroke> s = design::gradingChart(rising, {});
        QCOMPARE(s[0].h, -1); // -1.06
        QCOMPARE(s[1].y, 91); // 91.94
    }
};

QTEST_GUILESS_MAIN(TestRecipeReportValues)
#include "tst_recipe_report_values.moc"
