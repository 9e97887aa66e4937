#include "design/bitumen_change_window.h"

#include "data/files.h"
#include "design/design_step_ui.h"
#include "data/globals.h"
#include "design/bitumen.h"
#include "design/bitumen_step_window.h"

namespace {

// All of the window's own values start at 0 at each opening; the choice among them as well.
const char *const kContents[] = {"BITKIR", "BITKOROL", "BITSMA2", "BITELSE"};
const QString kOPTIM2 = QStringLiteral("OPTIM2");

void computeContents(FormWindow &form)
{
    const design::BitumenResult r =
        design::computeBitumen(design::bitumenInputOfDesign(), design::BitumenWindow::BITUMIZMENEN);
    form.setLocal(QStringLiteral("BITKIR"), design::shownContent(r.BITKIR, glob::YMINER));
    form.setLocal(QStringLiteral("BITKOROL"), design::shownContent(r.BITKOROL, glob::YMINER));
    form.setLocal(QStringLiteral("BITSMA2"), design::shownContent(r.BITSMA2, glob::YMINER));
}

void takeChosen(FormWindow &form)
{
    const design::BitumenChoices values{form.localNumber(QStringLiteral("BITKIR")),
                                        form.localNumber(QStringLiteral("BITKOROL")),
                                        form.localNumber(QStringLiteral("BITSMA2")),
                                        form.localNumber(QStringLiteral("BITELSE"))};
    glob::JBITGL = design::chosenBitumen(BYTE(form.localNumber(kOPTIM2)), values, glob::JBITGL);
}

// A computed content that is no bitumen content (below 0 or over 100 %) stands as it is,
// marked, and its radio button cannot take it.
void markContents(FormWindow &form)
{
    for (int i = 0; i < 3; ++i) {
        const QString name = QLatin1String(kContents[i]);
        const bool outside = !design::isBitumenContent(form.localNumber(name));
        markOutOfRange(form.control(name), outside, design::kNoContentTip);
        if (auto *option = form.control(QStringLiteral("OPTIM2_%1").arg(i + 1)))
            option->setEnabled(!outside);
    }
}

// Into the recipe record the form works on (its caller's).
void putIntoRecipe(FormWindow &)
{
    POD.BIT = glob::JBITGL;
    POD.DOBAW = glob::DOB_KA;
    POD.SODERZDOBAW = glob::SODERZDOBAWKI;
}

FormDecl makeBitumIzmenenDecl()
{
    FormDecl d = designStepForm(QStringLiteral("BITUMIZMENEN"), QStringLiteral("Изменить % битума"));
    d.size = QSize(436, 254);
    for (const char *name : kContents)
        d.locals.push_back({QLatin1String(name), Value(0.0)});
    d.locals.push_back({kOPTIM2, Value(qint64(0))});

    constexpr int kRow0 = 30, kStep = 28, kGroupY = 8;
    const char *prompts[] = {"по пористости:", "по уд.поверхности:", "Среднее или для ЩМА:", "другое:"};
    for (int i = 0; i < 4; ++i) {
        const QString name = QLatin1String(kContents[i]);
        const int y = kRow0 + i * kStep;
        d.texts.push_back({name + QStringLiteral("_PROMPT"), QString::fromUtf8(prompts[i]), QRect(8, y, 156, 21), true});
        FormField f{QString(), name, i < 3 ? design::kContentPicture : "n4.1", QRect(168, y, 52, 21)};
        f.local = name;
        d.fields.push_back(f);
    }
    FormField choice{QString(), kOPTIM2, "n1", QRect(230, kGroupY, 196, 4 * kStep + 22)};
    choice.kind = FormControlKind::Radio;
    choice.groupTitle = QStringLiteral("Назначьте  для нового замеса");
    choice.choices = QStringList{QString(), QString(), QString(), QString()};
    for (int i = 0; i < 4; ++i)
        choice.optionRects.push_back(QRect(88, kRow0 - kGroupY + i * kStep, 20, 21));
    choice.local = kOPTIM2;
    d.fields.push_back(choice);

    d.texts.push_back({QStringLiteral("JBITGL_PROMPT"), QStringLiteral("В %"), QRect(8, 150, 156, 21), true});
    FormField taken{QString(), QStringLiteral("JBITGL"), "n4.1", QRect(168, 150, 52, 21)};
    taken.var = FormVar::of(glob::JBITGL);
    d.fields.push_back(taken);
    d.texts.push_back({QStringLiteral("JBITGL_UNIT"), QStringLiteral("сверх 100"), QRect(226, 150, 90, 21)});

    d.texts.push_back({QStringLiteral("DOB_KA_PROMPT"), QStringLiteral("Добавка,%:"), QRect(8, 180, 156, 21), true});
    FormField additive{QString(), QStringLiteral("DOB_KA"), "s15", QRect(168, 180, 130, 21)};
    additive.var = FormVar::of(glob::DOB_KA);
    d.fields.push_back(additive);
    FormField content{QString(), QStringLiteral("SODERZDOBAWKI"), "n4.2", QRect(304, 180, 52, 21)};
    content.var = FormVar::of(glob::SODERZDOBAWKI);
    d.fields.push_back(content);

    // "Принять" puts the values into the recipe as it takes the focus; pressed, it closes the window.
    d.buttons.push_back({QStringLiteral("ACCEPT"), QStringLiteral("Принять"), QRect(168, 218, 90, 26), FormButtonRole::Other,
                         [](FormWindow &form) {
                             putIntoRecipe(form);
                             form.pressCancel();
                         },
                         -1, {}, putIntoRecipe});
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(266, 218, 90, 26), FormButtonRole::Ok, {}});

    d.fieldFocused = [](FormWindow &form, const QString &objectName) {
        if (objectName == QLatin1String("BITKIR")) {
            computeContents(form);
            form.refreshWindow();
        }
    };
    d.fieldAccepted = [](FormWindow &form, const QString &objectName) {
        if (objectName == kOPTIM2)
            takeChosen(form);
    };
    d.refreshWindow = markContents;
    return d;
}

} // namespace

const FormDecl &bitumIzmenenDecl()
{
    static const FormDecl decl = makeBitumIzmenenDecl();
    return decl;
}

FormWindow *BITUMIZMENEN(QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    glob::DMM = design::STANDARD_DMM;
    FormWindow *form = openForm(bitumIzmenenDecl(), glob::NoRequest, caller, std::move(done), std::move(host));
    if (form) {
        computeContents(*form);
        form->refreshWindow();
    }
    return form;
}
