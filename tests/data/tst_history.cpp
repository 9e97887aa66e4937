// The change history: every write leaves its entry in the same transaction, entries form a
// chain that an outside edit breaks, a laboratory result is changed only with a reason, and a
// writer killed at random moments never leaves a record without its entry or an entry without
// its record. The same on the database server, with several stations writing at once.
#include "data/backup.h"
#include "data/files.h"
#include "data/history.h"
#include "data/storage.h"
#include "support/pgserver.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <set>
#include <sqlite3.h>

namespace {

std::vector<HistoryEntry> historyOf(DataFile &file, Position record = {})
{
    std::vector<HistoryEntry> out;
    file.readHistory(record, &out);
    return out;
}

QString fieldChange(const HistoryEntry &e, const QString &name)
{
    for (auto &f : history::fieldsOf(e.fields))
        if (f.name == name)
            return f.before + QStringLiteral(" -> ") + f.after;
    return {};
}

// Adds, changes and deletes crushed stone; checks what the history says of it.
void checkWritesRecorded()
{
    history::setWindow(QStringLiteral("Щебень"));
    SPL = SplitRecord();
    SPL.NUM = 7;
    SPL.NAIMEN = QStringLiteral("Гранит");
    QCOMPARE(files::SPLIT.add(), FileError::None);
    const Position stone = files::SPLIT.position();
    SPL.PLOTN = 2.65;
    QCOMPARE(files::SPLIT.put(), FileError::None);
    QCOMPARE(files::SPLIT.put(), FileError::None); // nothing changed: no entry
    QCOMPARE(files::SPLIT.remove(), FileError::None);

    const auto entries = historyOf(files::SPLIT, stone);
    QCOMPARE(int(entries.size()), 3);
    QCOMPARE(entries[0].action, HistoryAction::Add);
    QCOMPARE(fieldChange(entries[0], QStringLiteral("NAIMEN")), QStringLiteral(" -> Гранит"));
    QCOMPARE(entries[1].action, HistoryAction::Change);
    QCOMPARE(history::fieldsOf(entries[1].fields).size(), size_t(1));
    QCOMPARE(fieldChange(entries[1], QStringLiteral("PLOTN")), QStringLiteral("0 -> 2.65"));
    QCOMPARE(entries[2].action, HistoryAction::Delete);
    QCOMPARE(fieldChange(entries[2], QStringLiteral("PLOTN")), QStringLiteral("2.65 -> "));
    for (auto &e : entries) {
        QCOMPARE(e.record, stone.id);
        QCOMPARE(e.keys, QStringLiteral("NUM=7"));
        QCOMPARE(e.window, QStringLiteral("Щебень"));
        QCOMPARE(e.user, history::systemUser());
        QVERIFY(e.localTime().isValid());
    }
    QVERIFY(history::brokenLinks(historyOf(files::SPLIT)).empty());

    // A write refused, or a transaction rolled back, leaves no entry.
    const size_t before = historyOf(files::SPLIT).size();
    GUR = GurRecord();
    GUR.NUMBER = 5;
    QCOMPARE(files::GUR.add(), FileError::None);
    QCOMPARE(files::GUR.add(), FileError::DuplicateKey);
    QCOMPARE(files::SPLIT.begin(), FileError::None);
    SPL = SplitRecord();
    SPL.NUM = 8;
    QCOMPARE(files::SPLIT.add(), FileError::None);
    QCOMPARE(files::SPLIT.rollback(), FileError::None);
    QCOMPARE(historyOf(files::SPLIT).size(), before);
    QCOMPARE(historyOf(files::GUR).size(), size_t(1));
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void init()
    {
        setDataDirectory(m_dir.path());
        history::setReasonAsker({});
        for (DataFile *f : {&files::SPLIT, &files::GUR}) {
            if (f->isOpen())
                f->close();
            QFile::remove(f->diskName());
            QCOMPARE(f->create(), FileError::None);
            QCOMPARE(f->open(), FileError::None);
        }
    }

    void writesRecordedOnFiles() { checkWritesRecorded(); }

    // The entries go to the server with their records (--copy-to), their chain whole.
    void writesRecordedOnServer()
    {
        SPL = SplitRecord();
        SPL.NUM = 70;
        QCOMPARE(files::SPLIT.add(), FileError::None);
        SPL.PLOTN = 2.7;
        QCOMPARE(files::SPLIT.put(), FileError::None);
        const auto copied = historyOf(files::SPLIT);
        PgTestServer server;
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        QTemporaryDir dir;
        QVERIFY(server.serve(dir.path()));
        for (DataFile *f : {&files::SPLIT, &files::GUR})
            f->close();
        QVERIFY2(copyToServer(server.connection(), m_dir.path(), nullptr, &error), qPrintable(error));
        setDataDirectory(dir.path());
        for (DataFile *f : {&files::SPLIT, &files::GUR})
            QCOMPARE(f->open(), FileError::None);
        const auto arrived = historyOf(files::SPLIT);
        QCOMPARE(arrived.size(), copied.size());
        QCOMPARE(arrived.back().hash, copied.back().hash);
        checkWritesRecorded();
        QCOMPARE(historyOf(files::SPLIT).back().role, QStringLiteral("postgres"));
        QStringList asked; // a test result changed on the server: the reason names the test as read
        history::setReasonAsker([&](const QString &file, HistoryAction, const QString &keys) {
            asked << file + QLatin1Char(' ') + keys;
            return std::optional<QString>(QStringLiteral("описка"));
        });
        GUR.R20 = 2.5;
        QCOMPARE(files::GUR.put(), FileError::None);
        QCOMPARE(asked, QStringList{QStringLiteral("GUR NUMBER=5")});
        QCOMPARE(historyOf(files::GUR).back().reason, QStringLiteral("описка"));
        history::setReasonAsker({});

        // A backup of the server is the set of SQLite files, the history in them; a restore puts
        // the server's rows and history back as they were.
        const auto kept = historyOf(files::SPLIT);
        for (DataFile *f : {&files::SPLIT, &files::GUR})
            f->close();
        QString backup, safety;
        QVERIFY2(writeBackup(dir.path(), m_dir.filePath(QStringLiteral("copies")), &backup, &error), qPrintable(error));
        BackupManifest manifest;
        QVERIFY2(checkBackup(backup, &manifest, &error), qPrintable(error));
        QCOMPARE(files::SPLIT.open(), FileError::None);
        SPL = SplitRecord();
        SPL.NUM = 99;
        QCOMPARE(files::SPLIT.add(), FileError::None);
        files::SPLIT.close();
        QVERIFY2(restoreBackup(backup, dir.path(), m_dir.filePath(QStringLiteral("safety")), &safety, &error), qPrintable(error));
        QCOMPARE(files::SPLIT.open(), FileError::None);
        QCOMPARE(files::SPLIT.recordCount(), qint64(1)); // the one of the copy, not the one added after
        const auto restored = historyOf(files::SPLIT);
        QCOMPARE(restored.size(), kept.size());
        QCOMPARE(restored.back().hash, kept.back().hash);
        QVERIFY(history::brokenLinks(restored).empty());
        SPL.NUM = 100; // the chain's end this station knew is gone: the entry follows the restored end
        QCOMPARE(files::SPLIT.add(), FileError::None);
        QVERIFY(history::brokenLinks(historyOf(files::SPLIT)).empty());
        files::SPLIT.close();

        // A history table as an earlier version made it (entries not numbered along their chains)
        // is brought up to date by the first station that opens the file.
        QVERIFY(server.exec(QStringLiteral("ALTER TABLE history DROP CONSTRAINT history_chain_seq; ALTER TABLE history DROP COLUMN chain_seq; "
                                           "ALTER TABLE history ADD PRIMARY KEY (id); CREATE INDEX history_chain ON history(file_name, id)")));
        QCOMPARE(files::SPLIT.open(), FileError::None);
        SPL.NUM = 101;
        QCOMPARE(files::SPLIT.add(), FileError::None);
        QCOMPARE(historyOf(files::SPLIT).size(), restored.size() + 2);
        QVERIFY(history::brokenLinks(historyOf(files::SPLIT)).empty());
        files::SPLIT.close();
    }

    // An entry edited by another tool breaks the chain there.
    void outsideEditBreaksChain()
    {
        for (int n = 1; n <= 3; ++n) {
            SPL = SplitRecord();
            SPL.NUM = n;
            QCOMPARE(files::SPLIT.add(), FileError::None);
        }
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(files::SPLIT.diskName().toUtf8().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "UPDATE history SET key_fields='NUM=9' WHERE id=2", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        const auto chain = historyOf(files::SPLIT);
        const auto broken = history::brokenLinks(chain);
        QCOMPARE(int(broken.size()), 1);
        QCOMPARE(broken.front()->id, qint64(2));
    }

    // Changing or deleting a test result asks why; no answer, no write.
    void resultChangedOnlyWithReason()
    {
        QStringList asked;
        std::optional<QString> answer = QStringLiteral("ошибка ввода");
        history::setReasonAsker([&](const QString &file, HistoryAction, const QString &keys) {
            asked << file + QLatin1Char(' ') + keys;
            return answer;
        });
        GUR = GurRecord();
        GUR.NUMBER = 12;
        QCOMPARE(files::GUR.add(), FileError::None); // a new result needs no reason
        GUR.R20 = 3.1;
        QCOMPARE(files::GUR.put(), FileError::None);
        QCOMPARE(asked, QStringList{QStringLiteral("GUR NUMBER=12")});
        QCOMPARE(historyOf(files::GUR).back().reason, QStringLiteral("ошибка ввода"));

        answer.reset();
        GUR.R20 = 4.2;
        QCOMPARE(files::GUR.put(), FileError::Cancelled);
        QCOMPARE(files::GUR.remove(), FileError::Cancelled);
        QCOMPARE(files::GUR.fetch(files::GUR.position()), FileError::None);
        QCOMPARE(GUR.R20, 3.1);
        QCOMPARE(historyOf(files::GUR).size(), size_t(2));

        SPL = SplitRecord();
        QCOMPARE(files::SPLIT.add(), FileError::None);
        SPL.PLOTN = 1;
        QCOMPARE(files::SPLIT.put(), FileError::None); // a material is not a result
        QCOMPARE(asked.size(), 3);
    }

    // A writer killed at random moments: every record present has its entry, every entry its
    // record (or the entry of its delete), and the chain holds.
    void killedWriterLeavesPairs()
    {
        for (DataFile *f : {&files::SPLIT, &files::GUR})
            f->close();
        QRandomGenerator random(3);
        for (int kill = 0; kill < 50; ++kill) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("--writer"), m_dir.path(), QString::number(kill * 100000)});
            QVERIFY(writer.waitForReadyRead(10000));
            QThread::usleep(random.bounded(5000, 100000));
            writer.kill();
            writer.waitForFinished();
        }
        checkPairs(50);
    }

    // Three stations writing at once on the server: their entries take turns on one chain, each
    // record with its entry.
    void stationsShareOneChain()
    {
        PgTestServer server;
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        QTemporaryDir dir;
        QVERIFY(server.serve(dir.path()));
        files::SPLIT.close();
        setDataDirectory(dir.path());
        QCOMPARE(files::SPLIT.create(), FileError::None);
        std::vector<std::unique_ptr<QProcess>> stations;
        for (int n = 0; n < 3; ++n) {
            stations.push_back(std::make_unique<QProcess>());
            stations.back()->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--writer"), dir.path(), QString::number(n * 100000)});
        }
        for (auto &s : stations)
            QVERIFY(s->waitForReadyRead(10000));
        QThread::msleep(1500);
        for (auto &s : stations) {
            s->kill();
            s->waitForFinished();
        }
        checkPairs(300);
        files::SPLIT.close();
    }

private:
    // Every record present has its add entry and no delete entry, every added record is present
    // or deleted, the chain is whole and holds more than `least` entries.
    void checkPairs(size_t least)
    {
        QCOMPARE(files::SPLIT.open(), FileError::None);
        std::set<qint64> present;
        files::SPLIT.setOrder(DataFile::PhysicalOrder);
        while (files::SPLIT.next() == FileError::None)
            present.insert(files::SPLIT.position().id);
        std::set<qint64> added, deleted;
        const auto chain = historyOf(files::SPLIT);
        for (auto &e : chain) {
            if (e.action == HistoryAction::Add)
                added.insert(e.record);
            if (e.action == HistoryAction::Delete)
                deleted.insert(e.record);
        }
        for (qint64 id : present)
            QVERIFY2(added.count(id) && !deleted.count(id), qPrintable(QStringLiteral("record %1").arg(id)));
        for (qint64 id : added)
            QVERIFY2(present.count(id) || deleted.count(id), qPrintable(QStringLiteral("entry of record %1").arg(id)));
        QVERIFY(history::brokenLinks(chain).empty());
        QVERIFY2(chain.size() > least, qPrintable(QString::number(chain.size())));
    }
};

// The killed writer: adds, changes and deletes records as fast as it can.
static int writerMain(const QString &dir, int first)
{
    setDataDirectory(dir);
    if (files::SPLIT.open() != FileError::None)
        return 2;
    fputs("writing\n", stdout);
    fflush(stdout);
    for (int n = first + 1;; ++n) {
        SPL = SplitRecord();
        SPL.NUM = n;
        files::SPLIT.add();
        SPL.PLOTN = n;
        files::SPLIT.put();
        if (n % 3 == 0)
            files::SPLIT.remove();
    }
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--writer"))
        return writerMain(app.arguments().value(2), app.arguments().value(3).toInt());
    TestHistory t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_history.moc"
