#include "framework/reportpaint_ui.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

QString reportFontFamily() { return QStringLiteral("DejaVu Sans"); }

void paintReportPage(QPainter &painter, const ReportPage &page)
{
    QPaintDevice *device = painter.device();
    const double dx = device->logicalDpiX() / 25.4;
    const double dy = device->logicalDpiY() / 25.4;
    auto toDevice = [&](const QRectF &mm) {
        return QRectF(mm.x() * dx, mm.y() * dy, mm.width() * dx, mm.height() * dy);
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setBrush(Qt::NoBrush);
    for (const ReportItem &item : page.items) {
        const QColor colour = QColor::fromRgb(QRgb(0xff000000u | item.rgb));
        switch (item.kind) {
        case ReportItem::Text: {
            QFont font(reportFontFamily());
            font.setPointSizeF(item.pointSize); // points resolve against the device's dpi
            font.setBold(item.bold);
            painter.setFont(font);
            painter.setPen(colour);
            painter.drawText(toDevice(item.rect), item.align | Qt::TextDontClip, item.text);
            break;
        }
        case ReportItem::Line:
        case ReportItem::Box: {
            painter.setPen(QPen(colour, std::max(1.0, item.penMm * dx)));
            const QRectF r = toDevice(item.rect);
            if (item.kind == ReportItem::Line)
                painter.drawLine(r.topLeft(), r.bottomRight());
            else
                painter.drawRect(r);
            break;
        }
        case ReportItem::Image: {
            // A picture that cannot be read leaves its place empty.
            QImage image = item.imageData.isEmpty() ? QImage(item.imagePath) : QImage::fromData(item.imageData);
            if (image.isNull())
                break;
            const QRectF area = toDevice(item.rect);
            QSizeF size = QSizeF(image.size()).scaled(area.size(), Qt::KeepAspectRatio);
            QRectF target(QPointF(0, 0), size);
            target.moveCenter(area.center());
            painter.drawImage(target, image);
            break;
        }
        }
    }
    painter.restore();
}

QImage renderReportPage(const ReportPage &page, QSizeF pageMm, double dotsPerInch)
{
    const QSize size(std::max(1, int(pageMm.width() / 25.4 * dotsPerInch + 0.5)),
                     std::max(1, int(pageMm.height() / 25.4 * dotsPerInch + 0.5)));
    QImage image(size, QImage::Format_RGB32);
    const int dpm = int(dotsPerInch / 0.0254 + 0.5);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintReportPage(painter, page);
    return image;
}

namespace {
QPageLayout pageLayoutOf(const ReportDocument &document)
{
    return QPageLayout(QPageSize(document.pageSizeMm(), QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF());
}
} // namespace

bool writeReportPdf(const ReportDocument &document, const QString &path, const QString &title)
{
    if (document.pageCount() == 0)
        return false;
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            return false;
    }
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setPageLayout(pageLayoutOf(document));
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Проектирование составов асфальтобетонных смесей"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (int i = 0; i < document.pageCount(); ++i) {
        if (i > 0)
            writer.newPage();
        paintReportPage(painter, document.page(i));
    }
    return painter.end();
}

bool printReportPages(const ReportDocument &document, QPrinter &printer)
{
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    for (int i = 0; i < document.pageCount(); ++i) {
        if (i > 0 && !printer.newPage())
            return false;
        paintReportPage(painter, document.page(i));
    }
    return painter.end();
}
