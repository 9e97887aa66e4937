// Reading the list's pages: one page of records at a time in the current order and filter,
// scrolled by rows, pages and the thumb; the highlighted record and what follows it.
#include "framework/list_window.h"

#include "framework/procedures_ui.h"
#include "framework/warnings.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

// ---- reading --------------------------------------------------------------------------------

// Sets the view to the start of the current sort order's key.
void BrowseWindow::reset()
{
    m_file.setOrder(m_decl.orders[std::size_t(m_sort)].key);
}

BrowsePageModel::Entry BrowseWindow::entryFromBuffer() const
{
    BrowsePageModel::Entry e;
    for (const auto &c : m_decl.columns)
        e.texts << c.text();
    e.record = m_file.buffer().save();
    e.position = m_file.position();
    return e;
}

// Sets the view so that the next read in either direction starts at the entry's record; a
// record deleted meanwhile is looked for by the key value it had.
bool BrowseWindow::positionAt(const BrowsePageModel::Entry &anchor)
{
    reset();
    const FileError e = m_file.setToPosition(anchor.position);
    if (e == FileError::None)
        return true;
    if (e == FileError::RecordNotFound) {
        m_file.buffer().load(anchor.record);
        m_file.setToKeyValue();
        return true;
    }
    STANDARDWARNING(36);
    return false;
}

bool BrowseWindow::readOne(bool forward, FileError &error)
{
    // The filter is this window's: the file is shared, so it applies to this read only.
    m_file.setFilter(m_decl.filter);
    error = forward ? m_file.next() : m_file.previous();
    m_file.setFilter({});
    return error == FileError::None;
}

// Reads up to `rows` records past the end of the page toward which it grows (BRW1::FILLRECORD)
// and returns how many could not be read because the file ended; -1 after a read error.
int BrowseWindow::fillRecord(int rows, bool forward, bool addToPage)
{
    const auto &entries = m_model->entries();
    std::optional<Position> skip;
    if (addToPage && !entries.empty()) {
        const auto &anchor = forward ? entries.back() : entries.front();
        if (!positionAt(anchor))
            return rows;
        skip = anchor.position;
    }
    const int pageSize = visibleRows();
    while (rows > 0) {
        FileError e;
        if (!readOne(forward, e)) {
            if (e == FileError::EndOfFile)
                break;
            readError();
            return -1;
        }
        if (skip) {
            const bool same = m_file.position() == *skip;
            skip.reset();
            if (same)
                continue;
        }
        if (addToPage) {
            BrowsePageModel::Entry entry = entryFromBuffer();
            const QScopedValueRollback<bool> quiet(m_filling, true); // the view's row changes are ours
            if (int(entries.size()) >= pageSize) {
                if (forward)
                    m_model->removeFirst();
                else
                    m_model->removeLast();
            }
            if (forward)
                m_model->append(std::move(entry));
            else
                m_model->prepend(std::move(entry));
        }
        --rows;
    }
    return rows;
}

void BrowseWindow::readError()
{
    if (m_closing)
        return;
    m_closing = true;
    STANDARDWARNING(35, m_decl.fileName);
    QTimer::singleShot(0, this, [this] { closeHostedWindow(this); });
}

// ---- page operations ------------------------------------------------------------------------

void BrowseWindow::processScroll(Scroll s)
{
    if (m_closing || m_model->entries().empty())
        return;
    switch (s) {
    case Scroll::Up: scrollOne(false); break;
    case Scroll::Down: scrollOne(true); break;
    case Scroll::PageUp: scrollPage(false); break;
    case Scroll::PageDown: scrollPage(true); break;
    case Scroll::Top: scrollEnd(true); break;
    case Scroll::Bottom: scrollEnd(false); break;
    }
    if (!m_closing)
        newSelection();
}

// The highlight moves by one row; on the edge row the page slides by one record instead.
void BrowseWindow::scrollOne(bool down)
{
    const int last = int(m_model->entries().size()) - 1;
    if (down ? m_current < last : m_current > 0) {
        setCurrent(m_current + (down ? 1 : -1));
        return;
    }
    if (fillRecord(1, down) == 0)
        setCurrent(down ? int(m_model->entries().size()) - 1 : 0);
    else
        setCurrent(m_current);
}

void BrowseWindow::scrollPage(bool down)
{
    const int missing = fillRecord(visibleRows(), down);
    if (missing < 0)
        return;
    const int count = int(m_model->entries().size());
    int row = down ? std::min(m_current + missing, count - 1) : std::max(m_current - missing, 0);
    setCurrent(std::clamp(row, 0, count - 1));
}

void BrowseWindow::scrollEnd(bool top)
{
    refreshPage(std::nullopt, std::nullopt, !top);
    if (!m_textSteps && !m_realSteps)
        m_thumb = top ? 0 : 100; // without a step table the thumb knows only the two ends
}

void BrowseWindow::scrollDrag(int thumbPosition)
{
    if (m_closing || m_model->entries().empty())
        return;
    const stepstops::DragTarget target = stepstops::dragTarget(thumbPosition);
    if (target.action != stepstops::DragAction::Locate) {
        processScroll(target.action == stepstops::DragAction::Top ? Scroll::Top : Scroll::Bottom);
    } else {
        const BrowseKeyField &f = m_decl.orders[std::size_t(m_sort)].first;
        if (m_textSteps) {
            m_file.buffer().clear();
            f.setText((*m_textSteps)[std::size_t(target.step - 1)]);
        } else if (m_realSteps) {
            m_file.buffer().clear();
            f.setReal((*m_realSteps)[std::size_t(target.step - 1)]);
        }
        if (m_textSteps || m_realSteps)
            locateOnValue();
        newSelection();
    }
    m_bar->setSliderPosition(m_thumb);
}

// Rebuilds the page (BRW1::REFRESHPAGE): from `start` (or the start or end of the key), forward
// unless `backward`; rows missing because the file ended are filled from the other side when a
// record is to be highlighted. The highlight goes to `highlighted`, or to the last entry when
// that record is not on the page; without one to the first row (the last when backward).
void BrowseWindow::refreshPage(std::optional<BrowsePageModel::Entry> start, std::optional<Position> highlighted,
                               bool backward)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    {
        const QScopedValueRollback<bool> quiet(m_filling, true);
        m_model->clear();
    }
    if (m_decl.liveCaption)
        m_caption->setText(m_decl.liveCaption());
    if (!start || !positionAt(*start))
        reset();
    int missing = fillRecord(visibleRows(), !backward);
    if (missing > 0 && highlighted) {
        if (m_model->entries().empty())
            reset();
        missing = fillRecord(missing, backward);
    }
    QApplication::restoreOverrideCursor();
    if (missing < 0)
        return;
    const auto &entries = m_model->entries();
    int row = backward ? int(entries.size()) - 1 : 0;
    if (highlighted) {
        row = int(entries.size()) - 1;
        for (int i = 0; i < int(entries.size()); ++i)
            if (entries[std::size_t(i)].position == *highlighted) {
                row = i;
                break;
            }
    }
    setCurrent(entries.empty() ? -1 : row);
}

void BrowseWindow::showLast() { refreshPage(std::nullopt, std::nullopt, true); }

void BrowseWindow::refresh()
{
    if (m_closing || m_sort < 0)
        return;
    const auto &entries = m_model->entries();
    if (entries.empty()) {
        refreshPage(std::nullopt, std::nullopt, false);
    } else {
        const int row = std::clamp(m_current, 0, int(entries.size()) - 1);
        // A page that shrank below the highlighted row starts at that row.
        const BrowsePageModel::Entry top = row < visibleRows() ? entries.front() : entries[std::size_t(row)];
        const Position highlighted = entries[std::size_t(row)].position;
        refreshPage(top, highlighted, false);
    }
    if (!m_closing)
        initializeBrowse();
    if (!m_closing)
        newSelection();
}

// ---- selection and display ------------------------------------------------------------------

void BrowseWindow::setCurrent(int row)
{
    m_current = row;
    if (row < 0) {
        m_list->selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    QSignalBlocker block(m_list->selectionModel());
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->viewport()->update();
}

// The highlighted entry goes to the record buffer; the thumb and the buttons follow it.
void BrowseWindow::newSelection()
{
    const int count = int(m_model->entries().size());
    if (count == 0)
        m_current = -1;
    else if (m_current < 0 || m_current >= count)
        setCurrent(std::clamp(m_current, 0, count - 1));
    fillBuffer();
    updateThumb();
    updateButtons();
    if (m_decl.newSelection)
        m_decl.newSelection(*this);
    for (BrowsePanel *panel : m_panels)
        panel->showRecord(m_current >= 0);
}

void BrowseWindow::fillBuffer()
{
    if (m_current >= 0)
        m_file.buffer().load(m_model->entries()[std::size_t(m_current)].record);
    else
        m_file.buffer().clear();
}

// Re-reads the highlighted record from the file at its row's position into the buffer
// (SYNCWINDOW), so that an action works on exactly the record the user sees highlighted.
// False when the page is empty or the record is no longer in the file: the buffer then holds
// the row's copy and the file no record read, so nothing can be written over another record.
bool BrowseWindow::syncWindow()
{
    if (m_current < 0)
        return false;
    const auto &entry = m_model->entries()[std::size_t(m_current)];
    if (m_file.fetch(entry.position) == FileError::None)
        return true;
    m_file.buffer().load(entry.record);
    m_file.restoreReadState({});
    return false;
}

void BrowseWindow::updateThumb()
{
    const bool full = int(m_model->entries().size()) >= visibleRows();
    m_bar->setVisible(full);
    if (full && m_current >= 0) {
        const BrowseKeyField &f = m_decl.orders[std::size_t(m_sort)].first;
        if (m_textSteps)
            m_thumb = stepstops::thumbForKey(*m_textSteps, f.getText());
        else if (m_realSteps)
            m_thumb = stepstops::thumbForKey(*m_realSteps, f.getReal());
    }
    QSignalBlocker block(m_bar);
    m_bar->setSliderPosition(m_thumb);
    m_bar->setValue(m_thumb);
}
