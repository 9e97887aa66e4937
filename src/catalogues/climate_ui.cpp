#include "catalogues/climate_ui.h"

#include "framework/procedures_ui.h"
#include "catalogues/climate_window.h"
#include "data/globals.h"

void registerClimateProcedures()
{
    registerProcedure(QStringLiteral("REG"), [] { return REG(); });
    registerProcedure(QStringLiteral("SELREG1"), [] { return SELREG1(); });
    // The operating conditions of the shear check choose their region through it by name.
    registerCalledProcedure(QStringLiteral("SELREG1"), [](QWidget *caller, std::function<void(LONG)> done) {
        selectRegion(caller, [done = std::move(done)](bool chosen) {
            done(chosen ? glob::RequestCompleted : glob::RequestCancelled);
        });
    });
    // PROT_REG shows its progress window itself.
    registerProcedure(QStringLiteral("PROT_REG"), [] { PROT_REG(); return static_cast<QWidget *>(nullptr); });
}
