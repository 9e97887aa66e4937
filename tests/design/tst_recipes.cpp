// A design saved as a recipe through a file another connection holds, found in the recipe list,
// reopened in the recipe form and changed there.
#include "data/files.h"
#include "design/bitumen_step_window.h"
#include "design/recipe_list_window.h"
#include "framework/fileservices.h"
#include "support/design_fixtures.h"
#include "support/window_helpers.h"
#include "support/workdir.h"

#include <QRadioButton>
#include <QTableView>
#include <sqlite3.h>

namespace {

void tabOnto(QWidget *w, const char *name) { control<QWidget>(w, name)->setFocus(Qt::TabFocusReason); }
QList<PodborRecord> recipes()
{
    FileUse use(files::PODBOR);
    QList<PodborRecord> all;
    files::PODBOR.setOrder(files::key::POD_KEYNUM);
    while (files::PODBOR.next() == FileError::None)
        all << POD;
    return all;
}

} // namespace

class TestRecipes : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;
    QWidget m_caller;

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        registerBitumenProcedures();
        registerRecipeProcedures();
    }

    // Another connection holds the file: the warning, the dialog stays, nothing is written;
    // tabbing onto "Запись" and pressing it then writes one recipe, a fresh one (no density
    // from the record the buffer held), and the dialog returns completed.
    void aSaveThatMeetsALockedFileCanBeRetried()
    {
        const design::BitumenInput in = fixtures::stoneMasticInput(QStringLiteral("ЩМА-15"));
        glob::DIMJKOMP = in.DIMJKOMP;
        glob::DIMKOMP = in.DIMKOMP;
        glob::DIMNAME[0] = QStringLiteral("Щебень 5-20");
        glob::TYP = QStringLiteral("Superpave"); // wider than the list's column
        glob::WIDAB = QStringLiteral("щебеночно-мастичная");
        glob::MARKA = QStringLiteral("I");
        POD.PLOTN = 2.41;
        LONG response = 0;
        QVERIFY(callProcedure(QStringLiteral("UPDATECILDPODBOR"), &m_caller, [&response](LONG r) { response = r; }));
        QPointer<FormWindow> dialog = activeForm(shownWindow<FormWindow>("UPDATECILDPODBOR"));
        QVERIFY(dialog);
        typeInto(dialog, QStringLiteral("POD_NUM"), QStringLiteral("12"));

        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(files::PODBOR.diskName().toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        click(dialog, "ZAPIS"); // the focus's write and the press's (a real message box takes the press)
        sqlite3_close(other);
        QVERIFY(dialog && dialog->isVisible() && response == 0);
        QVERIFY(!m_sink.shown.isEmpty());
        QCOMPARE(m_sink.captions().filter(QStringLiteral("Record Insert Error")).size(), m_sink.shown.size());
        QVERIFY(recipes().isEmpty());

        tabOnto(dialog, "ZAPIS");
        QTest::keyClick(control(dialog, "ZAPIS"), Qt::Key_Space);
        QTRY_VERIFY(!dialog);
        QCOMPARE(response, LONG(glob::RequestCompleted));
        const QList<PodborRecord> stored = recipes();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored[0].NUM, 12.0);
        QCOMPARE(stored[0].MARKAASPH.text(), QString()); // no grade for a stone-mastic mix
        QCOMPARE(stored[0].DIMKOMP, in.DIMKOMP);
        QCOMPARE(stored[0].PLOTN, 0.0);
    }

    // The list shows it; "&Изменить" takes its number as it gets the
    // focus; the form loads it into the design state, takes the weighing's density and stores the
    // bitumen BITUMIZMENEN chose. A number typed before that call is still refused while a test
    // record holds the old one.
    void theListOpensTheRecipeAndTheFormStoresItsChanges()
    {
        {
            FileUse weighings(files::OBRGIDRO), tests(files::GUR);
            OBR.NUMMER = 12;
            OBR.PLOT = 2.385;
            GUR.REZNUM = 12;
            QVERIFY(files::OBRGIDRO.add() == FileError::None && files::GUR.add() == FileError::None);
        }
        std::unique_ptr<BrowseWindow> list(BROUSEPODBOR());
        list->show();
        list->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(list.get()));
        QCOMPARE(list->page()->entries().size(), size_t(1));
        const QStringList row = list->page()->entries()[0].texts;
        QCOMPARE(row.value(0).trimmed(), QStringLiteral("12"));
        QCOMPARE(row.value(1).trimmed(), Picture::of("d5_").formatDate(dates::today()));
        QCOMPARE(row.value(7).trimmed(), QStringLiteral("РЕЦЕПТ"));

        glob::DESIGN = glob::DesignState();
        tabOnto(list.get(), "CHANGE");
        QCOMPARE(glob::NUMMER, 12.0);
        click(list.get(), "CHANGE");
        QPointer<FormWindow> form = activeForm(shownWindow<FormWindow>("UPDATEPODBOR"));
        QVERIFY(form);
        QVERIFY(glob::DIMNAME[0].text() == QStringLiteral("Щебень 5-20") && glob::J1GL == 50.0);
        tabOnto(form, "POD_PLOTN");
        QCOMPARE(shown(form, "POD_PLOTN"), QStringLiteral("2.385"));

        for (const QString &number : {QStringLiteral("13"), QStringLiteral("12")}) {
            typeInto(form, QStringLiteral("POD_NUM"), number);
            click(form, "BITUMEN");
            QPointer<FormWindow> bitumen = activeForm(shownWindow<FormWindow>("BITUMIZMENEN"));
            typeInto(bitumen, QStringLiteral("BITELSE"), QStringLiteral("5,8"));
            auto *typed = control<QRadioButton>(bitumen, "OPTIM2_4");
            QTest::mouseClick(typed, Qt::LeftButton, {}, QPoint(8, typed->height() / 2));
            click(bitumen, "ACCEPT");
            QTRY_COMPARE(shown(form, "POD_BIT"), QStringLiteral("5.80"));
            m_sink.clear();
            click(form, "OK");
            if (number == QLatin1String("13")) { // refused: the old number back, the form open
                QVERIFY(m_sink.captions().contains(QStringLiteral("Referential Integrity Update Error")));
                QTRY_COMPARE(shown(form, "POD_NUM"), QStringLiteral("12"));
            }
        }
        QTRY_VERIFY(!form);
        const QList<PodborRecord> stored = recipes();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored[0].NUM, 12.0);
        QCOMPARE(stored[0].BIT, 5.8);
        QCOMPARE(stored[0].PLOTN, 2.385);
        QCOMPARE(stored[0].TYPASPH.text(), QStringLiteral("Superpave")); // not cut to a picture
    }

    // A new recipe is offered the next free number, not the number of the recipe read last. A
    // number taken is written only when the user agrees to the question naming its recipe (the
    // default is no: nothing written). Deleting one of two recipes 12 leaves the test records
    // of 12, the other's too, and says so; deleting the last one takes them.
    void aTakenNumberOnlyWhenAgreed()
    {
        const auto testsOf12 = [] {
            FileUse use(files::GUR);
            int n = 0;
            files::GUR.setOrder(files::key::GUR_KEYREZNUM);
            while (files::GUR.next() == FileError::None)
                n += GUR.REZNUM == 12;
            return n;
        };
        QCOMPARE(testsOf12(), 1);
        glob::TYP = QStringLiteral("тип А");
        QVERIFY(callProcedure(QStringLiteral("UPDATECILDPODBOR"), &m_caller, [](LONG) {}));
        QPointer<FormWindow> dialog = activeForm(shownWindow<FormWindow>("UPDATECILDPODBOR"));
        QVERIFY(dialog);
        QCOMPARE(shown(dialog, "POD_NUM"), QStringLiteral("13"));
        typeInto(dialog, QStringLiteral("POD_NUM"), QStringLiteral("12"));
        m_sink.clear();
        click(dialog, "ZAPIS");
        QCOMPARE(m_sink.shown.size(), 1);
        const MessageRequest asked = m_sink.shown[0];
        QCOMPARE(asked.defaultButton, LONG(MsgNo));
        QVERIFY2(asked.text.contains(QStringLiteral("РЕЦЕПТ")) &&
                     asked.text.contains(Picture::of("d6").formatDate(dates::today())),
                 qPrintable(asked.text));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(recipes().size(), 1);

        m_sink.answer = MsgYes;
        click(dialog, "ZAPIS");
        QTRY_VERIFY(!dialog);
        QList<PodborRecord> stored = recipes();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[1].NUM, 12.0);
        QCOMPARE(stored[1].TYPASPH.text(), QStringLiteral("тип А"));

        std::unique_ptr<BrowseWindow> list(BROUSEPODBOR());
        list->show();
        list->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(list.get()));
        QCOMPARE(listColumn(list.get(), 2), (QStringList{QStringLiteral("Superpa"), QStringLiteral("тип А")}));
        auto *rows = list->findChild<QTableView *>();
        QTest::keyClick(rows, Qt::Key_Down);
        m_sink.clear();
        m_sink.answer = MsgOk;
        click(list.get(), "DELETE");
        QTRY_VERIFY(list->isEnabled());
        QCOMPARE(m_sink.shown.size(), 2); // the confirmation, then what stayed
        QVERIFY2(m_sink.shown[1].text.contains(QStringLiteral("№ 12 оставлены")), qPrintable(m_sink.shown[1].text));
        stored = recipes();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored[0].TYPASPH.text(), QStringLiteral("Superpave"));
        QCOMPARE(testsOf12(), 1);

        m_sink.clear();
        m_sink.answer = MsgOk;
        click(list.get(), "DELETE");
        QTRY_VERIFY(list->isEnabled());
        QCOMPARE(m_sink.shown.size(), 1);
        QVERIFY(recipes().isEmpty());
        QCOMPARE(testsOf12(), 0);
        m_sink.clear();
    }

    // The recipe form gives a recipe a number another recipe has only when the user agrees to
    // the question naming that recipe (default no: the form stays, nothing written), asked as
    // the number is left and on OK; its own number asks nothing. A new recipe from the list is
    // offered the next free number.
    void theRecipeFormAsksBeforeATakenNumber()
    {
        {
            FileUse use(files::PODBOR);
            for (int n : {20, 21}) {
                POD = PodborRecord(), POD.NUM = n, POD.DATE = dates::fromYmd(2026, 3, n);
                POD.OBEKT = QStringLiteral("Объект %1").arg(n);
                QCOMPARE(files::PODBOR.add(), FileError::None);
            }
        }
        const auto numbers = [] {
            QList<REAL> all;
            for (const PodborRecord &r : recipes())
                all << r.NUM;
            return all;
        };
        std::unique_ptr<BrowseWindow> list(BROUSEPODBOR());
        list->show();
        list->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(list.get()));
        QTRY_COMPARE(list->page()->entries().size(), size_t(2));

        click(list.get(), "CHANGE"); // recipe 20
        QPointer<FormWindow> form = activeForm(shownWindow<FormWindow>("UPDATEPODBOR"));
        QVERIFY(form);
        m_sink.clear();
        type(form, "POD_NUM", QStringLiteral("20")); // its own
        QVERIFY(m_sink.shown.isEmpty());
        type(form, "POD_NUM", QStringLiteral("21"));
        QCOMPARE(m_sink.shown.size(), 1);
        QCOMPARE(m_sink.shown[0].defaultButton, LONG(MsgNo));
        QVERIFY2(m_sink.shown[0].text.contains(QStringLiteral("«Объект 21» от 21.03.2026")), qPrintable(m_sink.shown[0].text));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(edit(form, "POD_NUM")));
        QCoreApplication::processEvents(); // between two actions of the user
        click(form, "OK"); // asked again (once), refused again
        QCOMPARE(m_sink.shown.size(), 2);
        QVERIFY(form && form->isVisible());
        QCOMPARE(numbers(), (QList<REAL>{20, 21}));
        m_sink.answer = MsgYes;
        QCoreApplication::processEvents();
        click(form, "OK");
        QTRY_VERIFY(!form);
        QCOMPARE(m_sink.shown.size(), 3);
        QCOMPARE(numbers(), (QList<REAL>{21, 21}));

        m_sink.clear();
        click(list.get(), "INSERT");
        form = activeForm(shownWindow<FormWindow>("UPDATEPODBOR"));
        QVERIFY(form);
        QCOMPARE(shown(form, "POD_NUM"), QStringLiteral("22"));
        typeInto(form, QStringLiteral("POD_NUM"), QStringLiteral("21"));
        click(form, "OK");
        QCOMPARE(m_sink.shown.size(), 1); // the number typed accepted, then every field checked: one question
        QVERIFY(form && form->isVisible());
        QCoreApplication::processEvents();
        typeInto(form, QStringLiteral("POD_NUM"), QStringLiteral("22"));
        click(form, "OK");
        QTRY_VERIFY(!form);
        QCOMPARE(m_sink.shown.size(), 1);
        QCOMPARE(numbers(), (QList<REAL>{21, 21, 22}));
        m_sink.clear();
    }
};

QTEST_MAIN(TestRecipes)
#include "tst_recipes.moc"
