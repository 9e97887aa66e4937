// The foreign requirements, approval data, mixer screens and filters: what their windows compute
// and hand on.
#include "catalogues/zone_filter_window.h"
#include "catalogues/screen_decks.h"
#include "catalogues/mixer_list_window.h"
#include "catalogues/approvals_window.h"
#include "catalogues/foreign_requirements_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/list_window.h"
#include "framework/fileservices.h"
#include "framework/form_window.h"
#include "support/fake_sink.h"
#include "support/workdir.h"
#include "support/window_helpers.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// The ZR3N records in number order: {ANUM, MGOST}.
struct StoredZr3 {
    REAL anum;
    REAL mgost[11][2];
};
QList<StoredZr3> storedZr3()
{
    QList<StoredZr3> out;
    FileUse use(files::ZR3N);
    files::ZR3N.setOrder(files::key::ZR3_KEYNUM);
    files::ZR3N.setToStart();
    while (files::ZR3N.next() == FileError::None) {
        StoredZr3 s{ZR3.ANUM, {}};
        std::copy(&ZR3.MGOST[0][0], &ZR3.MGOST[0][0] + 22, &s.mgost[0][0]);
        out << s;
    }
    return out;
}

double t(double d) { return std::pow(d, 2.0 / 3.0); }

} // namespace

class TestRequirements : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;

    // Opens BROWSEZR3N and presses one of its buttons; returns the list (the form is activeForm()).
    static BrowseWindow *listAndPress(const char *button)
    {
        BrowseWindow *list = BROWSEZR3N();
        if (shownList(list))
            list->findChild<QPushButton *>(QLatin1String(button))->click();
        return list;
    }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
    }
    void cleanupTestCase() { setMessageSink(nullptr); }

    // Gradings typed into the form are stored reduced to the standard sieves; each new record
    // takes the highest number + 1.
    void insertStoresTheReducedGrading()
    {
        // The shape's radio button (empty: none chosen), the standard sieve checked, its limits.
        // Round holes: 15 mm lies between the 20 and 10 mm rows.
        const double f15 = (t(15) - t(10)) / (t(20) - t(10));
        const std::tuple<QString, int, double, double> cases[] = {
            {"OTW_ROUND", 2, 60 + 35 * f15, 80 + 20 * f15}, // round, 15 mm
            {"", 10, 100.0, 100.0}, // no shape, 0,071 mm
        };
        for (const auto &[shape, sieve, min, max] : cases) {
            const qsizetype before = storedZr3().size();
            BrowseWindow *list = listAndPress("INSERT_2");
            FormWindow *form = activeForm();
            QVERIFY(form);
            typeInto(form, QStringLiteral("ZR3_LAND"), QStringLiteral("Германия"));
            typeInto(form, QStringLiteral("ZR3_NAME"), QStringLiteral("0/16"));
            const char *rows[3][3] = {{"20", "95", "100"}, {"10", "60", "80"}, {"5", "40", "60"}};
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < 3; ++k)
                    typeInto(form, QStringLiteral("ZR3_WWOD_%1_%2").arg(i + 1).arg(k + 1), QString::fromLatin1(rows[i][k]));
            if (!shape.isEmpty())
                QTest::mouseClick(form->findChild<QRadioButton *>(shape), Qt::LeftButton, {}, QPoint(6, 10));
            form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
            QTRY_VERIFY(list->isEnabled());
            delete list;
            const QList<StoredZr3> stored = storedZr3();
            QCOMPARE(stored.size(), before + 1);
            const StoredZr3 &added = stored.last();
            QCOMPARE(added.anum, double(before + 1));
            QVERIFY2(std::abs(added.mgost[sieve][0] - min) < 1e-9, qPrintable(QString::number(added.mgost[sieve][0])));
            QVERIFY2(std::abs(added.mgost[sieve][1] - max) < 1e-9, qPrintable(QString::number(added.mgost[sieve][1])));
        }
    }

    // A record whose stored reduced grading is stale (written by other means) gets it
    // recomputed by opening and saving it unchanged; a second save keeps the same values.
    void savingUnchangedRecomputesTheSame()
    {
        const QList<StoredZr3> good = storedZr3();
        QVERIFY(!good.isEmpty());
        {
            FileUse use(files::ZR3N);
            files::ZR3N.setOrder(files::key::ZR3_KEYNUM);
            ZR3.ANUM = good.first().anum;
            QCOMPARE(files::ZR3N.get(files::key::ZR3_KEYNUM), FileError::None);
            for (auto &row : ZR3.MGOST)
                row[0] = row[1] = 0;
            QCOMPARE(files::ZR3N.put(), FileError::None);
        }

        for (int pass = 0; pass < 2; ++pass) {
            BrowseWindow *list = listAndPress("CHANGE_2");
            FormWindow *form = activeForm();
            QVERIFY(form);
            QVERIFY(form->findChild<QRadioButton *>(QStringLiteral("OTW_ROUND"))->isChecked());
            form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
            QTRY_VERIFY(list->isEnabled());
            delete list;
            const StoredZr3 now = storedZr3().first();
            for (int j = 0; j < 11; ++j)
                for (int k = 0; k < 2; ++k)
                    QCOMPARE(now.mgost[j][k], good.first().mgost[j][k]);
        }
    }

    // The approval form makes the record it was opened on the current object key, whether it
    // was saved or left with "Отменить"; a key changed in the form and saved counts as typed.
    void approvalFormSetsTheObjectKey()
    {
        const std::tuple<int, QString, QString, QString> rows[] = {
            {0, "CANCEL", "", "РЕЦЕПТ"}, // cancel on the recipe key
            {1, "OK", "", "Трасса М-4"}, // ok on the second record
            {1, "OK", "Обход", "Обход"}, // key changed and saved
        };
        for (const auto &[row, button, typedKey, expected] : rows) {
            {
                FileUse use(files::NASTROJK);
                QVERIFY(use.ok());
                files::NASTROJK.setOrder(DataFile::PhysicalOrder);
                files::NASTROJK.setToStart();
                while (files::NASTROJK.next() == FileError::None)
                    QCOMPARE(files::NASTROJK.remove(), FileError::None);
                for (const QString &key : {QStringLiteral("РЕЦЕПТ"), QStringLiteral("Трасса М-4")}) {
                    NAS = NastrojkRecord();
                    NAS.REGION = key;
                    NAS.FIRMA = QStringLiteral("ООО «Дорстрой»");
                    QCOMPARE(files::NASTROJK.add(), FileError::None);
                }
            }
            glob::OBEKT = QStringLiteral("прежний");
            BrowseWindow *list = shownList(BROWSETITUL());
            QVERIFY(list);
            for (int i = 0; i < row; ++i)
                QTest::keyClick(list->findChild<QTableView *>(QStringLiteral("BROWSE_1")), Qt::Key_Down);
            QCOMPARE(list->currentChoice(), row);
            list->findChild<QPushButton *>(QStringLiteral("CHANGE_2"))->click();
            FormWindow *form = activeForm();
            QVERIFY(form);
            if (!typedKey.isEmpty())
                typeInto(form, QStringLiteral("NAS_REGION"), typedKey);
            form->findChild<QPushButton *>(button)->click();
            QTRY_VERIFY(list->isEnabled());
            QCOMPARE(glob::OBEKT.text().trimmed(), expected);
            delete list;
        }
    }
    // The schematic shows the highlighted mixer's openings in use: the round size of a round
    // deck, the square size of a square deck, and for a deck of another code the value shown
    // before. The form changes a deck's shape and only the chosen size can be typed.
    void mixerSchematicAndForm()
    {
        {
            FileUse use(files::GROHOT);
            QVERIFY(use.ok());
            GRO = GrohotRecord();
            GRO.NUMMIXER = 1;
            GRO.MASSAZAMES = 1000;
            GRO.FORMA[0].setRaw(screen_decks::shapeCode(screen_decks::DeckShape::Round));
            GRO.OTW[0][0] = 40;
            GRO.OTW[0][1] = 35;
            GRO.FORMA[2].setRaw(screen_decks::shapeCode(screen_decks::DeckShape::Square));
            GRO.OTW[2][0] = 10;
            GRO.OTW[2][1] = 12;
            QCOMPARE(files::GROHOT.add(), FileError::None);
            GRO = GrohotRecord();
            GRO.NUMMIXER = 2;
            GRO.FORMA[1].setRaw(screen_decks::shapeCode(screen_decks::DeckShape::Round));
            GRO.OTW[1][0] = 20;
            QCOMPARE(files::GROHOT.add(), FileError::None);
        }
        BrowseWindow *list = shownList(GROHOTBROWSE11());
        QVERIFY(list);
        auto shown = [list](const char *what, int deck) {
            return list->findChild<QLabel *>(QStringLiteral("SCHEME_%1_%2").arg(QLatin1String(what)).arg(deck))->text();
        };
        QTRY_COMPARE(shown("OTW", 3), QStringLiteral("12"));
        QCOMPARE(shown("OTW", 1), QStringLiteral("40"));
        QCOMPARE(shown("OTW", 2), QStringLiteral("0"));
        QCOMPARE(shown("FORMA", 3), deckSymbol(screen_decks::shapeCode(screen_decks::DeckShape::Square), QFont()));
        QVERIFY(shown("FORMA", 2).isEmpty());

        QTest::keyClick(list->findChild<QTableView *>(QStringLiteral("BROWSE_1")), Qt::Key_Down);
        QTRY_COMPARE(shown("OTW", 2), QStringLiteral("20"));
        QCOMPARE(shown("OTW", 3), QStringLiteral("12")); // mixer 2's deck 3 has no shape: kept
        QVERIFY(shown("FORMA", 3).isEmpty());

        list->findChild<QPushButton *>(QStringLiteral("CHANGE_2"))->click();
        FormWindow *form = activeForm();
        QVERIFY(form);
        QVERIFY(form->field(QStringLiteral("GRO_OTW_2_1"))->isEnabled());
        QVERIFY(!form->field(QStringLiteral("GRO_OTW_2_2"))->isEnabled());
        QVERIFY(!form->field(QStringLiteral("GRO_OTW_4_1"))->isEnabled());
        QTest::mouseClick(form->findChild<QRadioButton *>(QStringLiteral("FORMA_2_SQUARE")), Qt::LeftButton, {}, QPoint(6, 10));
        QVERIFY(!form->field(QStringLiteral("GRO_OTW_2_1"))->isEnabled());
        QVERIFY(form->field(QStringLiteral("GRO_OTW_2_2"))->isEnabled());
        typeInto(form, QStringLiteral("GRO_OTW_2_2"), QStringLiteral("15"));
        form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        QTRY_VERIFY(list->isEnabled());
        QTRY_COMPARE(shown("OTW", 2), QStringLiteral("15"));
        delete list;

        FileUse use(files::GROHOT);
        GRO.NUMMIXER = 2;
        QCOMPARE(files::GROHOT.get(files::key::GRO_KEYNUMMIX), FileError::None);
        QCOMPARE(screen_decks::deckShape(GRO.FORMA[1]), screen_decks::DeckShape::Square);
        QCOMPARE(GRO.OTW[1][1], 15.0);
        QCOMPARE(GRO.OTW[1][0], 20.0);
    }
    // The filter windows leave the chosen zone and grade in the globals for the calling
    // report, with the response "cancelled" whichever button closes them.
    void filterLeavesTheChoicesInTheGlobals()
    {
        // FILTER21 with zone II and grade III; FILTER2 with zone IV, the grade left as it was.
        for (auto [withGrade, zone, grade, dkz, marka] : {std::tuple{true, 1, 2, "II", "III"}, {false, 3, -1, "IV", "пре"}}) {
            glob::MARKA = QStringLiteral("прежн").left(3);
            glob::DKZ.clear();
            LONG response = 0;
            int calls = 0;
            auto done = [&](LONG r) { response = r; ++calls; };
            QWidget *window = withGrade ? FILTER21(nullptr, done) : FILTER2(nullptr, done);
            QVERIFY(QTest::qWaitForWindowExposed(window));
            window->findChild<QComboBox *>(QStringLiteral("DKZ"))->setCurrentIndex(zone);
            if (grade >= 0)
                window->findChild<QComboBox *>(QStringLiteral("MARKA"))->setCurrentIndex(grade);
            QPointer<QWidget> alive = window;
            control(window, "OK")->click();
            QTRY_VERIFY(!alive);
            QCOMPARE(calls, 1);
            QCOMPARE(response, LONG(glob::RequestCancelled));
            QCOMPARE(glob::DKZ.text().trimmed(), QLatin1String(dkz));
            QCOMPARE(glob::MARKA.text().trimmed(), QString::fromUtf8(marka));
        }
    }
};

QTEST_MAIN(TestRequirements)
#include "tst_requirements.moc"
