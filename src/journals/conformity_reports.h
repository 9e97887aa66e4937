#pragma once
// The two conformity documents the laboratory signs: the test protocol PROTVSE (one page per
// test record of the recipe, measured values beside the requirements of the standard) and the
// approval form "Форма Д-25" FORMAD_25 (composition, grading, doses per mixer batch and the
// properties against the requirements). Pages, runs and the texts they print; the procedures
// that ask for the zone and grade and run them are in conformity_reports_window.
#include "framework/report_engine.h"

namespace conformity {

// A value as text of at most `width` characters with a decimal comma: rounded to `decimals`
// places, trailing zeros dropped, fewer places when the text would not fit (0.85 -> "0,85",
// 12 -> "12", 33.3333 in 3 -> "33"); '#' repeated when even the whole number does not fit.
QString shortText(REAL value, int decimals, int width);
// The same, blank when the value is not positive (a property not measured, a limit not set).
QString positiveText(REAL value, int decimals, int width);

// ---- PROTVSE: "Протокол испытания асфальтобетонной смеси" ---------------------------------

QString protvseTitle();
ReportDocument::Layout protvseLayout();
// GUR in file order, the test records of the recipe NUMMER.
ReportRun::Definition protvseRun();
// The page of the test record in GUR: reads the recipe's weighing (OBRGIDRO) and its date
// (PODBOR); limits from TYP and the zone and grade in DKZ and MARKA.
ReportBand protvsePage();

// ---- FORMAD_25: "Форма Д-25" -----------------------------------------------------------------

// The recipe in the POD buffer into the working state, as the test journal loads it, with the
// mix kind WIDAB and the grade MARKA (its first three characters).
void loadFormaD25Recipe();
QString formaD25Title();
ReportDocument::Layout formaD25Layout();
// PODBOR in file order, the record of the recipe NUMMER.
ReportRun::Definition formaD25Run();
// The page of the recipe: reads mixer 1 (GROHOT), the weighing, the newest test record, the
// additive and the approval data of the recipe's object.
ReportBand formaD25Page();

// The recipe's test record shown on the form: of the records with GUR:REZNUM = `recipe` that
// hold mechanical results, the newest by date, of equal dates the one stored last (a newer
// record without results never hides an older one with them). It is left in GUR; false when
// there is none (GUR is then blank).
bool readNewestTest(REAL recipe);

} // namespace conformity
