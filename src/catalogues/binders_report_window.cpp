#include "catalogues/binders_report_window.h"

#include "framework/procedures_ui.h"
#include "catalogues/binders_report.h"
#include "framework/reportprogress_window.h"

QWidget *PROTBIT()
{
    ReportDefinition def;
    def.title = binders_report::title();
    def.run = binders_report::run();
    def.layout = binders_report::layout();
    def.detail = &binders_report::detail;
    return ReportProcedure::start(std::move(def));
}

void registerReportProcedures()
{
    registerProcedure(QStringLiteral("PROTBIT"), &PROTBIT);
}
