#include "data/seed.h"
#include "data/storage.h"

#include "data/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct CsvRecord {
    int line = 0;        // line of the file where the record starts
    QStringList cells;
};

// The records of CSV text. A quoted cell may hold the separator, doubled quotes and line breaks.
// Blank lines are skipped. False (with the line in *badLine) for a quote left open.
bool parseCsv(const QString &text, QChar sep, std::vector<CsvRecord> &out, int *badLine)
{
    CsvRecord rec{1, {}};
    QString cell;
    bool quoted = false;
    bool cellStarted = false;
    int line = 1;
    auto endRecord = [&] {
        rec.cells << cell;
        const bool blank = rec.cells.size() == 1 && rec.cells.first().trimmed().isEmpty() && !cellStarted;
        if (!blank)
            out.push_back(rec);
        rec = CsvRecord{line, {}};
        cell.clear();
        cellStarted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            cellStarted = true;
        } else if (c == sep) {
            rec.cells << cell;
            cell.clear();
            cellStarted = true;
        } else if (c == QLatin1Char('\n')) {
            ++line;
            endRecord();
        } else if (c != QLatin1Char('\r')) {
            cell += c;
        }
    }
    if (quoted) {
        *badLine = rec.line;
        return false;
    }
    if (!cell.isEmpty() || cellStarted || !rec.cells.isEmpty())
        endRecord();
    return true;
}

// A number cell: blank is 0; '.' or ',' as the decimal point.
std::optional<double> parseNumber(const QString &cell, QString *digitsAfterPoint)
{
    QString s = cell.trimmed();
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    if (s.isEmpty())
        return 0.0;
    bool ok = false;
    const double v = s.toDouble(&ok); // QString::toDouble always reads the C locale
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    *digitsAfterPoint = point < 0 ? QString() : s.mid(point + 1);
    return v;
}

// A cell as quoted in a message: trimmed, on one line and, when long, cut short (a quote left
// open can make one cell of the rest of a file).
QString shown(const QString &cell)
{
    constexpr qsizetype kLongest = 40;
    QString s = cell.trimmed();
    s.remove(QLatin1Char('\r')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (s.size() <= kLongest)
        return s;
    const qsizetype n = s.at(kLongest - 1).isHighSurrogate() ? kLongest - 1 : kLongest;
    return s.left(n) + QChar(0x2026);
}

// Checks one cell against its column and turns it into the value the record buffer takes.
// Returns the reason of a refusal, or an empty string.
QString toValue(const QString &cell, const Column &col, Value &out)
{
    if (col.type == ColumnType::Text) {
        if (cell.contains(QChar(0))) // a fixed-width field would end the text there
            return QStringLiteral("текст «%1» содержит нулевой символ").arg(shown(QString(cell).replace(QChar(0), QChar(0x2400))));
        const auto bytes = cp1251::encode(cell);
        if (!bytes)
            return QStringLiteral("символ «%1» не входит в кодовую страницу Windows-1251")
                .arg(cp1251::firstUnencodable(cell));
        QByteArray b = *bytes;
        while (!b.isEmpty() && b.back() == ' ')
            b.chop(1);
        if (b.size() > col.size)
            return QStringLiteral("текст «%1» длиннее поля (%2 знаков)").arg(shown(cell)).arg(col.size);
        out = b;
        return {};
    }
    QString fraction;
    const std::optional<double> v = parseNumber(cell, &fraction);
    if (!v)
        return QStringLiteral("«%1» не является числом").arg(shown(cell));
    const double d = *v;
    auto whole = [&](double lo, double hi) -> QString {
        if (d != std::trunc(d))
            return QStringLiteral("%1: поле хранит только целые числа").arg(shown(cell));
        if (d < lo || d > hi)
            return QStringLiteral("%1 вне допустимого диапазона %2..%3").arg(shown(cell)).arg(lo, 0, 'f', 0).arg(hi, 0, 'f', 0);
        out = qint64(d);
        return {};
    };
    switch (col.type) {
    case ColumnType::Byte: return whole(0, 255);
    case ColumnType::Long: return whole(std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max());
    case ColumnType::Ulong: return whole(0, std::numeric_limits<ULONG>::max());
    case ColumnType::Real: out = d; return {};
    case ColumnType::Decimal: {
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
        if (fraction.size() > col.places || fraction.contains(QLatin1Char('e'), Qt::CaseInsensitive))
            return QStringLiteral("%1: допустимо знаков после запятой: %2").arg(shown(cell)).arg(col.places);
        const double limit = double(pow10i(col.digits) - 1) / double(pow10i(col.places));
        if (std::fabs(d) > limit)
            return QStringLiteral("%1 вне допустимого диапазона ±%2").arg(shown(cell)).arg(limit, 0, 'f', col.places);
        out = d;
        return {};
    }
    case ColumnType::Text: break;
    }
    return {};
}

Value blankValue(const Column &col)
{
    switch (col.type) {
    case ColumnType::Text: return QByteArray();
    case ColumnType::Real:
    case ColumnType::Decimal: return 0.0;
    default: return qint64(0);
    }
}

struct SeedFile {
    DataFile *file = nullptr;
    QString csvName;
    std::vector<Row> rows;
    std::vector<int> lines; // line of the CSV where each row starts
};

// Reads and checks one CSV into rows of its data file.
bool readSeedFile(const QString &path, DataFile &file, SeedFile &seed, QString *error)
{
    const QString fileName = QFileInfo(path).fileName();
    auto refuse = [&](int line, const QString &why) {
        *error = line > 0 ? QStringLiteral("%1, строка %2: %3").arg(fileName).arg(line).arg(why)
                          : QStringLiteral("%1: %2").arg(fileName, why);
        return false;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return refuse(0, QStringLiteral("файл не читается (%1)").arg(f.errorString()));
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return refuse(0, QStringLiteral("текст не в кодировке UTF-8"));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    const QString firstLine = text.section(QLatin1Char('\n'), 0, 0);
    const QChar sep = !firstLine.contains(QLatin1Char(',')) && firstLine.contains(QLatin1Char(';'))
                          ? QLatin1Char(';') : QLatin1Char(',');
    std::vector<CsvRecord> records;
    int badLine = 0;
    if (!parseCsv(text, sep, records, &badLine))
        return refuse(badLine, QStringLiteral("кавычка не закрыта"));
    if (records.empty())
        return refuse(0, QStringLiteral("нет строки заголовка"));

    const std::vector<Column> &columns = file.desc().columns;
    std::vector<int> columnOfCell; // header cell -> column index
    for (const QString &h : records.front().cells) {
        const int c = file.desc().columnIndex(h.trimmed());
        if (c < 0)
            return refuse(records.front().line, QStringLiteral("в файле %1 нет поля «%2»").arg(file.name(), shown(h)));
        if (std::find(columnOfCell.begin(), columnOfCell.end(), c) != columnOfCell.end())
            return refuse(records.front().line, QStringLiteral("поле «%1» названо дважды").arg(shown(h)));
        columnOfCell.push_back(c);
    }

    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord &rec = records[r];
        if (rec.cells.size() != qsizetype(columnOfCell.size()))
            return refuse(rec.line, QStringLiteral("значений %1, а полей в заголовке %2").arg(rec.cells.size()).arg(columnOfCell.size()));
        Row row;
        for (const Column &col : columns)
            row.push_back(blankValue(col));
        for (std::size_t i = 0; i < columnOfCell.size(); ++i) {
            const Column &col = columns[std::size_t(columnOfCell[i])];
            const QString why = toValue(rec.cells[qsizetype(i)], col, row[std::size_t(columnOfCell[i])]);
            if (!why.isEmpty())
                return refuse(rec.line, QStringLiteral("поле %1: %2").arg(col.name, why));
        }
        seed.rows.push_back(std::move(row));
        seed.lines.push_back(rec.line);
    }
    return true;
}

// The storage failure of the current operation, as "Creates Duplicate Key (driver's words)".
QString storageError(FileError e)
{
    QString text = fileErrorText(e);
    if (!currentError().driverMessage.isEmpty())
        text += QStringLiteral(" (%1)").arg(currentError().driverMessage);
    return text;
}

// Creates the seed's file in the current data directory and adds its rows in one transaction.
// A failing row is named by its CSV line. The file's record buffer is left as it was.
bool writeSeedFile(const SeedFile &seed, QString *error)
{
    DataFile &file = *seed.file;
    FileError e = file.create();
    if (e == FileError::None)
        e = file.open();
    if (e != FileError::None) {
        *error = QStringLiteral("%1: %2").arg(seed.csvName, storageError(e));
        return false;
    }
    const Row saved = file.buffer().save();
    int failedLine = 0;
    e = file.begin();
    for (std::size_t i = 0; e == FileError::None && i < seed.rows.size(); ++i) {
        file.buffer().load(seed.rows[i]); // every value was checked against its field
        e = file.add();
        if (e != FileError::None)
            failedLine = seed.lines[i];
    }
    if (e == FileError::None)
        e = file.commit();
    if (e != FileError::None) {
        *error = failedLine > 0 ? QStringLiteral("%1, строка %2: %3").arg(seed.csvName).arg(failedLine).arg(storageError(e))
                                : QStringLiteral("%1: %2").arg(seed.csvName, storageError(e));
        if (file.inTransaction())
            file.rollback();
    }
    file.buffer().load(saved);
    file.close();
    return e == FileError::None;
}

// Points the data files at another directory for the life of the scope.
class DataDirectoryScope {
public:
    explicit DataDirectoryScope(const QString &dir) : m_saved(dataDirectory()) { setDataDirectory(dir); }
    ~DataDirectoryScope() { setDataDirectory(m_saved); }
    DataDirectoryScope(const DataDirectoryScope &) = delete;
    DataDirectoryScope &operator=(const DataDirectoryScope &) = delete;

private:
    QString m_saved;
};

const QString kMovesName = QStringLiteral("moves");

// Finishes or removes what killed loads left in `target`: a staging folder with its list of
// moves had every file written, so the files not yet moved are moved in; one without the list
// was killed while writing and is removed.
bool finishInterruptedLoads(const QDir &target, QString *error)
{
    const QStringList stale = target.entryList({QStringLiteral(".seed-*")}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : stale) {
        QDir staging(target.filePath(name));
        QFile moves(staging.filePath(kMovesName));
        if (moves.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : moves.readAll().split('\n')) {
                const QString file = QString::fromUtf8(line);
                if (file.isEmpty() || !QFileInfo::exists(staging.filePath(file)))
                    continue;
                if (!QFile::rename(staging.filePath(file), target.filePath(file))) {
                    *error = QStringLiteral("%1: прерванная загрузка начальных данных не завершена, файл не перенесён в %2")
                                 .arg(file, QDir::toNativeSeparators(target.path()));
                    return false;
                }
            }
            moves.close();
        }
        if (!staging.removeRecursively()) {
            *error = QStringLiteral("Не удалось удалить временный каталог %1").arg(QDir::toNativeSeparators(staging.path()));
            return false;
        }
    }
    return true;
}

// Writes the list of the files about to be moved in, whole or not at all.
bool writeMoves(const QDir &staging, const std::vector<SeedFile> &seeds)
{
    QByteArray list;
    for (const SeedFile &seed : seeds)
        list += QFileInfo(seed.file->diskName()).fileName().toUtf8() + '\n';
    QFile f(staging.filePath(kMovesName + QStringLiteral(".part")));
    if (!f.open(QIODevice::WriteOnly) || f.write(list) != list.size() || !f.flush())
        return false;
    f.close();
    return QFile::rename(f.fileName(), staging.filePath(kMovesName));
}

} // namespace

bool loadSeed(const QString &seedDir, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const QDir dir(seedDir);
    if (!dir.exists()) {
        *error = QStringLiteral("Каталог начальных данных не найден: %1").arg(seedDir);
        return false;
    }
    std::vector<SeedFile> seeds;
    for (const QString &name : dir.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name)) {
        DataFile *file = files::byName(QFileInfo(name).completeBaseName());
        if (!file || file->desc().driver != Driver::Sqlite) {
            *error = QStringLiteral("%1: нет такого файла данных").arg(name);
            return false;
        }
        SeedFile seed{file, name, {}, {}};
        if (!readSeedFile(dir.filePath(name), *file, seed, error))
            return false;
        seeds.push_back(std::move(seed));
    }

    // Only new files are seeded: adding to a file already there would double a record loaded
    // before, and a file changed half-way could not be put back.
    const QDir target(dataDirectory());
    if (!target.exists()) {
        *error = QStringLiteral("Рабочий каталог не найден: %1").arg(QDir::toNativeSeparators(target.path()));
        return false;
    }
    if (!finishInterruptedLoads(target, error))
        return false;
    for (const SeedFile &seed : seeds) {
        if (seed.file->isOpen() || QFileInfo::exists(seed.file->diskName())) {
            *error = QStringLiteral("%1: файл данных уже есть в каталоге %2; начальные данные загружаются только в новые файлы")
                         .arg(QFileInfo(seed.file->diskName()).fileName(), QDir::toNativeSeparators(target.path()));
            return false;
        }
    }

    // A working directory on a database server: the files are made in a directory of their own
    // and copied into the database in one transaction.
    const DatabaseChoice server = databaseChoice(target.path());
    if (server.server) {
        if (!server.error.isEmpty()) {
            *error = server.error;
            return false;
        }
        QTemporaryDir staging;
        if (!staging.isValid()) {
            *error = QStringLiteral("Не удалось создать временный каталог: %1").arg(staging.errorString());
            return false;
        }
        {
            const DataDirectoryScope scope(staging.path());
            for (const SeedFile &seed : seeds)
                if (!writeSeedFile(seed, error))
                    return false;
        }
        if (!copyToServer(server.connection, staging.path(), nullptr, error))
            return false;
        error->clear();
        return true;
    }

    // All or nothing: the files are made in a directory of their own inside the target and
    // moved in only when every one of them is complete. A failure (or a crash) leaves the
    // target as it was; the staging directory goes with the QTemporaryDir.
    QTemporaryDir staging(target.filePath(QStringLiteral(".seed-XXXXXX")));
    if (!staging.isValid()) {
        *error = QStringLiteral("Не удалось создать временный каталог в %1: %2")
                     .arg(QDir::toNativeSeparators(target.path()), staging.errorString());
        return false;
    }
    {
        const DataDirectoryScope scope(staging.path());
        for (const SeedFile &seed : seeds) {
            if (!writeSeedFile(seed, error))
                return false;
        }
    }
    if (!writeMoves(QDir(staging.path()), seeds)) {
        *error = QStringLiteral("Не удалось записать во временный каталог в %1").arg(QDir::toNativeSeparators(target.path()));
        return false;
    }
    std::vector<std::pair<QString, QString>> moved; // staged, destination
    for (const SeedFile &seed : seeds) {
        const QString destination = seed.file->diskName();
        const QString staged = QDir(staging.path()).filePath(QFileInfo(destination).fileName());
        if (!QFile::rename(staged, destination)) { // refuses to replace a file made meanwhile
            for (auto it = moved.rbegin(); it != moved.rend(); ++it)
                QFile::rename(it->second, it->first);
            *error = QStringLiteral("%1: %2 (файл не перенесён в рабочий каталог)")
                         .arg(QFileInfo(destination).fileName(), fileErrorText(FileError::FileSystem));
            return false;
        }
        moved.emplace_back(staged, destination);
    }
    error->clear();
    return true;
}

bool seedDirectory(const QString &seedDir, const QString &workDir, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const QFileInfo work(QDir::cleanPath(workDir));
    if (work.exists()) {
        const DataDirectoryScope scope(work.absoluteFilePath());
        return loadSeed(seedDir, error);
    }
    const QDir parent(work.absolutePath());
    const QString hiddenPrefix = QStringLiteral(".") + work.fileName() + QStringLiteral(".seed-");
    for (const QString &stale : parent.entryList({hiddenPrefix + QStringLiteral("*")}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        QDir(parent.filePath(stale)).removeRecursively();

    QStringList made; // the missing parents, deepest first, removed again on a refusal
    for (QString d = parent.absolutePath(); !QFileInfo::exists(d);) {
        made << d;
        const QString up = QFileInfo(d).absolutePath();
        if (up == d)
            break;
        d = up;
    }
    auto refuse = [&](const QString &why) {
        for (const QString &d : made)
            QDir().rmdir(d); // only while empty
        *error = why;
        return false;
    };
    if (!QDir().mkpath(parent.absolutePath()))
        return refuse(QStringLiteral("Рабочий каталог не создан: %1").arg(QDir::toNativeSeparators(work.absoluteFilePath())));
    QTemporaryDir staging(parent.filePath(hiddenPrefix + QStringLiteral("XXXXXX")));
    if (!staging.isValid())
        return refuse(QStringLiteral("Рабочий каталог не создан: %1 (%2)")
                          .arg(QDir::toNativeSeparators(work.absoluteFilePath()), staging.errorString()));
    {
        const DataDirectoryScope scope(staging.path());
        QString why;
        if (!loadSeed(seedDir, &why)) {
            staging.remove();
            return refuse(why);
        }
    }
    if (!QDir().rename(staging.path(), work.absoluteFilePath())) {
        staging.remove();
        return refuse(QStringLiteral("Рабочий каталог не создан: %1").arg(QDir::toNativeSeparators(work.absoluteFilePath())));
    }
    staging.setAutoRemove(false);
    error->clear();
    return true;
}
