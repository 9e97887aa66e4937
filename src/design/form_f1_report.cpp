#include "design/form_f1_report.h"
#include "design/recipe_report_values.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/picture.h"

namespace form_f1_report {

namespace {
using namespace reportalign;

// A text field printed whole: the engine fits it to its box, never cut to a picture's width.
QString whole(const QString &value) { return value.trimmed(); }

QString number(const char *picture, double value) { return reportNumber(picture, value); }

// A text placed at (x, y), w x h millimetres of the band.
void put(ReportBand &b, double x, double y, double w, double h, const QString &s, int align, double pt = 9,
         bool bold = false)
{
    b.textIn(QRectF(x, y, w, h), s, align, pt, bold);
}

// ---- 1. approval block ----

void approvalColumn(ReportBand &b, double x, const QString &heading, const QString &post, const QString &firm,
                    const QString &name)
{
    put(b, x, 0, 76, 5.5, heading, kLeft, 10, true);
    put(b, x, 6, 76, 5, post, kLeft, 10);
    put(b, x, 11.5, 76, 5, firm, kLeft, 10);
    b.line(x, 22, x + 28, 22, 0.2);
    put(b, x + 30, 17.5, 46, 5, name, kLeft, 10);
}

// ---- 3. grading chart ----

constexpr double kChartLeft = 6, kChartTop = 93, kChartHeight = 53, kChartStep = 84.0 / 11;

unsigned rgb(int red, int green, int blue) { return unsigned(red) << 16 | unsigned(green) << 8 | unsigned(blue); }

// The sieve sizes as the tables head their columns.
const char *const kSievePictures[11] = {"n2", "n2", "n2", "n2", "n1", "n3.1", "n4.2", "n4.2", "n5.3", "n4.2", "n5.3"};

QString sieveText(const FormValues &v, int i) { return number(kSievePictures[i], v.DMM[size_t(i)]); }

// The envelope around the designed curve, which the chart draws from the top edge down by the
// falls of its grading (Algorithms of the form): a value v stands where the curve would show it,
// (PROEKT[1] - v) below the top edge. With its legend at (x, y).
void envelope(ReportBand &b, const FormValues &v, double x, double y)
{
    const double u = kChartUnitMm;
    const unsigned green = rgb(0, 160, 0);
    for (const design::Grading *g : {&v.low, &v.high})
        for (int i = 0; i < 10; ++i) {
            const auto at = [&](int k) {
                return QPointF((kChartLeft + kChartStep * k) * u,
                               (kChartTop + (v.PROEKT[0] - (*g)[size_t(k)]) * kChartHeight / 100) * u);
            };
            b.line(at(i).x(), at(i).y(), at(i + 1).x(), at(i + 1).y(), 3 * kPenUnitMm, green);
        }
    b.line(x, y, x + 10, y, 3 * kPenUnitMm, green);
    put(b, x + 12, y - 2.5, 60, 5, QStringLiteral("5-95 % при разбросе материалов"), kLeft, 8);
    put(b, x, y + 3, 70, 5, QStringLiteral("Надёжность: %1 %").arg(number("n5.1", v.reliability).trimmed()), kLeft, 8, true);
}

void chart(ReportBand &b, const FormValues &v)
{
    const double u = kChartUnitMm;
    for (const design::ChartStroke &s : design::gradingChart(v.PROEKT, v.ZRN))
        b.line(s.x * u, s.y * u, (s.x + s.w) * u, (s.y + s.h) * u, s.penWidth * kPenUnitMm, rgb(s.red, s.green, s.blue));
    // The fixed labels: 100 % at the top edge down to 10 %, the sieve sizes under the bottom edge.
    for (int k = 0; k <= 9; ++k)
        put(b, 0, (kChartTop + 5.3 * k) * u - 2, (kChartLeft - 0.6) * u, 4, QString::number(100 - 10 * k), kRight, 6);
    for (int i = 0; i < 11; ++i)
        put(b, (kChartLeft + kChartStep * (i - 0.5)) * u, (kChartTop + kChartHeight) * u + 0.5, kChartStep * u, 3.5,
            sieveText(v, i), kCenter, 6);
    // What the lines are.
    const double x = (kChartLeft + 84.0 * 10 / 11) * u + 14, y = kChartTop * u + 8;
    b.line(x, y, x + 10, y, 8 * kPenUnitMm, rgb(255, 0, 0));
    put(b, x + 12, y - 2.5, 60, 5, QStringLiteral("проектный состав"), kLeft, 8);
    b.line(x, y + 7, x + 10, y + 7, 2 * kPenUnitMm, rgb(0, 0, 255));
    put(b, x + 12, y + 4.5, 60, 5, QStringLiteral("требования (min, max)"), kLeft, 8);
    put(b, x, y + 14, 70, 4, QStringLiteral("по вертикали: % мельче данного размера"), kLeft, 7);
    put(b, x, y + 18, 70, 4, QStringLiteral("по горизонтали: размер зерен, мм"), kLeft, 7);
    if (v.envelope)
        envelope(b, v, x, y + 25);
}

// ---- 4, 5. tables ----

constexpr double kNameW = 40, kDensityW = 15, kSieveW = 10.5, kShareW = 15.5;
constexpr double kSieveX = kNameW + kDensityW;
constexpr double kShareX = kSieveX + 11 * kSieveW;
constexpr double kTableW = kShareX + kShareW;
constexpr double kRowH = 4.2;

double sieveX(int i) { return kSieveX + kSieveW * i; }

// The rules of a table: its outline, the column edges and a rule under each row.
void ruleTable(ReportBand &b, double top, double headerH, int rows)
{
    const double bottom = top + headerH + rows * kRowH;
    b.box(QRectF(0, top, kTableW, bottom - top), 0.25);
    for (double x : {kNameW, kSieveX, kShareX})
        b.line(x, top, x, bottom, 0.2);
    for (int i = 1; i < 11; ++i)
        b.line(sieveX(i), top + headerH / 2, sieveX(i), bottom, 0.15);
    for (int r = 0; r < rows; ++r)
        b.line(0, top + headerH + r * kRowH, kTableW, top + headerH + r * kRowH, r == 0 ? 0.25 : 0.15);
}

void sieveHeaders(ReportBand &b, const FormValues &v, double y, double h)
{
    for (int i = 0; i < 11; ++i)
        put(b, sieveX(i), y, kSieveW, h, sieveText(v, i), kCenter, 7.5);
}

void materials(ReportBand &b, const FormValues &v, double top)
{
    put(b, 0, top, 120, 5, QStringLiteral("1. Минеральные материалы"), kLeft, 10, true);
    const double t = top + 5.5, headerH = 8;
    ruleTable(b, t, headerH, 6);
    b.line(kSieveX, t + headerH / 2, kShareX, t + headerH / 2, 0.15);
    put(b, 0, t, kNameW, headerH, QStringLiteral("Наименование"), kCenter, 8);
    put(b, kNameW, t, kDensityW, headerH / 2, QStringLiteral("Ист.плотн."), kCenter, 6.5);
    put(b, kNameW, t + headerH / 2, kDensityW, headerH / 2, QStringLiteral("г/куб.см"), kCenter, 6.5);
    put(b, kSieveX, t, 11 * kSieveW, headerH / 2, QStringLiteral("Содержание зерен в %, мельче мм:"), kCenter, 7.5);
    sieveHeaders(b, v, t + headerH / 2, headerH / 2);
    put(b, kShareX, t, kShareW, headerH / 2, QStringLiteral("% в"), kCenter, 7);
    put(b, kShareX, t + headerH / 2, kShareW, headerH / 2, QStringLiteral("смеси"), kCenter, 7);
    for (int j = 0; j < 6; ++j) {
        const double y = t + headerH + j * kRowH;
        put(b, 1, y, kNameW - 1.5, kRowH, whole(v.DIMNAME[size_t(j)]), kLeft, 7.5);
        put(b, kNameW, y, kDensityW, kRowH, v.cells.ISTPLKOMP[size_t(j)], kCenter, 7.5);
        for (int i = 0; i < 11; ++i)
            put(b, sieveX(i), y, kSieveW, kRowH, v.cells.SOSTKOMP[size_t(i)][size_t(j)], kCenter, 7.5);
        put(b, kShareX, y, kShareW, kRowH, v.cells.SODKOMP[size_t(j)], kCenter, 7.5);
    }
}

void designedGrading(ReportBand &b, const FormValues &v, double top)
{
    put(b, 0, top, 120, 5, QStringLiteral("2. Проектный состав"), kLeft, 10, true);
    const double t = top + 5.5, headerH = 6;
    ruleTable(b, t, headerH, 3);
    sieveHeaders(b, v, t, headerH);
    put(b, kShareX, t, kShareW, headerH / 2, QStringLiteral("Битум,"), kCenter, 6.5);
    put(b, kShareX, t + headerH / 2, kShareW, headerH / 2, QStringLiteral("% св.100"), kCenter, 6.5);
    const double y0 = t + headerH;
    put(b, 1, y0, kSieveX - 1.5, kRowH, QStringLiteral("Тип смеси ") + design::mixTypeName(v.TYP), kLeft, 7.5);
    put(b, 1, y0 + kRowH, kNameW - 1.5, kRowH, QStringLiteral("Требования"), kLeft, 7.5);
    put(b, kNameW, y0 + kRowH, kDensityW, kRowH, QStringLiteral("min"), kCenter, 7.5);
    put(b, kNameW, y0 + 2 * kRowH, kDensityW, kRowH, QStringLiteral("max"), kCenter, 7.5);
    for (int i = 0; i < 11; ++i) {
        put(b, sieveX(i), y0, kSieveW, kRowH, number("n5.1", v.PROEKT[size_t(i)]), kCenter, 7.5);
        put(b, sieveX(i), y0 + kRowH, kSieveW, kRowH, number("n5.1", v.ZRN[size_t(i)][0]), kCenter, 7.5);
        put(b, sieveX(i), y0 + 2 * kRowH, kSieveW, kRowH, number("n5.1", v.ZRN[size_t(i)][1]), kCenter, 7.5);
    }
    put(b, kShareX, y0, kShareW, kRowH, number("n4.1", v.JBITGL), kCenter, 7.5);
}

// ---- 6. recipe ----

void recipe(ReportBand &b, const FormValues &v, const QString &additiveUse, double top)
{
    put(b, 0, top, kTableW, 6, QStringLiteral("РЕЦЕПТ"), kCenter, 12, true);
    put(b, 0, top + 6, kTableW, 5,
        QStringLiteral("асфальтобетонной смеси типа ") + design::mixTypeName(v.TYP) + QStringLiteral(" в % по массе"), kCenter, 10);
    const design::RecipePercentages &r = v.recipe;
    // The label, the bitumen grade after its label, the value; all crushed stone beside its four
    // fractions, behind a bracket.
    constexpr double kLabelX = 20, kLabelW = 44, kGradeX = 65, kGradeW = 28, kValueX = 94, kValueW = 14, kStep = 4.3;
    const double y0 = top + 12.5;
    // Signed: a design whose fractions pass 100 % shows the sand below 0 as it is, not "#####".
    auto line = [&](int row, const QString &label, double value) {
        put(b, kLabelX, y0 + row * kStep, kLabelW, kStep, label, kLeft, 10);
        put(b, kValueX, y0 + row * kStep, kValueW, kStep, number("n-6.1", value), kRight, 10);
    };
    line(0, QStringLiteral("Щебень фр.20-40 мм:"), r.FR20_40);
    line(1, QStringLiteral("Щебень фр.15-20 мм:"), r.FR15_20);
    line(2, QStringLiteral("Щебень фр.10-15 мм:"), r.FR10_15);
    line(3, QStringLiteral("Щебень фр.5-10 мм:"), r.FR5_10);
    const double bx = kValueX + kValueW + 2;
    b.line(bx, y0 + 0.8, bx + 1.5, y0 + 0.8, 0.2);
    b.line(bx + 1.5, y0 + 0.8, bx + 1.5, y0 + 4 * kStep - 0.8, 0.2);
    b.line(bx, y0 + 4 * kStep - 0.8, bx + 1.5, y0 + 4 * kStep - 0.8, 0.2);
    put(b, bx + 3, y0 + 1.5 * kStep, kValueW, kStep, number("n5.1", r.FR5_40), kRight, 10);
    line(4, QStringLiteral("Песок фр.0-5 мм:"), r.FR0_5);
    line(5, QStringLiteral("Минеральный порошок:"), r.MIPOR);
    line(6, QStringLiteral("Битумное вяжущее:"), r.BIT);
    put(b, kGradeX, y0 + 6 * kStep, kGradeW, kStep, whole(v.MARKABIT), kLeft, 10);
    put(b, kLabelX, y0 + 7 * kStep, 80, kStep, QStringLiteral("ИТОГО:     100 %"), kLeft, 10, true);
    // The additive: where it goes, its content, its name, its unit.
    const double ya = y0 + 8 * kStep;
    put(b, kLabelX, ya, 40, kStep, whole(additiveUse), kLeft, 10);
    put(b, kLabelX + 41, ya, 10, kStep, v.cells.SODDOB, kLeft, 10);
    put(b, kLabelX + 52, ya, 48, kStep, whole(v.DOB_KA), kLeft, 10);
    put(b, kLabelX + 101, ya, 29, kStep, whole(v.cells.RASMERNDOB_KI), kLeft, 10);
}

// ---- 7. footer ----

void footer(ReportBand &b, const FormValues &v, const NastrojkRecord &nas, double top)
{
    put(b, 0, top, 34, 5, QStringLiteral("РАЗРАБОТАНО"), kLeft, 10, true);
    put(b, 36, top, 52, 5, whole(nas.ISPOLNIT2.text()), kLeft, 10);
    put(b, 90, top, 52, 5, whole(nas.FAM2.text()), kLeft, 10);
    put(b, 0, top + 5.5, 150, 4,
        QStringLiteral("Составлено программой проектирования составов асфальтобетонных смесей"), kLeft, 7);
    put(b, 150, top + 5.5, kTableW - 150, 4, Picture::of("d6").formatDate(v.DATA), kRight, 8);
}

} // namespace

FormValues valuesOfDesign(bool numbered)
{
    FormValues v;
    v.numbered = numbered;
    v.NUMMER = glob::NUMMER;
    v.TYP = glob::TYP.text();
    for (size_t j = 0; j < 6; ++j)
        v.DIMNAME[j] = glob::DIMNAME[j].text();
    v.PROEKT = glob::PROEKT;
    v.ZRN = glob::ZRN;
    v.JBITGL = glob::JBITGL;
    v.DMM = glob::DMM;
    v.MARKABIT = glob::MARKABIT.text();
    v.DOB_KA = glob::DOB_KA.text();
    v.recipe = design::recipePercentages(glob::PROEKT, glob::JMPGL, glob::JBITGL);
    v.cells = design::recipeTextCells(glob::DIMJKOMP, glob::ISTDIMYKOMP, glob::DIMKOMP, glob::SODERZDOBAWKI);
    v.DATA = dates::today();
    v.envelope = !numbered && glob::envelopeOnForm && glob::reliability.known;
    if (v.envelope) {
        v.low = glob::reliability.low;
        v.high = glob::reliability.high;
        v.reliability = glob::reliability.percent;
    }
    return v;
}

ReportBand copy(const FormValues &v, const NastrojkRecord &nas, const QString &additiveUse)
{
    ReportBand b;
    b.heightMm = 282;
    b.pageBreakAfter = true;

    approvalColumn(b, 0, QStringLiteral("СОГЛАСОВАНО"), whole(nas.SOGLDOLJN.text()), whole(nas.SOGLFIRMA.text()),
                   whole(nas.SOGLFIO.text()));
    approvalColumn(b, 110, QStringLiteral("УТВЕРЖДАЮ"), whole(nas.DOLJN1.text()), whole(nas.FIRMA.text()),
                   whole(nas.FIO1.text()));

    QString heading = QStringLiteral("ПРОЕКТНЫЙ СОСТАВ");
    if (v.numbered)
        heading += QStringLiteral(" № ") + number("n3", v.NUMMER);
    put(b, 0, 44, kTableW, 9, heading, kCenter, 16, true);
    put(b, 0, 56, kTableW, 6.5, QStringLiteral("асфальтобетонной смеси типа ") + design::mixTypeName(v.TYP), kCenter, 12);
    put(b, 0, 63.5, kTableW, 6.5, QStringLiteral("для устройства ") + whole(nas.KONSTRUKTIV.text()), kCenter, 12);
    put(b, 0, 71, kTableW, 6.5, QStringLiteral("на автодороге ") + whole(nas.DOROGA.text()), kCenter, 12);

    chart(b, v);
    materials(b, v, 153);
    designedGrading(b, v, 193.5);
    recipe(b, v, additiveUse, 220);
    footer(b, v, nas, 272);
    return b;
}

QString title() { return QStringLiteral("Проектный состав и рецепт (форма Ф.1)"); }

ReportDocument::Layout layout()
{
    ReportDocument::Layout page;
    page.pageMm = QSizeF(210, 297);
    page.topMm = 7;
    page.bottomMm = 7;
    page.leftMm = 12;
    return page;
}

QString lookUpApprovalAndAdditive()
{
    {
        FileUse approvals(files::NASTROJK);
        const NastrojkRecord inHand = NAS;
        NAS.REGION = glob::OBEKT;
        if (!approvals.ok() || files::NASTROJK.get(files::key::NAS_KEYREGN) != FileError::None)
            NAS = inHand; // no approval record keyed so: the one in hand is printed
    }
    FileUse additives(files::DOBAWKA);
    DOB.NAME = glob::DOB_KA;
    if (!additives.ok() || glob::DOB_KA.isBlank() || files::DOBAWKA.get(files::key::DOB_KEYNAME) != FileError::None)
        return QString(); // no such additive: no use text of another one
    return DOB.KUDA.text();
}

ReportRun::Definition runOverApprovals()
{
    ReportRun::Definition d;
    d.file = &files::NASTROJK;
    d.order = DataFile::PhysicalOrder;
    d.basis = ProgressBasis::Records;
    return d;
}

ReportRun::Definition runOverRecipes(REAL number)
{
    ReportRun::Definition d;
    d.file = &files::PODBOR;
    d.order = DataFile::PhysicalOrder;
    d.basis = ProgressBasis::Records;
    d.filter = [number] { return POD.NUM == number; };
    return d;
}

} // namespace form_f1_report
