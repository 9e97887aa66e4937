#include "catalogues/aggregates_ui.h"

#include "framework/procedures_ui.h"
#include "catalogues/aggregates_window.h"
#include "data/globals.h"

void registerAggregateProcedures()
{
    registerProcedure(QStringLiteral("BROUSESPLIT"), [] { return BROUSESPLIT(); });
    registerProcedure(QStringLiteral("BROUSESANT"), [] { return BROUSESANT(); });
    registerProcedure(QStringLiteral("BROUSEOTSEW"), [] { return BROUSEOTSEW(); });
    registerProcedure(QStringLiteral("BROUSEFILLERPOROSHOK"), [] { return BROUSEFILLERPOROSHOK(); });
    // The component selection picks a crushed stone through it by name.
    registerCalledProcedure(QStringLiteral("SELSPLIT"), [](QWidget *caller, std::function<void(LONG)> done) {
        SELSPLIT(caller, [done = std::move(done)](bool chosen) {
            done(chosen ? glob::RequestCompleted : glob::RequestCancelled);
        });
    });
}
