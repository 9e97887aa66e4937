#include "catalogues/requirements_ui.h"

#include "framework/procedures_ui.h"
#include "data/globals.h"
#include "catalogues/zone_filter_window.h"
#include "catalogues/mixer_list_window.h"
#include "catalogues/approvals_window.h"
#include "catalogues/mixer_form_window.h"
#include "catalogues/foreign_requirements_window.h"

void registerRequirementsProcedures()
{
    registerProcedure(QStringLiteral("BROWSEZR3N"), [] { return BROWSEZR3N(); }); // menu "Зарубежные нормы"
    registerProcedure(QStringLiteral("BROWSETITUL"), [] { return BROWSETITUL(); }); // menu "Для отчета"
    registerProcedure(QStringLiteral("GROHOTBROWSE11"), [] { return GROHOTBROWSE11(); }); // menu "Смесители"
    // The mixer batch recipe changes its mixers through this form, by name, with the request
    // it has set (GLOBALREQUEST).
    registerCalledProcedure(QStringLiteral("UPDATEGROHOT"), [](QWidget *caller, std::function<void(LONG)> done) {
        UPDATEGROHOT(glob::GLOBALREQUEST, caller, std::move(done));
    });
    // The conformity reports ask for the zone (and grade) through them by name.
    registerCalledProcedure(QStringLiteral("FILTER2"),
                            [](QWidget *caller, std::function<void(LONG)> done) { FILTER2(caller, std::move(done)); });
    registerCalledProcedure(QStringLiteral("FILTER21"),
                            [](QWidget *caller, std::function<void(LONG)> done) { FILTER21(caller, std::move(done)); });
}
