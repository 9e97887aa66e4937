// A form's values and their editing: what each control is bound to, reading an entry through
// its picture, storing a choice, the accept-all pass and the field history.
#include "framework/form_window.h"

#include "data/cp1251.h"
#include "framework/chart_ui.h"
#include "framework/fileservices.h"
#include "framework/form_internal_ui.h"

#include <QApplication>
#include <QScopedValueRollback>
#include <QTimer>

#include <cmath>
#include <optional>

using namespace formengine;

namespace {

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

bool FormWindow::acceptField(FieldEdit *edit)
{
    BufferClaim claim(*this);
    if (edit->field().displayOnly)
        return true;
    // Only a text the user edited is read. Any other shows the stored value through its
    // picture, perhaps stale during OK's pass: the value stays whole (a computed 2.8846 is not
    // stored as the 2.88 shown).
    bool stored = true;
    if (edit->isModified()) {
        const EntryResult r = edit->picture().read(edit->text());
        stored = false;
        if (r.ok())
            if (std::optional<Value> v = storedValue(r, columnOf(*edit), edit->picture()))
                stored = storeValue(*edit, *v);
    }
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
