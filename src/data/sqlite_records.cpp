// The SQLite driver: reading records in key order, writing them under the change watch, and
// the transactions over a group of files.
#include "data/sqlitedriver_p.h"

using namespace sqlite_detail;

// Loads the row the statement stands on into the buffer and the cursor.
void SqliteDriver::loadRow(void *stmt)
{
    auto *st = static_cast<sqlite3_stmt *>(stmt);
    int repaired = 0;
    Row row;
    row.reserve(f.m_desc.columns.size());
    for (int i = 0; i < int(f.m_desc.columns.size()); ++i)
        row.push_back(columnValue(st, i + 2, f.m_desc.columns[i].type, repaired));
    f.m_current.id = sqlite3_column_int64(st, 0);
    f.m_currentVersion = sqlite3_column_int64(st, 1);
    f.m_repaired = repaired + f.m_buffer->load(row);
    f.m_cursor->sort.clear();
    if (f.m_order != DataFile::PhysicalOrder)
        for (int p = 0; p < int(f.m_desc.keys[f.m_order].parts.size()); ++p)
            f.m_cursor->sort.push_back(sortColumnValue(st, int(f.m_desc.columns.size()) + 2 + p));
    f.m_cursor->idForNext = f.m_cursor->idForPrev = f.m_current.id;
    f.m_cursor->atStart = f.m_cursor->atEnd = false;
}

FileError SqliteDriver::readOne(bool forward)
{
    return readFrom(forward, true, [] { return false; });
}

// One statement stepped over the records after the cursor (a chart reads thousands at once).
FileError SqliteDriver::readOnward(const std::function<bool()> &each) { return readFrom(true, false, each); }

// The records beyond the cursor in the order's direction, loaded one by one while `each` says go
// on; `one`: the statement asks for the first of them only.
FileError SqliteDriver::readFrom(bool forward, bool one, const std::function<bool()> &each)
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    const bool fromEdge = forward ? f.m_cursor->atStart : f.m_cursor->atEnd;
    const QString cols = f.orderColumns();
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(f.selectList(), table());
    if (!fromEdge) {
        QStringList marks;
        for (std::size_t i = 0; i < f.m_cursor->sort.size() + 1; ++i)
            marks << QStringLiteral("?");
        sql += QStringLiteral(" WHERE (%1) %2 (%3)").arg(cols, forward ? QStringLiteral(">") : QStringLiteral("<"), marks.join(QLatin1Char(',')));
    }
    const QString dir = forward ? QString() : QStringLiteral(" DESC");
    sql += QStringLiteral(" ORDER BY ") + QString(cols).replace(QLatin1Char(','), dir + QLatin1Char(',')) + dir;
    if (one)
        sql += QStringLiteral(" LIMIT 1");
    sqlite3_stmt *st = m_conn->statement(sql);
    if (!st)
        return f.fail(FileError::FileSystem, sqlite3_errcode(m_conn->db), QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    if (!fromEdge) {
        int i = 1;
        for (auto &v : f.m_cursor->sort)
            bindValue(st, i++, v, true);
        sqlite3_bind_int64(st, i, forward ? f.m_cursor->idForNext : f.m_cursor->idForPrev);
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        loadRow(st);
        if (!each()) {
            sqlite3_reset(st);
            return f.succeed();
        }
    }
    sqlite3_reset(st);
    if (rc == SQLITE_DONE)
        return f.fail(FileError::EndOfFile);
    return sqlFailure(rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
}

FileError SqliteDriver::get(int key)
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    if (key < 0 || key >= int(f.m_desc.keys.size()))
        return f.fail(FileError::RecordNotFound);
    int saved = f.m_order;
    f.m_order = key;
    Row probe = f.sortValues(f.m_buffer->save(), key);
    QStringList parts;
    for (int p = 0; p < int(probe.size()); ++p)
        parts << sortColumn(key, p) + QStringLiteral("=?");
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT 1")
                      .arg(f.selectList(), table(), parts.join(QStringLiteral(" AND ")), f.orderColumns());
    sqlite3_stmt *st = m_conn->statement(sql);
    int i = 1;
    for (auto &v : probe)
        bindValue(st, i++, v, true);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        if (saved == key) {
            loadRow(st);
        } else {
            f.m_order = saved;
            qint64 id = sqlite3_column_int64(st, 0);
            sqlite3_reset(st);
            return fetch(id);
        }
        sqlite3_reset(st);
        return f.succeed();
    }
    f.m_order = saved;
    sqlite3_reset(st);
    return rc == SQLITE_DONE ? f.fail(FileError::RecordNotFound) : sqlFailure(rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
}

FileError SqliteDriver::fetch(qint64 id)
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    sqlite3_stmt *st = m_conn->statement(QStringLiteral("SELECT %1 FROM %2 WHERE id=?").arg(f.selectList(), table()));
    sqlite3_bind_int64(st, 1, id);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        loadRow(st);
        sqlite3_reset(st);
        return f.succeed();
    }
    sqlite3_reset(st);
    return rc == SQLITE_DONE ? f.fail(FileError::RecordNotFound) : sqlFailure(rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
}

qint64 SqliteDriver::highestIdGiven()
{
    if (!m_conn)
        return 0;
    sqlite3_stmt *st = m_conn->statement(
        QStringLiteral("SELECT max(coalesce((SELECT max(id) FROM %1),0),coalesce((SELECT max(last) FROM %2.%3),0))")
            .arg(table(), quoted(m_schema), QLatin1String(kIdMarkTable)));
    const qint64 n = st && sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    if (st)
        sqlite3_reset(st);
    return n;
}

qint64 SqliteDriver::recordCount()
{
    if (!m_conn)
        return 0;
    sqlite3_stmt *st = m_conn->statement(QStringLiteral("SELECT count(*) FROM %1").arg(table()));
    qint64 n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_reset(st);
    return n;
}

bool SqliteDriver::changedElsewhere()
{
    if (!m_conn)
        return false;
    sqlite3_stmt *st = m_conn->statement(QStringLiteral("PRAGMA %1.data_version").arg(quoted(m_schema)));
    qint64 v = (st && sqlite3_step(st) == SQLITE_ROW) ? sqlite3_column_int64(st, 0) : -1;
    if (st) sqlite3_reset(st);
    bool changed = v != f.m_dataVersion;
    f.m_dataVersion = v;
    return changed;
}

// ---- writing ------------------------------------------------------------------------------
void SqliteDriver::bindRow(void *stmt, int &index, const Row &fields) const
{
    auto *st = static_cast<sqlite3_stmt *>(stmt);
    for (auto &v : fields)
        bindValue(st, index++, v, false);
    for (int k = 0; k < int(f.m_desc.keys.size()); ++k) {
        for (auto &v : f.sortValues(fields, k))
            bindValue(st, index++, v, true);
        if (f.m_desc.keys[k].unique) {
            const Value &first = fields[f.m_desc.keys[k].parts.front().column];
            bindValue(st, index++, DataFile::isZeroOrBlank(first) ? Value{} : DataFile::sortValue(first, false), true);
        }
    }
}

FileError SqliteDriver::add()
{
    Row fields = f.m_buffer->save();
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    if (m_damage != FileError::None)
        return f.fail(m_damage, 0, QStringLiteral("the file is damaged: its keys must be rebuilt first"));
    rememberForRollback();
    QStringList cols = f.writableColumns();
    QStringList marks;
    for (int i = 0; i < cols.size(); ++i) marks << QStringLiteral("?");
    QString sql = QStringLiteral("INSERT INTO %1(id,ver,%2) VALUES((SELECT max(coalesce((SELECT max(id) FROM %1),0),"
                                 "coalesce((SELECT max(last) FROM %4.%5),0))+1),1,%3) RETURNING id")
                      .arg(table(), cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')), quoted(m_schema),
                           QLatin1String(kIdMarkTable));
    sqlite3_stmt *st = m_conn->statement(sql);
    if (!st)
        return f.fail(FileError::FileSystem, sqlite3_errcode(m_conn->db), QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    int i = 1;
    bindRow(st, i, fields);
    int rc = sqlite3_step(st);
    qint64 id = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    if (rc == SQLITE_ROW) rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        QString msg = QString::fromUtf8(sqlite3_errmsg(m_conn->db));
        rc = sqlite3_reset(st);
        return sqlFailure(rc, msg);
    }
    sqlite3_reset(st);
    f.m_current.id = id;
    f.m_currentVersion = 1;
    ++f.m_writes;
    return f.succeed();
}

FileError SqliteDriver::put()
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    if (m_damage != FileError::None)
        return f.fail(m_damage, 0, QStringLiteral("the file is damaged: its keys must be rebuilt first"));
    if (f.m_current.isNull())
        return f.fail(FileError::RecordNotFound);
    rememberForRollback();
    QStringList sets;
    for (auto &c : f.writableColumns()) sets << c + QStringLiteral("=?");
    sqlite3_stmt *st = m_conn->statement(QStringLiteral("UPDATE %1 SET %2, ver=ver+1 WHERE id=? AND ver=?").arg(table(), sets.join(QLatin1Char(','))));
    int i = 1;
    bindRow(st, i, f.m_buffer->save());
    sqlite3_bind_int64(st, i++, f.m_current.id);
    sqlite3_bind_int64(st, i++, f.m_currentVersion);
    int rc = sqlite3_step(st);
    QString msg = QString::fromUtf8(sqlite3_errmsg(m_conn->db));
    if (rc != SQLITE_DONE) {
        rc = sqlite3_reset(st);
        return sqlFailure(rc, msg);
    }
    sqlite3_reset(st);
    if (sqlite3_changes(m_conn->db) == 0)
        return f.fail(FileError::ChangedByOther);
    ++f.m_currentVersion;
    ++f.m_writes;
    return f.succeed();
}

FileError SqliteDriver::remove()
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    if (m_damage != FileError::None)
        return f.fail(m_damage, 0, QStringLiteral("the file is damaged: its keys must be rebuilt first"));
    if (f.m_current.isNull())
        return f.fail(FileError::RecordNotFound);
    rememberForRollback();
    sqlite3_stmt *st = m_conn->statement(QStringLiteral("DELETE FROM %1 WHERE id=? AND ver=?").arg(table()));
    sqlite3_bind_int64(st, 1, f.m_current.id);
    sqlite3_bind_int64(st, 2, f.m_currentVersion);
    int rc = sqlite3_step(st);
    QString msg = QString::fromUtf8(sqlite3_errmsg(m_conn->db));
    if (rc != SQLITE_DONE) {
        rc = sqlite3_reset(st);
        return sqlFailure(rc, msg);
    }
    sqlite3_reset(st);
    if (sqlite3_changes(m_conn->db) == 0)
        return f.fail(FileError::ChangedByOther);
    f.m_current = {};
    ++f.m_writes;
    return f.succeed();
}

void SqliteDriver::rememberForRollback()
{
    if (m_conn->inTransaction)
        m_conn->undo.push_back({&f, f.m_current, f.m_currentVersion});
}

void SqliteDriver::undoTransaction()
{
    for (auto it = m_conn->undo.rbegin(); it != m_conn->undo.rend(); ++it) {
        it->file->m_current = it->position;
        it->file->m_currentVersion = it->version;
    }
    m_conn->undo.clear();
}

FileError SqliteDriver::begin()
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    if (m_conn->inTransaction)
        return f.fail(FileError::Busy, 0, QStringLiteral("a transaction is already open"));
    int rc = m_conn->exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (rc != SQLITE_OK)
        return f.fail(mapSqlite(rc), rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    m_conn->inTransaction = true;
    return f.succeed();
}

FileError SqliteDriver::commit()
{
    if (!m_conn || !m_conn->inTransaction)
        return f.fail(FileError::NotOpen, 0, QStringLiteral("no transaction"));
    int rc = m_conn->exec(QStringLiteral("COMMIT"));
    if (rc != SQLITE_OK) {
        QString msg = QString::fromUtf8(sqlite3_errmsg(m_conn->db));
        m_conn->exec(QStringLiteral("ROLLBACK"));
        m_conn->inTransaction = false;
        undoTransaction();
        return f.fail(mapSqlite(rc), rc, msg);
    }
    m_conn->inTransaction = false;
    m_conn->undo.clear();
    return f.succeed();
}

FileError SqliteDriver::rollback()
{
    if (!m_conn || !m_conn->inTransaction)
        return f.fail(FileError::NotOpen, 0, QStringLiteral("no transaction"));
    m_conn->exec(QStringLiteral("ROLLBACK"));
    m_conn->inTransaction = false;
    undoTransaction();
    return f.succeed();
}


// ---- the change history -------------------------------------------------------------------
FileError SqliteDriver::beginUnit()
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    m_unitOwnsTransaction = !m_conn->inTransaction;
    const int rc = m_conn->exec(m_unitOwnsTransaction ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("SAVEPOINT unit"));
    return rc == SQLITE_OK ? FileError::None : f.fail(mapSqlite(rc), rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
}

FileError SqliteDriver::endUnit(bool keep)
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    if (!m_unitOwnsTransaction) {
        m_conn->exec(keep ? QStringLiteral("RELEASE unit") : QStringLiteral("ROLLBACK TO unit; RELEASE unit"));
        return FileError::None;
    }
    if (!keep) {
        m_conn->exec(QStringLiteral("ROLLBACK"));
        return FileError::None;
    }
    const int rc = m_conn->exec(QStringLiteral("COMMIT"));
    if (rc == SQLITE_OK)
        return FileError::None;
    const QString why = QString::fromUtf8(sqlite3_errmsg(m_conn->db));
    m_conn->exec(QStringLiteral("ROLLBACK"));
    return f.fail(mapSqlite(rc), rc, why);
}

FileError SqliteDriver::writeRecorded(HistoryAction action, const std::function<FileError()> &write, const EntryOf &entryOf)
{
    if (FileError e = beginUnit(); e != FileError::None)
        return e;
    Row before;
    if (action != HistoryAction::Add && !f.m_current.isNull() && readStored(f.m_current.id, &before) != FileError::None)
        before.clear(); // gone: the change watch refuses the write
    const qint64 record = f.m_current.id;
    FileError e = write();
    if (e == FileError::None)
        if (std::optional<HistoryEntry> entry = entryOf(before, action == HistoryAction::Add ? f.m_current.id : record))
            e = appendHistory(*entry);
    const ErrorState why = currentError();
    const FileError ended = endUnit(e == FileError::None);
    if (e != FileError::None)
        setCurrentError(e, why.driverCode, why.driverMessage); // the unit's end keeps the write's reason
    return e != FileError::None ? e : ended;
}

FileError SqliteDriver::readStored(qint64 id, Row *fields)
{
    QStringList cols;
    for (auto &c : f.m_desc.columns)
        cols << quoted(c.name);
    sqlite3_stmt *st = m_conn ? m_conn->statement(QStringLiteral("SELECT %1 FROM %2 WHERE id=?").arg(cols.join(QLatin1Char(',')), table())) : nullptr;
    if (!st)
        return f.fail(FileError::NotOpen);
    sqlite3_bind_int64(st, 1, id);
    const int rc = sqlite3_step(st);
    fields->clear();
    int repaired = 0;
    if (rc == SQLITE_ROW)
        for (int i = 0; i < int(f.m_desc.columns.size()); ++i)
            fields->push_back(columnValue(st, i, f.m_desc.columns[i].type, repaired));
    sqlite3_reset(st);
    if (rc == SQLITE_ROW)
        return FileError::None;
    return rc == SQLITE_DONE ? f.fail(FileError::RecordNotFound) : sqlFailure(rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
}

FileError SqliteDriver::appendHistory(HistoryEntry &entry)
{
    const QString schema = quoted(m_schema);
    sqlite3_stmt *last = m_conn->statement(QStringLiteral("SELECT hash FROM %1.history ORDER BY id DESC LIMIT 1").arg(schema));
    if (!last)
        return f.fail(FileError::FileSystem, sqlite3_errcode(m_conn->db), QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    int rc = sqlite3_step(last);
    const QString previous = rc == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(last, 0))) : QString();
    sqlite3_reset(last);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return sqlFailure(rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    history::seal(entry, previous);
    sqlite3_stmt *st = m_conn->statement(
        QStringLiteral("INSERT INTO %1.history(%2) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)").arg(schema, QLatin1String(kHistoryColumns)));
    if (!st)
        return f.fail(FileError::FileSystem, sqlite3_errcode(m_conn->db), QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    int i = 1;
    auto text = [&](const QString &s) {
        const QByteArray utf8 = s.toUtf8();
        sqlite3_bind_text(st, i++, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    };
    text(entry.at), text(entry.user), text(entry.role), text(entry.station), text(entry.window), text(entry.file);
    sqlite3_bind_int64(st, i++, entry.record);
    text(entry.keys), text(history::actionName(entry.action)), text(entry.fields), text(entry.reason), text(entry.prev),
        text(entry.hash);
    rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(m_conn->db));
        return sqlFailure(sqlite3_reset(st), why);
    }
    sqlite3_reset(st);
    entry.id = sqlite3_last_insert_rowid(m_conn->db);
    return FileError::None;
}

FileError SqliteDriver::readHistory(qint64 record, std::vector<HistoryEntry> *out)
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    sqlite3_stmt *st = m_conn->statement(QStringLiteral("SELECT id,%1 FROM %2.history%3 ORDER BY id")
                                             .arg(QLatin1String(kHistoryColumns), quoted(m_schema),
                                                  record ? QStringLiteral(" WHERE record_id=?") : QString()));
    if (!st)
        return f.fail(FileError::FileSystem, sqlite3_errcode(m_conn->db), QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    if (record)
        sqlite3_bind_int64(st, 1, record);
    auto text = [&](int col) { return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, col))); };
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        HistoryEntry e;
        e.id = sqlite3_column_int64(st, 0);
        e.at = text(1), e.user = text(2), e.role = text(3), e.station = text(4), e.window = text(5), e.file = text(6);
        e.record = sqlite3_column_int64(st, 7);
        e.keys = text(8);
        e.action = history::actionOf(text(9)).value_or(HistoryAction::Change);
        e.fields = text(10), e.reason = text(11), e.prev = text(12), e.hash = text(13);
        out->push_back(std::move(e));
    }
    sqlite3_reset(st);
    return rc == SQLITE_DONE ? FileError::None : sqlFailure(rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
}
