#include "catalogues/grading_requirements_window.h"

#include "catalogues/grading_requirement_form_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/sieves.h"

namespace {

// The sieves shown, as indexes of the standard sieves (40 ... 0,071 mm).
constexpr int kShownSieves[] = {0, 1, 2, 3, 4, 7, 10};

} // namespace

BrowseDeclaration BROUSENORMA1Declaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROUSENORMA1");
    d.title = QStringLiteral("Требования к зерновому составу минеральной части");
    d.file = &files::NORMA;
    d.fileName = QStringLiteral("NORMA");
    d.orders.push_back({QStringLiteral("%мельче, мм"), QString(), files::key::NOR_KEYTYP,
                        BrowseKeyField::text(NOR.TYPASPH), true});
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Тип смеси"), "s10", NOR.TYPASPH));
    for (const int j : kShownSieves) {
        const QString size = QString::fromUtf8(sieves::LABELS[j]);
        d.columns.push_back(BrowseColumn::number(QStringLiteral("мин") + size, "n5.1", [j] { return NOR.DNORM2[j][0]; }));
        d.columns.push_back(BrowseColumn::number(QStringLiteral("мах") + size, "n5.1", [j] { return NOR.DNORM2[j][1]; }));
    }
    d.insert = BrowseButton{QStringLiteral("&Добавить"), QStringLiteral("INSERT_2")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE_2")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE_2")};
    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT_2")};
    d.help = BrowseButton{QStringLiteral("Help"), QStringLiteral("HELP")};
    d.updateForm = UPDATENORMA;
    return d;
}

BrowseWindow *BROUSENORMA1() { return new BrowseWindow(BROUSENORMA1Declaration()); }
