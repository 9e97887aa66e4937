#include "catalogues/requirements_ui.h"

#include "framework/procedures_ui.h"
#include "catalogues/filter_window.h"
#include "catalogues/grohotbrowse11_window.h"
#include "catalogues/titul_window.h"
#include "catalogues/zr3n_window.h"

void registerRequirementsProcedures()
{
    registerProcedure(QStringLiteral("BROWSEZR3N"), [] { return BROWSEZR3N(); }); // menu "Зарубежные нормы"
    registerProcedure(QStringLiteral("BROWSETITUL"), [] { return BROWSETITUL(); }); // menu "Для отчета"
    registerProcedure(QStringLiteral("GROHOTBROWSE11"), [] { return GROHOTBROWSE11(); }); // menu "Смесители"
    // The conformity reports ask for the zone (and grade) through them by name.
    registerCalledProcedure(QStringLiteral("FILTER2"),
                            [](QWidget *caller, std::function<void(LONG)> done) { FILTER2(caller, std::move(done)); });
    registerCalledProcedure(QStringLiteral("FILTER21"),
                            [](QWidget *caller, std::function<void(LONG)> done) { FILTER21(caller, std::move(done)); });
}
