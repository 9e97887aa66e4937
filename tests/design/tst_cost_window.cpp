// The cost window as the engineer uses it: prices typed, the figures recomputed, OK storing them
// into the recipe in hand, nothing written for a design that is not a stored recipe.
#include "design/cost_window.h"
#include "design/recipe_edit_window.h"
#include "framework/fileservices.h"
#include "support/window_helpers.h"
#include "support/workdir.h"

#include <QLabel>
#include <memory>

namespace {

PodborRecord readRecipe(REAL number) // into the buffer, as a list leaves it
{
    FileUse use(files::PODBOR);
    POD = PodborRecord();
    POD.NUM = number;
    if (files::PODBOR.get(files::key::POD_KEYNUM) != FileError::None)
        qFatal("no recipe %g", number);
    return POD;
}


// The worked example's prices: 10 and 20 the components, 100 the bitumen, 200 the additive.
void typePrices(QWidget *form)
{
    for (auto [field, price] : {std::pair{"COSTDIMKOMP_1", "10"}, {"COSTDIMKOMP_2", "20"}, {"COSTBITUM", "100"}, {"COSTDOB_KA", "200"}})
        type(form, field, QLatin1String(price));
}

} // namespace

class TestCostWindow : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QPointer<QWidget>> m_shown;

private slots:
    void initTestCase()
    {
        registerCostProcedures();
        recordShownWindows(m_shown);
    }
    // Three additives, recipe 12 of density 2.4; the design: shares 60 / 40, bitumen 6 %, additive 2 %.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        useWorkdir(*m_dir, &m_sink);
        FileUse additives(files::DOBAWKA), recipes(files::PODBOR);
        for (auto [name, use] : {std::pair{"Волокно", "Добавка в смесь"}, {"ПАВ", "Добавка в битум"}, {"Краситель", "другое"}}) {
            files::DOBAWKA.buffer().clear();
            DOB.NAME = QString::fromUtf8(name);
            DOB.KUDA = QString::fromUtf8(use);
            QCOMPARE(files::DOBAWKA.add(), FileError::None);
        }
        files::PODBOR.buffer().clear();
        POD.NUM = 12;
        POD.PLOTN = 2.4;
        POD.BIT = 6;
        POD.DIMJKOMP = {60, 40, 0, 0, 0, 0};
        POD.DOBAW = QStringLiteral("ПАВ");
        POD.SODERZDOBAW = 2;
        QCOMPARE(files::PODBOR.add(), FileError::None);
        glob::DIMJKOMP = {60, 40, 0, 0, 0, 0};
        glob::JBITGL = 6;
        glob::SODERZDOBAWKI = 2;
    }
    void cleanup()
    {
        deleteFormWindows();
        QCOMPARE(files::PODBOR.USED + files::DOBAWKA.USED, 0);
    }

    // The figures follow the typing; OK's focus stores prices and cost into the recipe numbered
    // NUMMER and nothing else of it; for a number no recipe has (0: a new design) nothing is
    // written and the message line says so.
    // Rows: an additive with no surcharge, one into the bitumen, one into the mix (the lookup of
    // its destination); a new design (number 0) is not written.
    void pricesTypedAndStored_data()
    {
        QTest::addColumn<QString>("additive");
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("perTonne");
        QTest::addColumn<QString>("layer");
        QTest::newRow("no surcharge") << "Краситель" << 12.0 << "18.87" << "45.28";
        QTest::newRow("into the bitumen") << "ПАВ" << 12.0 << "18.98" << "45.55";
        QTest::newRow("into the mix") << "Волокно" << 12.0 << "22.31" << "53.54";
        QTest::newRow("a new design") << "Волокно" << 0.0 << "22.31" << "0.00";
    }
    void pricesTypedAndStored()
    {
        QFETCH(QString, additive);
        QFETCH(double, number);
        QFETCH(QString, perTonne);
        QFETCH(QString, layer);
        glob::DOB_KA = additive;
        glob::NUMMER = number;
        const quint64 writes = files::PODBOR.writeCount();
        QVERIFY(callProcedure(QStringLiteral("COST"), nullptr, [](LONG) {}));
        FormWindow *form = activeForm(openedForm());
        QVERIFY(form);
        typePrices(form);
        QCOMPARE(shown(form, "COSTSMES"), perTonne);
        QCOMPARE(shown(form, "COSTSLOI"), layer);
        click(form, "OK");
        const QString message = form->findChild<QLabel *>(QStringLiteral("MESSAGE"))->text();
        const PodborRecord after = readRecipe(12);
        if (number == 12) {
            QCOMPARE(message, QStringLiteral("Стоимость записана в рецепт № 12"));
            QCOMPARE(QString::number(after.COSTSMESI, 'f', 2), perTonne);
            QCOMPARE(after.COSTDIM, (std::array<REAL, 6>{10, 20, 0, 0, 0, 0}));
            QCOMPARE(after.COSTBITUMEN + after.COSTDOB, 300.0);
            QCOMPARE(after.PLOTN, 2.4); // the rest as read
            QCOMPARE(files::PODBOR.writeCount(), writes + 1);
        } else {
            QVERIFY2(message.endsWith(QStringLiteral("стоимость не записывается")), qPrintable(message));
            QCOMPARE(after.COSTSMESI, 0.0);
            QCOMPARE(files::PODBOR.writeCount(), writes);
        }
        QVERIFY(m_sink.shown.isEmpty());
        click(form, "CANCEL");
        QTRY_VERIFY(!openedForm());
        QCOMPARE(QString::number(glob::COSTSMES, 'f', 2), perTonne); // the caller sees the figures
    }

    // The figures stand from the opening on (the prices in hand from an earlier pricing), not a
    // stale cost per tonne and a 0.00 layer until the first event.
    void figuresShownAtOpening()
    {
        glob::DOB_KA = QStringLiteral("ПАВ");
        glob::NUMMER = 12;
        glob::COSTDIMKOMP = {10, 20, 0, 0, 0, 0};
        glob::COSTBITUM = 100;
        glob::COSTDOB_KA = 200;
        glob::COSTSMES = 77; // left by another design
        QVERIFY(callProcedure(QStringLiteral("COST"), nullptr, [](LONG) {}));
        FormWindow *form = openedForm();
        QVERIFY(form);
        QCOMPARE(shown(form, "COSTSMES"), QStringLiteral("18.98"));
        QCOMPARE(shown(form, "COSTSLOI"), QStringLiteral("45.55"));
        click(form, "CANCEL");
        QTRY_VERIFY(!openedForm());
    }

    // Called by the recipe form changing recipe 12 (its bitumen edited, not saved yet): the
    // prices reach that form's record, whose own save keeps the edit and the prices without
    // taking them for another station's change.
    void storedUnderTheRecipeForm()
    {
        auto list = std::make_unique<FileUse>(files::PODBOR); // the list holds the file open
        readRecipe(12);
        LONG response = 0;
        FormWindow *recipeForm = activeForm(UPDATEPODBOR(glob::ChangeRecord, nullptr, [&response](LONG r) { response = r; }));
        QVERIFY(recipeForm);
        QCOMPARE(glob::NUMMER, 12.0); // the recipe loaded into the design state
        typeInto(recipeForm, QStringLiteral("POD_BIT"), QStringLiteral("6.5"));
        click(recipeForm, "COST");
        FormWindow *cost = activeForm(qobject_cast<FormWindow *>(m_shown.last().data()));
        QVERIFY(cost && cost != recipeForm && !recipeForm->isEnabled());
        typePrices(cost);
        click(cost, "OK");
        click(cost, "CANCEL");
        QTRY_VERIFY(recipeForm->isEnabled());
        QCOMPARE(shown(recipeForm, "POD_BIT"), QStringLiteral("6.50"));
        click(recipeForm, "OK");
        QTRY_COMPARE(response, LONG(glob::RequestCompleted));
        QVERIFY2(m_sink.shown.isEmpty(), qPrintable(m_sink.texts().join(QLatin1Char('|'))));
        list.reset();
        const PodborRecord after = readRecipe(12);
        QCOMPARE(after.BIT, 6.5);
        QCOMPARE(QString::number(after.COSTSMESI, 'f', 2), QStringLiteral("18.98"));
    }
};

QTEST_MAIN(TestCostWindow)
#include "tst_cost_window.moc"
