// The controls of a form: entry fields, radio groups, drop lists, spin and check boxes, each
// showing the value it is bound to and handing the user's choice to the form.
#include "framework/form_window.h"

#include "data/cp1251.h"
#include "framework/fileservices.h"
#include "framework/form_internal_ui.h"
#include "framework/picturevalidator_ui.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

using namespace formengine;

namespace {

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

bool isHistoryKey(const QKeyEvent *e)
{
    if (!(e->modifiers() & Qt::ControlModifier)) return false;
    // The apostrophe key also where a Cyrillic layout puts another letter on it (Windows VK_OEM_7).
    return e->key() == Qt::Key_Apostrophe || e->nativeVirtualKey() == 0xDE;
}

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
