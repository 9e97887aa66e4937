// The working folder as a laboratory meets it: the first start asks for one and fills a new
// folder with the sample data; a folder that cannot be used is named with its reason and
// another one chosen, never an empty folder used instead; "Файл → Рабочая папка..." switches
// the frame; "О программе" shows the version.
#include "app/frame_window.h"
#include "app/startup.h"
#include "app/work_folder_dialog.h"
#include "data/datafile.h"
#include "data/globals.h"
#include "support/fake_sink.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

namespace {

QDialog *openDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<QDialog *>(w); d && d->isVisible() && d->objectName() == QLatin1String("WORKFOLDER"))
            return d;
    return nullptr;
}

// A SQLite file carrying the given mark and data version, as another build of the program (or
// another program) would leave it.
void writeMarkedFile(const QString &path, int applicationId, int version)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const QByteArray sql = QStringLiteral("PRAGMA application_id=%1; PRAGMA user_version=%2; CREATE TABLE data(id INTEGER);")
                               .arg(applicationId).arg(version).toUtf8();
    QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

} // namespace

class TestWorkFolder : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    QTemporaryDir m_root;

    // Runs chooseStartFolder(given) while the user reads the dialog's message (into *shown) and,
    // when `choose` is given, types that folder and presses "Открыть"; otherwise cancels.
    QString start(const QString &given, QString *shown, const QString &choose, QString *proposed = nullptr)
    {
        bool asked = false;
        QObject answering; // no answer left waiting when no dialog came
        QTimer::singleShot(0, &answering, [&] {
            QDialog *d = openDialog();
            if (!d)
                return;
            asked = true;
            auto *problem = d->findChild<QLabel *>(QStringLiteral("PROBLEM"));
            *shown = problem->isVisible() ? problem->text() : QString();
            auto *path = d->findChild<QLineEdit *>(QStringLiteral("PATH"));
            if (proposed)
                *proposed = QDir::fromNativeSeparators(path->text());
            if (choose.isEmpty()) {
                d->findChild<QPushButton *>(QStringLiteral("CANCEL"))->click();
                return;
            }
            path->setText(choose);
            d->findChild<QPushButton *>(QStringLiteral("OK"))->click();
            if (d->isVisible()) { // refused: the reason, then give up
                *shown = problem->text();
                d->reject();
            }
        });
        const QString folder = chooseStartFolder(given);
        if (!asked)
            shown->clear();
        return folder;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true); // settings of a test run of their own
        QCoreApplication::setOrganizationName(QStringLiteral("asphalt-test"));
        QSettings().clear();
        setMessageSink(&m_sink);
        registerProgramProcedures();
    }
    void init()
    {
        m_sink.clear();
        m_sink.answer = MsgYes; // "create it?"
        QSettings().clear();
    }

    // The first start proposes "Асфальт" under the documents, creates it on the user's word,
    // fills it with the sample data and remembers it: the next start asks nothing.
    void firstStartFillsAndRemembers()
    {
        QString shown, proposed;
        const QString lab = m_root.filePath(QStringLiteral("Лаборатория"));
        QCOMPARE(start({}, &shown, lab, &proposed), lab);
        QCOMPARE(proposed, defaultWorkFolder());
        QVERIFY(proposed.endsWith(QStringLiteral("/Асфальт")));
        QVERIFY(shown.isEmpty());
        QVERIFY(m_sink.texts().join(QString()).contains(QStringLiteral("Создать её?")));
        QVERIFY(QFile::exists(lab + QStringLiteral("/NORMA.sqlite")));
        QCOMPARE(rememberedWorkFolder(), lab);
        QCOMPARE(start({}, &shown, {}), lab); // no dialog this time
        QVERIFY(shown.isEmpty());
    }

    // A folder that cannot be used is named with its reason; another folder is chosen instead,
    // and cancelling starts nothing.
    void unusableFolderIsNamed_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");
        const QString base = m_root.filePath(QStringLiteral("bad"));
        QDir().mkpath(base);

        QTest::newRow("missing") << base + QStringLiteral("/нет такой") << QStringLiteral("не найдена");

        const QString other = base + QStringLiteral("/other-version");
        QDir().mkpath(other);
        writeMarkedFile(other + QStringLiteral("/SPLIT.sqlite"), 0x41535048, 7);
        QTest::newRow("another version") << other << QStringLiteral("другой версией программы");

        const QString foreign = base + QStringLiteral("/foreign");
        QDir().mkpath(foreign);
        writeMarkedFile(foreign + QStringLiteral("/GUR.sqlite"), 0, 0);
        QTest::newRow("foreign file") << foreign << QStringLiteral("не является файлом данных");

        const QString server = base + QStringLiteral("/server");
        QDir().mkpath(server);
        QFile ini(server + QStringLiteral("/database.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("connection = host=" + (base + QStringLiteral("/no-server")).toUtf8() + " dbname=asphalt user=lab\n");
        ini.close();
        QTest::newRow("server not answering") << server << QStringLiteral("недоступен");

        if (QFileInfo(QStringLiteral("/proc")).isDir()) // not writable even for root
            QTest::newRow("not writable") << QStringLiteral("/proc") << QStringLiteral("нельзя записывать");
    }
    void unusableFolderIsNamed()
    {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        const QStringList dataFiles{QStringLiteral("*.sqlite"), QStringLiteral("*.dbf")};
        const QStringList before = QDir(folder).entryList(dataFiles);
        QString shown;
        const QString other = m_root.filePath(QStringLiteral("instead-%1").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
        QCOMPARE(start(folder, &shown, other), other);
        QVERIFY2(shown.contains(reason), qPrintable(shown));
        QVERIFY2(shown.contains(QDir::toNativeSeparators(folder)), qPrintable(shown));
        QVERIFY(QFile::exists(other + QStringLiteral("/NORMA.sqlite")));
        QCOMPARE(QDir(folder).entryList(dataFiles), before); // left as it was
        QVERIFY(!QFileInfo::exists(m_root.filePath(QStringLiteral("bad/нет такой"))));
        m_sink.clear();
        QCOMPARE(start(folder, &shown, {}), QString()); // cancelled: the program does not start
    }

    // Choosing an unusable folder in the dialog keeps the dialog open with the reason.
    void dialogRefusesUnusableChoice()
    {
        if (!QFileInfo(QStringLiteral("/proc")).isDir())
            QSKIP("needs a folder nobody can write to");
        QString shown;
        QCOMPARE(start({}, &shown, QStringLiteral("/proc")), QString());
        QVERIFY2(shown.contains(QStringLiteral("В папку /proc нельзя записывать")), qPrintable(shown));
        QCOMPARE(rememberedWorkFolder(), QString());
    }

    // "Файл → Рабочая папка..." closes the windows and goes on in the chosen folder, listed among
    // the recent ones; "О программе" names the version and the folder.
    void frameSwitchesFolder()
    {
        const QString first = m_root.filePath(QStringLiteral("first"));
        const QString second = m_root.filePath(QStringLiteral("second"));
        QString shown;
        QCOMPARE(start({}, &shown, first), first);
        setDataDirectory(first);
        FrameWindow frame(nullptr, 0);
        frame.show();
        frame.findChild<QAction *>(QStringLiteral("BROUSESPLIT"))->trigger();
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);

        frame.findChild<QAction *>(QStringLiteral("WorkFolder"))->trigger();
        QDialog *d = openDialog();
        QVERIFY(d);
        auto *path = d->findChild<QLineEdit *>(QStringLiteral("PATH"));
        QCOMPARE(QDir::fromNativeSeparators(path->text()), first);
        QVERIFY(!d->findChild<QCheckBox *>(QStringLiteral("SEED"))->isEnabled()); // holds data already
        path->setText(second);
        QVERIFY(d->findChild<QCheckBox *>(QStringLiteral("SEED"))->isEnabled());
        d->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        QTRY_VERIFY2(!openDialog(), qPrintable(d->findChild<QLabel *>(QStringLiteral("PROBLEM"))->text() + m_sink.texts().join(QLatin1Char('|'))));

        QCOMPARE(dataDirectory(), second);
        QVERIFY(frame.mdiArea()->subWindowList().isEmpty());
        QVERIFY(frame.findChild<QLabel *>(QStringLiteral("WORKDIR"))->text().contains(QDir::toNativeSeparators(second)));
        QVERIFY(QFile::exists(second + QStringLiteral("/SPLIT.sqlite")));
        QCOMPARE(recentWorkFolders().mid(0, 2), (QStringList{second, first}));

        frame.findChild<QAction *>(QStringLiteral("WorkFolder"))->trigger();
        d = openDialog();
        QVERIFY(d);
        QCOMPARE(d->findChild<QWidget *>(QStringLiteral("RECENT"))->isVisible(), true);
        d->reject();

        m_sink.clear();
        frame.findChild<QAction *>(QStringLiteral("About"))->trigger();
        QCOMPARE(m_sink.shown.size(), 1);
        QVERIFY(m_sink.shown.first().text.contains(QStringLiteral("Версия " ASPHALT_VERSION)));
        QVERIFY(m_sink.shown.first().text.contains(QDir::toNativeSeparators(second)));
        QCOMPARE(m_sink.shown.first().caption, QStringLiteral("О программе"));
        setDataDirectory({});
    }
};

QTEST_MAIN(TestWorkFolder)
#include "tst_work_folder.moc"
