#include "catalogues/updatezr3n_window.h"

#include "catalogues/foreign_grading.h"
#include "data/files.h"
#include "data/globals.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

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
    foreign_grading::ForeignRows rows{};
    for (int i = 0; i < 12; ++i)
        for (int k = 0; k < 3; ++k)
            rows[i][k] = ZR3.WWOD[i][k];
    const foreign_grading::Band band =
        foreign_grading::reduceToStandardSieves(rows, foreign_grading::holeShapeFromText(ZR3.OTW.text()));
    for (int j = 0; j < 11; ++j)
        for (int k = 0; k < 2; ++k)
            ZR3.MGOST[j][k] = band[j][k];
}

// The hole-shape radio group; the text of the chosen button is stored in ZR3.OTW.
void chooseShape(FormWindow &form, const QString &text)
{
    {
        FormWindow::BufferClaim claim(form);
        ZR3.OTW = text;
    }
    form.refreshWindow();
}

QButtonGroup *existingShapeGroup(FormWindow &form) { return form.findChild<QButtonGroup *>(QStringLiteral("OTW_GROUP")); }

QButtonGroup *shapeGroup(FormWindow &form)
{
    if (QButtonGroup *group = existingShapeGroup(form))
        return group;
    auto *box = new QGroupBox(QStringLiteral("Форма отверстий"), &form);
    box->setObjectName(QStringLiteral("OTW_BOX"));
    box->setGeometry(16, 74, 284, 46);
    auto *group = new QButtonGroup(&form);
    group->setObjectName(QStringLiteral("OTW_GROUP"));
    const QString texts[2] = {kSquare, kRound};
    const char *names[2] = {"OTW_SQUARE", "OTW_ROUND"};
    for (int b = 0; b < 2; ++b) {
        auto *radio = new QRadioButton(texts[b], box);
        radio->setObjectName(QLatin1String(names[b]));
        radio->setGeometry(12 + b * 136, 20, 124, 20);
        group->addButton(radio, b);
        QObject::connect(radio, &QRadioButton::toggled, &form, [&form, radio](bool on) {
            if (on) chooseShape(form, radio->text());
        });
    }
    return group;
}

// REFRESHWINDOW: the reduction, the action message and the radio buttons from the record.
// The reduction runs on every event but the opening one (the radio group does not exist yet),
// so that an untouched record does not count as changed.
void refresh(FormWindow &form)
{
    if (existingShapeGroup(form))
        reduce();
    if (auto *action = form.findChild<QLabel *>(QStringLiteral("ACTIONMESSAGE"))) {
        const LONG request = form.originalRequest();
        action->setText(request == glob::InsertRecord   ? QStringLiteral("Записи можно добавлять")
                        : request == glob::ChangeRecord ? QStringLiteral("Записи можно изменять")
                                                        : QString());
    }
    QButtonGroup *group = shapeGroup(form);
    const QString otw = ZR3.OTW.text().trimmed();
    QAbstractButton *wanted = otw == kSquare ? group->button(0) : otw == kRound ? group->button(1) : nullptr;
    const QSignalBlocker b0(group->button(0)), b1(group->button(1));
    group->setExclusive(false); // no shape chosen: both buttons off
    for (QAbstractButton *button : group->buttons())
        button->setChecked(button == wanted);
    group->setExclusive(true);
}

FormDecl makeDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEZR3N");
    d.file = &files::ZR3N;
    d.windowTitle = QStringLiteral("Ввести записи"); // the action message has its own line
    d.savePrompt = true;
    d.resizer = false;
    d.autoNumber = AutoNumber{files::key::ZR3_KEYNUM, QStringLiteral("ANUM"), QStringLiteral("ZR3N")};

    d.texts.push_back({QStringLiteral("ACTIONMESSAGE"), QString(), QRect(16, 8, 284, 18)});
    d.texts.push_back({QStringLiteral("LAND_PROMPT"), QStringLiteral("Страна:"), QRect(16, 30, 60, 21)});
    d.fields.push_back({QStringLiteral("LAND"), QStringLiteral("ZR3_LAND"), "s12", QRect(80, 30, 110, 21), true});
    d.texts.push_back({QStringLiteral("NAME_PROMPT"), QStringLiteral("Тип:"), QRect(16, 52, 60, 21)});
    d.fields.push_back({QStringLiteral("NAME"), QStringLiteral("ZR3_NAME"), "s12", QRect(80, 52, 110, 21), true});
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

    d.fieldAccepted = [](FormWindow &, const QString &) {}; // the engine then redisplays: refresh reduces
    d.refreshWindow = refresh;
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
