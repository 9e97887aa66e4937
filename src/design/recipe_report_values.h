#pragma once
// The figures of the recipe form "Ф.1" (OTZET1REZEPT, DUBLOTZET1REZEPT): the recipe in
// percent by mass of the whole mix, the text cells of the materials table and the grading
// chart in report units.
#include "design/standard_sieves.h"

#include <QString>
#include <vector>

namespace design {

// A number as its plain decimal text with the decimal comma (no exponent, no trailing zeros,
// at most 15 significant digits) cut, not rounded, to `width` characters, without a comma left
// at its end: 33.3333 -> "33" and 95.2381 -> "95,23" for widths 3 and 5. A value that is not a
// finite number gives the blank text.
QString cutDecimalText(REAL value, int width);

// The mix type as it follows the word "типа" on paper: "тип Б" reads "Б" ("типа Б", never
// "типа тип Б"); other types ("Superpave", "ЩМА-20") as they are.
QString mixTypeName(const QString &TYP);

// The text of a share-like cell: blank (PUSTO) for 0, else cutDecimalText.
QString shareCellText(REAL value, int width);

struct RecipePercentages {
    REAL BIT = 0;      // bitumen, % of the mix
    REAL MIPOR = 0;    // mineral powder
    REAL FR20_40 = 0, FR15_20 = 0, FR10_15 = 0, FR5_10 = 0; // crushed-stone fractions
    REAL FR5_40 = 0;   // all crushed stone 5-40 mm
    REAL FR0_5 = 0;    // sand, the remainder to 100 %
};

RecipePercentages recipePercentages(const Grading &PROEKT, REAL JMPGL, REAL JBITGL);

// "% сверх 100" followed by two blanks, the 13 characters of RASMERNDOB_KI.
QString additiveUnitText();

struct RecipeTextCells {
    std::array<QString, 6> SODKOMP;                   // share, 3 characters
    std::array<QString, 6> ISTPLKOMP;                 // true density, 5 characters
    std::array<std::array<QString, 6>, 11> SOSTKOMP;  // grading [sieve][component], 5 characters
    QString SODDOB;                                   // additive content, 4 characters
    QString RASMERNDOB_KI;                            // its unit text
};

// A component whose share is 0 leaves all its cells blank; no additive content leaves the
// additive cells blank. Blank cells are empty strings (the report prints PUSTO there).
RecipeTextCells recipeTextCells(const ComponentValues &DIMJKOMP, const ComponentValues &ISTDIMYKOMP,
                                const ComponentGradings &DIMKOMP, REAL SODERZDOBAWKI);

// One stroke of the grading chart, every number already truncated to a whole report unit:
// a line from (x, y) running w to the right and h down.
struct ChartStroke {
    int x = 0, y = 0, w = 0, h = 0;
    int red = 0, green = 0, blue = 0;
    int penWidth = 1;
};

// The chart of the recipe form: the designed grading (red), the lower and the upper limits
// (blue), the frame (black) and the grid, in drawing order. ZRN[i] = {min, max}.
std::vector<ChartStroke> gradingChart(const Grading &PROEKT, const sieves::Band &ZRN);

} // namespace design
