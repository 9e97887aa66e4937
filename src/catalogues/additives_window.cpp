#include "catalogues/additives_window.h"

#include "data/files.h"
#include "data/globals.h"

namespace {

void addRow(FormDecl &d, int y, const QString &prompt, const char *column, const char *picture, int fieldWidth)
{
    const QString name = QStringLiteral("DOB_") + QLatin1String(column);
    // On the page "Общие": the rows' places were laid out below a caption 24 high.
    d.texts.push_back({name + QStringLiteral("_PROMPT"), prompt, QRect(8, y - 24, 110, 21), false, 0});
    FormField f{QLatin1String(column), name, picture, QRect(122, y - 24, fieldWidth, 21)};
    f.tab = 0;
    d.fields.push_back(f);
}

FormDecl makeDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEDOBAWKA");
    d.file = &files::DOBAWKA;
    d.windowTitle = QStringLiteral("Данные о добавке");
    d.insertTitle = QStringLiteral("Добавить");
    d.changeTitle = QStringLiteral("Изменить");
    d.savePrompt = false;

    d.tabs = QStringList{QStringLiteral("Общие")};
    d.sheet = QRect(6, 6, 318, 266);
    addRow(d, 32, QStringLiteral("Класс:"), "KLASS", "s16", 150);
    addRow(d, 58, QStringLiteral("Наименование:"), "NAME", "s20", 180);
    FormField kuda{QStringLiteral("KUDA"), QStringLiteral("DOB_KUDA"), "s17", QRect(8, 62, 294, 72)};
    kuda.tab = 0;
    kuda.choices = QStringList{QStringLiteral("Добавка в смесь"), QStringLiteral("Добавка в битум")};
    kuda.groupTitle = QStringLiteral("Выбрать");
    d.fields.push_back(kuda);
    addRow(d, 182, QStringLiteral("ист.пл,г/см3:"), "ISTPLOTN", "n5.3", 70);
    addRow(d, 208, QStringLiteral("Содержание,%:"), "SODERZAN", "n5.2", 70);
    addRow(d, 234, QStringLiteral("Цена, УЕ/т:"), "COSTDOB_KI", "n10.2", 110);

    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(86, 282, 72, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Отменить"), QRect(164, 282, 72, 25),
                         FormButtonRole::Cancel, {}});
    d.buttons.push_back({QStringLiteral("HELP"), QStringLiteral("Help"), QRect(242, 282, 68, 25),
                         FormButtonRole::Help, {}});
    d.size = QSize(334, 322);
    return d;
}

} // namespace

BrowseDeclaration BROWSEDOBAVKADeclaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROWSEDOBAVKA");
    d.title = QStringLiteral("Просмотр базы добавок");
    d.file = &files::DOBAWKA;
    d.fileName = QStringLiteral("DOBAWKA");
    d.orders.push_back({QStringLiteral("Название"), QString(), DataFile::PhysicalOrder, {}, false});
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Класс"), "s16", DOB.KLASS));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Наименование"), "s20", DOB.NAME));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Применение"), "s17", DOB.KUDA));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("ист.плотн."), "n5.3", [] { return DOB.ISTPLOTN; }));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Содержание,%"), "n5.2", [] { return DOB.SODERZAN; }));
    d.insert = BrowseButton{QStringLiteral("&Новая"), QStringLiteral("INSERT")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE")};
    d.remove = BrowseButton{QStringLiteral("Удалить"), QStringLiteral("DELETE")};
    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT")};
    d.help = BrowseButton{QStringLiteral("Help"), QStringLiteral("HELP")};
    d.updateForm = UPDATEDOBAWKA;
    return d;
}

BrowseWindow *BROWSEDOBAVKA() { return new BrowseWindow(BROWSEDOBAVKADeclaration()); }

const FormDecl &updateDobawkaDecl()
{
    static const FormDecl decl = makeDecl();
    return decl;
}

FormWindow *UPDATEDOBAWKA(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openForm(updateDobawkaDecl(), request, caller, std::move(done), std::move(host));
}
