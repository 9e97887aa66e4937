#include "framework/form_window.h"

#include "data/cp1251.h"
#include "data/globals.h"
#include "framework/callerhold_ui.h"
#include "framework/chart_ui.h"
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
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
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

// A control focused by the user (an event of the form), not by the window gaining the focus
// or by the program placing it (the opening, a frame activating the subwindow).
bool movedByUser(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

} // namespace

// ---- values other than the record's ----------------------------------------------------------

FormVar FormVar::of(REAL &x)
{
    return {[&x] { return Value(x); }, [&x](const Value &v) { x = numberOf(v); return true; }, ColumnType::Real, 0};
}

FormVar FormVar::of(BYTE &x)
{
    return {[&x] { return Value(qint64(x)); },
            [&x](const Value &v) {
                const double n = numberOf(v);
                if (n < 0 || n > 255 || n != std::floor(n)) return false;
                x = BYTE(n);
                return true;
            },
            ColumnType::Byte, 0};
}

FormVar FormVar::of(LONG &x)
{
    return {[&x] { return Value(qint64(x)); },
            [&x](const Value &v) {
                const double n = numberOf(v);
                if (n < -2147483648.0 || n > 2147483647.0 || n != std::floor(n)) return false;
                x = LONG(n);
                return true;
            },
            ColumnType::Long, 0};
}

FormVar FormVar::number(std::function<double()> get)
{
    return {[get = std::move(get)] { return Value(get()); }, {}, ColumnType::Real, 0};
}

FormVar FormVar::text(std::function<QString()> get)
{
    return {[get = std::move(get)] { return Value(cp1251::encode(get()).value_or(QByteArray())); }, {}, ColumnType::Text, 255};
}

namespace {

// Text values compare without trailing blanks, numbers as numbers.
bool sameValue(const Value &a, const Value &b)
{
    const auto *ta = std::get_if<QByteArray>(&a);
    const auto *tb = std::get_if<QByteArray>(&b);
    if (ta || tb) {
        auto trimmed = [](QByteArray t) { while (!t.isEmpty() && t.back() == ' ') t.chop(1); return t; };
        return ta && tb && trimmed(*ta) == trimmed(*tb);
    }
    return numberOf(a) == numberOf(b);
}

// The value of a choice: the declared one, else its text (a text value) or its number from 1.
Value choiceValue(const FormField &f, const Column &c, int option, const QString &text)
{
    if (option >= 0 && size_t(option) < f.values.size()) return f.values.at(size_t(option));
    if (c.type == ColumnType::Text) return Value(cp1251::encode(text).value_or(QByteArray()));
    if (f.kind == FormControlKind::DropList) { // a list of numbers ("5", "7", "10")
        bool ok = false;
        const double n = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (ok) return c.type == ColumnType::Real || c.type == ColumnType::Decimal ? Value(n) : Value(qint64(n));
    }
    return Value(qint64(option + 1));
}

void applyCommon(QWidget *w, const FormField &f)
{
    w->setObjectName(f.objectName);
    w->setGeometry(f.rect);
    if (!f.tip.isEmpty()) w->setToolTip(f.tip);
}

} // namespace

// ---- the entry field ----------------------------------------------------------------------------

FieldEdit::FieldEdit(FormWindow *form, const FormField &field, int column, QWidget *parent)
    : QLineEdit(parent), FieldControl(form, field, column), m_picture(Picture::of(field.picture))
{
    applyCommon(this, field);
    setValidator(new PictureValidator(m_picture, this));
    setReadOnly(field.displayOnly);
    if (m_picture.kind() == PictureKind::Number && !m_picture.leftAligned())
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void FieldEdit::display()
{
    const QString shown = valueText(m_form->valueOf(*this), m_picture);
    if (text() != shown) // an unchanged text keeps the cursor and selection of the focused field
        setText(shown);
    setModified(false);
    if (m_field.enabled) setEnabled(m_field.enabled());
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
    if (printable && text() == before && !isReadOnly())
        QApplication::beep(); // the picture refused the character
}

void FieldEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (!movedByUser(event->reason()) || !m_form->isVisible())
        return;
    if (m_form->decl().fieldFocused) {
        FormWindow::BufferClaim claim(*m_form);
        m_form->decl().fieldFocused(*m_form, objectName());
    }
    m_form->anEvent();
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
    : QGroupBox(field.groupTitle, parent), FieldControl(form, field, column), m_buttons(new QButtonGroup(this))
{
    applyCommon(this, field);
    const bool placed = !field.optionRects.empty();
    QBoxLayout *layout = nullptr;
    if (!placed)
        layout = field.horizontal ? static_cast<QBoxLayout *>(new QHBoxLayout(this)) : new QVBoxLayout(this);
    if (field.groupTitle.isEmpty()) { // the options alone, without a frame
        setFlat(true);
        setStyleSheet(QStringLiteral("QGroupBox#%1 { border: 0; margin: 0; padding: 0; }").arg(field.objectName));
        if (layout) layout->setContentsMargins(0, 0, 0, 0);
    }
    for (int i = 0; i < field.choices.size(); ++i) {
        auto *button = new QRadioButton(field.choices.at(i), this);
        button->setObjectName(i < field.optionNames.size() ? field.optionNames.at(i)
                                                           : field.objectName + QLatin1Char('_') + QString::number(i + 1));
        m_buttons->addButton(button, i);
        if (layout)
            layout->addWidget(button);
        else if (size_t(i) < field.optionRects.size())
            button->setGeometry(field.optionRects.at(size_t(i)));
    }
    if (layout && field.horizontal && !field.groupTitle.isEmpty())
        layout->setContentsMargins(8, 0, 8, 2); // a row of options under the caption
    // Never smaller than its options need: a squeezed option cannot be clicked.
    QSize needed = minimumSizeHint();
    for (const QRect &r : field.optionRects)
        needed = needed.expandedTo(QSize(r.right() + 1, r.bottom() + 1));
    setGeometry(QRect(field.rect.topLeft(), field.rect.size().expandedTo(needed)));
    connect(m_buttons, &QButtonGroup::idClicked, this, [this](int id) { m_form->acceptChoice(this, id); });
}

Value FieldRadioGroup::optionValue(int option) const
{
    return choiceValue(m_field, m_form->columnOf(*this), option, m_field.choices.value(option));
}

void FieldRadioGroup::display()
{
    const Value held = m_form->valueOf(*this);
    int index = -1;
    for (int i = 0; i < m_field.choices.size() && index < 0; ++i)
        if (sameValue(optionValue(i), held)) index = i;
    for (int i = 0; i < m_field.choices.size(); ++i)
        m_buttons->button(i)->setVisible(!m_field.optionShown || m_field.optionShown(i));
    if (m_field.enabled) setEnabled(m_field.enabled());
    if (index >= 0) {
        m_buttons->button(index)->setChecked(true);
        return;
    }
    m_buttons->setExclusive(false); // an exclusive group cannot uncheck its last button
    for (QAbstractButton *b : m_buttons->buttons())
        b->setChecked(false);
    m_buttons->setExclusive(true);
}

// ---- the drop list -----------------------------------------------------------------------------

FieldDropList::FieldDropList(FormWindow *form, const FormField &field, int column, QWidget *parent)
    : QComboBox(parent), FieldControl(form, field, column)
{
    applyCommon(this, field);
    fill();
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) m_form->acceptChoice(this, entryValue(index));
    });
}

void FieldDropList::fill()
{
    m_entries = m_field.choices;
    const FormListFile &lf = m_field.listFile;
    if (lf.file) { // the names in the order of the name key; the file's buffer is left as it was
        m_entries.clear();
        FileUse use(*lf.file);
        if (use.ok()) {
            DataFile &f = *lf.file;
            const Row kept = f.buffer().save();
            const DataFile::ReadState state = f.readState();
            const int order = f.order();
            const int col = f.desc().columnIndex(lf.column);
            f.setOrder(lf.key);
            f.setToStart();
            while (f.next() == FileError::None) {
                const Row row = f.buffer().save();
                const auto *b = std::get_if<QByteArray>(&row.at(col));
                const QString name = b ? cp1251::decode(*b).trimmed() : QString();
                if (!name.isEmpty() && !m_entries.contains(name)) m_entries << name;
            }
            f.setOrder(order);
            f.buffer().load(kept);
            f.restoreReadState(state);
        }
    }
    const QSignalBlocker block(this);
    clear();
    addItems(m_entries);
}

Value FieldDropList::entryValue(int index) const
{
    return choiceValue(m_field, m_form->columnOf(*this), index, m_entries.value(index));
}

void FieldDropList::display()
{
    const Value held = m_form->valueOf(*this);
    int index = -1;
    for (int i = 0; i < m_entries.size() && index < 0; ++i)
        if (sameValue(entryValue(i), held)) index = i;
    const QSignalBlocker block(this);
    setCurrentIndex(index);
    if (m_field.enabled) setEnabled(m_field.enabled());
}

// ---- spin box and check box ----------------------------------------------------------------------

FieldSpin::FieldSpin(FormWindow *form, const FormField &field, int column, QWidget *parent)
    : QDoubleSpinBox(parent), FieldControl(form, field, column)
{
    applyCommon(this, field);
    const Picture p = Picture::of(field.picture);
    setDecimals(p.kind() == PictureKind::Number ? p.decimals() : 0);
    setRange(field.minimum, field.maximum);
    setReadOnly(field.displayOnly);
    connect(this, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        const Column c = m_form->columnOf(*this);
        const bool integer = c.type == ColumnType::Byte || c.type == ColumnType::Long || c.type == ColumnType::Ulong;
        m_form->acceptChoice(this, integer ? Value(qint64(std::llround(v))) : Value(v));
    });
}

void FieldSpin::display()
{
    const QSignalBlocker block(this);
    const double v = numberOf(m_form->valueOf(*this));
    if (m_field.showOutsideRange) // the range widens to hold it (a balanced share below 0)
        setRange(std::min(m_field.minimum, v), std::max(m_field.maximum, v));
    setValue(v);
    if (m_field.enabled) setEnabled(m_field.enabled());
}

FieldCheck::FieldCheck(FormWindow *form, const FormField &field, int column, QWidget *parent)
    : QCheckBox(field.groupTitle, parent), FieldControl(form, field, column)
{
    applyCommon(this, field);
    connect(this, &QCheckBox::clicked, this, [this](bool on) { m_form->acceptChoice(this, stateValue(on)); });
}

Value FieldCheck::stateValue(bool checked) const
{
    const size_t i = checked ? 1 : 0;
    if (i < m_field.values.size()) return m_field.values.at(i);
    if (m_form->columnOf(*this).type == ColumnType::Text) return Value(QByteArray(checked ? "1" : ""));
    return Value(qint64(checked ? 1 : 0));
}

void FieldCheck::display()
{
    const QSignalBlocker block(this);
    setChecked(sameValue(m_form->valueOf(*this), stateValue(true)));
    if (m_field.enabled) setEnabled(m_field.enabled());
}

// ---- the form -----------------------------------------------------------------------------------

FormWindow *openForm(const FormDecl &decl, LONG request, QWidget *caller, std::function<void(LONG)> done,
                     WindowHost host)
{
    if (const QStringList faults = checkFormDecl(decl); !faults.isEmpty())
        qFatal("%s", qPrintable(QStringLiteral("The form %1 is declared wrongly: %2")
                                    .arg(decl.procedure, faults.join(QStringLiteral("; ")))));
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
    m_blocked = blockedByCall(caller);
    for (QWidget *w = caller; w; w = w->parentWidget())
        if (auto *outer = qobject_cast<FormWindow *>(w)) {
            if (&outer->m_file == &m_file) m_outer = outer;
            break;
        }
    for (const auto &[name, value] : decl.locals)
        m_locals.insert(name, value);
}

QStringList checkFormDecl(const FormDecl &decl)
{
    QStringList faults;
    if (!decl.file) return {QStringLiteral("no file")};
    QStringList locals;
    for (const auto &l : decl.locals) locals << l.first;
    for (const FormField &f : decl.fields) {
        if (!f.local.isEmpty()) {
            if (!locals.contains(f.local))
                faults << QStringLiteral("%1: no window-local value %2").arg(f.objectName, f.local);
        } else if (!f.var) {
            if (decl.file->desc().columnIndex(f.column) < 0)
                faults << QStringLiteral("%1: the file %2 has no column %3").arg(f.objectName, decl.file->name(), f.column);
        }
        const FormListFile &lf = f.listFile;
        if (lf.file && (lf.file->desc().columnIndex(lf.column) < 0 || lf.key < 0))
            faults << QStringLiteral("%1: the file %2 has no name column %3").arg(f.objectName, lf.file->name(), lf.column);
        if (!decl.tabs.isEmpty() ? f.tab >= decl.tabs.size() : f.tab >= 0)
            faults << QStringLiteral("%1: no page %2").arg(f.objectName).arg(f.tab);
    }
    if (decl.autoNumber.key >= 0 && decl.file->desc().columnIndex(decl.autoNumber.column) < 0)
        faults << QStringLiteral("the file %1 has no column %2").arg(decl.file->name(), decl.autoNumber.column);
    return faults;
}

double FormWindow::localNumber(const QString &name) const { return numberOf(m_locals.value(name)); }

void FormWindow::setLocal(const QString &name, const Value &value)
{
    Q_ASSERT(m_locals.contains(name));
    m_locals.insert(name, value);
}

void FormWindow::setChart(const QString &objectName, Chart chart)
{
    for (auto &[name, area] : m_charts)
        if (name == objectName) area->setChart(std::move(chart));
}

Value FormWindow::valueOf(const FieldControl &c) const
{
    const FormField &f = c.field();
    if (!f.local.isEmpty()) return m_locals.value(f.local);
    if (f.var) return f.var.get();
    return m_file.buffer().save().at(c.column());
}

Column FormWindow::columnOf(const FieldControl &c) const
{
    const FormField &f = c.field();
    if (!f.local.isEmpty()) {
        const Value v = m_locals.value(f.local);
        if (std::holds_alternative<QByteArray>(v)) return {f.local, ColumnType::Text, 255};
        if (std::holds_alternative<qint64>(v)) return {f.local, ColumnType::Long};
        return {f.local, ColumnType::Real};
    }
    if (f.var) return {f.objectName, f.var.type, f.var.size};
    return m_file.desc().columns.at(c.column());
}

bool FormWindow::storeValue(const FieldControl &c, const Value &value)
{
    const FormField &f = c.field();
    if (f.displayOnly) return false;
    if (!f.local.isEmpty()) {
        m_locals.insert(f.local, value);
        return true;
    }
    if (f.var) return f.var.set && f.var.set(value);
    RecordBuffer &buffer = m_file.buffer();
    const Row old = buffer.save();
    Row row = old;
    row[c.column()] = value;
    if (buffer.load(row) == 0) return true;
    buffer.load(old); // a value the field cannot hold is repaired: refuse it
    return false;
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
    // Called without a request by a form on the same file, the form works on its caller's
    // record and writes nothing through the integrity rules: the caller's link snapshot stays
    // (a number typed in the caller is still checked against the one it opened with).
    if (!m_outer || m_localRequest != glob::NoRequest)
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

bool FormWindow::acceptField(FieldEdit *edit)
{
    BufferClaim claim(*this);
    if (edit->field().displayOnly)
        return true;
    const EntryResult r = edit->picture().read(edit->text());
    bool stored = false;
    if (r.ok())
        if (std::optional<Value> v = storedValue(r, columnOf(*edit), edit->picture()))
            stored = storeValue(*edit, *v);
    if (!stored) {
        QApplication::beep();
        edit->display();
        QPointer<FieldEdit> target = edit;
        QTimer::singleShot(0, this, [target] { if (target) target->setFocus(Qt::OtherFocusReason); });
        return false;
    }
    afterStore(edit->objectName());
    edit->display();
    if (m_decl.validateField && !m_decl.validateField(*this, edit->objectName())) {
        edit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

void FormWindow::afterStore(const QString &objectName)
{
    if (m_decl.fieldAccepted)
        m_decl.fieldAccepted(*this, objectName);
    anEvent();
}

void FormWindow::acceptChoice(FieldRadioGroup *group, int choice) { acceptChoice(group, group->optionValue(choice)); }

void FormWindow::acceptChoice(FieldControl *control, const Value &value)
{
    BufferClaim claim(*this);
    syncFocusedField(); // an entry field's pending text first, as when the control takes the focus
    if (!storeValue(*control, value)) { // a value its field cannot hold: a fault of the declaration
        control->display();
        return;
    }
    const FormListFile &lf = control->field().listFile;
    if (lf.file && lf.file != &m_file) { // the chosen name's record of the list's file
        FileUse use(*lf.file);
        lf.file->buffer().clear();
        Row row = lf.file->buffer().save();
        row[size_t(lf.file->desc().columnIndex(lf.column))] = value;
        lf.file->buffer().load(row);
        if (use.ok() && lf.file->get(lf.key) == FileError::None && lf.selected)
            lf.selected(*this);
    }
    afterStore(control->widget()->objectName());
}

// Stores the focused field's pending text when its picture accepts it (as the buttons' SYNCWINDOW).
void FormWindow::syncFocusedField()
{
    BufferClaim claim(*this);
    auto *edit = dynamic_cast<FieldEdit *>(QApplication::focusWidget());
    if (!edit) // the form's focused field also while another window is active
        edit = dynamic_cast<FieldEdit *>(focusWidget());
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
    if (!edit || !edit->field().history || !mem.hasHistory || edit->column() < 0) // the record's fields only
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
    else if (m_localRequest != glob::NoRequest) {
        m_closing = true;
        closeForm();
    }
    // Opened without a request: the form works on the record in memory, stores nothing and
    // stays open until it is closed.
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

// A form called by another form on the same file works on the caller's record: what it leaves
// there reaches the caller. That is what it stored (completed), or, opened without a request,
// what it set in the record for the caller to store; an insert or change the user abandoned
// does not.
void FormWindow::handOverToOuter()
{
    if (!m_outer || m_outer->m_returned)
        return;
    const bool abandoned = (m_originalRequest == glob::InsertRecord || m_originalRequest == glob::ChangeRecord) &&
                           m_localResponse != glob::RequestCompleted;
    if (abandoned || m_originalRequest == glob::DeleteRecord)
        return;
    const Row record = m_claims > 0 || !m_haveWork ? m_file.buffer().save() : m_work;
    const DataFile::ReadState state = m_claims > 0 || !m_haveWork ? m_file.readState() : m_readState;
    if (m_outer->m_claims > 0) { // the caller works on the buffer now: it keeps what is there
        m_file.buffer().load(record);
        m_file.restoreReadState(state);
    } else {
        m_outer->m_work = record;
        m_outer->m_readState = state;
        m_outer->m_haveWork = true;
    }
    QTimer::singleShot(0, m_outer, [outer = m_outer] { if (outer) outer->refreshWindow(); });
}

void FormWindow::closeForm() { closeHostedWindow(this); }

void FormWindow::procedureReturn()
{
    if (m_returned)
        return;
    m_returned = true;
    handOverToOuter();
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
