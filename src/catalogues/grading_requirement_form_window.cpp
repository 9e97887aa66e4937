#include "catalogues/grading_requirement_form_window.h"

#include "data/files.h"
#include "data/sieves.h"

namespace {

constexpr int kRowTop = 84;
constexpr int kRowStep = 25;
constexpr int kLabelX = 16, kLabelW = 84;
constexpr int kMinX = 108, kMaxX = 168, kCellW = 48, kCellH = 21;

FormDecl makeDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATENORMA");
    d.file = &files::NORMA;
    d.windowTitle = QStringLiteral("Редактор требований");
    d.insertTitle = QStringLiteral("Добавить Тип");
    d.changeTitle = QStringLiteral("Изменить требования");
    d.savePrompt = false;
    d.resizer = true;

    d.texts.push_back({QStringLiteral("NOR_TYPASPH_PROMPT"), QStringLiteral("Tип смеси"), QRect(16, 14, 84, 21)});
    d.fields.push_back({QStringLiteral("TYPASPH"), QStringLiteral("NOR_TYPASPH"), "s10", QRect(108, 14, 108, 21), true});
    d.texts.push_back({QStringLiteral("CAPTION"), QStringLiteral("Пределы полных проходов в %"), QRect(16, 44, 220, 18)});
    d.texts.push_back({QStringLiteral("MIN"), QStringLiteral("min"), QRect(kMinX, 62, kCellW, 18), true});
    d.texts.push_back({QStringLiteral("MAX"), QStringLiteral("max"), QRect(kMaxX, 62, kCellW, 18), true});
    for (int j = 0; j < 11; ++j) {
        const int y = kRowTop + j * kRowStep;
        const QString row = QString::number(j + 1);
        d.texts.push_back({QStringLiteral("SIEVE_") + row, QString::fromUtf8(sieves::LABELS[j]) + QStringLiteral(" мм:"),
                           QRect(kLabelX, y, kLabelW, kCellH), true});
        for (int k = 1; k <= 2; ++k) {
            const QString element = row + QLatin1Char('_') + QString::number(k);
            d.fields.push_back({QStringLiteral("DNORM2_") + element, QStringLiteral("NOR_DNORM2_") + element, "n3",
                                QRect(k == 1 ? kMinX : kMaxX, y, kCellW, kCellH)});
        }
    }
    const int buttonsY = kRowTop + 11 * kRowStep + 14;
    d.buttons.push_back({QStringLiteral("HELP"), QStringLiteral("Help"), QRect(16, buttonsY, 64, 25), FormButtonRole::Help, {}});
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(88, buttonsY, 64, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Cancel"), QRect(160, buttonsY, 64, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(240, buttonsY + 25 + 14);
    return d;
}

} // namespace

const FormDecl &updateNormaDecl()
{
    static const FormDecl decl = makeDecl();
    return decl;
}

FormWindow *UPDATENORMA(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openForm(updateNormaDecl(), request, caller, std::move(done), std::move(host));
}
