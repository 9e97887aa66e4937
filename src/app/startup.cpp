#include "app/startup.h"

#include "catalogues/aggregates_ui.h"
#include "catalogues/binders_ui.h"
#include "catalogues/catalogues_ui.h"
#include "catalogues/climate_ui.h"
#include "catalogues/binders_report_window.h"
#include "catalogues/requirements_ui.h"
#include "design/bitumen_step_window.h"
#include "design/mixer_batch_window.h"
#include "design/cost_window.h"
#include "design/form_f1_window.h"
#include "design/recipe_list_window.h"
#include "design/superpave_grading_window.h"
#include "design/component_selection_window.h"
#include "journals/conformity_reports_window.h"
#include "journals/property_trends_window.h"
#include "app/load_duration_warning_window.h"
#include "data/globals.h"
#include "journals/shear_window.h"
#include "journals/weighing_window.h"
#include "journals/journal_ui.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

void registerProgramProcedures()
{
    registerCatalogueProcedures();
    registerReportProcedures();
    registerBinderProcedures();
    registerRequirementsProcedures();
    registerClimateProcedures();
    registerAggregateProcedures();
    registerBitumenProcedures();
    registerSuperpaveProcedures();
    registerPodborProcedures();
    registerBatchProcedures();
    registerConformityProcedures();
    registerPropertyTrendProcedures();
    registerWeighingProcedures();
    registerShearProcedures();
    // The shear protocol warns through it by name.
    registerCalledProcedure(QStringLiteral("SOOB2"), [](QWidget *caller, std::function<void(LONG)> done) {
        LoadDurationWarning::call(caller, [done = std::move(done)] { if (done) done(glob::RequestCompleted); });
    });
    registerCostProcedures();
    registerRecipeFormProcedures();
    registerJournalProcedures();
    registerRecipeProcedures();
}

bool loadQtTranslations()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
