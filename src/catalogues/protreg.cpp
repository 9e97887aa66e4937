#include "catalogues/protreg.h"

#include "data/files.h"
#include "framework/picture.h"

namespace protreg {

namespace {
// Column positions (mm from the left margin): name, zone, Tmin, Tmax.
constexpr double kNameW = 45, kZoneW = 20, kValueW = 22;
constexpr double kRowH = 5.5, kHeaderH = 8, kTitleH = 12;
constexpr double kTableW = kNameW + kZoneW + 2 * kValueW;
constexpr double kZoneX = kNameW, kMinX = kNameW + kZoneW, kMaxX = kMinX + kValueW;

using namespace reportalign;
} // namespace

QString title() { return QStringLiteral("Список регионов"); }

ReportDocument::Layout layout()
{
    ReportDocument::Layout l;
    l.pageMm = QSizeF(210, 297);
    l.topMm = 15;
    l.bottomMm = 12;
    l.leftMm = 50;
    l.pageHeader = [] {
        ReportBand b;
        b.heightMm = kTitleH + kHeaderH;
        b.text(0, kTableW, title(), kCenter, 13, true);
        b.items.back().rect.setHeight(kTitleH);
        auto caption = [&](double x, double w, const QString &text) {
            b.text(x, w, text, kCenter, 9, true);
            b.items.back().rect = QRectF(x, kTitleH, w, kHeaderH);
        };
        caption(0, kNameW, QStringLiteral("Наименование"));
        caption(kZoneX, kZoneW, QStringLiteral("ДКЗ"));
        caption(kMinX, kValueW, QStringLiteral("Тмин"));
        caption(kMaxX, kValueW, QStringLiteral("Тмах"));
        b.line(0, kTitleH, kTableW, kTitleH, 0.4);
        b.line(0, kTitleH + kHeaderH, kTableW, kTitleH + kHeaderH, 0.4);
        for (double x : {kZoneX, kMinX, kMaxX})
            b.line(x, kTitleH, x, kTitleH + kHeaderH, 0.2);
        return b;
    };
    l.pageFooter = [](int page) { return pageNumberFooter(page, kTableW); };
    return l;
}

ReportBand detail()
{
    ReportBand b;
    b.heightMm = kRowH;
    b.text(1.5, kNameW - 1.5, Picture::of("s15").formatText(USL.REGION.text()), kLeft);
    b.text(kZoneX, kZoneW, Picture::of("s4").formatText(USL.DKZ.text()), kCenter);
    b.text(kMinX, kValueW - 4, Picture::of("n-4").formatNumber(USL.TMIN), kRight);
    b.text(kMaxX, kValueW - 4, Picture::of("n3").formatNumber(USL.TMAX), kRight);
    b.line(0, kRowH, kTableW, kRowH, 0.1);
    return b;
}

ReportRun::Definition run()
{
    ReportRun::Definition d;
    d.file = &files::USLOV;
    d.order = files::key::USL_KEYREGION;
    d.basis = ProgressBasis::Records;
    return d;
}

} // namespace protreg
