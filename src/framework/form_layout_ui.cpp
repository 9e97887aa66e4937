// A form's window: its controls placed on the window and the pages of its sheet, its opening,
// its position and its redisplay.
#include "framework/form_window.h"

#include "data/cp1251.h"
#include "data/globals.h"
#include "framework/chart_ui.h"
#include "framework/form_internal_ui.h"
#include "framework/resizer_ui.h"
#include "framework/warnings.h"

#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

using namespace formengine;

QWidget *FormWindow::parentFor(int tab)
{
    if (tab >= 0 && m_sheet && tab < m_sheet->count()) return m_sheet->widget(tab);
    return this;
}

void FormWindow::buildWindow()
{
    setObjectName(m_decl.procedure);
    if (!m_decl.actionLine.isEmpty()) {
        m_actionLine = new QLabel(this);
        m_actionLine->setObjectName(QStringLiteral("ACTIONMESSAGE"));
        m_actionLine->setGeometry(m_decl.actionLine);
    }
    if (!m_decl.tabs.isEmpty()) {
        m_sheet = new QTabWidget(this);
        m_sheet->setObjectName(QStringLiteral("SHEET"));
        for (const QString &title : m_decl.tabs)
            m_sheet->addTab(new QWidget, title);
    }
    for (const FormText &t : m_decl.texts) {
        auto *label = new QLabel(t.text, parentFor(t.tab));
        label->setObjectName(t.objectName);
        label->setGeometry(t.rect);
        if (t.alignRight)
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (t.value || !t.local.isEmpty())
            m_computedTexts.emplace_back(label, &t);
    }
    for (const FormField &f : m_decl.fields) {
        const int col = f.local.isEmpty() && !f.var ? m_file.desc().columnIndex(f.column) : -1;
        QWidget *parent = parentFor(f.tab);
        FieldControl *control = nullptr;
        FormControlKind kind = f.kind;
        if (kind == FormControlKind::Auto)
            kind = f.choices.isEmpty() ? FormControlKind::Entry : FormControlKind::Radio;
        switch (kind) {
        case FormControlKind::Auto:
        case FormControlKind::Entry: {
            auto *e = new FieldEdit(this, f, col, parent);
            m_edits.push_back(e);
            control = e;
            break;
        }
        case FormControlKind::Radio: {
            auto *g = new FieldRadioGroup(this, f, col, parent);
            m_groups.push_back(g);
            control = g;
            break;
        }
        case FormControlKind::DropList: control = new FieldDropList(this, f, col, parent); break;
        case FormControlKind::Spin: control = new FieldSpin(this, f, col, parent); break;
        case FormControlKind::Check: control = new FieldCheck(this, f, col, parent); break;
        }
        m_controls.push_back(control);
    }
    for (const FormChartArea &c : m_decl.charts) {
        auto *area = new ChartArea(parentFor(c.tab));
        area->setObjectName(c.objectName);
        area->setGeometry(c.rect);
        Chart empty;
        empty.units = c.rect.size();
        area->setChart(empty);
        m_charts.emplace_back(c.objectName, area);
    }
    for (const FormButton &b : m_decl.buttons) {
        auto *button = new QPushButton(b.text, parentFor(b.tab));
        button->setObjectName(b.objectName);
        button->setGeometry(b.rect);
        if (!b.tip.isEmpty())
            button->setToolTip(b.tip);
        if (b.enabled)
            m_buttonStates.emplace_back(button, b.enabled);
        if (b.focused) {
            button->setProperty("formFocusHook", int(&b - m_decl.buttons.data()));
            button->installEventFilter(this);
        }
        switch (b.role) {
        case FormButtonRole::Ok:
            button->setDefault(true);
            connect(button, &QPushButton::clicked, this, &FormWindow::pressOk);
            break;
        case FormButtonRole::Cancel:
            connect(button, &QPushButton::clicked, this, &FormWindow::pressCancel);
            break;
        case FormButtonRole::Help:
            connect(button, &QPushButton::clicked, this, [this, pressed = b.pressed] {
                syncFocusedField();
                if (pressed) {
                    BufferClaim claim(*this);
                    pressed(*this);
                    return;
                }
                showMessage(QStringLiteral("Справка к этому окну ещё не написана."), windowTitle());
            });
            break;
        case FormButtonRole::Other:
            connect(button, &QPushButton::clicked, this, [this, pressed = b.pressed] {
                BufferClaim claim(*this);
                syncFocusedField();
                if (pressed) pressed(*this);
                anEvent();
            });
            break;
        }
    }
    QWidget *previous = nullptr;
    for (const QString &name : m_decl.tabOrder) {
        QWidget *w = findChild<QWidget *>(name);
        Q_ASSERT(w);
        if (previous && w)
            setTabOrder(previous, w);
        if (w)
            previous = w;
    }
    if (m_sheet) { // the sheet holds its pages whole
        QSize pages;
        for (int i = 0; i < m_sheet->count(); ++i) {
            const QRect r = m_sheet->widget(i)->childrenRect();
            pages = pages.expandedTo(QSize(r.right() + 10, r.bottom() + 10));
        }
        const int bar = m_sheet->tabBar()->sizeHint().height();
        const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4;
        const QSize needed(pages.width() + frame, pages.height() + bar + frame);
        m_sheet->setGeometry(QRect(m_decl.sheet.topLeft(), m_decl.sheet.size().expandedTo(needed)));
        // What stands below the sheet (its buttons) moves down as far as the sheet grew.
        const int grown = m_sheet->height() - m_decl.sheet.height();
        if (grown > 0)
            for (QWidget *w : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
                if (w != m_sheet && w->y() > m_decl.sheet.bottom())
                    w->move(w->x(), w->y() + grown);
    }
    // The declared size, enlarged where a control would stand (partly) outside it: a form
    // never opens with a control cut off.
    const QRect used = childrenRect();
    const int margin = 8;
    m_openingSize = m_decl.size.expandedTo(QSize(used.right() + 1 + margin, used.bottom() + 1 + margin));
    resize(m_openingSize);
}

void FormWindow::openWindow(const WindowHost &host)
{
    buildWindow();
    QString actionMessage;
    if (m_localRequest == glob::InsertRecord) actionMessage = m_decl.insertTitle;
    if (m_localRequest == glob::ChangeRecord) actionMessage = m_decl.changeTitle;
    if (m_actionLine) {
        m_actionLine->setText(actionMessage);
        setWindowTitle(m_decl.windowTitle);
    } else {
        setWindowTitle(actionMessage.isEmpty() ? m_decl.windowTitle : actionMessage);
    }
    refreshWindow();
    // The resizer takes the designed layout as its original before any host sizes the window:
    // every later size is then a proportion of the size the form was laid out for.
    if (m_decl.resizer) {
        m_resizer = new WidgetResizer(this);
        m_resizer->initialize(winresize::SPREADSTRATEGY);
        connect(m_resizer, &WidgetResizer::resized, this, &FormWindow::anEvent);
    }
    if (host)
        host(this);
    else
        showInFrame(this);
    m_windowOpened = true;

    FormMemory &mem = memories()[m_decl.procedure];
    if (mem.posInit)
        moveHostedWindow(this, mem.pos);
    else {
        mem.pos = frameWidget()->pos();
        mem.posInit = true;
    }
    if (QWidget *frame = frameWidget(); frame != this)
        frame->installEventFilter(this);
    {
        const QScopedValueRollback<bool> opening(m_opening, true); // the first focus is part of the opening
        focusFirstField();
    }
    if (m_decl.firstSelectionIsEvent)
        anEvent();
}

QWidget *FormWindow::frameWidget() { return hostFrame(this); }

QSize FormWindow::sizeHint() const { return m_openingSize; }

bool FormWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && isVisible()) {
        const QVariant hook = watched->property("formFocusHook");
        if (hook.isValid()) {
            if (movedByUser(static_cast<QFocusEvent *>(event)->reason())) {
                const FormButton &b = m_decl.buttons.at(size_t(hook.toInt()));
                BufferClaim claim(*this);
                syncFocusedField();
                b.focused(*this);
                anEvent();
            }
        }
    }
    if (event->type() == QEvent::Move && watched == frameWidget() && m_windowOpened)
        memories()[m_decl.procedure].pos = frameWidget()->pos();
    return QWidget::eventFilter(watched, event);
}

void FormWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_windowOpened && frameWidget() == this)
        memories()[m_decl.procedure].pos = pos();
}

void FormWindow::refreshWindow()
{
    BufferClaim claim(*this);
    if (m_decl.refreshWindow)
        m_decl.refreshWindow(*this);
    for (FieldControl *c : m_controls) {
        auto *edit = dynamic_cast<FieldEdit *>(c);
        if (edit && edit->isModified())
            continue; // the user's text, not accepted yet: it is stored when the field is left
        c->display();
    }
    for (auto &[label, text] : m_computedTexts) {
        const Value local = text->local.isEmpty() ? Value() : m_locals.value(text->local);
        const auto *bytes = std::get_if<QByteArray>(&local);
        static_cast<QLabel *>(label)->setText(text->value ? text->value() : bytes ? cp1251::decode(*bytes) : QString());
    }
    for (auto &[button, enabled] : m_buttonStates)
        button->setEnabled(enabled());
}

void FormWindow::anEvent()
{
    if (m_inEvent || m_returned || m_opening) // a redisplay the hook itself causes is no new event
        return;
    const QScopedValueRollback<bool> inEvent(m_inEvent, true);
    BufferClaim claim(*this);
    if (m_decl.eachEvent)
        m_decl.eachEvent(*this);
    if (!m_acceptingAll) // OK's pass leaves the other fields' texts to be accepted in turn
        refreshWindow();
}

void FormWindow::focusFirstField()
{
    if (!m_decl.firstFocus.isEmpty()) {
        if (auto *w = findChild<QWidget *>(m_decl.firstFocus)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (!m_edits.empty())
        m_edits.front()->setFocus(Qt::OtherFocusReason);
}
