// A recipe and its three tests written in one transaction on the database server, again and
// again, while another connection ends the program's server connections at random moments:
// every transaction is stored whole or not at all, as its commit reported, its records with
// their history entries.
#include "data/files.h"
#include "support/pgserver.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <map>
#include <thread>

class TestPgCut : public QObject {
    Q_OBJECT
    PgTestServer m_server;
    QTemporaryDir m_dir;

    // Adds the recipe `n` and its tests in one transaction; true when the commit said so.
    static bool writeRecipeWithTests(int n)
    {
        if (files::PODBOR.begin() != FileError::None)
            return false;
        POD = PodborRecord();
        POD.NUM = n;
        bool ok = files::PODBOR.add() == FileError::None;
        for (int t = 1; ok && t <= 3; ++t) {
            GUR = GurRecord();
            GUR.REZNUM = n;
            GUR.NUMBER = n * 10 + t;
            ok = files::GUR.add() == FileError::None;
        }
        if (!ok) {
            files::PODBOR.rollback();
            return false;
        }
        return files::PODBOR.commit() == FileError::None;
    }

    // Recipe number -> its stored tests (-1: the recipe is not stored), read on a connection of our own.
    std::map<int, int> stored()
    {
        std::map<int, int> out;
        PGconn *c = PQconnectdb(m_server.connection().toUtf8().constData());
        PGresult *r = PQexec(c, "SELECT p.\"NUM\", (SELECT count(*) FROM \"GUR\" g WHERE g.\"REZNUM\" = p.\"NUM\") FROM \"PODBOR\" p");
        for (int i = 0; i < PQntuples(r); ++i)
            out[int(QByteArray(PQgetvalue(r, i, 0)).toDouble())] = QByteArray(PQgetvalue(r, i, 1)).toInt();
        PQclear(r);
        r = PQexec(c, "SELECT \"REZNUM\" FROM \"GUR\" WHERE \"REZNUM\" NOT IN (SELECT \"NUM\" FROM \"PODBOR\")");
        for (int i = 0; i < PQntuples(r); ++i)
            out[int(QByteArray(PQgetvalue(r, i, 0)).toDouble())] = -1000; // tests without their recipe
        PQclear(r);
        PQfinish(c);
        return out;
    }

    int count(const QString &sql)
    {
        PGconn *c = PQconnectdb(m_server.connection().toUtf8().constData());
        PGresult *r = PQexec(c, sql.toUtf8().constData());
        const int n = PQresultStatus(r) == PGRES_TUPLES_OK ? QByteArray(PQgetvalue(r, 0, 0)).toInt() : -1;
        PQclear(r);
        PQfinish(c);
        return n;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        QVERIFY(m_server.serve(m_dir.path()));
        setDataDirectory(m_dir.path());
        for (DataFile *f : {&files::PODBOR, &files::GUR}) {
            QCOMPARE(f->create(), FileError::None);
            QCOMPARE(f->open(), FileError::None);
        }
    }

    void everyTransactionWholeOrNothing()
    {
        std::atomic<bool> stop{false};
        std::atomic<int> cuts{0};
        std::thread cutter([&] {
            PGconn *c = PQconnectdb(m_server.connection().toUtf8().constData());
            QRandomGenerator random(7);
            while (!stop) {
                QThread::msleep(random.bounded(10, 80));
                PGresult *r = PQexec(c, "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                        "WHERE application_name = 'asphalt' AND pid <> pg_backend_pid()");
                cuts += PQntuples(r);
                PQclear(r);
            }
            PQfinish(c);
        });
        std::map<int, bool> reported;
        for (int n = 1; n <= 600; ++n)
            reported[n] = writeRecipeWithTests(n);
        stop = true;
        cutter.join();

        const std::map<int, int> found = stored();
        int committed = 0;
        for (const auto &[n, ok] : reported) {
            const auto it = found.find(n);
            const int tests = it == found.end() ? -1 : it->second;
            QVERIFY2(tests == (ok ? 3 : -1), qPrintable(QStringLiteral("recipe %1 reported %2, stored with %3 tests")
                                                             .arg(n).arg(ok ? "written" : "failed").arg(tests)));
            committed += ok;
        }
        QCOMPARE(int(found.size()), committed); // nothing else, no tests without their recipe
        // Every record stored has its history entry, and every entry its record.
        for (const char *file : {"PODBOR", "GUR"}) {
            const QString table = QStringLiteral("\"%1\"").arg(QLatin1String(file));
            QCOMPARE(count(QStringLiteral("SELECT count(*) FROM %1 r WHERE NOT EXISTS (SELECT 1 FROM history h WHERE "
                                          "h.file_name='%2' AND h.record_id=r.id AND h.action='add')").arg(table, QLatin1String(file))), 0);
            QCOMPARE(count(QStringLiteral("SELECT count(*) FROM history h WHERE h.file_name='%2' AND NOT EXISTS "
                                          "(SELECT 1 FROM %1 r WHERE r.id=h.record_id)").arg(table, QLatin1String(file))), 0);
        }
        QVERIFY2(cuts > 20 && committed > 20 && committed < 600,
                 qPrintable(QStringLiteral("%1 cuts, %2 of 600 committed").arg(cuts.load()).arg(committed)));
    }
};

QTEST_GUILESS_MAIN(TestPgCut)
#include "tst_pg_cut.moc"
