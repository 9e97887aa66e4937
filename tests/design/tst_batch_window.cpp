// The mixer batch recipe as the user sees it: the window over a recipe and two mixers, and the
// printed recipe through the menu, the report runner and a PDF.
#include "data/files.h"
#include "data/globals.h"
#include "design/mixer_batch_window.h"
#include "framework/fileservices.h"
#include "framework/report_preview_window.h"
#include "framework/reportprogress_window.h"
#include "support/pdf_text.h"
#include "support/window_helpers.h"
#include "support/printout_check.h"
#include "support/workdir.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>

namespace {

// A mixer with round decks of these openings (0: no deck); the decks from `unshaped` on have no
// hole shape chosen, as a new mixer's form leaves them.
void addMixer(BYTE number, REAL batchKg, std::array<REAL, 5> round, int unshaped = 5)
{
    GRO = GrohotRecord();
    GRO.NUMMIXER = number;
    GRO.MASSAZAMES = batchKg;
    for (int k = 0; k < 5; ++k) {
        GRO.FORMA[k].setRaw(k < unshaped ? QByteArray("\xC6 ") : QByteArray());
        GRO.OTW[k][0] = round[std::size_t(k)];
        GRO.OTW[k][1] = 99; // the square size, not in use
    }
    QCOMPARE(files::GROHOT.add(), FileError::None);
}

// The recipe the recipe list leaves in POD: 6 % powder, 6 % bitumen over the mineral part.
void recipeInPod()
{
    POD = PodborRecord();
    POD.NUM = 7;
    POD.TYPASPH = QStringLiteral("Б");
    POD.PRZRN = {100, 95, 85, 70, 50, 35, 25, 18, 13, 9, 6};
    POD.JMP = 6;
    POD.BIT = 6;
    POD.DIMNAME[0] = QStringLiteral("Щебень 5-20");
    POD.DIMNAME[1] = QStringLiteral("Песок");
    POD.DIMNAME[2] = QStringLiteral("МП-1");
    POD.FILLER1 = QStringLiteral("МП-1");
    POD.DIMJKOMP = {60, 34, 6, 0, 0, 0};
    POD.DIMKOMP[10] = {1, 10, 80, 0, 0, 0};
}

} // namespace

class TestBatchWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<QPointer<QWidget>> m_shown;

    QString text(QWidget *window, const char *name) { return control<QLabel>(window, name)->text(); }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([](std::shared_ptr<const ReportDocument>) {});
        registerBatchProcedures();
        FileUse use(files::GROHOT);
        QVERIFY(use.ok());
        addMixer(1, 1000, {20, 10, 5, 2.5, 0});
        addMixer(2, 2000, {20, 5, 2.5, 0, 0});
        addMixer(3, 1500, {15, 10, 5, 0, 0}, 2); // decks 3 to 5 not set up: only 15 and 10
    }

    // Mixer 1 (decks 20/10/5/2.5, none fifth): bins 5, 25, 20, 15, 29 %, powder and bitumen 6
    // in T = 106, or T = 101 with the oversize removed; the panel follows the highlighted mixer.
    void batchOfTheHighlightedMixer()
    {
        recipeInPod();
        QVERIFY(startProcedure(QStringLiteral("GROHOTBROWSE1")));
        auto *window = awaitShown<BrowseWindow>(m_shown, QStringLiteral("GROHOTBROWSE1"));
        QVERIFY(window);
        QTRY_COMPARE(text(window, "SPLT2"), QStringLiteral("23.6"));
        QCOMPARE(glob::MIXER, 1.0);
        QCOMPARE(glob::NUMMER, 7.0); // the recipe in hand stays the recipe (a cost stored meanwhile finds it)
        QCOMPARE(text(window, "MSPL2"), QStringLiteral("235.8"));
        const auto openings = [&](const char *row) { // without the shape signs and words
            return text(window, row).remove(QRegularExpression(QStringLiteral("[^0-9. -]"))).trimmed();
        };
        QCOMPARE(openings("FRACTION_1"), QStringLiteral("20"));
        QCOMPARE(openings("FRACTION_3"), QStringLiteral("10 - 5"));
        QCOMPARE(openings("FRACTION_5"), QStringLiteral("2.5 - 0"));
        QCOMPARE(text(window, "MINPOR"), QStringLiteral("5.7"));
        QCOMPARE(text(window, "BIT"), QStringLiteral("5.7"));

        window->findChild<QCheckBox *>(QStringLiteral("CHEKKRUP"))->click();
        QCOMPARE(text(window, "SPLT2"), QStringLiteral("24.8"));
        QCOMPARE(text(window, "MSPL2"), QStringLiteral("247.5"));

        // Mixer 2 (decks 20/5/2.5): bin 2 takes 50 % of T = 101 and weighs 2000 kg.
        QTest::keyClick(window->findChild<QTableView *>(QStringLiteral("BROWSE_1")), Qt::Key_Down);
        QTRY_COMPARE(glob::MIXER, 2.0);
        QCOMPARE(text(window, "SPLT2"), QStringLiteral("44.6"));
        QCOMPARE(text(window, "MSPL2"), QStringLiteral("891.1"));
        QCOMPARE(text(window, "SPLT5"), QStringLiteral("0.0")); // 0 - 6 % powder is shown as nothing
        QCOMPARE(text(window, "MSUMMA"), QStringLiteral("2000"));
        window->close();
    }

    // The panel of each mixer, the oversize removed as on paper, is its printed recipe row by
    // row: mixer 3 has only its decks 15 and 10, also right after mixer 2 with its 2.5 mm deck.
    void eachMixersPanelIsItsPrintout()
    {
        recipeInPod();
        QVERIFY(startProcedure(QStringLiteral("GROHOTBROWSE1")));
        auto *window = awaitShown<BrowseWindow>(m_shown, QStringLiteral("GROHOTBROWSE1"));
        QVERIFY(window);
        QTRY_COMPARE(glob::MIXER, 1.0);
        window->findChild<QCheckBox *>(QStringLiteral("CHEKKRUP"))->click();
        const auto numbers = [&](const char *row) {
            return text(window, row).remove(QRegularExpression(QStringLiteral("[^0-9. -]"))).simplified();
        };
        for (int mixer = 1; mixer <= 3; ++mixer) {
            if (mixer > 1)
                QTest::keyClick(window->findChild<QTableView *>(QStringLiteral("BROWSE_1")), Qt::Key_Down);
            QTRY_COMPARE(glob::MIXER, REAL(mixer));
            QStringList rows;
            for (int k = 2; k <= 5; ++k)
                rows << QStringLiteral("%1 %2 %3 %4").arg(k).arg(numbers(qPrintable(QStringLiteral("FRACTION_%1").arg(k))),
                                                          text(window, qPrintable(QStringLiteral("SPLT%1").arg(k))),
                                                          text(window, qPrintable(QStringLiteral("MSPL%1").arg(k))));
            rows << QStringLiteral("Мельче %1 %2 %3").arg(numbers("FRACTION_6"), text(window, "PESOK"), text(window, "MPESOK"))
                 << QStringLiteral("Минеральный порошок: %1 %2").arg(text(window, "MINPOR"), text(window, "MMINPOR"))
                 << QStringLiteral("Битумное вяжущее: %1 %2").arg(text(window, "BIT"), text(window, "MBIT"));
            if (mixer == 3) // bins 15 and 70 - 6 % of T = 91
                QCOMPARE(rows.mid(0, 3), (QStringList{QStringLiteral("2 15 - 10 16.5 247.3"), QStringLiteral("3 10 - 0 70.3 1054.9"),
                                                      QStringLiteral("4 0 - 0 0.0 0.0")}));

            window->findChild<QPushButton *>(QStringLiteral("PRINT"))->click();
            QWidget *menu = awaitShown<QWidget>(m_shown, QStringLiteral("MENU_ZAMES"));
            QVERIFY(menu);
            control(menu, "RPT_GROHOT")->click();
            auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
            QVERIFY(preview);
            const QString pdf = m_dir.filePath(QStringLiteral("mixer%1.pdf").arg(mixer));
            QVERIFY(preview->saveAsPdf(pdf));
            // Without the shape signs; the PDF's text may run "0 - 0" together; the paper's
            // decimal comma for the panel's point.
            const auto plain = [](QString t) {
                return t.remove(QRegularExpression(QStringLiteral("[Ø□]"))).replace(QLatin1Char('.'), QLatin1Char(',')).replace(QRegularExpression(QStringLiteral("\\s*-\\s*")), QStringLiteral("-")).simplified();
            };
            const QString printed = plain(pdfText(pdf, true));
            QVERIFY(printed.contains(QStringLiteral("на замес смесителя № %1").arg(mixer)));
            for (const QString &row : rows)
                QVERIFY2(printed.contains(plain(row)), qPrintable(QStringLiteral("mixer %1: %2").arg(mixer).arg(row)));
            preview->exitWithoutPrinting();
            QTRY_VERIFY(menu->isEnabled());
            menu->findChild<QAction *>(QStringLiteral("EXIT"))->trigger();
            QTRY_VERIFY(window->isEnabled());
        }
        window->close();
    }

    // The printed recipes of mixer 1 from the menu: the oversize always removed, the recipe the
    // window opened with (whatever another window left in the globals), dust at 50 %.
    void printedRecipes()
    {
        recipeInPod();
        QVERIFY(startProcedure(QStringLiteral("GROHOTBROWSE1")));
        auto *window = awaitShown<BrowseWindow>(m_shown, QStringLiteral("GROHOTBROWSE1"));
        QVERIFY(window);
        QTRY_COMPARE(text(window, "SPLT2"), QStringLiteral("23.6"));
        glob::JBITGL = 0; // another recipe opened elsewhere meanwhile
        glob::PROEKT.fill(100);

        window->findChild<QPushButton *>(QStringLiteral("PRINT"))->click();
        QWidget *menu = awaitShown<QWidget>(m_shown, QStringLiteral("MENU_ZAMES"));
        QVERIFY(menu);
        QVERIFY(!window->isEnabled());
        menu->findChild<QSpinBox *>(QStringLiteral("OTSOS"))->setValue(50);

        const auto print = [&](const char *button) {
            control(menu, button)->click();
            return awaitShown<ReportPreviewWindow>(m_shown);
        };
        ReportPreviewWindow *preview = print("RPT_GROHOT");
        QVERIFY(preview);
        QCOMPARE(preview->IMAGECOUNT, 1); // mixer 1 only
        const QStringList page = preview->document().page(0).texts();
        QVERIFY(page.contains(QStringLiteral("24,8")) && page.contains(QStringLiteral("247,5"))); // bin 2 of T = 101
        QVERIFY(page.contains(QStringLiteral("100 %")));
        {
            const QStringList faults = printout::faults(*preview, m_dir.path());
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        }
        preview->exitWithoutPrinting();
        QTRY_VERIFY(menu->isEnabled());

        preview = print("REZCBITSWERH100");
        QVERIFY(preview);
        const QString pdf = m_dir.filePath(QStringLiteral("batch.pdf"));
        QVERIFY(preview->saveAsPdf(pdf));
        const QString printed = pdfText(pdf, true).simplified();
        // T = 95: bin 2 is 25/95, bitumen 6 over the mineral part, 106 % and 1060 kg in all.
        for (const char *line : {"асфальтобетонной смеси типа Б на замес смесителя № 1", "2 Ø20 - Ø10 26,3 263,2",
                                 "Мельче Ø0 0,0 0,0", "пыль уноса 2,1 21,1 ориентировочно",
                                 "Минеральный порошок: 6,3 63,2", "Битумное вяжущее: 6,0 60,0",
                                 "ИТОГО: 106,0 1060,0", "Минеральная", "часть, кГ", "1000,0",
                                 "Щебень 5-20 60,0", "Песок 34", "МП-1 6",
                                 "1. Удаляется грохотом щебень крупнее, мм: Ø20,0 5,0 50,0 кГ. на 1 замес"})
            QVERIFY2(printed.contains(QString::fromUtf8(line)), line);
        {
            const QStringList faults = printout::faults(*preview, m_dir.path());
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        }
        preview->exitWithoutPrinting();
        QTRY_VERIFY(menu->isEnabled());

        menu->findChild<QAction *>(QStringLiteral("EXIT"))->trigger();
        QTRY_VERIFY(window->isEnabled());
        QCOMPARE(glob::OTSOS, LONG(50)); // kept for the next printing
        window->close();
    }

    // Both printed recipes with the longest mix type, component names, additive name and use
    // their fields take: each printed whole, no text over another.
    void longestTextsFitTheirBoxes()
    {
        const QString type = printout::longest(12, QChar(0x0416)), component = printout::longest(20, QChar(0x0429)),
                      additive = printout::longest(20, QChar(0x0424)), use = printout::longest(17, QChar(0x042E));
        {
            FileUse additives(files::DOBAWKA);
            QVERIFY(additives.ok());
            DOB = DobawkaRecord(), DOB.NAME = additive, DOB.KUDA = use;
            QCOMPARE(files::DOBAWKA.add(), FileError::None);
        }
        recipeInPod();
        POD.TYPASPH = type;
        for (std::size_t j = 0; j < 6; ++j)
            POD.DIMNAME[j] = component;
        POD.DIMJKOMP = {20, 20, 20, 20, 10, 10};
        POD.DOBAW = additive, POD.SODERZDOBAW = 9.99; // the most the bitumen step takes
        m_shown.clear();
        QVERIFY(startProcedure(QStringLiteral("GROHOTBROWSE1")));
        auto *window = awaitShown<BrowseWindow>(m_shown, QStringLiteral("GROHOTBROWSE1"));
        QVERIFY(window);
        QTRY_VERIFY(window->page()->rowCount() > 0);
        window->findChild<QPushButton *>(QStringLiteral("PRINT"))->click();
        QWidget *menu = awaitShown<QWidget>(m_shown, QStringLiteral("MENU_ZAMES"));
        QVERIFY(menu);
        for (const char *button : {"RPT_GROHOT", "REZCBITSWERH100"}) {
            m_shown.clear();
            control(menu, button)->click();
            auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
            QVERIFY(preview);
            const QStringList faults = printout::faults(*preview, m_dir.path(), {type, component, additive, use});
            QVERIFY2(faults.isEmpty(), qPrintable(QLatin1String(button) + QLatin1Char('\n') + faults.join(QLatin1Char('\n'))));
            preview->exitWithoutPrinting();
            QTRY_VERIFY(menu->isEnabled());
        }
        menu->findChild<QAction *>(QStringLiteral("EXIT"))->trigger();
        QTRY_VERIFY(window->isEnabled());
        window->close();
    }
};

QTEST_MAIN(TestBatchWindow)
#include "tst_batch_window.moc"
