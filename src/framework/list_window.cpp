// The list window: its parts laid out, its size, and the keys, mouse and focus it answers.
#include "framework/list_window.h"

#include "framework/list_export_ui.h"
#include "framework/fileservices.h"
#include "framework/procedures_ui.h"
#include "framework/writewatch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

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
    if (!m_decl.caption.isEmpty() || m_decl.liveCaption) {
        m_caption = new QLabel(m_decl.liveCaption ? m_decl.liveCaption() : m_decl.caption, this);
        m_caption->setObjectName(QStringLiteral("CAPTION"));
        layout->addWidget(m_caption);
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
    // A list wider than the frame's room opens as wide as the room: its table scrolls sideways
    // inside the window, and the buttons stay in view.
    const QSize room = frameRoom();
    if (const int excess = room.isValid() ? layout->sizeHint().width() - room.width() : 0; excess > 0) {
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        m_list->setMinimumSize(std::max(tableWidth - excess, 200), m_list->minimumHeight() + bar);
        m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        listRow->invalidate();
        layout->invalidate();
    }
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

int BrowseWindow::visibleRows() const
{
    const int rowHeight = m_list->verticalHeader()->defaultSectionSize();
    const int height = m_list->viewport()->height();
    if (!m_shown || height < rowHeight)
        return std::max(1, m_decl.rows);
    return std::max(1, height / rowHeight);
}

int BrowseWindow::thumb() const { return m_thumb; }

// Coming back to the window shows what was written meanwhile by this or another program.
void BrowseWindow::focusRegained()
{
    if (m_closing || m_sort < 0 || !isEnabled())
        return;
    const quint64 now = writewatch::generation(m_file);
    const bool captionChanged = m_decl.liveCaption && m_caption->text() != m_decl.liveCaption();
    if (now == m_seenGeneration && !captionChanged)
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
        // The list takes the keys at once. The focus set while the window was built is gone:
        // a frame that takes the window in clears it, and would hand it to the sort tabs.
        m_list->setFocus(Qt::OtherFocusReason);
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
