#include "catalogues/foreign_requirements_window.h"

#include "catalogues/foreign_requirement_form_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/sieves.h"

BrowseDeclaration BROWSEZR3NDeclaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROWSEZR3N");
    d.title = QStringLiteral("Зерновые составы смесей, приведенные к стандартным ситам");
    d.file = &files::ZR3N;
    d.fileName = QStringLiteral("ZR3N");
    d.orders.push_back({QStringLiteral("Номер"), QString(), files::key::ZR3_KEYNUM, BrowseKeyField::real(ZR3.ANUM), false});
    d.orders.push_back({QStringLiteral("Страна"), QString(), files::key::ZR3_KEYLAND, BrowseKeyField::text(ZR3.LAND), false});
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Страна"), "s12", ZR3.LAND));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Тип"), "s12", ZR3.NAME));
    for (int j = 0; j < 11; ++j) {
        const QString size = QString::fromUtf8(sieves::LABELS[j]);
        // n5.1 throughout: the narrower n4.1 cannot show a limit of 100 on the fine sieves
        d.columns.push_back(BrowseColumn::number(size + QStringLiteral("min"), "n5.1", [j] { return ZR3.MGOST[j][0]; }));
        d.columns.push_back(BrowseColumn::number(size + QStringLiteral("max"), "n5.1",
                                                 [j] { return ZR3.MGOST[j][1]; }));
    }
    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT_2")};
    d.insert = BrowseButton{QStringLiteral("&Добавить"), QStringLiteral("INSERT_2")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE_2")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE_2")};
    d.updateForm = UPDATEZR3N;
    return d;
}

BrowseWindow *BROWSEZR3N() { return new BrowseWindow(BROWSEZR3NDeclaration()); }
