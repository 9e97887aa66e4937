#include "app/startup.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/list_window.h"
#include "journals/conformity_reports.h"
#include "framework/report_preview_window.h"
#include "framework/reportprogress_window.h"
#include "support/pdf_text.h"
#include "support/printout_check.h"
#include "support/window_helpers.h"
#include "support/workdir.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Adds the record the buffer holds after `fill` to `file`, which is emptied first when `fresh`.
template <class Fill>
void store(DataFile &file, bool fresh, Fill fill)
{
    if (fresh)
        removeDataFile(file);
    FileUse use(file);
    QVERIFY(use.ok());
    fill();
    QCOMPARE(file.add(), FileError::None);
}

GurRecord test(double recipe, LONG date, double r20)
{
    GurRecord g;
    g.REZNUM = BYTE(recipe);
    g.DATE = date;
    g.R20 = r20, g.R50 = 1.15, g.R0 = 9.4, g.R_RASCOL = 4.2, g.TGFI = 0.862, g.C50 = 0.412, g.KWOD = 0.93, g.KDLIT = 0.86;
    return g;
}

// One line of the page as pdftotext lays it out, its words parted by any blanks.
bool hasLine(const QString &text, const QStringList &words)
{
    QStringList quoted;
    for (const QString &w : words)
        quoted << QRegularExpression::escape(w);
    return QRegularExpression(QStringLiteral("(^|\\n)\\s*") + quoted.join(QStringLiteral("\\s+")) + QStringLiteral("\\s*(\\n|$)"))
        .match(text)
        .hasMatch();
}

using printout::longest;

} // namespace

class TestConformityReports : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<QPointer<QWidget>> m_shown;

    // Starts the report, answers its filter window as a user would and returns the text of its
    // pages written to PDF (empty when no preview came).
    QString run(const char *procedure, const char *filter, const QString &zone, const QString &grade = {})
    {
        m_shown.clear();
        if (!startProcedure(QLatin1String(procedure)))
            return {};
        QWidget *window = awaitShown<QWidget>(m_shown, QLatin1String(filter));
        if (!window)
            return {};
        window->findChild<QComboBox *>(QStringLiteral("DKZ"))->setCurrentText(zone);
        if (auto *marka = window->findChild<QComboBox *>(QStringLiteral("MARKA")))
            marka->setCurrentText(grade);
        window->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
        if (!preview)
            return {};
        m_pages = preview->IMAGECOUNT;
        const QString pdf = m_dir.filePath(QLatin1String(procedure) + QStringLiteral(".pdf"));
        if (!preview->saveAsPdf(pdf))
            return {};
        m_faults = printout::faults(preview->document(), pdf, m_fields);
        preview->exitWithoutPrinting();
        return pdfText(pdf, true);
    }
    LONG m_pages = 0;
    QStringList m_faults; // of the last printout: texts not whole in their boxes, boxes over one another
    QStringList m_fields; // field contents the printouts must show uncut

    // Recipe 7 with its weighing; the protocol's working state as the test journal leaves it.
    void recipeWithWeighing(const QString &type)
    {
        store(files::PODBOR, true, [] { POD = PodborRecord(), POD.NUM = 7, POD.DATE = dates::fromYmd(2026, 5, 14); });
        store(files::OBRGIDRO, true, [] { OBR = ObrgidroRecord(), OBR.NUMMER = 7, OBR.PLOT = 2.385, OBR.WOD = 2.6; });
        glob::NUMMER = 7;
        glob::TYP = type;
        glob::OBEKT = QStringLiteral("РЕЦЕПТ");
        glob::JBITGL = 6;
        glob::YMINER = 2.7;
        glob::PROEKT = {100, 95, 84, 70, 55, 41, 30, 22, 16, 11, 7.5};
    }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([](std::shared_ptr<const ReportDocument>) {});
        registerProgramProcedures();
    }

    // A "тип Б" mix, grade II, zone III: one page per test record of the recipe (a record of
    // another recipe left out), the measured values beside the limits of the standard.
    void protocolOfOrdinaryMix()
    {
        recipeWithWeighing(QStringLiteral("тип Б"));
        store(files::GUR, true, [] { GUR = test(7, dates::fromYmd(2026, 5, 20), 3.05); });
        store(files::GUR, false, [] { GUR = test(8, dates::fromYmd(2026, 5, 21), 9.99); });
        store(files::GUR, false, [] { GUR = test(7, dates::fromYmd(2026, 5, 22), 2.95); });
        const QString text = run("PROTVSE", "FILTER21", QStringLiteral("III"), QStringLiteral("II"));
        QCOMPARE(m_pages, LONG(2));
        QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
        QVERIFY2(hasLine(text, {"Протокол испытания асфальтобетонной смеси"}), qPrintable(text));
        QVERIFY(hasLine(text, {"II", "марка", "От", "20.05.2026", "ДКЗ -", "III"}));
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("Объект:\\s+РЕЦЕПТ\\s+тип Б\\s+№\\s*7\\n"))));
        QVERIFY(hasLine(text, {"Содержание зерен мельче 5 мм, % массы", "55,0", "50", "60"}));
        // Mineral skeleton: 1 - 2.385 / 1.06 / 2.7 = 16.7 %; residual: 1 - 2.385 / (106 / 43.037) = 3.2 %.
        QVERIFY(hasLine(text, {"Пористость минерального остова, %", "16,7", "19"}));
        QVERIFY(hasLine(text, {"Остаточная пористость, %", "3,2", "2,5", "5,0"}));
        QVERIFY(hasLine(text, {"Прочность при сжатии, МПа: R20", "3,05", "2,20"}));
        QVERIFY(hasLine(text, {"Коэффициент внутреннего трения, tg F", "0,862", "0,810"}));
        QVERIFY(hasLine(text, {"Водостойкость при длительном водонасыщении", "0,86", "0,75"}));
        QVERIFY(hasLine(text, {"Начальник лаборатории", "___________", "14.05.2026"}));
        // The second page is the second test of recipe 7, never the one of recipe 8.
        QVERIFY(text.contains(QStringLiteral("2,95")));
        QVERIFY(!text.contains(QStringLiteral("9,99")));
        QVERIFY(!text.contains(QStringLiteral("Показатель стекания")));
        QTRY_COMPARE(files::GUR.USED, 0);
    }

    // "ЩМА-15" in zone IV: no grade in the heading, no 0 °C and water-resistance limits, the
    // drainage row with its limit.
    void protocolOfStoneMasticMix()
    {
        recipeWithWeighing(QStringLiteral("ЩМА-15"));
        store(files::GUR, true, [] {
            GUR = test(7, dates::fromYmd(2026, 6, 1), 2.7);
            GUR.UMSR = 0.15;
        });
        const QString text = run("PROTVSE", "FILTER21", QStringLiteral("IV"), QStringLiteral("I"));
        QCOMPARE(m_pages, LONG(1));
        QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
        QVERIFY2(hasLine(text, {"От", "01.06.2026", "ДКЗ -", "IV"}), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("марка")));
        QVERIFY(hasLine(text, {"Содержание зерен мельче 5 мм, % массы", "55,0*", "25", "35"})); // outside: marked
        QVERIFY(hasLine(text, {"То же при 0 град, R0", "9,4"}));
        QVERIFY(hasLine(text, {"Водостойкость", "0,93"}));
        QVERIFY(hasLine(text, {"Показатель стекания, %", "0,15", "не более 0,2"}));
    }

    // Both reports with the widest texts and numbers their fields allow: every text whole in
    // its box, no box over another.
    void longestTextsFitTheirBoxes()
    {
        store(files::GROHOT, true, [] { GRO = GrohotRecord(), GRO.NUMMIXER = 1, GRO.MASSAZAMES = 9999; });
        store(files::NASTROJK, true, [] {
            NAS = NastrojkRecord(), NAS.REGION = longest(20);
            for (FixedString<20> *f : {&NAS.DOROGA, &NAS.KONSTRUKTIV, &NAS.SOGLDOLJN, &NAS.SOGLFIO, &NAS.DOLJN1,
                                       &NAS.FIO1, &NAS.ISPOLNIT2, &NAS.FAM2})
                *f = longest(20);
            NAS.SOGLFIRMA = longest(25), NAS.FIRMA = longest(25);
        });
        // Each field of its own letter, so that a cut one is not found in another.
        const QString object = longest(20), type = longest(12, QChar(0x0416)), component = longest(20, QChar(0x0429)),
                      additive = longest(20, QChar(0x0424)), use = longest(17, QChar(0x042E));
        store(files::DOBAWKA, true, [&] { DOB = DobawkaRecord(), DOB.NAME = additive, DOB.KUDA = use; });
        recipeWithWeighing(type);
        glob::OBEKT = object;
        glob::NUMMER = 999;
        store(files::OBRGIDRO, true, [] { OBR = ObrgidroRecord(), OBR.NUMMER = 999, OBR.PLOT = 2.385, OBR.WOD = 88.8; });
        store(files::GUR, true, [] {
            GUR = test(0, dates::fromYmd(2026, 12, 28), 9.99);
            GUR.REZNUM = 999, GUR.UMSR = 0.15;
        });
        POD = PodborRecord();
        POD.NUM = 999, POD.DATE = dates::fromYmd(2026, 12, 28);
        POD.OBEKT = object, POD.TYPASPH = type, POD.WIDASPH = longest(25);
        POD.MARKAASPH = QStringLiteral("III"), POD.MARKABIT = longest(12), POD.BIT = 9.9;
        POD.DOBAW = additive, POD.SODERZDOBAW = 10.25;
        for (std::size_t j = 0; j < 6; ++j) {
            POD.DIMNAME[j] = component;
            POD.DIMJKOMP[j] = 16.6667;
            POD.ISTYKOMP[j] = 2.7555;
            for (std::size_t i = 0; i < 11; ++i)
                POD.DIMKOMP[i][j] = 88.8888;
        }
        POD.PRZRN = {100, 98.8, 88.8, 77.7, 66.6, 55.5, 44.4, 33.3, 22.2, 11.1, 8.8};
        POD.YMINER = 2.7;
        const PodborRecord recipe = POD;
        store(files::PODBOR, true, [&] { POD = recipe; });
        m_fields = {object, type};
        run("PROTVSE", "FILTER21", QStringLiteral("III"), QStringLiteral("III"));
        QCOMPARE(m_pages, LONG(1));
        QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
        POD = recipe;
        m_fields = {object, type, component, additive, use};
        run("FORMAD_25", "FILTER2", QStringLiteral("III"));
        m_fields.clear();
        QCOMPARE(m_pages, LONG(1));
        QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
    }

    // The approval form: 1000 kg batches of mixer 1 and 6 % bitumen, a component of share 0 left
    // blank, the newest test of the recipe; then a recipe without tests.
    void approvalForm()
    {
        store(files::GROHOT, true, [] { GRO = GrohotRecord(), GRO.NUMMIXER = 1, GRO.MASSAZAMES = 1000; });
        store(files::NASTROJK, true, [] {
            NAS = NastrojkRecord(), NAS.REGION = QStringLiteral("РЕЦЕПТ"), NAS.FIO1 = QStringLiteral("Петров П.П.");
            NAS.DOROGA = QStringLiteral("Подъезд к Новгороду"), NAS.KONSTRUKTIV = QStringLiteral("Верхний слой");
        });
        recipeWithWeighing(QStringLiteral("тип Б"));
        store(files::GUR, true, [] { GUR = test(7, dates::fromYmd(2026, 5, 22), 2.95); });
        store(files::GUR, false, [] { GUR = test(7, dates::fromYmd(2026, 5, 20), 3.05); });
        store(files::GUR, false, [] { GUR = GurRecord(), GUR.REZNUM = 7, GUR.DATE = dates::fromYmd(2026, 5, 25); }); // no results yet
        // The recipe in the list's buffer, as "Ф.Д-25" leaves it.
        POD = PodborRecord();
        POD.NUM = 7;
        POD.OBEKT = QStringLiteral("РЕЦЕПТ"), POD.TYPASPH = QStringLiteral("тип Б"), POD.WIDASPH = QStringLiteral("горячая");
        POD.MARKAASPH = QStringLiteral("II"), POD.MARKABIT = QStringLiteral("БНД 60/90"), POD.BIT = 6;
        const char *names[4] = {"Щебень 5-20", "Отсев дробления", "Песок речной", "Порошок МП-1"};
        for (int j = 0; j < 4; ++j)
            POD.DIMNAME[std::size_t(j)] = QString::fromUtf8(names[j]);
        POD.DIMJKOMP = {50, 0, 42, 8, 0, 0};
        POD.ISTYKOMP = {2.7, 2.68, 2.65, 2.75, 0, 0};
        POD.DIMKOMP[4] = {12.5, 88, 100, 100, 0, 0};
        POD.PRZRN = {100, 95, 84, 70, 55, 41, 30, 22, 16, 11, 7.5};
        POD.YMINER = 2.7;
        const PodborRecord recipe = POD;
        store(files::PODBOR, true, [&] { POD = recipe; });
        POD = recipe;
        QString text = run("FORMAD_25", "FILTER2", QStringLiteral("III"));
        QCOMPARE(m_pages, LONG(1));
        QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
        QVERIFY2(hasLine(text, {"Форма Д-25"}), qPrintable(text));
        QVERIFY(hasLine(text, {"асфальтобетонной смеси горячая тип Б марка II"}));
        QVERIFY(hasLine(text, {"для устройства Верхний слой на автодороге Подъезд к Новгороду ПК_______ до ПК ________"}));
        QVERIFY(text.contains(QStringLiteral("______________ Петров П.П.")));
        // 100 % of the mix: 50 * 100 / 106 = 47.17 %, 471.7 kg; bitumen 5.66 %, 56.6 kg.
        QVERIFY(hasLine(text, {"Щебень 5-20", "50", "47,17", "472"}));
        QVERIFY(hasLine(text, {"Битумное вяжущее БНД 60/90", "6,0", "5,66", "56,6"}));
        QCOMPARE(text.count(QRegularExpression(QStringLiteral("\\n\\s*Отсев дробления\\s*\\n"))), 2);
        QVERIFY(hasLine(text, {"Щебень 5-20", "2,7", "0", "0", "0", "0", "12,5", "0", "0", "0", "0", "0", "0", "50"}));
        QVERIFY(hasLine(text, {"Средняя плотность, г/см3", "не нормируется", "2,385"}));
        QVERIFY(hasLine(text, {"20 оС", "не менее 2,2", "2,95"})); // the newest test with results
        QVERIFY(hasLine(text, {"Механические показатели - по испытанию № 7 от 22.05.2026"}));
        QVERIFY(hasLine(text, {"Водостойкость", "не менее 0,85", "0,93"}));
        QCOMPARE(POD.NUM, recipe.NUM); // the list's buffer as it was

        // Without a test record the mechanical rows are blank.
        store(files::GUR, true, [] { GUR = test(8, dates::fromYmd(2026, 5, 22), 2.95); });
        POD = recipe;
        text = run("FORMAD_25", "FILTER2", QStringLiteral("III"));
        QVERIFY(hasLine(text, {"20 оС", "не менее 2,2", "нет испытаний"}));
        QVERIFY(!text.contains(QStringLiteral("по испытанию")));
        QVERIFY(hasLine(text, {"Средняя плотность, г/см3", "не нормируется", "2,385"})); // the weighing still shown
    }

    // R50 under its limit (тип Б, grade II, zone III: at least 1,00) and R20 exactly on its limit
    // as printed: the protocol marks R50 alone, bold with "*", and ends saying so; "Форма Д-25"
    // does the same; the journal judges the test "нет: R50" for the zone the filter chose.
    void valueOutsideItsLimitIsMarkedEverywhere()
    {
        recipeWithWeighing(QStringLiteral("тип Б"));
        store(files::PODBOR, true, [] {
            POD = PodborRecord(), POD.NUM = 7, POD.DATE = dates::fromYmd(2026, 5, 14);
            POD.TYPASPH = QStringLiteral("тип Б"), POD.MARKAASPH = QStringLiteral("II");
            POD.PRZRN = {100, 95, 84, 70, 55, 41, 30, 22, 16, 11, 7.5}, POD.BIT = 6, POD.YMINER = 2.7;
        });
        store(files::GUR, true, [] {
            GUR = test(7, dates::fromYmd(2026, 5, 20), 2.1996); // prints 2,20: meets "не менее 2,20"
            GUR.R50 = 0.98;
        });
        const QString text = run("PROTVSE", "FILTER21", QStringLiteral("III"), QStringLiteral("II"));
        QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
        QVERIFY2(hasLine(text, {"То же при 50 град, R50", "0,98*", "1,00"}), qPrintable(text));
        QVERIFY(hasLine(text, {"Прочность при сжатии, МПа: R20", "2,20", "2,20"}));
        QVERIFY(hasLine(text, {"Заключение: смесь не соответствует требованиям по показателям: R50"}));
        QCOMPARE(text.count(QLatin1Char('*')), 1);
        {
            FileUse use(files::GUR);
            QVERIFY(readFirst(files::GUR));
            const ReportBand page = conformity::protvsePage();
            const auto marked = std::find_if(page.items.begin(), page.items.end(),
                                             [](const ReportItem &i) { return i.text == QStringLiteral("0,98*"); });
            QVERIFY(marked != page.items.end() && marked->bold);
        }

        POD = PodborRecord();
        POD.NUM = 7, POD.TYPASPH = QStringLiteral("тип Б"), POD.MARKAASPH = QStringLiteral("II"), POD.BIT = 6,
        POD.YMINER = 2.7;
        const QString form = run("FORMAD_25", "FILTER2", QStringLiteral("III"));
        QVERIFY2(hasLine(form, {"50 оС", "не менее 1", "0,98*"}), qPrintable(form));
        QVERIFY(hasLine(form, {"Заключение: смесь не соответствует требованиям по показателям: R50"}));

        glob::NUMMER = 7;
        QVERIFY(startProcedure(QStringLiteral("BROWSEREZGUR")));
        auto *list = awaitShown<BrowseWindow>(m_shown, QStringLiteral("BROWSEREZGUR"));
        QVERIFY(list);
        QCOMPARE(list->page()->entries().at(0).texts.last().trimmed(), QStringLiteral("нет: R50"));
        QVERIFY(list->findChild<QLabel *>(QStringLiteral("CAPTION"))->text().contains(QStringLiteral("ДКЗ III")));
        list->close();
    }
};

QTEST_MAIN(TestConformityReports)
#include "tst_conformity_reports.moc"
