#include "data/globals.h"
#include "data/storage.h"
#include "data/backup.h"
#include "framework/fileservices.h"
#include "support/pgserver.h"
#include "support/workdir.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QElapsedTimer>
#include <csignal>
#include <sqlite3.h>

namespace {

// Records the waits shown; can press Cancel on the first one.
class RecordingWaitSink final : public WaitSink {
public:
    int shown = 0;
    int finished = 0;
    bool cancel = false;
    QString text;
    bool waiting(const QString &t, int, int) override
    {
        ++shown;
        text = t;
        return !cancel;
    }
    void done() override { ++finished; }
};

void addRecipe(REAL num, int tests, bool weighing)
{
    POD = PodborRecord();
    POD.NUM = num;
    POD.OBEKT = QStringLiteral("Трасса М-%1").arg(num);
    QCOMPARE(files::PODBOR.add(), FileError::None);
    for (int i = 0; i < tests; ++i) {
        GUR = GurRecord();
        GUR.REZNUM = LONG(num);
        GUR.R20 = i;
        QCOMPARE(files::GUR.add(), FileError::None);
    }
    if (weighing) {
        OBR = ObrgidroRecord();
        OBR.NUMMER = num;
        QCOMPARE(files::OBRGIDRO.add(), FileError::None);
    }
}

// Reads a recipe by number into POD (and arms its change watch).
bool readRecipe(REAL num)
{
    POD.NUM = num;
    return files::PODBOR.get(files::key::POD_KEYNUM) == FileError::None;
}

int countTests(LONG rez)
{
    int n = 0;
    files::GUR.setOrder(files::key::GUR_KEYREZNUM);
    while (files::GUR.next() == FileError::None)
        n += GUR.REZNUM == rez;
    return n;
}

QList<REAL> weighingNumbers()
{
    QList<REAL> out;
    files::OBRGIDRO.setOrder(DataFile::PhysicalOrder);
    while (files::OBRGIDRO.next() == FileError::None)
        out << OBR.NUMMER;
    return out;
}

PgTestServer &server()
{
    static PgTestServer s;
    return s;
}

} // namespace

// Every case runs on the SQLite files and on a throw-away PostgreSQL server.
class TestFileServices : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;
    RecordingWaitSink m_wait;
    QStringList m_halts;

    static void releaseRecipeFiles()
    {
        for (DataFile *f : {&files::PODBOR, &files::GUR, &files::OBRGIDRO})
            while (f->USED > 0)
                releaseFile(*f);
    }
    static bool onServer()
    {
        QFETCH_GLOBAL(QString, driver);
        return driver == QLatin1String("PostgreSQL");
    }
    void freshRecipeFiles()
    {
        releaseRecipeFiles();
        if (onServer())
            QVERIFY(server().exec(QStringLiteral("DROP TABLE IF EXISTS \"PODBOR\", \"GUR\", \"OBRGIDRO\"")));
        for (DataFile *f : {&files::PODBOR, &files::GUR, &files::OBRGIDRO}) {
            QFile::remove(f->diskName());
            QVERIFY(useFile(*f));
        }
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::newRow("SQLite") << QStringLiteral("SQLite");
        QTest::newRow("PostgreSQL") << QStringLiteral("PostgreSQL");
    }
    void cleanupTestCase()
    {
        QFile::remove(databaseIniPath(m_dir.path()));
        server().stop();
    }
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        setWaitSink(&m_wait);
        setHaltHook([this](const QString &m) { m_halts << m; });
    }
    void init()
    {
        m_sink.clear();
        m_halts.clear();
        m_wait = RecordingWaitSink();
        glob::resetGlobals();
        QFile::remove(databaseIniPath(m_dir.path()));
        if (!onServer())
            return;
        QString error;
        QVERIFY2(server().start(&error), qPrintable(error));
        QFile ini(databaseIniPath(m_dir.path()));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("connection = " + server().connection().toUtf8() + "\n");
    }

    // A damaged file does not end the program: it is named, and the other files still open.
    void checkopenOnDamagedFiles()
    {
        if (onServer())
            QSKIP("damaged SQLite files; a damaged table is checked with the storage tests");
        DataFile &f = files::NASTROJK;
        QFile garbage(f.diskName());
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(5000, '\x11'));
        garbage.close();
        QVERIFY(!CHECKOPEN(f));
        QVERIFY(m_halts.isEmpty());
        QCOMPARE(m_sink.shown.value(0).caption, QStringLiteral("Повреждённый файл данных"));
        QVERIFY2(m_sink.shown.value(0).text.contains(QFileInfo(f.diskName()).absoluteFilePath()), qPrintable(m_sink.shown.value(0).text));
        QVERIFY(CHECKOPEN(files::SPLIT));
        files::SPLIT.close();

        // With a backup the damaged file is offered back from it; the damaged one is kept beside.
        QFile::remove(f.diskName());
        QVERIFY(CHECKOPEN(f));
        NAS = NastrojkRecord();
        NAS.REGION = QStringLiteral("КОПИЯ");
        QCOMPARE(f.add(), FileError::None);
        f.close();
        QString backup, error;
        QVERIFY2(writeBackup(m_dir.path(), backupFolder(m_dir.path()), &backup, &error), qPrintable(error));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(5000, '\x11'));
        garbage.close();
        m_sink.clear();
        m_sink.answers = {MsgYes};
        QVERIFY(CHECKOPEN(f));
        QCOMPARE(m_sink.shown.size(), 2);
        QVERIFY(m_sink.shown.value(1).text.startsWith(QStringLiteral("Файл NASTROJK.sqlite восстановлен из копии")));
        QCOMPARE(f.recordCount(), 1);
        QVERIFY(QFileInfo::exists(f.diskName() + QStringLiteral(".damaged")));
        f.close();
        QDir(backupFolder(m_dir.path())).removeRecursively();

        // A damaged key is rebuilt when the user agrees (No ends the program: tst_warnings).
        QFile::remove(f.diskName());
        QVERIFY(CHECKOPEN(f));
        NAS = NastrojkRecord();
        NAS.REGION = QStringLiteral("РЕЦЕПТ");
        QCOMPARE(f.add(), FileError::None);
        f.close();
        {
            sqlite3 *db = nullptr;
            sqlite3_open(f.diskName().toUtf8().constData(), &db);
            QCOMPARE(sqlite3_exec(db, "DROP INDEX key2", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        m_sink.clear();
        m_sink.answer = MsgYes;
        QVERIFY(CHECKOPEN(f));
        QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("Invalid Key")});
        QVERIFY(m_halts.isEmpty());
        f.setOrder(files::key::NAS_KEYDOROGA);
        QCOMPARE(f.next(), FileError::None);
        QCOMPARE(NAS.REGION.text(), QStringLiteral("РЕЦЕПТ"));
        f.close();
    }

    void deletingARecipeCascadesAndClearsInOneStep()
    {
        freshRecipeFiles();
        addRecipe(3, 4, true);
        addRecipe(7, 2, true);
        addRecipe(300, 0, true);
        QVERIFY(readRecipe(3));
        QCOMPARE(RIDELETE(files::PODBOR), 0);
        QVERIFY(!readRecipe(3));
        QCOMPARE(countTests(3), 0);
        QCOMPARE(countTests(7), 2);
        QCOMPARE(weighingNumbers(), QList<REAL>({0, 7, 300}));
        QVERIFY(readRecipe(300));
        QCOMPARE(RIDELETE(files::PODBOR), 0);
        QCOMPARE(weighingNumbers(), QList<REAL>({0, 7, 0}));
        QVERIFY(m_sink.shown.isEmpty());
    }

    void changingTheNumberOfARecipeWithTestsIsRestricted()
    {
        freshRecipeFiles();
        addRecipe(5, 2, false);
        QVERIFY(readRecipe(5));
        RISNAP(files::PODBOR);
        POD.NUM = 9;
        QCOMPARE(RIUPDATE(files::PODBOR, 1), BYTE(RiFailed));
        QCOMPARE(m_sink.shown.value(0).caption, QStringLiteral("Referential Integrity Update Error"));
        QVERIFY(m_sink.shown.value(0).text.contains(QStringLiteral("gur")));
        QCOMPARE(POD.NUM, 5.0);
        QVERIFY(!readRecipe(9));
        // Trying again with the old number writes (the change watch survived the rollback).
        QVERIFY(readRecipe(5));
        RISNAP(files::PODBOR);
        POD.OBEKT = QStringLiteral("Объездная");
        QCOMPARE(RIUPDATE(files::PODBOR, 1), BYTE(RiWritten));
        QVERIFY(readRecipe(5));
        QCOMPARE(POD.OBEKT.text(), QStringLiteral("Объездная"));
        QCOMPARE(countTests(5), 2);
    }

    // Another station deletes the newest recipe and adds one of its own; this station, still
    // showing the deleted recipe, may neither write over the new one nor delete it with its tests.
    void aStationHoldingADeletedRecipeCannotTouchItsSuccessor()
    {
        freshRecipeFiles();
        addRecipe(6, 0, false);
        addRecipe(7, 1, false);
        QVERIFY(readRecipe(7));
        RISNAP(files::PODBOR);
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--other-user"), m_dir.path(), QStringLiteral("replace")});
        QVERIFY(other.waitForFinished(10000));
        QCOMPARE(other.exitCode(), 0);

        POD.OBEKT = QStringLiteral("Моё");
        QCOMPARE(RIUPDATE(files::PODBOR, 1), BYTE(RiChangedByOther));
        QCOMPARE(m_sink.shown.value(0).caption, QStringLiteral("Record Was Not Updated"));
        m_sink.shown.clear();
        QCOMPARE(RIDELETE(files::PODBOR), 1);
        QCOMPARE(m_sink.shown.value(0).caption, QStringLiteral("Delete Operation Error"));
        QVERIFY2(m_sink.shown.value(0).text.contains(QStringLiteral("(89)")), qPrintable(m_sink.shown.value(0).text));
        QVERIFY(readRecipe(8));
        QCOMPARE(POD.OBEKT.text(), QStringLiteral("Трасса М-8"));
        QCOMPARE(countTests(8), 3);
        QVERIFY(m_halts.isEmpty());
    }

    // Another station changes the recipe this station shows; deleting it is refused like a change
    // (its tests stay), the buffer shows the other station's version, and a second delete goes.
    void deletingARecordChangedByAnotherStationIsRefused()
    {
        freshRecipeFiles();
        addRecipe(7, 2, false);
        QVERIFY(readRecipe(7));
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--other-user"), m_dir.path(), QStringLiteral("rename")});
        QVERIFY(other.waitForFinished(10000));
        QCOMPARE(other.exitCode(), 0);

        QCOMPARE(RIDELETE(files::PODBOR), 2);
        QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("Запись не удалена")});
        QCOMPARE(POD.OBEKT.text(), QStringLiteral("Переименован"));
        QCOMPARE(countTests(7), 2);
        QCOMPARE(RIDELETE(files::PODBOR), 0);
        QVERIFY(!readRecipe(7));
        QCOMPARE(countTests(7), 0);
    }

    // Another station holds a file locked: the wait is shown and bounded by the recovery time,
    // then the file is reported locked and the program goes on (the user can try again).
    void aLockedFileIsWaitedForThenReportedWithoutEndingTheProgram_data()
    {
        QTest::addColumn<bool>("recipesOpen"); // the test journal then joins their connection
        QTest::addColumn<bool>("cancel");
        QTest::newRow("test journal while the recipes are open") << true << false;
        QTest::newRow("test journal alone") << false << false;
        QTest::newRow("wait cancelled") << true << true;
    }
    void aLockedFileIsWaitedForThenReportedWithoutEndingTheProgram()
    {
        QFETCH(bool, recipesOpen);
        QFETCH(bool, cancel);
        if (onServer())
            QSKIP("a SQLite file held locked by another process");
        freshRecipeFiles();
        releaseRecipeFiles();
        if (recipesOpen)
            QVERIFY(useFile(files::PODBOR));
        m_wait.cancel = cancel;
        setRecoverSeconds(2);

        QProcess other;
        other.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--other-user"), m_dir.path(), QStringLiteral("lock"), files::GUR.diskName()});
        QVERIFY(other.waitForReadyRead(10000)); // "locked"
        QElapsedTimer t;
        t.start();
        const bool opened = useFile(files::GUR);
        const qint64 waited = t.elapsed();
        other.kill();
        other.waitForFinished(10000);
        setRecoverSeconds(10);

        QVERIFY(!opened);
        QVERIFY2(waited < (cancel ? 1500 : 5000), qPrintable(QString::number(waited)));
        QVERIFY(m_halts.isEmpty());
        QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("File Access Error")});
        QVERIFY2(m_sink.shown[0].text.contains(QStringLiteral("(32)")), qPrintable(m_sink.shown[0].text));
        QVERIFY(m_wait.shown > 0);
        QVERIFY(m_wait.text.contains(files::GUR.diskName()));
        QCOMPARE(m_wait.finished, 1);

        QVERIFY(useFile(files::GUR)); // once the other station lets go
        releaseFile(files::GUR);
        if (recipesOpen)
            releaseFile(files::PODBOR);
    }

    // A process killed in the middle of deleting recipes leaves every recipe with all its
    // records or with none of them.
    void aKilledProcessLeavesAllOrNothing()
    {
        freshRecipeFiles();
        const int recipes = 30, testsEach = 40;
        QCOMPARE(files::PODBOR.begin(), FileError::None);
        for (int r = 1; r <= recipes; ++r)
            addRecipe(r, testsEach, true);
        QCOMPARE(files::PODBOR.commit(), FileError::None);
        releaseRecipeFiles();

        QProcess other;
        other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--other-user"), m_dir.path(), QStringLiteral("delete-all")});
        // Killed soon after its third deletion: most likely inside the fourth.
        QByteArray said;
        while (said.count('\n') < 4 && other.waitForReadyRead(10000))
            said += other.readAll();
        QThread::msleep(3);
        ::kill(pid_t(other.processId()), SIGKILL);
        QVERIFY(other.waitForFinished(10000));

        for (DataFile *f : {&files::PODBOR, &files::GUR, &files::OBRGIDRO})
            QVERIFY(useFile(*f));
        QList<REAL> left;
        files::PODBOR.setOrder(files::key::POD_KEYNUM);
        while (files::PODBOR.next() == FileError::None)
            left << POD.NUM;
        QVERIFY2(left.size() < recipes, "the other process deleted nothing before it was killed");
        QVERIFY2(!left.isEmpty(), "the other process finished before it was killed");
        for (int r = 1; r <= recipes; ++r)
            QCOMPARE(countTests(LONG(r)), left.contains(r) ? testsEach : 0);
        QList<REAL> linked = weighingNumbers();
        linked.removeAll(0);
        QCOMPARE(linked, left);
        releaseRecipeFiles();
    }
};

// The other user: "lock" holds a file, "rename" changes recipe 7, "replace" deletes recipe 7 and
// adds recipe 8, "delete-all"
// deletes recipes one by one from the highest number down, slowly, until killed.
static int otherUserMain(const QStringList &args)
{
    setDataDirectory(args.value(0));
    if (args.value(1) == QLatin1String("lock")) { // holds the file exclusively until killed
        sqlite3 *db = nullptr;
        sqlite3_open(args.value(2).toUtf8().constData(), &db);
        if (sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
            return 6;
        fputs("locked\n", stdout);
        fflush(stdout);
        QThread::sleep(60);
        return 0;
    }
    if (!useFile(files::PODBOR))
        return 2;
    if (args.value(1) == QLatin1String("rename")) {
        if (!readRecipe(7))
            return 3;
        POD.OBEKT = QStringLiteral("Переименован");
        return files::PODBOR.put() == FileError::None ? 0 : 4;
    }
    if (args.value(1) == QLatin1String("replace")) {
        if (!readRecipe(7) || RIDELETE(files::PODBOR) != 0 || !useFile(files::GUR) || !useFile(files::OBRGIDRO))
            return 3;
        POD = PodborRecord();
        POD.NUM = 8;
        POD.OBEKT = QStringLiteral("Трасса М-8");
        bool ok = files::PODBOR.add() == FileError::None;
        for (int i = 0; i < 3; ++i) {
            GUR = GurRecord();
            GUR.REZNUM = 8;
            ok = ok && files::GUR.add() == FileError::None;
        }
        return ok ? 0 : 4;
    }
    files::PODBOR.setOrder(files::key::POD_KEYNUM);
    files::PODBOR.setToEnd();
    fputs("deleting\n", stdout);
    fflush(stdout);
    while (files::PODBOR.previous() == FileError::None) {
        if (RIDELETE(files::PODBOR) != 0)
            return 5;
        fputs("deleted\n", stdout);
        fflush(stdout);
        files::PODBOR.setToEnd();
    }
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() > 1 && args[1] == QLatin1String("--other-user"))
        return otherUserMain(args.mid(2));
    TestFileServices t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_fileservices.moc"
