#pragma once
// Whether a tested mix meets the requirements of the standard: each measured property against
// its limit from the conformity table. One verdict serves the test journal's column
// "Соответствие" and the marks and the closing line of the test protocol and "Форма Д-25".
#include "data/records.h"
#include "data/sieves.h"
#include "journals/conformity_limits.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace lab {

// The properties the table limits, in the order the protocols print them.
enum class Property {
    Passing20, Passing5, Passing063, Passing0071, // designed grading, % passing
    PORMINER, POROSTAT, WOD,                      // from the weighing
    R20, R50, R0, RASK, TGFI, C50, KWOD, KDLIT,   // from the test record
    Drainage,                                     // binder drainage of a stone-mastic mix
};

// Binder drainage of a stone-mastic mix: at most 0.2 %.
constexpr REAL kDrainageMax = 0.2;

// The name a verdict lists ("R50", "водонасыщение").
QString propertyName(Property p);

// What was measured: a property not measured (0, no weighing, no test) is not judged.
struct MeasuredMix {
    // Designed grading (empty sieves: not judged).
    const sieves::Grading *PROEKT = nullptr;
    REAL PLOT = 0, WOD = 0;                // the weighing
    REAL JBITGL = 0, YMINER = 0;           // of the recipe, for the porosities
    const GurRecord *test = nullptr;       // none: the mechanical properties are not judged
};

struct Verdict {
    std::vector<Property> failed; // in the protocols' order
    int judged = 0;               // properties that had both a value and a limit
    bool conforms() const { return judged > 0 && failed.empty(); }
    bool fails(Property p) const;
};

Verdict judgeMix(const ConformityLimits &limits, const MeasuredMix &mix);

// The journal's column: "да", "нет: R50, водонасыщение", or empty when nothing could be judged.
QString verdictText(const Verdict &v);
// The protocols' closing line.
QString conclusionLine(const Verdict &v);

} // namespace lab
