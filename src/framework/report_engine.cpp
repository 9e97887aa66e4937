#include "framework/report_engine.h"

#include "framework/fileservices.h"
#include "framework/picture.h"
#include "framework/warnings.h"

#include <QFileInfo>

#include <algorithm>

// ---- pages ------------------------------------------------------------------------------------

QStringList ReportPage::texts() const
{
    QStringList out;
    for (const ReportItem &item : items)
        if (item.kind == ReportItem::Text)
            out << item.text;
    return out;
}

ReportItem &ReportBand::text(double xMm, double widthMm, const QString &text, int align, double pointSize, bool bold)
{
    ReportItem item;
    item.kind = ReportItem::Text;
    item.rect = QRectF(xMm, 0, widthMm, heightMm);
    item.text = text;
    item.align = align;
    item.pointSize = pointSize;
    item.bold = bold;
    items.push_back(std::move(item));
    return items.back();
}

ReportItem &ReportBand::textIn(const QRectF &rectMm, const QString &text, int align, double pointSize, bool bold)
{
    ReportItem &item = ReportBand::text(rectMm.x(), rectMm.width(), text, align, pointSize, bold);
    item.rect = rectMm;
    return item;
}

ReportItem &ReportBand::line(double x1Mm, double y1Mm, double x2Mm, double y2Mm, double penMm, unsigned rgb)
{
    ReportItem item;
    item.kind = ReportItem::Line;
    item.rect = QRectF(QPointF(x1Mm, y1Mm), QPointF(x2Mm, y2Mm));
    item.penMm = penMm;
    item.rgb = rgb;
    items.push_back(std::move(item));
    return items.back();
}

void ReportBand::polyline(const std::vector<QPointF> &pointsMm, double penMm, unsigned rgb)
{
    for (std::size_t i = 1; i < pointsMm.size(); ++i)
        line(pointsMm[i - 1].x(), pointsMm[i - 1].y(), pointsMm[i].x(), pointsMm[i].y(), penMm, rgb);
}

ReportItem &ReportBand::box(const QRectF &rectMm, double penMm, unsigned rgb)
{
    ReportItem &item = line(0, 0, 0, 0, penMm, rgb);
    item.kind = ReportItem::Box;
    item.rect = rectMm;
    return item;
}

ReportItem &ReportBand::dot(const QPointF &centreMm, double diameterMm, unsigned rgb)
{
    ReportItem &item = line(0, 0, 0, 0, 0, rgb);
    item.kind = ReportItem::Dot;
    item.rect = QRectF(centreMm.x() - diameterMm / 2, centreMm.y() - diameterMm / 2, diameterMm, diameterMm);
    return item;
}

ReportItem &ReportBand::image(const QRectF &rectMm, const QString &path)
{
    ReportItem item;
    item.kind = ReportItem::Image;
    item.rect = rectMm;
    item.imagePath = path;
    items.push_back(std::move(item));
    return items.back();
}

void ReportBand::insert(const ReportBand &band, double xMm, double yMm)
{
    for (ReportItem item : band.items) {
        item.rect.translate(xMm, yMm);
        items.push_back(std::move(item));
    }
}

ReportItem &ReportBand::imageData(const QRectF &rectMm, const QByteArray &encoded)
{
    ReportItem &item = image(rectMm, QString());
    item.imageData = encoded;
    return item;
}

ReportBand pageNumberFooter(int page, double widthMm)
{
    ReportBand b;
    b.heightMm = 8;
    b.line(0, 1, widthMm, 1, 0.2);
    b.text(0, widthMm, QStringLiteral("Page ") + QString::number(page), reportalign::kRight, 8).rect = QRectF(0, 2, widthMm, 6);
    return b;
}

ReportDocument::ReportDocument() = default;
ReportDocument::ReportDocument(Layout layout) : m_layout(std::move(layout)) {}

void ReportDocument::clear()
{
    m_pages.clear();
    m_pageOpen = false;
}

void ReportDocument::place(const ReportBand &band, double topMm)
{
    ReportPage &page = m_pages.back();
    for (ReportItem item : band.items) {
        item.rect.translate(m_layout.leftMm, topMm);
        page.items.push_back(std::move(item));
    }
}

void ReportDocument::startPage()
{
    m_pages.emplace_back();
    m_pageOpen = true;
    m_detailsOnPage = 0;
    m_y = m_layout.topMm;
    if (m_layout.pageHeader) {
        ReportBand header = m_layout.pageHeader();
        place(header, m_y);
        m_y += header.heightMm;
    }
    const double footer = m_layout.pageFooter ? m_layout.pageFooter(0).heightMm : 0;
    m_bodyBottom = m_layout.pageMm.height() - m_layout.bottomMm - footer;
}

void ReportDocument::closePage()
{
    if (!m_pageOpen)
        return;
    if (m_layout.pageFooter) {
        ReportBand footer = m_layout.pageFooter(pageCount());
        place(footer, m_layout.pageMm.height() - m_layout.bottomMm - footer.heightMm);
    }
    m_pageOpen = false;
}

void ReportDocument::printDetail(const ReportBand &band)
{
    if (!m_pageOpen)
        startPage();
    // A band taller than a whole page body still goes on a fresh page of its own.
    if (m_y + band.heightMm > m_bodyBottom + 1e-9 && m_detailsOnPage > 0) {
        closePage();
        startPage();
    }
    place(band, m_y);
    m_y += band.heightMm;
    ++m_detailsOnPage;
    if (band.pageBreakAfter)
        closePage();
}

void ReportDocument::pageBreak()
{
    if (m_pageOpen && m_detailsOnPage > 0)
        closePage();
}

void ReportDocument::finish() { closePage(); }

// ---- tables -----------------------------------------------------------------------------------

QString reportNumber(const char *picture, double value)
{
    return Picture::of(picture).formatNumber(value, QLatin1Char(','));
}

std::function<QString()> pictureNumber(const char *picture, std::function<double()> number)
{
    return [p = Picture::of(picture), number = std::move(number)] { return p.formatNumber(number(), QLatin1Char(',')); };
}

std::function<QString()> pictureText(const char *picture, std::function<QString()> text)
{
    return [p = Picture::of(picture), text = std::move(text)] { return p.formatText(text()); };
}

double ReportTable::widthMm() const { return columnX(int(columns.size())); }

double ReportTable::columnX(int column) const
{
    double x = 0;
    for (int i = 0; i < column && i < int(columns.size()); ++i)
        x += columns[std::size_t(i)].widthMm;
    return x;
}

bool ReportTable::grouped(int left, int right) const
{
    const QString &group = columns[std::size_t(left)].group;
    return !group.isEmpty() && group == columns[std::size_t(right)].group;
}

ReportBand ReportTable::headerBand() const
{
    using namespace reportalign;
    const double titleH = title.isEmpty() ? 0 : titleHeightMm;
    const double width = widthMm();
    const int count = int(columns.size());
    ReportBand b;
    b.heightMm = titleH + headerHeightMm;
    if (!title.isEmpty())
        b.text(0, width, title, kCenter, titlePointSize, true).rect.setHeight(titleH);
    std::vector<QRectF> groupRules;
    for (int i = 0; i < count; ++i) {
        const ReportColumn &c = columns[std::size_t(i)];
        double top = titleH;
        if (!c.group.isEmpty()) {
            top += groupHeightMm;
            if (i == 0 || !grouped(i - 1, i)) {
                int last = i;
                while (last + 1 < count && grouped(last, last + 1))
                    ++last;
                const QRectF span(columnX(i), titleH, columnX(last + 1) - columnX(i), groupHeightMm);
                b.text(0, 0, c.group, kCenter | kWrap, headerPointSize, true).rect = span;
                groupRules.push_back(span);
            }
        }
        if (!c.header.isEmpty())
            b.text(0, 0, c.header, kCenter | kWrap, headerPointSize, true).rect =
                QRectF(columnX(i), top, c.widthMm, b.heightMm - top);
    }
    b.line(0, titleH, width, titleH, 0.4);
    b.line(0, b.heightMm, width, b.heightMm, 0.4);
    for (const QRectF &span : groupRules)
        b.line(span.left(), span.bottom(), span.right(), span.bottom(), 0.2);
    for (int i = 1; i < count; ++i)
        b.line(columnX(i), grouped(i - 1, i) ? titleH + groupHeightMm : titleH, columnX(i), b.heightMm, 0.2);
    return b;
}

ReportBand ReportTable::row() const
{
    QStringList cells;
    for (const ReportColumn &c : columns)
        cells << (c.value ? c.value() : QString());
    return rowOf(cells);
}

ReportBand ReportTable::rowOf(const QStringList &cells) const
{
    ReportBand b;
    b.heightMm = rowHeightMm;
    for (int i = 0; i < int(columns.size()); ++i) {
        const ReportColumn &c = columns[std::size_t(i)];
        double x = columnX(i), w = c.widthMm;
        if (c.align & 0x0001) { // Qt::AlignLeft
            x += c.padMm;
            w -= c.padMm;
        } else if (c.align & 0x0002) { // Qt::AlignRight
            w -= c.padMm;
        }
        b.text(x, w, cells.value(i), c.align, pointSize);
    }
    b.line(0, rowHeightMm, widthMm(), rowHeightMm, 0.1);
    return b;
}

ReportDocument::Layout ReportTable::layout(ReportDocument::Layout page) const
{
    page.pageHeader = [table = *this] { return table.headerBand(); };
    page.pageFooter = [width = widthMm()](int number) { return pageNumberFooter(number, width); };
    return page;
}

// ---- progress ---------------------------------------------------------------------------------

bool ReportProgress::advance(LONG amount)
{
    RECORDSPROCESSED += amount;
    RECORDSTHISCYCLE += amount;
    if (PERCENTPROGRESS >= 100)
        return false;
    // A zero total: everything is done at once (no division by zero).
    const double pct = RECORDSTOPROCESS > 0 ? double(RECORDSPROCESSED) / double(RECORDSTOPROCESS) * 100.0 : 100.0;
    const BYTE now = BYTE(std::clamp(int(pct), 0, 100));
    if (now == PERCENTPROGRESS)
        return false;
    PERCENTPROGRESS = now;
    return true;
}

QString ReportProgress::pctText() const
{
    return QString::number(PERCENTPROGRESS) + QStringLiteral("% Completed");
}

// ---- the record loop --------------------------------------------------------------------------

ReportRun::ReportRun(Definition def) : m_def(std::move(def))
{
    RECORDSPERCYCLE = m_def.basis == ProgressBasis::Bytes ? 1000 : 25;
}

ReportRun::~ReportRun()
{
    if (m_using)
        releaseFile(*m_def.file);
}

bool ReportRun::start()
{
    DataFile &file = *m_def.file;
    m_using = useFile(file);
    if (!m_using)
        return false;
    switch (m_def.basis) {
    case ProgressBasis::Bytes:
        progress.RECORDSTOPROCESS = LONG(std::min<qint64>(QFileInfo(file.diskName()).size(), 0x7fffffff));
        break;
    case ProgressBasis::Records:
        progress.RECORDSTOPROCESS = LONG(std::min<qint64>(file.recordCount(), 0x7fffffff));
        break;
    case ProgressBasis::Estimate:
        progress.RECORDSTOPROCESS = m_def.estimate;
        break;
    }
    file.sendOption(QStringLiteral("QUICKSCAN=on"));
    file.setOrder(m_def.order);
    file.setToStart();
    if (!readAccepted()) {
        m_finished = true;
        return false;
    }
    return true;
}

namespace {
// A record's size in bytes for byte-based progress: its fields as stored.
LONG recordBytes(RecordBuffer &buffer)
{
    LONG size = 0;
    for (const auto &value : buffer.save()) {
        if (const QByteArray *text = std::get_if<QByteArray>(&value))
            size += LONG(text->size());
        else if (!std::holds_alternative<std::monostate>(value))
            size += 8;
    }
    return std::max<LONG>(size, 1);
}
} // namespace

bool ReportRun::getNextRecord()
{
    DataFile &file = *m_def.file;
    const FileError e = file.next();
    if (e == FileError::EndOfFile)
        return false;
    if (e != FileError::None) {
        STANDARDWARNING(35, file.name());
        return false;
    }
    m_current = file.position();
    const LONG amount = m_def.basis == ProgressBasis::Bytes ? recordBytes(file.buffer()) : 1;
    if (progress.advance(amount) && onProgress)
        onProgress(progress);
    return true;
}

void ReportRun::validateRecord(bool found)
{
    RECORDSTATUS = found ? Accept : Stop;
    // The view's filter: a refused record is skipped like one the instance skips.
    if (found && m_def.filter && !m_def.filter())
        RECORDSTATUS = Skip;
    if (RECORDSTATUS == Accept && m_def.validate)
        RECORDSTATUS = m_def.validate();
}

bool ReportRun::readAccepted()
{
    for (;;) {
        const bool found = getNextRecord();
        validateRecord(found);
        const DataFile &file = *m_def.file;
        if (found && (!(file.position() == m_current) || file.order() != m_def.order) && !restorePosition())
            return false;
        if (RECORDSTATUS == Accept)
            return true;
        if (RECORDSTATUS == Stop)
            return false;
    }
}

// Puts the record in hand back into the buffer with the file, in the run's order, just after
// it. Between cycles another window may have moved the file; within a cycle a detail or a
// validation may have read the same file by key (a settings record of the file printed over).
bool ReportRun::restorePosition()
{
    DataFile &file = *m_def.file;
    file.setOrder(m_def.order);
    if (file.fetch(m_current) != FileError::None || !(file.position() == m_current)) {
        STANDARDWARNING(35, file.name());
        return false;
    }
    return true;
}

bool ReportRun::cycle()
{
    if (m_finished)
        return true;
    progress.RECORDSTHISCYCLE = 0;
    if (!restorePosition()) {
        m_finished = true;
        return true;
    }
    for (LONG i = 0; i < RECORDSPERCYCLE; ++i) {
        PRINTSKIPDETAILS = 0;
        if (m_def.printDetail)
            m_def.printDetail(*this);
        if ((m_def.printDetail && !restorePosition()) || !readAccepted()) {
            m_finished = true;
            return true;
        }
    }
    return false;
}

// ---- the preview's arithmetic -----------------------------------------------------------------

std::vector<QRect> thumbnailRects(int areaWidth, int areaHeight, int across, int down, double pageAspect)
{
    std::vector<QRect> rects;
    if (across < 1 || down < 1)
        return rects;
    const int xTotal = (across - 1) * 3 + 2;
    const int yTotal = (down - 1) * 3 + 2;
    const double cellW = std::max(1.0, double(areaWidth - xTotal) / across);
    const double cellH = std::max(1.0, double(areaHeight - yTotal) / down);
    int w, h;
    // The page is narrower (relatively taller) than the cell: fit the height.
    if (pageAspect <= cellH / cellW) {
        w = int(cellW);
        h = int(cellW * pageAspect);
    } else {
        h = int(cellH);
        w = pageAspect > 0 ? int(cellH / pageAspect) : int(cellW);
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
    int y = 1;
    for (int r = 0; r < down; ++r) {
        int x = 1;
        for (int c = 0; c < across; ++c) {
            rects.emplace_back(x, y, w, h);
            x += w + 3;
        }
        y += h + 3;
    }
    return rects;
}

QString previewPageInfo(LONG currentPage, LONG thumbnails, LONG imageCount)
{
    const QString of = QStringLiteral(" of ") + QString::number(imageCount);
    if (thumbnails <= 1 || currentPage >= imageCount)
        return QStringLiteral("Page ") + QString::number(currentPage) + of;
    const LONG last = std::min(imageCount, currentPage + thumbnails - 1);
    return QStringLiteral("Pages ") + QString::number(currentPage) + QLatin1Char('-') + QString::number(last) + of;
}

LONG previewNextPage(LONG currentPage, LONG step, LONG imageCount)
{
    return currentPage + step <= imageCount ? currentPage + step : currentPage;
}

LONG previewPrevPage(LONG currentPage, LONG step)
{
    return std::max<LONG>(1, currentPage - step);
}
