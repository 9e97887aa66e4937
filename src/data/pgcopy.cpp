// Copying a working directory's SQLite files into a PostgreSQL database, all or nothing.
#include "data/files.h"
#include "data/pgdriver.h"
#include "data/side_file.h"
#include "data/sqlitedriver_p.h"

#include <QFileInfo>
#include <QtEndian>
#include <bit>

using namespace pg;

namespace {

constexpr qsizetype kBatch = 1 << 20;

// COPY's binary format: numbers go as their bytes (doubles exact to the last bit, nothing to
// format or parse), texts as UTF-8 and sort keys as bytea without any escaping.
enum class Wire { Int8, Float8, Text, Bytea };

// The wire type of each writable column, in the order of PgDriver::rowValuesOf.
std::vector<Wire> wireTypes(const FileDesc &d)
{
    auto field = [](ColumnType t) {
        switch (t) {
        case ColumnType::Real:
        case ColumnType::Decimal: return Wire::Float8;
        case ColumnType::Text: return Wire::Text;
        default: return Wire::Int8;
        }
    };
    auto sort = [&](int column) { return d.columns[column].type == ColumnType::Text ? Wire::Bytea : Wire::Float8; };
    std::vector<Wire> out;
    for (auto &c : d.columns) out.push_back(field(c.type));
    for (auto &k : d.keys) {
        for (auto &p : k.parts) out.push_back(sort(p.column));
        if (k.unique) out.push_back(sort(k.parts.front().column));
    }
    return out;
}

template <typename T>
void appendBigEndian(QByteArray &out, T v)
{
    const auto u = qToBigEndian(v);
    out.append(reinterpret_cast<const char *>(&u), sizeof u);
}

void appendInt8(QByteArray &out, qint64 v)
{
    appendBigEndian(out, qint32(8));
    appendBigEndian(out, v);
}

void appendValue(QByteArray &out, const Value &v, Wire w)
{
    if (std::holds_alternative<std::monostate>(v)) {
        appendBigEndian(out, qint32(-1));
        return;
    }
    const double *d = std::get_if<double>(&v);
    const qint64 *i = std::get_if<qint64>(&v);
    switch (w) {
    case Wire::Int8: appendInt8(out, i ? *i : d ? qint64(*d) : 0); return;
    case Wire::Float8:
        appendBigEndian(out, qint32(8));
        appendBigEndian(out, std::bit_cast<quint64>(d ? *d : i ? double(*i) : 0.0));
        return;
    case Wire::Text:
    case Wire::Bytea: {
        const QByteArray *b = std::get_if<QByteArray>(&v);
        const QByteArray bytes = !b ? QByteArray() : w == Wire::Text ? cp1251::decode(*b).toUtf8() : *b;
        appendBigEndian(out, qint32(bytes.size()));
        out += bytes;
        return;
    }
    }
}

// Reads a SQLite data file's records in id order with one statement (the file's own cursor
// would run one statement per record), each through the record buffer as the driver loads it.
class SqliteRows {
public:
    SqliteRows(DataFile &file) : m_file(file)
    {
        QStringList cols{QStringLiteral("id"), QStringLiteral("ver")};
        for (auto &c : file.desc().columns) cols << sqlite_detail::quoted(c.name);
        const QString sql = QStringLiteral("SELECT %1 FROM data ORDER BY id").arg(cols.join(QLatin1Char(',')));
        if (sqlite3_open_v2(file.diskName().toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(m_db, sqlite_detail::kBusyMs);
            sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &m_st, nullptr);
        }
    }
    ~SqliteRows()
    {
        sqlite3_finalize(m_st);
        sqlite3_close(m_db);
    }
    // The next record's fields; false at the end or on a failure (then error() is not empty).
    bool next(qint64 &id, qint64 &version, Row &fields)
    {
        if (!m_st || (m_rc = sqlite3_step(m_st)) != SQLITE_ROW)
            return false;
        id = sqlite3_column_int64(m_st, 0);
        version = sqlite3_column_int64(m_st, 1);
        const auto &columns = m_file.desc().columns;
        Row row;
        row.reserve(columns.size());
        int repaired = 0;
        for (int i = 0; i < int(columns.size()); ++i)
            row.push_back(sqlite_detail::columnValue(m_st, i + 2, columns[i].type, repaired));
        m_file.buffer().load(row);
        fields = m_file.buffer().save();
        return true;
    }
    QString error() const
    {
        if (m_st && m_rc == SQLITE_DONE)
            return {};
        return QStringLiteral("%1: %2").arg(m_file.diskName(), QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory"));
    }

private:
    DataFile &m_file;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_st = nullptr;
    int m_rc = SQLITE_OK;
};

// The file's change history after its records, with the entries as they are (their chain holds).
bool copyHistory(PGconn *c, DataFile &file, QString *error)
{
    std::vector<HistoryEntry> entries;
    if (file.readHistory({}, &entries) != FileError::None) {
        *error = QStringLiteral("%1: %2").arg(file.name(), currentError().driverMessage);
        return false;
    }
    Result taken = runParams(c, QStringLiteral("SELECT 1 FROM history WHERE file_name = $1 LIMIT 1"), {textParam(file.name().toUtf8())});
    if (!taken.ok() || taken.rows() > 0) {
        *error = QStringLiteral("%1: the server's change history holds entries of this file already").arg(file.name());
        return false;
    }
    if (entries.empty())
        return true;
    const QString copy = QStringLiteral("COPY history(%1,chain_seq) FROM STDIN (FORMAT binary)").arg(QLatin1String(historyColumns()));
    Result started(PQexec(c, copy.toUtf8().constData()));
    if (PQresultStatus(started.r) != PGRES_COPY_IN) {
        *error = QStringLiteral("%1: %2").arg(file.name(), QString::fromUtf8(PQerrorMessage(c)).trimmed());
        return false;
    }
    QByteArray batch("PGCOPY\n\377\r\n\0", 11);
    appendBigEndian(batch, qint32(0));
    appendBigEndian(batch, qint32(0));
    auto text = [&](const QString &s) {
        const QByteArray utf8 = s.toUtf8();
        appendBigEndian(batch, qint32(utf8.size()));
        batch += utf8;
    };
    bool ok = true;
    qint64 seq = 0;
    for (const HistoryEntry &e : entries) { // in the chain's order
        appendBigEndian(batch, qint16(14));
        text(e.at), text(e.user), text(e.role), text(e.station), text(e.window), text(e.file);
        appendInt8(batch, e.record);
        text(e.keys), text(history::actionName(e.action)), text(e.fields), text(e.reason), text(e.prev), text(e.hash);
        appendInt8(batch, ++seq);
        if (batch.size() >= kBatch) {
            ok = ok && PQputCopyData(c, batch.constData(), int(batch.size())) == 1;
            batch.resize(0);
        }
    }
    appendBigEndian(batch, qint16(-1));
    ok = ok && PQputCopyData(c, batch.constData(), int(batch.size())) == 1;
    ok = PQputCopyEnd(c, ok ? nullptr : "copy abandoned") == 1 && ok;
    while (PGresult *r = PQgetResult(c)) {
        Result res(r);
        ok = ok && res.ok();
    }
    if (!ok)
        *error = QStringLiteral("%1: %2").arg(file.name(), QString::fromUtf8(PQerrorMessage(c)).trimmed());
    return ok;
}

} // namespace

bool copyToServer(const QString &connection, const QString &dir, std::vector<CopyCount> *counts, QString *error, bool replace)
{
    QString ignored;
    if (!error) error = &ignored;
    if (databaseChoice(dir).server) {
        *error = QStringLiteral("%1 holds its data on a database server already").arg(dir);
        return false;
    }
    QString why;
    PGconn *c = connect(connection, &why);
    if (!c) {
        *error = why;
        return false;
    }
    run(c, QStringLiteral("SET statement_timeout = 0"));
    const QString saved = dataDirectory();
    setDataDirectory(dir);
    std::vector<CopyCount> done;
    bool ok = run(c, QStringLiteral("BEGIN")).ok();
    Result fn = run(c, QStringLiteral("SELECT 1 FROM pg_proc WHERE proname = 'asphalt_notify'"));
    if (ok && fn.ok() && fn.rows() == 0)
        ok = run(c, QString::fromLatin1(kNotifyFunction)).ok();
    ok = ok && keepHistoryTable(c).ok();
    // A restore replaces every table's rows (grants and the other stations' table names stay).
    if (replace)
        for (DataFile *file : files::all()) {
            Result exists = runParams(c, QStringLiteral("SELECT to_regclass($1) IS NOT NULL"), {textParam(quoted(file->name()).toUtf8())});
            if (ok && exists.ok() && exists.value(0, 0) == "t")
                ok = run(c, QStringLiteral("TRUNCATE ") + quoted(file->name())).ok();
        }
    ok = ok && (!replace || run(c, QStringLiteral("TRUNCATE history")).ok());
    if (!ok)
        *error = QString::fromUtf8(PQerrorMessage(c)).trimmed();
    for (DataFile *file : files::all()) {
        if (!ok) break;
        if (file->desc().driver != Driver::Sqlite || !QFileInfo::exists(file->diskName()))
            continue;
        const FileDesc &d = file->desc();
        Result present = runParams(c, QStringLiteral("SELECT to_regclass($1) IS NOT NULL"), {textParam(quoted(d.name).toUtf8())});
        const bool kept = replace && present.ok() && present.value(0, 0) == "t";
        const QStringList indexes = kept ? QStringList() : indexStatements(d, false);
        for (auto &s : kept ? QStringList() : createStatements(d)) {
            if (indexes.contains(s))
                continue;
            Result r = run(c, s);
            if (!r.ok()) {
                *error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(PQresultErrorMessage(r.r)).trimmed());
                ok = false;
                break;
            }
        }
        if (!ok) break;
        const bool wasOpen = file->isOpen();
        if (!wasOpen && file->open() != FileError::None) {
            *error = QStringLiteral("%1: %2 %3").arg(file->diskName(), currentError().message, currentError().driverMessage);
            ok = false;
            break;
        }
        PgDriver helper(*file, connection);
        QStringList cols{QStringLiteral("id"), QStringLiteral("ver")};
        cols << helper.writableColumns();
        qint64 n = 0, top = 0;
        const QString copy = QStringLiteral("COPY %1(%2) FROM STDIN (FORMAT binary, FREEZE)").arg(quoted(d.name), cols.join(QLatin1Char(',')));
        Result started(PQexec(c, copy.toUtf8().constData()));
        if (PQresultStatus(started.r) != PGRES_COPY_IN) {
            *error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(PQerrorMessage(c)).trimmed());
            ok = false;
        }
        // The rows go in batches of about a megabyte; the server answers once, at the end.
        QByteArray batch("PGCOPY\n\377\r\n\0", 11);
        batch.reserve(kBatch + (64 << 10));
        appendBigEndian(batch, qint32(0)); // flags
        appendBigEndian(batch, qint32(0)); // header extension
        const std::vector<Wire> wire = wireTypes(d);
        auto send = [&] {
            if (ok && PQputCopyData(c, batch.constData(), int(batch.size())) != 1) {
                *error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(PQerrorMessage(c)).trimmed());
                ok = false;
            }
            batch.resize(0); // the buffer kept for the next batch
        };
        SqliteRows source(*file);
        qint64 id = 0, version = 0;
        Row fields;
        while (ok && source.next(id, version, fields)) {
            const Row values = helper.rowValuesOf(fields);
            appendBigEndian(batch, qint16(values.size() + 2));
            appendInt8(batch, id);
            appendInt8(batch, version);
            for (std::size_t i = 0; i < values.size(); ++i)
                appendValue(batch, values[i], wire[i]);
            if (batch.size() >= kBatch)
                send();
            ++n;
            top = std::max(top, id);
        }
        const QString readError = ok ? source.error() : QString();
        const bool readOk = readError.isEmpty();
        if (!readOk)
            *error = readError;
        if (PQresultStatus(started.r) == PGRES_COPY_IN) {
            appendBigEndian(batch, qint16(-1)); // the end of the rows
            send();
            // A failure on this side ends the copy with an error, so that the server keeps nothing of it.
            const bool ended = PQputCopyEnd(c, ok && readOk ? nullptr : "copy abandoned") == 1;
            ok = ok && readOk;
            if (ok && !ended) {
                *error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(PQerrorMessage(c)).trimmed());
                ok = false;
            }
            while (PGresult *r = PQgetResult(c)) {
                Result res(r);
                if (ok && (!res.ok() || QByteArray(PQcmdTuples(r)).toLongLong() != n)) {
                    *error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(PQresultErrorMessage(r)).trimmed());
                    ok = false;
                }
            }
        } else {
            ok = false;
        }
        // The indexes built once over the copied rows, not row by row.
        for (auto &s : indexes) {
            if (!ok) break;
            Result r = run(c, s);
            if (!r.ok()) {
                *error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(PQresultErrorMessage(r.r)).trimmed());
                ok = false;
            }
        }
        if (ok)
            ok = copyHistory(c, *file, error);
        top = std::max(top, file->highestIdGiven()); // a deleted record's id is not given again
        if (!wasOpen)
            file->close();
        if (ok && top > 0) {
            Result s = runParams(c, QStringLiteral("SELECT setval($1, $2)"), {textParam(quoted(d.name + QStringLiteral("_id")).toUtf8()), intParam(top)});
            ok = s.ok();
            if (!ok) *error = QString::fromUtf8(PQresultErrorMessage(s.r)).trimmed();
        }
        done.push_back({d.name, n});
    }
    if (ok) {
        Result r = run(c, QStringLiteral("COMMIT"));
        ok = r.ok() && QByteArray(PQcmdStatus(r.r)) == "COMMIT";
        if (!ok) *error = QString::fromUtf8(PQerrorMessage(c)).trimmed();
    } else {
        run(c, QStringLiteral("ROLLBACK"));
    }
    // The planner's statistics for the new tables at once, not at the next autovacuum round.
    for (const CopyCount &n : done)
        if (ok)
            run(c, QStringLiteral("ANALYZE ") + quoted(n.file));
    PQfinish(c);
    setDataDirectory(saved);
    if (ok && counts)
        *counts = std::move(done);
    return ok;
}

// ---- from the server into SQLite files ----------------------------------------------------
namespace {

// A server value (text format) bound to a SQLite statement as the driver stores it.
void bindWire(sqlite3_stmt *st, int index, const Result &r, int row, int col, Wire w)
{
    if (r.isNull(row, col)) {
        sqlite3_bind_null(st, index);
        return;
    }
    const QByteArray v = r.value(row, col);
    switch (w) {
    case Wire::Int8: sqlite3_bind_int64(st, index, v.toLongLong()); return;
    case Wire::Float8: sqlite3_bind_double(st, index, v.toDouble()); return;
    case Wire::Text: sqlite3_bind_text(st, index, v.constData(), int(v.size()), SQLITE_TRANSIENT); return;
    case Wire::Bytea: {
        const QByteArray bytes = QByteArray::fromHex(v.mid(2)); // "\x..."
        sqlite3_bind_blob(st, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

// One file's table and history into the SQLite file made for it (empty), in one transaction.
bool exportFile(PGconn *c, DataFile &file, qint64 *records, QString *error)
{
    const FileDesc &d = file.desc();
    PgDriver helper(file, QString());
    QStringList cols{QStringLiteral("id"), QStringLiteral("ver")};
    cols << helper.writableColumns();
    std::vector<Wire> wire{Wire::Int8, Wire::Int8};
    for (Wire w : wireTypes(d))
        wire.push_back(w);
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(file.diskName().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    QStringList marks;
    for (int i = 0; i < cols.size(); ++i)
        marks << QStringLiteral("?");
    sqlite3_stmt *insert = nullptr, *history = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db, QStringLiteral("INSERT INTO data(%1) VALUES(%2)").arg(cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))).toUtf8().constData(),
                                -1, &insert, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db, QStringLiteral("INSERT INTO history(%1) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)").arg(QLatin1String(historyColumns())).toUtf8().constData(),
                                -1, &history, nullptr);
    bool ok = rc == SQLITE_OK;
    // Read in slices through a cursor, so that a large table never sits in memory whole.
    auto copyRows = [&](const QString &select, sqlite3_stmt *st, const std::vector<Wire> &types, qint64 *n) {
        ok = ok && run(c, QStringLiteral("DECLARE rows NO SCROLL CURSOR FOR ") + select).ok();
        for (bool more = ok; more && ok;) {
            Result slice = run(c, QStringLiteral("FETCH 5000 FROM rows"));
            ok = slice.ok();
            more = slice.rows() > 0;
            for (int row = 0; ok && row < slice.rows(); ++row) {
                for (int col = 0; col < int(types.size()); ++col)
                    bindWire(st, col + 1, slice, row, col, types[std::size_t(col)]);
                ok = sqlite3_step(st) == SQLITE_DONE;
                sqlite3_reset(st);
                ++*n;
            }
        }
        ok = run(c, QStringLiteral("CLOSE rows")).ok() && ok;
    };
    qint64 entries = 0;
    copyRows(QStringLiteral("SELECT %1 FROM %2 ORDER BY id").arg(cols.join(QLatin1Char(',')), quoted(d.name)), insert, wire, records);
    std::vector<Wire> historyTypes(13, Wire::Text);
    historyTypes[6] = Wire::Int8;
    const QString name = QString(d.name).replace(QLatin1Char('\''), QLatin1String("''"));
    copyRows(QStringLiteral("SELECT %1 FROM history WHERE file_name = '%2' ORDER BY chain_seq").arg(QLatin1String(historyColumns()), name),
             history, historyTypes, &entries);
    // The ids the server has given (deleted records' too) stay given.
    Result given = run(c, QStringLiteral("SELECT last_value FROM %1").arg(quoted(d.name + QStringLiteral("_id"))));
    ok = ok && given.ok() && given.rows() == 1;
    if (ok)
        ok = sqlite3_exec(db, QStringLiteral("UPDATE idmark SET last = max(last, %1)").arg(given.value(0, 0).toLongLong()).toUtf8().constData(),
                          nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok)
        *error = QStringLiteral("%1: %2 %3").arg(d.name, QString::fromUtf8(PQerrorMessage(c)).trimmed(), QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_finalize(insert);
    sqlite3_finalize(history);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

bool copyFromServer(const QString &connection, const QString &dir, std::vector<CopyCount> *counts, QString *error)
{
    QString why;
    PGconn *c = connect(connection, &why);
    if (!c) {
        *error = why;
        return false;
    }
    run(c, QStringLiteral("SET statement_timeout = 0"));
    // One snapshot for every table: the copy shows one committed state while stations write on.
    bool ok = run(c, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")).ok();
    if (!ok)
        *error = QString::fromUtf8(PQerrorMessage(c)).trimmed();
    const QString saved = dataDirectory();
    setDataDirectory(dir);
    for (DataFile *shared : files::all()) {
        if (!ok)
            break;
        if (shared->desc().driver != Driver::Sqlite)
            continue;
        Result exists = runParams(c, QStringLiteral("SELECT to_regclass($1) IS NOT NULL"), {textParam(quoted(shared->name()).toUtf8())});
        if (!exists.ok() || exists.rows() != 1) {
            *error = QString::fromUtf8(PQerrorMessage(c)).trimmed();
            ok = false;
            break;
        }
        if (exists.value(0, 0) != "t")
            continue; // made when a window first needs it
        SideFile side(*shared, QStringLiteral("export"));
        qint64 records = 0;
        if (side.file().create() != FileError::None) {
            *error = QStringLiteral("%1: %2").arg(side.file().diskName(), currentError().driverMessage);
            ok = false;
        } else {
            ok = exportFile(c, side.file(), &records, error);
        }
        if (counts)
            counts->push_back({shared->name(), records});
    }
    run(c, QStringLiteral("COMMIT"));
    PQfinish(c);
    setDataDirectory(saved);
    return ok;
}
