#include "catalogues/climate_window.h"

#include "framework/procedures_ui.h"
#include "catalogues/climate_regions_report.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/reportprogress_window.h"

namespace {

const QStringList kZones = {QString(), QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III"),
                            QStringLiteral("IV"), QStringLiteral("V")};

BrowseSortOrder regionOrder()
{
    // The one order needs no choosing; its tab still names it so that it does not show empty.
    return {QStringLiteral("Регион"), QStringLiteral("По наименованию региона"), files::key::USL_KEYREGION,
            BrowseKeyField::text(USL.REGION), true};
}

FormDecl makeKlimDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEKLIM");
    d.file = &files::USLOV;
    d.windowTitle = QStringLiteral("Введение климатических данных региона");
    d.insertTitle = QStringLiteral("Добавить запись");
    d.changeTitle = QStringLiteral("Изменить запись");
    d.savePrompt = false;
    d.resizer = true;

    // One page; its rows in page coordinates.
    constexpr int kLabelX = 8, kLabelW = 236, kFieldX = 252, kRowH = 21, kTop = 12, kStep = 30;
    d.tabs = QStringList{QStringLiteral("Данные СНиП 23-01-99")};
    d.sheet = QRect(8, 8, 400, 162);
    const struct {
        const char *prompt, *object, *column, *picture;
        int width;
        const char *tip;
    } rows[] = {
        {"Регион:", "USL_REGION", "REGION", "s15", 130, "Областной центр"},
        {"Дорожно-климатическая зона", "USL_DKZ", "DKZ", "s3", 56, "дорожноклиматичская зона: I, II, III, IV, V или пусто"},
        {"(6)Табл.2 - Макс.температура, оС:", "USL_TMAX", "TMAX", "n3", 44, "Абсолютная максимальная температура воздуха"},
        {"(4)Табл.1 - Миним.температура, оС:", "USL_TMIN", "TMIN", "n-4", 52,
         "Температура воздуха наиболее холодной пятидневки обеспеченностью 0,98"},
    };
    int y = kTop;
    for (const auto &r : rows) {
        const QString object = QLatin1String(r.object);
        d.texts.push_back({object + QStringLiteral("_PROMPT"), QString::fromUtf8(r.prompt), QRect(kLabelX, y, kLabelW, kRowH), false, 0});
        FormField f{QLatin1String(r.column), object, r.picture, QRect(kFieldX, y, r.width, kRowH)};
        f.tab = 0;
        f.tip = QString::fromUtf8(r.tip);
        if (object == QLatin1String("USL_DKZ")) { // the zones, or none
            f.kind = FormControlKind::DropList;
            f.choices = kZones;
        }
        d.fields.push_back(f);
        y += kStep;
    }
    const int buttonsY = 8 + 162 + 10;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(192, buttonsY, 64, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Cancel"), QRect(264, buttonsY, 64, 25),
                         FormButtonRole::Cancel, {}});
    d.buttons.push_back({QStringLiteral("HELP"), QStringLiteral("Help"), QRect(336, buttonsY, 64, 25), FormButtonRole::Help, {}});
    d.size = QSize(416, buttonsY + 25 + 14);
    return d;
}

} // namespace

BrowseDeclaration REGDeclaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("REG");
    d.title = QStringLiteral("Список климатических регионов");
    d.file = &files::USLOV;
    d.fileName = QStringLiteral("uslov");
    d.orders.push_back(regionOrder());
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Наименование"), "s15", USL.REGION));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Дор.-клим. зона"), "s4", USL.DKZ));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Т макс, оС"), "n3.0", [] { return USL.TMAX; }));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Т мин, оС"), "n-4.0", [] { return USL.TMIN; }));
    d.insert = BrowseButton{QStringLiteral("&Ввести"), QStringLiteral("INSERT")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE")};
    d.tip = QStringLiteral("Просмотр климатических условий местности");
    BrowseExtraButton print{QStringLiteral("&Список"), QStringLiteral("LIST"), [](BrowseWindow &list) {
                                PROT_REG(); // runs beside the list; the list shows the file as it is now
                                list.refresh();
                            }};
    print.beforeClose = true;
    d.extraButtons.push_back(print);
    d.updateForm = UPDATEKLIM;
    return d;
}

BrowseWindow *REG() { return new BrowseWindow(REGDeclaration()); }

BrowseDeclaration SELREG1Declaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("SELREG1");
    d.title = QStringLiteral("Выбор региона");
    d.file = &files::USLOV;
    d.fileName = QStringLiteral("uslov");
    d.orders.push_back(regionOrder());
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Наименование"), "s15", USL.REGION));
    d.select = BrowseButton{QStringLiteral("&Выбор"), QStringLiteral("SELECT")};
    return d;
}

BrowseWindow *SELREG1() { return new BrowseWindow(SELREG1Declaration()); }

BrowseWindow *selectRegion(QWidget *caller, std::function<void(bool chosen)> done, WindowHost host)
{
    return selectRecord(SELREG1Declaration(), caller, std::move(done), std::move(host));
}

const FormDecl &updateKlimDecl()
{
    static const FormDecl decl = makeKlimDecl();
    return decl;
}

FormWindow *UPDATEKLIM(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openForm(updateKlimDecl(), request, caller, std::move(done), std::move(host));
}

QWidget *PROT_REG()
{
    ReportDefinition def;
    def.title = climate_regions_report::title();
    def.run = climate_regions_report::run();
    def.layout = climate_regions_report::layout();
    def.detail = &climate_regions_report::detail;
    QWidget *progress = ReportProcedure::start(std::move(def));
    if (progress)
        showInFrame(progress);
    return progress;
}
