#pragma once
// The window resizer applied to a window's controls (WINRESIZE of a list window or form).
//
// initialize() sets the window's minimum size to its present (opening) size, records every
// control's geometry and from then on follows the window's resize events by itself; each
// handled resize emits resized() so that the window can refresh (FORCEREFRESH, REFRESHWINDOW).
// destroy() stops it. Controls are the window's descendant widgets placed by hand: widgets
// inside a layout, the inner parts of composite controls (a spin box's line edit, a list's
// scroll bars) and separate windows are left alone. Controls nested in a group box or a sheet
// page are placed in window coordinates, so they follow their container.
#include "framework/resizer.h"

#include <QObject>
#include <QPointer>
#include <QPoint>
#include <QRect>
#include <vector>

class QWidget;

class WidgetResizer : public QObject {
    Q_OBJECT
public:
    explicit WidgetResizer(QWidget *window);

    void initialize(LONG strategy = winresize::SPREADSTRATEGY);
    // Repositions the controls for the window's current size (called by the resize events;
    // a window may also call it directly). Does nothing when the size did not change.
    void resize();
    void destroy();

    static winresize::ControlKind kindOf(const QWidget *control);
    const winresize::WindowResizeType &geometry() const { return m_resizer; }

signals:
    void resized();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void collect(QWidget *parent, std::vector<QWidget *> &out) const;
    QRect inWindow(const QWidget *w) const;

    QPointer<QWidget> m_window;
    winresize::WindowResizeType m_resizer;
    // Where a control's parent stands: at a managed ancestor (index into m_controls, -1 for
    // the window) plus a fixed offset, e.g. a sheet page inside its sheet.
    struct Anchor {
        int index;
        QPoint offset;
    };
    std::vector<QPointer<QWidget>> m_controls; // index = control number - 1
    std::vector<Anchor> m_anchors;
    bool m_active = false;
};
