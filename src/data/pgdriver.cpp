// The PostgreSQL driver: each data file is a table of one database.
//
// The table holds the same columns as a SQLite file (id, ver, the fields, the sort columns of
// the keys), with the keys as indexes on (sort columns, id), so that paging is the same keyset
// query. Ids come from a sequence (never given twice). Writers of one group of files are
// serialised by a transaction-level advisory lock, taken by begin() within the 2-second
// lock_timeout. A statement trigger notifies the other stations' lists that the file changed.
// Every statement is sent with its values as parameters; the only names put into SQL text are
// the program's own file, column and index names.
#include "data/storage.h"

#include "data/datafile.h"
#include "data/files.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <libpq-fe.h>
#include <functional>
#include <map>
#include <set>

namespace {

constexpr int kLockTimeoutMs = 2000;        // a lock is waited for at most 2 s
constexpr int kStatementTimeoutMs = 30000;  // a runaway statement is cut off
constexpr int kGroupLockClass = 0x41535048; // advisory lock class of the write transactions
constexpr LONG kLostCode = 8006;            // connection failure (SQLSTATE 08006)
constexpr int kReadAhead = 32;              // records read at once by a list reading on
constexpr int kReadAheadMs = 200;           // and served for at most this long

QString quoted(const QString &id) { return QLatin1Char('"') + id + QLatin1Char('"'); }
QString sortColumn(int key, int part) { return QStringLiteral("k%1_%2").arg(key + 1).arg(part + 1); }
QString uniqueColumn(int key) { return QStringLiteral("u%1").arg(key + 1); }

// One parameter of a statement: text, or bytes sent as binary bytea, or NULL.
struct Param {
    QByteArray data;
    bool null = false;
    bool binary = false;
};
using Params = std::vector<Param>;

Param textParam(const QByteArray &utf8) { return {utf8}; }
Param intParam(qint64 v) { return {QByteArray::number(v)}; }

// A field: numbers as text (doubles with every digit), texts as UTF-8.
Param fieldParam(const Value &v)
{
    if (auto *i = std::get_if<qint64>(&v)) return intParam(*i);
    if (auto *d = std::get_if<double>(&v)) return {QByteArray::number(*d, 'g', 17)};
    if (auto *b = std::get_if<QByteArray>(&v)) return {cp1251::decode(*b).toUtf8()};
    return {{}, true};
}

// A sort value: bytes as bytea (compared byte by byte, as SQLite compares its blobs).
Param sortParam(const Value &v)
{
    if (auto *b = std::get_if<QByteArray>(&v)) return {*b, false, true};
    return fieldParam(v);
}

QString sqlType(ColumnType t)
{
    switch (t) {
    case ColumnType::Byte:
    case ColumnType::Long:
    case ColumnType::Ulong: return QStringLiteral("bigint NOT NULL DEFAULT 0");
    case ColumnType::Real:
    case ColumnType::Decimal: return QStringLiteral("double precision NOT NULL DEFAULT 0");
    case ColumnType::Text: return QStringLiteral("text NOT NULL DEFAULT ''");
    }
    return {};
}
QString sortType(ColumnType t) { return t == ColumnType::Text ? QStringLiteral("bytea") : QStringLiteral("double precision"); }

QString indexName(const FileDesc &d, const QString &what) { return quoted(d.name + QLatin1Char('_') + what); }
QString channelOf(const FileDesc &d) { return QStringLiteral("asphalt_") + d.name.toLower(); }

QStringList expectedColumns(const FileDesc &d)
{
    QStringList cols{QStringLiteral("id"), QStringLiteral("ver")};
    for (auto &c : d.columns) cols << c.name;
    for (int k = 0; k < int(d.keys.size()); ++k) {
        for (int p = 0; p < int(d.keys[k].parts.size()); ++p) cols << sortColumn(k, p);
        if (d.keys[k].unique) cols << uniqueColumn(k);
    }
    return cols;
}

QStringList indexStatements(const FileDesc &d, bool ifMissing)
{
    const QString t = quoted(d.name);
    const QString opt = ifMissing ? QStringLiteral("IF NOT EXISTS ") : QString();
    QStringList out{QStringLiteral("CREATE UNIQUE INDEX %1%2 ON %3(id)").arg(opt, indexName(d, QStringLiteral("byid")), t)};
    for (int k = 0; k < int(d.keys.size()); ++k) {
        QStringList parts;
        for (int p = 0; p < int(d.keys[k].parts.size()); ++p) parts << sortColumn(k, p);
        out << QStringLiteral("CREATE INDEX %1%2 ON %3(%4, id)").arg(opt, indexName(d, QStringLiteral("key%1").arg(k + 1)), t, parts.join(QLatin1Char(',')));
        if (d.keys[k].unique)
            out << QStringLiteral("CREATE UNIQUE INDEX %1%2 ON %3(%4)").arg(opt, indexName(d, QStringLiteral("ukey%1").arg(k + 1)), t, uniqueColumn(k));
    }
    return out;
}

QStringList wantedIndexes(const FileDesc &d)
{
    QStringList out{d.name + QStringLiteral("_byid")};
    for (int k = 0; k < int(d.keys.size()); ++k) {
        out << d.name + QStringLiteral("_key%1").arg(k + 1);
        if (d.keys[k].unique) out << d.name + QStringLiteral("_ukey%1").arg(k + 1);
    }
    return out;
}

// The statements that make the table of a file (inside the caller's transaction).
QStringList createStatements(const FileDesc &d)
{
    const QString t = quoted(d.name);
    const QString seq = quoted(d.name + QStringLiteral("_id"));
    QStringList cols{QStringLiteral("id bigint NOT NULL DEFAULT nextval('%1')").arg(seq), QStringLiteral("ver bigint NOT NULL DEFAULT 1")};
    for (auto &c : d.columns) cols << quoted(c.name) + QLatin1Char(' ') + sqlType(c.type);
    for (int k = 0; k < int(d.keys.size()); ++k) {
        for (int p = 0; p < int(d.keys[k].parts.size()); ++p)
            cols << sortColumn(k, p) + QLatin1Char(' ') + sortType(d.columns[d.keys[k].parts[p].column].type);
        if (d.keys[k].unique)
            cols << uniqueColumn(k) + QLatin1Char(' ') + sortType(d.columns[d.keys[k].parts.front().column].type);
    }
    QStringList out;
    out << QStringLiteral("CREATE SEQUENCE %1").arg(seq);
    out << QStringLiteral("CREATE TABLE %1(%2)").arg(t, cols.join(QLatin1Char(',')));
    out << QStringLiteral("ALTER SEQUENCE %1 OWNED BY %2.id").arg(seq, t);
    out << indexStatements(d, false);
    out << QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON %2 FOR EACH STATEMENT EXECUTE FUNCTION asphalt_notify()")
               .arg(indexName(d, QStringLiteral("notify")), t);
    return out;
}

const char *const kNotifyFunction =
    "CREATE OR REPLACE FUNCTION asphalt_notify() RETURNS trigger LANGUAGE plpgsql AS "
    "$$BEGIN PERFORM pg_notify('asphalt_' || lower(TG_TABLE_NAME), ''); RETURN NULL; END$$";

// ---- results and errors -------------------------------------------------------------------
struct Result {
    PGresult *r = nullptr;
    Result() = default;
    explicit Result(PGresult *p) : r(p) {}
    Result(Result &&o) noexcept : r(o.r) { o.r = nullptr; }
    Result &operator=(Result &&o) noexcept { std::swap(r, o.r); return *this; }
    ~Result() { PQclear(r); }
    bool ok() const
    {
        const ExecStatusType s = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    int rows() const { return r ? PQntuples(r) : 0; }
    QByteArray value(int row, int col) const { return QByteArray(PQgetvalue(r, row, col), PQgetlength(r, row, col)); }
    bool isNull(int row, int col) const { return PQgetisnull(r, row, col); }
    QByteArray state() const
    {
        const char *s = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        return s ? QByteArray(s) : QByteArray();
    }
};

struct Failure {
    FileError error = FileError::None;
    LONG code = 0;
    QString message;
};

QString connectionLostText(PGconn *c)
{
    return QStringLiteral("Нет связи с сервером базы данных: ") + QString::fromUtf8(c ? PQerrorMessage(c) : "").trimmed();
}

// What a failed statement means. `opening`: a lock that is not granted in time makes the file
// "locked" (as when another process holds a SQLite file), otherwise "busy".
Failure failureOf(const Result &res, PGconn *c, bool opening)
{
    if (!c || PQstatus(c) == CONNECTION_BAD || !res.r)
        return {FileError::FileSystem, kLostCode, connectionLostText(c)};
    const QByteArray st = res.state();
    QString msg = QString::fromUtf8(PQresultErrorMessage(res.r)).trimmed();
    if (!st.isEmpty())
        msg = QStringLiteral("[%1] %2").arg(QString::fromLatin1(st), msg);
    const LONG code = st.toInt(); // the numeric SQLSTATEs; 0 for the others
    if (st.startsWith("08"))
        return {FileError::FileSystem, kLostCode, connectionLostText(c)};
    if (st == "23505") return {FileError::DuplicateKey, code, msg};
    if (st == "55P03" || st == "57014" || st == "40P01" || st == "40001")
        return {opening ? FileError::Locked : FileError::Busy, code, msg};
    if (st == "42P01") return {FileError::NotFound, code, msg};
    if (st == "XX001") return {FileError::InvalidFile, code, msg};
    if (st == "XX002") return {FileError::InvalidKeyFile, code, msg};
    return {FileError::FileSystem, code, msg};
}

Result run(PGconn *c, const QString &sql) { return Result(PQexec(c, sql.toUtf8().constData())); }

Result runParams(PGconn *c, const QString &sql, const Params &params)
{
    std::vector<const char *> values;
    std::vector<int> lengths, formats;
    for (auto &p : params) {
        values.push_back(p.null ? nullptr : p.data.constData());
        lengths.push_back(int(p.data.size()));
        formats.push_back(p.binary ? 1 : 0);
    }
    return Result(PQexecParams(c, sql.toUtf8().constData(), int(params.size()), nullptr, values.data(), lengths.data(),
                               formats.data(), 0));
}

// Opens a connection with the session settings of the program.
PGconn *connect(const QString &connection, QString *why)
{
    QByteArray info = connection.toUtf8();
    if (!info.contains("://")) {
        if (!info.contains("application_name"))
            info += " application_name=asphalt";
        // A server that stops answering is noticed within half a minute, not after the
        // operating system's TCP time-outs (a service file keeps its own settings).
        if (!info.contains("service=")) {
            for (const char *option : {"connect_timeout=10", "keepalives_idle=30", "keepalives_interval=10", "keepalives_count=3"})
                if (!info.contains(QByteArray(option).split('=').front() + '='))
                    info += QByteArray(" ") + option;
        }
    }
    PGconn *c = PQconnectdb(info.constData());
    if (PQstatus(c) != CONNECTION_OK) {
        *why = connectionLostText(c);
        PQfinish(c);
        return nullptr;
    }
    PQsetClientEncoding(c, "UTF8");
    Result r = run(c, QStringLiteral("SET lock_timeout = %1; SET statement_timeout = %2; SET client_min_messages = warning").arg(kLockTimeoutMs).arg(kStatementTimeoutMs));
    if (!r.ok()) {
        *why = QString::fromUtf8(PQerrorMessage(c)).trimmed();
        PQfinish(c);
        return nullptr;
    }
    return c;
}

// ---- one connection per group of files (as the SQLite files of a group share one) ---------
struct PgConnection {
    PGconn *conn = nullptr;
    QString connection;
    bool inTransaction = false;
    std::map<QString, QByteArray> prepared; // statement -> name
    std::map<QString, quint64> notices;     // channel -> other stations' writes seen
    std::set<QString> listening;
    quint64 reconnects = 0; // what was said while the connection was lost is not known
    struct Undo { DataFile *file; Position position; qint64 version; };
    std::vector<Undo> undo;
    std::function<void(const Undo &)> restore;

    ~PgConnection() { if (conn) PQfinish(conn); }

    static std::map<QString, std::weak_ptr<PgConnection>> &registry()
    {
        static std::map<QString, std::weak_ptr<PgConnection>> r;
        return r;
    }

    // The connection lost: the server rolled back whatever transaction was open.
    void lost()
    {
        if (inTransaction) {
            inTransaction = false;
            for (auto it = undo.rbegin(); it != undo.rend(); ++it)
                restore(*it);
            undo.clear();
        }
    }

    // Reconnects a lost connection (outside a transaction): the next operation is the retry.
    bool ensure(QString *why)
    {
        if (PQstatus(conn) == CONNECTION_OK)
            return true;
        lost();
        PQreset(conn);
        if (PQstatus(conn) != CONNECTION_OK) {
            *why = connectionLostText(conn);
            return false;
        }
        PQsetClientEncoding(conn, "UTF8");
        prepared.clear();
        ++reconnects;
        Result r = run(conn, QStringLiteral("SET lock_timeout = %1; SET statement_timeout = %2; SET client_min_messages = warning").arg(kLockTimeoutMs).arg(kStatementTimeoutMs));
        for (auto &ch : listening)
            run(conn, QStringLiteral("LISTEN ") + quoted(ch));
        if (!r.ok()) {
            *why = connectionLostText(conn);
            return false;
        }
        return true;
    }

    Result exec(const QString &sql, const Params &params)
    {
        auto it = prepared.find(sql);
        if (it == prepared.end()) {
            const QByteArray name = "s" + QByteArray::number(qulonglong(prepared.size() + 1));
            Result p(PQprepare(conn, name.constData(), sql.toUtf8().constData(), 0, nullptr));
            if (!p.ok()) {
                if (PQstatus(conn) == CONNECTION_BAD) lost();
                return p;
            }
            it = prepared.emplace(sql, name).first;
        }
        std::vector<const char *> values;
        std::vector<int> lengths, formats;
        for (auto &p : params) {
            values.push_back(p.null ? nullptr : p.data.constData());
            lengths.push_back(int(p.data.size()));
            formats.push_back(p.binary ? 1 : 0);
        }
        Result r(PQexecPrepared(conn, it->second.constData(), int(params.size()), values.data(), lengths.data(), formats.data(), 0));
        if (!r.ok() && PQstatus(conn) == CONNECTION_BAD)
            lost();
        return r;
    }

    // A write inside a transaction runs under a savepoint, so that a refused write (a duplicate
    // key) leaves the transaction usable, as with SQLite.
    Result write(const QString &sql, const Params &params)
    {
        if (!inTransaction)
            return exec(sql, params);
        Result sp = run(conn, QStringLiteral("SAVEPOINT w"));
        if (!sp.ok()) {
            if (PQstatus(conn) == CONNECTION_BAD) lost();
            return sp;
        }
        Result r = exec(sql, params);
        if (PQstatus(conn) == CONNECTION_BAD)
            return r;
        run(conn, r.ok() ? QStringLiteral("RELEASE SAVEPOINT w") : QStringLiteral("ROLLBACK TO SAVEPOINT w; RELEASE SAVEPOINT w"));
        return r;
    }

    void drainNotices()
    {
        PQconsumeInput(conn);
        const int self = PQbackendPID(conn);
        while (PGnotify *n = PQnotifies(conn)) {
            if (n->be_pid != self)
                ++notices[QString::fromUtf8(n->relname)];
            PQfreemem(n);
        }
    }
};

} // namespace

// ---- the driver ---------------------------------------------------------------------------
class PgDriver final : public StorageDriver {
public:
    PgDriver(DataFile &file, QString connection) : f(file), m_connection(std::move(connection)) {}
    ~PgDriver() override { if (m_conn) close(); }

    QString location() const override { return f.m_desc.name + QStringLiteral(" @ ") + m_connection; }
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
    bool changedElsewhere() override;
    FileError add() override;
    FileError put() override;
    FileError remove() override;
    FileError begin() override;
    FileError commit() override;
    FileError rollback() override;

    // The parameters of a record's writable columns: its fields, then its keys' sort columns.
    Params rowParamsOf(const Row &fields) const;
    QStringList writableColumns() const { return f.writableColumns(); }

    static void restoreUndo(const PgConnection::Undo &u)
    {
        u.file->m_current = u.position;
        u.file->m_currentVersion = u.version;
    }

private:
    DataFile &f;
    QString m_connection;
    std::shared_ptr<PgConnection> m_conn;
    quint64 m_reconnects = 0;

    QString table() const { return quoted(f.m_desc.name); }
    FileError failWith(const Result &r, bool opening = false)
    {
        const Failure why = failureOf(r, m_conn ? m_conn->conn : nullptr, opening);
        return f.fail(why.error, why.code, why.message);
    }
    // The connection, reconnected when it was lost; false (and the error set) when it cannot be.
    bool ready()
    {
        if (!m_conn) {
            f.fail(FileError::NotOpen);
            return false;
        }
        QString why;
        if (!m_conn->ensure(&why)) {
            f.fail(FileError::FileSystem, kLostCode, why);
            return false;
        }
        return true;
    }
    PGconn *separateConnection(QString *why) { return connect(m_connection, why); }
    QString selectSql(const QString &where, const QString &orderBy) const
    {
        return QStringLiteral("SELECT %1 FROM %2%3%4").arg(f.selectList(), table(), where, orderBy);
    }
    void loadRow(const Result &r, int row = 0);
    // Read-ahead: a list reading on in one direction gets the following records with one
    // statement instead of one statement each. They are served only while the cursor goes on
    // from the last one served, for a moment (then read afresh), and never after a write.
    struct ReadAhead {
        Result rows;
        int next = 0;
        bool forward = true;
        int order = DataFile::PhysicalOrder;
        qint64 lastId = 0;
        Row lastSort;
        QElapsedTimer age;
    } m_ahead;
    void forgetAhead()
    {
        m_ahead.rows = Result();
        m_ahead.lastId = 0;
    }
    bool goesOn(bool forward) const
    {
        const auto &c = *f.m_cursor;
        return m_ahead.lastId != 0 && m_ahead.forward == forward && m_ahead.order == f.m_order && !c.atStart && !c.atEnd
               && c.idForNext == m_ahead.lastId && c.idForPrev == m_ahead.lastId && c.sort == m_ahead.lastSort;
    }
    void served(bool forward)
    {
        m_ahead.forward = forward;
        m_ahead.order = f.m_order;
        m_ahead.lastId = f.m_current.id;
        m_ahead.lastSort = f.m_cursor->sort;
    }
    void remember()
    {
        if (m_conn->inTransaction)
            m_conn->undo.push_back({&f, f.m_current, f.m_currentVersion});
    }
};

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
void PgDriver::loadRow(const Result &r, int at)
{
    const FileDesc &d = f.m_desc;
    int repaired = 0;
    Row row;
    row.reserve(d.columns.size());
    for (int i = 0; i < int(d.columns.size()); ++i) {
        const QByteArray v = r.value(at, i + 2);
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
                ++repaired;
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
    f.m_current.id = r.value(at, 0).toLongLong();
    f.m_currentVersion = r.value(at, 1).toLongLong();
    f.m_repaired = repaired + f.m_buffer->load(row);
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
Params PgDriver::rowParamsOf(const Row &fields) const
{
    Params out;
    for (auto &v : fields)
        out.push_back(fieldParam(v));
    for (int k = 0; k < int(f.m_desc.keys.size()); ++k) {
        for (auto &v : f.sortValues(fields, k))
            out.push_back(sortParam(v));
        if (f.m_desc.keys[k].unique) {
            const Value &v = fields[f.m_desc.keys[k].parts.front().column];
            const bool blank = std::visit([](auto &x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, QByteArray>) return cp1251::sortKey(x).isEmpty();
                else if constexpr (std::is_same_v<T, std::monostate>) return true;
                else return x == 0;
            }, v);
            if (blank)
                out.push_back({{}, true});
            else if (auto *b = std::get_if<QByteArray>(&v))
                out.push_back(sortParam(cp1251::sortKey(*b)));
            else if (auto *i = std::get_if<qint64>(&v))
                out.push_back(fieldParam(double(*i)));
            else
                out.push_back(fieldParam(v));
        }
    }
    return out;
}

FileError PgDriver::add()
{
    forgetAhead();
    if (!ready())
        return FileError(currentError().code);
    remember();
    QStringList cols = f.writableColumns();
    QStringList marks;
    for (int i = 0; i < cols.size(); ++i) marks << QStringLiteral("$%1").arg(i + 1);
    Result r = m_conn->write(QStringLiteral("INSERT INTO %1(%2) VALUES(%3) RETURNING id").arg(table(), cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                             rowParamsOf(f.m_buffer->save()));
    if (!r.ok() || r.rows() != 1)
        return failWith(r);
    f.m_current.id = r.value(0, 0).toLongLong();
    f.m_currentVersion = 1;
    ++f.m_writes;
    return f.succeed();
}

FileError PgDriver::put()
{
    forgetAhead();
    if (!ready())
        return FileError(currentError().code);
    if (f.m_current.isNull())
        return f.fail(FileError::RecordNotFound);
    remember();
    QStringList sets;
    int n = 0;
    for (auto &c : f.writableColumns()) sets << c + QStringLiteral("=$%1").arg(++n);
    Params params = rowParamsOf(f.m_buffer->save());
    params.push_back(intParam(f.m_current.id));
    params.push_back(intParam(f.m_currentVersion));
    Result r = m_conn->write(QStringLiteral("UPDATE %1 SET %2, ver=ver+1 WHERE id=$%3 AND ver=$%4").arg(table(), sets.join(QLatin1Char(','))).arg(n + 1).arg(n + 2), params);
    if (!r.ok())
        return failWith(r);
    if (QByteArray(PQcmdTuples(r.r)) == "0")
        return f.fail(FileError::ChangedByOther);
    ++f.m_currentVersion;
    ++f.m_writes;
    return f.succeed();
}

FileError PgDriver::remove()
{
    forgetAhead();
    if (!ready())
        return FileError(currentError().code);
    if (f.m_current.isNull())
        return f.fail(FileError::RecordNotFound);
    remember();
    Result r = m_conn->write(QStringLiteral("DELETE FROM %1 WHERE id=$1 AND ver=$2").arg(table()), {intParam(f.m_current.id), intParam(f.m_currentVersion)});
    if (!r.ok())
        return failWith(r);
    if (QByteArray(PQcmdTuples(r.r)) == "0")
        return f.fail(FileError::ChangedByOther);
    f.m_current = {};
    ++f.m_writes;
    return f.succeed();
}

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
    Result r = run(m_conn->conn, QStringLiteral("COMMIT"));
    // A transaction the server had to abort answers COMMIT with ROLLBACK: that is a failure.
    if (!r.ok() || QByteArray(PQcmdStatus(r.r)) != "COMMIT") {
        const FileError e = r.ok() ? f.fail(FileError::FileSystem, 0, QStringLiteral("the transaction was rolled back")) : failWith(r);
        if (PQstatus(m_conn->conn) == CONNECTION_OK)
            run(m_conn->conn, QStringLiteral("ROLLBACK"));
        m_conn->inTransaction = true; // so that lost() puts the change watch back
        m_conn->lost();
        return e;
    }
    m_conn->inTransaction = false;
    m_conn->undo.clear();
    return f.succeed();
}

FileError PgDriver::rollback()
{
    forgetAhead();
    if (!m_conn || !m_conn->inTransaction)
        return f.fail(FileError::NotOpen, 0, QStringLiteral("no transaction"));
    run(m_conn->conn, QStringLiteral("ROLLBACK"));
    m_conn->lost();
    return f.succeed();
}

// ---- database.ini -------------------------------------------------------------------------
QString databaseIniPath(const QString &dir) { return QDir(dir).filePath(QStringLiteral("database.ini")); }

DatabaseChoice databaseChoice(const QString &dir)
{
    DatabaseChoice c;
    QFile file(databaseIniPath(dir));
    if (!file.exists())
        return c;
    c.server = true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        c.error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
        return c;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('[')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        const QString name = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (eq > 0 && name == QLatin1String("connection"))
            c.connection = value;
        else if (eq > 0 && name == QLatin1String("service"))
            c.connection = QStringLiteral("service=") + value;
    }
    // libpq's own password file keeps the password; one written here would be readable by
    // everyone who can read the working directory.
    const QString lower = c.connection.toLower();
    static const QRegularExpression uriPassword(QStringLiteral("://[^/@]*:[^/@]*@"));
    if (lower.contains(QLatin1String("password")) || lower.contains(uriPassword))
        c.error = QStringLiteral("%1: пароль не записывается в этот файл (используйте файл паролей PostgreSQL)").arg(file.fileName());
    else if (c.connection.isEmpty())
        c.error = QStringLiteral("%1: нет строки подключения (connection = ... или service = ...)").arg(file.fileName());
    return c;
}

// ---- copying a working directory into a database ------------------------------------------
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
        for (auto &s : createStatements(d)) {
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
        QStringList marks;
        for (int i = 0; i < cols.size(); ++i) marks << QStringLiteral("$%1").arg(i + 1);
        const QString insert = QStringLiteral("INSERT INTO %1(%2) VALUES(%3)").arg(quoted(d.name), cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        Result prep(PQprepare(c, "copy", insert.toUtf8().constData(), 0, nullptr));
        qint64 n = 0, top = 0;
        file->setOrder(DataFile::PhysicalOrder);
        FileError e;
        while (ok && (e = file->next()) == FileError::None) {
            const DataFile::ReadState s = file->readState();
            Params params{intParam(s.position.id), intParam(s.version)};
            for (auto &p : helper.rowParamsOf(file->buffer().save())) params.push_back(p);
            std::vector<const char *> values;
            std::vector<int> lengths, formats;
            for (auto &p : params) {
                values.push_back(p.null ? nullptr : p.data.constData());
                lengths.push_back(int(p.data.size()));
                formats.push_back(p.binary ? 1 : 0);
            }
            Result r(PQexecPrepared(c, "copy", int(params.size()), values.data(), lengths.data(), formats.data(), 0));
            if (!r.ok()) {
                *error = QStringLiteral("%1, запись %2: %3").arg(d.name).arg(s.position.id).arg(QString::fromUtf8(PQresultErrorMessage(r.r)).trimmed());
                ok = false;
            }
            ++n;
            top = std::max(top, s.position.id);
        }
        if (ok && e != FileError::EndOfFile) {
            *error = QStringLiteral("%1: %2 %3").arg(file->diskName(), currentError().message, currentError().driverMessage);
            ok = false;
        }
        run(c, QStringLiteral("DEALLOCATE copy"));
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
