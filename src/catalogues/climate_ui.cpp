#include "catalogues/climate_ui.h"

#include "framework/procedures_ui.h"
#include "catalogues/climate_window.h"

void registerClimateProcedures()
{
    registerProcedure(QStringLiteral("REG"), [] { return REG(); });
    registerProcedure(QStringLiteral("SELREG1"), [] { return SELREG1(); });
    // PROT_REG shows its progress window itself.
    registerProcedure(QStringLiteral("PROT_REG"), [] { PROT_REG(); return static_cast<QWidget *>(nullptr); });
}
