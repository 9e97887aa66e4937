#include "design/bitumen_step_window.h"

#include "data/files.h"
#include "design/design_step_ui.h"
#include "data/globals.h"
#include "design/bitumen_change_window.h"

#include <QPointer>
#include <QTimer>

using design::BitumenWindow;

namespace {

const QString kBITKIR = QStringLiteral("BITKIR");
const QString kBITKOROL = QStringLiteral("BITKOROL");
const QString kBITELSE = QStringLiteral("BITELSE");

// The three computed contents, steps 1 to 11, into their fields; BITELSE keeps what was typed.
void computeContents(FormWindow &form)
{
    const design::BitumenResult r = design::computeBitumen(design::bitumenInputOfDesign(), BitumenWindow::BITUMRASZ);
    form.setLocal(kBITKIR, design::shownContent(r.BITKIR, glob::YMINER));
    form.setLocal(kBITKOROL, design::shownContent(r.BITKOROL, glob::YMINER));
    glob::BITSMA2 = design::shownContent(r.BITSMA2, glob::YMINER);
    glob::YMP0I071 = r.YMP0I071;
}

// The radio button chosen: JBITGL takes that value as it stands in its field.
void takeChosen(FormWindow &form)
{
    const design::BitumenChoices values{form.localNumber(kBITKIR), form.localNumber(kBITKOROL), glob::BITSMA2,
                                        form.localNumber(kBITELSE)};
    glob::JBITGL = design::chosenBitumen(glob::OPTIM2, values, glob::JBITGL);
}

// A computed content that is no bitumen content (below 0 or over 100 %) stands as it is,
// marked, and its radio button cannot take it.
void markContents(FormWindow &form)
{
    const REAL values[3] = {form.localNumber(kBITKIR), form.localNumber(kBITKOROL), glob::BITSMA2};
    const char *fields[3] = {"BITKIR", "BITKOROL", "BITSMA2"};
    for (int i = 0; i < 3; ++i) {
        const bool outside = !design::isBitumenContent(values[i]);
        markOutOfRange(form.control(QLatin1String(fields[i])), outside, design::kNoContentTip);
        if (auto *option = form.control(QStringLiteral("OPTIM2_%1").arg(i + 1)))
            option->setEnabled(!outside);
    }
}

// The grade is kept in its first 12 characters, as MARKABIT holds it.
FormVar gradeVar()
{
    return {[] { return Value(glob::MARKABIT.raw()); },
            [](const Value &v) {
                const auto *b = std::get_if<QByteArray>(&v);
                return b && glob::MARKABIT.setRaw(b->left(12)) == StoreResult::Ok;
            },
            ColumnType::Text, 20};
}

FormDecl makeBitumRaszDecl()
{
    FormDecl d =
        designStepForm(QStringLiteral("BITUMRASZ"), QStringLiteral("Расчетное содержание битума, % сверх 100"));
    d.size = QSize(480, 246);
    d.locals = {{kBITKIR, Value(0.0)}, {kBITKOROL, Value(0.0)}, {kBITELSE, Value(0.0)}};

    // The four contents one under another; beside each its radio button, labelled with the method.
    constexpr int kRow0 = 28, kStep = 28, kGroupY = 6;
    const char *names[] = {"BITKIR", "BITKOROL", "BITSMA2", "BITELSE"};
    for (int i = 0; i < 4; ++i) {
        FormField f{QString(), QLatin1String(names[i]), i < 3 ? design::kContentPicture : "n4.1",
                    QRect(8, kRow0 + i * kStep, 52, 21)};
        if (i == 2)
            f.var = FormVar::of(glob::BITSMA2);
        else
            f.local = QLatin1String(names[i]);
        d.fields.push_back(f);
    }
    FormField choice{QString(), QStringLiteral("OPTIM2"), "n1", QRect(66, kGroupY, 262, 4 * kStep + 24)};
    choice.kind = FormControlKind::Radio;
    choice.groupTitle = QStringLiteral("Выбрать для пробного замеса");
    choice.choices = QStringList{QStringLiteral("- по пористости."), QStringLiteral("- по уд.поверхности."),
                                 QStringLiteral("- среднее или для ЩМА."), QStringLiteral("- другое по опыту.")};
    for (int i = 0; i < 4; ++i)
        choice.optionRects.push_back(QRect(8, kRow0 - kGroupY + i * kStep, 246, 21));
    choice.var = FormVar::of(glob::OPTIM2);
    d.fields.push_back(choice);

    d.texts.push_back({QStringLiteral("JBITGL_PROMPT"), QStringLiteral("Для пробного замеса:"), QRect(8, 152, 150, 21)});
    FormField taken{QString(), QStringLiteral("JBITGL"), "n4.1", QRect(160, 152, 52, 21)};
    taken.var = FormVar::of(glob::JBITGL);
    d.fields.push_back(taken);

    d.texts.push_back({QStringLiteral("BIT_MARBIT_PROMPT"), QStringLiteral("Битум:"), QRect(8, 184, 60, 21)});
    FormField grade{QString(), QStringLiteral("BIT_MARBIT"), "s20", QRect(70, 184, 190, 22)};
    grade.kind = FormControlKind::DropList;
    grade.var = gradeVar();
    grade.listFile = {&files::BITUMEN, files::key::BIT_KEYBIT, QStringLiteral("MARBIT"),
                      [](FormWindow &) { glob::MARKABIT.setRaw(BIT.MARBIT.raw().left(12)); }};
    d.fields.push_back(grade);

    d.texts.push_back({QStringLiteral("DOB_NAME_PROMPT"), QStringLiteral("Добавка:"), QRect(8, 214, 60, 21)});
    FormField additive{QString(), QStringLiteral("DOB_NAME"), "s20", QRect(70, 214, 190, 22)};
    additive.kind = FormControlKind::DropList;
    additive.var = FormVar::of(glob::DOB_KA);
    additive.tip = QStringLiteral("Наименование");
    additive.listFile = {&files::DOBAWKA, files::key::DOB_KEYNAME, QStringLiteral("NAME"), [](FormWindow &) {
                             glob::DOB_KA = DOB.NAME;
                             glob::COSTDOB_KA = DOB.COSTDOB_KI;
                             glob::SODERZDOBAWKI = DOB.SODERZAN;
                         }};
    d.fields.push_back(additive);

    constexpr int kButtonX = 340, kButtonW = 130;
    d.buttons.push_back(designCallButton(QStringLiteral("COST"), QStringLiteral("Оценить стоимость"),
                                         QRect(kButtonX, 12, kButtonW, 26), QStringLiteral("COST")));
    d.buttons.push_back(designCallButton(QStringLiteral("PRINT"), QStringLiteral("Распечатать"),
                                         QRect(kButtonX, 44, kButtonW, 26), QStringLiteral("OTZET1REZEPT")));
    // Saved as a recipe, the design is over: the window closes when the saving returns with the
    // recipe written. Not written (the dialog closed without it), the design stays in hand.
    d.buttons.push_back(designCallButton(QStringLiteral("SAVE"), QStringLiteral("Сохранить подбор"),
                                         QRect(kButtonX, 76, kButtonW, 26), QStringLiteral("UPDATECILDPODBOR"),
                                         [](FormWindow &form, LONG response) {
                                             if (response != glob::RequestCompleted)
                                                 return;
                                             QPointer<FormWindow> f = &form;
                                             QTimer::singleShot(0, &form, [f] { if (f) f->pressCancel(); });
                                         }));
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(kButtonX, 152, kButtonW, 26), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Назад"), QRect(kButtonX, 184, kButtonW, 26),
                         FormButtonRole::Cancel, {}});

    // The calculation runs whenever the first field is selected, the opening included.
    d.fieldFocused = [](FormWindow &form, const QString &objectName) {
        if (objectName == kBITKIR) {
            computeContents(form);
            form.refreshWindow();
        }
    };
    d.fieldAccepted = [](FormWindow &form, const QString &objectName) {
        if (objectName == QLatin1String("OPTIM2"))
            takeChosen(form);
    };
    d.refreshWindow = markContents;
    return d;
}

} // namespace

const FormDecl &bitumRaszDecl()
{
    static const FormDecl decl = makeBitumRaszDecl();
    return decl;
}

FormWindow *BITUMRASZ(QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    glob::DMM = design::STANDARD_DMM;
    FormWindow *form = openForm(bitumRaszDecl(), glob::NoRequest, caller, std::move(done), std::move(host));
    if (form) { // the first field's selection may wait for the window to be activated: compute now
        computeContents(*form);
        form->refreshWindow();
    }
    return form;
}

void registerBitumenProcedures()
{
    registerCalledProcedure(QStringLiteral("BITUMRASZ"),
                            [](QWidget *caller, std::function<void(LONG)> done) { BITUMRASZ(caller, std::move(done)); });
    registerCalledProcedure(QStringLiteral("BITUMIZMENEN"),
                            [](QWidget *caller, std::function<void(LONG)> done) { BITUMIZMENEN(caller, std::move(done)); });
}
