#pragma once
// What window tests do as a user would: find the open form or dialog, type into a field, click.
#include "data/datafile.h"
#include "framework/list_window.h"
#include "framework/form_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// The update form now shown, if any.
inline FormWindow *openForm()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<FormWindow *>(w); f && f->isVisible())
            return f;
    return nullptr;
}
inline FormWindow *openedForm() { return openForm(); }

// The shown form made the active window, so that typing and focus moves work as for a user.
inline FormWindow *activeForm(FormWindow *f = openForm())
{
    if (f) f->activateWindow();
    return f && QTest::qWaitForWindowActive(f) ? f : nullptr;
}

// A control of the window by name; a missing one ends the test program with its name.
template <class T = QPushButton>
T *control(QWidget *w, const char *name)
{
    auto *c = w->findChild<T *>(QLatin1String(name));
    if (!c) qFatal("no control %s", name);
    return c;
}
inline QLineEdit *edit(QWidget *w, const char *name) { return control<QLineEdit>(w, name); }
inline QString shown(QWidget *w, const char *name) { return edit(w, name)->text().trimmed(); }
inline QString shown(QWidget *w, const QString &name) { return shown(w, qPrintable(name)); }
// A radio button answers a click on its circle and text only.
inline void click(QWidget *w, const char *name)
{
    auto *b = control<QAbstractButton>(w, name);
    QTest::mouseClick(b, Qt::LeftButton, {}, qobject_cast<QRadioButton *>(b) ? QPoint(8, b->height() / 2) : b->rect().center());
}
inline void choose(QWidget *w, const char *option) { click(w, option); }

// Shows a list window and waits until it is on screen; nullptr when it never came.
inline BrowseWindow *shownList(BrowseWindow *list)
{
    list->show();
    return QTest::qWaitForWindowExposed(list) ? list : nullptr;
}

// The texts of one column of the list's page, trimmed.
inline QStringList listColumn(BrowseWindow *list, int column)
{
    QStringList out;
    for (const auto &e : list->page()->entries())
        out << e.texts.value(column).trimmed();
    return out;
}

// Presses a button of a list and returns the form it opened, made active.
inline FormWindow *press(QWidget *list, const char *button)
{
    control(list, button)->click();
    return activeForm();
}

// Replaces a field's text by typing it key by key (QTest::keyClicks takes ASCII only).
inline void typeInto(QWidget *form, const QString &field, const QString &text)
{
    auto *edit = form->findChild<QLineEdit *>(field);
    QVERIFY2(edit, qPrintable(field));
    edit->setFocus();
    edit->selectAll();
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}
// Types into a field and leaves it with Tab.
inline void type(QWidget *form, const char *name, const QString &text)
{
    typeInto(form, QLatin1String(name), text);
    QTest::keyClick(edit(form, name), Qt::Key_Tab);
}

// Reads the first record of `file` in physical order (arming the change watch, as a list does).
inline bool readFirst(DataFile &file)
{
    file.setOrder(DataFile::PhysicalOrder);
    file.setToStart();
    return file.next() == FileError::None;
}

// The shown top-level window of that name (a dialog, a progress window), if any.
template <class T = QWidget>
T *shownWindow(const char *objectName)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(objectName) && w->isVisible())
            if (auto *t = qobject_cast<T *>(w))
                return t;
    return nullptr;
}
