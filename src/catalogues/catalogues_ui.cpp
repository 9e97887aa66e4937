#include "catalogues/catalogues_ui.h"

#include "framework/procedures_ui.h"
#include "catalogues/grading_requirements_window.h"

void registerCatalogueProcedures()
{
    registerProcedure(QStringLiteral("BROUSENORMA1"), [] { return BROUSENORMA1(); });
}
