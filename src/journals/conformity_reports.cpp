#include "journals/conformity_reports.h"

#include "data/files.h"
#include "data/globals.h"
#include "data/recipe_state.h"
#include "framework/fileservices.h"
#include "framework/picture.h"
#include "journals/conformity_limits.h"
#include "journals/conformity_verdict.h"
#include "journals/weighing.h"

#include <cmath>

namespace conformity {

namespace {
using namespace reportalign;

constexpr double kWidth = 180;  // the printed width of both pages, mm
constexpr double kPageBody = 277; // page height less the top and bottom margins

// A number through a display picture, with the decimal comma of the documents.
QString pic(const char *picture, double value)
{
    return reportNumber(picture, value);
}

// A text field printed whole: the page fits it to its box, never cut to a picture's width.
QString whole(const QString &text) { return text.trimmed(); }

// A text placed at an absolute rectangle of the band.
ReportItem &put(ReportBand &band, double x, double y, double w, double h, const QString &text, int align,
                double pointSize = 9, bool bold = false)
{
    return band.textIn(QRectF(x, y, w, h), text, align, pointSize, bold);
}

// One ruled row of a table: the cells between the column edges (texts may be fewer than the
// cells), vertical rules at every edge and a rule under the row.
void tableRow(ReportBand &band, double y, double h, const std::vector<double> &edges, const QStringList &texts,
              const std::vector<int> &aligns, double pointSize = 8, int boldCell = -1)
{
    for (std::size_t c = 0; c + 1 < edges.size(); ++c) {
        const QString text = c < std::size_t(texts.size()) ? texts[qsizetype(c)] : QString();
        const int align = c < aligns.size() ? aligns[c] : kCenter;
        const bool left = align == kLeft, right = align == kRight; // inset from the rule they align to
        const double x = edges[c] + (left ? 1.2 : 0);
        const double w = edges[c + 1] - edges[c] - (left || right ? 1.2 : 0);
        put(band, x, y, w, h, text, align | kWrap, pointSize, int(c) == boldCell);
    }
    for (double x : edges)
        band.line(x, y, x, y + h);
    band.line(edges.front(), y + h, edges.back(), y + h);
}

// A small laboratory flask drawn in lines: the protocol's emblem.
void flaskEmblem(ReportBand &band, double x, double y)
{
    band.polyline({{x + 5, y}, {x + 5, y + 5}, {x, y + 13}, {x + 14, y + 13}, {x + 9, y + 5}, {x + 9, y}}, 0.4);
    band.line(x + 4, y, x + 10, y, 0.4);
    band.line(x + 2.2, y + 9.5, x + 11.8, y + 9.5, 0.2);
}

QString trimmedNumber(QString s)
{
    if (s.contains(QLatin1Char(','))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char(',')))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

// The recipe's weighing into OBR (blank when there is none).
void readWeighing()
{
    const REAL recipe = glob::NUMMER;
    FileUse use(files::OBRGIDRO);
    OBR = ObrgidroRecord();
    if (!use.ok())
        return;
    OBR.NUMMER = recipe;
    if (files::OBRGIDRO.get(files::key::OBR_KEYNUMMER) != FileError::None)
        OBR = ObrgidroRecord();
}

} // namespace

QString shortText(REAL value, int decimals, int width)
{
    return trimmedNumber(lab::numberText(value, decimals, width));
}

QString positiveText(REAL value, int decimals, int width)
{
    return value > 0 ? shortText(value, decimals, width) : QString();
}

// ---- PROTVSE ------------------------------------------------------------------------------------

QString protvseTitle() { return QStringLiteral("Протокол испытания асфальтобетонной смеси"); }

ReportDocument::Layout protvseLayout()
{
    ReportDocument::Layout page;
    page.topMm = 10;
    page.bottomMm = 10;
    page.leftMm = 17;
    return page;
}

ReportRun::Definition protvseRun()
{
    ReportRun::Definition d;
    d.file = &files::GUR;
    d.order = DataFile::PhysicalOrder;
    d.basis = ProgressBasis::Records;
    // GUR:REZNUM compared as a number, whatever the width of its field.
    d.filter = [] { return double(GUR.REZNUM) == glob::NUMMER; };
    return d;
}

ReportBand protvsePage()
{
    using namespace glob;
    readWeighing();
    // The recipe's date, signed under the protocol.
    LONG recipeDate = 0;
    {
        FileUse use(files::PODBOR);
        if (use.ok()) {
            POD.NUM = NUMMER;
            if (files::PODBOR.get(files::key::POD_KEYNUM) == FileError::None)
                recipeDate = POD.DATE;
        }
    }
    const lab::ConformityLimits l = lab::protvseLimits(TYP.text(), MARKA.text(), DKZ.text());
    const lab::ProtvseTexts t = lab::protvseTexts(l, MARKA.text(), GUR.UMSR);
    const lab::PorosityValues p = lab::porosityValues(JBITGL, YMINER, OBR.PLOT);

    ReportBand b;
    b.heightMm = kPageBody;
    b.pageBreakAfter = true;
    flaskEmblem(b, 0, 0);
    put(b, 0, 1, kWidth, 8, protvseTitle(), kCenter, 13, true);
    put(b, 30, 10, 14, 6, whole(t.MARK1), kRight, 10);
    put(b, 45, 10, 14, 6, t.MARK1TXT, kLeft, 10);
    put(b, 62, 10, 8, 6, QStringLiteral("От"), kRight, 10);
    put(b, 71, 10, 26, 6, Picture::of("d5_").formatDate(GUR.DATE), kLeft, 10);
    put(b, 100, 10, 14, 6, QStringLiteral("ДКЗ -"), kRight, 10);
    put(b, 115, 10, 14, 6, DKZ.text().trimmed(), kLeft, 10);
    put(b, 0, 18, 16, 6, QStringLiteral("Объект:"), kLeft, 10);
    put(b, 16, 18, 56, 6, whole(OBEKT.text()), kLeft, 10, true);
    put(b, 74, 18, 20, 6, whole(TYP.text()), kLeft, 10, true);
    put(b, 96, 18, 30, 6, QStringLiteral("№ ") + shortText(double(GUR.REZNUM), 0, 7), kLeft, 10, true);

    // The table: name, value, minimum and maximum of the requirement.
    const std::vector<double> edges{0, 100, 125, 152.5, kWidth};
    double y = 27;
    b.line(0, y, kWidth, y);
    put(b, 0, y, 100, 12, QStringLiteral("Наименование показателей"), kCenter, 9, true);
    put(b, 100, y, 25, 12, QStringLiteral("Величины"), kCenter, 9, true);
    put(b, 125, y, 55, 6, QStringLiteral("Требования"), kCenter, 9, true);
    b.line(125, y + 6, kWidth, y + 6);
    put(b, 125, y + 6, 27.5, 6, QStringLiteral("мин."), kCenter, 9);
    put(b, 152.5, y + 6, 27.5, 6, QStringLiteral("макс."), kCenter, 9);
    for (double x : edges)
        b.line(x, y, x, y + 12);
    b.line(152.5, y + 6, 152.5, y + 12);
    y += 12;
    b.line(0, y, kWidth, y);
    const std::vector<int> aligns{kLeft, kCenter, kCenter, kCenter};
    // A value outside its limit is bold with "*"; the verdict is the test journal's.
    // A stone-mastic mix's protocol prints no 0 °C and water-resistance limits: none is judged.
    lab::ConformityLimits judged = l;
    if (GUR.UMSR > 0)
        judged.R0MAX = judged.KWODMIN = 0;
    const lab::Verdict verdict = lab::judgeMix(judged, {&PROEKT, OBR.PLOT, OBR.WOD, JBITGL, YMINER, &GUR});
    auto marked = [&](lab::Property property, const QString &value) {
        return verdict.fails(property) ? value + QLatin1Char('*') : value;
    };
    auto row = [&](const QString &name, const QString &value, const QString &min, const QString &max) {
        tableRow(b, y, 7.5, edges, {name, value, min, max}, aligns, 9, value.endsWith(QLatin1Char('*')) ? 1 : -1);
        y += 7.5;
    };
    using P = lab::Property;
    const sieves::Grading &g = PROEKT;
    row(QStringLiteral("Содержание зерен мельче 20 мм, % массы"), marked(P::Passing20, pic("n5.1", g[1])),
        pic("N3", l.D20MIN), {});
    row(QStringLiteral("Содержание зерен мельче 5 мм, % массы"), marked(P::Passing5, pic("n5.1", g[4])),
        pic("N3", l.D5MIN), pic("N3", l.D5MAX));
    row(QStringLiteral("Содержание зерен мельче 0,63 мм, % массы"), marked(P::Passing063, pic("n5.1", g[7])),
        pic("N3", l.D063MIN), pic("N3", l.D063MAX));
    row(QStringLiteral("Содержание зерен мельче 0,071 мм, % массы"), marked(P::Passing0071, pic("n5.1", g[10])),
        pic("N3", l.D0071MIN), pic("N3", l.D0071MAX));
    row(QStringLiteral("Содержание битума, % сверх 100"), pic("n4.1", JBITGL), {}, {});
    row(QStringLiteral("Средняя плотность, г/куб.см"), pic("n5.3", OBR.PLOT), {}, {});
    row(QStringLiteral("Пористость минерального остова, %"), marked(P::PORMINER, pic("n5.1", p.PORMINER)),
        pic("N4.0", l.PORMINERMIN), pic("N3", l.PORMINERMAX));
    row(QStringLiteral("Остаточная пористость, %"), marked(P::POROSTAT, pic("n5.1", p.POROSTAT)),
        pic("N4.1", l.POROSTMIN), pic("N4.1", l.POROSTMAX));
    row(QStringLiteral("Водонасыщение, % объема"), marked(P::WOD, pic("n4.1", OBR.WOD)), pic("N4.1", l.WMIN),
        pic("N4.1", l.WMAX));
    row(QStringLiteral("Прочность при сжатии, МПа: R20"), marked(P::R20, pic("n4.2", GUR.R20)), pic("N5.2", l.R20MIN),
        {});
    row(QStringLiteral("То же при 50 град, R50"), marked(P::R50, pic("n4.2", GUR.R50)), pic("N5.2", l.R50MIN), {});
    row(QStringLiteral("То же при 0 град, R0"), marked(P::R0, pic("n5.1", GUR.R0)), {}, t.R0MAX1);
    row(QStringLiteral("Прочность на растяжение при расколе, МПа"), marked(P::RASK, pic("n5.2", GUR.R_RASCOL)),
        pic("N4.2", l.RASKMIN), pic("N4.2", l.RASKMAX));
    row(QStringLiteral("Коэффициент внутреннего трения, tg F"), marked(P::TGFI, pic("n6.3", GUR.TGFI)),
        pic("N5.3", l.TGFIMIN), {});
    row(QStringLiteral("Сцепление при сдвиге, C50, МПа"), marked(P::C50, pic("n6.3", GUR.C50)), pic("N4.2", l.C50MIN),
        {});
    row(QStringLiteral("Водостойкость"), marked(P::KWOD, pic("n4.2", GUR.KWOD)), t.KWODMIN1, {});
    row(QStringLiteral("Водостойкость при длительном водонасыщении"), marked(P::KDLIT, pic("n4.2", GUR.KDLIT)),
        pic("N4.2", l.KDLITMIN), {});
    // The drainage row of a stone-mastic mix: its limit spans both requirement columns.
    const QString drainage = t.STEKAN.isEmpty() ? QString() : marked(P::Drainage, t.STEKAN.trimmed());
    tableRow(b, y, 7.5, {0, 100, 125, kWidth}, {t.STEKANTXT, drainage, t.NORMSTEKAN}, aligns, 9,
             drainage.endsWith(QLatin1Char('*')) ? 1 : -1);
    y += 7.5;
    put(b, 0, y + 2, kWidth, 6, lab::conclusionLine(verdict), kLeft | kWrap, 10, !verdict.failed.empty());
    y += 6;

    put(b, 0, y + 10, kWidth, 6, QStringLiteral("Примечания: _________________________________"), kLeft, 10);
    put(b, 0, y + 24, 120, 6, QStringLiteral("Начальник лаборатории       ___________"), kLeft, 10);
    put(b, 130, y + 24, 50, 6, Picture::of("d5_").formatDate(recipeDate), kLeft, 10);
    return b;
}

// ---- FORMAD_25 ----------------------------------------------------------------------------------

void loadFormaD25Recipe()
{
    recipe_state::loadRecipe(POD);
    glob::WIDAB = POD.WIDASPH.text();
    glob::MARKA = POD.MARKAASPH.text().left(3);
}

QString formaD25Title() { return QStringLiteral("Форма Д-25"); }

ReportDocument::Layout formaD25Layout()
{
    ReportDocument::Layout page;
    page.topMm = 10;
    page.bottomMm = 10;
    page.leftMm = 17;
    return page;
}

ReportRun::Definition formaD25Run()
{
    ReportRun::Definition d;
    d.file = &files::PODBOR;
    d.order = DataFile::PhysicalOrder;
    d.basis = ProgressBasis::Records;
    d.filter = [] { return POD.NUM == glob::NUMMER; };
    return d;
}

namespace {
// A test record with results of the mechanical tests (a record of readings not yet computed,
// or of a drainage test alone for another mix, has none of the strengths).
bool hasMechanicalResults(const GurRecord &g)
{
    for (REAL v : {g.R20, g.R50, g.R0, g.R_RASCOL, g.TGFI, g.C50, g.KWOD, g.KDLIT, g.UMSR})
        if (v > 0)
            return true;
    return false;
}
} // namespace

bool readNewestTest(REAL recipe)
{
    FileUse use(files::GUR);
    GUR = GurRecord();
    if (!use.ok())
        return false;
    DataFile &f = files::GUR;
    f.setFilter({});
    f.setOrder(DataFile::PhysicalOrder);
    f.setToStart();
    Position newest;
    LONG newestDate = 0;
    while (f.next() == FileError::None) {
        if (double(GUR.REZNUM) != recipe || !hasMechanicalResults(GUR))
            continue;
        if (newest.isNull() || GUR.DATE >= newestDate) { // of equal dates the later record
            newest = f.position();
            newestDate = GUR.DATE;
        }
    }
    if (newest.isNull() || f.fetch(newest) != FileError::None) {
        GUR = GurRecord();
        return false;
    }
    return true;
}

ReportBand formaD25Page()
{
    using namespace glob;
    // Readings of the page: mixer 1, the weighing, the newest test, the additive, the approval data.
    REAL M = 0;
    {
        FileUse use(files::GROHOT);
        GRO = GrohotRecord();
        GRO.NUMMIXER = 1;
        if (use.ok() && files::GROHOT.get(files::key::GRO_KEYNUMMIX) == FileError::None)
            M = GRO.MASSAZAMES;
    }
    readWeighing();
    const bool tested = readNewestTest(NUMMER);
    {
        FileUse use(files::DOBAWKA);
        DOB = DobawkaRecord();
        DOB.NAME = DOB_KA.text();
        if (!use.ok() || files::DOBAWKA.get(files::key::DOB_KEYNAME) != FileError::None)
            DOB = DobawkaRecord();
    }
    {
        FileUse use(files::NASTROJK);
        NAS = NastrojkRecord();
        NAS.REGION = OBEKT.text();
        if (!use.ok() || files::NASTROJK.get(files::key::NAS_KEYREGN) != FileError::None)
            NAS = NastrojkRecord();
    }

    const lab::ConformityLimits l = lab::formaD25Limits(TYP.text(), MARKA.text(), DKZ.text(), WIDAB.text());
    const lab::FormaD25Texts t = lab::formaD25Texts(l, WIDAB.text());
    const lab::PorosityValues p = lab::porosityValues(JBITGL, YMINER, OBR.PLOT);
    REAL shares[6];
    for (int j = 0; j < 6; ++j)
        shares[j] = DIMJKOMP[std::size_t(j)];
    const lab::BatchDoses dose = lab::batchDoses(M, JBITGL, shares);

    ReportBand b;
    b.heightMm = kPageBody;
    b.pageBreakAfter = true;
    put(b, 0, 0, kWidth, 5, formaD25Title(), kRight, 9, true);

    // Approval blocks.
    const QString dateLine = QStringLiteral("\"____\" ______________ 20___ г.");
    auto approval = [&](double x, const QString &head, const QString &post, const QString &firm, const QString &name) {
        put(b, x, 5, 80, 5, head, kLeft, 10, true);
        put(b, x, 10, 80, 5, post.trimmed(), kLeft, 9);
        put(b, x, 15, 80, 5, firm.trimmed(), kLeft, 9);
        put(b, x, 20, 80, 5, QStringLiteral("______________ ") + name.trimmed(), kLeft, 9);
        put(b, x, 25, 80, 5, dateLine, kLeft, 9);
    };
    approval(0, QStringLiteral("СОГЛАСОВАНО"), NAS.SOGLDOLJN.text(), NAS.SOGLFIRMA.text(), NAS.SOGLFIO.text());
    approval(100, QStringLiteral("УТВЕРЖДАЮ"), NAS.DOLJN1.text(), NAS.FIRMA.text(), NAS.FIO1.text());

    auto joined = [](const QStringList &parts) {
        QStringList kept;
        for (const QString &s : parts)
            if (!s.trimmed().isEmpty())
                kept << s.trimmed();
        return kept.join(QLatin1Char(' '));
    };
    put(b, 0, 33, kWidth, 7, QStringLiteral("Состав"), kCenter, 13, true);
    put(b, 0, 40, kWidth, 5,
        joined({QStringLiteral("асфальтобетонной смеси"), POD.WIDASPH.text(), TYP.text(), t.MARKA_,
                POD.MARKAASPH.text()}),
        kCenter, 10);
    put(b, 0, 45, kWidth, 5,
        joined({QStringLiteral("для устройства"), NAS.KONSTRUKTIV.text(), QStringLiteral("на автодороге"),
                NAS.DOROGA.text(), QStringLiteral("ПК_______ до ПК ________")}),
        kCenter, 10);

    // 1. The mineral materials: name, true density, grading on the eleven sieves, share.
    double y = 53;
    put(b, 0, y, kWidth, 5, QStringLiteral("1. Применяемые минеральные материалы"), kLeft, 10, true);
    y += 5.5;
    std::vector<double> e1{0, 36, 50};
    for (int i = 1; i <= 11; ++i)
        e1.push_back(50 + 9.5 * i);
    e1.push_back(kWidth);
    b.line(0, y, kWidth, y);
    put(b, 36, y, 14, 9, QStringLiteral("Ист.плотн. г/куб.см"), kCenter | kWrap, 7);
    put(b, 50, y, 104.5, 4.5, QStringLiteral("Содержание зерен в %, мельче мм:"), kCenter, 8);
    put(b, 154.5, y, kWidth - 154.5, 9, QStringLiteral("% в смеси"), kCenter | kWrap, 8);
    for (double x : {0.0, 36.0, 50.0, 154.5, kWidth})
        b.line(x, y, x, y + 4.5);
    b.line(50, y + 4.5, 154.5, y + 4.5);
    y += 4.5;
    QStringList sizes{QString(), QString()};
    for (REAL d : DMM)
        sizes << shortText(d, 3, 5);
    {
        // The sieve sizes under the caption; the three side columns continue from above.
        std::vector<int> al(e1.size(), kCenter);
        tableRow(b, y, 4.5, e1, sizes, al);
    }
    y += 4.5;
    std::vector<int> al1(e1.size(), kCenter);
    al1[0] = kLeft;
    for (std::size_t j = 0; j < 6; ++j) {
        QStringList cells{whole(DIMNAME[j].text())};
        const bool used = DIMJKOMP[j] != 0;
        cells << (used ? shortText(ISTDIMYKOMP[j], 3, 5) : QString());
        for (int i = 0; i < 11; ++i)
            cells << (used ? shortText(DIMKOMP[std::size_t(i)][j], 2, 5) : QString());
        cells << (used ? shortText(DIMJKOMP[j], 2, 3) : QString());
        tableRow(b, y, 4.5, e1, cells, al1);
        y += 4.5;
    }

    // 2. The designed grading and the requirement band.
    y += 2;
    put(b, 0, y, kWidth, 5, QStringLiteral("2. Зерновой состав  смеси"), kLeft, 10, true);
    y += 5.5;
    std::vector<double> e2{0, 50};
    for (int i = 1; i <= 11; ++i)
        e2.push_back(50 + 9.5 * i);
    std::vector<int> al2(e2.size(), kCenter);
    al2[0] = kLeft;
    b.line(0, y, e2.back(), y);
    QStringList head{QString()};
    for (REAL d : DMM)
        head << shortText(d, 3, 5);
    tableRow(b, y, 4.5, e2, head, al2);
    y += 4.5;
    QStringList designed{QString()};
    for (REAL v : PROEKT)
        designed << pic("n5.1", v);
    tableRow(b, y, 4.5, e2, designed, al2);
    y += 4.5;
    QStringList low{QStringLiteral("Требования ") + t.GOST_}, high{QString()};
    for (const auto &band : ZRN) {
        low << pic("n4", band[0]);
        high << pic("n4", band[1]);
    }
    tableRow(b, y, 4.5, e2, low, al2);
    tableRow(b, y + 4.5, 4.5, e2, high, al2);
    y += 9;

    // 3. The composition with the doses per batch of mixer 1.
    y += 2;
    put(b, 0, y, kWidth, 5, QStringLiteral("3. Состав асфальтобетонной смеси"), kLeft, 10, true);
    y += 5.5;
    const std::vector<double> e3{0, 62, 96, 130, 168};
    const std::vector<int> al3{kLeft, kCenter, kCenter, kCenter};
    b.line(0, y, 168, y);
    tableRow(b, y, 8, e3,
             {QStringLiteral("Наименование материалов"), QStringLiteral("Битум сверх 100%"), QStringLiteral("Битум в 100%"),
              QStringLiteral("Дозировка на замес, кГ")},
             al3);
    y += 8;
    for (std::size_t j = 0; j < 6; ++j) {
        const bool used = DIMJKOMP[j] != 0;
        tableRow(b, y, 4.5, e3,
                 {whole(DIMNAME[j].text()), used ? shortText(DIMJKOMP[j], 2, 3) : QString(),
                  used ? shortText(dose.W100[j], 2, 5) : QString(), used ? pic("n4", dose.MZAMES[j]) : QString()},
                 al3);
        y += 4.5;
    }
    tableRow(b, y, 4.5, e3,
             {joined({QStringLiteral("Битумное вяжущее"), POD.MARKABIT.text()}), pic("n4.1", JBITGL), pic("n5.2", dose.BIT),
              pic("n5.1", dose.ZAMESBIT)},
             al3);
    y += 4.5;
    {
        const bool additive = SODERZDOBAWKI != 0;
        // SODDOB and RASMERNDOB_KI
        const QString content = additive ? shortText(SODERZDOBAWKI, 2, 4) + QStringLiteral(" % сверх 100") : QString();
        tableRow(b, y, 4.5, {0, 62, 130, 168}, {whole(DOB_KA.text()), content, DOB.KUDA.text().trimmed()},
                 {kLeft, kCenter, kCenter});
        y += 4.5;
    }

    // 4. Properties: requirement and the measured value.
    y += 2;
    put(b, 0, y, kWidth, 5, QStringLiteral("4. Физико-механические свойства асфальтобетона"), kLeft, 10, true);
    y += 5.5;
    const std::vector<double> e4{0, 95, 140, kWidth};
    const std::vector<int> al4{kLeft, kCenter, kCenter};
    b.line(0, y, kWidth, y);
    tableRow(b, y, 8, e4,
             {QStringLiteral("Наименование показателей"), QStringLiteral("Требования"),
              QStringLiteral("Фактические показатели")},
             {kCenter, kCenter, kCenter});
    y += 8;
    // Which test the measured strengths are from: the journal's number and date of the record.
    if (tested) {
        put(b, 1.2, y, kWidth - 2.4, 4.5,
            QStringLiteral("Механические показатели - по испытанию № ") + shortText(double(GUR.REZNUM), 0, 7) +
                QStringLiteral(" от ") + Picture::of("d6").formatDate(GUR.DATE),
            kLeft, 8);
        y += 4.5;
    }
    auto lim = [](REAL v) { return positiveText(v, 2, 5); };
    auto atLeast = [&](REAL v) { return v > 0 ? QStringLiteral("не менее ") + lim(v) : QString(); };
    auto range = [&](REAL a, REAL z) {
        if (a <= 0 && z <= 0)
            return QString();
        if (a <= 0)
            return QStringLiteral("не более ") + lim(z);
        return QStringLiteral("от ") + lim(a) + QStringLiteral(" до ") + lim(z);
    };
    // A value outside its limit is bold with "*", as in the test protocol and the journal.
    GurRecord judgedTest = GUR;
    if (t.waterResistanceRow)
        judgedTest.UMSR = 0; // the drainage is printed (and judged) for a stone-mastic mix only
    const lab::Verdict verdict =
        lab::judgeMix(l, {nullptr, OBR.PLOT, OBR.WOD, JBITGL, YMINER, tested ? &judgedTest : nullptr});
    using P = lab::Property;
    auto marked = [&](P property, const QString &value) {
        return verdict.fails(property) && !value.isEmpty() ? value + QLatin1Char('*') : value;
    };
    auto row = [&](const QString &name, const QString &requirement, const QString &actual) {
        tableRow(b, y, 5, e4, {name, requirement, actual}, al4, 8, actual.endsWith(QLatin1Char('*')) ? 2 : -1);
        y += 5;
    };
    // Mechanical values come from the test record; without one, the first row says so.
    QString none = tested ? QString() : QStringLiteral("нет испытаний");
    auto mech = [&](P property, REAL v, int decimals, int width) {
        if (!tested) {
            QString s = none;
            none.clear();
            return s;
        }
        return marked(property, positiveText(v, decimals, width));
    };
    row(QStringLiteral("Средняя плотность, г/см3"), QStringLiteral("не нормируется"), positiveText(OBR.PLOT, 3, 5));
    row(QStringLiteral("Пористость минерального остова, %"),
        WIDAB.text().trimmed() == QStringLiteral("щебеночно-мастичная") ? t.TR_POR : range(l.PORMINERMIN, l.PORMINERMAX),
        marked(P::PORMINER, positiveText(p.PORMINER, 1, 5)));
    row(QStringLiteral("Остаточная пористость, %"), range(l.POROSTMIN, l.POROSTMAX),
        marked(P::POROSTAT, positiveText(p.POROSTAT, 1, 5)));
    row(QStringLiteral("Водонасыщение, % по объему"), range(l.WMIN, l.WMAX), marked(P::WOD, positiveText(OBR.WOD, 1, 5)));
    row(QStringLiteral("Прочность при сжатии, МПа при температуре:"), {}, {});
    row(QStringLiteral("20 оС"), atLeast(l.R20MIN), mech(P::R20, GUR.R20, 2, 5));
    row(QStringLiteral("50 оС"), atLeast(l.R50MIN), mech(P::R50, GUR.R50, 2, 5));
    row(QStringLiteral("0 оС"), t.TR0_2.isEmpty() ? QString() : t.TR0_1 + QLatin1Char(' ') + t.TR0_2,
        mech(P::R0, GUR.R0, 1, 5));
    row(QStringLiteral("Коэффициент внутреннего трения"), atLeast(l.TGFIMIN), mech(P::TGFI, GUR.TGFI, 3, 5));
    row(QStringLiteral("Сцепление при сдвиге при 50 оС, МПа"), atLeast(l.C50MIN), mech(P::C50, GUR.C50, 3, 5));
    row(QStringLiteral("Прочность на растяжение при расколе при 0 оС, МПа"), range(l.RASKMIN, l.RASKMAX),
        mech(P::RASK, GUR.R_RASCOL, 2, 5));
    row(t.WOD_STEK_, t.KV_CTEK_TR2.isEmpty() ? QString() : t.KW_STEK_TR + QLatin1Char(' ') + t.KV_CTEK_TR2,
        t.waterResistanceRow ? mech(P::KWOD, GUR.KWOD, 2, 4) : mech(P::Drainage, GUR.UMSR, 2, 5));
    row(QStringLiteral("Водостойкость при длительном водонасыщении"), atLeast(l.KDLITMIN), mech(P::KDLIT, GUR.KDLIT, 2, 4));
    row(QStringLiteral("Сцепление битума с минеральной частью а/бетонной смеси"), QStringLiteral("выдерживает"), {});
    put(b, 0, y + 1.5, kWidth, 6, lab::conclusionLine(verdict), kLeft | kWrap, 9, !verdict.failed.empty());
    y += 6;

    y += 8;
    put(b, 0, y, 60, 5, NAS.ISPOLNIT2.text().trimmed(), kLeft, 10);
    put(b, 62, y, 50, 5, QStringLiteral("______________"), kLeft, 10);
    put(b, 115, y, 65, 5, NAS.FAM2.text().trimmed(), kLeft, 10);
    return b;
}

} // namespace conformity
