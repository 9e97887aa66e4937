#include "framework/resizer_ui.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>

#include <algorithm>

using namespace winresize;

namespace {

Rect toRect(const QRect &r) { return {r.x(), r.y(), r.width(), r.height()}; }
QRect toQRect(const Rect &r) { return QRect(r.XPOS, r.YPOS, r.WIDTH, r.HEIGHT); }

// Plain containers whose hand-placed children are controls of the window too.
bool isContainer(const QWidget *w)
{
    const QMetaObject *m = w->metaObject();
    return m == &QWidget::staticMetaObject || m == &QFrame::staticMetaObject || qobject_cast<const QGroupBox *>(w);
}

} // namespace

WidgetResizer::WidgetResizer(QWidget *window) : QObject(window), m_window(window) {}

ControlKind WidgetResizer::kindOf(const QWidget *c)
{
    if (qobject_cast<const QCheckBox *>(c))
        return ControlKind::CheckBox;
    if (qobject_cast<const QRadioButton *>(c))
        return ControlKind::RadioButton;
    if (qobject_cast<const QAbstractButton *>(c))
        return ControlKind::Button;
    if (qobject_cast<const QLineEdit *>(c) || qobject_cast<const QComboBox *>(c) || qobject_cast<const QAbstractSpinBox *>(c))
        return ControlKind::SingleLine;
    if (qobject_cast<const QLabel *>(c))
        return ControlKind::String;
    return ControlKind::Other;
}

void WidgetResizer::collect(QWidget *parent, std::vector<QWidget *> &out) const
{
    if (parent->layout())
        return; // its layout places its children
    for (QObject *o : parent->children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (!w || w->isWindow() || qobject_cast<QMenuBar *>(w))
            continue; // separate windows and menus are not controls
        out.push_back(w);
        if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                collect(tabs->widget(i), out); // the pages follow the sheet; their controls are ours
        } else if (auto *stack = qobject_cast<QStackedWidget *>(w)) {
            for (int i = 0; i < stack->count(); ++i)
                collect(stack->widget(i), out);
        } else if (isContainer(w)) {
            collect(w, out);
        }
    }
}

QRect WidgetResizer::inWindow(const QWidget *w) const
{
    if (w == m_window)
        return QRect(QPoint(0, 0), w->size());
    return QRect(w->mapTo(m_window, QPoint(0, 0)), w->size());
}

void WidgetResizer::initialize(LONG strategy)
{
    if (!m_window)
        return;
    m_window->setMinimumSize(m_window->size());
    std::vector<QWidget *> found;
    collect(m_window, found);
    m_controls.assign(found.begin(), found.end());
    m_anchors.clear();
    std::vector<Control> controls;
    for (std::size_t i = 0; i < found.size(); ++i) {
        QWidget *w = found[i];
        controls.push_back({static_cast<int>(i + 1), kindOf(w), toRect(inWindow(w))});
        // The nearest managed ancestor, whose new place the control's parent follows.
        QWidget *parent = w->parentWidget();
        QWidget *anchor = parent;
        while (anchor != m_window && std::find(found.begin(), found.end(), anchor) == found.end())
            anchor = anchor->parentWidget();
        int anchorIndex = anchor == m_window ? -1 : static_cast<int>(std::find(found.begin(), found.end(), anchor) - found.begin());
        m_anchors.push_back({anchorIndex, inWindow(parent).topLeft() - inWindow(anchor).topLeft()});
    }
    m_resizer.initialize(toRect(m_window->geometry()), controls, strategy);
    if (!m_active) {
        m_window->installEventFilter(this);
        m_active = true;
    }
}

void WidgetResizer::resize()
{
    if (!m_window || !m_active)
        return;
    auto placements = m_resizer.resize(toRect(m_window->geometry()));
    if (!placements)
        return;
    // Apply all moves together.
    const bool updates = m_window->updatesEnabled();
    m_window->setUpdatesEnabled(false);
    std::vector<QRect> placed;
    placed.reserve(placements->size());
    for (const Placement &p : *placements)
        placed.push_back(toQRect(p.geometry));
    for (std::size_t i = 0; i < placed.size() && i < m_controls.size(); ++i) {
        QWidget *w = m_controls[i];
        if (!w)
            continue;
        const Anchor &a = m_anchors[i];
        QPoint parentAt = (a.index < 0 ? QPoint(0, 0) : placed[static_cast<std::size_t>(a.index)].topLeft()) + a.offset;
        w->setGeometry(placed[i].translated(-parentAt));
    }
    m_window->setUpdatesEnabled(updates);
    emit resized();
}

void WidgetResizer::destroy()
{
    if (m_window && m_active)
        m_window->removeEventFilter(this);
    m_active = false;
    m_resizer.destroy();
    m_controls.clear();
    m_anchors.clear();
}

bool WidgetResizer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Resize)
        resize();
    return QObject::eventFilter(watched, event);
}
