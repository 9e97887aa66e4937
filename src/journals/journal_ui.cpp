#include "journals/journal_ui.h"

#include "framework/procedures_ui.h"
#include "journals/test_menu_window.h"
#include "journals/mechanical_journal_window.h"

void registerJournalProcedures()
{
    registerProcedure(QStringLiteral("MENUTEST"), []() -> QWidget * {
        MENUTEST();
        return nullptr;
    });
    registerProcedure(QStringLiteral("BROWSEREZGUR"), [] { return BROWSEREZGUR(); });
    // The recipe form opens the recipe's tests over itself.
    registerCalledProcedure(QStringLiteral("BROWSEREZGUR"), [](QWidget *caller, std::function<void(LONG)> done) {
        callBROWSEREZGUR(caller, std::move(done));
    });
}
