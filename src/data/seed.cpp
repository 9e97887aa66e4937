#include "data/seed.h"

#include "data/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

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

// Checks one cell against its column and turns it into the value the record buffer takes.
// Returns the reason of a refusal, or an empty string.
QString toValue(const QString &cell, const Column &col, Value &out)
{
    if (col.type == ColumnType::Text) {
        const auto bytes = cp1251::encode(cell);
        if (!bytes)
            return QStringLiteral("символ «%1» не входит в кодовую страницу Windows-1251")
                .arg(cp1251::firstUnencodable(cell));
        QByteArray b = *bytes;
        while (!b.isEmpty() && b.back() == ' ')
            b.chop(1);
        if (b.size() > col.size)
            return QStringLiteral("текст «%1» длиннее поля (%2 знаков)").arg(cell).arg(col.size);
        out = b;
        return {};
    }
    QString fraction;
    const std::optional<double> v = parseNumber(cell, &fraction);
    if (!v)
        return QStringLiteral("«%1» не является числом").arg(cell);
    const double d = *v;
    auto whole = [&](double lo, double hi) -> QString {
        if (d != std::trunc(d))
            return QStringLiteral("%1: поле хранит только целые числа").arg(cell.trimmed());
        if (d < lo || d > hi)
            return QStringLiteral("%1 вне допустимого диапазона %2..%3").arg(cell.trimmed()).arg(lo, 0, 'f', 0).arg(hi, 0, 'f', 0);
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
            return QStringLiteral("%1: допустимо знаков после запятой: %2").arg(cell.trimmed()).arg(col.places);
        const double limit = double(pow10i(col.digits) - 1) / double(pow10i(col.places));
        if (std::fabs(d) > limit)
            return QStringLiteral("%1 вне допустимого диапазона ±%2").arg(cell.trimmed()).arg(limit, 0, 'f', col.places);
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
    std::vector<Row> rows;
};

// Reads and checks one CSV into rows of its data file.
bool readSeedFile(const QString &path, DataFile &file, std::vector<Row> &rows, QString *error)
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
            return refuse(records.front().line, QStringLiteral("в файле %1 нет поля «%2»").arg(file.name(), h.trimmed()));
        if (std::find(columnOfCell.begin(), columnOfCell.end(), c) != columnOfCell.end())
            return refuse(records.front().line, QStringLiteral("поле «%1» названо дважды").arg(h.trimmed()));
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
        rows.push_back(std::move(row));
    }
    return true;
}

QString fileErrorMessage(DataFile &file, FileError e)
{
    QString text = QStringLiteral("%1: %2").arg(file.diskName(), fileErrorText(e));
    if (!currentError().driverMessage.isEmpty())
        text += QStringLiteral(" (%1)").arg(currentError().driverMessage);
    return text;
}

// Adds the rows to the file (created when missing) in one transaction. The file's record buffer
// is left as it was.
bool writeSeedFile(DataFile &file, const std::vector<Row> &rows, QString *error)
{
    const bool wasOpen = file.isOpen();
    if (!wasOpen) {
        FileError e = file.open();
        if (e == FileError::NotFound) {
            e = file.create();
            if (e == FileError::None)
                e = file.open();
        }
        if (e != FileError::None) {
            *error = fileErrorMessage(file, e);
            return false;
        }
    }
    const Row saved = file.buffer().save();
    FileError e = file.begin();
    for (std::size_t i = 0; e == FileError::None && i < rows.size(); ++i) {
        file.buffer().load(rows[i]); // every value was checked against its field
        e = file.add();
    }
    if (e == FileError::None)
        e = file.commit();
    if (e != FileError::None) {
        *error = fileErrorMessage(file, e);
        if (file.inTransaction())
            file.rollback();
    }
    file.buffer().load(saved);
    if (!wasOpen)
        file.close();
    return e == FileError::None;
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
        SeedFile seed{file, {}};
        if (!readSeedFile(dir.filePath(name), *file, seed.rows, error))
            return false;
        seeds.push_back(std::move(seed));
    }
    for (SeedFile &seed : seeds) {
        if (!writeSeedFile(*seed.file, seed.rows, error))
            return false;
    }
    error->clear();
    return true;
}
