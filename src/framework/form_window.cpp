#include "framework/form_window.h"

#include "data/cp1251.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/picturevalidator_ui.h"
#include "framework/resizer_ui.h"
#include "framework/warnings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <QTimer>

#include <cmath>
#include <optional>

namespace {

// What a form keeps between its calls: the last record it saved (or tried to save) and where
// the user left its window.
struct FormMemory {
    Row history;
    bool hasHistory = false;
    bool posInit = false;
    QPoint pos;
};

QHash<QString, FormMemory> &memories()
{
    static QHash<QString, FormMemory> m;
    return m;
}

double numberOf(const Value &v)
{
    if (auto *i = std::get_if<qint64>(&v)) return double(*i);
    if (auto *d = std::get_if<double>(&v)) return *d;
    return 0;
}

QString valueText(const Value &v, const Picture &p)
{
    switch (p.kind()) {
    case PictureKind::Text:
        if (auto *b = std::get_if<QByteArray>(&v)) return p.formatText(cp1251::decode(*b));
        return {};
    case PictureKind::Date:
        return p.formatDate(LONG(numberOf(v)));
    case PictureKind::Number:
        break;
    }
    return p.formatNumber(numberOf(v));
}

// The stored value of an accepted entry, or nothing when the column cannot hold it.
std::optional<Value> storedValue(const EntryResult &r, const Column &c, const Picture &p)
{
    if (c.type == ColumnType::Text) {
        if (p.kind() != PictureKind::Text) return std::nullopt;
        std::optional<QByteArray> bytes = cp1251::encode(r.text);
        if (!bytes || bytes->size() > c.size) return std::nullopt;
        return Value(*bytes);
    }
    if (p.kind() == PictureKind::Text) return std::nullopt;
    const double x = p.kind() == PictureKind::Date ? double(r.date) : r.number;
    switch (c.type) {
    case ColumnType::Byte:
    case ColumnType::Long:
    case ColumnType::Ulong:
        if (x != std::floor(x)) return std::nullopt; // the record's loader checks the range
        return Value(qint64(x));
    default:
        return Value(x);
    }
}

bool isHistoryKey(const QKeyEvent *e)
{
    if (!(e->modifiers() & Qt::ControlModifier)) return false;
    // The apostrophe key also where a Cyrillic layout puts another letter on it (Windows VK_OEM_7).
    return e->key() == Qt::Key_Apostrophe || e->nativeVirtualKey() == 0xDE;
}

} // namespace

// ---- the entry field ----------------------------------------------------------------------------

FieldEdit::FieldEdit(FormWindow *form, const FormField &field, int column, QWidget *parent)
    : QLineEdit(parent), m_form(form), m_field(field), m_column(column), m_picture(Picture::of(field.picture))
{
    setObjectName(field.objectName);
    setValidator(new PictureValidator(m_picture, this));
    setGeometry(field.rect);
    if (m_picture.kind() == PictureKind::Number && !m_picture.leftAligned())
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void FieldEdit::display()
{
    const Row row = m_form->decl().file->buffer().save();
    setText(valueText(row.at(m_column), m_picture));
    setModified(false);
}

void FieldEdit::keyPressEvent(QKeyEvent *event)
{
    if (isHistoryKey(event)) {
        m_form->historyField();
        return;
    }
    const QString before = text();
    QLineEdit::keyPressEvent(event);
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint() && !(event->modifiers() & Qt::ControlModifier);
    if (printable && text() == before)
        QApplication::beep(); // the picture refused the character
}

void FieldEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (m_form->decl().fieldFocused) {
        FormWindow::BufferClaim claim(*m_form);
        m_form->decl().fieldFocused(*m_form, objectName());
    }
}

void FieldEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    const bool leavingWindow =
        event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
    if (isModified() && !leavingWindow && m_form->isVisible())
        m_form->acceptField(this);
}

// ---- the radio group ---------------------------------------------------------------------------

FieldRadioGroup::FieldRadioGroup(FormWindow *form, const FormField &field, int column, QWidget *parent)
    : QGroupBox(field.groupTitle, parent), m_form(form), m_field(field), m_column(column),
      m_buttons(new QButtonGroup(this))
{
    setObjectName(field.objectName);
    setGeometry(field.rect);
    auto *layout = new QVBoxLayout(this);
    for (int i = 0; i < field.choices.size(); ++i) {
        auto *button = new QRadioButton(field.choices.at(i), this);
        button->setObjectName(field.objectName + QLatin1Char('_') + QString::number(i + 1));
        m_buttons->addButton(button, i);
        layout->addWidget(button);
    }
    connect(m_buttons, &QButtonGroup::idClicked, this, [this](int id) { m_form->acceptChoice(this, id); });
}

int FieldRadioGroup::chosen() const { return m_buttons->checkedId(); }

void FieldRadioGroup::display()
{
    const Row row = m_form->decl().file->buffer().save();
    const auto *bytes = std::get_if<QByteArray>(&row.at(m_column));
    const QString held = bytes ? cp1251::decode(*bytes).trimmed() : QString();
    const int index = m_field.choices.indexOf(held);
    if (index >= 0) {
        m_buttons->button(index)->setChecked(true);
        return;
    }
    m_buttons->setExclusive(false); // an exclusive group cannot uncheck its last button
    for (QAbstractButton *b : m_buttons->buttons())
        b->setChecked(false);
    m_buttons->setExclusive(true);
}

// ---- the form -----------------------------------------------------------------------------------

FormWindow *openForm(const FormDecl &decl, LONG request, QWidget *caller, std::function<void(LONG)> done,
                     WindowHost host)
{
    Q_ASSERT(decl.file);
    glob::GLOBALREQUEST = request;
    glob::VCRREQUEST = 0;
    auto *form = new FormWindow(decl, request, caller, std::move(done));
    bool opened = false;
    {
        // The form's record is the one in the buffer now. Showing the window lets other
        // windows work (a maximised list gives way to the new subwindow and re-reads its page
        // into the same buffer), so the claim ends before it: the form keeps its record aside.
        FormWindow::BufferClaim claim(*form);
        if (form->m_blocked)
            form->m_blocked->setEnabled(false);
        opened = form->prepareProcedure();
        if (!opened)
            form->procedureReturn();
    }
    if (!opened) {
        delete form;
        return nullptr;
    }
    form->openWindow(host);
    return form;
}

FormWindow::FormWindow(const FormDecl &decl, LONG, QWidget *caller, std::function<void(LONG)> done)
    : m_decl(decl), m_file(*decl.file), m_hadCaller(caller != nullptr), m_done(std::move(done))
{
    // Block the caller's whole subwindow, so that it cannot be closed under its form either.
    QWidget *blocked = caller;
    for (QWidget *w = caller; w; w = w->parentWidget())
        if (qobject_cast<QMdiSubWindow *>(w)) {
            blocked = w;
            break;
        }
    m_blocked = blocked;
}

FormWindow::BufferClaim::BufferClaim(FormWindow &form) : m_form(&form)
{
    if (form.m_claims++ == 0 && form.m_haveWork) {
        form.m_file.buffer().load(form.m_work);
        form.m_file.restoreReadState(form.m_readState);
    }
}

FormWindow::BufferClaim::~BufferClaim()
{
    if (!m_form)
        return;
    FormWindow &form = *m_form;
    if (--form.m_claims == 0) {
        form.m_work = form.m_file.buffer().save();
        form.m_readState = form.m_file.readState();
        form.m_haveWork = true;
    }
}

FormWindow::~FormWindow()
{
    procedureReturn(); // destroyed without a close (the frame went away)
}

void FormWindow::forgetMemory() { memories().clear(); }

FieldEdit *FormWindow::field(const QString &objectName) const
{
    for (FieldEdit *e : m_edits)
        if (e->objectName() == objectName) return e;
    return nullptr;
}

FieldRadioGroup *FormWindow::radioGroup(const QString &objectName) const
{
    for (FieldRadioGroup *g : m_groups)
        if (g->objectName() == objectName) return g;
    return nullptr;
}

// Asks a question while the form's record and read state are in the file: the message box
// handles events, and another window may read the file meanwhile. They are put back after.
LONG FormWindow::ask(LONG warning, const QString &text)
{
    const Row record = m_file.buffer().save();
    const DataFile::ReadState state = m_file.readState();
    const LONG answer = STANDARDWARNING(warning, text);
    m_file.buffer().load(record);
    m_file.restoreReadState(state);
    return answer;
}

bool FormWindow::prepareProcedure()
{
    m_localRequest = m_originalRequest = glob::GLOBALREQUEST;
    m_localResponse = glob::RequestCancelled;
    glob::GLOBALREQUEST = glob::NoRequest;
    glob::GLOBALRESPONSE = 0;

    if (m_localRequest == glob::InsertRecord && !m_decl.allowInsert) {
        STANDARDWARNING(19);
        return false;
    }
    if (m_localRequest == glob::DeleteRecord && !m_decl.allowDelete) {
        STANDARDWARNING(21);
        return false;
    }
    if (m_localRequest == glob::ChangeRecord && !m_decl.allowChange)
        return false;

    if (!useFile(m_file))
        return false;
    m_fileUsed = true;
    RISNAP(m_file);
    takeSavedCopy();

    if (m_localRequest == glob::InsertRecord) {
        m_localResponse = glob::RequestCompleted;
        if (!primeFields()) {
            m_localResponse = glob::RequestCancelled;
            return false;
        }
        m_localResponse = glob::RequestCancelled;
    }
    if (m_localRequest == glob::DeleteRecord) {
        performDelete();
        return false;
    }
    return true;
}

void FormWindow::takeSavedCopy()
{
    m_savedRow = m_file.buffer().save();
    m_savedCopy = rowBytes(m_savedRow);
}

bool FormWindow::recordChanged() { return rowBytes(m_file.buffer().save()) != m_savedCopy; }

bool FormWindow::primeFields()
{
    m_file.buffer().load(m_savedRow); // the record as the caller passed it
    if (m_decl.primeFields && !m_decl.primeFields(*this))
        return false;
    if (m_decl.autoNumber.key >= 0 && !autoNumberRecord())
        return false;
    takeSavedCopy(); // an unchanged primed record counts as unchanged
    return true;
}

bool FormWindow::autoNumberRecord()
{
    const AutoNumber &an = m_decl.autoNumber;
    const int col = m_file.desc().columnIndex(an.column);
    Q_ASSERT(col >= 0);
    int failures = 0;
    for (;;) {
        DataFile::NumberingStep failedStep = DataFile::NumberingStep::Add;
        if (m_file.addNumbered(an.key, col, &failedStep) == FileError::None) {
            m_autoAdded = true;
            return true;
        }
        if (failedStep == DataFile::NumberingStep::Read) {
            ask(35, an.fileLabel);
            return false;
        }
        if (++failures >= 3) {
            saveError();
            if (ask(25) != MsgRetry)
                return false;
            failures = 0;
        }
    }
}

void FormWindow::performDelete()
{
    if (ask(32) != MsgOk)
        return;
    for (;;) {
        m_localResponse = glob::RequestCancelled;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const LONG failed = RIDELETE(m_file);
        QApplication::restoreOverrideCursor();
        if (!failed) {
            m_localResponse = glob::RequestCompleted;
            return;
        }
        if (ask(18) != MsgYes)
            return;
    }
}

void FormWindow::buildWindow()
{
    setObjectName(m_decl.procedure);
    for (const FormText &t : m_decl.texts) {
        auto *label = new QLabel(t.text, this);
        label->setObjectName(t.objectName);
        label->setGeometry(t.rect);
        if (t.alignRight)
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const FormField &f : m_decl.fields) {
        const int col = m_file.desc().columnIndex(f.column);
        Q_ASSERT_X(col >= 0, "FormWindow", qPrintable(f.column));
        if (f.choices.isEmpty())
            m_edits.push_back(new FieldEdit(this, f, col, this));
        else
            m_groups.push_back(new FieldRadioGroup(this, f, col, this));
    }
    for (const FormButton &b : m_decl.buttons) {
        auto *button = new QPushButton(b.text, this);
        button->setObjectName(b.objectName);
        button->setGeometry(b.rect);
        switch (b.role) {
        case FormButtonRole::Ok:
            button->setDefault(true);
            connect(button, &QPushButton::clicked, this, &FormWindow::pressOk);
            break;
        case FormButtonRole::Cancel:
            connect(button, &QPushButton::clicked, this, &FormWindow::pressCancel);
            break;
        case FormButtonRole::Help:
            connect(button, &QPushButton::clicked, this, &FormWindow::syncFocusedField);
            break;
        case FormButtonRole::Other:
            connect(button, &QPushButton::clicked, this, [this, pressed = b.pressed] {
                BufferClaim claim(*this);
                syncFocusedField();
                if (pressed) pressed(*this);
            });
            break;
        }
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
    setWindowTitle(actionMessage.isEmpty() ? m_decl.windowTitle : actionMessage);
    refreshWindow();
    // The resizer takes the designed layout as its original before any host sizes the window:
    // every later size is then a proportion of the size the form was laid out for.
    if (m_decl.resizer) {
        m_resizer = new WidgetResizer(this);
        m_resizer->initialize(winresize::SPREADSTRATEGY);
        connect(m_resizer, &WidgetResizer::resized, this, &FormWindow::refreshWindow);
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
    focusFirstField();
}

QWidget *FormWindow::frameWidget() { return hostFrame(this); }

QSize FormWindow::sizeHint() const { return m_openingSize; }

bool FormWindow::eventFilter(QObject *watched, QEvent *event)
{
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
    for (FieldEdit *e : m_edits)
        e->display();
    for (FieldRadioGroup *g : m_groups)
        g->display();
}

void FormWindow::focusFirstField()
{
    if (!m_edits.empty())
        m_edits.front()->setFocus(Qt::OtherFocusReason);
}

bool FormWindow::acceptField(FieldEdit *edit)
{
    BufferClaim claim(*this);
    RecordBuffer &buffer = m_file.buffer();
    const EntryResult r = edit->picture().read(edit->text());
    const Row old = buffer.save();
    bool stored = false;
    if (r.ok()) {
        if (std::optional<Value> v = storedValue(r, m_file.desc().columns.at(edit->column()), edit->picture())) {
            Row row = old;
            row[edit->column()] = *v;
            stored = buffer.load(row) == 0; // a value the field cannot hold is repaired: refuse it
            if (!stored)
                buffer.load(old);
        }
    }
    if (!stored) {
        QApplication::beep();
        edit->display();
        QPointer<FieldEdit> target = edit;
        QTimer::singleShot(0, this, [target] { if (target) target->setFocus(Qt::OtherFocusReason); });
        return false;
    }
    if (m_decl.fieldAccepted) {
        m_decl.fieldAccepted(*this, edit->objectName());
        refreshWindow();
    } else {
        edit->display();
    }
    if (m_decl.validateField && !m_decl.validateField(*this, edit->objectName())) {
        edit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

void FormWindow::acceptChoice(FieldRadioGroup *group, int choice)
{
    BufferClaim claim(*this);
    syncFocusedField(); // an entry field's pending text first, as when the group takes the focus
    RecordBuffer &buffer = m_file.buffer();
    const Row old = buffer.save();
    Row row = old;
    row[group->column()] = Value(cp1251::encode(group->field().choices.at(choice)).value_or(QByteArray()));
    if (buffer.load(row) != 0) // an option longer than its column: a fault of the declaration
        buffer.load(old);
    if (m_decl.fieldAccepted) {
        m_decl.fieldAccepted(*this, group->objectName());
        refreshWindow();
    } else {
        group->display();
    }
}

// Stores the focused field's pending text when its picture accepts it (as the buttons' SYNCWINDOW).
void FormWindow::syncFocusedField()
{
    BufferClaim claim(*this);
    auto *edit = dynamic_cast<FieldEdit *>(QApplication::focusWidget());
    if (!edit || std::find(m_edits.begin(), m_edits.end(), edit) == m_edits.end() || !edit->isModified())
        return;
    if (edit->picture().read(edit->text()).ok())
        acceptField(edit);
}

// The accept-all pass: every field in tab order, stopping at the first that fails.
bool FormWindow::acceptAll()
{
    const QScopedValueRollback<bool> pass(m_acceptingAll, true);
    for (FieldEdit *e : m_edits) {
        if (!acceptField(e)) {
            e->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

void FormWindow::pressOk()
{
    BufferClaim claim(*this);
    syncFocusedField();
    if (m_originalRequest == glob::InsertRecord || m_originalRequest == glob::ChangeRecord) {
        if (!acceptAll())
            return;
    }
    save();
}

void FormWindow::pressCancel()
{
    BufferClaim claim(*this);
    syncFocusedField();
    m_localResponse = glob::RequestCancelled;
    glob::VCRREQUEST = 0;
    closeForm();
}

void FormWindow::historyField()
{
    BufferClaim claim(*this);
    auto *edit = dynamic_cast<FieldEdit *>(QApplication::focusWidget());
    const FormMemory &mem = memories()[m_decl.procedure];
    if (!edit || !edit->field().history || !mem.hasHistory)
        return;
    if (std::find(m_edits.begin(), m_edits.end(), edit) == m_edits.end())
        return;
    RecordBuffer &buffer = m_file.buffer();
    Row row = buffer.save();
    row[edit->column()] = mem.history.at(edit->column());
    buffer.load(row);
    edit->display();
}

void FormWindow::save()
{
    FormMemory &mem = memories()[m_decl.procedure];
    mem.history = m_file.buffer().save();
    mem.hasHistory = true;
    if (m_localRequest == glob::InsertRecord)
        saveInsert();
    else if (m_localRequest == glob::ChangeRecord)
        saveChange();
    else {
        m_closing = true;
        closeForm();
    }
}

void FormWindow::saveInsert()
{
    if (m_autoAdded) { // the numbered record is in the file already: write it in place
        if (RIUPDATE(m_file, 1) == RiWritten) {
            m_localResponse = glob::RequestCompleted;
            m_closing = true;
            closeForm();
            return;
        }
        refreshWindow();
        focusFirstField();
        glob::VCRREQUEST = 0;
        return;
    }
    const FileError e = m_file.add();
    if (e == FileError::None) {
        m_localResponse = glob::RequestCompleted;
        m_closing = true;
        closeForm();
        return;
    }
    saveError(); // the add's error, for warning 14
    bool duplicate = false;
    if (e == FileError::DuplicateKey && m_decl.checkedUniqueKey >= 0) {
        const Row typed = m_file.buffer().save();
        duplicate = m_file.get(m_decl.checkedUniqueKey) == FileError::None;
        m_file.buffer().load(typed);
    }
    if (duplicate)
        ask(24, m_decl.checkedKeyName);
    else
        ask(14);
    glob::VCRREQUEST = 0;
    focusFirstField();
}

void FormWindow::saveChange()
{
    for (;;) {
        m_localResponse = glob::RequestCancelled;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool changed = recordChanged();
        const BYTE error = changed ? RIUPDATE(m_file, 1) : BYTE(RiWritten);
        QApplication::restoreOverrideCursor();
        if (error == RiFailed) {
            const LONG answer = ask(16);
            if (answer == MsgYes)
                continue;
            if (answer == MsgNo) {
                m_closing = true;
                closeForm();
                return;
            }
        }
        if (error != RiWritten) {
            // Refused: the buffer shows the other station's version, which is now the one
            // this form compares against; the history key recalls the user's own values.
            if (error == RiChangedByOther)
                takeSavedCopy();
            refreshWindow();
            focusFirstField();
            glob::VCRREQUEST = 0;
            return;
        }
        if (changed || glob::VCRREQUEST == 0)
            m_localResponse = glob::RequestCompleted;
        m_closing = true;
        closeForm();
        return;
    }
}

bool FormWindow::closingWindow()
{
    if (m_closing || !m_decl.savePrompt)
        return true;
    syncFocusedField();
    const bool editing = m_originalRequest == glob::InsertRecord || m_originalRequest == glob::ChangeRecord;
    if (m_localResponse == glob::RequestCompleted || !editing || !recordChanged())
        return true;
    const LONG answer = ask(33);
    if (answer == MsgYes) {
        QTimer::singleShot(0, this, &FormWindow::pressOk);
        return false;
    }
    if (answer == MsgCancel) {
        focusFirstField();
        return false;
    }
    return true;
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    BufferClaim claim(*this);
    if (!m_returned) {
        if (!closingWindow()) {
            event->ignore();
            return;
        }
        if (m_autoAdded && m_localResponse != glob::RequestCompleted)
            RIDELETE(m_file); // the numbered record of an insert that was not completed
        if (m_resizer)
            m_resizer->destroy();
        procedureReturn();
    }
    event->accept();
}

void FormWindow::closeForm() { closeHostedWindow(this); }

void FormWindow::procedureReturn()
{
    if (m_returned)
        return;
    m_returned = true;
    if (m_fileUsed)
        releaseFile(m_file);
    m_fileUsed = false;
    const LONG response = m_localResponse ? m_localResponse : LONG(glob::RequestCancelled);
    glob::GLOBALRESPONSE = response;
    if (m_blocked)
        m_blocked->setEnabled(true);
    // A caller that has gone (closed with the frame) is not called back.
    if (m_hadCaller && !m_blocked)
        return;
    if (auto done = std::move(m_done))
        done(response);
}
