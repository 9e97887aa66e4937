#pragma once
// The sieve analyses of a material as a laboratory keeps them in a spreadsheet, read for the list
// "Анализы": a header row naming the columns, then one analysis a row. The columns are found by
// their headers: "Дата" (dd.mm.yyyy, dd.mm.yy or yyyy-mm-dd), optionally one whose header
// begins with "Проба" or "№" (the sample number), and one per sieve headed by its size in mm
// ("40", "2,5", "0.071", "0,071 мм", or after a caption: "% зерен мельче, мм 0,63"). Fields are separated by ';' (as the list's own CSV export
// writes them), a tab, or ',' when the header holds neither; numbers take a decimal comma or point.
// Other columns are ignored, so the list's own export reads back.
#include "data/fieldtypes.h"
#include "data/sieves.h"

#include <QString>

#include <vector>

namespace analysis_sheet {

inline constexpr int kSampleLength = 12; // ANA:PROBA

struct Analysis {
    LONG date = 0;   // day number
    QString sample;  // the sample number as written
    sieves::Grading passing {};
};

struct Sheet {
    std::vector<Analysis> analyses;
    QString error; // empty when every row was read; otherwise the first fault, with its line
};

// Reads `text` for a material whose form shows the sieves `shown` (0-based indexes); those sieves
// must each have a column, the others pass 100. A passing value outside 0..100, a blank or
// unreadable date or number, a sample number longer than the field or with a character that
// Windows-1251 lacks refuses the whole sheet.
Sheet read(const QString &text, const std::vector<int> &shown);

// The mean of analyses, sieve by sieve (zeros for none).
sieves::Grading mean(const std::vector<sieves::Grading> &analyses);

} // namespace analysis_sheet
