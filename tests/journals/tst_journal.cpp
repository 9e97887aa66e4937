// The mechanical test journal as the laboratory uses it: readings typed into the journal form,
// field after field, turn into the results; the list shows the records of the recipe in hand,
// whatever its number, and the recipe's renumbering and deletion reach them.
#include "support/fake_sink.h"
#include "support/window_helpers.h"
#include "support/workdir.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/list_window.h"
#include "framework/fileservices.h"
#include "journals/journal_ui.h"
#include "journals/test_menu_window.h"
#include "journals/mechanical_journal_window.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Enters a field as Tab does, types `text` over what it shows (blank when empty) and leaves it with Tab.
void enter(QWidget *form, const char *name, const QString &text)
{
    QLineEdit *e = edit(form, name);
    QVERIFY2(e && e->isVisible(), name);
    e->setFocus(Qt::TabFocusReason);
    e->selectAll();
    if (text.isEmpty())
        QTest::keyClick(e, Qt::Key_Delete);
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::keyClick(e, Qt::Key_Tab);
}

void addTest(LONG recipe, double R20, double DOBR = 7)
{
    GUR = GurRecord();
    GUR.REZNUM = recipe;
    GUR.R20 = R20;
    GUR.DOBR = DOBR;
    QCOMPARE(files::GUR.add(), FileError::None);
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;
    QList<QPointer<QWidget>> m_shown;

    BrowseWindow *openList()
    {
        auto *list = qobject_cast<BrowseWindow *>(m_shown.value(m_shown.size() - 1));
        return list && QTest::qWaitForWindowExposed(list) ? list : nullptr;
    }
private slots:
    void init()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<BrowseWindow *>(w) || qobject_cast<FormWindow *>(w))
                delete w;
        m_shown.clear();
        m_sink.clear();
        removeDataFile(files::GUR);
    }
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        recordShownWindows(m_shown);
        registerJournalProcedures();
    }

    // A new record typed in the order of the form: the shear, strength and water examples,
    // the message when R20 is not above R50, and the record stored as computed.
    void readingsBecomeResults()
    {
        glob::NUMMER = 12;
        glob::OBEKT = QStringLiteral("Обход г. Тверь");
        glob::TYP = QStringLiteral("тип Б плотн");
        QVERIFY(startProcedure(QStringLiteral("BROWSEREZGUR")));
        BrowseWindow *list = openList();
        QVERIFY(list);
        FormWindow *form = press(list, "INSERT");
        QVERIFY(form);
        QCOMPARE(form->findChild<QComboBox *>(QStringLiteral("GUR_DOBR"))->currentText(), QStringLiteral("7"));
        QCOMPARE(shown(form, "GUR_REZNUM"), QStringLiteral("12"));
        enter(form, "GUR_DATE", QStringLiteral("05.10.2026"));
        QCOMPARE(shown(form, "GUR_TIP_SM"), QStringLiteral("тип Б п")); // the type's first 7 characters

        for (int i = 1; i <= 4; ++i) {
            enter(form, qPrintable(QStringLiteral("GUR_US%1_50").arg(i)), QStringLiteral("4"));
            enter(form, qPrintable(QStringLiteral("GUR_TS%1_50").arg(i)), QStringLiteral("2"));
        }
        for (int i = 1; i <= 4; ++i) {
            enter(form, qPrintable(QStringLiteral("GUR_UM%1").arg(i)), QStringLiteral("8"));
            enter(form, qPrintable(QStringLiteral("GUR_TM%1").arg(i)), QStringLiteral("2.5"));
        }
        QCOMPARE(shown(form, "GUR_TGFI"), QStringLiteral("0.818"));
        QCOMPARE(shown(form, "GUR_C50"), QStringLiteral("0.227"));
        QVERIFY(qAbs(GUR.TGFI - 18.0 / 22) < 1e-12 && qAbs(GUR.C50 - (3 - 36.0 / 22) / 6) < 1e-12);
        QCOMPARE(GUR.USSR, 1.0);

        enter(form, "GUR_US1_3_50", QStringLiteral("3.6")); // one specimen; Tab on to R50 and m_pl
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("GUR_R50"));
        QCOMPARE(shown(form, "GUR_R50"), QStringLiteral("0.90"));
        QVERIFY(qAbs(GUR.MPL - std::log(1 / 0.9) / std::log(50.0 / 3)) < 1e-12);
        QCOMPARE(shown(form, "GUR_MPL"), QStringLiteral("0.037"));

        enter(form, "GUR_US1_3_20", QStringLiteral("20"));
        enter(form, "GUR_US2_3_20", QStringLiteral("22"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // through the blank third
        QCOMPARE(shown(form, "GUR_R20"), QStringLiteral("5.25"));
        QVERIFY(m_sink.shown.isEmpty());
        enter(form, "GUR_R20", QStringLiteral("0.9")); // typed, not above R50
        QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("R50 не бывает больше R20")});
        QCOMPARE(shown(form, "GUR_UPL"), QStringLiteral("0"));
        enter(form, "GUR_US1_3_20", QStringLiteral("12"));
        enter(form, "GUR_US2_3_20", QString());
        enter(form, "GUR_US3_3_20", QString());
        QCOMPARE(shown(form, "GUR_R20"), QStringLiteral("3.00"));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("GUR_R20"));
        QVERIFY2(qAbs(GUR.UPL - 844.05) < 0.01, qPrintable(QString::number(GUR.UPL)));
        QCOMPARE(shown(form, "GUR_UPL"), QStringLiteral("844"));

        enter(form, "GUR_RASCOL1", QStringLiteral("4.9"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // RASCOL3 selected: / QRAZ
        QCOMPARE(shown(form, "GUR_R_RASCOL"), QStringLiteral("1.00"));

        form->findChild<QTabWidget *>(QStringLiteral("SHEET"))->setCurrentIndex(1);
        enter(form, "GUR_USWOD1", QStringLiteral("10"));
        enter(form, "GUR_USWOD2", QStringLiteral("11"));
        enter(form, "GUR_USWOD3", QStringLiteral("12"));
        QCOMPARE(shown(form, "GUR_RWOD"), QStringLiteral("2.75"));
        QTest::mouseClick(edit(form, "GUR_RWOD"), Qt::LeftButton);
        QCOMPARE(shown(form, "GUR_KWOD"), QStringLiteral("0.92"));
        enter(form, "GUR_RWOD", QString()); // zero: Kвод keeps what it had
        QCOMPARE(shown(form, "GUR_KWOD"), QStringLiteral("0.92"));

        form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        QTRY_VERIFY(!openedForm());
        QCOMPARE(list->page()->entries().size(), size_t(1));
        QStringList texts;
        for (const QString &t : list->page()->entries().at(0).texts)
            texts << t.trimmed();
        QCOMPARE(texts.join(QLatin1Char('|')), QStringLiteral("12|05.10.2026|тип Б п|3.00|0.90|0.0|0.818|0.227|1.00|Обход г. Тверь|"));
        // Stored as computed, not as shown.
        FileUse use(files::GUR);
        files::GUR.setOrder(files::key::GUR_KEYREZNUM);
        QCOMPARE(files::GUR.next(), FileError::None);
        QVERIFY2(qAbs(GUR.UPL - 844.05) < 0.01, qPrintable(QString::number(GUR.UPL)));
        QVERIFY(qAbs(GUR.MPL - std::log(1 / 0.9) / std::log(50.0 / 3)) < 1e-12);
    }

    // Stored records changed without visiting the diameter: the strengths take the record's own
    // diameter; one that knows no diameter keeps them, and nothing shows a bad number.
    void strengthsTakeTheStoredDiameter()
    {
        glob::NUMMER = 4;
        {
            FileUse use(files::GUR);
            for (double diameter : {10.0, 0.0}) {
                GUR = GurRecord();
                GUR.REZNUM = 4;
                GUR.DOBR = diameter;
                GUR.US1_3_0 = 16;
                GUR.RASCOL1 = 10.1;
                QCOMPARE(files::GUR.add(), FileError::None);
            }
        }
        QVERIFY(startProcedure(QStringLiteral("BROWSEREZGUR")));
        BrowseWindow *list = openList();
        QVERIFY(list);
        QCOMPARE(list->page()->entries().size(), size_t(2));
        const char *R0[2] = {"2.0", "0.0"}, *R_RASCOL[2] = {"1.00", "0.00"};
        for (int row = 0; row < 2; ++row) {
            if (row == 1)
                QTest::keyClick(list->findChild<QTableView *>(), Qt::Key_Down);
            FormWindow *form = press(list, "CHANGE");
            QVERIFY(form);
            QCOMPARE(form->findChild<QComboBox *>(QStringLiteral("GUR_DOBR"))->currentText(), QString(row ? "" : "10"));
            for (const char *field : {"GUR_US3_3_0", "GUR_RASCOL3", "GUR_R50", "GUR_R20", "GUR_RWOD"})
                QTest::mouseClick(edit(form, field), Qt::LeftButton); // R50, R20 zero: no logarithm
            QCOMPARE(shown(form, "GUR_R0"), QLatin1String(R0[row]));
            QCOMPARE(shown(form, "GUR_R_RASCOL"), QLatin1String(R_RASCOL[row]));
            QCOMPARE(shown(form, "GUR_MPL"), QStringLiteral("0.000"));
            for (QLineEdit *e : form->findChildren<QLineEdit *>())
                QVERIFY2(!e->text().contains(QLatin1Char('#')) && !e->text().contains(QLatin1String("nan")),
                         qPrintable(e->objectName()));
            form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
            QTRY_VERIFY(!openedForm());
            QCOMPARE(list->page()->entries().at(size_t(row)).texts.value(5).trimmed(), QLatin1String(R0[row]));
        }
        QVERIFY(m_sink.shown.isEmpty()); // R20 = R50 = 0 saved without the warning
    }

    // Recipe 300 from the test menu: its records are listed, its renumbering is refused while
    // they exist, and deleting it deletes them.
    void aRecipeAbove255KeepsItsTests()
    {
        removeDataFile(files::PODBOR);
        {
            FileUse recipes(files::PODBOR), tests(files::GUR);
            for (REAL num : {7.0, 300.0}) {
                POD = PodborRecord();
                POD.NUM = num;
                QCOMPARE(files::PODBOR.add(), FileError::None);
            }
            addTest(300, 5.5);
            addTest(7, 4.4);
            addTest(300, 6.6);
            addTest(44, 3.3); // 300 as one byte
        }
        POD.OBEKT = QStringLiteral("Трасса М-300");
        FormWindow *menu = MENUTEST();
        QVERIFY(menu && QTest::qWaitForWindowExposed(menu));
        QCOMPARE(glob::NUMMER, 300.0);
        QCOMPARE(glob::OBEKT.text(), QStringLiteral("Трасса М-300"));
        QCOMPARE(shown(menu, "NUMMER"), QStringLiteral("300"));
        m_shown.clear();
        menu->findChild<QPushButton *>(QStringLiteral("BUTTON2"))->click();
        BrowseWindow *list = openList();
        QVERIFY(list);
        QCOMPARE(listColumn(list, 0) + listColumn(list, 3), (QStringList{"300", "300", "5.50", "6.60"}));
        menu->findChild<QPushButton *>(QStringLiteral("CLOSE"))->click();
        QTRY_VERIFY(!openedForm());

        FileUse recipes(files::PODBOR);
        POD.NUM = 300;
        QCOMPARE(files::PODBOR.get(files::key::POD_KEYNUM), FileError::None);
        RISNAP(files::PODBOR);
        POD.NUM = 301;
        QCOMPARE(RIUPDATE(files::PODBOR, 1), BYTE(RiFailed));
        QVERIFY(m_sink.texts().value(0).contains(QStringLiteral("gur")));
        list->refresh();
        QCOMPARE(listColumn(list, 3).size(), 2);

        POD.NUM = 300;
        QCOMPARE(files::PODBOR.get(files::key::POD_KEYNUM), FileError::None);
        QCOMPARE(RIDELETE(files::PODBOR), 0);
        list->refresh();
        QVERIFY(list->page()->entries().empty());
        for (auto [recipe, r20] : {std::pair{7, "4.40"}, std::pair{44, "3.30"}}) { // the others stay
            glob::NUMMER = recipe;
            list->refresh();
            QCOMPARE(listColumn(list, 3), QStringList{QLatin1String(r20)});
        }
    }
};

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
