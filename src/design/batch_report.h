#pragma once
// The mixer batch recipe as the window and the two printouts see it: the recipe figures it is
// computed from, the batch of the mixer in GRO, and the printed recipe of RPT_GROHOT (bitumen
// in 100 % of the mix) and REZCBITSWERH100 (bitumen over 100 % of the mineral part).
#include "data/records.h"
#include "design/batch.h"
#include "framework/report_engine.h"

#include <memory>

namespace design {

// What a batch recipe takes from the recipe in hand.
struct BatchRecipeSource {
    Grading PROEKT{};
    REAL JMPGL = 0, JBITGL = 0;
    std::array<FixedString<20>, 6> DIMNAME;
    FixedString<20> FILL1;
    ComponentValues DIMJKOMP{};
    ComponentGradings DIMKOMP{};
};

// From the design state (the globals).
BatchRecipeSource batchSourceOfDesign();

// The batch of `mixer` for the recipe `source`.
BatchInput batchInput(const GrohotRecord &mixer, const BatchRecipeSource &source, bool CHEKKRUP, LONG OTSOS);

// A deck opening as the batch recipe shows it: up to two decimals, none that are zeros
// ("20", "2.5", "1.25").
QString openingText(REAL opening);

// The shape symbol of a deck code in the printouts: "Ø" round, "□" square, blank otherwise.
QString printedShape(const FixedString<2> &code);

// The printed batch recipes. `variant` is RPT_GROHOT or REZCBITSWERH100.
namespace batchreport {

QString title(BatchVariant variant);
// A4 upright, no page header or footer: each mixer's recipe is a page of its own.
ReportDocument::Layout layout();
// The GROHOT records in mixer-number order whose number is MIXER.
ReportRun::Definition run();
// The recipe page of the mixer in GRO, from the recipe in the globals, the oversize removed.
ReportBand detail(BatchVariant variant);

} // namespace batchreport

} // namespace design
