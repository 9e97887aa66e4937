#include "design/recipe_edit_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "data/recipe_state.h"
#include "design/design_step_ui.h"
#include "design/recipe_save_window.h"
#include "framework/fileservices.h"

#include <QPointer>
#include <QTimer>

namespace {

const QString kDensity = QStringLiteral("POD_PLOTN");
const QString kNumber = QStringLiteral("POD_NUM");
const QString kOpenedNumber = QStringLiteral("OPENED_NUM"); // the number the changed recipe had
const QString kAgreedNumber = QStringLiteral("AGREED_NUM"); // a taken number the user agreed to (-1: none)
const QString kRefusedNumber = QStringLiteral("REFUSED_NUM"); // ... refused, within the action that asked

// A number another recipe has is given only when the user agrees to the question naming that
// recipe (asked once per number typed, and once per action: OK accepts the number typed, then
// checks every field); the recipe keeps its own number without a question. Refused, the number
// stays selected for another one.
bool numberAgreed(FormWindow &form)
{
    const REAL number = POD.NUM;
    const bool change = form.originalRequest() == glob::ChangeRecord;
    if ((change && number == form.localNumber(kOpenedNumber)) || number == form.localNumber(kAgreedNumber))
        return true;
    if (number == form.localNumber(kRefusedNumber) ||
        !recipeNumberAgreed(number, change ? files::PODBOR.position() : Position{})) {
        if (number != form.localNumber(kRefusedNumber)) {
            form.setLocal(kRefusedNumber, number);
            QTimer::singleShot(0, &form, [f = QPointer<FormWindow>(&form)] {
                if (f)
                    f->setLocal(kRefusedNumber, -1.0);
            });
        }
        if (FieldEdit *edit = form.field(kNumber))
            edit->selectAll();
        return false;
    }
    form.setLocal(kAgreedNumber, number);
    return true;
}

// The recipe's mean density from its weighing record (OBR:NUMMER = POD:NUM). Without one the
// density stays as it is; number 0 is that of the weighings no recipe owns.
void densityFromWeighing(FormWindow &form)
{
    glob::NUMMER = POD.NUM;
    if (POD.NUM == 0)
        return;
    FileUse use(files::OBRGIDRO);
    if (!use.ok())
        return;
    files::OBRGIDRO.buffer().clear();
    OBR.NUMMER = POD.NUM;
    if (files::OBRGIDRO.get(files::key::OBR_KEYNUMMER) != FileError::None)
        return;
    POD.PLOTN = OBR.PLOT;
    form.refreshWindow();
}

FormDecl makeDecl()
{
    FormDecl d = designStepForm(QStringLiteral("UPDATEPODBOR"), QStringLiteral("Изменить..."));
    d.changeTitle = QStringLiteral("Изменить данные состава");
    d.actionLine = QRect(8, 6, 300, 18);
    d.size = QSize(412, 268);
    // Each button stands beside its value: moved apart by the resizer (buttons keep to the nearer
    // edge, fields scale) they would no longer pair up. Enlarged, the form keeps its layout.
    d.resizer = false;
    d.locals = {{kOpenedNumber, Value(0.0)}, {kAgreedNumber, Value(-1.0)}, {kRefusedNumber, Value(-1.0)}};

    auto field = [&d](const char *column, const char *picture, QRect rect) {
        d.fields.push_back({QLatin1String(column), QStringLiteral("POD_") + QLatin1String(column), picture, rect});
    };
    auto prompt = [&d](const char *name, const char *text, QRect rect) {
        d.texts.push_back({QLatin1String(name), QString::fromUtf8(text), rect});
    };
    prompt("POD_NUM_PROMPT", "Номер рецепта:", QRect(8, 30, 108, 21));
    // n6, as the number is written: a recipe numbered above 999 stays editable.
    field("NUM", "n6", QRect(120, 30, 64, 21));
    prompt("POD_DATE_PROMPT", "Дату:", QRect(200, 30, 44, 21));
    field("DATE", "d5_", QRect(246, 30, 96, 21));
    prompt("POD_TYPASPH_PROMPT", "Вид смеси:", QRect(8, 58, 108, 21));
    // The whole field: a shorter picture would cut a longer kind ("Superpave") as OK accepts it.
    field("TYPASPH", "s20", QRect(120, 58, 160, 21));

    // Each button beside the value it works out; the mechanical tests have no value here.
    constexpr int kButtonX = 8, kButtonW = 300, kFieldX = 316;
    const int rows[] = {92, 124, 156, 188};
    d.buttons.push_back(designCallButton(QStringLiteral("COST"), QStringLiteral("Стоимость смеси, в принятых УЕ"),
                                         QRect(kButtonX, rows[0], kButtonW, 26), QStringLiteral("COST")));
    field("COSTSMESI", "n10.2", QRect(kFieldX, rows[0] + 2, 88, 21));
    d.buttons.push_back(designCallButton(QStringLiteral("BITUMEN"), QStringLiteral("Содержание битума, %св.100 и добавку"),
                                         QRect(kButtonX, rows[1], kButtonW, 26), QStringLiteral("BITUMIZMENEN")));
    field("BIT", "n5.2", QRect(kFieldX, rows[1] + 2, 60, 21));
    d.buttons.push_back(designCallButton(QStringLiteral("WEIGHING"), QStringLiteral("Среднюю плотность, г/см3 и объемометрию"),
                                         QRect(kButtonX, rows[2], kButtonW, 26), QStringLiteral("BROWSEOBR2")));
    field("PLOTN", "n5.3", QRect(kFieldX, rows[2] + 2, 60, 21));
    d.buttons.push_back(designCallButton(QStringLiteral("MECHANICAL"), QStringLiteral("Прочность и другие механические свойства"),
                                         QRect(kButtonX, rows[3], kButtonW, 26), QStringLiteral("BROWSEREZGUR")));
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(236, 230, 80, 26), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Отменить"), QRect(324, 230, 80, 26), FormButtonRole::Cancel, {}});
    d.tabOrder = QStringList{QStringLiteral("POD_NUM"), QStringLiteral("POD_DATE"), QStringLiteral("POD_TYPASPH"),
                             QStringLiteral("COST"), QStringLiteral("POD_COSTSMESI"), QStringLiteral("BITUMEN"),
                             QStringLiteral("POD_BIT"), QStringLiteral("WEIGHING"), kDensity,
                             QStringLiteral("MECHANICAL"), QStringLiteral("OK"), QStringLiteral("CANCEL")};

    d.fieldFocused = [](FormWindow &form, const QString &objectName) {
        if (objectName == kDensity)
            densityFromWeighing(form);
    };
    d.fieldAccepted = [](FormWindow &form, const QString &objectName) {
        if (objectName == kDensity)
            densityFromWeighing(form);
    };
    d.validateField = [](FormWindow &form, const QString &objectName) {
        return objectName != kNumber || numberAgreed(form);
    };
    // A new recipe is offered the next free number.
    d.primeFields = [](FormWindow &) {
        POD.NUM = nextFreeRecipeNumber();
        return true;
    };
    return d;
}

} // namespace

const FormDecl &updatePodborDecl()
{
    static const FormDecl decl = makeDecl();
    return decl;
}

FormWindow *UPDATEPODBOR(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    if (request != glob::DeleteRecord) // the recipe the list left in the buffer (empty for an insert)
        recipe_state::loadRecipe(POD);
    const REAL opened = POD.NUM;
    FormWindow *form = openForm(updatePodborDecl(), request, caller, std::move(done), std::move(host));
    if (form)
        form->setLocal(kOpenedNumber, opened);
    return form;
}
