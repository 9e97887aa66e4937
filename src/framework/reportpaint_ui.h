#pragma once
// Painting kept report pages: the one function that draws a page on any QPainter (preview
// images, the printer, PDF files), with the page's millimetres mapped to the device's dots.
#include "framework/report_engine.h"

#include <QImage>

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
