// The SQLite driver: each data file is one SQLite database in the working directory.
//
// A record is a row with one column per field, plus its id, its version (the change watch)
// and the sort columns of its keys (texts as their Windows-1251 sort keys); each key is an
// index on (sort columns, id), so that paging is a keyset query.
#include "data/storage.h"

#include "data/datafile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <set>
#include <sqlite3.h>

namespace {

constexpr int kApplicationId = 0x41535048; // marks our data files
constexpr int kSchemaVersion = 1;
constexpr int kBusyMs = 2000;              // a transaction waits at most 2 s to start
constexpr qint64 kFullCheckBytes = 4 << 20; // files up to this size are fully checked on every open
constexpr int kOpenTryMs = 100;            // an open waits this long for a lock on each try

bool isBusy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

// The files fully checked in this run of the program (by absolute path).
std::set<QString> &checkedThisRun()
{
    static std::set<QString> checked;
    return checked;
}

QString quoted(const QString &id) { return QLatin1Char('"') + id + QLatin1Char('"'); }

QString sortColumn(int key, int part) { return QStringLiteral("k%1_%2").arg(key + 1).arg(part + 1); }
QString uniqueColumn(int key) { return QStringLiteral("u%1").arg(key + 1); }
QString keyIndex(int key) { return QStringLiteral("key%1").arg(key + 1); }
QString uniqueIndex(int key) { return QStringLiteral("ukey%1").arg(key + 1); }

QString sqlType(ColumnType t)
{
    switch (t) {
    case ColumnType::Byte:
    case ColumnType::Long:
    case ColumnType::Ulong: return QStringLiteral("INTEGER NOT NULL DEFAULT 0");
    case ColumnType::Real:
    case ColumnType::Decimal: return QStringLiteral("REAL NOT NULL DEFAULT 0");
    case ColumnType::Text: return QStringLiteral("TEXT NOT NULL DEFAULT ''");
    }
    return {};
}

// The highest id the file has ever given, so that a deleted record's id is never given again
// (a station still holding the deleted record would otherwise reach the new one). A trigger
// keeps it, so that whatever adds records (this program, an older one, another tool) raises it.
// Files made before it existed get it on their first open.
const char *const kIdMarkTable = "idmark";
const char *const kIdMarkTrigger = "idmark_add";

QString idMarkSql(const QString &schema, qint64 start)
{
    return QStringLiteral("CREATE TABLE %1.%2(last INTEGER NOT NULL); INSERT INTO %1.%2 VALUES(%3); "
                          "CREATE TRIGGER %1.%4 AFTER INSERT ON data BEGIN "
                          "UPDATE %2 SET last = NEW.id WHERE last < NEW.id; END;")
        .arg(quoted(schema), QLatin1String(kIdMarkTable))
        .arg(start)
        .arg(QLatin1String(kIdMarkTrigger));
}

FileError mapSqlite(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: return FileError::None;
    case SQLITE_NOTADB: return FileError::InvalidFile;
    case SQLITE_CORRUPT: return FileError::InvalidFile;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return FileError::Busy;
    case SQLITE_CONSTRAINT: return rc == SQLITE_CONSTRAINT_UNIQUE ? FileError::DuplicateKey : FileError::FileSystem;
    case SQLITE_CANTOPEN: return FileError::NotFound;
    default: return FileError::FileSystem;
    }
}

void bindValue(sqlite3_stmt *st, int index, const Value &v, bool textAsBlob)
{
    if (auto *i = std::get_if<qint64>(&v)) {
        sqlite3_bind_int64(st, index, *i);
    } else if (auto *d = std::get_if<double>(&v)) {
        sqlite3_bind_double(st, index, *d);
    } else if (auto *b = std::get_if<QByteArray>(&v)) {
        if (textAsBlob) {
            sqlite3_bind_blob(st, index, b->constData(), int(b->size()), SQLITE_TRANSIENT);
        } else {
            QByteArray utf8 = cp1251::decode(*b).toUtf8();
            sqlite3_bind_text(st, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
    } else {
        sqlite3_bind_null(st, index);
    }
}

} // namespace

// ---- Connection: one SQLite connection per group of files ---------------------------------
class Connection {
public:
    sqlite3 *db = nullptr;
    QString key;
    QString mainFile;          // the file that is the connection's main database
    std::map<QString, bool> attached; // file name -> attached (or main) on this connection
    bool inTransaction = false;
    std::map<QString, sqlite3_stmt *> statements;
    // What the files of the group knew of their current record before each write of the open
    // transaction, so that a rollback also rolls back their change watch.
    struct Undo { DataFile *file; Position position; qint64 version; };
    std::vector<Undo> undo;

    ~Connection()
    {
        for (auto &[sql, st] : statements)
            sqlite3_finalize(st);
        if (db)
            sqlite3_close(db);
    }

    static std::map<QString, std::weak_ptr<Connection>> &registry()
    {
        static std::map<QString, std::weak_ptr<Connection>> r;
        return r;
    }

    sqlite3_stmt *statement(const QString &sql)
    {
        auto it = statements.find(sql);
        if (it != statements.end()) {
            sqlite3_reset(it->second);
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt *st = nullptr;
        QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v3(db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
            return nullptr;
        statements[sql] = st;
        return st;
    }

    void forgetStatements(const QString &schema)
    {
        QString marker = quoted(schema) + QLatin1Char('.');
        for (auto it = statements.begin(); it != statements.end();) {
            if (it->first.contains(marker)) {
                sqlite3_finalize(it->second);
                it = statements.erase(it);
            } else {
                ++it;
            }
        }
    }

    static void configure(sqlite3 *db)
    {
        sqlite3_busy_timeout(db, kBusyMs);
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
        sqlite3_extended_result_codes(db, 1);
    }

    int exec(const QString &sql) { return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr); }
};


namespace {

Value columnValue(sqlite3_stmt *st, int i, ColumnType type, int &repaired)
{
    switch (type) {
    case ColumnType::Byte:
    case ColumnType::Long:
    case ColumnType::Ulong: return qint64(sqlite3_column_int64(st, i));
    case ColumnType::Real:
    case ColumnType::Decimal: return sqlite3_column_double(st, i);
    case ColumnType::Text: {
        const char *t = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
        QString text = QString::fromUtf8(t ? t : "", sqlite3_column_bytes(st, i));
        auto enc = cp1251::encode(text);
        if (enc)
            return *enc;
        ++repaired; // written by another tool with characters Windows-1251 lacks
        QByteArray out;
        for (QChar c : text) {
            auto b = cp1251::fromUnicode(c.unicode());
            out.append(b ? char(*b) : '?');
        }
        return out;
    }
    }
    return {};
}

Value sortColumnValue(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_BLOB:
    case SQLITE_TEXT:
        return QByteArray(reinterpret_cast<const char *>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
    case SQLITE_NULL: return {};
    default: return sqlite3_column_double(st, i);
    }
}

} // namespace

// ---- the driver ---------------------------------------------------------------------------
// One SQLite database per data file; the files of a group share one connection (attached), so
// that a transaction over them is atomic.
class SqliteDriver final : public StorageDriver {
public:
    explicit SqliteDriver(DataFile &file) : f(file) {}
    ~SqliteDriver() override { if (m_conn) close(); }

    QString location() const override
    {
        return QDir(dataDirectory()).filePath(f.m_desc.name + QStringLiteral(".sqlite"));
    }
    bool isOpen() const override { return m_conn != nullptr; }
    bool inTransaction() const override { return m_conn && m_conn->inTransaction; }
    FileError create() override;
    FileError open() override;
    FileError close() override;
    FileError rebuildKeys() override;
    FileError readOne(bool forward) override;
    FileError get(int key) override;
    FileError fetch(qint64 id) override;
    qint64 recordCount() override;
    qint64 highestIdGiven() override;
    bool changedElsewhere() override;
    FileError add() override;
    FileError put() override;
    FileError remove() override;
    FileError begin() override;
    FileError commit() override;
    FileError rollback() override;

private:
    DataFile &f;
    std::shared_ptr<Connection> m_conn;
    QString m_schema;
    FileError m_damage = FileError::None; // damage found since the file was opened

    QString table() const { return quoted(m_schema) + QStringLiteral(".data"); }
    int createSchema(const QString &path) const;
    FileError verifyOnOpen();
    FileError verifyLayout();
    FileError checkIntegrity();
    FileError keepIdMark();
    FileError sqlFailure(int rc, const QString &message);
    void loadRow(void *stmt);
    void bindRow(void *stmt, int &index, const Row &fields) const;
    void rememberForRollback();
    void undoTransaction();
};

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
                      .arg(cols.join(QLatin1Char(',')), indexes.join(QLatin1Char(' ')), idMarkSql(QStringLiteral("main"), 0));
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
    QString dir = forward ? QString() : QStringLiteral(" DESC");
    sql += QStringLiteral(" ORDER BY ") + QString(cols).replace(QLatin1Char(','), dir + QLatin1Char(',')) + dir + QStringLiteral(" LIMIT 1");
    sqlite3_stmt *st = m_conn->statement(sql);
    if (!st)
        return f.fail(FileError::FileSystem, sqlite3_errcode(m_conn->db), QString::fromUtf8(sqlite3_errmsg(m_conn->db)));
    if (!fromEdge) {
        int i = 1;
        for (auto &v : f.m_cursor->sort)
            bindValue(st, i++, v, true);
        sqlite3_bind_int64(st, i, forward ? f.m_cursor->idForNext : f.m_cursor->idForPrev);
    }
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        loadRow(st);
        sqlite3_reset(st);
        return f.succeed();
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
