#include "design/recipe_save_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "data/recipe_state.h"
#include "framework/fileservices.h"
#include "framework/picture.h"
#include "framework/procedures_ui.h"
#include "framework/warnings.h"

namespace {

const QString kWritten = QStringLiteral("WRITTEN");         // 1 once this dialog wrote the design
const QString kWrittenNumber = QStringLiteral("WRITTEN_NUM"); // ... under this number

// Writes the design as a new recipe under the number in the record, unless this dialog has
// written it under that number already (the focus arriving again writes no second copy).
// A number another recipe has is written only when `mayAsk` and the user agrees; otherwise
// nothing is written and the number is offered for a change. A failed add writes nothing: the
// warning is shown and false returned.
bool writeDesign(FormWindow &form, bool mayAsk)
{
    const REAL number = POD.NUM;
    if (form.localNumber(kWritten) != 0 && form.localNumber(kWrittenNumber) == number)
        return true;
    if (otherRecipeNumbered(number) && !(mayAsk && recipeNumberAgreed(number))) {
        if (mayAsk) // refused: the number, selected, for another one
            if (FieldEdit *edit = form.field(QStringLiteral("POD_NUM"))) {
                edit->setFocus(Qt::OtherFocusReason);
                edit->selectAll();
            }
        return false;
    }
    DataFile &file = files::PODBOR;
    recipe_state::storeDesign(POD, number, dates::today());
    POD.PLOTN = 0; // measured later, for this recipe: nothing of the record the buffer held before
    POD.PORMZ = 0;
    POD.POROSTAT = 0;
    if (file.add() == FileError::None) {
        form.setLocal(kWritten, Value(qint64(1)));
        form.setLocal(kWrittenNumber, Value(number));
        form.setResponse(glob::RequestCompleted); // however the dialog is closed now
        return true;
    }
    saveError();
    // The message box lets other windows work, which may read the file into its buffer.
    const Row record = file.buffer().save();
    const DataFile::ReadState state = file.readState();
    STANDARDWARNING(14);
    file.buffer().load(record);
    file.restoreReadState(state);
    return false;
}

FormDecl makeDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATECILDPODBOR");
    d.file = &files::PODBOR;
    d.windowTitle = QStringLiteral("Update the PODBOR File");
    d.changeTitle = QStringLiteral("Record Will Be Changed");
    d.allowInsert = false;
    d.allowDelete = false;
    d.resizer = false;
    d.size = QSize(236, 134);
    d.locals = {{kWritten, Value(qint64(0))}, {kWrittenNumber, Value(0.0)}};

    d.tabs = QStringList{QStringLiteral("Записать")};
    d.sheet = QRect(6, 6, 224, 84);
    d.texts.push_back({QStringLiteral("SOSTAV"), QStringLiteral("состав смеси"), QRect(10, 8, 120, 20), false, 0});
    d.texts.push_back({QStringLiteral("POD_NUM_PROMPT"), QStringLiteral("под номером:"), QRect(10, 32, 96, 21), false, 0});
    FormField number{QStringLiteral("NUM"), QStringLiteral("POD_NUM"), "n6", QRect(110, 32, 64, 21)};
    number.tab = 0;
    d.fields.push_back(number);

    constexpr int kButtonsY = 98;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(6, kButtonsY, 68, 26), FormButtonRole::Ok, {}});
    FormButton write{QStringLiteral("ZAPIS"), QStringLiteral("Запись"), QRect(84, kButtonsY, 68, 26), FormButtonRole::Other,
                     [](FormWindow &form) {
                         if (writeDesign(form, true))
                             closeHostedWindow(&form);
                     }};
    // The focus arriving writes a free number at once; a taken one waits for the press, which
    // asks (one question for one click).
    write.focused = [](FormWindow &form) { writeDesign(form, false); };
    d.buttons.push_back(write);
    d.buttons.push_back({QStringLiteral("HELP"), QStringLiteral("Help"), QRect(162, kButtonsY, 68, 26), FormButtonRole::Help, {}});
    return d;
}

} // namespace

bool recipeNumberAgreed(REAL number, Position except)
{
    const std::optional<PodborRecord> holder = otherRecipeNumbered(number, except);
    if (!holder)
        return true;
    const QString text =
        QStringLiteral("Номер %1 уже носит рецепт «%2» от %3. Записи испытаний связываются с рецептом по номеру.\n"
                       "Записать ещё один рецепт под этим номером?")
            .arg(number)
            .arg(holder->OBEKT.text().trimmed(), Picture::of("d6").formatDate(holder->DATE));
    return showMessage(text, QStringLiteral("Номер рецепта занят"), MessageIcon::Question, MsgYes | MsgNo, MsgNo) == MsgYes;
}

const FormDecl &updateCildPodborDecl()
{
    static const FormDecl decl = makeDecl();
    return decl;
}

FormWindow *UPDATECILDPODBOR(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    FormWindow *form = openForm(updateCildPodborDecl(), request, caller, std::move(done), std::move(host));
    if (form && form->originalRequest() == glob::ChangeRecord) {
        FormWindow::BufferClaim claim(*form);
        form->setWindowTitle(form->windowTitle() + QStringLiteral("  (") + QString::number(POD.NUM) + QLatin1Char(')'));
    } else if (form) { // a new recipe: the number no recipe has, not the one of the recipe read last
        FormWindow::BufferClaim claim(*form);
        POD.NUM = nextFreeRecipeNumber();
        form->refreshWindow();
    }
    return form;
}
