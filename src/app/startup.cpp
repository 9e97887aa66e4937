#include "app/startup.h"

#include "catalogues/aggregates_ui.h"
#include "catalogues/binders_ui.h"
#include "catalogues/catalogues_ui.h"
#include "catalogues/climate_ui.h"
#include "catalogues/protbit_window.h"
#include "catalogues/requirements_ui.h"
#include "design/bitumrasz_window.h"
#include "design/brousepodbor_window.h"
#include "design/podborsuperpave_window.h"
#include "design/podbor_window.h"

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
