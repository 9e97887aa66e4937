#pragma once
// The PostgreSQL driver's way to the server: statements with their values as parameters, their
// results and what a failure means for a data file, and the connection that a group of files
// shares (as the SQLite files of a group share one). Private to the driver's files.
#include "data/datafile.h"

#include <QByteArray>
#include <QString>
#include <libpq-fe.h>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace pg {

constexpr LONG kLostCode = 8006; // connection failure (SQLSTATE 08006)

// One parameter of a statement: text, or bytes sent as binary bytea, or NULL.
struct Param {
    QByteArray data;
    bool null = false;
    bool binary = false;
};
using Params = std::vector<Param>;

inline Param textParam(const QByteArray &utf8) { return {utf8}; }
inline Param intParam(qint64 v) { return {QByteArray::number(v)}; }

// A field: numbers as text (doubles with every digit), texts as UTF-8.
Param fieldParam(const Value &v);
// A sort value: bytes as bytea (compared byte by byte, as SQLite compares its blobs).
Param sortParam(const Value &v);

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

QString connectionLostText(PGconn *c);
QString transactionLostText();
// What a failed statement means. `opening`: a lock that is not granted in time makes the file
// "locked" (as when another process holds a SQLite file), otherwise "busy".
Failure failureOf(const Result &res, PGconn *c, bool opening);

Result run(PGconn *c, const QString &sql);
// Makes the change history's table, or brings one made by an earlier version up to date (in one
// transaction). Answers the failure, or a row of the role's name.
Result keepHistoryTable(PGconn *c);
Result runParams(PGconn *c, const QString &sql, const Params &params);

// Opens a connection with the session settings of the program.
PGconn *connect(const QString &connection, QString *why);

// One connection per group of files.
struct PgConnection {
    PGconn *conn = nullptr;
    QString connection;
    bool inTransaction = false;
    QString role;            // the database role, for the change history
    bool historyReady = false;
    // The last entry of a file's history chain as last seen by this process (by connection and
    // file): a new entry follows it when it is still the last one, else the end is read again.
    struct ChainEnd {
        qint64 seq = 0;
        QString hash;
    };
    static std::map<QString, ChainEnd> &chainEnds();
    std::map<QString, QByteArray> prepared; // statement -> name
    std::map<QString, quint64> notices;     // channel -> other stations' writes seen
    std::set<QString> listening;
    quint64 reconnects = 0; // what was said while the connection was lost is not known
    struct Undo { DataFile *file; Position position; qint64 version; };
    std::vector<Undo> undo;
    std::function<void(const Undo &)> restore;

    ~PgConnection() { if (conn) PQfinish(conn); }

    static std::map<QString, std::weak_ptr<PgConnection>> &registry();

    // The connection lost: the server rolled back whatever transaction was open. The files' change
    // watch goes back to before it, and until the transaction is ended (its commit fails, its
    // rollback succeeds) every statement is refused: no reconnect inside it, so that nothing of its
    // rest is written piece by piece.
    void lost();
    bool transactionLost = false;
    void endTransaction();
    // Reconnects a lost connection (outside a transaction): the next operation is the retry.
    bool ensure(QString *why);
    Result exec(const QString &sql, const Params &params);
    // A write inside a transaction runs under a savepoint, so that a refused write (a duplicate
    // key) leaves the transaction usable, as with SQLite.
    Result write(const QString &sql, const Params &params);
    void drainNotices();
};

} // namespace pg
