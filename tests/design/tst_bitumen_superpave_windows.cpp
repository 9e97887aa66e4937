// The end of a design as the engineer sees it: the Superpave grading, the bitumen step and the
// change of a recipe's bitumen content, opened by name as their callers open them.
#include "data/files.h"
#include "data/globals.h"
#include "design/bitumen.h"
#include "design/bitumen_step_window.h"
#include "design/grading_window.h"
#include "framework/chart_ui.h"
#include "design/superpave_grading_window.h"
#include "design/superpave_grading.h"
#include "framework/fileservices.h"
#include "support/design_fixtures.h"
#include "support/fake_sink.h"
#include "support/window_helpers.h"
#include "support/workdir.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QStyle>
#include <QRadioButton>
#include <QTemporaryDir>

#include <memory>

using namespace design;

namespace {

// A stone-mastic blend as the grading step leaves it; the floor of the least content applies to
// it (BITUMRASZ), the formula's value is below (BITUMIZMENEN).
BitumenInput stoneMasticBlend() { return fixtures::stoneMasticInput(QStringLiteral("ЩМА-15")); }

void setDesign(const BitumenInput &in)
{
    glob::NKOMP = 3;
    glob::PROEKT = in.PROEKT;
    glob::YMINER = in.YMINER;
    glob::DIMJKOMP = in.DIMJKOMP;
    glob::ISTDIMYKOMP = in.ISTDIMYKOMP;
    glob::DIMKOMP = in.DIMKOMP;
    glob::TYP = in.TYP;
}

FormWindow *shownForm(const char *procedure) { return activeForm(shownWindow<FormWindow>(procedure)); }

} // namespace

class TestBitumenSuperpaveWindows : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    std::unique_ptr<QTemporaryDir> m_dir;
    QWidget m_caller;
    LONG m_response = 0;
    int m_doneCalls = 0;
    QStringList m_saves; // the windows that called the saving of a design

    std::function<void(LONG)> done()
    {
        return [this](LONG r) {
            m_response = r;
            ++m_doneCalls;
        };
    }

private slots:
    void initTestCase()
    {
        setMessageSink(&m_sink);
        registerBitumenProcedures();
        registerSuperpaveProcedures();
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
        QCOMPARE(files::PODBOR.USED, 0);
    }

    // Opened as the grading step opens it: the three contents of the calculation, the choice of
    // the last run; a choice sets JBITGL, the lists the bitumen and additive; OK stores nothing;
    // "Сохранить подбор" saves through its procedure and the design ends.
    void bitumRaszComputesAndTakesTheChoice()
    {
        const BitumenInput in = stoneMasticBlend();
        const BitumenResult r = computeBitumen(in, BitumenWindow::BITUMRASZ);
        QCOMPARE(r.BITSMA2, r.BIT_MIN); // floored: only this window's own calculation shows it
        setDesign(in);
        glob::OPTIM2 = 2; // chosen in the last run
        {
            FileUse use(files::DOBAWKA);
            files::DOBAWKA.buffer().clear();
            DOB.NAME = QStringLiteral("Целлюлозное волокно");
            DOB.SODERZAN = 0.4;
            DOB.COSTDOB_KI = 85000;
            QCOMPARE(files::DOBAWKA.add(), FileError::None);
            FileUse bitumen(files::BITUMEN);
            for (const char *grade : {"БНД 60/90", "БНД 130/200 ПБВ"}) {
                files::BITUMEN.buffer().clear();
                BIT.MARBIT = QString::fromUtf8(grade);
                QCOMPARE(files::BITUMEN.add(), FileError::None);
            }
        }
        registerCalledProcedure(QStringLiteral("UPDATECILDPODBOR"), [this](QWidget *caller, std::function<void(LONG)> done) {
            m_saves << (caller ? caller->objectName() : QString());
            done(glob::RequestCompleted); // the recipe written
        });

        QVERIFY(callProcedure(QStringLiteral("BITUMRASZ"), &m_caller, done()));
        QPointer<FormWindow> form = shownForm("BITUMRASZ");
        QVERIFY(form);
        QVERIFY(!m_caller.isEnabled());
        QCOMPARE(edit(form, "BITKIR")->text(), oneDecimal(r.BITKIR));
        QCOMPARE(edit(form, "BITKOROL")->text(), oneDecimal(r.BITKOROL));
        QCOMPARE(edit(form, "BITSMA2")->text(), oneDecimal(r.BITSMA2));
        QCOMPARE(edit(form, "BITELSE")->text(), QStringLiteral("0.0"));
        QCOMPARE_NEAR(glob::YMP0I071, r.YMP0I071, 1e-12);
        QVERIFY(control<QRadioButton>(form, "OPTIM2_2")->isChecked());
        QCOMPARE(glob::JBITGL, 0.0); // nothing taken before a choice

        choose(form, "OPTIM2_3");
        QCOMPARE(glob::OPTIM2, BYTE(3));
        QCOMPARE_NEAR(glob::JBITGL, r.BITSMA2, 1e-12);
        QCOMPARE(edit(form, "JBITGL")->text(), oneDecimal(r.BITSMA2));
        type(form, "BITELSE", QStringLiteral("7,5"));
        choose(form, "OPTIM2_4");
        QCOMPARE(glob::JBITGL, 7.5);
        choose(form, "OPTIM2_1");
        QCOMPARE_NEAR(glob::JBITGL, r.BITKIR, 1e-12);

        auto *grade = control<QComboBox>(form, "BIT_MARBIT");
        QCOMPARE(grade->count(), 2);
        grade->setFocus();
        QTest::keyClick(grade, Qt::Key_Home);
        QCOMPARE(glob::MARKABIT.text(), QStringLiteral("БНД 130/200")); // its first 12 characters
        auto *additive = control<QComboBox>(form, "DOB_NAME");
        additive->setFocus();
        QTest::keyClick(additive, Qt::Key_Home);
        QCOMPARE(glob::DOB_KA.text(), QStringLiteral("Целлюлозное волокно"));
        QCOMPARE(glob::COSTDOB_KA, 85000.0);
        QCOMPARE(glob::SODERZDOBAWKI, 0.4);

        click(form, "OK");
        QVERIFY(form && form->isVisible());
        QCOMPARE(m_doneCalls, 0);
        {
            FileUse use(files::PODBOR);
            QCOMPARE(files::PODBOR.recordCount(), 0);
        }
        QVERIFY(!control(form, "COST")->isEnabled()); // no cost calculation built yet
        QVERIFY(!control(form, "PRINT")->isEnabled());
        click(form, "SAVE");
        QCOMPARE(m_saves, QStringList{QStringLiteral("BITUMRASZ")});
        QTRY_VERIFY(!form);
        QCOMPARE(m_doneCalls, 1);
        QVERIFY(m_caller.isEnabled());
    }

    // Called by a recipe form, the change of the bitumen content starts from no choice, computes
    // without the floor, and "Принять" puts the content and the additive into the caller's
    // record, which the caller stores.
    void bitumIzmenenHandsTheContentToTheRecipe()
    {
        const BitumenInput in = stoneMasticBlend();
        const BitumenResult r = computeBitumen(in, BitumenWindow::BITUMIZMENEN);
        QVERIFY(r.BITSMA2 < r.BIT_MIN);
        setDesign(in);
        glob::OPTIM2 = 2; // the bitumen step's choice is not this window's
        FileUse use(files::PODBOR);
        files::PODBOR.buffer().clear();
        POD.NUM = 7;
        POD.BIT = 5;
        QCOMPARE(files::PODBOR.add(), FileError::None);
        QVERIFY(readFirst(files::PODBOR));

        static FormDecl recipe;
        recipe.procedure = QStringLiteral("RECIPE");
        recipe.file = &files::PODBOR;
        recipe.windowTitle = QStringLiteral("Рецепт");
        recipe.fields = {{QStringLiteral("BIT"), QStringLiteral("POD_BIT"), "n5.2", QRect(10, 10, 60, 21)}};
        recipe.buttons = {
            {QStringLiteral("OK"), QStringLiteral("OK"), QRect(10, 40, 70, 25), FormButtonRole::Ok, {}},
            {QStringLiteral("CALL"), QStringLiteral("Битум"), QRect(90, 40, 70, 25), FormButtonRole::Other,
             [](FormWindow &f) { callProcedure(QStringLiteral("BITUMIZMENEN"), &f, {}); }},
        };
        QPointer<FormWindow> caller = openForm(recipe, glob::ChangeRecord, &m_caller, done());
        click(caller, "CALL");
        QPointer<FormWindow> form = shownForm("BITUMIZMENEN");
        QVERIFY(form);
        QVERIFY(!caller->isEnabled());
        QCOMPARE(edit(form, "BITSMA2")->text(), oneDecimal(r.BITSMA2));
        choose(form, "OPTIM2_3");
        QCOMPARE_NEAR(glob::JBITGL, r.BITSMA2, 1e-12);
        type(form, "DOB_KA", QStringLiteral("Волокно"));
        type(form, "SODERZDOBAWKI", QStringLiteral("0,4"));
        click(form, "ACCEPT");
        QTRY_VERIFY(!form);
        QTRY_COMPARE(edit(caller, "POD_BIT")->text(), QString::number(r.BITSMA2, 'f', 2));
        QCOMPARE(glob::OPTIM2, BYTE(2));
        click(caller, "OK");
        QTRY_COMPARE(m_response, LONG(glob::RequestCompleted));
        QVERIFY(readFirst(files::PODBOR));
        QCOMPARE_NEAR(POD.BIT, r.BITSMA2, 0.005); // as the recipe form's n5.2 field takes it
        QCOMPARE(POD.DOBAW.text(), QStringLiteral("Волокно"));
        QCOMPARE(POD.SODERZDOBAW, 0.4);
    }

    // A computed content below 0 or over 100 % is shown as the formula gives it, marked, and its
    // radio button cannot take it: the bitumen content stays as it was (no more a 0 shown and
    // taken). Rows: a coarse gap grading with 40 % fines (porosity below 0: by porosity -0.9),
    // in either window; a true density of 0.2 (all three over 100 %).
    void contentsOutOfRangeShownAndRefused_data()
    {
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<double>("density");
        QTest::addColumn<QStringList>("outside");
        const QStringList porosity{QStringLiteral("BITKIR")};
        QTest::newRow("BITUMRASZ, negative") << "BITUMRASZ" << 2.7 << porosity;
        QTest::newRow("BITUMIZMENEN, negative") << "BITUMIZMENEN" << 2.7 << porosity;
        QTest::newRow("BITUMRASZ, over 100") << "BITUMRASZ" << 0.2
                                             << QStringList{"BITKIR", "BITKOROL", "BITSMA2"};
    }
    void contentsOutOfRangeShownAndRefused()
    {
        QFETCH(QString, procedure);
        QFETCH(double, density);
        QFETCH(QStringList, outside);
        BitumenInput in = stoneMasticBlend();
        in.TYP = QStringLiteral("тип Б");
        in.YMINER = density;
        in.PROEKT = density > 1 ? Grading{100, 68, 60, 55, 50, 48, 46, 44, 42, 41, 40}
                                : Grading{100, 100, 100, 100, 100, 100, 100, 100, 90, 60, 35};
        setDesign(in);
        glob::OPTIM2 = 0;
        glob::JBITGL = 5.5;
        const BitumenResult r = computeBitumen(in, procedure == QLatin1String("BITUMRASZ") ? BitumenWindow::BITUMRASZ
                                                                                           : BitumenWindow::BITUMIZMENEN);
        QVERIFY(callProcedure(procedure, &m_caller, done()));
        FormWindow *form = shownForm(qPrintable(procedure));
        QVERIFY(form);
        const REAL values[3] = {r.BITKIR, r.BITKOROL, r.BITSMA2};
        const char *fields[3] = {"BITKIR", "BITKOROL", "BITSMA2"};
        for (int i = 0; i < 3; ++i) {
            const bool out = outside.contains(QLatin1String(fields[i]));
            QCOMPARE(out, values[i] < 0 || values[i] > 100);
            QCOMPARE(edit(form, fields[i])->text(), oneDecimal(values[i]));
            QCOMPARE(edit(form, fields[i])->property("outOfRange").toBool(), out);
            auto *option = control<QRadioButton>(form, qPrintable(QStringLiteral("OPTIM2_%1").arg(i + 1)));
            QCOMPARE(option->isEnabled(), !out);
            if (out) {
                click(form, qPrintable(option->objectName()));
                QCOMPARE(glob::JBITGL, 5.5);
                QCOMPARE(edit(form, "JBITGL")->text(), QStringLiteral("5.5"));
            }
        }
        QVERIFY(m_sink.shown.isEmpty());
    }

    // A balancing component taking the rest below 0: its share is shown as it is, marked.
    void superpaveBalancedShareBelowZeroShown()
    {
        glob::NKOMP = 3;
        glob::NUMMP = 3;
        glob::DIMKOMP = fixtures::columns({{100, 90, 70, 50, 30, 20, 15, 10, 8, 6, 4},
                                           {100, 100, 100, 100, 95, 80, 60, 40, 25, 15, 10},
                                           fixtures::flat(100)});
        glob::ISTDIMYKOMP = {2.7, 2.65, 2.8, 0, 0, 0};
        QVERIFY(callProcedure(QStringLiteral("PODBORSUPERPAVE"), &m_caller, done()));
        FormWindow *form = shownForm("PODBORSUPERPAVE");
        QVERIFY(form);
        choose(form, "OPTIUM1_2");
        for (auto [name, share] : {std::pair{"J1GL", "70"}, {"J3GL", "40"}}) {
            auto *spin = control<QDoubleSpinBox>(form, name);
            spin->setFocus();
            spin->selectAll();
            QTest::keyClicks(spin, QLatin1String(share));
        }
        QCOMPARE(glob::J2GL, -10.0);
        auto *j2 = control<QDoubleSpinBox>(form, "J2GL");
        QCOMPARE(j2->text(), QStringLiteral("-10"));
        QVERIFY(j2->property("outOfRange").toBool());
        QVERIFY(!control<QDoubleSpinBox>(form, "J1GL")->property("outOfRange").toBool());
    }

    // The sieve sizes under the chart stand centred under their points (they stood a third of a
    // step to the right, kept to the left of their boxes), in both grading windows.
    void sieveLabelsCentredUnderTheirPoints_data()
    {
        QTest::addColumn<QString>("procedure");
        QTest::newRow("Superpave") << "PODBORSUPERPAVE";
        QTest::newRow("grading") << "PODBORSUM";
    }
    void sieveLabelsCentredUnderTheirPoints()
    {
        QFETCH(QString, procedure);
        glob::NKOMP = 2;
        glob::NUMMP = 2;
        glob::DIMKOMP = fixtures::columns({{100, 90, 70, 50, 30, 20, 15, 10, 8, 6, 4}, fixtures::flat(100)});
        glob::ISTDIMYKOMP = {2.7, 2.75, 0, 0, 0, 0};
        glob::PROEKT = {100, 95, 85, 75, 60, 50, 40, 30, 20, 10, 5};
        FormWindow *form = procedure == QLatin1String("PODBORSUM") ? PODBORSUM()
                                                                   : PODBORSUPERPAVE(&m_caller, done());
        QVERIFY(form);
        form->show();
        auto *area = control<ChartArea>(form, "CHART");
        // The designed curve has a point per sieve.
        const Chart &chart = area->chart();
        const ChartLine *curve = nullptr;
        for (const ChartLine &l : chart.lines)
            if (l.points.size() == 11 && !curve)
                curve = &l;
        QVERIFY(curve);
        int labels = 0;
        for (int i = 0; i < 11; ++i) {
            auto *label = form->findChild<QLabel *>(QStringLiteral("SIEVE_%1").arg(i + 1));
            if (!label)
                continue;
            ++labels;
            const double pointX = area->x() + curve->points[size_t(i)].x() * area->width() / chart.units.width();
            const QSize text(label->fontMetrics().horizontalAdvance(label->text()), label->fontMetrics().height());
            const QRect drawn = QStyle::alignedRect(label->layoutDirection(), label->alignment(), text, label->contentsRect());
            const double textX = label->x() + drawn.x() + drawn.width() / 2.0;
            QVERIFY2(std::abs(textX - pointX) <= 1.5, qPrintable(QStringLiteral("%1: text at %2, point at %3")
                                                                 .arg(label->text()).arg(textX).arg(pointX)));
        }
        QVERIFY(labels >= 10);
    }

    // Two components on both sides of the target: the window opens on the search's shares with the
    // square-mesh Dmax and target, converted once however often it starts; the shares balanced by
    // hand; "Далее" hands on the density and the powder's share to the bitumen step and ends
    // with it.
    void superpaveGradesBalancesAndHandsOn()
    {
        const blend::ComponentGradings d = fixtures::columns({{100, 90, 70, 50, 30, 20, 15, 10, 8, 6, 4},
                                                              {100, 100, 100, 100, 95, 80, 60, 40, 25, 15, 10}});
        glob::NKOMP = 2;
        glob::NUMMP = 2;
        glob::DIMKOMP = d;
        glob::ISTDIMYKOMP = {2.7, 2.75, 0, 0, 0, 0};
        glob::DIMNAME[0] = QStringLiteral("Щебень");
        glob::DIMNAME[1] = QStringLiteral("Песок");
        const superpave::Target t = superpave::superpaveTarget(2, d);
        const blend::BlendState found = superpave::superpaveSearch(2, d, t.SUPERPAVE, {});
        QVERIFY(found.J[0] > 0 && found.J[1] > 0);

        QPointer<FormWindow> form;
        for (int start = 0; start < 2; ++start) {
            if (form)
                click(form, "CANCEL");
            QTRY_VERIFY(!form);
            QVERIFY(callProcedure(QStringLiteral("PODBORSUPERPAVE"), &m_caller, done()));
            form = shownForm("PODBORSUPERPAVE");
            QVERIFY(form);
            QCOMPARE_NEAR(glob::DMM[0], 31.793, 1e-12);
            QCOMPARE_NEAR(glob::DMM[6], 1.25, 1e-12);
        }
        QCOMPARE(m_response, LONG(glob::RequestCancelled));
        QCOMPARE(edit(form, "TYP")->text(), QStringLiteral("Superpave"));
        QCOMPARE(edit(form, "DMAX")->text(), QStringLiteral("16.0"));
        auto *j1 = control<QDoubleSpinBox>(form, "J1GL");
        auto *j2 = control<QDoubleSpinBox>(form, "J2GL");
        QCOMPARE(j1->value(), found.J[0]);
        QCOMPARE(j2->value(), found.J[1]);
        QCOMPARE(edit(form, "ZRN_11_1")->text(), QString::number(std::lround(t.SUPERPAVE[10])));
        QCOMPARE(edit(form, "PROEKT_5")->text(), QString::number(std::lround(found.PROEKT[4])));

        // By hand: without a balancing component the sum is asked for once the share is left
        // (focus elsewhere, or Enter), never at each step; with one it is kept.
        const QStringList asked{QStringLiteral("Назначь смежную компоненту")};
        j1->setFocus();
        QTest::keyClick(j1, Qt::Key_Up);
        QTest::keyClick(j1, Qt::Key_Up);
        QCOMPARE(glob::J1GL, found.J[0] + 2);
        QCOMPARE(glob::J2GL, found.J[1]);
        QCOMPARE(m_sink.texts(), QStringList());
        j2->setFocus();
        QCOMPARE(m_sink.texts(), asked);
        j1->setFocus();
        QCOMPARE(m_sink.texts(), asked); // moving about without a change asks nothing
        QTest::keyClick(j1, Qt::Key_Down);
        QTest::keyClick(j1, Qt::Key_Enter);
        QCOMPARE(m_sink.texts(), asked + asked);
        choose(form, "OPTIUM1_2");
        j1->setFocus();
        QTest::keyClick(j1, Qt::Key_Up);
        QCOMPARE(glob::J1GL, found.J[0] + 2);
        QCOMPARE(glob::J2GL, 100 - glob::J1GL);
        QCOMPARE(j2->value(), glob::J2GL);
        j2->setFocus();
        QCOMPARE(m_sink.shown.size(), 2);

        m_doneCalls = 0;
        click(form, "OK");
        const blend::Accepted a = superpave::acceptBlend(2, {glob::J1GL, glob::J2GL, 0, 0, 0, 0}, glob::ISTDIMYKOMP, 2);
        QCOMPARE(glob::YMINER, a.YMINER);
        QCOMPARE(glob::JMPGL, glob::J2GL);
        QCOMPARE(glob::DIMJKOMP[0], glob::J1GL);
        QPointer<FormWindow> bitumen = shownForm("BITUMRASZ");
        QVERIFY(bitumen);
        QVERIFY(form && !form->isEnabled());
        QCOMPARE(m_doneCalls, 0);
        click(bitumen, "CANCEL");
        QTRY_VERIFY(!form);
        QCOMPARE(m_doneCalls, 1);
    }

    // "Далее" straight after a share changed without a balancing component: asked once, then on
    // to the bitumen step.
    void superpaveAsksOnceOnNext()
    {
        glob::NKOMP = 2;
        glob::NUMMP = 2;
        glob::DIMKOMP = fixtures::columns({{100, 90, 70, 50, 30, 20, 15, 10, 8, 6, 4},
                                           {100, 100, 100, 100, 95, 80, 60, 40, 25, 15, 10}});
        glob::ISTDIMYKOMP = {2.7, 2.75, 0, 0, 0, 0};
        QVERIFY(callProcedure(QStringLiteral("PODBORSUPERPAVE"), &m_caller, done()));
        QPointer<FormWindow> form = shownForm("PODBORSUPERPAVE");
        QVERIFY(form);
        m_sink.clear();
        auto *j1 = control<QDoubleSpinBox>(form, "J1GL");
        j1->setFocus();
        QTest::keyClick(j1, Qt::Key_Up);
        QCOMPARE(m_sink.texts(), QStringList());
        click(form, "OK");
        QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("Назначь смежную компоненту")});
        QPointer<FormWindow> bitumen = shownForm("BITUMRASZ");
        QVERIFY(bitumen);
        click(bitumen, "CANCEL");
        QTRY_VERIFY(!form);
        QCOMPARE(m_sink.texts().size(), 1);
    }
};

QTEST_MAIN(TestBitumenSuperpaveWindows)
#include "tst_bitumen_superpave_windows.moc"
