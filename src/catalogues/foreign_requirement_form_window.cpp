#include "catalogues/foreign_requirement_form_window.h"

#include "catalogues/foreign_grading.h"
#include "data/files.h"


namespace {

const QString kSquare = QStringLiteral("Квадратные");
const QString kRound = QStringLiteral("Круглые");

constexpr int kRowTop = 168;
constexpr int kRowStep = 24;
constexpr int kCellH = 21;

// Pictures of the size column by row (1-based groups) and of the limits.
const char *sizePicture(int row)
{
    if (row <= 2) return "n4.1";
    if (row <= 5) return "n5.2";
    if (row <= 7) return "n4.2";
    return "n5.3";
}

// ZR3.MGOST from what is entered now.
void reduce()
{
    ZR3.MGOST = foreign_grading::reduceToStandardSieves(ZR3.WWOD, foreign_grading::holeShapeFromText(ZR3.OTW.text()));
}

FormDecl makeDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEZR3N");
    d.file = &files::ZR3N;
    d.windowTitle = QStringLiteral("Ввести записи");
    d.insertTitle = QStringLiteral("Записи можно добавлять");
    d.changeTitle = QStringLiteral("Записи можно изменять");
    d.actionLine = QRect(16, 8, 284, 18);
    d.savePrompt = true;
    d.resizer = false;
    d.autoNumber = AutoNumber{files::key::ZR3_KEYNUM, QStringLiteral("ANUM"), QStringLiteral("ZR3N")};

    d.texts.push_back({QStringLiteral("LAND_PROMPT"), QStringLiteral("Страна:"), QRect(16, 30, 60, 21)});
    d.fields.push_back({QStringLiteral("LAND"), QStringLiteral("ZR3_LAND"), "s12", QRect(80, 30, 110, 21), true});
    d.texts.push_back({QStringLiteral("NAME_PROMPT"), QStringLiteral("Тип:"), QRect(16, 52, 60, 21)});
    d.fields.push_back({QStringLiteral("NAME"), QStringLiteral("ZR3_NAME"), "s12", QRect(80, 52, 110, 21), true});
    FormField shape{QStringLiteral("OTW"), QStringLiteral("OTW_BOX"), "s10", QRect(16, 74, 284, 46)};
    shape.kind = FormControlKind::Radio;
    shape.choices = QStringList{kSquare, kRound};
    shape.optionNames = QStringList{QStringLiteral("OTW_SQUARE"), QStringLiteral("OTW_ROUND")};
    shape.groupTitle = QStringLiteral("Форма отверстий");
    shape.horizontal = true;
    d.fields.push_back(shape);
    d.texts.push_back({QStringLiteral("SIEVES"), QStringLiteral("Сита для щебня"), QRect(16, 126, 120, 18)});
    d.texts.push_back({QStringLiteral("CONTENT"), QStringLiteral("Содержание зерен мельче заданного размера сит"),
                       QRect(130, 126, 320, 18)});
    d.texts.push_back({QStringLiteral("MIN"), QStringLiteral("MIN"), QRect(212, kRowTop - 4 - 16, 56, 16), true});
    d.texts.push_back({QStringLiteral("MAX"), QStringLiteral("MAX"), QRect(344, kRowTop - 4 - 16, 56, 16), true});
    for (int i = 1; i <= 12; ++i) {
        const int y = kRowTop + (i - 1) * kRowStep;
        const QString row = QString::number(i);
        const char *limit = i == 1 ? "n3" : "n4.1";
        d.texts.push_back({QStringLiteral("MM_") + row, QStringLiteral("мм:"), QRect(16, y, 30, kCellH)});
        d.fields.push_back({QStringLiteral("WWOD_") + row + QStringLiteral("_1"), QStringLiteral("ZR3_WWOD_") + row + QStringLiteral("_1"),
                            sizePicture(i), QRect(48, y, 60, kCellH)});
        d.texts.push_back({QStringLiteral("PMIN_") + row, QStringLiteral("% MIN:"), QRect(150, y, 58, kCellH), true});
        d.fields.push_back({QStringLiteral("WWOD_") + row + QStringLiteral("_2"), QStringLiteral("ZR3_WWOD_") + row + QStringLiteral("_2"),
                            limit, QRect(212, y, 56, kCellH)});
        d.texts.push_back({QStringLiteral("PMAX_") + row, QStringLiteral("% MAX:"), QRect(282, y, 58, kCellH), true});
        d.fields.push_back({QStringLiteral("WWOD_") + row + QStringLiteral("_3"), QStringLiteral("ZR3_WWOD_") + row + QStringLiteral("_3"),
                            limit, QRect(344, y, 56, kCellH)});
    }
    const int buttonsY = kRowTop + 12 * kRowStep + 12;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(244, buttonsY, 72, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Отменить"), QRect(328, buttonsY, 72, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(460, buttonsY + 25 + 14);

    // The reduction follows every event but the opening, so that an untouched record does not count as changed.
    d.eachEvent = [](FormWindow &) { reduce(); };
    return d;
}

} // namespace

const FormDecl &updateZr3nDecl()
{
    static const FormDecl decl = makeDecl();
    return decl;
}

FormWindow *UPDATEZR3N(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openForm(updateZr3nDecl(), request, caller, std::move(done), std::move(host));
}
