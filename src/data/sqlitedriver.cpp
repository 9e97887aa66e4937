// The SQLite driver: creating, opening and checking a file, rebuilding its keys, closing it.
// Reading, writing and transactions are in sqlite_records.cpp.
#include "data/sqlitedriver_p.h"

using namespace sqlite_detail;

std::unique_ptr<StorageDriver> makeSqliteDriver(DataFile &file) { return std::make_unique<SqliteDriver>(file); }

int SqliteDriver::createSchema(const QString &path) const
{
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return rc;
    }
    Connection::configure(db);
    QStringList cols{QStringLiteral("id INTEGER NOT NULL"), QStringLiteral("ver INTEGER NOT NULL DEFAULT 1")};
    for (auto &c : f.m_desc.columns)
        cols << quoted(c.name) + QLatin1Char(' ') + sqlType(c.type);
    QStringList indexes{QStringLiteral("CREATE UNIQUE INDEX byid ON data(id);")};
    for (int k = 0; k < int(f.m_desc.keys.size()); ++k) {
        QStringList parts;
        for (int p = 0; p < int(f.m_desc.keys[k].parts.size()); ++p) {
            cols << sortColumn(k, p);
            parts << sortColumn(k, p);
        }
        indexes << QStringLiteral("CREATE INDEX %1 ON data(%2, id);").arg(keyIndex(k), parts.join(QLatin1Char(',')));
        if (f.m_desc.keys[k].unique) {
            cols << uniqueColumn(k);
            indexes << QStringLiteral("CREATE UNIQUE INDEX %1 ON data(%2);").arg(uniqueIndex(k), uniqueColumn(k));
        }
    }
    QString sql = QStringLiteral("PRAGMA application_id=%1; PRAGMA user_version=%2; BEGIN; CREATE TABLE data(%3); %4 %5 COMMIT;")
                      .arg(kApplicationId).arg(kSchemaVersion)
                      .arg(cols.join(QLatin1Char(',')), indexes.join(QLatin1Char(' ')),
                           idMarkSql(QStringLiteral("main"), 0) + historyTableSql(QStringLiteral("main")));
    rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc;
}

FileError SqliteDriver::open()
{
    const QString path = f.diskName();
    const QString connKey = dataDirectory() + QLatin1Char('|') + f.m_desc.group;
    std::shared_ptr<Connection> conn = Connection::registry()[connKey].lock();
    if (!conn) {
        sqlite3 *db = nullptr;
        int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close(db);
            return f.fail(QFileInfo::exists(path) ? FileError::FileSystem : FileError::NotFound, rc, path);
        }
        conn = std::make_shared<Connection>();
        conn->db = db;
        conn->key = connKey;
        conn->mainFile = f.m_desc.name;
        conn->attached[f.m_desc.name] = true;
        Connection::configure(db);
        Connection::registry()[connKey] = conn;
    }
    // Each try waits only briefly for a lock: open() decides how long to go on trying.
    sqlite3_busy_timeout(conn->db, kOpenTryMs);
    struct RestoreTimeout {
        sqlite3 *db;
        ~RestoreTimeout() { sqlite3_busy_timeout(db, kBusyMs); }
    } restore{conn->db};
    if (conn->mainFile == f.m_desc.name) {
        m_schema = QStringLiteral("main");
    } else {
        m_schema = f.m_desc.name;
        if (!conn->attached[f.m_desc.name]) {
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(conn->db, "ATTACH ?1 AS ?2", -1, &st, nullptr);
            QByteArray p = path.toUtf8(), n = f.m_desc.name.toUtf8();
            sqlite3_bind_text(st, 1, p.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, n.constData(), -1, SQLITE_TRANSIENT);
            int rc = sqlite3_step(st);
            sqlite3_finalize(st);
            if (rc != SQLITE_DONE) {
                const QString why = QString::fromUtf8(sqlite3_errmsg(conn->db));
                return f.fail(isBusy(rc) ? FileError::Locked : mapSqlite(rc), rc, why);
            }
            conn->attached[f.m_desc.name] = true;
        }
    }
    m_conn = conn;
    m_damage = FileError::None;
    FileError e = verifyOnOpen();
    if (e == FileError::None)
        e = keepIdMark();
    if (e == FileError::None)
        e = keepHistoryTable();
    if (e != FileError::None) {
        ErrorState why = currentError();
        close();
        setCurrentError(e, why.driverCode, why.driverMessage);
        return e;
    }
    sqlite3_stmt *st = m_conn->statement(QStringLiteral("PRAGMA %1.data_version").arg(quoted(m_schema)));
    f.m_dataVersion = (st && sqlite3_step(st) == SQLITE_ROW) ? sqlite3_column_int64(st, 0) : -1;
    if (st) sqlite3_reset(st);
    f.m_current = {};
    f.m_order = DataFile::PhysicalOrder;
    f.setToStart();
    return f.succeed();
}

// Files made before the id mark existed get it now, set to the highest id they hold.
FileError SqliteDriver::keepIdMark()
{
    sqlite3_stmt *st = nullptr;
    const QString count = QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE name IN ('%2','%3')")
                              .arg(quoted(m_schema), QLatin1String(kIdMarkTable), QLatin1String(kIdMarkTrigger));
    sqlite3_prepare_v2(m_conn->db, count.toUtf8().constData(), -1, &st, nullptr);
    int rc = st ? sqlite3_step(st) : SQLITE_ERROR;
    const bool present = rc == SQLITE_ROW && sqlite3_column_int(st, 0) == 2;
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW)
        return f.fail(isBusy(rc) ? FileError::Locked : FileError::InvalidFile, rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    if (present || m_conn->inTransaction)
        return FileError::None;
    const QString s = quoted(m_schema);
    const QString sql =
        QStringLiteral("BEGIN IMMEDIATE; CREATE TABLE IF NOT EXISTS %1.%2(last INTEGER NOT NULL); "
                       "INSERT INTO %1.%2 SELECT coalesce(max(id),0) FROM %1.data WHERE NOT EXISTS (SELECT 1 FROM %1.%2); "
                       "CREATE TRIGGER IF NOT EXISTS %1.%3 AFTER INSERT ON data BEGIN "
                       "UPDATE %2 SET last = NEW.id WHERE last < NEW.id; END; COMMIT;")
            .arg(s, QLatin1String(kIdMarkTable), QLatin1String(kIdMarkTrigger));
    rc = m_conn->exec(sql);
    if (rc == SQLITE_OK)
        return FileError::None;
    const QString why = QString::fromUtf8(sqlite3_errmsg(m_conn->db));
    m_conn->exec(QStringLiteral("ROLLBACK"));
    if (isBusy(rc))
        return f.fail(FileError::Locked, rc, why);
    // A file this station may only read (no write permission) still opens: adding is refused.
    return FileError::None;
}

// Files made before the change history get its table on their first open.
FileError SqliteDriver::keepHistoryTable()
{
    sqlite3_stmt *st = nullptr;
    const QString has = QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE name='history'").arg(quoted(m_schema));
    sqlite3_prepare_v2(m_conn->db, has.toUtf8().constData(), -1, &st, nullptr);
    int rc = st ? sqlite3_step(st) : SQLITE_ERROR;
    const bool present = rc == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW)
        return f.fail(isBusy(rc) ? FileError::Locked : FileError::InvalidFile, rc, QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    if (present || m_conn->inTransaction)
        return FileError::None;
    rc = m_conn->exec(QStringLiteral("BEGIN IMMEDIATE; ") + historyTableSql(m_schema) + QStringLiteral(" COMMIT;"));
    if (rc == SQLITE_OK)
        return FileError::None;
    const QString why = QString::fromUtf8(sqlite3_errmsg(m_conn->db));
    m_conn->exec(QStringLiteral("ROLLBACK"));
    // A file this station may only read still opens: writing is refused then.
    return isBusy(rc) ? f.fail(FileError::Locked, rc, why) : FileError::None;
}

// Checks that the file is one of ours with the expected layout and sound keys. A file
// that is not a database, or not ours, is invalid; missing or damaged indexes make an
// invalid key file (rebuilding the keys repairs it). The checks run in one read transaction,
// so that a station writing meanwhile cannot make them see a half-read file.
FileError SqliteDriver::verifyOnOpen()
{
    sqlite3 *db = m_conn->db;
    const bool ownRead = !m_conn->inTransaction;
    if (ownRead)
        m_conn->exec(QStringLiteral("BEGIN"));
    FileError e = verifyLayout();
    if (ownRead)
        m_conn->exec(e == FileError::None ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
    if (e == FileError::None && ownRead && sqlite3_get_autocommit(db) == 0)
        m_conn->exec(QStringLiteral("ROLLBACK"));
    return e;
}

FileError SqliteDriver::verifyLayout()
{
    sqlite3 *db = m_conn->db;
    auto pragmaInt = [&](const char *name, qint64 &out) -> int {
        sqlite3_stmt *st = nullptr;
        QByteArray sql = QStringLiteral("PRAGMA %1.%2").arg(quoted(m_schema), QLatin1String(name)).toUtf8();
        int rc = sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(st);
            if (rc == SQLITE_ROW) { out = sqlite3_column_int64(st, 0); rc = SQLITE_OK; }
        }
        sqlite3_finalize(st);
        return rc;
    };
    qint64 appId = 0, version = 0;
    // The first read takes the file's read lock (and holds it to the end of the checks).
    int rc = pragmaInt("application_id", appId);
    if (isBusy(rc))
        return f.fail(FileError::Locked, rc);
    if (rc != SQLITE_OK)
        return f.fail(mapSqlite(rc) == FileError::NotFound ? FileError::FileSystem : mapSqlite(rc), rc);
    rc = pragmaInt("user_version", version);
    if (isBusy(rc))
        return f.fail(FileError::Locked, rc);
    if (appId != kApplicationId || version != kSchemaVersion)
        return f.fail(FileError::InvalidFile, 0, QStringLiteral("not a data file of this program"));

    // Columns in order: id, ver, the fields, then the key columns.
    QStringList expected{QStringLiteral("id"), QStringLiteral("ver")};
    for (auto &c : f.m_desc.columns) expected << c.name;
    for (int k = 0; k < int(f.m_desc.keys.size()); ++k) {
        for (int p = 0; p < int(f.m_desc.keys[k].parts.size()); ++p) expected << sortColumn(k, p);
        if (f.m_desc.keys[k].unique) expected << uniqueColumn(k);
    }
    QStringList found, indexes;
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, QStringLiteral("PRAGMA %1.table_info(data)").arg(quoted(m_schema)).toUtf8().constData(), -1, &st, nullptr);
    while (st && (rc = sqlite3_step(st)) == SQLITE_ROW)
        found << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    if (isBusy(rc))
        return f.fail(FileError::Locked, rc);
    if (found != expected)
        return f.fail(FileError::InvalidFile, 0, QStringLiteral("unexpected record layout"));
    sqlite3_prepare_v2(db, QStringLiteral("PRAGMA %1.index_list(data)").arg(quoted(m_schema)).toUtf8().constData(), -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        indexes << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    QStringList wanted{QStringLiteral("byid")};
    for (int k = 0; k < int(f.m_desc.keys.size()); ++k) {
        wanted << keyIndex(k);
        if (f.m_desc.keys[k].unique) wanted << uniqueIndex(k);
    }
    for (auto &w : wanted)
        if (!indexes.contains(w))
            return f.fail(FileError::InvalidKeyFile, 0, QStringLiteral("missing key ") + w);

    // A big file is checked fully on its first open in this run (and again after damage
    // showed); later opens skip it while QUICKSCAN is on.
    const QString path = QFileInfo(f.diskName()).absoluteFilePath();
    if (f.m_quickScan && QFileInfo(path).size() > kFullCheckBytes && checkedThisRun().count(path))
        return FileError::None;
    FileError e = checkIntegrity();
    if (e == FileError::None)
        checkedThisRun().insert(path);
    return e;
}

// The full check: None, InvalidKeyFile when every record still reads without its keys (a
// rebuild repairs it), otherwise InvalidFile.
FileError SqliteDriver::checkIntegrity()
{
    sqlite3 *db = m_conn->db;
    sqlite3_stmt *st = nullptr;
    QString verdict;
    sqlite3_prepare_v2(db, QStringLiteral("PRAGMA %1.quick_check(1)").arg(quoted(m_schema)).toUtf8().constData(), -1, &st, nullptr);
    int rc = st ? sqlite3_step(st) : SQLITE_ERROR;
    if (rc == SQLITE_ROW)
        verdict = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    else
        verdict = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    if (isBusy(rc))
        return f.fail(FileError::Locked, rc, verdict);
    if (verdict == QLatin1String("ok"))
        return FileError::None;
    sqlite3_prepare_v2(db, QStringLiteral("SELECT * FROM %1 NOT INDEXED").arg(table()).toUtf8().constData(), -1, &st, nullptr);
    while (st && (rc = sqlite3_step(st)) == SQLITE_ROW) {}
    sqlite3_finalize(st);
    return f.fail(rc == SQLITE_DONE ? FileError::InvalidKeyFile : FileError::InvalidFile, 0, verdict);
}

// A statement failed. Damage found while reading or writing is told apart as on open (keys
// only, or the file itself), refuses every further write until the file is repaired, and
// makes the next open check the file fully.
FileError SqliteDriver::sqlFailure(int rc, const QString &message)
{
    if ((rc & 0xFF) != SQLITE_CORRUPT && (rc & 0xFF) != SQLITE_NOTADB)
        return f.fail(mapSqlite(rc), rc, message);
    checkedThisRun().erase(QFileInfo(f.diskName()).absoluteFilePath());
    if (m_damage == FileError::None) {
        m_damage = FileError::InvalidFile;
        if ((rc & 0xFF) == SQLITE_CORRUPT && !m_conn->inTransaction) {
            m_damage = checkIntegrity();
            if (m_damage == FileError::None || m_damage == FileError::Locked)
                m_damage = FileError::InvalidFile;
        }
    }
    return f.fail(m_damage, rc, message);
}

FileError SqliteDriver::close()
{
    if (!m_conn)
        return f.fail(FileError::NotOpen);
    m_conn->forgetStatements(m_schema);
    if (m_schema != QLatin1String("main") && !m_conn->inTransaction) {
        m_conn->exec(QStringLiteral("DETACH %1").arg(quoted(m_schema)));
        m_conn->attached[f.m_desc.name] = false;
    }
    m_conn.reset();
    f.m_current = {};
    return f.succeed();
}

// Rebuilds the keys of a closed file: the records are copied, without using the old keys,
// into a new file whose keys are built afresh; the old file is kept beside it as .bak.
FileError SqliteDriver::rebuildKeys()
{
    const QString path = f.diskName();
    if (!QFileInfo::exists(path))
        return f.fail(FileError::NotFound, 0, path);
    const QString fresh = path + QStringLiteral(".rebuild");
    QFile::remove(fresh);
    int rc = createSchema(fresh);
    if (rc != SQLITE_OK)
        return f.fail(FileError::FileSystem, rc, fresh);
    sqlite3 *db = nullptr;
    rc = sqlite3_open_v2(fresh.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    Connection::configure(db);
    // The WHERE clause keeps SQLite from copying the old (damaged) index pages as they are.
    QString sql = QStringLiteral("ATTACH %1 AS old; BEGIN; INSERT INTO main.data SELECT * FROM old.data NOT INDEXED WHERE ver + 0 = ver;")
                      .arg(QLatin1Char('\'') + QString(path).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\''));
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    // The ids given before (and deleted since) stay given.
    if (rc == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        const QString has = QStringLiteral("SELECT count(*) FROM old.sqlite_master WHERE name='%1'").arg(QLatin1String(kIdMarkTable));
        rc = sqlite3_prepare_v2(db, has.toUtf8().constData(), -1, &st, nullptr);
        const bool oldMark = rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
        sqlite3_finalize(st);
        if (rc == SQLITE_OK && oldMark)
            rc = sqlite3_exec(db, QStringLiteral("UPDATE main.%1 SET last = max(last, coalesce((SELECT max(last) FROM old.%1), 0));")
                                      .arg(QLatin1String(kIdMarkTable)).toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    // The change history goes with the records.
    if (rc == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM old.sqlite_master WHERE name='history'", -1, &st, nullptr);
        const bool oldHistory = rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
        sqlite3_finalize(st);
        if (rc == SQLITE_OK && oldHistory)
            rc = sqlite3_exec(db, "INSERT INTO main.history SELECT * FROM old.history", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    QString why = QString::fromUtf8(sqlite3_errmsg(db));
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        QFile::remove(fresh);
        return f.fail(mapSqlite(rc) == FileError::DuplicateKey ? FileError::DuplicateKey : FileError::InvalidFile, rc, why);
    }
    // The damaged file is kept as .bak; the rebuilt pages are then written over the original
    // in place (other files of the group may hold it open), as one transaction.
    const QString backup = path + QStringLiteral(".bak");
    QFile::remove(backup);
    QFile::copy(path, backup);
    sqlite3 *target = nullptr;
    rc = sqlite3_open_v2(path.toUtf8().constData(), &target, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(target, kBusyMs);
        sqlite3_backup *b = sqlite3_backup_init(target, "main", db, "main");
        rc = b ? sqlite3_backup_step(b, -1) : sqlite3_errcode(target);
        if (b)
            sqlite3_backup_finish(b);
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    sqlite3_close(target);
    sqlite3_close(db);
    QFile::remove(fresh);
    if (rc != SQLITE_OK)
        return f.fail(FileError::FileSystem, rc, QStringLiteral("cannot rewrite ") + path);
    return f.succeed();
}

// ---- create, open, close ------------------------------------------------------------------
FileError SqliteDriver::create()
{
    const QString path = f.diskName();
    if (QFileInfo::exists(path))
        return f.fail(FileError::FileSystem, 0, QStringLiteral("file exists: ") + path);
    QString tmp = path + QStringLiteral(".new");
    QFile::remove(tmp);
    int rc = createSchema(tmp);
    // Built under another name and renamed, so a crash never leaves a half-made file.
    // Another process may have created it meanwhile: then that file is the one to use.
    if (rc != SQLITE_OK || (!QFile::rename(tmp, path) && !QFileInfo::exists(path))) {
        QFile::remove(tmp);
        return f.fail(FileError::FileSystem, rc, QStringLiteral("cannot create ") + path);
    }
    return f.succeed();
}
