#include "journals/weighing_report.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/picture.h"
#include "journals/weighing.h"

namespace weighing_report {

namespace {
using namespace reportalign;

constexpr double kWidth = 170;

ReportItem &put(ReportBand &band, double x, double y, double w, const QString &text, int align = kLeft,
                double pt = 10, bool bold = false)
{
    return band.textIn(QRectF(x, y, w, 6), text, align, pt, bold);
}

QString number(const char *picture, double value) { return reportNumber(picture, value); }

} // namespace

QString title() { return QStringLiteral("Протокол испытания образцов при подборе смеси"); }

ReportDocument::Layout layout()
{
    ReportDocument::Layout page;
    page.topMm = 20;
    page.leftMm = 20;
    return page;
}

ReportBand detail()
{
    ReportBand b;
    b.pageBreakAfter = true;
    put(b, 0, 0, kWidth, title(), kCenter, 13, true);
    put(b, 0, 7, kWidth, QStringLiteral("методом гидростатического взвешивания"), kCenter, 12, true);
    put(b, 0, 20, 40, QStringLiteral("Номер смеси"));
    put(b, 40, 20, 30, number("n6.0", OBR.NUMMER).trimmed(), kLeft, 10, true);

    // The weighings: a row per weighing, a column per specimen.
    constexpr double kTop = 32, kRow = 8, kValueX = 110, kValueW = 20;
    put(b, 0, kTop, 100, QStringLiteral("Номер образца:"), kLeft, 10, true);
    for (int s = 0; s < 3; ++s)
        put(b, kValueX + s * kValueW, kTop, kValueW - 1, QString::number(s + 1), kRight, 10, true);
    b.line(0, kTop + 7, kWidth, kTop + 7);
    using Mass = ObrgidroRecord::Mass;
    const struct {
        const char *caption, *unit;
        const Mass *masses[3];
    } rows[] = {
        {"Вес сухого образца на воздухе", "G0, гр", {&OBR.G0, &OBR.G01, &OBR.G02}},
        {"Вес влажного образца на воздухе", "G1, гр.", {&OBR.G1, &OBR.G11, &OBR.G12}},
        {"Вес образца в воде", "G2, гр.", {&OBR.G2, &OBR.G21, &OBR.G22}},
        {"Вес водонасыщенного образца на воздухе", "G3, гр.", {&OBR.G3, &OBR.G31, &OBR.G32}},
        {"Вес водонасыщенного образца в воде", "G4, гр.", {&OBR.G4, &OBR.G41, &OBR.G42}},
    };
    double y = kTop + 9;
    for (const auto &r : rows) {
        put(b, 0, y, 86, QString::fromUtf8(r.caption), kLeft, 9);
        put(b, 86, y, 22, QString::fromUtf8(r.unit), kLeft, 9);
        for (int s = 0; s < 3; ++s)
            put(b, kValueX + s * kValueW, y, kValueW - 1, number("n7.2", r.masses[s]->toDouble()).trimmed(), kRight, 9);
        y += kRow;
    }
    b.line(0, y, kWidth, y);

    // The results and the porosities.
    const lab::PorosityValues p = lab::porosityValues(glob::JBITGL, glob::YMINER, OBR.PLOT);
    const struct {
        const char *caption, *picture;
        double value;
    } results[] = {
        {"Средняя плотность, г/см3:", "n6.2", OBR.PLOT},
        {"Водонасыщение", "n6.2", OBR.WOD},
        {"Набухание", "n6.2", OBR.NABUH},
        {"Пористость минеральной части, %", "n5.1", p.PORMINER},
        {"Остаточная пористость, %", "n4.1", p.POROSTAT},
    };
    y += 6;
    for (const auto &r : results) {
        put(b, 0, y, 100, QString::fromUtf8(r.caption));
        put(b, kValueX, y, kValueW - 1, number(r.picture, r.value).trimmed(), kRight, 10, true);
        y += kRow;
    }

    y += 16;
    for (const char *signature : {"Исполнитель анализа", "Заведующий лабораторией"}) {
        put(b, 0, y, 70, QString::fromUtf8(signature));
        b.line(75, y + 5, 140, y + 5);
        y += 14;
    }
    b.heightMm = y;
    return b;
}

ReportRun::Definition run()
{
    ReportRun::Definition d;
    d.file = &files::OBRGIDRO;
    d.order = files::key::OBR_KEYNUMMER;
    d.basis = ProgressBasis::Records;
    d.filter = [] { return OBR.NUMMER == glob::NUMMER; };
    return d;
}

} // namespace weighing_report
