#pragma once
// The head that every design step's form declaration shares: a form on the recipe file PODBOR,
// with the engine's standard action texts and the question before closing an edited record.
#include "data/files.h"
#include "design/blend.h"
#include "framework/form_window.h"
#include "framework/procedures_ui.h"
#include "framework/warnings.h"

#include <QAbstractSpinBox>
#include <QLabel>
#include <QPointer>

inline FormDecl designStepForm(const QString &procedure, const QString &windowTitle)
{
    FormDecl d;
    d.procedure = procedure;
    d.file = &files::PODBOR;
    d.windowTitle = windowTitle;
    d.insertTitle = QStringLiteral("Record will be Added");
    d.changeTitle = QStringLiteral("Record will be Changed");
    d.savePrompt = true;
    return d;
}

// A button calling another procedure by name over the form, which is redisplayed when it
// returns; `then` follows with its response. Disabled while no such procedure is built.
inline FormButton designCallButton(const QString &objectName, const QString &text, QRect rect, const QString &procedure,
                                   std::function<void(FormWindow &, LONG response)> then = {})
{
    FormButton b{objectName, text, rect, FormButtonRole::Other,
                 [procedure, then](FormWindow &form) {
                     QPointer<FormWindow> f = &form;
                     callProcedure(procedure, &form, [f, then](LONG response) {
                         if (!f)
                             return;
                         f->refreshWindow();
                         if (then)
                             then(*f, response);
                     });
                 }};
    b.enabled = [procedure] { return isCalledProcedureRegistered(procedure); };
    return b;
}

// Marks a control whose value lies outside the range it may take: shown as it is, in red, with
// the reason as its tip (property "outOfRange" for automation). Unmarked again when back in range.
inline void markOutOfRange(QWidget *control, bool outside, const QString &why)
{
    if (!control || control->property("outOfRange").toBool() == outside)
        return;
    control->setProperty("outOfRange", outside);
    control->setStyleSheet(outside ? QStringLiteral("color: rgb(200, 0, 0); font-weight: bold;") : QString());
    control->setToolTip(outside ? why : QString());
}

// The sieve sizes under a chart stand centred under the points they name (a form's texts keep
// to the left of their boxes): the labels SIEVE_1 .. SIEVE_11 that the form has.
inline void centreSieveLabels(FormWindow *form)
{
    for (int i = 1; i <= 11; ++i)
        if (auto *label = form->control<QLabel>(QStringLiteral("SIEVE_%1").arg(i)))
            label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
}

// The form's local that holds 1 while shares changed by hand to a sum other than 100 are not
// told yet.
inline const QString kUnbalanced = QStringLiteral("UNBALANCED");

// Asks once for a balancing component when the shares changed to a sum other than 100.
inline void tellUnbalanced(FormWindow &form)
{
    if (form.localNumber(kUnbalanced) == 0)
        return;
    form.setLocal(kUnbalanced, qint64(0));
    showMessage(blend::balancingMessage, form.windowTitle());
}

// Shares changed by hand that no longer sum to 100 are told once, when a share's editing ends
// (focus elsewhere, Enter) or "Далее" is pressed, never at each key: tellUnbalanced is hooked to
// the end of editing of the share boxes J1GL .. J6GL. The focus also leaves a share while the
// window is destroyed, when it is no longer a FormWindow: nothing is told then.
inline void tellWhenSharesLeft(FormWindow *form)
{
    for (QAbstractSpinBox *spin : form->controls<QAbstractSpinBox>())
        if (spin->objectName().startsWith(QLatin1Char('J')) && spin->objectName().endsWith(QLatin1String("GL")))
            QObject::connect(spin, &QAbstractSpinBox::editingFinished, form, [f = QPointer<QWidget>(form)] {
                if (auto *window = qobject_cast<FormWindow *>(f.data()))
                    tellUnbalanced(*window);
            });
}
