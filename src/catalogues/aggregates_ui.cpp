#include "catalogues/aggregates_ui.h"

#include "framework/procedures_ui.h"
#include "catalogues/aggregates_window.h"

void registerAggregateProcedures()
{
    registerProcedure(QStringLiteral("BROUSESPLIT"), [] { return BROUSESPLIT(); });
    registerProcedure(QStringLiteral("BROUSESANT"), [] { return BROUSESANT(); });
    registerProcedure(QStringLiteral("BROUSEOTSEW"), [] { return BROUSEOTSEW(); });
    registerProcedure(QStringLiteral("BROUSEFILLERPOROSHOK"), [] { return BROUSEFILLERPOROSHOK(); });
}
