#include "journals/test_menu_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "data/recipe_state.h"
#include "framework/fileservices.h"

#include <cmath>
#include <limits>

namespace {

// The first weighing of the recipe in hand into OBR (the list it leads to starts there).
void readWeighing()
{
    FileUse use(files::OBRGIDRO);
    if (!use.ok())
        return;
    OBR = ObrgidroRecord();
    OBR.NUMMER = glob::NUMMER;
    files::OBRGIDRO.get(files::key::OBR_KEYNUMMER);
}

// The first test record of the recipe in hand into GUR.
void readTests()
{
    FileUse use(files::GUR);
    if (!use.ok())
        return;
    GUR = GurRecord();
    const double whole = std::trunc(glob::NUMMER);
    GUR.REZNUM = whole >= 0 && whole <= std::numeric_limits<LONG>::max() ? LONG(whole) : 0;
    files::GUR.get(files::key::GUR_KEYREZNUM);
}

// A button beside its caption starting a journal by name; disabled while it is not built.
FormButton journalButton(const char *objectName, const QString &procedure, const QString &tip, int y,
                         void (*read)())
{
    FormButton b{QLatin1String(objectName), QStringLiteral("..."), QRect(284, y - 2, 40, 25), FormButtonRole::Other,
                 [procedure](FormWindow &) { startProcedure(procedure); }};
    b.tip = tip;
    b.focused = [read](FormWindow &) { read(); };
    b.enabled = [procedure] { return isProcedureRegistered(procedure); };
    return b;
}

FormDecl makeMenuTestDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("MENUTEST");
    d.file = &files::PODBOR; // the recipe in memory; nothing is written
    d.windowTitle = QStringLiteral("Ввести результаты испытаний");
    d.savePrompt = false;
    d.texts.push_back({QStringLiteral("NUMMER_PROMPT"), QStringLiteral("Номер состава смеси:"), QRect(10, 12, 200, 21)});
    FormField number{QString(), QStringLiteral("NUMMER"), "n6", QRect(214, 12, 64, 21)};
    number.var = FormVar::of(glob::NUMMER);
    d.fields.push_back(number);
    d.texts.push_back({QStringLiteral("OBRGIDRO_PROMPT"), QStringLiteral("1. Гидростатические испытания:"),
                       QRect(10, 46, 270, 21)});
    d.buttons.push_back(journalButton("BUTTON1", QStringLiteral("BROWSEOBR2"),
                                      QStringLiteral("Просмотр результатов гидростатического взвешивания"), 46, readWeighing));
    d.texts.push_back({QStringLiteral("GUR_PROMPT"), QStringLiteral("2. Механические испытания образцов:"),
                       QRect(10, 78, 270, 21)});
    d.buttons.push_back(journalButton("BUTTON2", QStringLiteral("BROWSEREZGUR"),
                                      QStringLiteral("Механические свойства асфальтобетона"), 78, readTests));
    // Both close the window: it only leads to the journals.
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(166, 116, 76, 25), FormButtonRole::Cancel, {}});
    d.buttons.push_back({QStringLiteral("CLOSE"), QStringLiteral("Закрыть"), QRect(250, 116, 76, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(336, 152);
    return d;
}

} // namespace

const FormDecl &menuTestDecl()
{
    static const FormDecl decl = makeMenuTestDecl();
    return decl;
}

FormWindow *MENUTEST(WindowHost host)
{
    recipe_state::loadRecipe(POD);
    return openForm(menuTestDecl(), glob::NoRequest, nullptr, {}, std::move(host));
}
