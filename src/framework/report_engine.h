#pragma once
// The report runner's core: pages described in millimetres (kept for the preview, painted on
// any device by the report painter), bands placed on pages, the timer-driven record loop with
// its progress, and the preview's arithmetic (thumbnail grid, paging, status texts).
// Nothing here needs a display; the windows are in reportprogress_window and
// report_preview_window.
#include "data/datafile.h"

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// ---- pages ------------------------------------------------------------------------------------

// One thing drawn on a page; rectangles are in millimetres from the page's top left corner.
struct ReportItem {
    enum Kind { Text, Line, Box, Image, Dot }; // a Dot: a filled circle inscribed in rect
    Kind kind = Text;
    QRectF rect;             // a Line runs from rect.topLeft() to rect.bottomRight()
    QString text;
    int align = 0;           // Qt::Alignment flags of a Text
    double pointSize = 9;    // font size of a Text
    bool bold = false;
    double penMm = 0.2;      // line width of a Line or Box
    bool dashed = false;     // a Line or Box drawn in dashes
    unsigned rgb = 0x000000; // colour of a Text, Line or Box (0xRRGGBB)
    // An Image: encoded bytes (PNG, JPEG, ...) or, when there are none, a resource or file
    // path; painted as large as fits the rectangle with its proportions kept, centred.
    QByteArray imageData;
    QString imagePath;
};

// A kept page (one entry of PRINTPREVIEWQUEUE).
struct ReportPage {
    std::vector<ReportItem> items;
    // The texts drawn, in drawing order (for golden-data checks).
    QStringList texts() const;
};

// A band: a horizontal strip of items, positioned from the band's top. The helpers return the
// item added, to be adjusted in place (its rectangle, colour, ...).
struct ReportBand {
    double heightMm = 0;
    std::vector<ReportItem> items;
    bool pageBreakAfter = false; // the page ends after this band (one page per record)

    // A text across the band's height.
    ReportItem &text(double xMm, double widthMm, const QString &text, int align, double pointSize = 9, bool bold = false);
    // A text in a rectangle of the band (a page laid out by hand).
    ReportItem &textIn(const QRectF &rectMm, const QString &text, int align, double pointSize = 9, bool bold = false);
    ReportItem &line(double x1Mm, double y1Mm, double x2Mm, double y2Mm, double penMm = 0.2, unsigned rgb = 0);
    // Segments joining the points in turn.
    void polyline(const std::vector<QPointF> &pointsMm, double penMm = 0.2, unsigned rgb = 0);
    ReportItem &box(const QRectF &rectMm, double penMm = 0.2, unsigned rgb = 0);
    ReportItem &dot(const QPointF &centreMm, double diameterMm, unsigned rgb = 0);
    ReportItem &image(const QRectF &rectMm, const QString &path);
    ReportItem &imageData(const QRectF &rectMm, const QByteArray &encoded);
    // Another band's items, its top left corner at (x, y) of this band (a form built of blocks).
    void insert(const ReportBand &band, double xMm, double yMm);
};

// Text alignments of report items (Qt::Alignment values; the core library does not need QtGui).
namespace reportalign {
constexpr int kLeft = 0x0001 | 0x0080;  // Qt::AlignLeft | Qt::AlignVCenter
constexpr int kRight = 0x0002 | 0x0080; // Qt::AlignRight | Qt::AlignVCenter
constexpr int kCenter = 0x0084;         // Qt::AlignCenter
constexpr int kWrap = 0x1000;           // Qt::TextWordWrap
} // namespace reportalign

// The usual page footer: a rule across a table `widthMm` wide and "Page n" at its right.
ReportBand pageNumberFooter(int page, double widthMm);

// The pages of one report, filled band by band: a page starts with its header band, detail
// bands follow while they fit above the footer, and the footer band (which gets the page
// number) closes each page.
class ReportDocument {
public:
    struct Layout {
        QSizeF pageMm{210, 297};
        double topMm = 15, bottomMm = 15, leftMm = 20;
        std::function<ReportBand()> pageHeader;
        std::function<ReportBand(int pageNumber)> pageFooter;
    };
    ReportDocument();
    explicit ReportDocument(Layout layout);

    void printDetail(const ReportBand &band);
    // Ends the page in progress (when it holds a detail): the next detail starts a new page.
    void pageBreak();
    // Closes the last page (its footer).
    void finish();

    const Layout &layout() const { return m_layout; }
    QSizeF pageSizeMm() const { return m_layout.pageMm; }
    int pageCount() const { return int(m_pages.size()); }
    const ReportPage &page(int index) const { return m_pages[std::size_t(index)]; }
    void clear();

private:
    void startPage();
    void closePage();
    void place(const ReportBand &band, double topMm);

    Layout m_layout;
    std::vector<ReportPage> m_pages;
    bool m_pageOpen = false;
    int m_detailsOnPage = 0;
    double m_y = 0;            // next band's top, mm
    double m_bodyBottom = 0;   // detail bands end above this
};

// ---- tables -----------------------------------------------------------------------------------

// One column of a list-like report.
struct ReportColumn {
    QString header = {};                 // caption (empty: none)
    double widthMm = 20;
    int align = reportalign::kRight;
    std::function<QString()> value = {}; // the cell's text for the record in the buffer
    double padMm = 1.5;                  // inset from the edge the text is aligned to (none centred)
    QString group = {};                  // a caption over the neighbouring columns of one group
};

// A number as the documents print it: through its picture, with the decimal comma.
QString reportNumber(const char *picture, double value);

// Cell values through a picture: a number, or a text, of the record in the buffer.
std::function<QString()> pictureNumber(const char *picture, std::function<double()> number);
std::function<QString()> pictureText(const char *picture, std::function<QString()> text);

// A list-like report: the title, the column captions between two rules and parted by thin
// ones (group captions, if any, in a tier of their own above), then one row per record, ruled
// under it; pages are numbered under a rule as wide as the table.
struct ReportTable {
    QString title;
    double titleHeightMm = 12, titlePointSize = 13;
    double headerHeightMm = 8, headerPointSize = 9; // all caption tiers
    double groupHeightMm = 5;                        // the group captions' tier
    double rowHeightMm = 5.5, pointSize = 9;
    std::vector<ReportColumn> columns;

    double widthMm() const;
    double columnX(int column) const;
    ReportBand headerBand() const;
    ReportBand row() const; // of the record in the buffer
    ReportBand rowOf(const QStringList &cells) const; // of given texts (a table of fixed rows)
    // `page` (size and margins) with this table's page header and footer.
    ReportDocument::Layout layout(ReportDocument::Layout page) const;

private:
    bool grouped(int left, int right) const; // two columns under one group caption
};

// ---- progress ---------------------------------------------------------------------------------

// RECORDSTOPROCESS / RECORDSPROCESSED / PERCENTPROGRESS of a run. The percentage never passes
// 100, whatever the total (an estimate may be too small) and is 100 for a zero total.
struct ReportProgress {
    LONG RECORDSTOPROCESS = 0;
    LONG RECORDSPROCESSED = 0;
    LONG RECORDSTHISCYCLE = 0;
    BYTE PERCENTPROGRESS = 0;

    // Adds an amount processed; true when the whole percentage changed.
    bool advance(LONG amount);
    QString pctText() const; // "37% Completed"
};

// ---- the record loop --------------------------------------------------------------------------

// How the progress bar measures a run.
enum class ProgressBasis {
    Bytes,       // the file's size in bytes; each record adds its size (1000 records a tick)
    Records,     // the file's record count; each record adds 1 (25 records a tick)
    Estimate,    // a fixed estimate (ReportRun::estimate); each record adds 1 (25 a tick)
};

// The generic report loop over one file (no window): opens the file through its use counter,
// reads records in the file's order (or a key), passes each through the filter and the
// instance's validation, and prints one detail band per accepted record, RECORDSPERCYCLE
// records per call of cycle(). Another window may use the same file between cycles, and a
// detail or a validation may read it by key: the loop keeps the position of the record in
// hand and goes back to it before printing and before reading on.
class ReportRun {
public:
    enum Status : BYTE { Accept = 0, Stop = 1, Skip = 2 }; // RECORDSTATUS

    struct Definition {
        DataFile *file = nullptr;
        int order = DataFile::PhysicalOrder;
        ProgressBasis basis = ProgressBasis::Records;
        LONG estimate = 500;
        std::function<bool()> filter;               // the view's filter; empty: every record
        std::function<BYTE()> validate;             // instance validation: Accept or Skip
        std::function<void(ReportRun &)> printDetail; // prints the record in the buffer
    };

    explicit ReportRun(Definition def);
    ~ReportRun();
    ReportRun(const ReportRun &) = delete;
    ReportRun &operator=(const ReportRun &) = delete;

    // Opens the file and reads up to the first accepted record; false when no record is
    // accepted (or the file could not be opened): nothing is to be printed.
    bool start();
    // Prints up to RECORDSPERCYCLE records; true when the records have ended.
    bool cycle();
    bool finished() const { return m_finished; }

    LONG RECORDSPERCYCLE = 25;
    LONG PRINTSKIPDETAILS = 0;
    BYTE RECORDSTATUS = Accept;
    ReportProgress progress;
    // Called when the whole percentage changes.
    std::function<void(const ReportProgress &)> onProgress;

private:
    bool getNextRecord();   // GETNEXTRECORD: true when a record was read
    void validateRecord(bool found);
    bool readAccepted();    // reads until a record is accepted; false at the end
    bool restorePosition();

    Definition m_def;
    bool m_using = false;
    bool m_finished = false;
    Position m_current;
};

// ---- the preview's arithmetic -----------------------------------------------------------------

// Thumbnail placement, in dialog units: a grid of across x down cells inside an area of
// width x height (the area under the tool bar), 3 units apart, starting at (1, 1); each
// thumbnail keeps the page's aspect ratio (height / width).
std::vector<QRect> thumbnailRects(int areaWidth, int areaHeight, int across, int down, double pageAspect);

// Status zone 2 for the thumbnails: "Page 5 of 5", "Pages 1-4 of 5".
QString previewPageInfo(LONG currentPage, LONG thumbnails, LONG imageCount);
// Paging: the first page shown after Next / Previous with `step` pages a screen.
LONG previewNextPage(LONG currentPage, LONG step, LONG imageCount);
LONG previewPrevPage(LONG currentPage, LONG step);
