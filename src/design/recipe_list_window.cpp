#include "design/recipe_list_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "design/recipe_save_window.h"
#include "design/recipe_edit_window.h"
#include "framework/procedures_ui.h"

namespace {

// A button starting `procedure` on the highlighted recipe; the list stays open.
BrowseExtraButton startButton(const QString &text, const QString &objectName, const QString &procedure,
                              const QString &caption)
{
    BrowseExtraButton b{text, objectName, [procedure](BrowseWindow &) { startProcedure(procedure); }};
    b.caption = caption;
    b.beforeClose = true;
    b.enabled = [procedure](const BrowseWindow &list) {
        return list.currentChoice() >= 0 && isProcedureRegistered(procedure);
    };
    return b;
}

} // namespace

BrowseDeclaration BROUSEPODBORDeclaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROUSEPODBOR");
    d.title = QStringLiteral("База рецептов");
    d.file = &files::PODBOR;
    d.fileName = QStringLiteral("PODBOR");
    d.orders.push_back({QStringLiteral("№"), QStringLiteral("Сортировка"), files::key::POD_KEYNUM,
                        BrowseKeyField::real(POD.NUM), false});
    d.orders.push_back({QStringLiteral("Дата"), QString(), files::key::POD_KEYDATE, {}, false});
    d.orders.push_back({QStringLiteral("Тип"), QString(), files::key::POD_KEYTYP, BrowseKeyField::text(POD.TYPASPH), false});

    const Picture date = Picture::of("d5_");
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Номер"), "n6", [] { return POD.NUM; }));
    d.columns.push_back({QStringLiteral("Дата"), date, [date] { return date.formatDate(POD.DATE); }, 10});
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Тип смеси"), "s7", POD.TYPASPH));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("%Бит"), "n5.2", [] { return POD.BIT; }));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Добавка"), "s20", POD.DOBAW));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("%Добавки"), "n4.2", [] { return POD.SODERZDOBAW; }));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Стоимость"), "n10.2", [] { return POD.COSTSMESI; }));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Ключ"), "s20", POD.OBEKT));

    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT")};
    d.insert = BrowseButton{QStringLiteral("&Insert"), QStringLiteral("INSERT")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE")};
    d.change->focused = [](BrowseWindow &) { glob::NUMMER = POD.NUM; };
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE")};
    d.updateForm = UPDATEPODBOR;

    const QString chosen = QStringLiteral("Выделенный состав:");
    const QString forms = QStringLiteral("Распечатать формы:");
    d.extraButtons.push_back(startButton(QStringLiteral("Испытать"), QStringLiteral("TEST"), QStringLiteral("MENUTEST"), chosen));
    d.extraButtons.push_back(startButton(QStringLiteral("на замес"), QStringLiteral("ZAMES"), QStringLiteral("GROHOTBROWSE1"), chosen));
    d.extraButtons.push_back(
        startButton(QStringLiteral("Динамика"), QStringLiteral("TRENDS"), QStringLiteral("PROPERTYTRENDS"), chosen));
    d.extraButtons.back().tip = QStringLiteral("Динамика показателей выделенного рецепта: контрольная карта");
    d.extraButtons.push_back(startButton(QStringLiteral("Ф.Д-25"), QStringLiteral("FORMAD25"), QStringLiteral("FORMAD_25"), forms));
    d.extraButtons.push_back(startButton(QStringLiteral(" Ф.1"), QStringLiteral("FORM1"), QStringLiteral("DUBLOTZET1REZEPT"), forms));
    return d;
}

BrowseWindow *BROUSEPODBOR() { return new BrowseWindow(BROUSEPODBORDeclaration()); }

void registerRecipeProcedures()
{
    registerProcedure(QStringLiteral("BROUSEPODBOR"), []() -> QWidget * { return BROUSEPODBOR(); });
    registerCalledProcedure(QStringLiteral("UPDATECILDPODBOR"), [](QWidget *caller, std::function<void(LONG)> done) {
        UPDATECILDPODBOR(glob::NoRequest, caller, std::move(done));
    });
}
