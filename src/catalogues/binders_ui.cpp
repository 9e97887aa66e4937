#include "catalogues/binders_ui.h"

#include "app/procedures.h"
#include "catalogues/bitumen_window.h"
#include "catalogues/dobavka_window.h"

void registerBinderProcedures()
{
    registerProcedure(QStringLiteral("BROWSEBIT"), [] { return BROWSEBIT(); });
    registerProcedure(QStringLiteral("BROWSEDOBAVKA"), [] { return BROWSEDOBAVKA(); });
}
