#include "journals/shear_report.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/picture.h"
#include "journals/schemes.h"

namespace shear_report {

namespace {
using namespace reportalign;

constexpr double kWidth = 170;

ReportItem &put(ReportBand &band, double x, double y, double w, const QString &text, int align = kLeft,
                double pt = 10, bool bold = false)
{
    return band.textIn(QRectF(x, y, w, 6), text, align, pt, bold);
}

QString number(const char *picture, double value) { return reportNumber(picture, value).trimmed(); }
// A text field printed whole: the page fits it to its box, never cut to a picture's width.
QString whole(const QString &value) { return value.trimmed(); }

// A caption and its value: the caption from x, the value bold after it.
void pair(ReportBand &b, double x, double y, double captionW, const QString &caption, const QString &value,
          double valueW = 40)
{
    put(b, x, y, captionW, caption);
    put(b, x + captionW, y, valueW, value, kLeft, 10, true);
}

} // namespace

QString title() { return QStringLiteral("ПРОТОКОЛ"); }

ReportDocument::Layout layout()
{
    ReportDocument::Layout page;
    page.topMm = 15;
    page.leftMm = 20;
    return page;
}

lab::OperatingConditions conditionsInGlobals()
{
    lab::OperatingConditions c;
    c.REGION = glob::REGION.text();
    c.TMIN = glob::TMIN;
    c.TMAX = glob::TMAX;
    c.KAT_DV = glob::KAT_DV;
    c.IN_DV = glob::IN_DV;
    c.US_DV = glob::US_DV.text();
    c.T1 = glob::T1;
    c.KKOL = glob::KKOL;
    c.TSUMMA = glob::TSUMMA;
    return c;
}

lab::ShearResult computeRecord()
{
    const lab::ShearResult r = lab::RASZET(conditionsInGlobals(), {GUR.TGFI, GUR.C50, GUR.MPL, GUR.UPL});
    glob::TAUMAX = r.TAUMAX;
    glob::GAMMA = r.GAMMA;
    glob::TSUMMA = r.TSUMMA;
    glob::REZUME = r.gammaComputed ? lab::shearVerdict(r.GAMMA) : QStringLiteral("не определено");
    return r;
}

ReportBand detail(const lab::ShearResult &result, const QString &zone)
{
    ReportBand b;
    b.pageBreakAfter = true;
    schemes::drawChart(b, schemes::laboratoryEmblem(), QRectF(0, 0, 24, 24));
    put(b, 0, 4, kWidth, title(), kCenter, 15, true);
    put(b, 0, 12, kWidth, QStringLiteral("проверки сдвигоустойчивости асфальтобетона"), kCenter, 12, true);

    double y = 30;
    // The recipe's number in six digits, so that every recipe number prints.
    pair(b, 0, y, 10, QStringLiteral("N ="), number("n6", double(GUR.REZNUM)), 20);
    pair(b, 34, y, 24, QStringLiteral("Тип смеси:"), whole(GUR.TIP_SM.text()), 24);
    pair(b, 86, y, 18, QStringLiteral("Объект:"), whole(glob::OBEKT.text()), 66);

    // The operating conditions the calculation used: the region's name and Tmax as they stand in
    // the dialog (typed over the region's own, perhaps), its zone from the region's record.
    y += 10;
    put(b, 0, y, 60, QStringLiteral("Для условий:"), kLeft, 11, true);
    y += 7;
    pair(b, 0, y, 18, QStringLiteral("Регион:"), whole(glob::REGION.text()), 44);
    pair(b, 64, y, 10, QStringLiteral("ДКЗ"), whole(zone), 16);
    pair(b, 92, y, 26, QStringLiteral("Tmax, oC  ="), number("n3", glob::TMAX), 20);
    y += 7;
    pair(b, 0, y, 22, QStringLiteral("Движение:"), whole(lab::trafficName(glob::KAT_DV)), 42);
    pair(b, 64, y, 34, QStringLiteral("Nрасч, авт/час:"), number("n4.0", glob::IN_DV), 16);
    pair(b, 116, y, 38, QStringLiteral("Условия  движения:"), whole(glob::US_DV.text()), 26);

    // Compressive strength.
    y += 11;
    put(b, 0, y, 100, QStringLiteral("Прочность при сжатии, 3мм/мин"), kLeft, 11, true);
    y += 7;
    pair(b, 0, y, 26, QStringLiteral("R20, МПа  ="), number("n4.2", GUR.R20), 16);
    pair(b, 44, y, 26, QStringLiteral("R 0, МПа  ="), number("n5.1", GUR.R0), 16);
    pair(b, 88, y, 26, QStringLiteral("R50, МПа  ="), number("n4.2", GUR.R50), 16);
    pair(b, 132, y, 24, QStringLiteral("r 0,  МПа  ="), number("n4.2", GUR.R_RASCOL), 14);

    // The shear properties and the test scheme.
    y += 11;
    put(b, 0, y, 100, QStringLiteral("Показатели сдвигоустойчивости"), kLeft, 11, true);
    put(b, 0, y + 6, 100, QStringLiteral("по ГОСТ 12801-98"), kLeft, 10);
    schemes::drawChart(b, schemes::shearScheme(), QRectF(110, y, 60, 33));
    y += 15;
    pair(b, 0, y, 76, QStringLiteral("Тангенс угла внутреннего трения"), number("n6.3", GUR.TGFI), 24);
    y += 7;
    pair(b, 0, y, 76, QStringLiteral("Когезионное сцепление, С50, МПа "), number("n6.3", GUR.C50), 24);

    // The computed values against their limits.
    y += 16;
    put(b, 0, y, 100, QStringLiteral("Расчетные  показатели"), kLeft, 11, true);
    put(b, 100, y, 35, QStringLiteral("Значения"), kCenter, 10, true);
    put(b, 135, y, 35, QStringLiteral("Предельные"), kCenter, 10, true);
    b.line(0, y + 7, kWidth, y + 7);
    y += 9;
    put(b, 0, y, 100, QStringLiteral("Время действия  нагрузки, час:"));
    put(b, 100, y, 35, number("n6.1", result.TSUMMA), kCenter, 10, true);
    y += 7;
    put(b, 0, y, 100, QStringLiteral("Расчетное сопротивление сдвигу, МПа "));
    put(b, 100, y, 35, number("n5.3", result.TAUMAX), kCenter, 10, true);
    put(b, 135, y, 35, QStringLiteral("МПа"), kCenter);
    y += 7;
    put(b, 0, y, 100, QStringLiteral("Остаточная деформация, LOG(Gamma)"));
    if (result.gammaComputed)
        put(b, 100, y, 35, number("n-10.3", result.GAMMA), kCenter, 10, true);
    put(b, 135, y, 35, QStringLiteral("-1,000"), kCenter);
    b.line(0, y + 7, kWidth, y + 7);

    // The conclusion.
    y += 14;
    put(b, 0, y, 40, QStringLiteral("ЗАКЛЮЧЕНИЕ:"), kLeft, 11, true);
    y += 8;
    put(b, 0, y, 78, QStringLiteral("Для принятых условий асфальтобетон"));
    put(b, 78, y, 58, whole(glob::REZUME.text()), kLeft, 11, true);
    y += 7;
    put(b, 0, y, 100, QStringLiteral("по критерию остаточной деформации"));
    y += 18;
    put(b, 0, y, 60, QStringLiteral("Начальник лаборатории"));
    b.line(62, y + 5, 112, y + 5);
    put(b, 130, y, 40, Picture::of("d5_").formatDate(GUR.DATE).trimmed(), kRight);
    b.heightMm = y + 8;
    return b;
}

ReportRun::Definition run()
{
    ReportRun::Definition d;
    d.file = &files::GUR;
    d.order = files::key::GUR_KEYREZNUM;
    d.basis = ProgressBasis::Records;
    d.filter = [] { return double(GUR.REZNUM) == glob::NUMMER; };
    return d;
}

} // namespace shear_report
