// The records tools of the "Файл" menu, used as a laboratory would: the data check lists a test
// record whose recipe is gone and prints it; a restore chosen in the folder dialog closes the
// windows, saves the current data and brings back the copied state; and the same from the
// command line for scheduled jobs.
#include "app/frame_window.h"
#include "app/startup.h"
#include "data/backup.h"
#include "data/files.h"
#include "data/seed.h"
#include "framework/procedures_ui.h"
#include "framework/list_window.h"
#include "framework/report_preview_window.h"
#include "framework/table_window_ui.h"
#include "support/fake_sink.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestRecordsWindow : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    QTemporaryDir m_root;

    static void addOrphanTest()
    {
        QCOMPARE(files::GUR.create(), FileError::None);
        QCOMPARE(files::GUR.open(), FileError::None);
        GUR = GurRecord();
        GUR.NUMBER = 7;
        GUR.REZNUM = 99;
        QCOMPARE(files::GUR.add(), FileError::None);
        files::GUR.close();
    }

    // Answers the next folder dialog with `path`.
    static void chooseFolder(const QString &path)
    {
        QTimer::singleShot(0, [path] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QFileDialog *>(w); d && d->isVisible()) {
                    d->setDirectory(path);
                    d->selectFile(path);
                    static_cast<QDialog *>(d)->accept();
                    return;
                }
        });
    }

    QString seeded(const QString &name)
    {
        const QString work = m_root.filePath(name);
        QString error;
        [&] { QVERIFY2(seedDirectory(QStringLiteral(ASPHALT_SOURCE_DIR "/data/seed"), work, &error), qPrintable(error)); }();
        setDataDirectory(work);
        return work;
    }

private slots:
    void initTestCase()
    {
        registerProgramProcedures();
        setMessageSink(&m_sink);
    }
    void init() { m_sink.clear(); }

    void checkListsAndPrintsFindings()
    {
        seeded(QStringLiteral("check"));
        addOrphanTest();
        FrameWindow frame(nullptr, 0);
        frame.show();
        frame.findChild<QAction *>(QStringLiteral("CheckData"))->trigger();
        QMdiSubWindow *sub = frame.mdiArea()->activeSubWindow();
        QVERIFY(sub && sub->widget()->objectName() == QStringLiteral("DataCheck"));
        auto *table = sub->widget()->findChild<QTableWidget *>(QStringLiteral("Findings"));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("рецепта 99 нет в базе рецептов"));

        QTest::mouseClick(sub->widget()->findChild<QPushButton *>(QStringLiteral("PrintFindings")), Qt::LeftButton);
        auto *preview = frame.mdiArea()->findChild<ReportPreviewWindow *>();
        QVERIFY(preview);
        QVERIFY(preview->document().page(0).texts().contains(QStringLiteral("рецепта 99 нет в базе рецептов")));
        frame.mdiArea()->closeAllSubWindows();
    }

    void restoreThroughTheMenu()
    {
        const QString work = seeded(QStringLiteral("restore"));
        QString backup, error;
        QVERIFY2(writeBackup(work, m_root.filePath(QStringLiteral("copies")), &backup, &error), qPrintable(error));
        addOrphanTest(); // after the copy: the restore removes it

        FrameWindow frame(nullptr, 0);
        frame.show();
        QVERIFY(startProcedure(QStringLiteral("BROUSESPLIT")));
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);
        m_sink.answers = {MsgYes};
        chooseFolder(backup);
        frame.findChild<QAction *>(QStringLiteral("Restore"))->trigger();
        QVERIFY2(m_sink.texts().value(0).contains(QStringLiteral("NORMA.sqlite: записей 10")), qPrintable(m_sink.texts().join('\n')));
        QVERIFY2(m_sink.texts().value(1).startsWith(QStringLiteral("Данные восстановлены из копии от ")), qPrintable(m_sink.texts().join('\n')));
        QVERIFY(frame.mdiArea()->subWindowList().isEmpty());
        QVERIFY(!QFileInfo::exists(files::GUR.diskName()));
        QCOMPARE(backupsIn(QDir(work).filePath(QStringLiteral("backups"))).size(), 1); // the data as they were
    }

    // A test result changed only with a reason typed into the prompt; the reason, the old and the
    // new value in the record's history (a list's context menu), in the change journal, on its
    // printed page and in its CSV file.
    void historyThroughTheWindows()
    {
        seeded(QStringLiteral("history"));
        FrameWindow frame(nullptr, 0);
        frame.show();
        QVERIFY(startProcedure(QStringLiteral("BROUSESPLIT")));
        auto *list = frame.mdiArea()->activeSubWindow()->widget()->findChild<BrowseWindow *>();
        if (!list)
            list = qobject_cast<BrowseWindow *>(frame.mdiArea()->activeSubWindow()->widget());
        QVERIFY(list);

        if (files::GUR.open() == FileError::NotFound)
            QCOMPARE(files::GUR.create(), FileError::None);
        QVERIFY(files::GUR.isOpen() || files::GUR.open() == FileError::None);
        GUR = GurRecord();
        GUR.NUMBER = 41;
        GUR.R20 = 2.5;
        QCOMPARE(files::GUR.add(), FileError::None);
        GUR.R20 = 2.8;
        QTimer::singleShot(0, [] {
            auto *prompt = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(prompt && prompt->objectName() == QStringLiteral("HistoryReason"));
            prompt->findChild<QLineEdit *>(QStringLiteral("Reason"))->insert(QStringLiteral("пересчёт площади"));
            QTest::mouseClick(prompt->findChild<QPushButton *>(QStringLiteral("ReasonOk")), Qt::LeftButton);
        });
        QCOMPARE(files::GUR.put(), FileError::None);
        files::GUR.close();

        std::unique_ptr<QMenu> menu(list->popupMenu());
        menu->findChild<QAction *>(QStringLiteral("HISTORY"))->trigger();
        auto *record = frame.mdiArea()->activeSubWindow()->findChild<QWidget *>(QStringLiteral("RecordHistory"));
        QVERIFY(record);
        QVERIFY(record->findChild<QTableWidget *>(QStringLiteral("Entries"))->rowCount() > 0);

        frame.findChild<QAction *>(QStringLiteral("ChangeJournal"))->trigger();
        auto *journal = static_cast<TableWindow *>(frame.mdiArea()->activeSubWindow()->findChild<QWidget *>(QStringLiteral("ChangeJournal")));
        QVERIFY(journal);
        const QStringList newest = journal->rows().front();
        QCOMPARE(newest.value(3), QStringLiteral("GUR"));
        QCOMPARE(newest.value(5), QStringLiteral("Изменение"));
        QCOMPARE(newest.value(6), QStringLiteral("R20: 2.5 → 2.8"));
        QCOMPARE(newest.value(7), QStringLiteral("пересчёт площади"));

        QTest::mouseClick(journal->findChild<QPushButton *>(QStringLiteral("PrintEntries")), Qt::LeftButton);
        auto *preview = frame.mdiArea()->findChild<ReportPreviewWindow *>();
        QVERIFY(preview && preview->document().page(0).texts().contains(QStringLiteral("пересчёт площади")));
        const QString csvPath = m_root.filePath(QStringLiteral("journal.csv"));
        BrowseWindow::setCsvPathHook([&](const QString &) { return csvPath; });
        QTest::mouseClick(journal->findChild<QPushButton *>(QStringLiteral("ExportEntries")), Qt::LeftButton);
        BrowseWindow::setCsvPathHook({});
        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(csv.readAll()).contains(QStringLiteral("R20: 2.5 → 2.8;пересчёт площади")));
        frame.mdiArea()->closeAllSubWindows();
    }

    // The command line: a backup lists its files, the check's exit code tells whether something
    // was found, a restore brings the copied state back.
    void commandLine()
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/asphalt");
        if (!QFileInfo::exists(program))
            QSKIP("the program is not built");
        const QString work = seeded(QStringLiteral("cli"));
        auto run = [&](const QStringList &args, QString *out) {
            QProcess p;
            p.start(program, args);
            p.waitForFinished(60000);
            *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };
        QString out;
        QCOMPARE(run({QStringLiteral("--backup"), m_root.filePath(QStringLiteral("cli-copies")), work}, &out), 0);
        QVERIFY2(out.contains(QStringLiteral("NORMA.sqlite: 10\n")), qPrintable(out));
        const QString backup = backupsIn(m_root.filePath(QStringLiteral("cli-copies"))).value(0);
        addOrphanTest();
        QCOMPARE(run({QStringLiteral("--check"), work}, &out), 1);
        QVERIFY2(out.contains(QStringLiteral("GUR: испытание 7: рецепта 99 нет в базе рецептов")), qPrintable(out));
        QCOMPARE(run({QStringLiteral("--restore"), backup, work}, &out), 0);
        QCOMPARE(run({QStringLiteral("--check"), work}, &out), 0);
        QCOMPARE(run({QStringLiteral("--restore"), work, work}, &out), 1); // not a backup
    }
};

QTEST_MAIN(TestRecordsWindow)
#include "tst_records_window.moc"
