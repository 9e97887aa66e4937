#include "catalogues/binders_report.h"

#include "data/files.h"

namespace binders_report {

namespace {
using namespace reportalign;

// Number, grade, then the seven indices of the binder in BIT.
const ReportTable &table()
{
    static const ReportTable t = [] {
        ReportTable t;
        t.title = title();
        t.headerHeightMm = 12;
        t.headerPointSize = 8;
        auto index = [](const char *header, const char *picture, double (*value)()) {
            return ReportColumn{QString::fromUtf8(header), 19.5, kRight, pictureNumber(picture, value), 3};
        };
        t.columns = {
            {QString(), 11, kRight, pictureNumber("n4", [] { return double(BIT.NUMBIT); })},
            // The whole grade (20 characters): the engine fits it to the column, never cut.
            {QStringLiteral("Марка"), 30, kLeft, [] { return BIT.MARBIT.text().trimmed(); }},
            index("П25, мм/10", "n-4.0", [] { return BIT.P25.toDouble(); }),
            index("П0, мм/10", "n-4.0", [] { return BIT.P0.toDouble(); }),
            index("Tр. оС", "n-5.1", [] { return BIT.TR.toDouble(); }),
            index("Txр, оС", "n-5.1", [] { return BIT.TXR.toDouble(); }),
            index("D25,см", "n-4.0", [] { return BIT.D25.toDouble(); }),
            index("D0,см", "n-4.0", [] { return BIT.D0.toDouble(); }),
            index("Изм.Tр,оС", "n-4.0", [] { return BIT.PRTR.toDouble(); }),
        };
        return t;
    }();
    return t;
}
} // namespace

QString title() { return QStringLiteral("Физико-механические свойства битумов"); }

ReportDocument::Layout layout()
{
    ReportDocument::Layout page;
    page.bottomMm = 12;
    page.leftMm = 20;
    return table().layout(page);
}

ReportBand detail() { return table().row(); }

ReportRun::Definition run()
{
    ReportRun::Definition d;
    d.file = &files::BITUMEN;
    d.order = DataFile::PhysicalOrder;
    d.basis = ProgressBasis::Records;
    return d;
}

} // namespace binders_report
