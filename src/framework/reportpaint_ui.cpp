#include "framework/reportpaint_ui.h"

#include <QFile>
#include <QFontMetricsF>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

QString reportFontFamily() { return QStringLiteral("DejaVu Sans"); }

namespace {

// The device texts are measured on: 1200 dots an inch, so that widths in millimetres do not
// depend on the screen's hinting.
constexpr double kMeasureDpi = 1200;

const QImage &measureDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dpm = int(kMeasureDpi / 0.0254 + 0.5);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
        return image;
    }();
    return device;
}

QFont reportFont(double pointSize, bool bold)
{
    QFont font(reportFontFamily());
    font.setPointSizeF(pointSize); // points resolve against the device's dpi
    font.setBold(bold);
    return font;
}

// A text's lines at one size: the width of the widest, the height of them all, in millimetres.
struct Measured {
    QStringList lines;
    double widthMm = 0, heightMm = 0;
};

constexpr double kMmPerDot = 25.4 / kMeasureDpi;

// Words set into lines no wider than `widthMm` (a word wider than that stands alone on its line).
Measured setLines(const QString &text, const QFont &font, double widthMm, bool wrap)
{
    const QFontMetricsF fm(font, &measureDevice());
    Measured m;
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (const QString &paragraph : paragraphs) {
        if (!wrap) {
            m.lines << paragraph;
            continue;
        }
        QString line;
        for (const QString &word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && fm.horizontalAdvance(longer) * kMmPerDot > widthMm) {
                m.lines << line;
                line = word;
            } else {
                line = longer;
            }
        }
        m.lines << line;
    }
    for (const QString &line : m.lines)
        m.widthMm = std::max(m.widthMm, fm.horizontalAdvance(line) * kMmPerDot);
    m.heightMm = (fm.height() + double(m.lines.size() - 1) * fm.lineSpacing()) * kMmPerDot;
    return m;
}

bool fits(const Measured &m, const QRectF &box)
{
    constexpr double kSlackMm = 0.05;
    return m.widthMm <= box.width() + kSlackMm && m.heightMm <= box.height() + kSlackMm;
}

FittedText fitUncached(const ReportItem &item)
{
    FittedText out;
    const QString &text = item.text;
    const double own = item.pointSize;
    const double smallest = std::min(own, std::max(5.0, own * 0.6));
    const bool wrapFirst = item.align & Qt::TextWordWrap;
    auto attempt = [&](double size, bool wrap) {
        const Measured m = setLines(text, reportFont(size, item.bold), item.rect.width(), wrap);
        if (!fits(m, item.rect))
            return false;
        out.pointSize = size;
        out.lines = m.lines;
        return true;
    };
    constexpr double kStep = 0.25;
    if (attempt(own, wrapFirst))
        return out;
    for (bool wrap : {wrapFirst, true})
        for (double size = own - kStep; size >= smallest - 1e-9; size -= kStep)
            if (attempt(size, wrap))
                return out;
    // Nothing fits: at the smallest size, the lines that fit, the last ending in "…".
    const QFont font = reportFont(smallest, item.bold);
    const QFontMetricsF fm(font, &measureDevice());
    Measured m = setLines(text, font, item.rect.width(), true);
    const double width = item.rect.width() / kMmPerDot;
    const int room = std::max(1, int((item.rect.height() * 1.0001 / kMmPerDot - fm.height()) / fm.lineSpacing()) + 1);
    QStringList lines = m.lines.mid(0, room);
    for (QString &line : lines)
        line = fm.elidedText(line, Qt::ElideRight, width); // a word wider than the box
    if (m.lines.size() > room) // lines left out: the last one shown says so
        lines.last() = fm.elidedText(m.lines.mid(room - 1).join(QLatin1Char(' ')) + QChar(0x2026), Qt::ElideRight, width);
    out.pointSize = smallest;
    out.lines = lines;
    out.cut = true;
    return out;
}

} // namespace

FittedText fitReportText(const ReportItem &item)
{
    // Pages are painted again and again (preview, thumbnails, zoom): each text is fitted once.
    static QHash<QString, FittedText> cache;
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6")
                            .arg(item.rect.width())
                            .arg(item.rect.height())
                            .arg(item.pointSize)
                            .arg(item.bold)
                            .arg(item.align & Qt::TextWordWrap)
                            .arg(item.text);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    if (cache.size() > 20000)
        cache.clear();
    return *cache.insert(key, fitUncached(item));
}

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
            if (item.text.trimmed().isEmpty())
                break;
            const FittedText fitted = fitReportText(item);
            painter.setFont(reportFont(fitted.pointSize, item.bold));
            painter.setPen(colour);
            painter.drawText(toDevice(item.rect), (item.align & ~Qt::TextWordWrap) | Qt::TextDontClip,
                             fitted.lines.join(QLatin1Char('\n')));
            break;
        }
        case ReportItem::Line:
        case ReportItem::Box: {
            QPen pen(colour, std::max(1.0, item.penMm * dx));
            if (item.dashed)
                pen.setStyle(Qt::DashLine);
            painter.setPen(pen);
            const QRectF r = toDevice(item.rect);
            if (item.kind == ReportItem::Line)
                painter.drawLine(r.topLeft(), r.bottomRight());
            else
                painter.drawRect(r);
            break;
        }
        case ReportItem::Dot:
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawEllipse(toDevice(item.rect));
            painter.setBrush(Qt::NoBrush);
            break;
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

void ReportPageView::setPage(ReportPage page, QSizeF sizeMm)
{
    m_page = std::move(page);
    m_sizeMm = sizeMm;
    update();
}

QSizeF ReportPageView::sizeMm() const { return QSizeF(width(), height()) * 25.4 / logicalDpiX(); }

void ReportPageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_sizeMm.isEmpty())
        return;
    // paintReportPage maps millimetres at the device's dpi; the scale fits the page to the widget.
    const double dpm = logicalDpiX() / 25.4;
    const double scale = std::min(width() / (m_sizeMm.width() * dpm), height() / (m_sizeMm.height() * dpm));
    painter.translate((width() - m_sizeMm.width() * dpm * scale) / 2, (height() - m_sizeMm.height() * dpm * scale) / 2);
    painter.scale(scale, scale);
    paintReportPage(painter, m_page);
}
