#include "design/form_f1_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "data/recipe_state.h"
#include "design/form_f1_report.h"
#include "framework/callerhold_ui.h"
#include "framework/fileservices.h"
#include "framework/procedures_ui.h"
#include "framework/reportprogress_window.h"
#include "framework/warnings.h"

namespace {

// The report over `run` with the values taken now; each copy looks up its approval record and
// the additive first, and `grade` (when given) names the bitumen grade of the record in turn.
QWidget *runForm(ReportRun::Definition run, std::function<QString()> grade, std::function<void(LONG)> done)
{
    auto values = std::make_shared<const form_f1_report::FormValues>(
        form_f1_report::valuesOfDesign(bool(grade)));
    ReportDefinition def;
    def.title = form_f1_report::title();
    def.run = std::move(run);
    def.layout = form_f1_report::layout();
    def.detail = [values, grade = std::move(grade)] {
        const QString use = form_f1_report::lookUpApprovalAndAdditive();
        if (!grade)
            return form_f1_report::copy(*values, NAS, use);
        form_f1_report::FormValues own = *values;
        own.MARKABIT = grade();
        return form_f1_report::copy(own, NAS, use);
    };
    QWidget *progress = ReportProcedure::start(std::move(def), std::move(done));
    if (progress)
        showInFrame(progress);
    return progress;
}

} // namespace

QWidget *OTZET1REZEPT(QWidget *caller, std::function<void(LONG)> done)
{
    // A copy is printed per approval record: with none there is nothing to print, and the
    // engineer is told where to fill them in rather than left with no answer.
    bool noApprovals = false;
    {
        FileUse approvals(files::NASTROJK);
        noApprovals = approvals.ok() && files::NASTROJK.recordCount() == 0;
    }
    if (noApprovals) {
        showMessage(QStringLiteral("Форма Ф.1 не напечатана: список утверждающих лиц и организаций пуст.\n"
                                   "Заполните его: меню «Настройки», пункт «Для отчета»."),
                    form_f1_report::title(), MessageIcon::Exclamation);
        glob::GLOBALRESPONSE = glob::RequestCancelled;
        if (done)
            done(glob::RequestCancelled);
        return nullptr;
    }
    auto hold = std::make_shared<CallerHold>(caller);
    return runForm(form_f1_report::runOverApprovals(), {}, [hold, done = std::move(done)](LONG response) {
        if (hold->release() && done)
            done(response);
    });
}

QWidget *DUBLOTZET1REZEPT()
{
    recipe_state::loadRecipe(POD);
    glob::MARKABIT = POD.MARKABIT;
    return runForm(form_f1_report::runOverRecipes(glob::NUMMER), [] { return POD.MARKABIT.text(); }, {});
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
