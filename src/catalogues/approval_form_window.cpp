#include "catalogues/approval_form_window.h"

#include "data/files.h"
#include "data/globals.h"

namespace {

constexpr int kLabelX = 8, kLabelW = 196, kFieldX = 210, kRowH = 21;

struct Row {
    const char *column;
    const char *label;
    const char *picture;
    int y;
};

// The fields in tab order; the captions between them are placed by their own rows.
constexpr Row kRows[] = {
    {"REGION", "КлючРецепт/Объект:", "s20", 34},
    {"DOROGA", "на автодороге:", "s20", 88},
    {"KONSTRUKTIV", "для конструктива:", "s20", 112},
    {"SOGLFIRMA", "Согласующая организация:", "s25", 146},
    {"SOGLDOLJN", "Должность:", "s20", 170},
    {"SOGLFIO", "ФИО:", "s20", 194},
    {"FIRMA", "Утверждающая организация:", "s25", 228},
    {"DOLJN1", "Должность:", "s20", 252},
    {"FIO1", "ФИО:", "s20", 276},
    {"ISPOLNIT2", "Должность:", "s20", 334},
    {"FAM2", "ФИО:", "s20", 358},
};

FormDecl makeDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATENASTROJKI");
    d.file = &files::NASTROJK;
    d.windowTitle = QStringLiteral("Исходные данные");
    d.insertTitle = QStringLiteral("Добавить настройки в базу");
    d.changeTitle = QStringLiteral("Изменить настройки");
    d.savePrompt = false;
    d.resizer = true;

    // One page "Настройки"; its rows in page coordinates.
    d.tabs = QStringList{QStringLiteral("Настройки")};
    d.sheet = QRect(6, 6, 458, 380);
    constexpr int kPageTop = 26; // the rows' places were laid out below a caption of that height
    d.texts.push_back({QStringLiteral("WHERE_USED"), QStringLiteral("Где используется смесь"), QRect(16, 64 - kPageTop, 300, 18), false, 0});
    d.texts.push_back({QStringLiteral("TESTER"), QStringLiteral("Ответственный за испытания"), QRect(16, 310 - kPageTop, 300, 18), false, 0});
    for (const Row &r : kRows) {
        const QString column = QLatin1String(r.column);
        const int width = r.picture[1] == '2' && r.picture[2] == '5' ? 230 : 190;
        const int y = r.y - kPageTop;
        d.texts.push_back({column + QStringLiteral("_PROMPT"), QString::fromUtf8(r.label), QRect(kLabelX, y, kLabelW, kRowH), true, 0});
        FormField f{column, QStringLiteral("NAS_") + column, r.picture, QRect(kFieldX, y, width, kRowH), true};
        f.tab = 0;
        d.fields.push_back(f);
    }
    const int buttonsY = 396;
    d.buttons.push_back({QStringLiteral("HELP"), QStringLiteral("Help"), QRect(196, buttonsY, 80, 25), FormButtonRole::Help, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Отменить"), QRect(284, buttonsY, 80, 25),
                         FormButtonRole::Cancel, {}});
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(372, buttonsY, 80, 25), FormButtonRole::Ok, {}});
    d.size = QSize(470, buttonsY + 25 + 14);
    return d;
}

} // namespace

const FormDecl &updateNastrojkiDecl()
{
    static const FormDecl decl = makeDecl();
    return decl;
}

FormWindow *UPDATENASTROJKI(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    auto returned = [done = std::move(done)](LONG response) {
        glob::OBEKT = NAS.REGION; // saved or not: the record last opened is the one the forms print
        if (done) done(response);
    };
    return openForm(updateNastrojkiDecl(), request, caller, std::move(returned), std::move(host));
}
