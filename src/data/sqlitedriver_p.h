#pragma once
// The SQLite driver's inner parts, shared by its files: sqlitedriver.cpp (create, open and
// check, key rebuild, close) and sqlite_records.cpp (reading, writing, transactions).
//
// Each data file is one SQLite database in the working directory. A record is a row with one
// column per field, plus its id, its version (the change watch) and the sort columns of its
// keys (texts as their Windows-1251 sort keys); each key is an index on (sort columns, id), so
// that paging is a keyset query.
#include "data/storage.h"

#include "data/datafile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <set>
#include <sqlite3.h>

namespace sqlite_detail {

constexpr int kApplicationId = 0x41535048; // marks our data files
constexpr int kSchemaVersion = 1;
constexpr int kBusyMs = 2000;              // a transaction waits at most 2 s to start
constexpr qint64 kFullCheckBytes = 4 << 20; // files up to this size are fully checked on every open
constexpr int kOpenTryMs = 100;            // an open waits this long for a lock on each try

inline bool isBusy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

// The files fully checked in this run of the program (by absolute path).
inline std::set<QString> &checkedThisRun()
{
    static std::set<QString> checked;
    return checked;
}

inline QString quoted(const QString &id) { return QLatin1Char('"') + id + QLatin1Char('"'); }

inline QString sortColumn(int key, int part) { return QStringLiteral("k%1_%2").arg(key + 1).arg(part + 1); }
inline QString uniqueColumn(int key) { return QStringLiteral("u%1").arg(key + 1); }
inline QString keyIndex(int key) { return QStringLiteral("key%1").arg(key + 1); }
inline QString uniqueIndex(int key) { return QStringLiteral("ukey%1").arg(key + 1); }

inline QString sqlType(ColumnType t)
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

inline QString idMarkSql(const QString &schema, qint64 start)
{
    return QStringLiteral("CREATE TABLE %1.%2(last INTEGER NOT NULL); INSERT INTO %1.%2 VALUES(%3); "
                          "CREATE TRIGGER %1.%4 AFTER INSERT ON data BEGIN "
                          "UPDATE %2 SET last = NEW.id WHERE last < NEW.id; END;")
        .arg(quoted(schema), QLatin1String(kIdMarkTable))
        .arg(start)
        .arg(QLatin1String(kIdMarkTrigger));
}

// The change history of the file's records (history.h), in the file itself.
const char *const kHistoryColumns = "at_utc,user_name,db_role,station,window_name,file_name,record_id,key_fields,"
                                    "action,fields,reason,prev_hash,hash";
inline QString historyTableSql(const QString &schema)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1.history(id INTEGER PRIMARY KEY, at_utc TEXT NOT NULL, "
                          "user_name TEXT NOT NULL, db_role TEXT NOT NULL, station TEXT NOT NULL, window_name TEXT NOT NULL, "
                          "file_name TEXT NOT NULL, record_id INTEGER NOT NULL, key_fields TEXT NOT NULL, action TEXT NOT NULL, "
                          "fields TEXT NOT NULL, reason TEXT NOT NULL, prev_hash TEXT NOT NULL, hash TEXT NOT NULL); "
                          "CREATE INDEX IF NOT EXISTS %1.history_record ON history(record_id, id);")
        .arg(quoted(schema));
}

inline FileError mapSqlite(int rc)
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

inline void bindValue(sqlite3_stmt *st, int index, const Value &v, bool textAsBlob)
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

inline Value columnValue(sqlite3_stmt *st, int i, ColumnType type, int &repaired)
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

inline Value sortColumnValue(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_BLOB:
    case SQLITE_TEXT:
        return QByteArray(reinterpret_cast<const char *>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
    case SQLITE_NULL: return {};
    default: return sqlite3_column_double(st, i);
    }
}

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


} // namespace sqlite_detail

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
    FileError readOnward(const std::function<bool()> &each) override;
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
    FileError writeRecorded(HistoryAction action, const std::function<FileError()> &write, const EntryOf &entryOf) override;
    FileError readStored(qint64 id, Row *fields) override;
    FileError readHistory(qint64 record, std::vector<HistoryEntry> *out) override;

private:
    FileError readFrom(bool forward, bool one, const std::function<bool()> &each);
    // A write unit: a transaction of its own (taking the write lock first, so that the chain's
    // last entry stays the last one until the entry is added), or a savepoint of the one open.
    FileError beginUnit();
    FileError endUnit(bool keep);
    FileError appendHistory(HistoryEntry &entry); // after the file's last entry, sealed
    DataFile &f;
    std::shared_ptr<sqlite_detail::Connection> m_conn;
    QString m_schema;
    FileError m_damage = FileError::None; // damage found since the file was opened

    QString table() const { return sqlite_detail::quoted(m_schema) + QStringLiteral(".data"); }
    int createSchema(const QString &path) const;
    FileError verifyOnOpen();
    FileError verifyLayout();
    FileError checkIntegrity();
    FileError keepIdMark();
    FileError keepHistoryTable();
    bool m_unitOwnsTransaction = false;
    FileError sqlFailure(int rc, const QString &message);
    void loadRow(void *stmt);
    void bindRow(void *stmt, int &index, const Row &fields) const;
    void rememberForRollback();
    void undoTransaction();
};

