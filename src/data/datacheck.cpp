#include "data/datacheck.h"

#include "data/cp1251.h"
#include "data/files.h"
#include "data/history.h"
#include "data/side_file.h"

#include <QFileInfo>

#include <map>
#include <memory>

namespace {

double number(const Value &v)
{
    if (auto *i = std::get_if<qint64>(&v))
        return double(*i);
    if (auto *d = std::get_if<double>(&v))
        return *d;
    return 0;
}

QString text(const Value &v)
{
    auto *b = std::get_if<QByteArray>(&v);
    return b ? cp1251::decode(*b).trimmed() : QString();
}

QString dateText(const Value &v)
{
    int y = 0, m = 0, d = 0;
    if (!dates::toYmd(LONG(number(v)), y, m, d))
        return {};
    return QStringLiteral("%1.%2.%3").arg(d, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0')).arg(y);
}

struct Recipe {
    qint64 id;
    QString shown;
};

// "взвешивание «Объект»", or by its record when it has no object.
QString named(const QString &kind, const QString &object, qint64 id)
{
    return object.isEmpty() ? QStringLiteral("%1 (запись %2)").arg(kind).arg(id) : QStringLiteral("%1 «%2»").arg(kind, object);
}

QString recipeShown(double number, const QString &object, const QString &date)
{
    QString s = QStringLiteral("рецепт %1").arg(number, 0, 'g', 12);
    if (!object.isEmpty())
        s += QStringLiteral(" «%1»").arg(object);
    if (!date.isEmpty())
        s += QStringLiteral(" от %1").arg(date);
    return s;
}

// An entry edited or removed by another tool breaks the chain of the file's history there.
void checkHistoryChain(DataFile &f, std::vector<DataFinding> &out)
{
    std::vector<HistoryEntry> chain;
    if (FileError e = f.readHistory({}, &chain); e != FileError::None) {
        out.push_back({f.name(), 0, QStringLiteral("история изменений"), QStringLiteral("не читается: %1").arg(fileErrorText(e))});
        return;
    }
    for (const HistoryEntry *e : history::brokenLinks(chain))
        out.push_back({f.name(), e->record,
                       QStringLiteral("история: запись %1 от %2 (%3, %4)")
                           .arg(e->id)
                           .arg(e->localTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")), history::actionText(e->action).toLower(), e->keys),
                       e->hash != history::hashOf(*e) ? QStringLiteral("запись истории изменена вне программы")
                                                      : QStringLiteral("перед этой записью истории запись удалена или изменена вне программы")});
}

// Opens, checks whole and reads every key of one file; the records of the files that others
// refer to are kept for the checks of the links. False when the file could not be read.
bool checkFile(DataFile &shared, std::vector<DataFinding> &out, std::map<double, std::vector<Recipe>> &recipes,
               std::vector<DataFinding> &tests)
{
    if (shared.desc().driver == Driver::DBase)
        return true;
    SideFile probe(shared, QStringLiteral("check"));
    DataFile &f = probe.file();
    const QString name = f.name();
    f.sendOption(QStringLiteral("QUICKSCAN=off")); // the whole file, however large
    const FileError opened = f.open();
    if (opened == FileError::NotFound)
        return true; // made when a window first needs it
    if (opened != FileError::None) {
        out.push_back({name, 0, QFileInfo(f.diskName()).fileName(),
                       opened == FileError::InvalidKeyFile ? QStringLiteral("ключи файла повреждены (их можно перестроить)")
                                                           : QStringLiteral("файл повреждён: %1").arg(fileErrorText(opened))});
        return false;
    }
    const qint64 count = f.recordCount();
    for (int key = 0; key < int(f.desc().keys.size()); ++key) {
        f.setOrder(key);
        qint64 seen = 0;
        FileError e;
        while ((e = f.next()) == FileError::None) {
            ++seen;
            if (!f.storedKeyMatches())
                out.push_back({name, f.position().id, QStringLiteral("запись %1").arg(f.position().id),
                               QStringLiteral("ключ %1 не соответствует полям записи").arg(f.desc().keys[key].name)});
        }
        if (e != FileError::EndOfFile)
            out.push_back({name, 0, f.desc().keys[key].name, QStringLiteral("чтение по ключу прервано: %1").arg(fileErrorText(e))});
        else if (seen != count)
            out.push_back({name, 0, f.desc().keys[key].name,
                           QStringLiteral("по ключу читается %1 записей из %2").arg(seen).arg(count)});
    }

    checkHistoryChain(f, out);

    if (&shared != &files::PODBOR && &shared != &files::GUR && &shared != &files::OBRGIDRO)
        return true;
    f.setOrder(DataFile::PhysicalOrder);
    while (f.next() == FileError::None) {
        const Row row = probe.row();
        const qint64 id = f.position().id;
        if (&shared == &files::PODBOR) {
            const double num = number(probe.field(row, "NUM"));
            recipes[num].push_back({id, recipeShown(num, text(probe.field(row, "OBEKT")), dateText(probe.field(row, "DATE")))});
        } else if (&shared == &files::GUR) {
            const double num = number(probe.field(row, "REZNUM"));
            const QString date = dateText(probe.field(row, "DATE"));
            tests.push_back({name, id, QStringLiteral("испытание %1").arg(number(probe.field(row, "NUMBER")), 0, 'g', 12)
                                           + (date.isEmpty() ? QString() : QStringLiteral(" от ") + date),
                             QString::number(num, 'g', 12)});
        } else {
            const double num = number(probe.field(row, "NUMMER"));
            if (num != 0) // a weighing unlinked from its deleted recipe keeps 0
                tests.push_back({name, id, named(QStringLiteral("взвешивание"), text(probe.field(row, "OBEKT")), id),
                                 QString::number(num, 'g', 12)});
        }
    }
    return true;
}

} // namespace

std::vector<DataFinding> checkData(const CheckProgress &progress)
{
    std::vector<DataFinding> found;
    std::map<double, std::vector<Recipe>> recipes;
    std::vector<DataFinding> tests; // problem holds the recipe number they refer to
    bool recipesRead = true;
    const std::vector<DataFile *> all = files::all();
    for (int i = 0; i < int(all.size()); ++i) {
        if (progress && !progress(i, int(all.size()), all[i]->name()))
            return found;
        if (!checkFile(*all[i], found, recipes, tests) && all[i] == &files::PODBOR)
            recipesRead = false; // then no test record can be told to have lost its recipe
    }
    if (progress)
        progress(int(all.size()), int(all.size()), QString());

    for (const auto &[num, list] : recipes) {
        if (list.size() < 2)
            continue;
        QStringList others;
        for (const Recipe &r : list)
            others << r.shown;
        for (const Recipe &r : list)
            found.push_back({files::PODBOR.name(), r.id, r.shown,
                             QStringLiteral("номер %1 носят %2 рецепта: %3").arg(num, 0, 'g', 12).arg(list.size()).arg(others.join(QStringLiteral("; ")))});
    }
    for (DataFinding &t : tests) {
        if (!recipesRead || recipes.count(t.problem.toDouble()))
            continue;
        t.problem = QStringLiteral("рецепта %1 нет в базе рецептов").arg(t.problem);
        found.push_back(t);
    }
    return found;
}
