#include "design/batch_report.h"
#include "design/recipe_report_values.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/picture.h"

namespace design {

BatchRecipeSource batchSourceOfDesign()
{
    BatchRecipeSource s;
    s.PROEKT = glob::PROEKT;
    s.JMPGL = glob::JMPGL;
    s.JBITGL = glob::JBITGL;
    s.DIMNAME = glob::DIMNAME;
    s.FILL1 = glob::FILL1;
    s.DIMJKOMP = glob::DIMJKOMP;
    s.DIMKOMP = glob::DIMKOMP;
    return s;
}

BatchInput batchInput(const GrohotRecord &mixer, const BatchRecipeSource &source, bool CHEKKRUP, LONG OTSOS)
{
    BatchInput in;
    for (int k = 0; k < 5; ++k) {
        in.FORMA[std::size_t(k)] = mixer.FORMA[k];
        in.OTW[k][0] = mixer.OTW[k][0];
        in.OTW[k][1] = mixer.OTW[k][1];
    }
    in.MASSAZAMES = mixer.MASSAZAMES;
    in.PROEKT = source.PROEKT;
    in.JMPGL = source.JMPGL;
    in.JBITGL = source.JBITGL;
    in.CHEKKRUP = CHEKKRUP;
    in.OTSOS = OTSOS;
    in.DIMNAME = source.DIMNAME;
    in.FILL1 = source.FILL1;
    in.DIMJKOMP = source.DIMJKOMP;
    in.DIMKOMP = source.DIMKOMP;
    return in;
}

QString openingText(REAL opening)
{
    // Whole millimetres alone would show a 2.5 mm deck as "3".
    QString text = Picture::of("n6.2").formatNumber(opening).trimmed();
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QString printedShape(const FixedString<2> &code)
{
    const QByteArray raw = code.raw();
    if (raw == QByteArray(1, ROUND_HOLE))
        return QStringLiteral("Ø");
    if (raw == QByteArray(1, SQUARE_HOLE))
        return QStringLiteral("□");
    return QString();
}

namespace batchreport {

namespace {
using namespace reportalign;

QString number(const char *picture, double value) { return reportNumber(picture, value).trimmed(); }

// A text in a rectangle of the band.
ReportItem &put(ReportBand &b, QRectF r, const QString &text, int align = kLeft, double pointSize = 10,
                bool bold = false)
{
    return b.textIn(r, text, align, pointSize, bold);
}

// The laboratory's emblem: a road running to the horizon.
void emblem(ReportBand &b, QPointF at)
{
    const double x = at.x(), y = at.y();
    b.box(QRectF(x, y, 24, 24), 0.4);
    b.line(x + 3, y + 22, x + 10, y + 4, 0.5);
    b.line(x + 21, y + 22, x + 14, y + 4, 0.5);
    b.line(x + 2, y + 4, x + 22, y + 4, 0.2);
    for (double d = 21; d > 6; d -= 4.5)
        b.line(x + 12, y + d, x + 12, y + d - 2.2, 0.5);
}

// The mixer: the screen's decks over the hot bins, the bins over the mixing drum.
void mixerPicture(ReportBand &b, QPointF at)
{
    const double x = at.x(), y = at.y();
    b.box(QRectF(x, y, 36, 12), 0.3);
    for (int k = 0; k < 3; ++k)
        b.line(x + 2, y + 3 + 3 * k, x + 34, y + 5 + 3 * k, 0.3);
    for (int k = 0; k < 4; ++k) {
        b.box(QRectF(x + 1 + 9 * k, y + 14, 7, 7), 0.3);
        b.line(x + 4.5 + 9 * k, y + 21, x + 18, y + 24, 0.2);
    }
    b.box(QRectF(x + 10, y + 24, 16, 6), 0.4);
}

// Table columns, mm from the left margin.
constexpr double kCol[] = {0, 22, 44, 88, 116, 148};
constexpr double kHeader = 12, kRow = 7;

} // namespace

QString title(BatchVariant variant)
{
    return variant == BatchVariant::REZCBITSWERH100 ? QStringLiteral("Рецепт на замес (битум сверх 100 %)")
                                                    : QStringLiteral("Рецепт на замес (битум в 100 % смеси)");
}

ReportDocument::Layout layout()
{
    ReportDocument::Layout page;
    page.topMm = 12;
    page.bottomMm = 10;
    page.leftMm = 20;
    return page;
}

ReportRun::Definition run()
{
    ReportRun::Definition d;
    d.file = &files::GROHOT;
    d.order = files::key::GRO_KEYNUMMIX;
    d.basis = ProgressBasis::Records;
    d.filter = [] { return REAL(GRO.NUMMIXER) == glob::MIXER; };
    return d;
}

ReportBand detail(BatchVariant variant)
{
    const bool over100 = variant == BatchVariant::REZCBITSWERH100;
    // A printed recipe always removes the oversize.
    const BatchRecipe r =
        computeBatch(batchInput(GRO, batchSourceOfDesign(), true, glob::OTSOS), variant);
    {
        FileUse use(files::DOBAWKA);
        const FixedString<20> wanted = glob::DOB_KA;
        DOB = DobawkaRecord();
        DOB.NAME = wanted;
        if (!use.ok() || files::DOBAWKA.get(files::key::DOB_KEYNAME) != FileError::None) {
            DOB = DobawkaRecord();
            DOB.NAME = wanted;
        }
    }

    ReportBand b;
    b.heightMm = 262;
    b.pageBreakAfter = true;

    // 1. Heading
    emblem(b, {0, 0});
    put(b, QRectF(120, 0, 60, 6), QStringLiteral("Приложение 1"), kRight, 10);
    if (over100)
        mixerPicture(b, {140, 8});
    put(b, QRectF(0, 30, 180, 9), QStringLiteral("РЕЦЕПТ"), kCenter, 16, true);
    put(b, QRectF(0, 40, 180, 7),
        QStringLiteral("асфальтобетонной смеси типа ") + design::mixTypeName(glob::TYP.text()) +
            QStringLiteral(" на замес смесителя № ") + QString::number(GRO.NUMMIXER),
        kCenter, 11);

    // 2. The table of the bins
    const double top = 52;
    const auto col = [](int c, int span = 1) { return std::pair{kCol[c], kCol[c + span] - kCol[c]}; };
    const auto cell = [&](int row, int c, const QString &text, int align = kCenter, int span = 1, double pt = 10) {
        const auto [x, w] = col(c, span);
        return &put(b, QRectF(x + 1.5, top + kHeader + row * kRow, w - 3, kRow), text, align, pt);
    };
    const double bottom = top + kHeader + 10 * kRow;
    b.box(QRectF(0, top, kCol[5], bottom - top), 0.4);
    put(b, QRectF(0, top, kCol[1], kHeader), QStringLiteral("№ смесителя"), kCenter | kWrap, 9);
    put(b, QRectF(kCol[1], top, kCol[2] - kCol[1], kHeader), QStringLiteral("Сита"), kCenter, 9);
    put(b, QRectF(kCol[2], top, kCol[3] - kCol[2], kHeader), QStringLiteral("Фракции зерен"), kCenter, 9);
    put(b, QRectF(kCol[3], top, kCol[5] - kCol[3], kHeader / 2), QStringLiteral("Содержание в"), kCenter, 9);
    put(b, QRectF(kCol[3], top + kHeader / 2, kCol[4] - kCol[3], kHeader / 2), QStringLiteral("%"), kCenter, 9);
    put(b, QRectF(kCol[4], top + kHeader / 2, kCol[5] - kCol[4], kHeader / 2), QStringLiteral("кГ"), kCenter, 9);
    b.line(kCol[3], top + kHeader / 2, kCol[5], top + kHeader / 2);
    for (int row = 0; row <= 10; ++row)
        b.line(0, top + kHeader + row * kRow, kCol[5], top + kHeader + row * kRow, row == 0 ? 0.4 : 0.2);
    const double binsBottom = top + kHeader + 6 * kRow;
    for (int c : {1, 2})
        b.line(kCol[c], top, kCol[c], binsBottom);
    for (int c : {3, 4})
        b.line(kCol[c], top, kCol[c], bottom);

    const auto &otw = r.openings.OTW;
    const auto shaped = [&](int k) {
        return printedShape(GRO.FORMA[k]) + openingText(otw[std::size_t(k)]).replace(QLatin1Char('.'), QLatin1Char(','));
    };
    for (int k = 1; k < 5; ++k) {
        const int row = k - 1;
        if (row == 0)
            cell(row, 0, QString::number(GRO.NUMMIXER));
        cell(row, 1, QString::number(k + 1));
        cell(row, 2, shaped(k - 1) + QStringLiteral(" - ") + shaped(k));
        cell(row, 3, number("n5.1", r.SPLT[std::size_t(k)]), kRight);
        cell(row, 4, number("n10.1", r.MSPL[std::size_t(k)]), kRight);
    }
    cell(4, 2, QStringLiteral("Мельче ") + shaped(4));
    cell(4, 3, number("n4.1", r.PESOK), kRight);
    cell(4, 4, number("n10.1", r.MPESOK), kRight);
    cell(5, 1, QStringLiteral("В том числе"), kLeft, 1, 8);
    cell(5, 2, QStringLiteral("пыль уноса"));
    cell(5, 3, number("n5.1", r.UNOS), kRight);
    cell(5, 4, number("n6.1", r.MASSUNOS), kRight);
    put(b, QRectF(kCol[5] + 2, top + kHeader + 5 * kRow, 30, kRow), QStringLiteral("ориентировочно"), kLeft, 9);
    cell(6, 0, QStringLiteral("Минеральный порошок:"), kLeft, 3);
    cell(6, 3, number("n4.1", r.MINPOR), kRight);
    cell(6, 4, number("n10.1", r.MMINPOR), kRight);
    cell(7, 0, QStringLiteral("Битумное вяжущее:"), kLeft, 3);
    cell(7, 3, number("n4.1", r.BIT), kRight);
    cell(7, 4, number("n10.1", r.MBIT), kRight);
    cell(8, 0, QStringLiteral("ИТОГО:"), kLeft, 3)->bold = true;
    cell(8, 3, over100 ? number("n5.1", r.CTOPLUSBIT) : QStringLiteral("100 %"), kRight)->bold = true;
    cell(8, 4, number("n10.1", r.MSUMMA), kRight)->bold = true;
    if (over100) {
        cell(9, 0, QStringLiteral("Минеральная"), kLeft, 3, 8)->rect.setHeight(kRow / 2);
        put(b, QRectF(1.5, top + kHeader + 9.5 * kRow, 90, kRow / 2), QStringLiteral("часть, кГ"), kLeft, 8);
    } else {
        cell(9, 0, QStringLiteral("Замес, кГ"), kLeft, 3);
    }
    cell(9, 4, number("n10.1", GRO.MASSAZAMES), kRight);

    // 4. The composition of the mineral part
    double y = bottom + 8;
    put(b, QRectF(0, y, 180, 7), QStringLiteral("СОСТАВ МИНЕРАЛЬНОЙ ЧАСТИ, %"), kLeft, 11, true);
    y += 8;
    for (int j = 0; j < 6; ++j, y += 6) {
        put(b, QRectF(10, y, 60, 6), glob::DIMNAME[std::size_t(j)].text().trimmed());
        const QString share = j == 0 ? number("n5.1", glob::DIMJKOMP[0]) : r.SODERZKOMP[std::size_t(j)];
        put(b, QRectF(72, y, 18, 6), share, kRight);
    }
    put(b, QRectF(10, y, 80, 6), QStringLiteral("ИТОГО:   100 %"), kLeft, 10, true);

    // 5. Notes, with the additive (3.)
    y += 12;
    put(b, QRectF(0, y, 60, 6), QStringLiteral("Примечания:"), kLeft, 10, true);
    y += 7;
    put(b, QRectF(0, y, 82, 6),
        over100 ? QStringLiteral("1.  Удаляется грохотом щебень крупнее, мм:")
                : QStringLiteral("1. Удаляется грохотом щебень крупнее, мм:"),
        kLeft, 9);
    put(b, QRectF(82, y, 18, 6), printedShape(GRO.FORMA[0]) + number("n5.1", otw[0]), kRight, 9);
    put(b, QRectF(101, y, 14, 6), number("n4.1", r.NEGABARIT), kRight, 9);
    put(b, QRectF(116, y, 22, 6), number("n10.1", r.MASSANEGABARIT), kRight, 9);
    put(b, QRectF(139, y, 41, 6), QStringLiteral("кГ.  на 1 замес"), kLeft, 9);
    y += 7;
    put(b, QRectF(0, y, 22, 6), QStringLiteral("2. Добавки:"), kLeft, 9);
    put(b, QRectF(22, y, 40, 6), DOB.KUDA.text().trimmed(), kLeft, 9);
    put(b, QRectF(63, y, 50, 6), glob::DOB_KA.text().trimmed(), kLeft, 9);
    put(b, QRectF(114, y, 14, 6), number("n4.2", glob::SODERZDOBAWKI), kRight, 9);

    // 6. Signature and date
    y += 16;
    put(b, QRectF(0, y, 24, 6), QStringLiteral("Составил:"), kLeft, 10);
    b.line(25, y + 5, 90, y + 5);
    put(b, QRectF(120, y, 60, 6), Picture::of("d6").formatDate(dates::today()), kRight, 10);
    put(b, QRectF(0, b.heightMm - 6, 180, 5),
        QStringLiteral("Рассчитано программой «Проектирование составов асфальтобетонных смесей»"), kCenter, 7);
    return b;
}

} // namespace batchreport

} // namespace design
