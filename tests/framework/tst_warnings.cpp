#include "data/fileerror.h"
#include "data/globals.h"
#include "framework/messagebox_ui.h"
#include "support/fake_sink.h"
#include "support/window_helpers.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

namespace {

const QString kEnd = QStringLiteral(".  Press OK to end this application.");

} // namespace

class TestWarnings : public QObject {
    Q_OBJECT
    FakeSink sink;
    QStringList halts;

private slots:
    void init()
    {
        sink.clear();
        halts.clear();
        setMessageSink(&sink);
        setHaltHook([this](const QString &m) { halts.append(m); });
        glob::resetGlobals();
        clearCurrentError();
    }
    void cleanup()
    {
        setMessageSink(nullptr);
        setHaltHook({});
    }

    void warningsShowTheirBox()
    {
        setCurrentError(FileError::RecordNotFound);
        // Trailing blanks of the texts are removed (fixed-width fields arrive padded).
        QCOMPARE(STANDARDWARNING(1, QStringLiteral("SPLIT   ")), LONG(1));
        const MessageRequest &r = sink.shown.last();
        QCOMPARE(r.caption, QStringLiteral("Invalid File"));
        QCOMPARE(r.text, "Error: (Record Not Found (35)) accessing SPLIT" + kEnd);
        QCOMPARE(int(r.icon), int(MessageIcon::Exclamation));
        QCOMPARE(halts, QStringList{QStringLiteral("Invalid File!")});
        QCOMPARE(STANDARDWARNING(2, QStringLiteral("SPLIT")), LONG(MsgYes)); // the default button
        QCOMPARE(sink.shown.last().buttons, LONG(MsgYes | MsgNo));
        STANDARDWARNING(34, QStringLiteral("SPLIT   "), QStringLiteral("PODBOR  ")); // two names
        QCOMPARE(sink.shown.last().text, QStringLiteral("Error: (Record Not Found (35)) attempting to frame the SPLIT "
                                                        "transaction on PODBOR.  SPLIT transaction cancelled."));
        QCOMPARE(halts.size(), 1); // Yes to an invalid key goes on; No ends the application
        sink.answer = MsgNo;
        QCOMPARE(STANDARDWARNING(2, QStringLiteral("GUR")), LONG(MsgNo));
        QCOMPARE(halts.last(), QStringLiteral("Invalid Key!"));
    }

    void numberWithoutWarningShowsNothing()
    {
        for (LONG n : {0, 6, 13, 20, 37, 39, -1})
            QCOMPARE(STANDARDWARNING(n, QStringLiteral("X")), LONG(0));
        QVERIFY(sink.shown.isEmpty());
        QVERIFY(halts.isEmpty());
    }

    void savedErrorIsUsedOnceThenCleared()
    {
        setCurrentError(FileError::DuplicateKey);
        saveError();
        QCOMPARE(glob::SAVEERRORCODE, LONG(40));
        QCOMPARE(glob::SAVEERROR, QStringLiteral("Creates Duplicate Key"));
        setCurrentError(FileError::EndOfFile); // a later error does not replace the saved one
        STANDARDWARNING(14);
        QCOMPARE(sink.shown.last().text,
                 QStringLiteral("An error was experienced during the update of record.  Error: "
                                "Creates Duplicate Key (40)."));
        QCOMPARE(glob::SAVEERRORCODE, LONG(0));
        QVERIFY(glob::SAVEERROR.isEmpty());
        // Without a saved error the current one is shown.
        STANDARDWARNING(14);
        QCOMPARE(sink.shown.last().text,
                 QStringLiteral("An error was experienced during the update of record.  Error: "
                                "No Record Available (33)."));
    }

    void fileSystemErrorShowsTheDriversMessage()
    {
        setCurrentError(FileError::FileSystem, 13, QStringLiteral("database or disk is full"));
        saveError();
        QCOMPARE(glob::SAVEFILEERRORCODE, LONG(13));
        clearCurrentError();
        STANDARDWARNING(17, QStringLiteral("PODBOR"));
        QCOMPARE(sink.shown.last().text,
                 QStringLiteral("An error (database or disk is full (13)) was experienced when attempting to "
                                "delete a record from the file PODBOR."));
        // The same for the current error, and only for error 90.
        setCurrentError(FileError::FileSystem, 8, QStringLiteral("attempt to write a readonly database"));
        QCOMPARE(warningErrorText(), QStringLiteral("attempt to write a readonly database (8)"));
        setCurrentError(FileError::Locked, 5, QStringLiteral("database is locked"));
        QCOMPARE(warningErrorText(), QStringLiteral("File Is Locked (32)"));
    }

    void errorTextIsCutAt150Characters()
    {
        setCurrentError(FileError::FileSystem, 77, QString(146, QChar(u'x')));
        QCOMPARE(warningErrorText(), QString(146, QChar(u'x')) + QStringLiteral(" (77")); // 151 cut to 150
    }

    void changedByAnotherStation()
    {
        // Error 89 or none: the short text; any other error: the long one with the cause.
        setCurrentError(FileError::ChangedByOther);
        saveError();
        STANDARDWARNING(15, QStringLiteral("Record Changed by Another Station"));
        QCOMPARE(sink.shown.last().text, QStringLiteral("This record was changed by another station."));
        setCurrentError(FileError::Busy);
        STANDARDWARNING(15, QStringLiteral("SPLIT"));
        QVERIFY(sink.shown.last().text.startsWith(QStringLiteral("An error (Transaction Could Not Start In Time (91)) was")));
    }

    // The wait for a locked file: shown at once with its text and progress, given up on Cancel,
    // and gone once the wait is over.
    void lockWaitDialogShowsTheWaitAndTakesCancel()
    {
        ProgressWaitSink wait;
        const QString text = QStringLiteral("Файл GUR.sqlite занят другой станцией, ожидание...");
        QVERIFY(wait.waiting(text, 0, 2000));
        auto *dialog = shownWindow<QProgressDialog>("LOCKWAIT");
        QVERIFY(dialog);
        QCOMPARE(dialog->labelText(), text);
        QVERIFY(wait.waiting(text, 1000, 2000));
        QCOMPARE(dialog->value(), 1000);
        QPushButton *cancel = dialog->findChild<QPushButton *>();
        QVERIFY(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!wait.waiting(text, 1100, 2000));
        QPointer<QProgressDialog> gone(dialog);
        wait.done();
        QVERIFY(gone.isNull());
        QVERIFY(wait.waiting(text, 0, 2000)); // a later wait starts afresh
        wait.done();
    }
};

QTEST_MAIN(TestWarnings)
#include "tst_warnings.moc"
