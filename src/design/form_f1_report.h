#pragma once
// The recipe form "Ф.1": the project composition of a mix and its recipe in percent by mass,
// one page per copy (approval block, title, grading chart, materials, designed grading against
// the band, recipe, footer). OTZET1REZEPT prints it for the design in hand, one copy per
// approval record; DUBLOTZET1REZEPT for a stored recipe, one copy per recipe with its number.
// The procedures that run them are in form_f1_window.
#include "data/records.h"
#include "design/recipe_report_values.h"
#include "framework/report_engine.h"

#include <memory>

namespace form_f1_report {

// What every copy prints of the design, taken once when the report opens.
struct FormValues {
    bool numbered = false; // DUBLOTZET1REZEPT: the title carries the recipe number
    REAL NUMMER = 0;
    QString TYP;
    std::array<QString, 6> DIMNAME;
    design::Grading PROEKT{};
    sieves::Band ZRN{};
    REAL JBITGL = 0;
    design::Grading DMM{};
    QString MARKABIT;
    QString DOB_KA;
    design::RecipePercentages recipe;
    design::RecipeTextCells cells;
    LONG DATA = 0;
    // The 5..95 % envelope of the blend under the materials' scatter, drawn when the grading
    // window's box is ticked (the design in hand only: a stored recipe keeps no scatter).
    bool envelope = false;
    design::Grading low{}, high{};
    REAL reliability = 0;
};

// The values of the design in the globals, dated today.
FormValues valuesOfDesign(bool numbered);

// One copy of the form: the values, the approval record and the additive's use text (DOB:KUDA).
ReportBand copy(const FormValues &values, const NastrojkRecord &approval, const QString &additiveUse);

// The chart's units: one report unit is a millimetre; pen widths count tenths of a millimetre.
inline constexpr double kChartUnitMm = 1.0;
inline constexpr double kPenUnitMm = 0.1;

// "Проектный состав и рецепт (форма Ф.1)": the document's title.
QString title();
// A4 upright, one copy a page, no page header or footer.
ReportDocument::Layout layout();

// The lookups before each copy: the approval record keyed OBEKT into NAS (when there is none,
// NAS keeps what it holds) and the use text of the additive named DOB_KA (blank when there is
// no such additive). Opens NASTROJK and DOBAWKA for the time of the lookup.
QString lookUpApprovalAndAdditive();

// OTZET1REZEPT: every NASTROJK record in physical order, one copy each.
ReportRun::Definition runOverApprovals();
// DUBLOTZET1REZEPT: every PODBOR record in physical order whose number is `number`.
ReportRun::Definition runOverRecipes(REAL number);

} // namespace form_f1_report
