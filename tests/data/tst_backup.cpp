// Backups of a working directory: a copy shows one committed state even while another
// connection writes, a damaged or foreign copy is refused and replaces nothing, and a restore
// puts back the copied state after saving the current one, also when it was cut short.
#include "data/backup.h"
#include "data/files.h"
#include "data/seed.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <sqlite3.h>
#include <thread>

namespace {

QString seedDir() { return QStringLiteral(ASPHALT_SOURCE_DIR "/data/seed"); }

// Every file of a directory with a digest of what it holds: the records of a data file (byte
// images of equal databases differ), the bytes of any other file.
QMap<QString, QByteArray> contents(const QString &dir)
{
    QMap<QString, QByteArray> out;
    for (const QString &name : QDir(dir).entryList(QDir::Files)) {
        const QString path = QDir(dir).filePath(name);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        sqlite3 *db = nullptr;
        sqlite3_stmt *st = nullptr;
        if (name.endsWith(QStringLiteral(".sqlite")) && sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
            && sqlite3_prepare_v2(db, "SELECT * FROM data ORDER BY id", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    hash.addData(QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, c))) + '|');
        } else {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                hash.addData(f.readAll());
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        out[name] = hash.result();
    }
    return out;
}

qint64 records(DataFile &file)
{
    if (file.open() != FileError::None)
        return -1;
    const qint64 n = file.recordCount();
    file.close();
    return n;
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_work;

private slots:
    void init()
    {
        m_work = m_root.filePath(QStringLiteral("work%1").arg(QTest::currentTestFunction()));
        QString error;
        QVERIFY2(seedDirectory(seedDir(), m_work, &error), qPrintable(error));
        setDataDirectory(m_work);
    }

    // Backup, change, restore: the copied state comes back, the changed one is kept as a safety
    // copy, and a file made after the backup goes.
    void restorePutsBackTheCopiedState()
    {
        const QString backups = m_root.filePath(QStringLiteral("backups"));
        QString made, error;
        QVERIFY2(writeBackup(m_work, backups, &made, &error), qPrintable(error));
        BackupManifest manifest;
        QVERIFY2(checkBackup(made, &manifest, &error), qPrintable(error));
        QCOMPARE(int(manifest.files.size()), QDir(m_work).entryList(QDir::Files).size());
        const auto norma = std::find_if(manifest.files.begin(), manifest.files.end(),
                                        [](const BackupFile &f) { return f.name == QStringLiteral("NORMA.sqlite"); });
        QVERIFY(norma != manifest.files.end());
        QCOMPARE(norma->records, records(files::NORMA));
        const auto before = contents(m_work);

        QCOMPARE(files::SPLIT.open(), FileError::None);
        SPL = SplitRecord();
        SPL.NUM = 900;
        SPL.NAIMEN = QStringLiteral("Щебень после копии");
        QCOMPARE(files::SPLIT.add(), FileError::None);
        files::SPLIT.close();
        QCOMPARE(files::GUR.create(), FileError::None); // a file the backup does not hold
        files::GUR.close();
        const auto changed = contents(m_work);

        const QString safetyDir = m_root.filePath(QStringLiteral("safety"));
        QString safety;
        QVERIFY2(restoreBackup(made, m_work, safetyDir, &safety, &error), qPrintable(error));
        QCOMPARE(contents(m_work), before);
        QCOMPARE(contents(safety).keys(), changed.keys() + QStringList{kManifestName});
        QCOMPARE(QDir(m_work).entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot), before.keys());
    }

    // A damaged or foreign copy is refused with a message, and the working data stays as it was.
    void damagedOrForeignBackupRefused()
    {
        const QString backups = m_root.filePath(QStringLiteral("damaged"));
        QString made, error, safety;
        QVERIFY2(writeBackup(m_work, backups, &made, &error), qPrintable(error));
        const auto before = contents(m_work);

        QFile spoiled(QDir(made).filePath(QStringLiteral("SPLIT.sqlite")));
        QVERIFY(spoiled.open(QIODevice::ReadWrite));
        spoiled.seek(spoiled.size() / 2);
        spoiled.write("xx");
        spoiled.close();
        QVERIFY(!restoreBackup(made, m_work, m_root.filePath(QStringLiteral("s1")), &safety, &error));
        QVERIFY2(error.contains(QStringLiteral("SPLIT.sqlite")) && error.contains(QStringLiteral("повреждён")), qPrintable(error));

        QTemporaryDir foreign;
        QFile(QDir(m_work).filePath(QStringLiteral("NORMA.sqlite"))).copy(foreign.filePath(QStringLiteral("NORMA.sqlite")));
        QVERIFY(!restoreBackup(foreign.path(), m_work, m_root.filePath(QStringLiteral("s2")), &safety, &error));
        QVERIFY2(error.contains(QStringLiteral("не резервная копия")), qPrintable(error));

        QCOMPARE(contents(m_work), before);
        QVERIFY(!QFileInfo::exists(m_root.filePath(QStringLiteral("s1"))));
    }

    // Another connection adds a record to two files in one transaction, again and again; every
    // copy taken meanwhile holds as many records in one as in the other and passes the check.
    void backupWhileAnotherConnectionWrites()
    {
        const QString a = QDir(m_work).filePath(QStringLiteral("SPLIT.sqlite"));
        const QString b = QDir(m_work).filePath(QStringLiteral("SANT.sqlite"));
        const qint64 offset = records(files::SPLIT) - records(files::SANT);
        std::atomic<bool> stop{false};
        std::atomic<int> written{0};
        std::thread writer([&] {
            sqlite3 *db = nullptr;
            sqlite3_open(a.toUtf8().constData(), &db);
            sqlite3_busy_timeout(db, 5000);
            sqlite3_exec(db, ("ATTACH '" + b.toUtf8() + "' AS b").constData(), nullptr, nullptr, nullptr);
            for (int id = 100000; !stop; ++id) {
                const QByteArray sql = QStringLiteral("BEGIN IMMEDIATE; INSERT INTO main.data(id) VALUES(%1); "
                                                      "INSERT INTO b.data(id) VALUES(%1); COMMIT;").arg(id).toUtf8();
                if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
                    ++written;
                else
                    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            }
            sqlite3_close(db);
        });
        const QString backups = m_root.filePath(QStringLiteral("busy"));
        for (int i = 0; i < 5; ++i) {
            QString made, error;
            QVERIFY2(writeBackup(m_work, backups, &made, &error), qPrintable(error));
            BackupManifest m;
            QVERIFY2(checkBackup(made, &m, &error), qPrintable(error));
            QMap<QString, qint64> n;
            for (const BackupFile &f : m.files)
                n[f.name] = f.records;
            QCOMPARE(n.value(QStringLiteral("SPLIT.sqlite")) - n.value(QStringLiteral("SANT.sqlite")), offset);
        }
        stop = true;
        writer.join();
        QVERIFY(written > 0);
    }

    // A restore cut short after its plan was written is finished at the next start; one cut short
    // before leaves the data as it was.
    void interruptedRestoreIsFinished()
    {
        const QString backups = m_root.filePath(QStringLiteral("cut"));
        QString made, error;
        QVERIFY2(writeBackup(m_work, backups, &made, &error), qPrintable(error));
        const auto before = contents(m_work);
        QFile::remove(QDir(m_work).filePath(QStringLiteral("SPLIT.sqlite")));

        QDir work(m_work);
        QVERIFY(work.mkdir(QStringLiteral(".restore-early")));
        QVERIFY(QFile::copy(QDir(made).filePath(QStringLiteral("NORMA.sqlite")), work.filePath(QStringLiteral(".restore-early/NORMA.sqlite"))));
        QVERIFY(work.mkdir(QStringLiteral(".restore-late")));
        QVERIFY(QFile::copy(QDir(made).filePath(QStringLiteral("SPLIT.sqlite")), work.filePath(QStringLiteral(".restore-late/SPLIT.sqlite"))));
        QFile plan(work.filePath(QStringLiteral(".restore-late/plan")));
        QVERIFY(plan.open(QIODevice::WriteOnly));
        plan.write("put NORMA.sqlite\nput SPLIT.sqlite\n"); // NORMA was moved in before the cut
        plan.close();

        QVERIFY2(finishInterruptedRestore(m_work, &error), qPrintable(error));
        QCOMPARE(contents(m_work), before);
        QCOMPARE(work.entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot), before.keys());
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
