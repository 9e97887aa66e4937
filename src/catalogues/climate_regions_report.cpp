#include "catalogues/climate_regions_report.h"

#include "data/files.h"

namespace climate_regions_report {

namespace {
using namespace reportalign;

// Name, zone, minimum and maximum temperature of the region in USL; the texts whole, fitted to
// their cells by the page.
const ReportTable &table()
{
    static const ReportTable t = [] {
        ReportTable t;
        t.title = title();
        t.columns = {
            {QStringLiteral("Наименование"), 45, kLeft, [] { return USL.REGION.text().trimmed(); }},
            {QStringLiteral("ДКЗ"), 20, kCenter, [] { return USL.DKZ.text().trimmed(); }},
            {QStringLiteral("Тмин"), 22, kRight, pictureNumber("n-4", [] { return double(USL.TMIN); }), 4},
            {QStringLiteral("Тмах"), 22, kRight, pictureNumber("n3", [] { return double(USL.TMAX); }), 4},
        };
        return t;
    }();
    return t;
}
} // namespace

QString title() { return QStringLiteral("Список регионов"); }

ReportDocument::Layout layout()
{
    ReportDocument::Layout page;
    page.bottomMm = 12;
    page.leftMm = 50;
    return table().layout(page);
}

ReportBand detail() { return table().row(); }

ReportRun::Definition run()
{
    ReportRun::Definition d;
    d.file = &files::USLOV;
    d.order = files::key::USL_KEYREGION;
    d.basis = ProgressBasis::Records;
    return d;
}

} // namespace climate_regions_report
