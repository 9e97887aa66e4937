#include "app/startup.h"

#include "catalogues/aggregates_ui.h"
#include "catalogues/binders_ui.h"
#include "catalogues/catalogues_ui.h"
#include "catalogues/climate_ui.h"
#include "catalogues/protbit_window.h"
#include "catalogues/requirements_ui.h"
#include "design/bitumrasz_window.h"
#include "design/grohotbrowse1_window.h"
#include "design/cost_window.h"
#include "design/otzet1rezept_window.h"
#include "design/brousepodbor_window.h"
#include "design/podborsuperpave_window.h"
#include "design/podbor_window.h"
#include "testing/conformity_reports_window.h"
#include "app/soob2_window.h"
#include "data/globals.h"
#include "testing/shear_window.h"
#include "testing/weighing_window.h"
#include "testing/journal_ui.h"

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
    registerWeighingProcedures();
    registerShearProcedures();
    // The shear protocol warns through it by name.
    registerCalledProcedure(QStringLiteral("SOOB2"), [](QWidget *caller, std::function<void(LONG)> done) {
        SOOB2::call(caller, [done = std::move(done)] { if (done) done(glob::RequestCompleted); });
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
