// Copying a working directory's SQLite files into a PostgreSQL database, all or nothing.
#include "data/files.h"
#include "data/pgdriver.h"

#include <QFileInfo>

using namespace pg;

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
