#include "catalogues/approvals_window.h"

#include "catalogues/approval_form_window.h"
#include "data/files.h"
#include "data/globals.h"

BrowseDeclaration BROWSETITULDeclaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("BROWSETITUL");
    d.title = QStringLiteral("Список утверждающих лиц и организаций");
    d.file = &files::NASTROJK;
    d.fileName = QStringLiteral("NASTROJK");
    d.orders.push_back({QStringLiteral("В колонтитул документа"), QString(), DataFile::PhysicalOrder, {}, false});
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Ключ"), "s20", NAS.REGION));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Автодорога"), "s20", NAS.DOROGA));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Конструктивный слой"), "s20", NAS.KONSTRUKTIV));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Согласующая фирма"), "s25", NAS.SOGLFIRMA));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Согласующее лицо"), "s20", NAS.SOGLFIO));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Утверждающая фирма"), "s25", NAS.FIRMA));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("ФИО руководителя"), "s20", NAS.FIO1));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Должность исплнителя"), "s20", NAS.ISPOLNIT2));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("ФИО исполнителя"), "s20", NAS.FAM2));
    d.insert = BrowseButton{QStringLiteral("&Вставить"), QStringLiteral("INSERT_2")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE_2")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE_2")};
    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT_2")};
    d.updateForm = UPDATENASTROJKI;
    return d;
}

BrowseWindow *BROWSETITUL() { return new BrowseWindow(BROWSETITULDeclaration()); }
