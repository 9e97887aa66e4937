#include "catalogues/foreign_grading.h"

#include <QTest>

using namespace foreign_grading;


namespace {
// Round-hole norm: 20 mm 95-100 %, 10 mm 60-80 %, 5 mm 40-60 %, the other rows empty.
ForeignRows threeRows()
{
    ForeignRows r {};
    r[0] = {20, 95, 100};
    r[1] = {10, 60, 80};
    r[2] = {5, 40, 60};
    return r;
}

void compareLimits(const Band &band, int sieve, REAL lo, REAL hi)
{
    QVERIFY2(qAbs(band[sieve][0] - lo) < 1e-9 && qAbs(band[sieve][1] - hi) < 1e-9,
             qPrintable(QStringLiteral("sieve %1: %2-%3 instead of %4-%5")
                            .arg(sieve + 1).arg(band[sieve][0]).arg(band[sieve][1]).arg(lo).arg(hi)));
}
} // namespace

class TestForeignGrading : public QObject {
    Q_OBJECT
private slots:
    // Square 20; square 2 and 2.1 stay (2.3729 and 2.49919 below 2.5); square 2.2 converts;
    // round stays; no shape gives 0.
    void roundHoleSize()
    {
        for (auto [size, shape, expected] : {std::tuple{20.0, HoleShape::Square, 25.1051}, {2.0, HoleShape::Square, 2.0},
                                             {2.1, HoleShape::Square, 2.1}, {2.2, HoleShape::Square, 2.62548},
                                             {1.9, HoleShape::Round, 1.9}, {5.0, HoleShape::None, 0.0}})
            QVERIFY2(qAbs(foreign_grading::roundHoleSize(size, shape) - expected) < 1e-12, qPrintable(QString::number(size)));
    }
    void holeShapeFromStoredText()
    {
        QCOMPARE(holeShapeFromText(QStringLiteral("Квадратные")), HoleShape::Square);
        QCOMPARE(holeShapeFromText(QStringLiteral("Круглые   ")), HoleShape::Round);
        QCOMPARE(holeShapeFromText(QString()), HoleShape::None);
    }

    void roundHolesInterpolateOnTransformedScale()
    {
        const Band b = reduceToStandardSieves(threeRows(), HoleShape::Round);
        compareLimits(b, 0, 100, 100);                           // 40 mm: larger than every foreign sieve
        compareLimits(b, 1, 95, 100);                            // 20 mm: the first row itself
        compareLimits(b, 2, 78.49328386841871, 90.56759078195356); // 15 mm between 20 and 10
        compareLimits(b, 3, 60, 80);                             // 10 mm meets row 2 exactly
        compareLimits(b, 4, 40, 60);
        // Finer than the last row: towards 0 % at size 0, in proportion to d^(2/3).
        compareLimits(b, 5, 25.19842099789746, 37.79763149684619);
        QVERIFY(qAbs(b[10][0] - 2.3455906453447244) < 1e-9);
    }

    void squareHolesShiftTheRows()
    {
        const Band b = reduceToStandardSieves(threeRows(), HoleShape::Square);
        compareLimits(b, 1, 81.78970722378895, 92.45126127073654); // 20 mm now between 25.1 and 12.5
        compareLimits(b, 0, 100, 100);

        ForeignRows fine {};
        fine[0] = {4, 90, 100}; // 4.8987 mm round
        fine[1] = {2, 30, 40};  // stays 2 mm
        compareLimits(reduceToStandardSieves(fine, HoleShape::Square), 5, 41.77873454023055, 51.77873454023055);
    }

    void guardedCases()
    {
        // No hole shape: every size is 0, so every standard sieve passes 100.
        const Band none = reduceToStandardSieves(threeRows(), HoleShape::None);
        for (int j = 0; j < 11; ++j)
            compareLimits(none, j, 100, 100);

        // Twelve rows, all coarser than 0.071 mm: extrapolated towards 0 as if an empty row followed.
        ForeignRows full {};
        const REAL sizes[12] {40, 31.5, 25, 20, 16, 12.5, 10, 8, 6.3, 4, 2, 1};
        for (int i = 0; i < 12; ++i)
            full[i] = {sizes[i], 100.0 - 8 * i, 100.0 - 7.5 * i};
        const Band b = reduceToStandardSieves(full, HoleShape::Round);
        compareLimits(b, 10, 12 * std::pow(0.071, 2.0 / 3), 17.5 * std::pow(0.071, 2.0 / 3));

        // A negative or NaN size is treated as an empty row: no NaN reaches the band.
        ForeignRows odd = threeRows();
        odd[1][0] = -10;
        odd[2][0] = std::nan("");
        for (const auto &limits : reduceToStandardSieves(odd, HoleShape::Square))
            QVERIFY(std::isfinite(limits[0]) && std::isfinite(limits[1]));
    }
};

QTEST_GUILESS_MAIN(TestForeignGrading)
#include "tst_foreign_grading.moc"
