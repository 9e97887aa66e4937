// The PostgreSQL driver: each data file is a table of one database.
//
// The table holds the same columns as a SQLite file (id, ver, the fields, the sort columns of
// the keys), with the keys as indexes on (sort columns, id), so that paging is the same keyset
// query. Ids come from a sequence (never given twice). Writers of one group of files are
// serialised by a transaction-level advisory lock, taken by begin() within the 2-second
// lock_timeout. A statement trigger notifies the other stations' lists that the file changed. A
// record's write and its history entry are one statement (writeRecorded).
// Every statement is sent with its values as parameters; the only names put into SQL text are
// the program's own file, column and index names.
#include "data/pgdriver.h"

using namespace pg;

namespace {

constexpr int kGroupLockClass = 0x41535048; // advisory lock class of the write transactions
constexpr int kReadAhead = 32;              // records read at once by a list reading on
constexpr int kReadAheadMs = 200;           // and served for at most this long

} // namespace

std::unique_ptr<StorageDriver> makeServerDriver(DataFile &file, const QString &connection)
{
    return std::make_unique<PgDriver>(file, connection);
}

FileError PgDriver::create()
{
    QString why;
    PGconn *c = separateConnection(&why);
    if (!c)
        return f.fail(FileError::FileSystem, kLostCode, why);
    Result r = run(c, QStringLiteral("BEGIN"));
    Result exists = runParams(c, QStringLiteral("SELECT to_regclass($1) IS NOT NULL"), {textParam(table().toUtf8())});
    FileError e = FileError::None;
    Failure failure;
    if (!exists.ok() || exists.rows() != 1) {
        failure = failureOf(exists, c, false);
    } else if (exists.value(0, 0) == "t") {
        failure = {FileError::FileSystem, 0, QStringLiteral("the table exists: ") + location()};
    } else {
        Result fn = run(c, QStringLiteral("SELECT 1 FROM pg_proc WHERE proname = 'asphalt_notify'"));
        QStringList statements;
        if (fn.ok() && fn.rows() == 0)
            statements << QString::fromLatin1(kNotifyFunction);
        statements << createStatements(f.m_desc);
        for (auto &s : statements) {
            Result step = run(c, s);
            if (!step.ok()) {
                failure = failureOf(step, c, false);
                break;
            }
        }
        if (failure.error == FileError::None) {
            Result done = run(c, QStringLiteral("COMMIT"));
            if (!done.ok() || QByteArray(PQcmdStatus(done.r)) != "COMMIT")
                failure = done.ok() ? Failure{FileError::FileSystem, 0, QStringLiteral("the table was not created")} : failureOf(done, c, false);
        }
    }
    if (failure.error != FileError::None) {
        run(c, QStringLiteral("ROLLBACK"));
        // Another station may have made it meanwhile: then that table is the one to use.
        Result again = runParams(c, QStringLiteral("SELECT to_regclass($1) IS NOT NULL"), {textParam(table().toUtf8())});
        if (failure.message.startsWith(QLatin1String("the table exists")) || !again.ok() || again.value(0, 0) != "t")
            e = f.fail(failure.error == FileError::NotFound ? FileError::FileSystem : failure.error, failure.code, failure.message);
    }
    PQfinish(c);
    return e == FileError::None ? f.succeed() : e;
}

FileError PgDriver::open()
{
    forgetAhead();
    m_read = {};
    const QString key = m_connection + QLatin1Char('|') + f.m_desc.group;
    std::shared_ptr<PgConnection> conn = PgConnection::registry()[key].lock();
    if (!conn) {
        QString why;
        PGconn *c = connect(m_connection, &why);
        if (!c)
            return f.fail(FileError::FileSystem, kLostCode, why);
        conn = std::make_shared<PgConnection>();
        conn->conn = c;
        conn->connection = m_connection;
        conn->restore = &PgDriver::restoreUndo;
        PgConnection::registry()[key] = conn;
    }
    m_conn = conn;
    auto giveUp = [&](FileError e, LONG code, const QString &msg) {
        m_conn.reset();
        return f.fail(e, code, msg);
    };
    if (!ready())
        return giveUp(FileError::FileSystem, currentError().driverCode, currentError().driverMessage);
    // The layout: the columns in order, then the keys, each present and valid.
    Result cols = m_conn->exec(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = to_regclass($1) AND attnum > 0 "
                                              "AND NOT attisdropped ORDER BY attnum"),
                               {textParam(table().toUtf8())});
    if (!cols.ok()) {
        const Failure why = failureOf(cols, m_conn->conn, true);
        return giveUp(why.error, why.code, why.message);
    }
    if (cols.rows() == 0)
        return giveUp(FileError::NotFound, 0, location());
    QStringList found;
    for (int i = 0; i < cols.rows(); ++i) found << QString::fromUtf8(cols.value(i, 0));
    if (found != expectedColumns(f.m_desc))
        return giveUp(FileError::InvalidFile, 0, QStringLiteral("unexpected record layout: ") + location());
    Result idx = m_conn->exec(QStringLiteral("SELECT c.relname, i.indisvalid FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid "
                                             "WHERE i.indrelid = to_regclass($1)"),
                              {textParam(table().toUtf8())});
    if (!idx.ok()) {
        const Failure why = failureOf(idx, m_conn->conn, true);
        return giveUp(why.error, why.code, why.message);
    }
    QStringList valid;
    for (int i = 0; i < idx.rows(); ++i)
        if (idx.value(i, 1) == "t") valid << QString::fromUtf8(idx.value(i, 0));
    for (auto &w : wantedIndexes(f.m_desc))
        if (!valid.contains(w))
            return giveUp(FileError::InvalidKeyFile, 0, QStringLiteral("missing or invalid key ") + w);
    const QString channel = channelOf(f.m_desc);
    if (!m_conn->listening.count(channel)) {
        Result l = run(m_conn->conn, QStringLiteral("LISTEN ") + quoted(channel));
        if (!l.ok()) {
            const Failure why = failureOf(l, m_conn->conn, true);
            return giveUp(why.error, why.code, why.message);
        }
        m_conn->listening.insert(channel);
    }
    if (FileError e = keepHistoryTable(); e != FileError::None) {
        const ErrorState why = currentError();
        return giveUp(e, why.driverCode, why.driverMessage);
    }
    m_conn->drainNotices();
    f.m_dataVersion = qint64(m_conn->notices[channel]);
    m_reconnects = m_conn->reconnects;
    f.m_current = {};
    f.m_order = DataFile::PhysicalOrder;
    f.setToStart();
    return f.succeed();
}

FileError PgDriver::close()
{
    forgetAhead();
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    m_conn.reset();
    f.m_current = {};
    m_read = {};
    return f.succeed();
}

FileError PgDriver::rebuildKeys()
{
    QString why;
    PGconn *c = separateConnection(&why);
    if (!c)
        return f.fail(FileError::FileSystem, kLostCode, why);
    run(c, QStringLiteral("SET statement_timeout = 0"));
    Failure failure;
    QStringList statements = indexStatements(f.m_desc, true);
    statements << QStringLiteral("REINDEX TABLE ") + table();
    for (auto &s : statements) {
        Result r = run(c, s);
        if (!r.ok()) {
            failure = failureOf(r, c, false);
            break;
        }
    }
    PQfinish(c);
    return failure.error == FileError::None ? f.succeed() : f.fail(failure.error, failure.code, failure.message);
}

// ---- reading ------------------------------------------------------------------------------
Row PgDriver::fieldsOf(const Result &r, int at, int first, int *repaired) const
{
    const FileDesc &d = f.m_desc;
    Row row;
    row.reserve(d.columns.size());
    for (int i = 0; i < int(d.columns.size()); ++i) {
        const QByteArray v = r.value(at, i + first);
        switch (d.columns[i].type) {
        case ColumnType::Byte:
        case ColumnType::Long:
        case ColumnType::Ulong: row.emplace_back(v.toLongLong()); break;
        case ColumnType::Real:
        case ColumnType::Decimal: row.emplace_back(v.toDouble()); break;
        case ColumnType::Text: {
            const QString text = QString::fromUtf8(v);
            auto enc = cp1251::encode(text);
            if (enc) {
                row.emplace_back(*enc);
            } else { // written by another tool with characters Windows-1251 lacks
                ++*repaired;
                QByteArray out;
                for (QChar ch : text) {
                    auto b = cp1251::fromUnicode(ch.unicode());
                    out.append(b ? char(*b) : '?');
                }
                row.emplace_back(out);
            }
            break;
        }
        }
    }
    return row;
}

void PgDriver::loadRow(const Result &r, int at)
{
    const FileDesc &d = f.m_desc;
    int repaired = 0;
    Row row = fieldsOf(r, at, 2, &repaired);
    f.m_current.id = r.value(at, 0).toLongLong();
    f.m_currentVersion = r.value(at, 1).toLongLong();
    f.m_repaired = repaired + f.m_buffer->load(row);
    m_read = {f.m_current.id, f.m_currentVersion, std::move(row)};
    f.m_cursor->sort.clear();
    if (f.m_order != DataFile::PhysicalOrder) {
        const auto &parts = d.keys[f.m_order].parts;
        for (int p = 0; p < int(parts.size()); ++p) {
            const int col = int(d.columns.size()) + 2 + p;
            if (r.isNull(at, col))
                f.m_cursor->sort.emplace_back();
            else if (d.columns[parts[p].column].type == ColumnType::Text)
                f.m_cursor->sort.emplace_back(QByteArray::fromHex(r.value(at, col).mid(2))); // "\x..."
            else
                f.m_cursor->sort.emplace_back(r.value(at, col).toDouble());
        }
    }
    f.m_cursor->idForNext = f.m_cursor->idForPrev = f.m_current.id;
    f.m_cursor->atStart = f.m_cursor->atEnd = false;
}

FileError PgDriver::readOne(bool forward)
{
    if (!ready())
        return FileError(currentError().code);
    const bool goingOn = goesOn(forward);
    if (goingOn && m_ahead.age.isValid() && m_ahead.age.elapsed() < kReadAheadMs && m_ahead.next < m_ahead.rows.rows()) {
        loadRow(m_ahead.rows, m_ahead.next++);
        served(forward);
        return f.succeed();
    }
    forgetAhead();
    const bool fromEdge = forward ? f.m_cursor->atStart : f.m_cursor->atEnd;
    const QString cols = f.orderColumns();
    QString where;
    Params params;
    if (!fromEdge) {
        QStringList marks;
        for (auto &v : f.m_cursor->sort) {
            params.push_back(sortParam(v));
            marks << QStringLiteral("$%1").arg(params.size());
        }
        params.push_back(intParam(forward ? f.m_cursor->idForNext : f.m_cursor->idForPrev));
        marks << QStringLiteral("$%1").arg(params.size());
        where = QStringLiteral(" WHERE (%1) %2 (%3)").arg(cols, forward ? QStringLiteral(">") : QStringLiteral("<"), marks.join(QLatin1Char(',')));
    }
    const QString dir = forward ? QString() : QStringLiteral(" DESC");
    const QString orderBy = QStringLiteral(" ORDER BY ") + QString(cols).replace(QLatin1Char(','), dir + QLatin1Char(',')) + dir + QStringLiteral(" LIMIT %1").arg(goingOn ? kReadAhead : 1);
    Result r = m_conn->exec(selectSql(where, orderBy), params);
    if (!r.ok())
        return failWith(r);
    if (r.rows() == 0)
        return f.fail(FileError::EndOfFile);
    loadRow(r);
    m_ahead.rows = std::move(r);
    m_ahead.next = 1;
    m_ahead.age.start();
    served(forward);
    return f.succeed();
}

FileError PgDriver::get(int key)
{
    if (!ready())
        return FileError(currentError().code);
    if (key < 0 || key >= int(f.m_desc.keys.size()))
        return f.fail(FileError::RecordNotFound);
    const Row probe = f.sortValues(f.m_buffer->save(), key);
    QStringList parts;
    Params params;
    for (int p = 0; p < int(probe.size()); ++p) {
        params.push_back(sortParam(probe[p]));
        parts << sortColumn(key, p) + QStringLiteral("=$%1").arg(p + 1);
    }
    QStringList order;
    for (int p = 0; p < int(probe.size()); ++p) order << sortColumn(key, p);
    order << QStringLiteral("id");
    Result r = m_conn->exec(QStringLiteral("SELECT id FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                                .arg(table(), parts.join(QStringLiteral(" AND ")), order.join(QLatin1Char(','))),
                            params);
    if (!r.ok())
        return failWith(r);
    if (r.rows() == 0)
        return f.fail(FileError::RecordNotFound);
    return fetch(r.value(0, 0).toLongLong()); // read in the current order
}

FileError PgDriver::fetch(qint64 id)
{
    if (!ready())
        return FileError(currentError().code);
    Result r = m_conn->exec(selectSql(QStringLiteral(" WHERE id=$1"), QString()), {intParam(id)});
    if (!r.ok())
        return failWith(r);
    if (r.rows() == 0)
        return f.fail(FileError::RecordNotFound);
    loadRow(r);
    return f.succeed();
}

qint64 PgDriver::recordCount()
{
    if (!ready())
        return 0;
    Result r = m_conn->exec(QStringLiteral("SELECT count(*) FROM %1").arg(table()), {});
    return r.ok() && r.rows() == 1 ? r.value(0, 0).toLongLong() : 0;
}

bool PgDriver::changedElsewhere()
{
    if (!m_conn)
        return false;
    QString why;
    if (!m_conn->ensure(&why))
        return true; // the lists re-read, and show the lost connection
    m_conn->drainNotices();
    const qint64 seen = qint64(m_conn->notices[channelOf(f.m_desc)]);
    const bool changed = seen != f.m_dataVersion || m_reconnects != m_conn->reconnects;
    f.m_dataVersion = seen;
    m_reconnects = m_conn->reconnects;
    return changed;
}

// ---- writing ------------------------------------------------------------------------------
Row PgDriver::rowValuesOf(const Row &fields) const
{
    Row out = fields;
    for (int k = 0; k < int(f.m_desc.keys.size()); ++k) {
        for (auto &v : f.sortValues(fields, k))
            out.push_back(v);
        if (f.m_desc.keys[k].unique) {
            const Value &v = fields[f.m_desc.keys[k].parts.front().column];
            if (DataFile::isZeroOrBlank(v))
                out.push_back(std::monostate{});
            else if (auto *b = std::get_if<QByteArray>(&v))
                out.push_back(cp1251::sortKey(*b));
            else if (auto *i = std::get_if<qint64>(&v))
                out.push_back(double(*i));
            else
                out.push_back(v);
        }
    }
    return out;
}

Params PgDriver::rowParamsOf(const Row &fields) const
{
    const Row values = rowValuesOf(fields);
    Params out;
    for (std::size_t i = 0; i < values.size(); ++i)
        out.push_back(i < fields.size() ? fieldParam(values[i]) : sortParam(values[i]));
    return out;
}

PgDriver::Write PgDriver::recordWrite(HistoryAction action, qint64 id, int first, const QString &also) const
{
    Write w;
    auto param = [&](Param p) {
        w.params.push_back(std::move(p));
        return QStringLiteral("$%1").arg(first + int(w.params.size()) - 1);
    };
    const QString andAlso = also.isEmpty() ? QString() : QStringLiteral(" AND ") + also;
    if (action == HistoryAction::Add) {
        QStringList cols = writableColumns(), marks;
        if (id) {
            cols.prepend(QStringLiteral("id"));
            marks << param(intParam(id));
        }
        for (Param &p : rowParamsOf(f.m_buffer->save()))
            marks << param(std::move(p));
        w.sql = (also.isEmpty() ? QStringLiteral("INSERT INTO %1(%2) VALUES(%3)") : QStringLiteral("INSERT INTO %1(%2) SELECT %3 WHERE %4"))
                    .arg(table(), cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')), also);
    } else if (action == HistoryAction::Change) {
        const QStringList cols = writableColumns();
        Params values = rowParamsOf(f.m_buffer->save());
        QStringList sets;
        for (int i = 0; i < cols.size(); ++i)
            sets << cols[i] + QLatin1Char('=') + param(std::move(values[i]));
        const QString idMark = param(intParam(f.m_current.id));
        const QString verMark = param(intParam(f.m_currentVersion));
        w.sql = QStringLiteral("UPDATE %1 SET %2, ver=ver+1 WHERE id=%3 AND ver=%4%5")
                    .arg(table(), sets.join(QLatin1Char(',')), idMark, verMark, andAlso);
    } else {
        const QString idMark = param(intParam(f.m_current.id));
        const QString verMark = param(intParam(f.m_currentVersion));
        w.sql = QStringLiteral("DELETE FROM %1 WHERE id=%2 AND ver=%3%4").arg(table(), idMark, verMark, andAlso);
    }
    w.sql += QStringLiteral(" RETURNING id");
    return w;
}

FileError PgDriver::written(HistoryAction action, qint64 id)
{
    if (action == HistoryAction::Add) {
        f.m_current.id = id;
        f.m_currentVersion = 1;
    } else if (action == HistoryAction::Change) {
        ++f.m_currentVersion;
    } else {
        f.m_current = {};
    }
    ++f.m_writes;
    m_read = action == HistoryAction::Delete ? AsRead() : AsRead{id, f.m_currentVersion, f.m_buffer->save()};
    return f.succeed();
}

FileError PgDriver::writePlain(HistoryAction action)
{
    forgetAhead();
    if (!ready())
        return FileError(currentError().code);
    if (action != HistoryAction::Add && f.m_current.isNull())
        return f.fail(FileError::RecordNotFound);
    remember();
    const Write w = recordWrite(action, 0, 1, {});
    Result r = m_conn->write(w.sql, w.params);
    if (!r.ok())
        return failWith(r);
    if (r.rows() != 1) // the change watch: changed or deleted by another station since it was read
        return f.fail(FileError::ChangedByOther);
    return written(action, action == HistoryAction::Add ? r.value(0, 0).toLongLong() : f.m_current.id);
}

FileError PgDriver::add() { return writePlain(HistoryAction::Add); }
FileError PgDriver::put() { return writePlain(HistoryAction::Change); }
FileError PgDriver::remove() { return writePlain(HistoryAction::Delete); }

// ---- transactions -------------------------------------------------------------------------
FileError PgDriver::begin()
{
    forgetAhead();
    if (!ready())
        return FileError(currentError().code);
    if (m_conn->inTransaction)
        return f.fail(FileError::Busy, 0, QStringLiteral("a transaction is already open"));
    Result b = run(m_conn->conn, QStringLiteral("BEGIN"));
    if (!b.ok())
        return failWith(b);
    // The group's writers one at a time, as BEGIN IMMEDIATE does for SQLite files.
    Result lock = runParams(m_conn->conn, QStringLiteral("SELECT pg_advisory_xact_lock($1, hashtext($2))"),
                            {intParam(kGroupLockClass), textParam(f.m_desc.group.toUtf8())});
    if (!lock.ok()) {
        const FileError e = failWith(lock);
        run(m_conn->conn, QStringLiteral("ROLLBACK"));
        return e;
    }
    m_conn->inTransaction = true;
    return f.succeed();
}

FileError PgDriver::commit()
{
    forgetAhead();
    if (!m_conn || !m_conn->inTransaction)
        return f.fail(FileError::NotOpen, 0, QStringLiteral("no transaction"));
    if (m_conn->transactionLost) {
        m_conn->endTransaction();
        return f.fail(FileError::FileSystem, kLostCode, transactionLostText());
    }
    Result r = run(m_conn->conn, QStringLiteral("COMMIT"));
    // A transaction the server had to abort answers COMMIT with ROLLBACK: that is a failure.
    if (!r.ok() || QByteArray(PQcmdStatus(r.r)) != "COMMIT") {
        const FileError e = r.ok() ? f.fail(FileError::FileSystem, 0, QStringLiteral("the transaction was rolled back")) : failWith(r);
        if (PQstatus(m_conn->conn) == CONNECTION_OK)
            run(m_conn->conn, QStringLiteral("ROLLBACK"));
        m_conn->lost(); // the change watch goes back
        m_conn->endTransaction();
        return e;
    }
    m_conn->endTransaction();
    return f.succeed();
}

FileError PgDriver::rollback()
{
    forgetAhead();
    if (!m_conn || !m_conn->inTransaction)
        return f.fail(FileError::NotOpen, 0, QStringLiteral("no transaction"));
    if (!m_conn->transactionLost) // else the server has rolled it back already
        run(m_conn->conn, QStringLiteral("ROLLBACK"));
    m_conn->lost();
    m_conn->endTransaction();
    return f.succeed();
}

// ---- the change history -------------------------------------------------------------------
// The history table is made by the first station that needs it; a station whose role may only
// add entries finds it made.
FileError PgDriver::keepHistoryTable()
{
    if (m_conn->historyReady)
        return FileError::None;
    Result kept = pg::keepHistoryTable(m_conn->conn);
    if (!kept.ok() || kept.rows() != 1)
        return failWith(kept, true);
    m_conn->role = QString::fromUtf8(kept.value(0, 0));
    m_conn->historyReady = true;
    return FileError::None;
}

// The current record as the file read it is the one stored as long as its version is: the
// change watch lets a write through only then. Another one is read.
FileError PgDriver::readStored(qint64 id, Row *fields)
{
    if (id == f.m_current.id && m_read.id == id && m_read.version == f.m_currentVersion) {
        *fields = m_read.row;
        return FileError::None;
    }
    fields->clear();
    if (!ready())
        return FileError(currentError().code);
    QStringList cols;
    for (auto &c : f.m_desc.columns)
        cols << quoted(c.name);
    Result r = m_conn->exec(QStringLiteral("SELECT %1 FROM %2 WHERE id=$1").arg(cols.join(QLatin1Char(',')), table()), {intParam(id)});
    if (!r.ok())
        return failWith(r);
    if (r.rows() != 1)
        return f.fail(FileError::RecordNotFound);
    int repaired = 0;
    *fields = fieldsOf(r, 0, 0, &repaired);
    return FileError::None;
}

FileError PgDriver::readChainEnd(const QString &file, PgConnection::ChainEnd *end)
{
    Result r = m_conn->exec(QStringLiteral("SELECT chain_seq, hash FROM history WHERE file_name=$1 ORDER BY chain_seq DESC LIMIT 1"),
                            {textParam(file.toUtf8())});
    if (!r.ok())
        return failWith(r);
    *end = r.rows() ? PgConnection::ChainEnd{r.value(0, 0).toLongLong(), QString::fromUtf8(r.value(0, 1))} : PgConnection::ChainEnd{};
    return FileError::None;
}

namespace {
constexpr int kChainAttempts = 8; // an entry that keeps losing its place to other stations' gives up

bool chainTaken(const Result &r)
{
    const char *constraint = r.r ? PQresultErrorField(r.r, PG_DIAG_CONSTRAINT_NAME) : nullptr;
    return r.state() == "23505" && constraint && QByteArray(constraint) == "history_chain_seq";
}
} // namespace

// The record's write (its parameters from $4) on the condition that the chain's end is still
// `end` ($1 to $3), and the entry's insert after it. An added record's id is the table's: the
// server makes the entry's hash around it.
PgDriver::Write PgDriver::recordedWrite(HistoryAction action, const HistoryEntry &entry, const PgConnection::ChainEnd &end) const
{
    const bool adding = action == HistoryAction::Add;
    const Write record = recordWrite(action, 0, 4, QStringLiteral("coalesce((SELECT hash FROM history WHERE file_name=$1 AND chain_seq=$2), '')=$3"));
    Write w{{}, {textParam(entry.file.toUtf8()), intParam(end.seq), textParam(end.hash.toUtf8())}};
    w.params.insert(w.params.end(), record.params.begin(), record.params.end());
    QStringList values;
    auto value = [&](Param v) {
        w.params.push_back(std::move(v));
        values << QStringLiteral("$%1").arg(w.params.size());
    };
    for (const QString *s : {&entry.at, &entry.user, &entry.role, &entry.station, &entry.window, &entry.file})
        value(textParam(s->toUtf8()));
    if (adding)
        values << QStringLiteral("w.id");
    else
        value(intParam(entry.record));
    value(textParam(entry.keys.toUtf8()));
    value(textParam(history::actionName(entry.action).toUtf8()));
    for (const QString *s : {&entry.fields, &entry.reason, &entry.prev})
        value(textParam(s->toUtf8()));
    if (adding) {
        const auto [first, second] = history::hashedAroundRecord(entry);
        w.params.push_back({first, false, true});
        w.params.push_back({second, false, true});
        values << QStringLiteral("encode(sha256($%1::bytea || convert_to(w.id::text, 'UTF8') || $%2::bytea), 'hex')")
                      .arg(w.params.size() - 1)
                      .arg(w.params.size());
    } else {
        value(textParam(entry.hash.toUtf8()));
    }
    value(intParam(end.seq + 1));
    w.sql = QStringLiteral("WITH w AS (%1) INSERT INTO history(%2,chain_seq) SELECT %3 FROM w RETURNING id%4")
                .arg(record.sql, QLatin1String(historyColumns()), values.join(QLatin1Char(',')),
                     adding ? QStringLiteral(", record_id, hash") : QString());
    return w;
}

// One statement writes the record and adds its entry after the chain's end known here, when that
// is still the end (else neither is written, and the end is read again). Two stations' entries
// after the same one collide on its number: the later one waits for the first and tries again.
FileError PgDriver::writeRecorded(HistoryAction action, const std::function<FileError()> &, const EntryOf &entryOf)
{
    forgetAhead();
    if (!ready())
        return FileError(currentError().code);
    if (action != HistoryAction::Add && f.m_current.isNull())
        return f.fail(FileError::RecordNotFound);
    const bool adding = action == HistoryAction::Add;
    Row before;
    if (!adding)
        if (FileError e = readStored(f.m_current.id, &before); e != FileError::None)
            return e == FileError::RecordNotFound ? f.fail(FileError::ChangedByOther) : e;
    std::optional<HistoryEntry> entry = entryOf(before, adding ? 0 : f.m_current.id);
    if (!entry)
        return writePlain(action);
    entry->role = m_conn->role;
    remember();
    for (int attempt = 0; attempt < kChainAttempts; ++attempt) {
        const QString chain = m_connection + QLatin1Char('|') + entry->file;
        auto known = PgConnection::chainEnds().find(chain);
        if (known == PgConnection::chainEnds().end()) {
            PgConnection::ChainEnd end;
            if (FileError e = readChainEnd(entry->file, &end); e != FileError::None)
                return e;
            known = PgConnection::chainEnds().emplace(chain, end).first;
        }
        PgConnection::ChainEnd &end = known->second;
        history::seal(*entry, end.hash);
        const Write w = recordedWrite(action, *entry, end);
        Result r = m_conn->write(w.sql, w.params);
        if (r.ok() && r.rows() == 1) {
            entry->id = r.value(0, 0).toLongLong();
            if (adding) {
                entry->record = r.value(0, 1).toLongLong();
                entry->hash = QString::fromLatin1(r.value(0, 2));
            }
            end = {end.seq + 1, entry->hash};
            return written(action, entry->record);
        }
        if (!r.ok() && !chainTaken(r))
            return failWith(r);
        const PgConnection::ChainEnd seen = end;
        if (FileError e = readChainEnd(entry->file, &end); e != FileError::None)
            return e;
        if (r.ok() && end.seq == seen.seq && end.hash == seen.hash)
            return f.fail(FileError::ChangedByOther); // the record, not the chain, had moved on
    }
    return f.fail(FileError::Busy, 0, QStringLiteral("other stations keep adding to the file's change history"));
}

FileError PgDriver::readHistory(qint64 record, std::vector<HistoryEntry> *out)
{
    if (!ready())
        return FileError(currentError().code);
    Params p{textParam(f.m_desc.name.toUtf8())};
    if (record)
        p.push_back(intParam(record));
    Result r = m_conn->exec(QStringLiteral("SELECT id,%1 FROM history WHERE file_name=$1%2")
                                .arg(QLatin1String(historyColumns()), record ? QStringLiteral(" AND record_id=$2 ORDER BY id") : QStringLiteral(" ORDER BY chain_seq")),
                            p);
    if (!r.ok())
        return failWith(r);
    for (int i = 0; i < r.rows(); ++i) {
        auto text = [&](int col) { return QString::fromUtf8(r.value(i, col)); };
        HistoryEntry e;
        e.id = r.value(i, 0).toLongLong();
        e.at = text(1), e.user = text(2), e.role = text(3), e.station = text(4), e.window = text(5), e.file = text(6);
        e.record = r.value(i, 7).toLongLong();
        e.keys = text(8);
        e.action = history::actionOf(text(9)).value_or(HistoryAction::Change);
        e.fields = text(10), e.reason = text(11), e.prev = text(12), e.hash = text(13);
        out->push_back(std::move(e));
    }
    return FileError::None;
}
