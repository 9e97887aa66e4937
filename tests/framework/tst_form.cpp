#include "catalogues/grading_requirement_form_window.h"
#include "data/files.h"
#include "framework/chart_ui.h"
#include "support/window_helpers.h"
#include "support/workdir.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPainter>
#include <QTabWidget>

#include <sqlite3.h>

#include <array>
#include <memory>

namespace {

// A small form over the beam file: a unique name, two sizes with one decimal.
FormDecl beamDecl(bool savePrompt, bool checkKey = true)
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEBEAM");
    d.file = &files::N_BALKI;
    d.windowTitle = QStringLiteral("Балки");
    d.insertTitle = QStringLiteral("Добавить");
    d.changeTitle = QStringLiteral("Изменить");
    d.size = QSize(260, 140);
    d.savePrompt = savePrompt;
    d.fields = {
        {QStringLiteral("WIDTEST"), QStringLiteral("N_B_WIDTEST"), "s20", QRect(10, 10, 160, 21), true},
        {QStringLiteral("B_BALK"), QStringLiteral("N_B_B_BALK"), "n5.1", QRect(10, 40, 60, 21)},
        {QStringLiteral("H_BALK"), QStringLiteral("N_B_H_BALK"), "n5.1", QRect(80, 40, 60, 21)},
    };
    d.buttons = {
        {QStringLiteral("OK"), QStringLiteral("OK"), QRect(10, 100, 70, 25), FormButtonRole::Ok, {}},
        {QStringLiteral("CANCEL"), QStringLiteral("Cancel"), QRect(90, 100, 70, 25), FormButtonRole::Cancel, {}},
    };
    if (checkKey) {
        d.checkedUniqueKey = files::key::N_B_KEYWID;
        d.checkedKeyName = QStringLiteral("N_B:KEYWID");
    }
    return d;
}

void addBeam(const char *name, REAL width, BYTE number = 0)
{
    FileUse use(files::N_BALKI);
    files::N_BALKI.buffer().clear();
    N_B.ANUM = number;
    N_B.WIDTEST = QString::fromUtf8(name);
    N_B.B_BALK = width;
    QCOMPARE(files::N_BALKI.add(), FileError::None);
}

void addNorma(const char *type, REAL min40, REAL max40)
{
    FileUse use(files::NORMA);
    files::NORMA.buffer().clear();
    NOR.TYPASPH = QString::fromUtf8(type);
    NOR.DNORM2[0][0] = min40;
    NOR.DNORM2[0][1] = max40;
    NOR.DNORM2[10][0] = 4;
    QCOMPARE(files::NORMA.add(), FileError::None);
}

// The change-watch version of the file's first row, read past the storage layer.
qint64 rowVersion(DataFile &file)
{
    sqlite3 *db = nullptr;
    sqlite3_open(file.diskName().toUtf8().constData(), &db);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "SELECT ver FROM data ORDER BY id LIMIT 1", -1, &st, nullptr);
    const qint64 v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return v;
}

qint64 countOf(DataFile &file)
{
    FileUse use(file);
    return file.recordCount();
}

} // namespace

class TestForm : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    std::unique_ptr<QTemporaryDir> m_dir;
    QWidget m_caller;
    LONG m_response = 0;
    int m_doneCalls = 0;

    std::function<void(LONG)> done()
    {
        return [this](LONG r) {
            m_response = r;
            ++m_doneCalls;
        };
    }

    FormWindow *open(const FormDecl &decl, LONG request)
    {
        FormWindow *form = openForm(decl, request, &m_caller, done());
        if (form) {
            form->activateWindow();
            if (!QTest::qWaitForWindowActive(form))
                qWarning("form window not active");
        }
        return form;
    }

private slots:
    void initTestCase()
    {
        setHaltHook([](const QString &m) { qWarning("halt: %s", qPrintable(m)); });
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        useWorkdir(*m_dir, &m_sink);
        FormWindow::forgetMemory();
        m_response = 0;
        m_doneCalls = 0;
        m_caller.setEnabled(true);
    }
    void cleanup()
    {
        deleteFormWindows();
        QCOMPARE(files::NORMA.USED, 0);
        QCOMPARE(files::N_BALKI.USED, 0);
    }

    // Insert and change: the typed record reaches the file and frees the caller; OK stops at a
    // field its picture refuses; a change shows the record and OK without an edit writes nothing;
    // cancel after an edit asks to save (Cancel stays, No discards, Yes saves); a duplicate
    // unique key is refused by name when the form checks that key, by the insert error otherwise.
    void insertChangeCancelAndDuplicate()
    {
        NOR = NormaRecord();
        QPointer<FormWindow> form = open(updateNormaDecl(), glob::InsertRecord);
        QVERIFY(!m_caller.isEnabled());
        type(form, "NOR_TYPASPH", QStringLiteral("А-1"));
        type(form, "NOR_DNORM2_1_1", QStringLiteral("90"));
        type(form, "NOR_DNORM2_11_2", QStringLiteral("12,0")); // decimal comma; zero decimals allowed
        edit(form, "NOR_DNORM2_4_2")->setText(QStringLiteral("1,2.3")); // put there past the typing check
        edit(form, "NOR_DNORM2_4_2")->setModified(true); // as typed
        click(form, "OK");
        QVERIFY(form);
        QCOMPARE(m_doneCalls, 0);
        QTRY_COMPARE(QApplication::focusWidget(), edit(form, "NOR_DNORM2_4_2"));
        QCOMPARE(edit(form, "NOR_DNORM2_4_2")->text(), QStringLiteral("0")); // redisplayed from the record
        QCOMPARE(countOf(files::NORMA), 0);
        click(form, "OK");
        QCOMPARE(m_doneCalls, 1);
        QCOMPARE(m_response, LONG(glob::RequestCompleted));
        QVERIFY(m_caller.isEnabled());
        QTRY_VERIFY(!form);
        {
            FileUse use(files::NORMA);
            NOR = NormaRecord();
            QVERIFY(readFirst(files::NORMA));
            QCOMPARE(NOR.TYPASPH.text(), QStringLiteral("А-1"));
            QCOMPARE(NOR.DNORM2[0][0], 90.0);
            QCOMPARE(NOR.DNORM2[10][1], 12.0);
            form = open(updateNormaDecl(), glob::ChangeRecord);
            QCOMPARE(edit(form, "NOR_DNORM2_1_1")->text(), QStringLiteral("90"));
            const qint64 versionBefore = rowVersion(files::NORMA);
            click(form, "OK");
            QCOMPARE(rowVersion(files::NORMA), versionBefore);
            QCOMPARE(m_response, LONG(glob::RequestCompleted));
            QTRY_VERIFY(!form);
        }
        QVERIFY(m_sink.shown.isEmpty());

        addBeam("Балка", 4);
        FileUse use(files::N_BALKI);
        for (LONG answer : {LONG(MsgCancel), LONG(MsgNo), LONG(MsgYes)}) {
            m_sink.clear();
            m_sink.answers = {answer};
            if (!form) {
                QVERIFY(readFirst(files::N_BALKI));
                form = open(beamDecl(true), glob::ChangeRecord);
            }
            type(form, "N_B_B_BALK", QStringLiteral("4,5"));
            click(form, "CANCEL");
            QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("Update Cancelled")});
            if (answer == MsgCancel) {
                QTest::qWait(20);
                QVERIFY(form && form->isVisible());
                QVERIFY(!m_caller.isEnabled());
                continue;
            }
            QTRY_VERIFY(!form);
            QCOMPARE(m_response, LONG(answer == MsgYes ? glob::RequestCompleted : glob::RequestCancelled));
            N_B = NBalkiRecord();
            QVERIFY(readFirst(files::N_BALKI));
            QCOMPARE(N_B.B_BALK, answer == MsgYes ? 4.5 : 4.0);
        }

        for (bool checkKey : {true, false}) {
            m_sink.clear();
            N_B = NBalkiRecord();
            form = open(beamDecl(false, checkKey), glob::InsertRecord);
            type(form, "N_B_WIDTEST", QStringLiteral("балка")); // keys compare without case
            click(form, "OK");
            QCOMPARE(m_sink.captions(), QStringList{checkKey ? QStringLiteral("Duplicate Key Error")
                                                             : QStringLiteral("Record Insert Error")});
            QCOMPARE(m_sink.shown.at(0).text.endsWith(QLatin1String("N_B:KEYWID")), checkKey);
            QVERIFY(form);
            QCOMPARE(countOf(files::N_BALKI), 1);
            click(form, "CANCEL"); // a form without the save prompt just leaves
            QTRY_VERIFY(!form);
        }
    }

    // Delete asks first (default Cancel) and opens no window; a delete that fails (the record
    // went away elsewhere) offers a retry; a change that cannot start its transaction is retried
    // once the other process has finished; a change of a record another station changed after it
    // was read is refused (warning 38), the form staying open with the other version, and the
    // history key recalls the user's own value; a form that forbids insert and delete refuses them.
    void failedWritesRetryOrRefuse()
    {
        addNorma("В", 90, 100);
        addNorma("Д", 90, 100);
        addNorma("Е", 90, 100);
        FileUse use(files::NORMA);
        QVERIFY(readFirst(files::NORMA));
        for (LONG answer : {LONG(MsgCancel), LONG(MsgOk)}) {
            m_sink.clear();
            m_sink.answers = {answer};
            QVERIFY(!open(updateNormaDecl(), glob::DeleteRecord));
            QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("Confirm Delete")});
            QCOMPARE(m_response, LONG(answer == MsgOk ? glob::RequestCompleted : glob::RequestCancelled));
            QVERIFY(m_caller.isEnabled());
            QCOMPARE(files::NORMA.recordCount(), answer == MsgOk ? 2 : 3);
        }

        QVERIFY(readFirst(files::NORMA));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(files::NORMA.diskName().toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 2000); // another station's connection, past the storage layer
        QCOMPARE(sqlite3_exec(db, "DELETE FROM data WHERE id = (SELECT min(id) FROM data)", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        m_sink.clear();
        m_sink.answers = {MsgOk, MsgOk, MsgYes, MsgOk, MsgNo};
        QVERIFY(!open(updateNormaDecl(), glob::DeleteRecord));
        QCOMPARE(m_sink.captions(), (QStringList{QStringLiteral("Confirm Delete"), QStringLiteral("Delete Operation Error"),
                                                 QStringLiteral("Record Update Error"),
                                                 QStringLiteral("Delete Operation Error"),
                                                 QStringLiteral("Record Update Error")}));
        QCOMPARE(m_response, LONG(glob::RequestCancelled));
        QCOMPARE(files::NORMA.recordCount(), 1);

        QVERIFY(readFirst(files::NORMA));
        QPointer<FormWindow> form = open(updateNormaDecl(), glob::ChangeRecord);
        type(form, "NOR_DNORM2_1_1", QStringLiteral("80"));
        QCOMPARE(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        m_sink.clear();
        m_sink.seen = [db](const MessageRequest &r) {
            if (r.caption == QLatin1String("Record Update Error"))
                sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        };
        m_sink.answers = {MsgOk, MsgYes};
        click(form, "OK");
        QCOMPARE(m_sink.captions(),
                 (QStringList{QStringLiteral("Transaction Framing Error"), QStringLiteral("Record Update Error")}));
        QCOMPARE(m_response, LONG(glob::RequestCompleted));
        NOR = NormaRecord();
        QVERIFY(readFirst(files::NORMA));
        QCOMPARE(NOR.DNORM2[0][0], 80.0);

        form = open(updateNormaDecl(), glob::ChangeRecord);
        type(form, "NOR_TYPASPH", QStringLiteral("Моё"));
        m_sink.clear();
        QCOMPARE(sqlite3_exec(db, "UPDATE data SET DNORM2_1_1 = 50, ver = ver + 1", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        click(form, "OK");
        QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("Record Was Not Updated")});
        QVERIFY(form);
        QCOMPARE(edit(form, "NOR_DNORM2_1_1")->text(), QStringLiteral("50"));
        QLineEdit *typed = edit(form, "NOR_TYPASPH");
        QCOMPARE(typed->text(), QStringLiteral("Е"));
        typed->setFocus();
        QTest::keyClick(typed, Qt::Key_Apostrophe, Qt::ControlModifier);
        QCOMPARE(typed->text(), QStringLiteral("Моё"));
        click(form, "OK");
        QTRY_VERIFY(!form);
        NOR = NormaRecord();
        QVERIFY(readFirst(files::NORMA));
        QCOMPARE(NOR.TYPASPH.text(), QStringLiteral("Моё"));

        addBeam("Балка", 4);
        FileUse beams(files::N_BALKI);
        QVERIFY(readFirst(files::N_BALKI));
        FormDecl d = beamDecl(false);
        d.allowInsert = d.allowDelete = false;
        m_sink.clear();
        QVERIFY(!open(d, glob::DeleteRecord));
        QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("Invalid Request")});
        QCOMPARE(m_response, LONG(glob::RequestCancelled));
        QCOMPARE(files::N_BALKI.recordCount(), 1);
    }

    // A new record of an auto-numbered form takes the highest number + 1 and is in the file at
    // once; saving writes it in place, leaving without saving removes it again.
    void autoNumberingAddsAndRemoves()
    {
        const std::tuple<bool, bool, int> rows[] = {
            {false, true, 1}, // an empty file, saved
            {true, false, 6}, // the highest 5, cancelled
        };
        for (const auto &[existing, saved, number] : rows) {
            init();
            if (existing) {
                addBeam("Пятая", 1, 5);
                addBeam("Вторая", 1, 2);
            }
            const qint64 before = countOf(files::N_BALKI);
            FormDecl d = beamDecl(false);
            d.autoNumber = {files::key::N_B_KEYANUM, QStringLiteral("ANUM"), QStringLiteral("N_BALKI")};
            N_B = NBalkiRecord();
            QPointer<FormWindow> form = open(d, glob::InsertRecord);
            QCOMPARE(int(N_B.ANUM), number);
            QCOMPARE(countOf(files::N_BALKI), before + 1);
            type(form, "N_B_WIDTEST", QStringLiteral("Новая"));
            click(form, saved ? "OK" : "CANCEL");
            QTRY_VERIFY(!form);
            QCOMPARE(m_response, LONG(saved ? glob::RequestCompleted : glob::RequestCancelled));
            QCOMPARE(countOf(files::N_BALKI), before + (saved ? 1 : 0));
            FileUse use(files::N_BALKI);
            files::N_BALKI.buffer().clear();
            N_B.ANUM = BYTE(number);
            QCOMPARE(files::N_BALKI.get(files::key::N_B_KEYANUM), saved ? FileError::None : FileError::RecordNotFound);
            if (saved)
                QCOMPARE(N_B.WIDTEST.text(), QStringLiteral("Новая"));
        }
    }

    // A declaration naming what does not exist stops the form before it opens, naming the fault.
    void declarationFaultsAreNamed()
    {
        QVERIFY(checkFormDecl(beamDecl(false)).isEmpty());
        FormDecl d = beamDecl(false);
        FormField local{QString(), QStringLiteral("MASS"), "n5.1", {}}, names{QStringLiteral("WIDTEST"), QStringLiteral("N_B_LIST"), "s20", {}};
        local.local = QStringLiteral("MASS");
        names.kind = FormControlKind::DropList;
        names.listFile = {&files::NORMA, files::key::NOR_KEYTYP, QStringLiteral("TYPE"), {}};
        d.fields.insert(d.fields.end(), {{QStringLiteral("WIDTH"), QStringLiteral("N_B_WIDTH"), "n5.1", {}}, local, names});
        const QStringList faults = checkFormDecl(d);
        QCOMPARE(faults.size(), 3); // the missing column, local value and name column, in that order
        for (int i = 0; i < 3; ++i)
            QVERIFY2(faults.at(i).contains(QLatin1String(std::array{"WIDTH", "MASS", "TYPE"}[std::size_t(i)])), qPrintable(faults.at(i)));
    }

    // Controls bound to a global, a window-local value and a computed display; a spin box may
    // show a value the program set outside its range; a declared first focus and tab order, the
    // focus hook run only when the user moves into a field. A form opened without a request
    // stores nothing on OK and stays open until it is cancelled.
    void boundValuesFocusAndAFormWithoutRequest()
    {
        FormDecl d = beamDecl(true);
        d.locals = {{QStringLiteral("MASS"), Value(0.0)}};
        FormField global{QString(), QStringLiteral("J1GL"), "n5.1", QRect(10, 70, 60, 21)};
        global.var = FormVar::of(glob::J1GL);
        FormField local{QString(), QStringLiteral("MASS"), "n5.1", QRect(80, 70, 60, 21)};
        local.local = QStringLiteral("MASS");
        FormField shown{QString(), QStringLiteral("SUM"), "n6.1", QRect(150, 70, 60, 21)};
        shown.var = FormVar::number([] { return glob::J1GL + N_B.B_BALK; });
        shown.displayOnly = true;
        FormField spin{QString(), QStringLiteral("I"), "n3", QRect(180, 10, 60, 21)};
        spin.kind = FormControlKind::Spin;
        spin.var = FormVar::of(glob::OTSOS);
        spin.minimum = 0, spin.maximum = 100;
        spin.showOutsideRange = true;
        d.fields.insert(d.fields.end(), {global, local, shown, spin});
        d.firstFocus = QStringLiteral("N_B_H_BALK");
        d.tabOrder = {QStringLiteral("N_B_H_BALK"), QStringLiteral("N_B_WIDTEST"), QStringLiteral("N_B_B_BALK")};
        QStringList entered;
        d.fieldFocused = [&entered](FormWindow &, const QString &name) { entered << name; };
        glob::OTSOS = -7;
        addBeam("Балка", 2);
        FileUse use(files::N_BALKI);
        QVERIFY(readFirst(files::N_BALKI));
        QPointer<FormWindow> form = open(d, glob::NoRequest);

        QCOMPARE(QApplication::focusWidget(), edit(form, "N_B_H_BALK"));
        QVERIFY(entered.isEmpty()); // the opening is no entry
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), edit(form, "N_B_WIDTEST"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        edit(form, "N_B_H_BALK")->setFocus(); // placed by the program
        QCOMPARE(entered, (QStringList{QStringLiteral("N_B_WIDTEST"), QStringLiteral("N_B_B_BALK")}));
        QCOMPARE(form->findChild<QDoubleSpinBox *>(QStringLiteral("I"))->value(), -7.0);
        QCOMPARE(glob::OTSOS, LONG(-7));

        type(form, "J1GL", QStringLiteral("12,5"));
        type(form, "MASS", QStringLiteral("3"));
        QCOMPARE(glob::J1GL, 12.5);
        QCOMPARE(form->localNumber(QStringLiteral("MASS")), 3.0);
        QCOMPARE(edit(form, "SUM")->text(), QStringLiteral("14.5"));
        type(form, "N_B_B_BALK", QStringLiteral("4"));
        QCOMPARE(edit(form, "SUM")->text(), QStringLiteral("16.5"));
        click(form, "OK");
        QVERIFY(form && form->isVisible());
        const qint64 version = rowVersion(files::N_BALKI);
        click(form, "CANCEL");
        QTRY_COMPARE(m_doneCalls, 1);
        QCOMPARE(m_response, LONG(glob::RequestCancelled));
        QCOMPARE(rowVersion(files::N_BALKI), version);
    }

    // Radio groups and drop lists store what is chosen; the drop list over a file lists its names
    // in name order, shows the one the field holds and reads the chosen record.
    void choicesStoreTheirValues()
    {
        addNorma("Б", 80, 100);
        addNorma("А", 90, 100);
        FormDecl d = beamDecl(false);
        d.size = QSize(420, 300);
        FormField number{QStringLiteral("ANUM"), QStringLiteral("N_B_ANUM"), "n3", QRect(10, 130, 200, 70)};
        number.choices = QStringList{"один", "два", "три"};
        number.optionShown = [](int option) { return option < 2 || N_B.B_BALK > 0; };
        FormField fixed{QStringLiteral("L_PROL"), QStringLiteral("N_B_L_PROL"), "n3", QRect(220, 130, 60, 21)};
        fixed.kind = FormControlKind::DropList;
        fixed.choices = QStringList{"5", "7", "10"};
        FormField names{QStringLiteral("WIDTEST"), QStringLiteral("N_B_WIDLIST"), "s20", QRect(220, 160, 100, 21)};
        names.kind = FormControlKind::DropList;
        names.listFile = {&files::NORMA, files::key::NOR_KEYTYP, QStringLiteral("TYPASPH"),
                          [](FormWindow &) { N_B.A_NAGRUZ = NOR.DNORM2[0][0]; }};
        d.fields.insert(d.fields.end(), {number, fixed, names});
        N_B = NBalkiRecord();
        N_B.WIDTEST = QStringLiteral("Б");
        QPointer<FormWindow> form = open(d, glob::InsertRecord);
        auto *list = control<QComboBox>(form, "N_B_WIDLIST");
        QCOMPARE(list->itemText(0), QStringLiteral("А"));
        QCOMPARE(list->currentText(), QStringLiteral("Б"));
        QVERIFY(!control<QRadioButton>(form, "N_B_ANUM_3")->isVisibleTo(form));
        type(form, "N_B_B_BALK", QStringLiteral("2"));
        QVERIFY(control<QRadioButton>(form, "N_B_ANUM_3")->isVisibleTo(form));
        click(form, "N_B_ANUM_2");
        auto *fixedList = control<QComboBox>(form, "N_B_L_PROL");
        fixedList->setFocus();
        QTest::keyClick(fixedList, Qt::Key_End);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Home);
        click(form, "OK");
        QTRY_COMPARE(m_response, LONG(glob::RequestCompleted));
        FileUse use(files::N_BALKI);
        QVERIFY(readFirst(files::N_BALKI));
        QCOMPARE(N_B.WIDTEST.text(), QStringLiteral("А"));
        QCOMPARE(N_B.ANUM, BYTE(2));
        QCOMPARE(N_B.L_PROL, 10.0);
        QCOMPARE(N_B.A_NAGRUZ, 90.0);
    }

    // Tabs, help, a button acting on the focus, a button whose state follows its condition at
    // each redisplay, the event hook and a chart area.
    void pagesHooksAndChart()
    {
        int events = 0;
        FormDecl d = beamDecl(false);
        d.tabs = QStringList{QStringLiteral("Основные"), QStringLiteral("Размеры")};
        d.sheet = QRect(4, 24, 250, 100);
        d.fields[0].tab = 0;
        d.fields[1].tab = d.fields[2].tab = 1;
        for (FormButton &b : d.buttons) b.rect.translate(0, 120);
        d.buttons.push_back({QStringLiteral("HELP"), QStringLiteral("Help"), QRect(170, 220, 70, 25), FormButtonRole::Help, {}});
        d.buttons.push_back({QStringLiteral("TAKE"), QStringLiteral("Принять"), QRect(170, 250, 70, 25), FormButtonRole::Other, {},
                             -1, {}, [](FormWindow &) { N_B.H_BALK = N_B.B_BALK * 2; }});
        FormButton take{QStringLiteral("WHEN"), QStringLiteral("Взять"), QRect(170, 280, 70, 25), FormButtonRole::Other, {}};
        take.enabled = [] { return N_B.B_BALK > 0; };
        d.buttons.push_back(take);
        d.charts.push_back({QStringLiteral("CHART"), QRect(260, 24, 100, 100)});
        d.eachEvent = [&events](FormWindow &) { ++events; };
        N_B = NBalkiRecord();
        QPointer<FormWindow> form = open(d, glob::InsertRecord);
        QCOMPARE(events, 0); // the opening is no event
        auto *sheet = form->findChild<QTabWidget *>(QStringLiteral("SHEET"));
        QCOMPARE(edit(form, "N_B_B_BALK")->parentWidget(), sheet->widget(1));
        sheet->setCurrentIndex(1);
        QVERIFY(!control(form, "WHEN")->isEnabled());
        type(form, "N_B_B_BALK", QStringLiteral("3"));
        QVERIFY(events > 0);
        QVERIFY(control(form, "WHEN")->isEnabled());
        control(form, "TAKE")->setFocus(Qt::TabFocusReason);
        QCOMPARE(edit(form, "N_B_H_BALK")->text(), QStringLiteral("6.0"));
        click(form, "HELP");
        QCOMPARE(m_sink.shown.size(), 1);
        click(form, "CANCEL");
        d.firstSelectionIsEvent = true; // a window that draws at once
        events = 0;
        form = open(d, glob::InsertRecord);
        QCOMPARE(events, 1);

        Chart chart;
        chart.units = QSizeF(100, 100);
        chart.line(QPointF(0, 50), QPointF(100, 50), 0xFF0000, 4);
        form->setChart(QStringLiteral("CHART"), chart);
        QImage image(200, 200, QImage::Format_RGB32); // the painter scales the units: y 50 -> 100
        image.fill(Qt::white);
        QPainter painter(&image);
        paintChart(painter, control<ChartArea>(form, "CHART")->chart(), QRectF(0, 0, 200, 200));
        painter.end();
        QCOMPARE(image.pixelColor(100, 100), QColor(Qt::red));
        click(form, "CANCEL");
    }

    // A form called by a form on the same file works on its caller's record: what it sets
    // there (without a request of its own) reaches the caller, which stores it.
    void aNestedFormHandsItsRecordToTheCaller()
    {
        static FormDecl inner;
        inner = beamDecl(false);
        inner.procedure = QStringLiteral("INNERBEAM");
        inner.buttons.push_back({QStringLiteral("TAKE"), QStringLiteral("Принять"), QRect(170, 100, 70, 25),
                                 FormButtonRole::Other, [](FormWindow &f) { f.pressCancel(); }, -1, {},
                                 [](FormWindow &) { N_B.B_BALK = 7.5; }});
        FormDecl outer = beamDecl(false);
        QPointer<FormWindow> called;
        outer.buttons.push_back({QStringLiteral("CALL"), QStringLiteral("Битум"), QRect(170, 100, 70, 25), FormButtonRole::Other,
                                 [&called](FormWindow &f) { called = openForm(inner, glob::NoRequest, &f, {}); }});
        addBeam("Балка", 2);
        FileUse use(files::N_BALKI);
        QVERIFY(readFirst(files::N_BALKI));
        QPointer<FormWindow> form = open(outer, glob::ChangeRecord);
        click(form, "CALL");
        QVERIFY(called);
        QVERIFY(!form->isEnabled());
        called->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(called));
        control(called, "TAKE")->setFocus(Qt::TabFocusReason);
        click(called, "TAKE");
        QTRY_VERIFY(!called);
        QTRY_COMPARE(edit(form, "N_B_B_BALK")->text(), QStringLiteral("7.5"));
        click(form, "OK");
        QTRY_COMPARE(m_response, LONG(glob::RequestCompleted));
        QVERIFY(readFirst(files::N_BALKI));
        QCOMPARE(N_B.B_BALK, 7.5);
    }
};

QTEST_MAIN(TestForm)
#include "tst_form.moc"
