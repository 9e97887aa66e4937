#include "catalogues/aggregates_window.h"

#include "catalogues/aggregate_forms_window.h"
#include "catalogues/analyses_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/sieves.h"

namespace {

// The laboratory number (LONG) as the number order's first field.
template <typename Record>
BrowseKeyField numberField(Record &buffer)
{
    return {BrowseKeyField::Kind::Real, 0, {}, {}, [&buffer] { return REAL(buffer.NUM); },
            [&buffer](REAL v) { buffer.NUM = LONG(v); }};
}

using FormOpener = FormWindow *(*)(LONG, QWidget *, std::function<void(LONG)>, WindowHost);

// What the four catalogue lists share: name and number orders, the number and name columns,
// the update buttons calling the material's form.
template <typename Record>
BrowseDeclaration materialList(const char *procedure, const char *title, DataFile &file, const char *fileName,
                               Record &buffer, int nameKey, int numberKey, const char *numberTab, bool steps,
                               FormOpener form)
{
    BrowseDeclaration d;
    d.procedure = QLatin1String(procedure);
    d.title = QString::fromUtf8(title);
    d.file = &file;
    d.fileName = QLatin1String(fileName);
    d.orders.push_back({QStringLiteral("Имя"), QString(), nameKey, BrowseKeyField::text(buffer.NAIMEN), steps});
    d.orders.push_back({QString::fromUtf8(numberTab), QString(), numberKey, numberField(buffer), false});
    d.columns.push_back(BrowseColumn::number(QStringLiteral("№"), "n4", [&buffer] { return REAL(buffer.NUM); }));
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Наименование"), "s20", buffer.NAIMEN));
    d.insert = BrowseButton{QStringLiteral("&Добавить"), QStringLiteral("INSERT")};
    d.change = BrowseButton{QStringLiteral("&Изменить"), QStringLiteral("CHANGE")};
    d.remove = BrowseButton{QStringLiteral("&Удалить"), QStringLiteral("DELETE")};
    d.updateForm = form;
    d.extraButtons.push_back(analysesButton(QLatin1String(fileName)));
    return d;
}

// The grading columns, under one caption.
void addGradingColumns(BrowseDeclaration &d, const sieves::Grading &zrn, std::initializer_list<int> shown,
                       const QString &caption = QStringLiteral("% зерен мельче, мм"))
{
    for (int i : shown)
        d.columns.push_back(BrowseColumn::number(QString::fromUtf8(sieves::LABELS[i]), "n5.1", [&zrn, i] { return zrn[i]; })
                                .inGroup(caption));
}

} // namespace

BrowseDeclaration BROUSESPLITDeclaration()
{
    BrowseDeclaration d = materialList("BROUSESPLIT", "Щебень", files::SPLIT, "SPLIT", SPL, files::key::SPL_KEYNAME,
                                       files::key::SPL_KEYNUM, "Лаб.№", false, UPDATESPLIT);
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Марка"), "n4", [] { return REAL(SPL.MARKA); }));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Р,г/см3"), "n5.2", [] { return SPL.PLOTN; }));
    d.columns.push_back(BrowseColumn::number(QStringLiteral("%Лещ"), "n4.1", [] { return SPL.LEZHAD; }));
    addGradingColumns(d, SPL.ZRN, {0, 1, 2, 3, 4, 10});
    d.select = BrowseButton{QStringLiteral("&Выделить"), QStringLiteral("SELECT")};
    return d;
}

BrowseDeclaration BROUSESANTDeclaration()
{
    BrowseDeclaration d = materialList("BROUSESANT", "Природный песок", files::SANT, "SANT", SAN, files::key::SAN_KEYNAME,
                                       files::key::SAN_KEYNUM, "по №", true, UPDATESANT);
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Плотн"), "n5.3", [] { return SAN.PLOTN; }));
    addGradingColumns(d, SAN.ZRN, {4, 5, 6, 7, 8, 9, 10});
    d.select = BrowseButton{QStringLiteral("&Выделить"), QStringLiteral("SELECT")};
    return d;
}

BrowseDeclaration BROUSEOTSEWDeclaration()
{
    BrowseDeclaration d = materialList("BROUSEOTSEW", "Песок из отсевов дробления", files::OTSEW, "OTSEW", OTS,
                                       files::key::OTS_KEYNAME, files::key::OTS_KEYNUM, "По №", true, UPDATEOTSEW);
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Р,г/см3"), "n5.3", [] { return OTS.PLOTN; }));
    addGradingColumns(d, OTS.ZRN, {3, 4, 5, 6, 7, 8, 9, 10});
    d.help = BrowseButton{QStringLiteral("Help"), QStringLiteral("HELP")};
    return d;
}

BrowseDeclaration BROUSEFILLERPOROSHOKDeclaration()
{
    BrowseDeclaration d = materialList("BROUSEFILLERPOROSHOK", "База минеральных порошков", files::FILLER, "FILLER", FIL,
                                       files::key::FIL_KEYNAME, files::key::FIL_KEYNUM, "По №", true, UPDATEFILLER);
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Р,г/см3"), "n5.3", [] { return FIL.PLOTN; }));
    addGradingColumns(d, FIL.ZRN, {6, 8, 10}, QStringLiteral("% менее, мм:"));
    d.insert->tip = QStringLiteral("Запись свойств нового порошка");
    d.change->tip = QStringLiteral("Изменение свойств выделенного порошка");
    d.remove->tip = QStringLiteral("Удаление из базы выделенного порошка");
    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT")};
    d.help = BrowseButton{QStringLiteral("Help"), QStringLiteral("HELP")};
    return d;
}

BrowseDeclaration SELSPLITDeclaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("SELSPLIT");
    d.title = QStringLiteral("База щебня");
    d.file = &files::SPLIT;
    d.fileName = QStringLiteral("SPLIT");
    d.orders.push_back({QStringLiteral("Имя"), QString(), files::key::SPL_KEYNAME, BrowseKeyField::text(SPL.NAIMEN), false});
    d.columns.push_back(BrowseColumn::string(QStringLiteral("Наименование"), "s20", SPL.NAIMEN));
    d.select = BrowseButton{QStringLiteral("&Выбрать"), QStringLiteral("SELECT")};
    return d;
}

BrowseWindow *BROUSESPLIT() { return new BrowseWindow(BROUSESPLITDeclaration()); }
BrowseWindow *BROUSESANT() { return new BrowseWindow(BROUSESANTDeclaration()); }
BrowseWindow *BROUSEOTSEW() { return new BrowseWindow(BROUSEOTSEWDeclaration()); }
BrowseWindow *BROUSEFILLERPOROSHOK() { return new BrowseWindow(BROUSEFILLERPOROSHOKDeclaration()); }

BrowseWindow *SELSPLIT(QWidget *caller, std::function<void(bool chosen)> done, WindowHost host)
{
    return selectRecord(SELSPLITDeclaration(), caller, std::move(done), std::move(host));
}
