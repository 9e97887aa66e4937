// Copying a working directory's SQLite files into a PostgreSQL database, all or nothing.
#include "data/files.h"
#include "data/pgdriver.h"
#include "data/sqlitedriver_p.h"

#include <QFileInfo>

using namespace pg;

namespace {

constexpr qsizetype kBatch = 1 << 20;

// A value in COPY's text format: NULL as \N; a text with its backslashes, tabs and line ends
// escaped; bytes as bytea's hex form (its backslash escaped too).
void appendCopyText(QByteArray &out, const Param &p)
{
    if (p.null) {
        out += "\\N";
        return;
    }
    if (p.binary) {
        out += "\\\\x";
        out += p.data.toHex();
        return;
    }
    for (char ch : p.data) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += ch;
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

} // namespace

bool copyToServer(const QString &connection, const QString &dir, std::vector<CopyCount> *counts, QString *error)
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
    if (!ok)
        *error = QString::fromUtf8(PQerrorMessage(c)).trimmed();
    for (DataFile *file : files::all()) {
        if (!ok) break;
        if (file->desc().driver != Driver::Sqlite || !QFileInfo::exists(file->diskName()))
            continue;
        const FileDesc &d = file->desc();
        const QStringList indexes = indexStatements(d, false);
        for (auto &s : createStatements(d)) {
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
        const QString copy = QStringLiteral("COPY %1(%2) FROM STDIN").arg(quoted(d.name), cols.join(QLatin1Char(',')));
        Result started(PQexec(c, copy.toUtf8().constData()));
        if (PQresultStatus(started.r) != PGRES_COPY_IN) {
            *error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(PQerrorMessage(c)).trimmed());
            ok = false;
        }
        // The rows go in batches of about a megabyte; the server answers once, at the end.
        QByteArray batch;
        auto send = [&] {
            if (ok && PQputCopyData(c, batch.constData(), int(batch.size())) != 1) {
                *error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(PQerrorMessage(c)).trimmed());
                ok = false;
            }
            batch.clear();
        };
        SqliteRows source(*file);
        qint64 id = 0, version = 0;
        Row fields;
        while (ok && source.next(id, version, fields)) {
            batch += QByteArray::number(id);
            batch += '\t';
            batch += QByteArray::number(version);
            for (auto &p : helper.rowParamsOf(fields)) {
                batch += '\t';
                appendCopyText(batch, p);
            }
            batch += '\n';
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
            if (!batch.isEmpty()) send();
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
