#pragma once
// Painting kept report pages: the one function that draws a page on any QPainter (preview
// images, the printer, PDF files), with the page's millimetres mapped to the device's dots.
#include "framework/report_engine.h"

#include <QImage>
#include <QWidget>

class QPainter;
class QPrinter;

// The font family of every report text (Cyrillic glyphs on every platform we ship to).
QString reportFontFamily();

// How a text is set in its box: at its own size when it fits; else at the largest size down to
// a smallest one (60 % of its own, not under 5 pt) at which it fits on one line; else wrapped at
// the largest size at which its lines fit the box (a text marked to wrap tries that first).
// What fits in none of these ways is cut visibly: its last line ends in "…" (never cut silently,
// never run over its neighbours). Measured in millimetres, the same on every device.
struct FittedText {
    double pointSize = 9;
    QStringList lines;
    bool cut = false;
};
FittedText fitReportText(const ReportItem &item);

// Paints `page` on the painter's device, the page's top left corner at the device's origin.
void paintReportPage(QPainter &painter, const ReportPage &page);
// The page as an image at `dotsPerInch` (white paper).
QImage renderReportPage(const ReportPage &page, QSizeF pageMm, double dotsPerInch);
// Writes every page into a PDF file; false when the file cannot be written.
bool writeReportPdf(const ReportDocument &document, const QString &path, const QString &title = {});
// Sends every page to the printer (already set up); false when the printer refuses.
bool printReportPages(const ReportDocument &document, QPrinter &printer);

// A page, or a part of one laid out in millimetres, shown in a window: scaled to the widget with
// its proportions kept, drawn by paintReportPage (the screen shows what the paper will).
class ReportPageView : public QWidget {
public:
    explicit ReportPageView(QWidget *parent = nullptr) : QWidget(parent) {}
    void setPage(ReportPage page, QSizeF sizeMm);
    const ReportPage &page() const { return m_page; }
    // The millimetres the widget shows at its present size (at the screen's dpi): lay the page out
    // in this size and it fills the widget.
    QSizeF sizeMm() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ReportPage m_page;
    QSizeF m_sizeMm;
};
