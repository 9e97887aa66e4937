#include "catalogues/protbit.h"

#include "data/files.h"
#include "framework/picture.h"

namespace protbit {

namespace {
// Column positions (mm from the left margin) and widths: number, grade, then the seven indices.
constexpr double kNumW = 11, kGradeW = 30, kValueW = 19.5;
constexpr double kRowH = 5.5, kHeaderH = 12, kTitleH = 12;
constexpr double kTableW = kNumW + kGradeW + 7 * kValueW;

double valueX(int i) { return kNumW + kGradeW + i * kValueW; }

using namespace reportalign;
} // namespace

QString title() { return QStringLiteral("Физико-механические свойства битумов"); }

ReportDocument::Layout layout()
{
    ReportDocument::Layout l;
    l.pageMm = QSizeF(210, 297);
    l.topMm = 15;
    l.bottomMm = 12;
    l.leftMm = 20;
    l.pageHeader = [] {
        ReportBand b;
        b.heightMm = kTitleH + kHeaderH;
        b.text(0, kTableW, title(), kCenter, 13, true);
        b.items.back().rect.setHeight(kTitleH);
        const QStringList captions = {QStringLiteral("П25, мм/10"), QStringLiteral("П0, мм/10"), QStringLiteral("Tр. оС"),
                                      QStringLiteral("Txр, оС"),    QStringLiteral("D25,см"),    QStringLiteral("D0,см"),
                                      QStringLiteral("Изм.Tр,оС")};
        auto caption = [&](double x, double w, const QString &text) {
            b.text(x, w, text, kCenter | kWrap, 8, true);
            b.items.back().rect = QRectF(x, kTitleH, w, kHeaderH);
        };
        caption(kNumW, kGradeW, QStringLiteral("Марка"));
        for (int i = 0; i < captions.size(); ++i)
            caption(valueX(i), kValueW, captions[i]);
        b.line(0, kTitleH, kTableW, kTitleH, 0.4);
        b.line(0, kTitleH + kHeaderH, kTableW, kTitleH + kHeaderH, 0.4);
        for (int i = 0; i <= 7; ++i)
            b.line(valueX(i), kTitleH, valueX(i), kTitleH + kHeaderH, 0.2);
        b.line(kNumW, kTitleH, kNumW, kTitleH + kHeaderH, 0.2);
        return b;
    };
    l.pageFooter = [](int page) { return pageNumberFooter(page, kTableW); };
    return l;
}

ReportBand detail()
{
    ReportBand b;
    b.heightMm = kRowH;
    auto number = [](const char *picture, double value) { return Picture::of(picture).formatNumber(value); };
    b.text(0, kNumW - 1.5, number("n4", BIT.NUMBIT), kRight);
    b.text(kNumW + 1.5, kGradeW - 1.5, Picture::of("s15").formatText(BIT.MARBIT.text()), kLeft);
    const double values[] = {BIT.P25.toDouble(), BIT.P0.toDouble(), BIT.TR.toDouble(), BIT.TXR.toDouble(),
                             BIT.D25.toDouble(), BIT.D0.toDouble(), BIT.PRTR.toDouble()};
    const char *const pictures[] = {"n-4.0", "n-4.0", "n-5.1", "n-5.1", "n-4.0", "n-4.0", "n-4.0"};
    for (int i = 0; i < 7; ++i)
        b.text(valueX(i), kValueW - 3, number(pictures[i], values[i]), kRight);
    b.line(0, kRowH, kTableW, kRowH, 0.1);
    return b;
}

ReportRun::Definition run()
{
    ReportRun::Definition d;
    d.file = &files::BITUMEN;
    d.order = DataFile::PhysicalOrder;
    d.basis = ProgressBasis::Records;
    return d;
}

} // namespace protbit
