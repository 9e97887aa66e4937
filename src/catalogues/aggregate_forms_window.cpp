#include "catalogues/aggregate_forms_window.h"

#include "catalogues/grading.h"
#include "data/files.h"


#include <map>

namespace {

using grading::AggregateKind;

// A field of the first tab beside the sieve grid, or a caption when `column` is empty.
struct SideItem {
    const char *prompt;
    const char *column;
    const char *picture;
};

// What one material's form has of its own.
struct AggregateForm {
    AggregateKind kind;
    const char *procedure;
    DataFile *file;
    const char *prefix;          // "SPL": control names SPL_NAIMEN ...
    const char *title, *insertTitle, *changeTitle;
    bool savePrompt;
    bool messageLine;            // the action message in a text line, the title kept
    const char *tab1, *tab2;
    std::vector<SideItem> top;   // above the sieve grid (the name first)
    const char *heading;         // over the sieve grid
    int firstSieve;              // 0-based index of the first sieve shown
    std::function<const char *(int)> sievePicture;
    std::vector<SideItem> side;  // beside the sieve grid
    const char *massPrompt, *panPrompt, *discrepancyPrompt;
    const char *residuePicture, *discrepancyPicture;
    bool numberOnResidues;       // the laboratory number repeated on the second tab
    std::function<sieves::Grading &()> zrn; // the grading of the record in the buffer
};

constexpr int kRow = 24, kH = 21;
constexpr int kTabTop = 26;        // below the action message line
constexpr int kWidth = 470;

// Tall enough for the sieve grid of the first tab and the residues of the second.
int pageHeight(const AggregateForm &f)
{
    const int sieves = 11 - f.firstSieve;
    const int grid = 10 + int(f.top.size()) * (kRow + 2) + 26 + sieves * kRow;
    const int residues = 10 + kRow + 6 + (sieves + 1) * kRow + 6 + kH;
    return std::max(grid, residues) + 20;
}

QString name(const AggregateForm &f, const QString &column) { return QLatin1String(f.prefix) + QLatin1Char('_') + column; }

// The grading step of the form: with a sample mass, the passing percentages worked out from the
// residues of the second page (window-local values, zero at every opening) replace the grading,
// and the discrepancy is shown.
grading::SieveAnalysis analysisOf(const FormWindow &form)
{
    grading::SieveAnalysis a;
    a.MNAWESK = form.localNumber(QStringLiteral("MNAWESK"));
    a.MPODDON = form.localNumber(QStringLiteral("MPODDON"));
    for (int i = 0; i < 11; ++i) // sieves not shown stay 0
        a.DIMZASTN[size_t(i)] = form.localNumber(QStringLiteral("DIMZASTN_") + QString::number(i + 1));
    return a;
}

void followResidues(FormWindow &form, const AggregateForm &material)
{
    const grading::SieveAnalysis a = analysisOf(form);
    form.setLocal(QStringLiteral("NEVJAZK"), grading::discrepancy(a)); // 0 for a sample mass of 0
    if (a.MNAWESK <= 0) return;
    grading::Grading &z = material.zrn();
    z = grading::passingFromResidues(material.kind, a, z);
}

FormDecl makeDecl(const AggregateForm &f)
{
    FormDecl d;
    d.procedure = QLatin1String(f.procedure);
    d.file = f.file;
    d.windowTitle = QString::fromUtf8(f.title);
    d.insertTitle = QString::fromUtf8(f.insertTitle);
    d.changeTitle = QString::fromUtf8(f.changeTitle);
    d.savePrompt = f.savePrompt;
    d.resizer = false; // the tab sheet is laid out once
    if (f.messageLine)
        d.actionLine = QRect(12, 4, kWidth - 24, 18);
    d.tabs = QStringList{QString::fromUtf8(f.tab1), QString::fromUtf8(f.tab2)};
    d.sheet = QRect(4, f.messageLine ? kTabTop : 4, kWidth - 8, pageHeight(f) + 28);
    // The first page: the name and numbers, the grading and the side values.
    const auto onFirst = [](FormField field) { field.tab = 0; return field; };
    int y = 10;
    for (const SideItem &s : f.top) {
        d.texts.push_back({name(f, QLatin1String(s.column)) + QStringLiteral("_PROMPT"), QString::fromUtf8(s.prompt),
                           QRect(10, y, 186, kH), false, 0});
        d.fields.push_back(onFirst({QLatin1String(s.column), name(f, QLatin1String(s.column)), s.picture, QRect(200, y, 170, kH)}));
        y += kRow + 2;
    }
    const int kGridTop = y + 26;
    d.texts.push_back({QStringLiteral("HEADING"), QString::fromUtf8(f.heading), QRect(10, y + 4, 300, 18), false, 0});
    for (int i = f.firstSieve; i < 11; ++i) {
        const int row = i - f.firstSieve;
        const QString element = QStringLiteral("ZRN_") + QString::number(i + 1);
        d.texts.push_back({QStringLiteral("SIEVE_") + QString::number(i + 1), QString::fromUtf8(sieves::LABELS[i]) + QLatin1Char(':'),
                           QRect(10, kGridTop + row * kRow, 50, kH), true, 0});
        d.fields.push_back(onFirst({element, name(f, element), f.sievePicture(i), QRect(64, kGridTop + row * kRow, 60, kH)}));
    }
    y = kGridTop;
    for (const SideItem &s : f.side) {
        if (!s.column) {
            d.texts.push_back({QStringLiteral("CAPTION_") + QString::number(y), QString::fromUtf8(s.prompt), QRect(160, y, 190, kH), false, 0});
        } else {
            d.texts.push_back({name(f, QLatin1String(s.column)) + QStringLiteral("_PROMPT"), QString::fromUtf8(s.prompt),
                               QRect(160, y, 150, kH), true, 0});
            d.fields.push_back(onFirst({QLatin1String(s.column), name(f, QLatin1String(s.column)), s.picture, QRect(314, y, 100, kH)}));
        }
        y += kRow + 4;
    }

    // The second page: the sieve analysis, working values of this opening only.
    const auto residueRow = [&d](const QString &local, const QString &prompt, const char *picture, int y) {
        d.locals.emplace_back(local, Value(0.0));
        d.texts.push_back({local + QStringLiteral("_PROMPT"), prompt, QRect(10, y, 150, kH), true, 1});
        FormField field{QString(), local, picture, QRect(164, y, 70, kH)};
        field.local = local;
        field.tab = 1;
        d.fields.push_back(field);
    };
    y = 10;
    residueRow(QStringLiteral("MNAWESK"), QString::fromUtf8(f.massPrompt), "n7.2", y);
    if (f.numberOnResidues) { // the laboratory number repeated
        d.texts.push_back({QStringLiteral("NUM_2_PROMPT"), QStringLiteral("Лаб.№:"), QRect(250, y, 76, kH), true, 1});
        FormField number{QStringLiteral("NUM"), name(f, QStringLiteral("NUM_2")), "n4", QRect(330, y, 60, kH)};
        number.tab = 1;
        d.fields.push_back(number);
    }
    y += kRow + 6;
    for (int i = f.firstSieve; i < 11; ++i, y += kRow)
        residueRow(QStringLiteral("DIMZASTN_") + QString::number(i + 1),
                   QString::fromUtf8(sieves::LABELS[i]) + QString::fromUtf8(i == 10 ? ":" : " мм:"), f.residuePicture, y);
    residueRow(QStringLiteral("MPODDON"), QString::fromUtf8(f.panPrompt), f.residuePicture, y);
    residueRow(QStringLiteral("NEVJAZK"), QString::fromUtf8(f.discrepancyPrompt), f.discrepancyPicture, y + kRow + 6);
    d.fields.back().displayOnly = true;

    const int buttonsY = (f.messageLine ? kTabTop : 4) + pageHeight(f) + 36;
    const bool help = !f.messageLine;
    int x = kWidth - (help ? 3 : 2) * 76;
    if (help) {
        d.buttons.push_back({QStringLiteral("HELP"), QStringLiteral("Help"), QRect(x, buttonsY, 68, 25), FormButtonRole::Help, {}});
        x += 76;
    }
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(x, buttonsY, 68, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Cancel"), QRect(x + 76, buttonsY, 68, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(kWidth, buttonsY + 25 + 10);

    const AggregateForm *material = &f;
    d.eachEvent = [material](FormWindow &form) { followResidues(form, *material); };
    // A name the user accepts sets the coarse sieves to 100: those the form does not show, and
    // a shown one (sand 10 mm, powder 1.25 mm) while it is empty. OK's pass over every field
    // leaves them alone, so a typed passing is what is stored.
    d.fieldAccepted = [material](FormWindow &form, const QString &objectName) {
        if (form.acceptingAll() || objectName != name(*material, QStringLiteral("NAIMEN"))) return;
        grading::Grading &z = material->zrn();
        const grading::Grading g = grading::setCoarseSievesTo100(material->kind, z);
        for (int i = 0; i < 11; ++i)
            if (i < material->firstSieve || z[i] == 0) z[i] = g[size_t(i)];
    };
    return d;
}

FormWindow *openAggregateForm(const AggregateForm &f, LONG request, QWidget *caller, std::function<void(LONG)> done,
                              WindowHost host)
{
    static std::map<const AggregateForm *, FormDecl> decls;
    auto it = decls.find(&f);
    if (it == decls.end()) it = decls.emplace(&f, makeDecl(f)).first;
    return openForm(it->second, request, caller, std::move(done), std::move(host));
}

const AggregateForm &crushedStone()
{
    static const AggregateForm f{
        AggregateKind::CrushedStone, "UPDATESPLIT", &files::SPLIT, "SPL",
        "Редактор свойств щебня", "Ввести свойства", "Изменить свойства", true, true,
        "Основные", "Частные остатки",
        {{"Наименование щебня:", "NAIMEN", "s20"}, {"Лаб. №:", "NUM", "n4"}, {"Марка:", "MARKA", "n4"}},
        "Содержание зерен мельче мм в %", 0,
        [](int i) { return i < 5 ? "n5.1" : "n4.1"; },
        {{"Плотность, г/см3  >>", nullptr, nullptr}, {"истинная:", "PLOTN", "n5.3"}, {"насыпная:", "NASPLOTN", "n4.2"},
         {"% лещадки:", "LEZHAD", "n4.1"}, {"Цена, УЕ/м3:", "COSTSPL", "n10.2"}},
        "Навеска в грамм (%):", "<0,071:", "Невязка,%:", "n7.2", "n-6.2", true,
        []() -> sieves::Grading & { return SPL.ZRN; }};
    return f;
}

const AggregateForm &naturalSand()
{
    static const AggregateForm f{
        AggregateKind::NaturalSand, "UPDATESANT", &files::SANT, "SAN",
        "Введи показатели песка", "Добавить", "Изменить", true, true,
        "Основные", "Частные остатки",
        {{"Наименование:", "NAIMEN", "s20"}, {"Лаб. №:", "NUM", "n4"}},
        "Содержание зерен в % мельче мм", 3,
        [](int i) { return i >= 9 ? "n4.1" : "n5.1"; },
        {{"Плотность, г/см3 :", nullptr, nullptr}, {"истинная:", "PLOTN", "n5.3"}, {"насыпная:", "NASPLOTN", "n4.2"},
         {"Цена, УЕ/м3:", "COSTPESOK", "n10.2"}},
        "Навеска, г (%):", "<0.071:", "Невязка,%:", "n6.2", "n-5.2", false,
        []() -> sieves::Grading & { return SAN.ZRN; }};
    return f;
}

const AggregateForm &screenings()
{
    static const AggregateForm f{
        AggregateKind::Screenings, "UPDATEOTSEW", &files::OTSEW, "OTS",
        "Введи показатели отсева", "Добавить", "Изменить", false, false,
        "База", "Частные остатки",
        {{"Имя:", "NAIMEN", "s20"}, {"Лаб. №:", "NUM", "n4"}, {"Марка:", "MARKA", "n4"}},
        "% зерен мельче мм", 3,
        [](int) { return "n5.1"; },
        {{"Плотн,г/см3 ", nullptr, nullptr}, {"истинная:", "PLOTN", "n5.3"}, {"насыпная:", "NASPLOTN", "n4.2"},
         {"Цена, УЕ/м3:", "COSTOTSW", "n10.2"}},
        "Навеска, г (%):", "<0,071:", "Невязка, %:", "n6.2", "n-5.2", false,
        []() -> sieves::Grading & { return OTS.ZRN; }};
    return f;
}

const AggregateForm &mineralPowder()
{
    static const AggregateForm f{
        AggregateKind::MineralPowder, "UPDATEFILLER", &files::FILLER, "FIL",
        "Введи показатели", "Вести показатели", "Изменить показатели", false, false,
        "Минеральный порошок", "ЧастнОстатки",
        {{"Имя:", "NAIMEN", "s20"}, {"Лаб. №:", "NUM", "n4"}, {"Истинная плотность, г/см3:", "PLOTN", "n5.3"}},
        "Содержание зерен в % мельче, мм:", 6,
        [](int) { return "n5.1"; },
        {{"Стоимость, УЕ/т:", "COSTFILLER", "n7.2"}},
        "Навеска, г (%):", "<0,071:", "Невязка,%:", "n6.2", "n-5.1", false,
        []() -> sieves::Grading & { return FIL.ZRN; }};
    return f;
}

} // namespace

FormWindow *UPDATESPLIT(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openAggregateForm(crushedStone(), request, caller, std::move(done), std::move(host));
}
FormWindow *UPDATESANT(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openAggregateForm(naturalSand(), request, caller, std::move(done), std::move(host));
}
FormWindow *UPDATEOTSEW(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openAggregateForm(screenings(), request, caller, std::move(done), std::move(host));
}
FormWindow *UPDATEFILLER(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openAggregateForm(mineralPowder(), request, caller, std::move(done), std::move(host));
}
