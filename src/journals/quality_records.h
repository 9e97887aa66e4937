#pragma once
// What the quality views read from the files: a recipe with its weighing, the verdict of a test
// record, and the history of one property of a recipe's tests for its control chart. Reading
// leaves the shared record buffers of PODBOR, OBRGIDRO and GUR as other windows left them.
#include "journals/conformity_limits.h"
#include "journals/conformity_verdict.h"
#include "journals/control_chart.h"

#include <memory>
#include <vector>

namespace quality {

// A recipe as its tests are judged: type, grade, design, and its weighing.
struct RecipeFacts {
    bool found = false;
    REAL NUM = 0;
    LONG DATE = 0;
    QString TYP, MARKA;
    sieves::Grading PROEKT{};
    REAL JBITGL = 0, YMINER = 0;
    bool weighed = false;
    REAL PLOT = 0, WOD = 0, NABUH = 0;
};
RecipeFacts readRecipe(REAL number);

// The limits for a recipe: its type and grade, the zone given.
lab::ConformityLimits recipeLimits(const RecipeFacts &recipe, const QString &zone);
// A test of a recipe not found is not judged.
lab::Verdict judgeTest(const GurRecord &test, const RecipeFacts &recipe, const QString &zone);
lab::Verdict judgeTest(const GurRecord &test, const RecipeFacts &recipe, lab::ConformityLimits recipeLimits);

// The journal's column "Соответствие" for many rows: the recipe of each row is read once and
// again only after its files were written. Holds PODBOR and OBRGIDRO open while it lives.
class TestVerdicts {
public:
    TestVerdicts();
    ~TestVerdicts();
    QString text(const GurRecord &test); // judged for conformity_zone::current()

private:
    struct State;
    std::unique_ptr<State> m;
};

// The properties a control chart shows.
enum class Trend { R20, R50, R0, WOD, NABUH, KWOD, KDLIT, PLOT, PORMINER, POROSTAT, TGFI, C50, RASK };
struct TrendInfo {
    Trend trend;
    QString name;      // as the window and the printout name it
    int decimals;      // as the protocols print it
    bool fromWeighing; // one value per recipe (its weighing), dated by the recipe
};
const std::vector<TrendInfo> &trends();
const TrendInfo &trendInfo(Trend t);
lab::Norm trendNorm(Trend t, const lab::ConformityLimits &limits);

// The values of `t` for `recipe` from `from` to `to` (0: open), in date order (records of one
// date in the order they were stored); a value not measured (not positive) is left out.
lab::ChartSeries readTrend(const RecipeFacts &recipe, Trend t, LONG from, LONG to);

// The numbers of the recipes of type `TYP`, in number order.
std::vector<REAL> recipesOfType(const QString &TYP);

} // namespace quality
