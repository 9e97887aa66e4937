#include "catalogues/climate_window.h"

#include "app/procedures.h"
#include "catalogues/protreg.h"
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

// The zone is one of the drop list's entries (blank allowed); anything else stays for correction.
bool validZone(FormWindow &form, const QString &objectName)
{
    if (objectName != QLatin1String("USL_DKZ"))
        return true;
    FieldEdit *edit = form.field(objectName);
    return !edit || kZones.contains(edit->text().trimmed());
}

void setTips(FormWindow &form)
{
    const std::pair<const char *, const char *> tips[] = {
        {"USL_REGION", "Областной центр"},
        {"USL_DKZ", "дорожноклиматичская зона: I, II, III, IV, V или пусто"},
        {"USL_TMAX", "Абсолютная максимальная температура воздуха"},
        {"USL_TMIN", "Температура воздуха наиболее холодной пятидневки обеспеченностью 0,98"},
    };
    for (const auto &[name, tip] : tips)
        if (FieldEdit *edit = form.field(QLatin1String(name)))
            edit->setToolTip(QString::fromUtf8(tip));
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

    constexpr int kLabelX = 16, kLabelW = 236, kFieldX = 260, kRowH = 21, kTop = 44, kStep = 30;
    d.texts.push_back({QStringLiteral("TAB1"), QStringLiteral("Данные СНиП 23-01-99"), QRect(16, 12, 300, 20)});
    const struct {
        const char *prompt, *object, *column, *picture;
        int width;
    } rows[] = {
        {"Регион:", "USL_REGION", "REGION", "s15", 130},
        {"Дорожно-климатическая зона", "USL_DKZ", "DKZ", "s3", 44},
        {"(6)Табл.2 - Макс.температура, оС:", "USL_TMAX", "TMAX", "n3", 44},
        {"(4)Табл.1 - Миним.температура, оС:", "USL_TMIN", "TMIN", "n-4", 52},
    };
    int y = kTop;
    for (const auto &r : rows) {
        const QString object = QLatin1String(r.object);
        d.texts.push_back({object + QStringLiteral("_PROMPT"), QString::fromUtf8(r.prompt), QRect(kLabelX, y, kLabelW, kRowH)});
        d.fields.push_back({QLatin1String(r.column), object, r.picture, QRect(kFieldX, y, r.width, kRowH)});
        y += kStep;
    }
    const int buttonsY = y + 12;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(192, buttonsY, 64, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Cancel"), QRect(264, buttonsY, 64, 25),
                         FormButtonRole::Cancel, {}});
    d.buttons.push_back({QStringLiteral("HELP"), QStringLiteral("Help"), QRect(336, buttonsY, 64, 25), FormButtonRole::Help, {}});
    d.size = QSize(416, buttonsY + 25 + 14);
    d.validateField = &validZone;
    d.refreshWindow = &setTips;
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
    def.title = protreg::title();
    def.run = protreg::run();
    def.layout = protreg::layout();
    def.detail = &protreg::detail;
    QWidget *progress = ReportProcedure::start(std::move(def));
    if (progress)
        showInFrame(progress);
    return progress;
}
