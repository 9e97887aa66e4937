// The cost window as the engineer uses it: prices typed, the figures recomputed, OK storing them
// into the recipe in hand, and nothing written for a design that is not a stored recipe.
#include "data/files.h"
#include "data/globals.h"
#include "design/cost_window.h"
#include "design/designstep_ui.h"
#include "framework/fileservices.h"
#include "support/fake_sink.h"
#include "support/window_helpers.h"
#include "support/workdir.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

namespace {

void addAdditive(const char *name, const char *use)
{
    FileUse use_(files::DOBAWKA);
    files::DOBAWKA.buffer().clear();
    DOB.NAME = QString::fromUtf8(name);
    DOB.KUDA = QString::fromUtf8(use);
    QCOMPARE(files::DOBAWKA.add(), FileError::None);
}

void addRecipe(REAL number, REAL density)
{
    FileUse use(files::PODBOR);
    files::PODBOR.buffer().clear();
    POD.NUM = number;
    POD.PLOTN = density;
    POD.BIT = 6;
    POD.DIMNAME[0] = QStringLiteral("Щебень");
    QCOMPARE(files::PODBOR.add(), FileError::None);
}

PodborRecord readRecipe(REAL number)
{
    FileUse use(files::PODBOR);
    files::PODBOR.buffer().clear();
    POD.NUM = number;
    if (files::PODBOR.get(files::key::POD_KEYNUM) != FileError::None)
        qFatal("no recipe %g", number);
    return POD;
}

// Shares 60 / 40, bitumen 6 %, the additive at 2 %.
void setDesign(const char *additive)
{
    glob::DIMNAME[0] = QStringLiteral("Щебень 5-20");
    glob::DIMNAME[1] = QStringLiteral("Песок");
    glob::DIMJKOMP = {60, 40, 0, 0, 0, 0};
    glob::JBITGL = 6;
    glob::SODERZDOBAWKI = 2;
    glob::DOB_KA = QString::fromUtf8(additive);
}

void type(QWidget *form, const char *field, const QString &text)
{
    typeInto(form, QLatin1String(field), text);
    QTest::keyClick(form->findChild<QLineEdit *>(QLatin1String(field)), Qt::Key_Tab);
}

// The prices of the worked example typed in: 10 and 20 for the components, 100 for the
// bitumen, 200 for the additive.
void typePrices(QWidget *form)
{
    type(form, "COSTDIMKOMP_1", QStringLiteral("10"));
    type(form, "COSTDIMKOMP_2", QStringLiteral("20"));
    type(form, "COSTBITUM", QStringLiteral("100"));
    type(form, "COSTDOB_KA", QStringLiteral("200"));
}

FormWindow *activated(FormWindow *form)
{
    if (form) {
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form))
            qWarning("%s not active", qPrintable(form->objectName()));
    }
    return form;
}

QString shown(QWidget *form, const char *field) { return form->findChild<QLineEdit *>(QLatin1String(field))->text().trimmed(); }

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
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        useWorkdir(*m_dir, &m_sink);
        FormWindow::forgetMemory();
        addAdditive("Волокно", "Добавка в смесь");
        addAdditive("ПАВ", "Добавка в битум");
        addAdditive("Краситель", "Добавка к чему-то");
        addRecipe(12, 2.4);
    }
    void cleanup()
    {
        deleteFormWindows();
        QCOMPARE(files::PODBOR.USED, 0);
        QCOMPARE(files::DOBAWKA.USED, 0);
    }

    // The worked examples: the figures follow the typing; OK's focus stores prices and cost into
    // the recipe numbered NUMMER and nothing else of it; for a number no recipe has, nothing is
    // written and the message line says so.
    void pricesTypedAndStored_data()
    {
        QTest::addColumn<QString>("additive");
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("perTonne");
        QTest::addColumn<QString>("layer");
        QTest::newRow("no surcharge, stored") << "Краситель" << 12.0 << "18.87" << "45.28";
        QTest::newRow("into the bitumen, stored") << "ПАВ" << 12.0 << "18.98" << "45.55";
        QTest::newRow("into the mix, stored") << "Волокно" << 12.0 << "22.31" << "53.54";
        QTest::newRow("into the mix, no such recipe") << "Волокно" << 13.0 << "22.31" << "0.00";
        QTest::newRow("a new design") << "Волокно" << 0.0 << "22.31" << "0.00";
    }
    void pricesTypedAndStored()
    {
        QFETCH(QString, additive);
        QFETCH(double, number);
        QFETCH(QString, perTonne);
        QFETCH(QString, layer);
        setDesign(additive.toUtf8().constData());
        glob::NUMMER = number;
        const PodborRecord before = readRecipe(12);
        const quint64 writes = files::PODBOR.writeCount();

        QVERIFY(callProcedure(QStringLiteral("COST"), nullptr, [](LONG) {}));
        FormWindow *form = activated(openedForm());
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("Расчет стоимости асфальтобетонной смеси"));
        QCOMPARE(form->findChild<QLabel *>(QStringLiteral("DIMNAME_2"))->text(), QStringLiteral("Песок"));
        QCOMPARE(form->findChild<QLabel *>(QStringLiteral("DOB_KA"))->text(), additive);
        typePrices(form);
        QCOMPARE(shown(form, "COSTSMES"), perTonne);
        QCOMPARE(shown(form, "COSTSLOI"), layer);

        QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("OK")), Qt::LeftButton);
        const QString message = form->findChild<QLabel *>(QStringLiteral("MESSAGE"))->text();
        const PodborRecord after = readRecipe(12);
        if (number == 12) {
            QCOMPARE(message, QStringLiteral("Стоимость записана в рецепт № 12"));
            QCOMPARE(QString::number(after.COSTSMESI, 'f', 2), perTonne);
            QCOMPARE(after.COSTDIM, (std::array<REAL, 6>{10, 20, 0, 0, 0, 0}));
            QCOMPARE(after.COSTBITUMEN, 100.0);
            QCOMPARE(after.COSTDOB, 200.0);
            QCOMPARE(after.PLOTN, before.PLOTN); // the rest as read
            QCOMPARE(after.DIMNAME[0].text(), before.DIMNAME[0].text());
            QCOMPARE(files::PODBOR.writeCount(), writes + 1);
        } else {
            QVERIFY2(message.contains(QStringLiteral("стоимость не записывается")), qPrintable(message));
            QCOMPARE(after.COSTSMESI, 0.0);
            QCOMPARE(files::PODBOR.writeCount(), writes);
        }
        QVERIFY(m_sink.shown.isEmpty());
        QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("CANCEL")), Qt::LeftButton);
        QTRY_VERIFY(!openedForm());
        QCOMPARE(QString::number(glob::COSTSMES, 'f', 2), perTonne); // the caller sees the figures
    }

    // Called by the recipe form that is changing recipe 12 (its bitumen edited, not saved yet):
    // the stored prices reach that form's record, and its own save then keeps both the edit and
    // the prices without taking them for another station's change.
    void storedUnderTheRecipeForm()
    {
        setDesign("ПАВ");
        glob::NUMMER = 12;
        FormDecl decl = designStepForm(QStringLiteral("RECIPEFORM"), QStringLiteral("Изменить..."));
        FormField bit{QStringLiteral("BIT"), QStringLiteral("POD_BIT"), "n5.2", QRect(8, 8, 60, 21)};
        decl.fields.push_back(bit);
        decl.buttons.push_back({QStringLiteral("PRICE"), QStringLiteral("Стоимость"), QRect(8, 40, 90, 26),
                                FormButtonRole::Other,
                                [](FormWindow &f) { callProcedure(QStringLiteral("COST"), &f, [](LONG) {}); }});
        decl.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(8, 70, 90, 26), FormButtonRole::Ok, {}});
        LONG response = 0;
        auto list = std::make_unique<FileUse>(files::PODBOR); // the list holds the file open
        readRecipe(12); // into the buffer, as the list leaves it for its form
        FormWindow *recipeForm = openForm(decl, glob::ChangeRecord, nullptr, [&response](LONG r) { response = r; });
        QVERIFY(activated(recipeForm));
        type(recipeForm, "POD_BIT", QStringLiteral("6.5"));
        QTest::mouseClick(recipeForm->findChild<QPushButton *>(QStringLiteral("PRICE")), Qt::LeftButton);
        FormWindow *cost = activated(qobject_cast<FormWindow *>(m_shown.last().data()));
        QVERIFY(cost && cost != recipeForm);
        QVERIFY(!recipeForm->isEnabled());
        typePrices(cost);
        QTest::mouseClick(cost->findChild<QPushButton *>(QStringLiteral("OK")), Qt::LeftButton);
        QTest::mouseClick(cost->findChild<QPushButton *>(QStringLiteral("CANCEL")), Qt::LeftButton);
        QTRY_VERIFY(recipeForm->isEnabled());
        QCOMPARE(shown(recipeForm, "POD_BIT"), QStringLiteral("6.50")); // the edit survives

        QTest::mouseClick(recipeForm->findChild<QPushButton *>(QStringLiteral("OK")), Qt::LeftButton);
        QTRY_COMPARE(response, LONG(glob::RequestCompleted));
        QVERIFY2(m_sink.shown.isEmpty(), qPrintable(m_sink.texts().join(QLatin1Char('|'))));
        list.reset();
        const PodborRecord after = readRecipe(12);
        QCOMPARE(after.BIT, 6.5);
        QCOMPARE(QString::number(after.COSTSMESI, 'f', 2), QStringLiteral("18.98"));
        QCOMPARE(after.COSTDOB, 200.0);
    }
};

QTEST_MAIN(TestCostWindow)
#include "tst_cost_window.moc"
