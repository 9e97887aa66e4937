#include "journals/mechanical_journal_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/procedures_ui.h"
#include "framework/warnings.h"
#include "journals/mechanical.h"
#include "journals/press_schemes.h"
#include "journals/quality_records.h"
#include "data/conformity_zone.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace {

const QString kQ = QStringLiteral("Q");
const QString kQRAZ = QStringLiteral("QRAZ");

QString control(const char *column) { return QStringLiteral("GUR_") + QLatin1String(column); }

// The recipe in hand as the link a test record stores: the whole part of NUMMER.
LONG recipeLink()
{
    const double whole = std::trunc(glob::NUMMER);
    if (!(whole >= 0 && whole <= std::numeric_limits<LONG>::max()))
        return 0;
    return LONG(whole);
}

// ---- the computations of the form -------------------------------------------------------------

// Q and QRAZ of this opening, taken from the record's diameter whenever they are needed (a
// diameter the table does not know keeps them as they were; 0 until one is known).
lab::AreaFactors factors(FormWindow &form)
{
    const lab::AreaFactors f = lab::areaFactors(GUR.DOBR, {form.localNumber(kQ), form.localNumber(kQRAZ)});
    form.setLocal(kQ, f.Q);
    form.setLocal(kQRAZ, f.QRAZ);
    return f;
}

void shear(FormWindow &form)
{
    lab::ShearReadings r;
    const REAL us[4] = {GUR.US1_50, GUR.US2_50, GUR.US3_50, GUR.US4_50};
    const REAL ts[4] = {GUR.TS1_50, GUR.TS2_50, GUR.TS3_50, GUR.TS4_50};
    const REAL um[4] = {GUR.UM1, GUR.UM2, GUR.UM3, GUR.UM4};
    const REAL tm[4] = {GUR.TM1, GUR.TM2, GUR.TM3, GUR.TM4};
    for (int i = 0; i < 4; ++i) {
        r.US_50[i] = us[i];
        r.TS_50[i] = ts[i];
        r.UM[i] = um[i];
        r.TM[i] = tm[i];
    }
    lab::ShearValues previous;
    previous.USSR = GUR.USSR;
    previous.TGFI = GUR.TGFI;
    previous.C50 = GUR.C50;
    const lab::ShearValues v = lab::shearProperties(r, factors(form).Q, previous);
    GUR.USSR = v.USSR;
    GUR.TGFI = v.TGFI;
    GUR.C50 = v.C50;
}

// The warning answers the user's entry of R20, not OK's pass over every field (a record without
// strengths, R20 = R50 = 0, would show it at every save).
void activationEnergy(FormWindow &form, bool accepted)
{
    if (accepted && !form.acceptingAll() && lab::r20NotAboveR50(GUR.R20, GUR.R50))
        showMessage(lab::r50AboveR20Message()); // and the computation goes on
    GUR.UPL = lab::activationEnergy(GUR.R20, GUR.R50, GUR.MPL, GUR.UPL);
}

// What a trigger field computes when it is selected (accepted = false) or accepted.
using Computation = std::function<void(FormWindow &, bool accepted)>;

const std::map<QString, Computation> &computations()
{
    static const std::map<QString, Computation> table = {
        {control("REZNUM"),
         [](FormWindow &, bool accepted) {
             if (accepted)
                 return;
             GUR.REZNUM = recipeLink();
             GUR.OBEKT = glob::OBEKT;
         }},
        {control("TIP_SM"),
         [](FormWindow &, bool accepted) {
             if (!accepted)
                 GUR.TIP_SM.setRaw(glob::TYP.raw().left(7));
         }},
        {control("DOBR"), [](FormWindow &form, bool) { factors(form); }},
        {control("TS4_50"),
         [](FormWindow &, bool accepted) {
             if (accepted)
                 GUR.TSSR = lab::meanDeformation(GUR.TS1_50, GUR.TS2_50, GUR.TS3_50, GUR.TS4_50);
         }},
        {control("TM4"), [](FormWindow &form, bool) { shear(form); }},
        {control("US3_3_50"),
         [](FormWindow &form, bool) {
             GUR.R50 = lab::averageRule(GUR.US1_3_50, GUR.US2_3_50, GUR.US3_3_50, factors(form).Q, GUR.R50);
         }},
        {control("TS3_3_50"),
         [](FormWindow &, bool accepted) {
             if (accepted)
                 GUR.TSSR_3 = lab::meanLoadingTime(GUR.TS1_3_50, GUR.TS2_3_50, GUR.TS3_3_50);
         }},
        {control("R50"),
         [](FormWindow &, bool) {
             GUR.MPL = lab::rateExponent(GUR.USSR, GUR.R50, GUR.TSSR_3, GUR.TSSR, GUR.TGFI, GUR.C50, GUR.MPL);
         }},
        {control("US3_3_20"),
         [](FormWindow &form, bool) {
             GUR.R20 = lab::averageRule(GUR.US1_3_20, GUR.US2_3_20, GUR.US3_3_20, factors(form).Q, GUR.R20);
         }},
        {control("R20"), [](FormWindow &form, bool accepted) { activationEnergy(form, accepted); }},
        {control("US3_3_0"),
         [](FormWindow &form, bool) {
             GUR.R0 = lab::averageRule(GUR.US1_3_0, GUR.US2_3_0, GUR.US3_3_0, factors(form).Q, GUR.R0);
         }},
        {control("RASCOL3"),
         [](FormWindow &form, bool) {
             GUR.R_RASCOL = lab::averageRule(GUR.RASCOL1, GUR.RASCOL2, GUR.RASCOL3, factors(form).QRAZ, GUR.R_RASCOL);
         }},
        {control("USWOD3"),
         [](FormWindow &form, bool) {
             GUR.RWOD = lab::averageRule(GUR.USWOD1, GUR.USWOD2, GUR.USWOD3, factors(form).Q, GUR.RWOD);
         }},
        {control("RWOD"), [](FormWindow &, bool) { GUR.KWOD = lab::waterResistance(GUR.RWOD, GUR.R20, GUR.KWOD); }},
        {control("USDLIT3"),
         [](FormWindow &form, bool) {
             GUR.RDLIT = lab::averageRule(GUR.USDLIT1, GUR.USDLIT2, GUR.USDLIT3, factors(form).Q, GUR.RDLIT);
         }},
        {control("RDLIT"), [](FormWindow &, bool) { GUR.KDLIT = lab::waterResistance(GUR.RDLIT, GUR.R20, GUR.KDLIT); }},
    };
    return table;
}

void compute(FormWindow &form, const QString &objectName, bool accepted)
{
    const auto &table = computations();
    if (auto it = table.find(objectName); it != table.end())
        it->second(form, accepted);
}

// ---- the form's layout ----------------------------------------------------------------------------

constexpr int kH = 21, kRow = 25;

struct Layout {
    FormDecl &d;
    int tab;

    void text(const QString &name, const char *caption, QRect r, bool right = false)
    {
        d.texts.push_back({name, QString::fromUtf8(caption), r, right, tab});
    }
    void field(const char *column, const char *picture, QRect r, const char *tip = nullptr)
    {
        FormField f{QLatin1String(column), control(column), picture, r};
        f.tab = tab;
        if (tip)
            f.tip = QString::fromUtf8(tip);
        d.fields.push_back(f);
    }
    // A caption and its field on one line.
    void labelled(const char *caption, const char *column, const char *picture, int x, int y, int labelWidth,
                  int fieldWidth)
    {
        text(control(column) + QStringLiteral("_PROMPT"), caption, QRect(x, y, labelWidth, kH), true);
        field(column, picture, QRect(x + labelWidth + 4, y, fieldWidth, kH));
    }
};

void dryPage(FormDecl &d)
{
    Layout p{d, 0};
    // The record's head.
    p.labelled("№ :", "REZNUM", "n6", 4, 8, 28, 64);
    p.labelled("Дата", "DATE", "d5_", 104, 8, 36, 86);
    p.labelled("Тип смеси", "TIP_SM", "s7", 236, 8, 66, 66);
    p.text(QStringLiteral("GUR_DOBR_PROMPT"), "Диаметр образца", QRect(378, 8, 110, kH), true);
    FormField diameter{QStringLiteral("DOBR"), control("DOBR"), "n2", QRect(492, 7, 56, kH + 2)};
    diameter.kind = FormControlKind::DropList;
    diameter.choices = QStringList{QStringLiteral("5"), QStringLiteral("7"), QStringLiteral("10")};
    diameter.tab = 0;
    diameter.tip = QStringLiteral("см");
    d.fields.push_back(diameter);

    // The shear test at 50 °C, 50 mm/min: the unconfined and the closed-die scheme.
    constexpr int kTop = 44, kRows = kTop + 40;
    p.text(QStringLiteral("SPEED_50"), "50 мм/мин", QRect(8, kRows, 70, kH));
    p.text(QStringLiteral("TEMP_50"), "50 оС", QRect(8, kRows + kRow, 70, kH));
    p.text(QStringLiteral("HEAD_PC"), "Pс, кН", QRect(84, kTop + 16, 64, kH));
    p.text(QStringLiteral("HEAD_LC"), "l, мм", QRect(152, kTop + 16, 56, kH));
    const char *us[4] = {"US1_50", "US2_50", "US3_50", "US4_50"}, *ts[4] = {"TS1_50", "TS2_50", "TS3_50", "TS4_50"};
    for (int i = 0; i < 4; ++i) {
        p.field(us[i], "n6.3", QRect(84, kRows + i * kRow, 64, kH), "Сжатие без бокового обжатия: разрушающее усилие");
        p.field(ts[i], "n5.2", QRect(152, kRows + i * kRow, 56, kH), "Деформация при разрушении");
    }
    p.text(QStringLiteral("HEAD_PM"), "Pm, кН", QRect(328, kTop + 16, 64, kH));
    p.text(QStringLiteral("HEAD_LM"), "l, мм", QRect(396, kTop + 16, 56, kH));
    const char *um[4] = {"UM1", "UM2", "UM3", "UM4"}, *tm[4] = {"TM1", "TM2", "TM3", "TM4"};
    for (int i = 0; i < 4; ++i) {
        p.field(um[i], "n6.3", QRect(328, kRows + i * kRow, 64, kH), "усилие Маршала");
        p.field(tm[i], "n5.2", QRect(396, kRows + i * kRow, 56, kH), "Деформация");
    }
    d.charts.push_back({QStringLiteral("SCHEME_UNCONFINED"), QRect(218, kTop, 96, 126), 0});
    d.charts.push_back({QStringLiteral("SCHEME_CLOSED"), QRect(462, kTop, 96, 126), 0});
    p.labelled("Тангенс fi", "TGFI", "n5.3", 566, kRows, 76, 60);
    p.labelled("C 50, МПа:", "C50", "n6.3", 566, kRows + kRow, 76, 60);

    // The standard tests at 3 mm/min: 50, 20 and 0 °C, and the splitting.
    constexpr int kStd = 184, kHead = kStd + 24, kStdRows = kHead + 42, kResults = kStdRows + 3 * kRow + 8;
    p.text(QStringLiteral("STANDARD"), "Стандартные,3 мм/мин", QRect(8, kStd, 200, kH));
    p.text(QStringLiteral("TEMP_3_50"), "50 оС", QRect(8, kHead, 60, kH));
    p.text(QStringLiteral("HEAD_P_3_50"), "Pс, кН", QRect(8, kStdRows - 20, 60, kH));
    p.text(QStringLiteral("HEAD_T_3_50"), "t", QRect(72, kStdRows - 20, 52, kH));
    p.text(QStringLiteral("TEMP_20"), "20 оС", QRect(168, kHead, 60, kH));
    p.text(QStringLiteral("HEAD_P_3_20"), "Pс, кН", QRect(168, kStdRows - 20, 60, kH));
    p.text(QStringLiteral("TEMP_0"), "0 оС", QRect(320, kHead, 60, kH));
    p.text(QStringLiteral("HEAD_P_3_0"), "Pс, кН", QRect(320, kStdRows - 20, 64, kH));
    p.text(QStringLiteral("HEAD_RASCOL"), "Pр, кН", QRect(470, kStdRows - 20, 60, kH));
    const char *us50[3] = {"US1_3_50", "US2_3_50", "US3_3_50"}, *ts50[3] = {"TS1_3_50", "TS2_3_50", "TS3_3_50"};
    for (int i = 0; i < 3; ++i) {
        p.field(us50[i], "n5.2", QRect(8, kStdRows + i * kRow, 60, kH), "усилие при ск.3 и т-ре 50");
        p.field(ts50[i], "n5.1", QRect(72, kStdRows + i * kRow, 52, kH), "Время сжатия при 3 мм/мин");
    }
    p.labelled("R 50:", "R50", "n4.2", 4, kResults, 44, 56);
    p.labelled("m_pl:", "MPL", "n6.3", 4, kResults + kRow, 44, 64);
    const char *us20[3] = {"US1_3_20", "US2_3_20", "US3_3_20"};
    for (int i = 0; i < 3; ++i)
        p.field(us20[i], "n5.2", QRect(168, kStdRows + i * kRow, 60, kH), "усилие при ск 3 и т-ре 20");
    p.labelled("R 20:", "R20", "n4.2", 164, kResults, 44, 56);
    p.labelled("U_pl:", "UPL", "n6.0", 164, kResults + kRow, 44, 64);
    const char *us0[3] = {"US1_3_0", "US2_3_0", "US3_3_0"};
    for (int i = 0; i < 3; ++i)
        p.field(us0[i], "n6.2", QRect(320, kStdRows + i * kRow, 64, kH), "усилие при ск 3 и т-ре 0");
    p.labelled("R 0:", "R0", "n5.1", 316, kResults, 44, 56);
    const char *rascol[3] = {"RASCOL1", "RASCOL2", "RASCOL3"};
    for (int i = 0; i < 3; ++i)
        p.field(rascol[i], "n5.2", QRect(470, kStdRows + i * kRow, 60, kH), "Растяжение при расколе");
    p.labelled("r ras, МПа", "R_RASCOL", "n5.2", 446, kResults, 80, 56);
}

void wetPage(FormDecl &d)
{
    Layout p{d, 1};
    constexpr int kTop = 12, kRows = kTop + 46;
    p.text(QStringLiteral("HEAD_WOD"), "После водонасыщения", QRect(130, kTop, 150, kH));
    p.text(QStringLiteral("HEAD_DLIT"), "длительного (15 сут)", QRect(290, kTop, 150, kH));
    p.text(QStringLiteral("HEAD_WOD_KN"), "Сжатие, кН", QRect(130, kTop + 22, 100, kH));
    p.text(QStringLiteral("HEAD_DLIT_KN"), "Сжатие, кН", QRect(290, kTop + 22, 100, kH));
    const char *wod[3] = {"USWOD1", "USWOD2", "USWOD3"}, *dlit[3] = {"USDLIT1", "USDLIT2", "USDLIT3"};
    for (int i = 0; i < 3; ++i) {
        d.texts.push_back({QStringLiteral("SPECIMEN_%1").arg(i + 1), QStringLiteral("Образец № %1:").arg(i + 1),
                           QRect(8, kRows + i * kRow, 110, kH), false, 1});
        p.field(wod[i], "n5.2", QRect(130, kRows + i * kRow, 70, kH), "Усилие сжатия водонасыщенных образцов");
    }
    for (int i = 0; i < 3; ++i)
        p.field(dlit[i], "n5.2", QRect(290, kRows + i * kRow, 70, kH), "Сжатие после длительного водонасыщения");
    constexpr int kStrength = kRows + 3 * kRow + 12;
    p.labelled("Прочность Rводн, МПа", "RWOD", "n4.2", 4, kStrength, 150, 56);
    p.labelled("Rдлит_вод,МПа:", "RDLIT", "n4.2", 230, kStrength, 120, 56);
    constexpr int kGroups = kStrength + 40;
    p.text(QStringLiteral("WATER_RESISTANCE"), "Водостойкость", QRect(8, kGroups, 150, kH));
    p.labelled("Kвод:", "KWOD", "n4.2", 4, kGroups + kRow, 50, 56);
    p.labelled("Kдлит:", "KDLIT", "n4.2", 120, kGroups + kRow, 50, 56);
    p.text(QStringLiteral("SMA"), "Для ЩМА", QRect(300, kGroups, 150, kH));
    p.labelled("Стекание, %:", "UMSR", "n6.2", 296, kGroups + kRow, 90, 64);
}

FormDecl makeRezGurDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEREZGUR");
    d.file = &files::GUR;
    d.windowTitle = QStringLiteral("Журнал механических испытаний по ГОСТ 12801-98");
    d.insertTitle = QStringLiteral("Введение показателей");
    d.changeTitle = QStringLiteral("Изменение показателей");
    d.actionLine = QRect(10, 4, 400, 18);
    d.savePrompt = true;
    d.checkedUniqueKey = files::key::GUR_KEYNUMBER;
    d.checkedKeyName = QStringLiteral("GUR:keynumber");
    d.locals = {{kQ, Value(0.0)}, {kQRAZ, Value(0.0)}};
    d.tabs = QStringList{QStringLiteral("Сухие образцы"), QStringLiteral("Водонасыщенные образцы")};
    d.sheet = QRect(4, 24, 660, 410);
    dryPage(d);
    wetPage(d);
    constexpr int kButtons = 24 + 410 + 10;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(512, kButtons, 70, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Cancel"), QRect(590, kButtons, 70, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(670, kButtons + 25 + 10);

    // A new record: the diameter 7 cm, and the recipe in hand (the number field has the focus
    // at the opening); an unchanged primed record counts as unchanged.
    d.primeFields = [](FormWindow &) {
        GUR.DOBR = 7.0;
        GUR.REZNUM = recipeLink();
        GUR.OBEKT = glob::OBEKT;
        return true;
    };
    d.fieldFocused = [](FormWindow &form, const QString &objectName) { compute(form, objectName, false); };
    d.fieldAccepted = [](FormWindow &form, const QString &objectName) { compute(form, objectName, true); };
    return d;
}

void drawSchemes(FormWindow &form)
{
    for (const FormChartArea &area : form.decl().charts) {
        const QSizeF units = area.rect.size();
        form.setChart(area.objectName, area.objectName == QLatin1String("SCHEME_CLOSED") ? lab::closedDieScheme(units)
                                                                                         : lab::unconfinedScheme(units));
    }
}

// "Свойства" and "Сдвиг": procedures of the conformity protocols, started or called by name.
bool procedureAvailable(const QString &name) { return isCalledProcedureRegistered(name) || isProcedureRegistered(name); }

void shearProtocol(BrowseWindow &list)
{
    GUR.REZNUM = recipeLink();
    const QString name = QStringLiteral("RPTSD");
    if (isCalledProcedureRegistered(name)) {
        QPointer<BrowseWindow> self = &list;
        callProcedure(name, &list, [self](LONG) {
            if (self)
                self->refresh();
        });
    } else {
        startProcedure(name);
    }
}

} // namespace

BrowseDeclaration BROWSEREZGURDeclaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROWSEREZGUR");
    d.title = QStringLiteral("Механические свойства асфальтобетона");
    d.file = &files::GUR;
    d.fileName = QStringLiteral("gur");
    BrowseKeyField number{BrowseKeyField::Kind::Real, 0, {}, {}, [] { return REAL(GUR.REZNUM); }, [](REAL v) {
                              GUR.REZNUM = LONG(std::clamp<REAL>(std::trunc(v), std::numeric_limits<LONG>::min(),
                                                                 std::numeric_limits<LONG>::max()));
                          }};
    d.orders.push_back({QStringLiteral("РЕЦЕПТЫ"), QString(), files::key::GUR_KEYREZNUM, number, true});
    d.filter = [] { return GUR.REZNUM == glob::NUMMER; };
    const Picture date = Picture::of("d5_");
    d.columns = {
        BrowseColumn::number(QStringLiteral("№ п/п"), "n6", [] { return REAL(GUR.REZNUM); }),
        BrowseColumn{QStringLiteral("Дата"), date, [date] { return date.formatDate(GUR.DATE); }, 10},
        BrowseColumn::string(QStringLiteral("Тип смеси"), "s7", GUR.TIP_SM),
        BrowseColumn::number(QStringLiteral("R20,МПа"), "n4.2", [] { return GUR.R20; }),
        BrowseColumn::number(QStringLiteral("R50,МПа"), "n4.2", [] { return GUR.R50; }),
        BrowseColumn::number(QStringLiteral("R0,МПа"), "n5.1", [] { return GUR.R0; }),
        BrowseColumn::number(QStringLiteral("Tg F"), "n5.3", [] { return GUR.TGFI; }),
        BrowseColumn::number(QStringLiteral("C50,МПа"), "n6.3", [] { return GUR.C50; }),
        BrowseColumn::number(QStringLiteral("r 0, МПа"), "n5.2", [] { return GUR.R_RASCOL; }),
        BrowseColumn::string(QStringLiteral("obekt"), "s20", GUR.OBEKT),
    };
    // Each test against the requirements, from the same verdict as the test protocol's marks.
    auto verdicts = std::make_shared<quality::TestVerdicts>();
    d.columns.push_back({QStringLiteral("Соответствие"), Picture::of("s40"), [verdicts] { return verdicts->text(GUR); }, 36});
    d.liveCaption = [] {
        return QStringLiteral("Соответствие требованиям стандарта: ДКЗ %1, марка смеси по рецепту")
            .arg(conformity_zone::current());
    };
    d.insert = BrowseButton{QStringLiteral("&Добавить"), QStringLiteral("INSERT")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE")};
    BrowseExtraButton properties{QStringLiteral("Свойства"), QStringLiteral("PROPERTIES"),
                                 [](BrowseWindow &) { startProcedure(QStringLiteral("PROTVSE")); }};
    properties.enabled = [](const BrowseWindow &) { return isProcedureRegistered(QStringLiteral("PROTVSE")); };
    properties.beforeClose = true;
    BrowseExtraButton shearButton{QStringLiteral("Сдвиг"), QStringLiteral("SHEAR"), shearProtocol};
    shearButton.enabled = [](const BrowseWindow &) { return procedureAvailable(QStringLiteral("RPTSD")); };
    shearButton.beforeClose = true;
    d.extraButtons = {properties, shearButton};
    d.updateForm = UPDATEREZGUR;
    return d;
}

BrowseWindow *BROWSEREZGUR() { return new BrowseWindow(BROWSEREZGURDeclaration()); }

BrowseWindow *callBROWSEREZGUR(QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    auto *list = BROWSEREZGUR();
    callList(
        list, caller,
        [done = std::move(done)](LONG) {
            if (done)
                done(glob::RequestCancelled); // the journal hands nothing back
        },
        std::move(host));
    return list;
}

const FormDecl &updateRezGurDecl()
{
    static const FormDecl decl = makeRezGurDecl();
    return decl;
}

FormWindow *UPDATEREZGUR(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    FormWindow *form = openForm(updateRezGurDecl(), request, caller, std::move(done), std::move(host));
    if (form)
        drawSchemes(*form);
    return form;
}
