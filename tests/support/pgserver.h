#pragma once
// A throw-away PostgreSQL server for the storage tests: initdb in a temporary directory, a Unix
// socket only, run as "nobody" when the tests run as root; stopped and removed by the destructor.
// Missing server programs are a failure, not a skip (scripts/setup installs them).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

class PgTestServer {
public:
    ~PgTestServer() { stop(); }

    // Starts the server; false with *error set when it cannot.
    // `durable`: commits wait for the disk, as on a laboratory's server (tests run without).
    bool start(QString *error, bool durable = false)
    {
        if (m_running)
            return true;
        const QString initdb = program(QStringLiteral("initdb")), pgctl = program(QStringLiteral("pg_ctl"));
        if (initdb.isEmpty() || pgctl.isEmpty()) {
            *error = QStringLiteral("PostgreSQL server programs not found (initdb, pg_ctl): run scripts/setup");
            return false;
        }
        m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/pgtest-XXXXXX"));
        if (!m_dir->isValid()) {
            *error = QStringLiteral("no temporary directory");
            return false;
        }
        if (geteuid() == 0) { // the server refuses to run as root
            passwd *nobody = getpwnam("nobody");
            if (!nobody || chown(QFile::encodeName(m_dir->path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                *error = QStringLiteral("cannot hand the server directory to nobody");
                return false;
            }
            m_asUser = QStringLiteral("nobody");
        }
        const QString data = m_dir->filePath(QStringLiteral("data"));
        if (!runAs(initdb, {QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                            QStringLiteral("UTF8"), QStringLiteral("--no-locale"), QStringLiteral("-U"), QStringLiteral("postgres"),
                            QStringLiteral("--no-sync")},
                   error))
            return false;
        const QString options = QStringLiteral("-k %1 -c listen_addresses= -p 5432 %2 -c max_connections=60")
                                    .arg(m_dir->path(), durable ? QString() : QStringLiteral("-F"));
        if (!runAs(pgctl, {QStringLiteral("-D"), data, QStringLiteral("-o"), options, QStringLiteral("-l"),
                           m_dir->filePath(QStringLiteral("log")), QStringLiteral("-w"), QStringLiteral("start")},
                   error))
            return false;
        m_running = true;
        m_pgctl = pgctl;
        return true;
    }

    void stop()
    {
        if (!m_running)
            return;
        QString ignored;
        runAs(m_pgctl, {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")), QStringLiteral("-m"), QStringLiteral("immediate"),
                        QStringLiteral("-w"), QStringLiteral("stop")},
              &ignored);
        m_running = false;
        m_dir.reset();
    }

    QString connection(const QString &db = QStringLiteral("postgres")) const
    {
        return QStringLiteral("host=%1 port=5432 user=postgres dbname=%2").arg(m_dir->path(), db);
    }

    // Makes `dir` a working directory on this server (its database.ini); false when it cannot.
    bool serve(const QString &dir) const
    {
        QFile ini(dir + QStringLiteral("/database.ini"));
        return ini.open(QIODevice::WriteOnly) && ini.write("connection = " + connection().toUtf8() + "\n") > 0;
    }

    // Runs SQL as the superuser; false when it fails.
    bool exec(const QString &sql, const QString &db = QStringLiteral("postgres")) const
    {
        PGconn *c = PQconnectdb(connection(db).toUtf8().constData());
        PQsetNoticeProcessor(c, [](void *, const char *) {}, nullptr);
        PGresult *r = PQexec(c, sql.toUtf8().constData());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        if (!ok)
            qWarning("%s", PQerrorMessage(c));
        PQclear(r);
        PQfinish(c);
        return ok;
    }

private:
    static QString program(const QString &name)
    {
        QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
        QDir lib(QStringLiteral("/usr/lib/postgresql"));
        QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (auto it = versions.rbegin(); it != versions.rend(); ++it) {
            const QString path = lib.filePath(*it + QStringLiteral("/bin/") + name);
            if (QFile::exists(path))
                return path;
        }
        return {};
    }

    bool runAs(const QString &program, const QStringList &args, QString *error) const
    {
        QProcess p;
        p.setWorkingDirectory(m_dir->path());
        if (m_asUser.isEmpty())
            p.start(program, args);
        else
            p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), m_asUser, QStringLiteral("--"), program} + args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            *error = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(p.readAllStandardError() + p.readAllStandardOutput()));
            return false;
        }
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_asUser, m_pgctl;
    bool m_running = false;
};
