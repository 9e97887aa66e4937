// The aggregates catalogue as a user keeps it: the lists with their update forms, the grading
// computed from the partial residues of a sieve analysis, and the crushed-stone selection.
#include "support/fake_sink.h"
#include "support/workdir.h"
#include "support/window_helpers.h"
#include "app/frame_window.h"
#include "catalogues/aggregates_ui.h"
#include "catalogues/aggregates_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/list_window.h"
#include "framework/fileservices.h"
#include "framework/form_window.h"
#include "framework/warnings.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

// The crushed stones of a laboratory's journal: number, name, grade.
struct Stone {
    int num;
    const char *name;
    int marka;
};
const Stone kStones[] = {
    {1, "Щебень гранит 5-10", 1200}, {2, "Щебень гранит 10-20", 1200}, {3, "Щебень гранит 15-20", 1400},
    {4, "Щебень гранит 20-40", 1400}, {5, "Щебень известн. 5-20", 800}, {6, "Щебень диабаз 5-20", 1600},
};

QString stoneText(int num, const QString &name, int marka) { return QStringLiteral("%1 %2 %3").arg(num).arg(name).arg(marka); }

// The crushed-stone file record by record, in the order they were added.
QStringList stonesInFile()
{
    QStringList out;
    FileUse use(files::SPLIT);
    files::SPLIT.setOrder(DataFile::PhysicalOrder);
    while (files::SPLIT.next() == FileError::None)
        out << stoneText(int(SPL.NUM), SPL.NAIMEN.text(), int(SPL.MARKA));
    return out;
}

} // namespace

class TestAggregates : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
    }

    // A new crushed stone with a sieve analysis: the residues become the stored grading, the
    // discrepancy is shown on entering its field, and the list shows the new record.
    void crushedStoneGradingFromResidues()
    {
        const QString name = QStringLiteral("Гранит 5-20");
        const double grading[11] = {100, 95, 85, 70, 50, 35, 25, 17, 10, 5, 2};
        BrowseWindow *list = shownList(BROUSESPLIT());
        QVERIFY(list);
        FormWindow *form = press(list, "INSERT");
        QVERIFY(form);
        typeInto(form, "SPL_NAIMEN", name);
        typeInto(form, "SPL_MARKA", "1200");
        form->findChild<QTabWidget *>(QStringLiteral("SHEET"))->setCurrentIndex(1);
        typeInto(form, "MNAWESK", "1000");
        const char *residues[11] = {"0", "50", "100", "150", "200", "150", "100", "80", "70", "50", "30"};
        for (int i = 0; i < 11; ++i)
            typeInto(form, QStringLiteral("DIMZASTN_%1").arg(i + 1), QLatin1String(residues[i]));
        typeInto(form, "MPODDON", "20");
        form->findChild<QLineEdit *>(QStringLiteral("NEVJAZK"))->setFocus();
        QCOMPARE(shown(form, "NEVJAZK"), QStringLiteral("0.00"));
        QCOMPARE(shown(form, "SPL_ZRN_11"), QStringLiteral("2.0"));
        form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        QTRY_VERIFY(list->isEnabled());
        QVERIFY(std::any_of(list->page()->entries().begin(), list->page()->entries().end(),
                            [&](const auto &e) { return e.texts.value(1).trimmed() == name; }));
        delete list;

        FileUse use(files::SPLIT);
        SPL.NAIMEN = name;
        QCOMPARE(files::SPLIT.get(files::key::SPL_KEYNAME), FileError::None);
        QCOMPARE(SPL.MARKA, LONG(1200));
        for (int i = 0; i < 11; ++i)
            QVERIFY2(qAbs(SPL.ZRN[i] - grading[i]) < 1e-9, qPrintable(QString::number(i)));
    }

    // A passing typed on the finest coarse sieve a form shows (10 mm of sand, 1.25 mm of powder)
    // is what OK stores, on an insert and on a later change; accepting a typed name fills
    // 100 into that sieve only while it is empty.
    void typedCoarseSieveSurvivesOk()
    {
        // The material and its shown sieve the name fills (0-based).
        const std::tuple<QString, int> rows[] = {
            {"SAN", 3}, // sand, 10 mm
            {"FIL", 6}, // mineral powder, 1.25 mm
        };
        for (const auto &[material, sieve] : rows) {
            const bool sand = material == "SAN";
            DataFile &file = sand ? files::SANT : files::FILLER;
            const REAL *zrn = sand ? SAN.ZRN.data() : FIL.ZRN.data();
            const QString field = material + QStringLiteral("_ZRN_%1").arg(sieve + 1);
            const QString nameField = material + QStringLiteral("_NAIMEN");
            QTemporaryDir dir;
            QVERIFY(dir.isValid());
            setDataDirectory(dir.path());
            const auto back = qScopeGuard([this] { setDataDirectory(m_dir.path()); });
            auto stored = [&] {
                QList<REAL> out;
                FileUse use(file);
                file.setOrder(DataFile::PhysicalOrder);
                if (file.next() == FileError::None)
                    out = QList<REAL>(zrn, zrn + 11);
                return out;
            };
            std::unique_ptr<BrowseWindow> owner(shownList(sand ? BROUSESANT() : BROUSEFILLERPOROSHOK()));
            BrowseWindow *list = owner.get();
            QVERIFY(list);
            FormWindow *form = press(list, "INSERT");
            QVERIFY(form);
            typeInto(form, nameField, QStringLiteral("Новый"));
            form->findChild<QLineEdit *>(field)->setFocus();
            QCOMPARE(shown(form, field), QStringLiteral("100.0")); // the name filled the empty sieve
            typeInto(form, field, "97");
            form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
            QTRY_VERIFY(list->isEnabled());
            QList<REAL> z = stored();
            QCOMPARE(z.size(), 11);
            for (int i = 0; i < sieve; ++i)
                QCOMPARE(z[i], 100.0);
            QCOMPARE(z[sieve], 97.0);
            // Changed later: a new value there, and a new name that leaves a filled sieve alone.
            form = press(list, "CHANGE");
            QVERIFY(form);
            QCOMPARE(shown(form, field), QStringLiteral("97.0"));
            typeInto(form, field, "95");
            typeInto(form, nameField, QStringLiteral("Переименованный"));
            form->findChild<QLineEdit *>(field)->setFocus();
            QCOMPARE(shown(form, field), QStringLiteral("95.0"));
            form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
            QTRY_VERIFY(list->isEnabled());
            owner.reset();
            z = stored();
            QCOMPARE(z.size(), 11);
            for (int i = 0; i < sieve; ++i)
                QCOMPARE(z[i], 100.0);
            QCOMPARE(z[sieve], 95.0);
        }
    }

    // In the frame, with the crushed-stone list maximised and sorted by number: a record found
    // by typing its number is the one the form changes and the one Delete removes; no other
    // record is touched. (The form's own subwindow makes the maximised list resize and re-read
    // its page while the form opens.)
    void locatedRecordIsTheOneChangedAndDeletedInAMaximisedList()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        setDataDirectory(dir.path());
        const auto back = qScopeGuard([this] { setDataDirectory(m_dir.path()); });
        QStringList expected;
        {
            FileUse use(files::SPLIT);
            QVERIFY(use.ok());
            for (const Stone &s : kStones) {
                SPL = SplitRecord{};
                SPL.NUM = s.num;
                SPL.NAIMEN = QString::fromUtf8(s.name);
                SPL.MARKA = s.marka;
                QCOMPARE(files::SPLIT.add(), FileError::None);
                expected << stoneText(s.num, QString::fromUtf8(s.name), s.marka);
            }
        }
        registerAggregateProcedures();
        FrameWindow frame(nullptr, 0);
        frame.resize(1280, 800);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.findChild<QAction *>(QStringLiteral("BROUSESPLIT"))->trigger();
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);
        QMdiSubWindow *sub = frame.mdiArea()->subWindowList().front();
        auto *list = qobject_cast<BrowseWindow *>(sub->widget());
        QVERIFY(list);
        sub->showMaximized();
        QTRY_VERIFY(sub->isMaximized());
        auto *tabs = list->findChild<QTabBar *>(QStringLiteral("CURRENTTAB"));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QCOMPARE(list->sortOrder(), 1);
        auto *view = list->findChild<QTableView *>(QStringLiteral("BROWSE_1"));
        auto clickRow = [&](int row) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(list->page()->index(row, 1)).center());
        };
        auto highlighted = [&] { return list->page()->entries().at(std::size_t(list->currentChoice())).texts.value(1).trimmed(); };
        auto typeKey = [&](const QString &c) { QTest::sendKeyEvent(QTest::Click, view, Qt::Key_unknown, c, Qt::NoModifier); };

        clickRow(1);
        QCOMPARE(highlighted(), QStringLiteral("Щебень гранит 10-20"));
        clickRow(0);
        typeKey(QStringLiteral("5"));
        QCOMPARE(highlighted(), QStringLiteral("Щебень известн. 5-20"));
        QTest::mouseClick(list->findChild<QPushButton *>(QStringLiteral("CHANGE")), Qt::LeftButton);
        FormWindow *form = frame.findChild<FormWindow *>(QStringLiteral("UPDATESPLIT"));
        QVERIFY(form && form->isVisible());
        QCOMPARE(shown(form, "SPL_NAIMEN"), QStringLiteral("Щебень известн. 5-20"));
        typeInto(form, "SPL_MARKA", "1000");
        QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("OK")), Qt::LeftButton);
        QTRY_VERIFY(list->isEnabled());
        QCOMPARE(highlighted(), QStringLiteral("Щебень известн. 5-20"));
        expected[4] = stoneText(5, QStringLiteral("Щебень известн. 5-20"), 1000);
        QCOMPARE(stonesInFile(), expected);

        // Delete: the record found by its number, highlighted after a click elsewhere.
        clickRow(0);
        typeKey(QStringLiteral("3"));
        QCOMPARE(highlighted(), QStringLiteral("Щебень гранит 15-20"));
        m_sink.answer = MsgOk;
        QTest::mouseClick(list->findChild<QPushButton *>(QStringLiteral("DELETE")), Qt::LeftButton);
        m_sink.answer = 0;
        QTRY_VERIFY(list->isEnabled());
        expected.removeAt(2);
        QCOMPARE(stonesInFile(), expected);
        m_sink.clear();

        frame.mdiArea()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(files::SPLIT.USED, LONG(0));
    }
};

QTEST_MAIN(TestAggregates)
#include "tst_aggregates.moc"
