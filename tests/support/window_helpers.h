#pragma once
// What window tests do as a user would: find the open form or dialog, type into a field.
#include "framework/form_window.h"

#include <QApplication>
#include <QLineEdit>
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
