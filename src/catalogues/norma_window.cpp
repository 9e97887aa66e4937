#include "catalogues/norma_window.h"

#include "catalogues/updatenorma_window.h"
#include "data/files.h"
#include "data/globals.h"

namespace {

// The sieves shown, as indexes of the standard sieves (40 ... 0,071 mm), with their headings.
struct ShownSieve {
    int index;
    const char *size;
};
constexpr ShownSieve kShownSieves[] = {{0, "40"}, {1, "20"}, {2, "15"}, {3, "10"}, {4, "5"}, {7, "0,63"}, {10, "0,071"}};

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
    for (const ShownSieve &s : kShownSieves) {
        const int j = s.index;
        const QString size = QString::fromUtf8(s.size);
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
