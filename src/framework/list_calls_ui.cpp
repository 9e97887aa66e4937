// The list's buttons and popup menu, the update form they call, and a list called for a choice.
#include "framework/list_window.h"

#include "framework/callerhold_ui.h"
#include "framework/history_window_ui.h"
#include "framework/procedures_ui.h"
#include "framework/warnings.h"
#include "framework/writewatch.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

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
    QAction *history = menu->addAction(QStringLiteral("История изменений"));
    history->setObjectName(QStringLiteral("HISTORY"));
    history->setEnabled(any);
    connect(history, &QAction::triggered, this, [this] {
        if (m_current < 0 || m_current >= int(m_model->entries().size()))
            return;
        const auto &entry = m_model->entries()[std::size_t(m_current)];
        const QString what = QStringList{windowTitle(), entry.texts.value(0), entry.texts.value(1)}.join(QStringLiteral(" · "));
        showInFrame(recordHistoryWindow(m_file, entry.position, what));
    });
    QAction *csv = menu->addAction(QStringLiteral("Экспорт в CSV..."));
    csv->setObjectName(QStringLiteral("EXPORTCSV"));
    connect(csv, &QAction::triggered, this, qOverload<>(&BrowseWindow::exportCsv));
    return menu;
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
