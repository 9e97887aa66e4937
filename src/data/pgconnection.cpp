#include "data/pgconnection.h"

#include "data/cp1251.h"
#include "data/pgschema.h"

#include <cmath>

namespace pg {

namespace {

constexpr int kLockTimeoutMs = 2000;        // a lock is waited for at most 2 s
constexpr int kStatementTimeoutMs = 30000;  // a runaway statement is cut off
constexpr int kSchemaLockClass = 0x41535049; // advisory lock class of making the history table

} // namespace

Param fieldParam(const Value &v)
{
    if (auto *i = std::get_if<qint64>(&v)) return intParam(*i);
    if (auto *d = std::get_if<double>(&v)) // QByteArray::number() drops the sign of a negative zero
        return {*d == 0 && std::signbit(*d) ? QByteArray("-0") : QByteArray::number(*d, 'g', 17)};
    if (auto *b = std::get_if<QByteArray>(&v)) return {cp1251::decode(*b).toUtf8()};
    return {{}, true};
}

Param sortParam(const Value &v)
{
    if (auto *b = std::get_if<QByteArray>(&v)) return {*b, false, true};
    return fieldParam(v);
}

QString connectionLostText(PGconn *c)
{
    return QStringLiteral("Нет связи с сервером базы данных: ") + QString::fromUtf8(c ? PQerrorMessage(c) : "").trimmed();
}

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

// Stations starting together make the table one after the other (an advisory lock of the
// statements' transaction); one that finds it made meanwhile uses it.
Result keepHistoryTable(PGconn *c)
{
    const QString stateSql = QStringLiteral("SELECT current_user, to_regclass('history') IS NOT NULL, to_regclass('history_chain_seq') IS NOT NULL");
    Result state = run(c, stateSql);
    if (!state.ok() || state.rows() != 1 || state.value(0, 2) == "t")
        return state;
    const QStringList statements = state.value(0, 1) == "t" ? historyUpgradeStatements() : historyTableStatements();
    Result made = run(c, QStringLiteral("SELECT pg_advisory_xact_lock(%1, 0); ").arg(kSchemaLockClass)
                             + statements.join(QStringLiteral("; "))); // one string: one transaction
    if (made.ok())
        return state;
    Result again = run(c, stateSql);
    return again.ok() && again.rows() == 1 && again.value(0, 2) == "t" ? std::move(again) : std::move(made);
}

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

std::map<QString, std::weak_ptr<PgConnection>> &PgConnection::registry()
{
    static std::map<QString, std::weak_ptr<PgConnection>> r;
    return r;
}

std::map<QString, PgConnection::ChainEnd> &PgConnection::chainEnds()
{
    static std::map<QString, ChainEnd> ends;
    return ends;
}

void PgConnection::lost()
{
    if (!inTransaction)
        return;
    for (auto it = undo.rbegin(); it != undo.rend(); ++it)
        restore(*it);
    undo.clear();
    transactionLost = true;
}

void PgConnection::endTransaction()
{
    inTransaction = false;
    transactionLost = false;
    undo.clear();
}

QString transactionLostText()
{
    return QStringLiteral("Связь с сервером базы данных прервалась во время записи: запись отменена целиком");
}

bool PgConnection::ensure(QString *why)
{
    if (!transactionLost && PQstatus(conn) == CONNECTION_OK)
        return true;
    lost();
    if (transactionLost) {
        *why = transactionLostText();
        return false;
    }
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

Result PgConnection::exec(const QString &sql, const Params &params)
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

Result PgConnection::write(const QString &sql, const Params &params)
{
    if (!inTransaction)
        return exec(sql, params);
    if (transactionLost)
        return Result();
    Result sp = run(conn, QStringLiteral("SAVEPOINT w"));
    if (!sp.ok()) {
        if (PQstatus(conn) == CONNECTION_BAD) lost();
        return sp;
    }
    Result r = exec(sql, params);
    if (PQstatus(conn) == CONNECTION_BAD)
        return r;
    Result end = run(conn, r.ok() ? QStringLiteral("RELEASE SAVEPOINT w") : QStringLiteral("ROLLBACK TO SAVEPOINT w; RELEASE SAVEPOINT w"));
    if (!end.ok()) { // the transaction cannot go on: its write is not done
        if (PQstatus(conn) == CONNECTION_BAD)
            lost();
        return end;
    }
    return r;
}

void PgConnection::drainNotices()
{
    PQconsumeInput(conn);
    const int self = PQbackendPID(conn);
    while (PGnotify *n = PQnotifies(conn)) {
        if (n->be_pid != self)
            ++notices[QString::fromUtf8(n->relname)];
        PQfreemem(n);
    }
}

} // namespace pg
