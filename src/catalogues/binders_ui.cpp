#include "catalogues/binders_ui.h"

#include "framework/procedures_ui.h"
#include "catalogues/bitumen_window.h"
#include "catalogues/additives_window.h"

void registerBinderProcedures()
{
    registerProcedure(QStringLiteral("BROWSEBIT"), [] { return BROWSEBIT(); });
    registerProcedure(QStringLiteral("BROWSEDOBAVKA"), [] { return BROWSEDOBAVKA(); });
}
