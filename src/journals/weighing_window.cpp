#include "journals/weighing_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/procedures_ui.h"
#include "framework/reportprogress_window.h"
#include "journals/weighing_report.h"
#include "journals/schemes.h"
#include "journals/weighing.h"

#include <array>
#include <memory>

namespace {

using Mass = ObrgidroRecord::Mass;

// The fifteen weighings of OBR, row by row (G0 .. G4), specimen by specimen.
std::array<std::array<Mass *, 3>, 5> weighingFields()
{
    return {{{&OBR.G0, &OBR.G01, &OBR.G02},
             {&OBR.G1, &OBR.G11, &OBR.G12},
             {&OBR.G2, &OBR.G21, &OBR.G22},
             {&OBR.G3, &OBR.G31, &OBR.G32},
             {&OBR.G4, &OBR.G41, &OBR.G42}}};
}

lab::Weighings weighingsOfRecord()
{
    lab::Weighings w;
    const auto f = weighingFields();
    for (int s = 0; s < 3; ++s) {
        w.G0[s] = *f[0][size_t(s)];
        w.G1[s] = *f[1][size_t(s)];
        w.G2[s] = *f[2][size_t(s)];
        w.G3[s] = *f[3][size_t(s)];
        w.G4[s] = *f[4][size_t(s)];
    }
    return w;
}

// What the form tells of its last evaluation, under the results.
QString evaluationNote(const lab::WeighingEvaluation &e)
{
    if (e.outcome == lab::WeighingOutcome::ZeroVolume)
        return QStringLiteral("Плотность не определена: у образцов G1 = G2");
    if (e.outcome == lab::WeighingOutcome::OutOfRange)
        return QStringLiteral("Плотность не определена: веса вне допустимых значений");
    QStringList left;
    for (int s = 0; s < 3; ++s)
        if (e.leftOut & (1u << s))
            left.append(QString::number(s + 1));
    if (left.isEmpty())
        return {};
    return (left.size() == 1 ? QStringLiteral("Образец %1 не учтен: G1 = G2") : QStringLiteral("Образцы %1 не учтены: G1 = G2"))
        .arg(left.join(QStringLiteral(", ")));
}

// The recipe OBR:NUMMER is read into the recipe in memory and given the density. A recipe that
// is not in the file leaves the one in memory as it was.
void handDensityToRecipe()
{
    FileUse use(files::PODBOR);
    if (!use.ok())
        return;
    DataFile &file = files::PODBOR;
    const Row held = file.buffer().save();
    const DataFile::ReadState state = file.readState();
    POD.NUM = OBR.NUMMER;
    if (file.get(files::key::POD_KEYNUM) == FileError::None) {
        POD.PLOTN = OBR.PLOT;
        return;
    }
    file.buffer().load(held);
    file.restoreReadState(state);
}

void evaluate(FormWindow &form, QString &note)
{
    const lab::WeighingEvaluation e = lab::evaluateWeighings(weighingsOfRecord(), {OBR.PLOT, OBR.WOD, OBR.NABUH});
    OBR.PLOT = e.results.PLOT;
    OBR.WOD = e.results.WOD;
    OBR.NABUH = e.results.NABUH;
    note = evaluationNote(e);
    handDensityToRecipe();
    form.refreshWindow();
}

FormDecl makeObr11Decl(std::shared_ptr<QString> note)
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEOBR11");
    d.file = &files::OBRGIDRO;
    d.windowTitle = QStringLiteral("Гидростатическое взвешивание");
    d.insertTitle = QStringLiteral("Добавление");
    d.changeTitle = QStringLiteral("Изменение");
    d.actionLine = QRect(16, 8, 200, 18);
    d.savePrompt = true;
    d.checkedUniqueKey = files::key::OBR_KEYNUMMER;
    d.checkedKeyName = QStringLiteral("OBR:KeyNummer");

    constexpr int kRowH = 21;
    d.texts.push_back({QStringLiteral("NUMMER_PROMPT"), QStringLiteral("Номер смеси:"), QRect(16, 34, 96, kRowH)});
    // Six digits: every recipe number fits (a narrower picture would show, and refuse, "####").
    FormField number{QStringLiteral("NUMMER"), QStringLiteral("OBR_NUMMER"), "N6_", QRect(116, 34, 72, kRowH)};
    number.tip = QStringLiteral("Номер керна");
    d.fields.push_back(number);

    // The grid: a row per weighing, a column per specimen.
    constexpr int kGridX = 60, kColW = 84, kGap = 8, kHeadY = 64, kRow0 = 86, kStep = 26;
    const char *heads[] = {"Образец 1", "Образец 2", "Образец 3"};
    for (int s = 0; s < 3; ++s)
        d.texts.push_back({QStringLiteral("HEAD_%1").arg(s + 1), QString::fromUtf8(heads[s]),
                           QRect(kGridX + s * (kColW + kGap), kHeadY, kColW, 18)});
    const char *columns[5][3] = {{"G0", "G01", "G02"}, {"G1", "G11", "G12"}, {"G2", "G21", "G22"},
                                 {"G3", "G31", "G32"}, {"G4", "G41", "G42"}};
    const char *tips[] = {"на воздухе сухие", "на воздухе", "в воде", "на воздухе п вй", "в воде п в"};
    for (int r = 0; r < 5; ++r) {
        const int y = kRow0 + r * kStep;
        d.texts.push_back({QStringLiteral("ROW_G%1").arg(r), QStringLiteral("G%1").arg(r), QRect(16, y, 36, kRowH)});
        for (int s = 0; s < 3; ++s) {
            const QString column = QLatin1String(columns[r][s]);
            FormField f{column, QStringLiteral("OBR_") + column, "n-9.2",
                        QRect(kGridX + s * (kColW + kGap), y, kColW, kRowH)};
            f.tip = QString::fromUtf8(tips[r]);
            d.fields.push_back(f);
        }
    }

    // The results under the grid.
    const int resultsY = kRow0 + 5 * kStep + 12;
    d.texts.push_back({QStringLiteral("PLOT_PROMPT1"), QStringLiteral("Средняя"), QRect(16, resultsY - 8, 80, 16)});
    d.texts.push_back({QStringLiteral("PLOT_PROMPT2"), QStringLiteral("плотность"), QRect(16, resultsY + 8, 80, 16)});
    d.fields.push_back({QStringLiteral("PLOT"), QStringLiteral("OBR_PLOT"), "n6.3", QRect(96, resultsY, 64, kRowH)});
    d.texts.push_back({QStringLiteral("WOD_PROMPT"), QStringLiteral("Водонасыщение"), QRect(180, resultsY, 110, kRowH)});
    d.fields.push_back({QStringLiteral("WOD"), QStringLiteral("OBR_WOD"), "n5.2", QRect(290, resultsY, 56, kRowH)});
    d.texts.push_back({QStringLiteral("NABUH_PROMPT"), QStringLiteral("Набухание"), QRect(370, resultsY, 84, kRowH)});
    d.fields.push_back({QStringLiteral("NABUH"), QStringLiteral("OBR_NABUH"), "n5.2", QRect(454, resultsY, 56, kRowH)});
    d.texts.push_back({QStringLiteral("EVALUATION"), QString(), QRect(16, resultsY + 30, 494, 18), false, -1,
                       [note] { return *note; }});

    // The picture of the weighing beside the grid.
    d.charts.push_back({QStringLiteral("IMAGE1"), QRect(350, 24, 170, 110)});

    const int buttonsY = resultsY + 58;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(366, buttonsY, 68, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Cancel"), QRect(442, buttonsY, 68, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(528, buttonsY + 25 + 14);

    d.primeFields = [](FormWindow &) {
        OBR.NUMMER = glob::NUMMER;
        return true;
    };
    d.fieldFocused = [note](FormWindow &form, const QString &objectName) {
        if (objectName == QLatin1String("OBR_NUMMER")) {
            OBR.NUMMER = glob::NUMMER;
            form.refreshWindow();
        } else if (objectName == QLatin1String("OBR_PLOT")) {
            evaluate(form, *note);
        }
    };
    d.fieldAccepted = [note](FormWindow &form, const QString &objectName) {
        if (objectName == QLatin1String("OBR_PLOT"))
            evaluate(form, *note);
    };
    return d;
}

} // namespace

BrowseDeclaration BROWSEOBR2Declaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROWSEOBR2");
    d.title = QStringLiteral("Просмотр результатов гидростатического взвешивания");
    d.file = &files::OBRGIDRO;
    d.fileName = QStringLiteral("OBRGIDRO");
    d.orders.push_back({QStringLiteral("Подборы смесей"), QString(), files::key::OBR_KEYNUMMER,
                        BrowseKeyField::real(OBR.NUMMER), true});
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Номер"), "n6", [] { return OBR.NUMMER; }));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Ср.Плотность,г/см3"), "n5.3", [] { return OBR.PLOT; }));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Водонасыщение, %"), "n4.1", [] { return OBR.WOD; }));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Набухание,%"), "n4.1", [] { return OBR.NABUH; }));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Ключ"), "s20", OBR.OBEKT));
    d.insert = BrowseButton{QStringLiteral("&Ввести Новый"), QStringLiteral("INSERT")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE")};
    BrowseExtraButton protocol{QStringLiteral("Протокол"), QStringLiteral("PROTOCOL"), [](BrowseWindow &) {
                                   if (QWidget *progress = PROTGIDR_PODBOR())
                                       showInFrame(progress);
                               }};
    protocol.beforeClose = true;
    d.extraButtons.push_back(protocol);
    d.tip = QStringLiteral("Выбор записи");
    d.updateForm = UPDATEOBR11;
    d.filter = [] { return OBR.NUMMER == glob::NUMMER; };
    return d;
}

BrowseWindow *BROWSEOBR2() { return new BrowseWindow(BROWSEOBR2Declaration()); }

FormWindow *UPDATEOBR11(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    auto note = std::make_shared<QString>();
    FormWindow *form = openForm(makeObr11Decl(note), request, caller, std::move(done), std::move(host));
    if (form)
        form->setChart(QStringLiteral("IMAGE1"), schemes::weighingScheme());
    return form;
}

QWidget *PROTGIDR_PODBOR()
{
    ReportDefinition def;
    def.title = weighing_report::title();
    def.run = weighing_report::run();
    def.layout = weighing_report::layout();
    def.detail = &weighing_report::detail;
    return ReportProcedure::start(std::move(def));
}

void registerWeighingProcedures()
{
    registerProcedure(QStringLiteral("BROWSEOBR2"), [] { return BROWSEOBR2(); });
    registerCalledProcedure(QStringLiteral("BROWSEOBR2"), [](QWidget *caller, std::function<void(LONG)> done) {
        callList(BROWSEOBR2(), caller, std::move(done));
    });
    registerProcedure(QStringLiteral("PROTGIDR_PODBOR"), &PROTGIDR_PODBOR);
}
