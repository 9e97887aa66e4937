#include "framework/browse_window.h"

#include "framework/procedures_ui.h"
#include "data/cp1251.h"
#include "framework/callerhold_ui.h"
#include "framework/csvfile.h"
#include "framework/fileservices.h"
#include "framework/reportprogress_window.h"
#include "framework/warnings.h"
#include "framework/writewatch.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <memory>

// ---- columns --------------------------------------------------------------------------------

BrowseColumn BrowseColumn::number(const QString &header, const char *picture, std::function<REAL()> value)
{
    Picture p = Picture::of(picture);
    return {header, p, [p, value = std::move(value)] { return p.formatNumber(value()); }, 0};
}

// ---- the page queue -------------------------------------------------------------------------

BrowsePageModel::BrowsePageModel(const std::vector<BrowseColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_columns(columns)
{
}

int BrowsePageModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int BrowsePageModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant BrowsePageModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_entries.size()))
        return {};
    if (role == Qt::DisplayRole)
        return m_entries[std::size_t(index.row())].texts.value(index.column());
    if (role == Qt::TextAlignmentRole) {
        const Picture &p = m_columns[std::size_t(index.column())].picture;
        const bool right = p.kind() == PictureKind::Number && !p.leftAligned();
        return int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return {};
}

QVariant BrowsePageModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < int(m_columns.size())) {
        if (role == Qt::DisplayRole)
            return m_columns[std::size_t(section)].header;
        if (role == GroupRole)
            return m_columns[std::size_t(section)].group;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void BrowsePageModel::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

void BrowsePageModel::append(Entry e)
{
    const int row = int(m_entries.size());
    beginInsertRows({}, row, row);
    m_entries.push_back(std::move(e));
    endInsertRows();
}

void BrowsePageModel::prepend(Entry e)
{
    beginInsertRows({}, 0, 0);
    m_entries.insert(m_entries.begin(), std::move(e));
    endInsertRows();
}

void BrowsePageModel::removeAt(int row)
{
    if (row < 0 || row >= int(m_entries.size()))
        return;
    beginRemoveRows({}, row, row);
    m_entries.erase(m_entries.begin() + row);
    endRemoveRows();
}

void BrowsePageModel::removeFirst() { removeAt(0); }
void BrowsePageModel::removeLast() { removeAt(int(m_entries.size()) - 1); }

// ---- grouped column headers ----------------------------------------------------------------

namespace {

// The column headers in two rows when columns are grouped: a group's caption spans its columns
// above their own headers; a column of no group has its header over both rows. Each section
// paints its own share of the group's band, so scrolling and resizing need nothing more.
class GroupedHeader : public QHeaderView {
public:
    explicit GroupedHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

    QSize sizeHint() const override
    {
        QSize s = QHeaderView::sizeHint();
        s.setHeight(2 * s.height());
        return s;
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logical) const override
    {
        const QString group = groupOf(logical);
        if (group.isEmpty()) {
            QHeaderView::paintSection(painter, rect, logical);
            return;
        }
        int first = visualIndex(logical), last = first;
        while (first > 0 && groupOf(logicalIndex(first - 1)) == group)
            --first;
        while (last + 1 < count() && groupOf(logicalIndex(last + 1)) == group)
            ++last;
        const int left = sectionViewportPosition(logicalIndex(first));
        const int right = sectionViewportPosition(logicalIndex(last)) + sectionSize(logicalIndex(last));
        const int half = rect.height() / 2;
        painter->save();
        painter->setClipRect(rect, Qt::IntersectClip);
        QStyleOptionHeader band;
        initStyleOption(&band);
        band.rect = QRect(left, rect.top(), right - left, half);
        band.section = logical;
        band.text = group;
        band.textAlignment = Qt::AlignCenter;
        band.position = QStyleOptionHeader::Middle;
        style()->drawControl(QStyle::CE_Header, &band, painter, this);
        painter->restore();
        QHeaderView::paintSection(painter, rect.adjusted(0, half, 0, 0), logical);
    }

private:
    QString groupOf(int logical) const
    {
        return logical < 0 || !model() ? QString()
                                       : model()->headerData(logical, Qt::Horizontal, BrowsePageModel::GroupRole).toString();
    }
};

} // namespace

// ---- the window -----------------------------------------------------------------------------

BrowseWindow::BrowseWindow(BrowseDeclaration declaration, QWidget *parent)
    : QWidget(parent), m_decl(std::move(declaration)), m_file(*m_decl.file)
{
    setObjectName(m_decl.procedure);
    setWindowTitle(m_decl.title);
    m_localRequest = m_originalRequest = glob::GLOBALREQUEST;
    m_localResponse = glob::RequestCancelled;
    glob::GLOBALREQUEST = glob::NoRequest;
    glob::GLOBALRESPONSE = 0;

    buildUi();
    m_fileOpened = useFile(m_file);
    if (!m_fileOpened) {
        m_closing = true;
        QTimer::singleShot(0, this, [this] { closeHostedWindow(this); });
        return;
    }
    selectSort(0);
    m_seenGeneration = writewatch::generation(m_file);
}

BrowseWindow::~BrowseWindow()
{
    m_export.reset(); // an export not finished leaves no file
    // The view and the focus watch use the declaration, which dies before the QWidget part.
    disconnect(m_focusWatch);
    m_list->removeEventFilter(this);
    m_list->viewport()->removeEventFilter(this);
    delete m_list;
    if (m_fileOpened)
        releaseFile(m_file);
}

QPushButton *BrowseWindow::addButton(const std::optional<BrowseButton> &b, bool shown)
{
    if (!b || !shown)
        return nullptr;
    auto *button = new QPushButton(b->text, this);
    button->setObjectName(b->objectName);
    button->setToolTip(b->tip);
    button->setAutoDefault(false);
    if (b->focused) {
        m_focusHooks.emplace_back(button, b->focused);
        button->installEventFilter(this);
    }
    return button;
}

void BrowseWindow::buildUi()
{
    m_model = new BrowsePageModel(m_decl.columns, this);

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("CURRENTTAB"));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(false);
    for (const auto &o : m_decl.orders) {
        const int t = m_tabs->addTab(o.tabText);
        m_tabs->setTabToolTip(t, o.tabTip);
    }
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int t) {
        if (t >= 0)
            selectSort(t);
    });

    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("BROWSE_1"));
    const bool grouped = std::any_of(m_decl.columns.begin(), m_decl.columns.end(),
                                     [](const BrowseColumn &c) { return !c.group.isEmpty(); });
    if (grouped)
        m_list->setHorizontalHeader(new GroupedHeader(m_list));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setTabKeyNavigation(false);
    m_list->setWordWrap(false);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->verticalHeader()->hide();
    const int rowHeight = m_list->fontMetrics().height() + 4;
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setMinimumSectionSize(rowHeight);
    m_list->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_list->horizontalHeader()->setSectionsClickable(false);
    m_list->horizontalHeader()->setHighlightSections(false);
    const int tableWidth = 2 * m_list->frameWidth() + fitColumns();
    m_list->horizontalHeader()->setStretchLastSection(true);
    const int headerHeight = m_list->horizontalHeader()->sizeHint().height();
    m_list->setMinimumSize(tableWidth, headerHeight + m_decl.rows * rowHeight + 2 * m_list->frameWidth());
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &now) {
                if (!m_filling && now.isValid() && now.row() != m_current) {
                    m_current = now.row();
                    newSelection();
                }
            });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const QModelIndex index = m_list->indexAt(at);
        if (index.isValid())
            setCurrent(index.row());
        QMenu *menu = popupMenu();
        if (!menu->actions().isEmpty())
            menu->popup(m_list->viewport()->mapToGlobal(at));
        else
            menu->deleteLater();
    });

    m_bar = new QScrollBar(Qt::Vertical, this);
    m_bar->setObjectName(QStringLiteral("BROWSE_1_THUMB"));
    m_bar->setRange(0, 100);
    m_bar->setPageStep(10);
    m_bar->setTracking(false);
    connect(m_bar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: processScroll(Scroll::Down); break;
        case QAbstractSlider::SliderSingleStepSub: processScroll(Scroll::Up); break;
        case QAbstractSlider::SliderPageStepAdd: processScroll(Scroll::PageDown); break;
        case QAbstractSlider::SliderPageStepSub: processScroll(Scroll::PageUp); break;
        case QAbstractSlider::SliderToMinimum: processScroll(Scroll::Top); break;
        case QAbstractSlider::SliderToMaximum: processScroll(Scroll::Bottom); break;
        default: return; // a drag is handled when the thumb is released
        }
        m_bar->setSliderPosition(m_thumb);
    });
    connect(m_bar, &QAbstractSlider::sliderReleased, this, [this] { scrollDrag(m_bar->sliderPosition()); });

    setToolTip(m_decl.tip);
    const bool forms = bool(m_decl.updateForm);
    m_insert = addButton(m_decl.insert, forms);
    m_change = addButton(m_decl.change, forms);
    m_delete = addButton(m_decl.remove, forms);
    m_select = addButton(m_decl.select, selectMode());
    m_close = addButton(m_decl.close, true);
    if (m_insert)
        connect(m_insert, &QPushButton::clicked, this, [this] { callUpdate(glob::InsertRecord); });
    if (m_change)
        connect(m_change, &QPushButton::clicked, this, [this] { callUpdate(glob::ChangeRecord); });
    if (m_delete)
        connect(m_delete, &QPushButton::clicked, this, [this] { callUpdate(glob::DeleteRecord); });
    if (m_select)
        connect(m_select, &QPushButton::clicked, this, &BrowseWindow::pressSelect);
    connect(m_close, &QPushButton::clicked, this, [this] {
        syncWindow();
        m_localResponse = glob::RequestCancelled;
        closeHostedWindow(this); // with its subwindow in the frame
    });

    auto *listRow = new QHBoxLayout;
    listRow->setSpacing(0);
    listRow->addWidget(m_list, 1);
    listRow->addWidget(m_bar);
    BrowsePanel *beside = m_decl.besidePanel ? m_decl.besidePanel() : nullptr;
    BrowsePanel *below = m_decl.belowPanel ? m_decl.belowPanel() : nullptr;
    if (beside) {
        beside->setParent(this);
        listRow->addSpacing(8);
        listRow->addWidget(beside);
        m_panels.push_back(beside);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_tabs);
    // A single unnamed order has nothing to choose: no tab is shown.
    if (m_decl.orders.size() == 1 && m_decl.orders.front().tabText.isEmpty())
        m_tabs->hide();
    if (!m_decl.caption.isEmpty()) {
        auto *caption = new QLabel(m_decl.caption, this);
        caption->setObjectName(QStringLiteral("CAPTION"));
        layout->addWidget(caption);
    }
    layout->addLayout(listRow, 1);
    if (below) {
        below->setParent(this);
        layout->addSpacing(6);
        layout->addWidget(below);
        m_panels.push_back(below);
    }
    layout->addSpacing(6);
    layout->addLayout(buttonArea());
    setMinimumSize(sizeHint()); // the window never shrinks below its opening size
    m_list->setFocus();

    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        if (now && isAncestorOf(now) && !(old && isAncestorOf(old)))
            focusRegained();
    });
}

// Sets each column to its picture's width (or its header's, when wider), and widens the columns
// of a group whose caption would not fit over them. Returns the total width.
int BrowseWindow::fitColumns()
{
    const QFontMetrics header = m_list->horizontalHeader()->fontMetrics();
    const int digit = m_list->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    std::vector<int> widths;
    for (const BrowseColumn &col : m_decl.columns) {
        const int chars = col.widthChars > 0 ? col.widthChars : col.picture.width();
        widths.push_back(std::max(chars * digit, header.horizontalAdvance(col.header)) + 12);
    }
    for (std::size_t first = 0; first < widths.size();) {
        std::size_t end = first + 1;
        const QString &group = m_decl.columns[first].group;
        while (end < widths.size() && m_decl.columns[end].group == group)
            ++end;
        if (!group.isEmpty()) {
            int sum = 0;
            for (std::size_t c = first; c < end; ++c)
                sum += widths[c];
            const int missing = header.horizontalAdvance(group) + 12 - sum;
            const int n = int(end - first);
            for (std::size_t c = first; missing > 0 && c < end; ++c)
                widths[c] += missing / n + (int(c - first) < missing % n ? 1 : 0);
        }
        first = end;
    }
    int total = 0;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        m_list->setColumnWidth(int(c), widths[c]);
        total += widths[c];
    }
    return total;
}

// The row of buttons: the standard ones, the window's own items (check boxes, captions over
// neighbouring items of one caption) before or after "Закрыть", and Help last.
QLayout *BrowseWindow::buttonArea()
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    QHBoxLayout *groupRow = nullptr;
    QString groupCaption;
    const auto place = [&](QWidget *w, const QString &caption) {
        if (!w)
            return;
        if (caption.isEmpty()) {
            row->addWidget(w, 0, Qt::AlignBottom);
            groupRow = nullptr;
            return;
        }
        if (!groupRow || caption != groupCaption) {
            auto *column = new QVBoxLayout;
            column->setSpacing(2);
            auto *label = new QLabel(caption, this);
            label->setObjectName(w->objectName() + QStringLiteral("_CAPTION"));
            column->addWidget(label, 0, Qt::AlignBottom);
            groupRow = new QHBoxLayout;
            column->addLayout(groupRow);
            row->addLayout(column);
            groupCaption = caption;
        }
        groupRow->addWidget(w);
    };
    const auto extra = [this](const BrowseExtraButton &x) -> QWidget * {
        if (x.check) {
            auto *box = new QCheckBox(x.text, this);
            box->setObjectName(x.objectName);
            box->setToolTip(x.tip);
            box->setChecked(*x.check != 0);
            connect(box, &QCheckBox::toggled, this, [this, flag = x.check, toggled = x.pressed](bool on) {
                *flag = on ? 1 : 0;
                if (toggled)
                    toggled(*this);
            });
            return box;
        }
        QPushButton *b = addButton(BrowseButton{x.text, x.objectName, x.tip}, true);
        connect(b, &QPushButton::clicked, this, [this, pressed = x.pressed] {
            syncWindow();
            if (pressed)
                pressed(*this);
        });
        if (x.enabled)
            m_extraStates.emplace_back(b, x.enabled);
        return b;
    };
    for (QPushButton *b : {m_select, m_insert, m_change, m_delete})
        place(b, {});
    for (const BrowseExtraButton &x : m_decl.extraButtons)
        if (x.beforeClose)
            place(extra(x), x.caption);
    place(m_close, {});
    for (const BrowseExtraButton &x : m_decl.extraButtons)
        if (!x.beforeClose)
            place(extra(x), x.caption);
    m_help = addButton(m_decl.help, true);
    if (m_help) {
        connect(m_help, &QPushButton::clicked, this, &BrowseWindow::showHelp);
        place(m_help, {});
    }
    return row;
}

// Help: the window's own text, then how a list is worked.
void BrowseWindow::showHelp()
{
    syncWindow();
    QStringList text;
    if (!m_decl.helpText.isEmpty())
        text << m_decl.helpText << QString();
    text << QStringLiteral("Стрелки, PgUp, PgDn, Home, End: перемещение по списку.")
         << QStringLiteral("Первые буквы ключа: переход к записи, которая с них начинается.");
    if (m_insert)
        text << QStringLiteral("Insert: добавить запись; Delete: удалить; Ctrl+Enter или двойной щелчок: изменить.");
    if (selectMode())
        text << QStringLiteral("Enter: выбрать выделенную запись.");
    text << QStringLiteral("Правая кнопка мыши: меню действий.");
    showMessage(text.join(QLatin1Char('\n')), m_decl.title);
}

int BrowseWindow::visibleRows() const
{
    const int rowHeight = m_list->verticalHeader()->defaultSectionSize();
    const int height = m_list->viewport()->height();
    if (!m_shown || height < rowHeight)
        return std::max(1, m_decl.rows);
    return std::max(1, height / rowHeight);
}

int BrowseWindow::thumb() const { return m_thumb; }

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

// Shows the page starting at the first record at or after the key value in the record buffer,
// that record highlighted; the last page when no record follows it. The page stays as it is
// when that record is `unlessAt` (the one highlighted already).
void BrowseWindow::locateOnValue(Position unlessAt)
{
    reset();
    m_file.setToKeyValue();
    FileError e;
    if (!readOne(true, e)) {
        if (e == FileError::EndOfFile)
            showLast();
        else
            readError();
        return;
    }
    if (!unlessAt.isNull() && m_file.position() == unlessAt)
        return;
    const BrowsePageModel::Entry found = entryFromBuffer();
    refreshPage(found, found.position, false);
}

void BrowseWindow::locateOnPosition(Position p)
{
    if (m_file.fetch(p) != FileError::None) {
        refresh();
        return;
    }
    const BrowsePageModel::Entry found = entryFromBuffer();
    refreshPage(found, p, false);
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

// Switches to sort order `order` (BRW1::SELECTSORT). The first page shows the top of the key
// (in select mode the record the caller left in the buffer); later switches show the page at
// the highlighted record's value of the new key.
void BrowseWindow::selectSort(int order)
{
    if (m_closing || order == m_sort || order < 0 || order >= int(m_decl.orders.size()))
        return;
    const bool first = m_sort < 0;
    const bool hadPage = !m_model->entries().empty();
    if (!first)
        syncWindow();
    m_sort = order;
    m_textSteps.reset();
    m_realSteps.reset();
    if (first && selectMode())
        locateOnValue();
    else if (first || !hadPage)
        refreshPage(std::nullopt, std::nullopt, false);
    else
        locateOnValue();
    if (!m_closing)
        initializeBrowse();
    if (!m_closing)
        newSelection();
}

// Reads the first and the last key values and fills the step table (BRW1::INITIALIZEBROWSE).
// An empty file leaves the table as it was.
void BrowseWindow::initializeBrowse()
{
    const BrowseSortOrder &o = m_decl.orders[std::size_t(m_sort)];
    if (!o.steps || o.first.kind == BrowseKeyField::Kind::None)
        return;
    FileError e;
    reset();
    if (!readOne(false, e)) {
        if (e != FileError::EndOfFile)
            readError();
        return;
    }
    const QByteArray highText = o.first.getText ? o.first.getText() : QByteArray();
    const REAL highReal = o.first.getReal ? o.first.getReal() : 0;
    reset();
    if (!readOne(true, e)) {
        if (e != FileError::EndOfFile)
            readError();
        return;
    }
    if (o.first.kind == BrowseKeyField::Kind::Text)
        m_textSteps = stepstops::stringTable(o.first.getText(), highText, o.first.length, STOPS_UPPER_LETTERS);
    else
        m_realSteps = stepstops::realTable(o.first.getReal(), highReal);
}

// Whether the entry's key begins with `prefix` (Windows-1251 bytes; letters in either case).
bool BrowseWindow::keyBeginsWith(const BrowsePageModel::Entry &e, const QByteArray &prefix)
{
    const BrowseKeyField &f = m_decl.orders[std::size_t(m_sort)].first;
    m_file.buffer().load(e.record);
    if (f.kind == BrowseKeyField::Kind::Text) {
        const QByteArray key = f.getText();
        if (key.size() < prefix.size())
            return false;
        for (int i = 0; i < prefix.size(); ++i)
            if (cp1251::sortWeight(uchar(key[i])) != cp1251::sortWeight(uchar(prefix[i])))
                return false;
        return true;
    }
    return QString::number(f.getReal()).startsWith(QString::fromLatin1(prefix));
}

// Puts `prefix` into the key's first field of a cleared record buffer, for a locate on value.
void BrowseWindow::setKeyPrefix(const QByteArray &prefix)
{
    const BrowseKeyField &f = m_decl.orders[std::size_t(m_sort)].first;
    m_file.buffer().clear();
    if (f.kind == BrowseKeyField::Kind::Text)
        f.setText(prefix);
    else
        f.setReal(prefix.toDouble());
}

// Typing: characters typed in quick succession (within the application's keyboard input
// interval) locate the first record whose key begins with all of them; a pause starts anew.
// A single character, or one letter typed repeatedly, walks through the records beginning with
// it and, past the last of them, locates the first record at or after it.
void BrowseWindow::characterLocate(QChar ch)
{
    const BrowseKeyField &f = m_decl.orders[std::size_t(m_sort)].first;
    const auto byte = cp1251::fromUnicode(ch.unicode());
    if (f.kind == BrowseKeyField::Kind::None || !byte || *byte < ' ')
        return;
    const bool continued = !m_typed.isEmpty() && m_typedTimer.isValid()
                           && m_typedTimer.elapsed() < QApplication::keyboardInputInterval();
    if (!continued)
        m_typed.clear();
    const unsigned char c = *byte;
    if ((m_typed.isEmpty() && c == ' ') || (f.kind == BrowseKeyField::Kind::Real && !cp1251::isDigit(c)))
        return;
    m_typed.append(char(c));
    m_typedTimer.start();
    bool oneLetter = f.kind == BrowseKeyField::Kind::Text || m_typed.size() == 1;
    for (char typed : std::as_const(m_typed))
        oneLetter = oneLetter && cp1251::sortWeight(uchar(typed)) == cp1251::sortWeight(c);
    if (!oneLetter) {
        prefixLocate(m_typed);
        return;
    }
    const QByteArray letter(1, char(c));
    if (keyBeginsWith(m_model->entries()[std::size_t(m_current)], letter))
        scrollOne(true);
    if (m_closing)
        return;
    if (!keyBeginsWith(m_model->entries()[std::size_t(m_current)], letter)) {
        setKeyPrefix(letter);
        locateOnValue();
    }
    if (!m_closing)
        newSelection();
}

// Highlights the first record at or after `prefix`: it stays where it is when it is the
// highlighted one already, otherwise the page is located at it.
void BrowseWindow::prefixLocate(const QByteArray &prefix)
{
    const Position highlighted = m_model->entries()[std::size_t(m_current)].position;
    setKeyPrefix(prefix);
    locateOnValue(highlighted);
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

void BrowseWindow::updateButtons()
{
    const bool any = m_current >= 0;
    if (m_change)
        m_change->setEnabled(any);
    if (m_delete)
        m_delete->setEnabled(any);
    if (m_select)
        m_select->setEnabled(any && selectMode());
    for (auto &[control, enabled] : m_extraStates)
        control->setEnabled(enabled(*this));
}

QMenu *BrowseWindow::popupMenu()
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("POPUP"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool any = m_current >= 0;
    auto add = [menu](QPushButton *b, bool enabled) {
        if (!b)
            return;
        QAction *a = menu->addAction(b->text());
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, b, &QPushButton::click);
    };
    add(m_insert, true);
    add(m_change, any);
    add(m_delete, any);
    if (m_select) {
        if (!menu->actions().isEmpty())
            menu->addSeparator();
        add(m_select, any && selectMode());
    }
    if (!menu->actions().isEmpty())
        menu->addSeparator();
    QAction *csv = menu->addAction(QStringLiteral("Экспорт в CSV..."));
    csv->setObjectName(QStringLiteral("EXPORTCSV"));
    connect(csv, &QAction::triggered, this, qOverload<>(&BrowseWindow::exportCsv));
    return menu;
}

// Coming back to the window shows what was written meanwhile by this or another program.
void BrowseWindow::focusRegained()
{
    if (m_closing || m_sort < 0 || !isEnabled())
        return;
    const quint64 now = writewatch::generation(m_file);
    if (now == m_seenGeneration)
        return;
    m_seenGeneration = now;
    refresh();
}

// ---- events ---------------------------------------------------------------------------------

bool BrowseWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (m_closing)
        return QWidget::eventFilter(watched, event);
    const bool empty = m_model->entries().empty();
    if (event->type() == QEvent::FocusIn && !empty) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool byUser = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                            reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
        for (auto &[button, focused] : m_focusHooks)
            if (watched == button && byUser) {
                syncWindow();
                focused(*this);
            }
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        const QString text = key->text();
        const bool character = !empty && text.size() == 1 && text[0].isPrint() && !ctrl;
        if (!character)
            m_typed.clear(); // another key ends a typed sequence
        switch (key->key()) {
        case Qt::Key_Up: processScroll(Scroll::Up); return true;
        case Qt::Key_Down: processScroll(Scroll::Down); return true;
        case Qt::Key_PageUp: processScroll(Scroll::PageUp); return true;
        case Qt::Key_PageDown: processScroll(Scroll::PageDown); return true;
        case Qt::Key_Home: processScroll(Scroll::Top); return true;
        case Qt::Key_End: processScroll(Scroll::Bottom); return true;
        case Qt::Key_F1:
            if (!m_help)
                break;
            m_help->click();
            return true;
        case Qt::Key_Insert:
            if (m_insert && m_insert->isEnabled())
                m_insert->click();
            return true;
        case Qt::Key_Delete:
            if (!empty && m_delete && m_delete->isEnabled())
                m_delete->click();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (empty)
                return true;
            if (!ctrl && m_select && m_select->isEnabled())
                m_select->click();
            else if (m_change && m_change->isEnabled())
                m_change->click();
            return true;
        default: break;
        }
        if (character) {
            characterLocate(text[0]);
            return true;
        }
    }
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            m_typed.clear();
        if (event->type() == QEvent::MouseButtonDblClick && !empty) {
            if (m_select && m_select->isEnabled())
                m_select->click();
            else if (m_change && m_change->isEnabled())
                m_change->click();
            return true;
        }
        if (event->type() == QEvent::Wheel) {
            const int delta = static_cast<QWheelEvent *>(event)->angleDelta().y();
            for (int i = 0; i < 3 && delta != 0; ++i)
                processScroll(delta < 0 ? Scroll::Down : Scroll::Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BrowseWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_lastPageSize = visibleRows();
        if (m_lastPageSize != int(m_model->entries().size()))
            refresh();
    }
}

// A new size shows as many rows as now fit.
void BrowseWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_shown || m_closing || m_sort < 0)
        return;
    const int rows = visibleRows();
    if (rows == m_lastPageSize)
        return;
    m_lastPageSize = rows;
    refresh();
}

void BrowseWindow::closeEvent(QCloseEvent *event)
{
    if (!isEnabled() && !m_closing) { // an update form is open over this list
        event->ignore();
        return;
    }
    glob::GLOBALRESPONSE = m_localResponse ? m_localResponse : LONG(glob::RequestCancelled);
    emit finished(glob::GLOBALRESPONSE);
    QWidget::closeEvent(event);
}

// ---- update actions -------------------------------------------------------------------------

// Calls the update form for `request` on the record in the buffer; the list waits, disabled.
void BrowseWindow::callUpdate(LONG request)
{
    if (m_closing || !m_decl.updateForm)
        return;
    if (request == glob::InsertRecord) {
        m_file.buffer().clear();
    } else if (!syncWindow()) {
        refresh(); // gone meanwhile: the page shows the file as it is now
        return;
    }
    m_localRequest = request;
    glob::GLOBALREQUEST = request;
    glob::VCRREQUEST = 0;
    setEnabled(false);
    QPointer<BrowseWindow> self(this);
    m_decl.updateForm(request, this, [self, request](LONG response) {
        if (!self)
            return;
        self->setEnabled(true);
        self->afterUpdate(request, response, self->m_file.position());
    }, {});
}

// After the form: a completed insert or change shows the page at the record written; a
// completed delete drops its row (the highlight moves to the record that followed it).
void BrowseWindow::afterUpdate(LONG request, LONG response, Position written)
{
    m_localResponse = response;
    const bool completed = m_localResponse == glob::RequestCompleted;
    if (completed)
        writewatch::noteFileWritten(m_file);
    if (completed && request != glob::DeleteRecord) {
        locateOnPosition(written);
        initializeBrowse();
        newSelection();
    } else {
        if (completed && m_current >= 0) {
            const QScopedValueRollback<bool> quiet(m_filling, true);
            m_model->removeAt(m_current);
        }
        refresh();
    }
    m_seenGeneration = writewatch::generation(m_file);
    m_localRequest = m_originalRequest;
    m_localResponse = glob::RequestCancelled;
    m_list->setFocus();
}

void BrowseWindow::pressSelect()
{
    if (!syncWindow()) {
        refresh();
        return;
    }
    m_localResponse = glob::RequestCompleted;
    closeHostedWindow(this);
}

// ---- calling a list for a choice ------------------------------------------------------------

BrowseWindow *selectRecord(BrowseDeclaration declaration, QWidget *caller, std::function<void(bool chosen)> done,
                           WindowHost host)
{
    glob::GLOBALREQUEST = glob::SelectRecord;
    auto *list = new BrowseWindow(std::move(declaration));
    callList(
        list, caller,
        [done = std::move(done)](LONG response) {
            if (done)
                done(response == glob::RequestCompleted);
        },
        std::move(host));
    return list;
}

void callList(BrowseWindow *list, QWidget *caller, std::function<void(LONG response)> done, WindowHost host)
{
    struct Call {
        Call(QWidget *caller, std::function<void(LONG)> done) : hold(caller), done(std::move(done)) {}
        CallerHold hold;
        std::function<void(LONG)> done;
        bool returned = false;
    };
    auto call = std::make_shared<Call>(caller, std::move(done));
    // Returns once: when the list closes, or when it goes without closing.
    const auto finish = [call](LONG response) {
        if (call->returned)
            return;
        call->returned = true;
        if (call->hold.release() && call->done)
            call->done(response);
    };
    QObject::connect(list, &BrowseWindow::finished, list, finish);
    QObject::connect(list, &QObject::destroyed, [finish] { finish(glob::RequestCancelled); });
    if (host)
        host(list);
    else
        showInFrame(list);
}

// ---- export to CSV --------------------------------------------------------------------------

namespace {
BrowseWindow::CsvPathHook g_csvPathHook;
} // namespace

void BrowseWindow::setCsvPathHook(CsvPathHook hook) { g_csvPathHook = std::move(hook); }

struct BrowseWindow::CsvExport {
    CsvExport(const QString &path, QObject *owner) : file(path), owner(owner) {}
    ~CsvExport()
    {
        timer.stop();
        if (window) {
            QObject::disconnect(window, nullptr, owner, nullptr); // closed by the export, not cancelled
            closeHostedWindow(window);
            if (window && !window->testAttribute(Qt::WA_DeleteOnClose))
                window->deleteLater();
        }
    }
    CsvFile file;
    QObject *owner;
    std::optional<BrowsePageModel::Entry> last; // the record last written
    qint64 read = 0;                            // records read, the filter's refused ones too
    ReportProgress progress;
    QPointer<ReportProgressWindow> window;
    QTimer timer;
};

void BrowseWindow::exportCsv()
{
    if (m_closing || m_export || !isEnabled())
        return;
    const QString name = csv::safeFileName(m_decl.title.isEmpty() ? m_decl.fileName : m_decl.title);
    const QString suggested =
        QDir(dataDirectory()).filePath((name.isEmpty() ? QStringLiteral("list") : name) + QStringLiteral(".csv"));
    QPointer<BrowseWindow> self(this);
    QString path = g_csvPathHook ? g_csvPathHook(suggested)
                                 : QFileDialog::getSaveFileName(this, QStringLiteral("Экспорт в CSV"), suggested,
                                                                QStringLiteral("CSV (*.csv)"));
    if (!self || path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    exportCsv(path);
}

void BrowseWindow::exportCsv(const QString &path)
{
    if (m_closing || m_export || m_sort < 0 || !isEnabled())
        return;
    m_export = std::make_unique<CsvExport>(path, this);
    CsvExport &x = *m_export;
    QStringList header;
    for (const BrowseColumn &c : m_decl.columns)
        header << (c.group.isEmpty() ? c.header : c.group + QLatin1Char(' ') + c.header).simplified();
    if (!x.file.open() || !x.file.writeLine(header)) {
        endExport(false);
        return;
    }
    x.progress.RECORDSTOPROCESS = LONG(std::min<qint64>(m_file.recordCount(), std::numeric_limits<LONG>::max()));
    setEnabled(false); // the page and the sort order stay as they are meanwhile
    x.timer.setInterval(0);
    connect(&x.timer, &QTimer::timeout, this, &BrowseWindow::exportPage);
    exportPage();
    if (!m_export)
        return;
    // More than a page: the rest is read a page per turn of the event loop, behind a progress
    // window with Cancel.
    auto *window = new ReportProgressWindow;
    window->setWindowTitle(QStringLiteral("Экспорт в CSV"));
    window->setUserString(QFileInfo(path).fileName());
    window->showProgress(x.progress);
    x.window = window;
    connect(window, &ReportProgressWindow::cancelled, this, [this] { endExport(false); });
    connect(window, &QObject::destroyed, this, [this] {
        if (m_export)
            m_export->window.clear();
        endExport(false);
    });
    showInFrame(window);
    x.timer.start();
}

// Writes the next page of records; the last page commits the file.
void BrowseWindow::exportPage()
{
    CsvExport &x = *m_export;
    // Other windows may have read the file since the last page: read on after the record
    // last written, exactly as the list reads on after its last row (which is read again first).
    std::optional<Position> skip;
    if (!x.last) {
        reset();
    } else if (positionAt(*x.last)) {
        skip = x.last->position;
    } else {
        endExport(false);
        return;
    }
    const qint64 before = x.read;
    // The filter counts the records it sees, for the progress; without one each record read counts.
    const bool filtered = bool(m_decl.filter);
    if (filtered)
        m_file.setFilter([&x, &filter = m_decl.filter] {
            ++x.read;
            return filter();
        });
    FileError e = FileError::None;
    bool written = true;
    for (int n = 0; n < ExportPage && written; ++n) {
        e = m_file.next();
        if (e != FileError::None)
            break;
        if (!filtered)
            ++x.read;
        if (skip) {
            const bool same = m_file.position() == *skip;
            skip.reset();
            if (same) {
                --x.read;
                --n;
                continue;
            }
        }
        QStringList fields;
        for (const BrowseColumn &c : m_decl.columns) {
            // As shown, without the blanks that align it; a number with the decimal comma the
            // spreadsheets of a ';'-separated file read (a point would make 10.5 a date).
            QString text = c.text().trimmed();
            if (c.picture.kind() == PictureKind::Number)
                text.replace(QLatin1Char('.'), QLatin1Char(','));
            fields << text;
        }
        written = x.file.writeLine(fields);
        if (!x.last)
            x.last.emplace();
        x.last->record = m_file.buffer().save();
        x.last->position = m_file.position();
    }
    m_file.setFilter({});
    fillBuffer(); // the highlighted record, as the list's own actions expect it
    if (!written) {
        endExport(false);
        return;
    }
    if (e == FileError::EndOfFile) {
        endExport(true);
        return;
    }
    if (e != FileError::None) {
        endExport(false);
        readError();
        return;
    }
    if (x.progress.advance(LONG(x.read - before)) && x.window)
        x.window->showProgress(x.progress);
}

// Ends the export: `keep` commits the file. A file that could not be opened, written or given
// its name is reported with the standard file warning; nothing partial is left.
void BrowseWindow::endExport(bool keep)
{
    if (!m_export)
        return;
    std::unique_ptr<CsvExport> x = std::move(m_export);
    x->timer.stop();
    const bool failed = x->file.error() != QFileDevice::NoError;
    const bool written = keep && !failed && x->file.commit();
    if (failed || (keep && !written)) {
        setCurrentError(FileError::FileSystem, LONG(x->file.error()), x->file.errorString());
        STANDARDWARNING(30, QDir::toNativeSeparators(x->file.path()));
    }
    x.reset(); // the temporary file of an export not written goes
    setEnabled(true);
    if (!m_closing)
        m_list->setFocus();
    emit csvExportFinished(written);
}
