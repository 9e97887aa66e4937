#include "journals/conformity_reports_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/procedures_ui.h"
#include "framework/reportprogress_window.h"
#include "journals/conformity_reports.h"

namespace {

// Runs the report once the filter window has closed. The report reads GUR and PODBOR into
// their shared buffers; the buffers the calling lists hold are put back when it is done.
void runAfterFilter(const char *filter, ReportDefinition def)
{
    auto run = [def = std::move(def)](LONG) mutable {
        auto held = std::make_shared<std::pair<GurRecord, PodborRecord>>(GUR, POD);
        if (QWidget *progress = ReportProcedure::start(std::move(def), [held](LONG) {
                GUR = held->first;
                POD = held->second;
            }))
            showInFrame(progress);
    };
    auto shared = std::make_shared<decltype(run)>(std::move(run));
    if (!callProcedure(QLatin1String(filter), nullptr, [shared](LONG response) { (*shared)(response); }))
        (*shared)(glob::RequestCancelled);
}

} // namespace

QWidget *PROTVSE()
{
    ReportDefinition def;
    def.title = conformity::protvseTitle();
    def.run = conformity::protvseRun();
    def.layout = conformity::protvseLayout();
    def.detail = &conformity::protvsePage;
    runAfterFilter("FILTER21", std::move(def));
    return nullptr;
}

QWidget *FORMAD_25()
{
    conformity::loadFormaD25Recipe();
    ReportDefinition def;
    def.title = conformity::formaD25Title();
    def.run = conformity::formaD25Run();
    def.layout = conformity::formaD25Layout();
    def.detail = &conformity::formaD25Page;
    runAfterFilter("FILTER2", std::move(def));
    return nullptr;
}

void registerConformityProcedures()
{
    registerProcedure(QStringLiteral("PROTVSE"), &PROTVSE);
    registerProcedure(QStringLiteral("FORMAD_25"), &FORMAD_25);
}
