#include "catalogues/catalogues_ui.h"

#include "app/procedures.h"
#include "catalogues/norma_window.h"

void registerCatalogueProcedures()
{
    registerProcedure(QStringLiteral("BROUSENORMA1"), [] { return BROUSENORMA1(); });
}
