#pragma once
// What the parts of the form engine share. Private to the engine.
#include "data/schema.h"

#include <QHash>
#include <QPoint>
#include <QString>

namespace formengine {

// What a form keeps between its calls: the last record it saved (or tried to save) and where
// the user left its window.
struct FormMemory {
    Row history;
    bool hasHistory = false;
    bool posInit = false;
    QPoint pos;
};

QHash<QString, FormMemory> &memories(); // per procedure, since the application started

inline double numberOf(const Value &v)
{
    if (auto *i = std::get_if<qint64>(&v)) return double(*i);
    if (auto *d = std::get_if<double>(&v)) return *d;
    return 0;
}

// A control focused by the user (an event of the form), not by the window gaining the focus
// or by the program placing it (the opening, a frame activating the subwindow).
inline bool movedByUser(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

} // namespace formengine
