#include "catalogues/protbit_window.h"

#include "framework/procedures_ui.h"
#include "catalogues/protbit.h"
#include "framework/reportprogress_window.h"

QWidget *PROTBIT()
{
    ReportDefinition def;
    def.title = protbit::title();
    def.run = protbit::run();
    def.layout = protbit::layout();
    def.detail = &protbit::detail;
    return ReportProcedure::start(std::move(def));
}

void registerReportProcedures()
{
    registerProcedure(QStringLiteral("PROTBIT"), &PROTBIT);
}
