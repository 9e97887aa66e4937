// A mix designed as the engineer does it: the component selection PODBOR with the reference
// data of a new laboratory, the searched shares in the grading window PODBORSUM, corrected by
// hand, and handed on to the bitumen step.
#include "support/fake_sink.h"
#include "support/workdir.h"
#include "support/window_helpers.h"
#include "catalogues/aggregates_ui.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/seed.h"
#include "design/blend.h"
#include "design/components.h"
#include "design/component_selection_window.h"
#include "design/grading_window.h"
#include "design/material_scatter.h"
#include "framework/list_window.h"
#include "framework/fileservices.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

FormWindow *shownForm(const char *procedure) { return shownWindow<FormWindow>(procedure); }

// Picks an entry of a drop list with the mouse.
void choose(QWidget *form, const char *list, const QString &entry)
{
    auto *combo = form->findChild<QComboBox *>(QLatin1String(list));
    QVERIFY2(combo, list);
    const int index = combo->findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    QTRY_VERIFY(!view->isVisible());
}

blend::Shares shares() { return {glob::J1GL, glob::J2GL, glob::J3GL, glob::J4GL, glob::J5GL, glob::J6GL}; }

} // namespace

class TestComponentSelection : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        QString error;
        const QString seed = QStringLiteral(ASPHALT_SOURCE_DIR "/data/seed");
        QVERIFY2(loadSeed(seed, &error), qPrintable(error));
        registerPodborProcedures();
        registerAggregateProcedures(); // SELSPLIT
    }

    void designAMix()
    {
        FormWindow *form = activeForm(PODBOR());
        QVERIFY(form);
        click(form, "MARKA_2");
        choose(form, "NOR_TYPASPH", QStringLiteral("тип Б"));
        QCOMPARE(glob::MARKA.text(), QStringLiteral("II"));
        QCOMPARE(glob::TYP.text(), QStringLiteral("тип Б"));
        QCOMPARE(glob::ZRN[4][0], 50.0);

        // Entering the blank "1:" offers the crushed stones; the one picked is component 1.
        auto *stone = form->findChild<QLineEdit *>(QStringLiteral("SPL1"));
        QTest::mouseClick(stone, Qt::LeftButton);
        BrowseWindow *list = nullptr;
        QTRY_VERIFY((list = shownWindow<BrowseWindow>("SELSPLIT")));
        QVERIFY(!form->isEnabled());
        const QString picked = QStringLiteral("Щебень гранит 5-10");
        auto current = [list] { return list->page()->entries().at(list->currentChoice()).texts.value(0).trimmed(); };
        for (int i = 0; i < 10 && current() != picked; ++i)
            QTest::keyClick(list->findChild<QTableView *>(), Qt::Key_Down);
        QCOMPARE(current(), picked);
        list->findChild<QPushButton *>(QStringLiteral("SELECT"))->click();
        QTRY_COMPARE(shown(form, "SPL1"), picked);
        QVERIFY(form->isEnabled());
        choose(form, "OTS_NAIMEN", QStringLiteral("Отсев гранитный 0-5"));
        choose(form, "SAN_NAIMEN", QStringLiteral("Песок речной"));
        choose(form, "FIL_NAIMEN", QStringLiteral("МП-1 известняковый"));
        QVERIFY(m_sink.shown.isEmpty());
        QCOMPARE(int(glob::NKOMP), 4);
        QCOMPARE(glob::NUMMP, 4.0);
        QCOMPARE(glob::DIMNAME[0].text(), picked);
        QCOMPARE(glob::DIMNAME[3].text(), QStringLiteral("МП-1 известняковый"));
        QCOMPARE(glob::DIMKOMP[5][1], 68.0); // the screenings' grading at 2.5 mm
        QCOMPARE(glob::COSTDIMKOMP[1], 900.0 / 1.45); // per tonne

        // "Далее": the grading window opens on the search's shares; the selection closes.
        const blend::BlendState expected = blend::gradingSearch(4, glob::DIMKOMP, glob::ZRN, {});
        QPointer<FormWindow> selection = form;
        click(form, "BUTTON3");
        QTRY_VERIFY(!selection || !selection->isVisible());
        FormWindow *sum = nullptr;
        QTRY_VERIFY((sum = shownForm("PODBORSUM")));
        QCOMPARE(shares(), expected.J);
        for (int k = 0; k < 6; ++k) {
            auto *spin = sum->findChild<QDoubleSpinBox *>(QStringLiteral("J%1GL").arg(k + 1));
            QCOMPARE(spin->value(), expected.J[k]);
            QCOMPARE(sum->findChild<QRadioButton *>(QStringLiteral("OPTIUM1_%1").arg(k + 1))->isVisibleTo(sum), k < 4);
        }
        QCOMPARE(shown(sum, "DIMNAME_2"), QStringLiteral("Отсев гранитный 0-5"));

        // Without a balancing component a changed share asks for one.
        QCOMPARE(shown(sum, "OTKL"), QStringLiteral("0")); // the search's blend lies inside the band
        auto *j1 = sum->findChild<QDoubleSpinBox *>(QStringLiteral("J1GL"));
        // Component 2 balancing: stepping component 1 up takes it from component 2, the
        // grading, its deviation and the message follow.
        click(sum, "OPTIUM1_2");
        QString line = shown(sum, "MESSAGE");
        QCOMPARE(line, QString());
        for (int step = 1; step <= 30 && line.isEmpty(); ++step) {
            QTest::keyClick(j1, Qt::Key_Up);
            QCOMPARE(glob::J1GL, expected.J[0] + step);
            QCOMPARE(glob::J2GL, expected.J[1] - step);
            const blend::Grading proekt = blend::blendGrading(glob::DIMKOMP, shares());
            QCOMPARE(glob::PROEKT, proekt);
            QCOMPARE(shown(sum, "PROEKT_6"), QString::number(qRound(proekt[5])));
            const REAL otkl = blend::deviation(proekt, glob::ZRN);
            QCOMPARE(glob::OTKL, otkl);
            QCOMPARE(shown(sum, "OTKL"), QString::number(qRound(otkl)));
            line = shown(sum, "MESSAGE");
            QCOMPARE(line.isEmpty(), otkl <= 0.5);
        }
        QCOMPARE(line, blend::deviationMessageText);
        QVERIFY(m_sink.shown.isEmpty());
        QTest::keyClick(j1, Qt::Key_Down); // the line stays while the deviation falls back
        QCOMPARE(shown(sum, "MESSAGE"), blend::deviationMessageText);

        // "Варианты": the ten best blends of the same search, the search's own first; choosing
        // the third puts its shares into the window, and the grading and deviation follow.
        const std::vector<blend::Alternative> alternatives = blend::gradingAlternatives(4, glob::DIMKOMP, glob::ZRN, 10);
        click(sum, "VARIANTS");
        auto *variants = sum->findChild<QDialog *>(QStringLiteral("ALTERNATIVES"));
        QVERIFY(variants && variants->isVisible());
        auto *table = variants->findChild<QTableWidget *>(QStringLiteral("LIST"));
        QCOMPARE(table->rowCount(), 10);
        QCOMPARE(alternatives[0].J, expected.J);
        table->selectRow(2);
        QTest::keyClick(table, Qt::Key_Return);
        QVERIFY(!variants->isVisible());
        QCOMPARE(shares(), alternatives[2].J);
        QCOMPARE(glob::PROEKT, alternatives[2].PROEKT);
        QCOMPARE(glob::OTKL, alternatives[2].deviation);
        QCOMPARE(sum->findChild<QDoubleSpinBox *>(QStringLiteral("J1GL"))->value(), alternatives[2].J[0]);
        QCOMPARE(shown(sum, "OTKL"), QString::number(qRound(alternatives[2].deviation)));

        // Reliability: the draws come from each component's own analyses (ten each in the sample
        // data), the figures of the shares in hand are shown, the variants and the most reliable
        // blend are judged on the same draws.
        std::vector<reliability::Material> materials = material_scatter::designMaterials();
        QCOMPARE(materials.size(), std::size_t(4));
        for (const reliability::Material &m : materials)
            QCOMPARE(m.analyses.size(), std::size_t(10));
        const reliability::Draws draws(materials, material_scatter::settings());
        const reliability::Figures figures = reliability::figures(draws, shares(), glob::ZRN);
        QCOMPARE(glob::reliability.percent, figures.reliability);
        QCOMPARE(shown(sum, "RELIABILITY"), QString::number(figures.reliability, 'f', 1));
        QCOMPARE(shown(sum, "OUTSIDE_5"), QString::number(figures.outside[4], 'f', 1));
        click(sum, "VARIANTS");
        variants = nullptr;
        for (QDialog *d : sum->findChildren<QDialog *>(QStringLiteral("ALTERNATIVES")))
            variants = d->isVisible() ? d : variants;
        QVERIFY(variants);
        table = variants->findChild<QTableWidget *>(QStringLiteral("LIST"));
        QCOMPARE(table->horizontalHeaderItem(8)->text(), QStringLiteral("Надёжность,\n%"));
        QCOMPARE(table->item(0, 8)->text(),
                 QString::number(reliability::reliabilityOf(draws, alternatives[0].J, glob::ZRN), 'f', 1));
        variants->close();
        std::vector<blend::Shares> admitted;
        for (const blend::Alternative &a : blend::gradingAlternatives(4, glob::DIMKOMP, glob::ZRN, 300))
            admitted.push_back(a.J);
        QCOMPARE(admitted.size(), std::size_t(300));
        std::vector<REAL> each;
        const blend::Shares robust = admitted[std::size_t(reliability::mostReliable(draws, admitted, glob::ZRN, &each))];
        click(sum, "ROBUST");
        QDialog *most = nullptr;
        for (QDialog *d : sum->findChildren<QDialog *>(QStringLiteral("ALTERNATIVES")))
            most = d->isVisible() ? d : most;
        QVERIFY(most);
        QCOMPARE(most->windowTitle(), QStringLiteral("Самая надёжная"));
        table = most->findChild<QTableWidget *>(QStringLiteral("LIST"));
        const int last = table->rowCount() - 1;
        QCOMPARE(table->item(last, 8)->text(), QString::number(*std::max_element(each.begin(), each.end()), 'f', 1));
        table->selectRow(last);
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(shares(), robust);
        QCOMPARE(glob::reliability.percent, *std::max_element(each.begin(), each.end()));
        QCOMPARE(int(glob::envelopeOnForm), 0);
        click(sum, "ENVELOPE"); // the envelope goes onto the form Ф.1
        QCOMPARE(int(glob::envelopeOnForm), 1);

        // "Далее" hands the blend on to the bitumen step and closes when it returns.
        QWidget *caller = nullptr;
        std::function<void(LONG)> returnFromBitumen;
        registerCalledProcedure(QStringLiteral("BITUMRASZ"), [&](QWidget *c, std::function<void(LONG)> done) {
            caller = c;
            returnFromBitumen = std::move(done);
        });
        QPointer<FormWindow> grading = sum;
        click(sum, "OK");
        QCOMPARE(caller, sum);
        const blend::Accepted accepted = blend::acceptBlend(4, shares(), glob::ISTDIMYKOMP, 4);
        QCOMPARE(glob::YMINER, accepted.YMINER);
        QCOMPARE(glob::JMPGL, glob::J4GL);
        QCOMPARE(glob::DIMJKOMP, shares());
        QVERIFY(grading->isVisible());
        returnFromBitumen(glob::RequestCompleted);
        QTRY_VERIFY(!grading || !grading->isVisible());

        // Opened again: no balancing component. A share typed key by key asks for one once, as
        // it is left; typed back to a sum of 100 it asks nothing.
        const blend::Shares before = shares();
        sum = PODBORSUM();
        QVERIFY(QTest::qWaitForWindowActive(sum));
        auto *j3 = sum->findChild<QDoubleSpinBox *>(QStringLiteral("J3GL"));
        const auto typeShare = [j3](REAL value) {
            j3->setFocus(Qt::TabFocusReason);
            j3->selectAll();
            QTest::keyClicks(j3, QString::number(value));
        };
        typeShare(before[2] + 11); // two keys, each a change of the share
        QCOMPARE(glob::J3GL, before[2] + 11);
        QVERIFY(m_sink.shown.isEmpty());
        QTest::keyClick(j3, Qt::Key_Tab);
        QCOMPARE(m_sink.texts(), QStringList{blend::balancingMessage});
        typeShare(before[2]);
        QTest::keyClick(j3, Qt::Key_Tab);
        QCOMPARE(m_sink.shown.size(), 1);
        // Stepped up and "Далее" clicked at once: asked once, and the blend goes on as it is.
        QTest::keyClick(j3, Qt::Key_Up);
        QCOMPARE(glob::J3GL, before[2] + 1);
        caller = nullptr;
        click(sum, "OK");
        QCOMPARE(m_sink.texts(), QStringList(2, blend::balancingMessage));
        QCOMPARE(caller, sum);
        QCOMPARE(shown(sum, "MESSAGE"), blend::deviationMessageText); // 101 % passing 40 mm
        grading = sum;
        returnFromBitumen(glob::RequestCancelled);
        QTRY_VERIFY(!grading || !grading->isVisible());
        m_sink.clear();
    }

    // Only what the engineer chose reaches the grading window. A blank "1:" whose list is closed
    // without a pick adds nothing, whatever stone was read last; browsing a closed list with the
    // keys adds nothing until Enter or leaving it; "Далее" with nothing chosen says so once and
    // the selection stays.
    void onlyWhatIsChosenGoesOn()
    {
        m_sink.clear();
        {
            FileUse use(files::SPLIT); // a stone in the buffer, as the crushed-stone list leaves one
            SPL.NAIMEN = QStringLiteral("Щебень гранит 5-10");
            QCOMPARE(files::SPLIT.get(files::key::SPL_KEYNAME), FileError::None);
        }
        FormWindow *form = activeForm(PODBOR());
        QVERIFY(form);
        click(form, "BUTTON3"); // the focus's check and the press
        QCOMPARE(m_sink.texts(), QStringList{components::noComponentsMessage});
        QVERIFY(form->isVisible());
        QVERIFY(!shownForm("PODBORSUM"));
        m_sink.clear();

        QTest::mouseClick(edit(form, "SPL1"), Qt::LeftButton);
        BrowseWindow *list = nullptr;
        QTRY_VERIFY((list = shownWindow<BrowseWindow>("SELSPLIT")));
        list->findChild<QPushButton *>(QStringLiteral("CLOSE"))->click();
        QTRY_VERIFY(form->isEnabled());
        QCOMPARE(int(glob::NKOMP), 0);

        // Browsed with Home and Down, chosen with Enter; browsed, chosen by leaving with Tab.
        QStringList chosen;
        for (const char *name : {"SAN_NAIMEN", "FIL_NAIMEN"}) {
            auto *combo = form->findChild<QComboBox *>(QLatin1String(name));
            combo->setFocus(Qt::TabFocusReason);
            QTest::keyClick(combo, Qt::Key_Home);
            QTest::keyClick(combo, Qt::Key_Down);
            QCOMPARE(int(glob::NKOMP), chosen.size());
            chosen << combo->currentText();
            QTest::keyClick(combo, chosen.size() == 1 ? Qt::Key_Return : Qt::Key_Tab);
            QCOMPARE(int(glob::NKOMP), chosen.size());
        }
        QVERIFY(m_sink.shown.isEmpty());
        click(form, "BUTTON3");
        FormWindow *sum = nullptr;
        QTRY_VERIFY((sum = shownForm("PODBORSUM")));
        QCOMPARE((QStringList{shown(sum, "DIMNAME_1"), shown(sum, "DIMNAME_2"), shown(sum, "DIMNAME_3")}),
                 chosen + QStringList{QString()});
        click(sum, "CANCEL");
        QTRY_VERIFY(!shownForm("PODBORSUM"));
    }

    // The six places and what does not fit them; an aggregate without densities; a new opening
    // starts a new design and keeps the band and grade shown.
    void sixComponentsAtMost()
    {
        m_sink.clear();
        {
            FileUse use(files::OTSEW);
            OTS = OtsewRecord();
            OTS.NUM = 99;
            OTS.NAIMEN = QStringLiteral("Отсев без плотностей");
            OTS.COSTOTSW = 800;
            QCOMPARE(files::OTSEW.add(), FileError::None);
        }
        FormWindow *form = activeForm(PODBOR());
        QVERIFY(form);
        QCOMPARE(int(glob::NKOMP), 0);
        QCOMPARE(form->findChild<QComboBox *>(QStringLiteral("NOR_TYPASPH"))->currentText(), QStringLiteral("тип Б"));
        QVERIFY(form->findChild<QRadioButton *>(QStringLiteral("MARKA_2"))->isChecked());
        click(form, "OK");
        QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("НЕ ВЫБРАНЫ КОМПОНЕНТЫ!")});
        m_sink.clear();

        choose(form, "OTS_NAIMEN", QStringLiteral("Отсев без плотностей"));
        QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("ВВЕДИ ИСТИННУЮ ПЛОТНОСТЬ")});
        QCOMPARE(int(glob::NKOMP), 1);
        QCOMPARE(glob::COSTDIMKOMP[0], 0.0); // no bulk density: no price, no division by zero
        m_sink.clear();
        // A named stone in "1:": each entry by Tab appends it again.
        glob::SPL1 = QStringLiteral("Щебень гранит 5-10");
        form->refreshWindow();
        for (int i = 0; i < 2; ++i) {
            form->findChild<QWidget *>(QStringLiteral("NOR_TYPASPH"))->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("SPL1"));
        }
        QCOMPARE(int(glob::NKOMP), 3);
        QCOMPARE(glob::DIMNAME[2].text(), QStringLiteral("Щебень гранит 5-10"));
        QCOMPARE(glob::COSTDIMKOMP[2], 1850.0 / 1.38);
        choose(form, "SAN_NAIMEN", QStringLiteral("Песок речной"));
        choose(form, "SAN_NAIMEN", QStringLiteral("Песок карьерный"));
        choose(form, "FIL_NAIMEN", QStringLiteral("МП-1 доломитовый"));
        QCOMPARE(int(glob::NKOMP), 6);
        QVERIFY(m_sink.shown.isEmpty());
        const glob::DesignState six = glob::DESIGN;
        choose(form, "FIL_NAIMEN", QStringLiteral("МП-1 известняковый"));
        QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("Превышено число компонент!")});
        QCOMPARE(int(glob::NKOMP), 6);
        QCOMPARE(glob::DIMNAME, six.DIMNAME);
        QCOMPARE(glob::DIMKOMP, six.DIMKOMP);
        QCOMPARE(glob::FILL1.text(), QStringLiteral("МП-1 доломитовый"));
        m_sink.clear();

        // A typed name no stone has: the list offers the stones once (leaving for "3:" neither
        // appends nor opens another); closed without a choice, the focus goes back to "2:".
        typeInto(form, "SPL2", QStringLiteral("Гранит"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        BrowseWindow *list = nullptr;
        QTRY_VERIFY((list = shownWindow<BrowseWindow>("SELSPLIT")));
        list->findChild<QPushButton *>(QStringLiteral("CLOSE"))->click();
        QTRY_VERIFY(form->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), form->findChild<QWidget *>(QStringLiteral("SPL2")));
        QCOMPARE(int(glob::NKOMP), 6);
        QVERIFY(m_sink.shown.isEmpty());
        click(form, "CANCEL");
        QTRY_VERIFY(!shownForm("PODBOR"));
    }
};

QTEST_MAIN(TestComponentSelection)
#include "tst_component_selection.moc"
