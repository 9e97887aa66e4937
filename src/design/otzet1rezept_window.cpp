#include "design/otzet1rezept_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "data/recipe_state.h"
#include "design/otzet1rezept.h"
#include "framework/callerhold_ui.h"
#include "framework/procedures_ui.h"
#include "framework/reportprogress_window.h"

namespace {

// The report over `run` with the values taken now; each copy looks up its approval record and
// the additive first, and `grade` (when given) names the bitumen grade of the record in turn.
QWidget *runForm(ReportRun::Definition run, std::function<QString()> grade, std::function<void(LONG)> done)
{
    auto values = std::make_shared<const otzet1rezept::FormValues>(
        otzet1rezept::valuesOfDesign(bool(grade)));
    ReportDefinition def;
    def.title = otzet1rezept::title();
    def.run = std::move(run);
    def.layout = otzet1rezept::layout();
    def.detail = [values, grade = std::move(grade)] {
        const QString use = otzet1rezept::lookUpApprovalAndAdditive();
        if (!grade)
            return otzet1rezept::copy(*values, NAS, use);
        otzet1rezept::FormValues own = *values;
        own.MARKABIT = grade();
        return otzet1rezept::copy(own, NAS, use);
    };
    QWidget *progress = ReportProcedure::start(std::move(def), std::move(done));
    if (progress)
        showInFrame(progress);
    return progress;
}

} // namespace

QWidget *OTZET1REZEPT(QWidget *caller, std::function<void(LONG)> done)
{
    auto hold = std::make_shared<CallerHold>(caller);
    return runForm(otzet1rezept::runOverApprovals(), {}, [hold, done = std::move(done)](LONG response) {
        if (hold->release() && done)
            done(response);
    });
}

QWidget *DUBLOTZET1REZEPT()
{
    recipe_state::loadRecipe(POD);
    glob::MARKABIT = POD.MARKABIT;
    return runForm(otzet1rezept::runOverRecipes(glob::NUMMER), [] { return POD.MARKABIT.text(); }, {});
}

void registerRecipeFormProcedures()
{
    registerCalledProcedure(QStringLiteral("OTZET1REZEPT"), [](QWidget *caller, std::function<void(LONG)> done) {
        OTZET1REZEPT(caller, std::move(done));
    });
    // The progress window is shown by the procedure itself.
    registerProcedure(QStringLiteral("DUBLOTZET1REZEPT"), [] {
        DUBLOTZET1REZEPT();
        return static_cast<QWidget *>(nullptr);
    });
}
