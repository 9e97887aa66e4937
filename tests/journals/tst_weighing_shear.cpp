// The hydrostatic weighing of a recipe (list, form, protocol) and the shear-resistance protocol
// with its operating conditions, driven as the user works them.
#include "support/fake_sink.h"
#include "support/pdf_text.h"
#include "support/window_helpers.h"
#include "support/printout_check.h"
#include "support/workdir.h"
#include "catalogues/climate_ui.h"
#include "data/files.h"
#include "framework/fileservices.h"
#include "framework/reportpaint_ui.h"
#include "framework/report_preview_window.h"
#include "framework/reportprogress_window.h"
#include "journals/mechanical.h"
#include "journals/mechanical_journal_window.h"
#include "journals/shear_report.h"
#include "journals/shear_window.h"
#include "journals/weighing_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

void addRecord(DataFile &file)
{
    FileUse use(file);
    QVERIFY(use.ok());
    QCOMPARE(file.add(), FileError::None);
}

// A test record of recipe 5 with the shear properties of the worked example, or without them.
GurRecord testRecord(double number, bool shear)
{
    GurRecord g;
    g.NUMBER = number;
    g.REZNUM = 5;
    g.TIP_SM = QStringLiteral("Б");
    g.DATE = 80000;
    g.R20 = 5.25;
    if (shear) {
        g.TGFI = 0.85;
        g.C50 = 0.3;
        g.MPL = 0.2;
        g.UPL = 60;
    }
    return g;
}

// The one region the protocols choose, Moscow, unless it is there already.
void addRegion()
{
    FileUse use(files::USLOV);
    if (files::USLOV.recordCount() > 0)
        return;
    USL = UslovRecord();
    USL.REGION = QStringLiteral("Москва");
    USL.DKZ = QStringLiteral("II");
    USL.TMAX = 35;
    USL.TMIN = -30;
    addRecord(files::USLOV);
}

} // namespace

class TestWeighingShear : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<QPointer<QWidget>> m_shown;
    FakeSink m_sink;
    int m_warnings = 0;
    QStringList m_fields; // field contents the shear protocol must print uncut

    // RPTSD over the record in GUR: the region chosen in SELREG1, `adjust` on the conditions,
    // "Ок"; the pages of the preview as a PDF's text.
    QStringList shearProtocol(const std::function<void(FormWindow *)> &adjust)
    {
        m_shown.clear();
        LONG response = 0;
        if (!callProcedure(QStringLiteral("RPTSD"), nullptr, [&response](LONG r) { response = r; }))
            return {};
        auto *regions = awaitShown<BrowseWindow>(m_shown, QStringLiteral("SELREG1"));
        auto *filter = awaitShown<FormWindow>(m_shown, QStringLiteral("FILTER1"));
        if (!regions || !filter)
            return {};
        regions->activateWindow();
        if (!QTest::qWaitFor([regions] { return regions->page()->rowCount() == 1; }, 5000))
            return {};
        regions->findChild<QPushButton *>(QStringLiteral("SELECT"))->click();
        if (!QTest::qWaitFor([filter] { return filter->isEnabled(); }, 5000))
            return {};
        filter->activateWindow();
        if (!QTest::qWaitForWindowActive(filter))
            return {};
        adjust(filter);
        filter->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
        if (!preview)
            return {};
        QStringList pages;
        const QString pdf = m_dir.filePath(QStringLiteral("shear_report.pdf"));
        if (!writeReportPdf(preview->document(), pdf))
            return {};
        pages = pdfText(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        if (const QStringList faults = printout::faults(preview->document(), pdf, m_fields); !faults.isEmpty()) {
            qWarning("%s", qPrintable(faults.join(QLatin1Char('\n'))));
            return {};
        }
        preview->exitWithoutPrinting();
        if (!QTest::qWaitFor([&] { return response == glob::RequestCompleted; }, 5000))
            return {};
        return pages;
    }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([](std::shared_ptr<const ReportDocument>) {});
        registerClimateProcedures();
        registerWeighingProcedures();
        registerShearProcedures();
        registerCalledProcedure(QStringLiteral("SOOB2"), [this](QWidget *, std::function<void(LONG)> done) {
            ++m_warnings;
            done(glob::RequestCompleted);
        });
    }

    void cleanup() { deleteFormWindows(); }

    // The worked weighing typed into a new record of recipe 7, a second specimen without volume:
    // visiting the density field gives 2.376 / 1.98 / 0 from specimen 1 alone, says so, and
    // hands the density to recipe 7 in memory; OK stores it; the protocol prints it with the
    // porosities for 6 % bitumen over a mineral part of 2.7 g/cm3.
    void weighingOfARecipe()
    {
        POD = PodborRecord();
        POD.NUM = 7;
        addRecord(files::PODBOR);
        OBR = ObrgidroRecord();
        OBR.NUMMER = 8; // another recipe's: not listed
        addRecord(files::OBRGIDRO);
        POD = PodborRecord();
        glob::NUMMER = 7;
        glob::JBITGL = 6;
        glob::YMINER = 2.7;

        BrowseWindow *list = BROWSEOBR2();
        m_shown << list;
        list->show();
        QTRY_COMPARE(list->page()->rowCount(), 0);
        FormWindow *form = press(list, "INSERT");
        QVERIFY(form);
        QCOMPARE(shown(form, "OBR_NUMMER"), QStringLiteral("7"));
        const char *typed[][2] = {{"OBR_G0", "1200"}, {"OBR_G1", "1205"}, {"OBR_G2", "700"}, {"OBR_G3", "1210"},
                                  {"OBR_G4", "705"}, {"OBR_G01", "1000"}, {"OBR_G11", "1002"}, {"OBR_G21", "1002"}};
        for (const auto &t : typed)
            typeInto(form, QLatin1String(t[0]), QLatin1String(t[1]));
        edit(form, "OBR_PLOT")->setFocus(Qt::TabFocusReason);
        QCOMPARE(shown(form, "OBR_PLOT"), QStringLiteral("2.376"));
        QCOMPARE(shown(form, "OBR_WOD"), QStringLiteral("1.98"));
        QCOMPARE(shown(form, "OBR_NABUH"), QStringLiteral("0.00"));
        QCOMPARE(form->findChild<QLabel *>(QStringLiteral("EVALUATION"))->text(),
                 QStringLiteral("Образец 2 не учтен: G1 = G2"));
        QCOMPARE(POD.NUM, 7.0);
        QCOMPARE(POD.PLOTN, 1200.0 / 505);

        form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        QTRY_COMPARE(list->page()->rowCount(), 1);
        {
            FileUse use(files::OBRGIDRO);
            OBR.NUMMER = 7;
            QCOMPARE(files::OBRGIDRO.get(files::key::OBR_KEYNUMMER), FileError::None);
            QCOMPARE(OBR.PLOT, 1200.0 / 505);
        }

        m_shown.clear();
        list->findChild<QPushButton *>(QStringLiteral("PROTOCOL"))->click();
        auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
        QVERIFY(preview);
        QCOMPARE(preview->IMAGECOUNT, 1);
        const QStringList texts = preview->document().page(0).texts();
        auto after = [&texts](const char *caption) { return texts.value(texts.indexOf(QString::fromUtf8(caption)) + 1); };
        QCOMPARE(after("Номер смеси"), QStringLiteral("7"));
        QCOMPARE(after("Средняя плотность, г/см3:"), QStringLiteral("2,38"));
        QCOMPARE(after("Водонасыщение"), QStringLiteral("1,98"));
        QCOMPARE(after("Пористость минеральной части, %"), QStringLiteral("17,0")); // 16.97
        QCOMPARE(after("Остаточная пористость, %"), QStringLiteral("3,5"));          // 3.52
        {
            const QStringList faults = printout::faults(*preview, m_dir.path());
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        }
        preview->exitWithoutPrinting();
        delete list;
    }

    // The shear protocol of recipe 5: refused for a record in memory without results; then one
    // page per test record, the worked example not resistant over 42.8 hours, a record without
    // shear data "не определено" with no deformation; a zero intensity warns and still prints.
    void shearProtocolOfARecipe()
    {
        addRegion();
        GUR = testRecord(2, false);
        addRecord(files::GUR);
        GUR = testRecord(1, true);
        addRecord(files::GUR);
        GUR = testRecord(3, true);
        GUR.REZNUM = 6; // another recipe's
        addRecord(files::GUR);
        glob::NUMMER = 5;
        glob::OBEKT = QStringLiteral("Обход г. Н");

        GUR = testRecord(2, false);
        m_sink.clear();
        LONG response = 0;
        QVERIFY(callProcedure(QStringLiteral("RPTSD"), nullptr, [&response](LONG r) { response = r; }));
        QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("Отсутствуют результаты испытаний")});
        QCOMPARE(response, LONG(glob::RequestCancelled));

        GUR = testRecord(1, true);
        const QStringList pages = shearProtocol([](FormWindow *filter) {
            QCOMPARE(shown(filter, "REGION"), QStringLiteral("Москва"));
            QCOMPARE(shown(filter, "TMAX"), QStringLiteral("35"));
            QCOMPARE(shown(filter, "TMIN"), QStringLiteral("-30"));
            QCOMPARE(shown(filter, "IN_DV"), QStringLiteral("220"));
        });
        QCOMPARE(pages.size(), 2);
        QCOMPARE(m_warnings, 0);
        const QString &example = pages.at(0).contains(QStringLiteral("0,850")) ? pages.at(0) : pages.at(1);
        const QString &empty = pages.at(0).contains(QStringLiteral("0,850")) ? pages.at(1) : pages.at(0);
        for (const char *shown : {"Москва", "II", "тяжелое", "Нормальные", "5,25", "0,850", "0,300",
                                  "42,8", "0,526", "-1,000", "не сдвигоустойчив", "Обход г. Н"})
            QVERIFY2(example.contains(QString::fromUtf8(shown)), shown);
        QVERIFY(empty.contains(QStringLiteral("не определено")));
        for (const char *verdict : {"не сдвигоустойчив", "\nсдвигоустойчив\n", "в предельном состоянии"})
            QVERIFY2(!empty.contains(QString::fromUtf8(verdict)), verdict);
        QVERIFY(!empty.contains(QStringLiteral("0,526")));

        // Category 5 switches to constrained traffic at 220 vehicles; a zero intensity typed then.
        // The lookup key chooses the region again, keeping the typed temperature.
        const QStringList idle = shearProtocol([this](FormWindow *filter) {
            typeInto(filter, QStringLiteral("TMAX"), QStringLiteral("30"));
            m_shown.clear();
            filter->field(QStringLiteral("REGION"))->setFocus();
            QTest::keyClick(filter->field(QStringLiteral("REGION")), Qt::Key_F4);
            auto *regions = awaitShown<BrowseWindow>(m_shown, QStringLiteral("SELREG1"));
            QVERIFY(regions);
            QTRY_COMPARE(regions->page()->rowCount(), 1);
            regions->findChild<QPushButton *>(QStringLiteral("SELECT"))->click();
            QTRY_VERIFY(filter->isEnabled());
            QCOMPARE(shown(filter, "TMAX"), QStringLiteral("30"));
            filter->findChild<QRadioButton *>(QStringLiteral("KAT_DV_5"))->click();
            QCOMPARE(filter->findChild<QComboBox *>(QStringLiteral("US_DV"))->currentText(), QStringLiteral("Стесненные"));
            QCOMPARE(glob::T1, 0.792);
            typeInto(filter, QStringLiteral("IN_DV"), QStringLiteral("0"));
        });
        QCOMPARE(m_warnings, 1);
        QCOMPARE(idle.size(), 2);
        for (const QString &page : idle)
            QVERIFY(page.contains(QStringLiteral("не определено")) && page.contains(QStringLiteral("Стесненные")));
    }
    // What the forms compute is stored as computed, not as their fields show it: the weighing's
    // saturation and swelling (2.88 and 0.96 shown), the journal's strengths, TGFI, C50, m and U
    // (m and U from the unrounded strengths); the shear protocol printed from the stored record
    // gives what the calculation gives from the readings.
    void computedValuesAreStoredWhole()
    {
        glob::NUMMER = 9;
        BrowseWindow *weighings = BROWSEOBR2();
        m_shown << weighings;
        weighings->show();
        FormWindow *form = press(weighings, "INSERT");
        QVERIFY(form);
        const char *masses[][2] = {{"OBR_G0", "1200"}, {"OBR_G1", "1205"}, {"OBR_G2", "685"},
                                   {"OBR_G3", "1215"}, {"OBR_G4", "690"}};
        for (const auto &m : masses)
            typeInto(form, QLatin1String(m[0]), QLatin1String(m[1]));
        edit(form, "OBR_PLOT")->setFocus(Qt::TabFocusReason);
        QCOMPARE(shown(form, "OBR_WOD"), QStringLiteral("2.88"));
        QCOMPARE(shown(form, "OBR_NABUH"), QStringLiteral("0.96"));
        form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        QTRY_COMPARE(weighings->page()->rowCount(), 1);
        {
            FileUse use(files::OBRGIDRO);
            OBR.NUMMER = 9;
            QCOMPARE(files::OBRGIDRO.get(files::key::OBR_KEYNUMMER), FileError::None);
            QVERIFY2(qAbs(OBR.WOD - 1500.0 / 520) < 1e-9, qPrintable(QString::number(OBR.WOD, 'g', 17)));
            QVERIFY2(qAbs(OBR.NABUH - 500.0 / 520) < 1e-9, qPrintable(QString::number(OBR.NABUH, 'g', 17)));
        }
        delete weighings;

        BrowseWindow *journal = BROWSEREZGUR();
        m_shown << journal;
        journal->show();
        form = press(journal, "INSERT");
        QVERIFY(form);
        lab::ShearReadings r = {{4.1, 4.3, 3.9, 4.2}, {2.1, 2.0, 2.2, 1.9}, {8.3, 8.1, 7.9, 8.4}, {2.5, 2.6, 2.4, 2.5}};
        for (int i = 0; i < 4; ++i) {
            typeInto(form, QStringLiteral("GUR_US%1_50").arg(i + 1), QString::number(r.US_50[i]));
            typeInto(form, QStringLiteral("GUR_TS%1_50").arg(i + 1), QString::number(r.TS_50[i]));
        }
        for (int i = 0; i < 4; ++i) {
            typeInto(form, QStringLiteral("GUR_UM%1").arg(i + 1), QString::number(r.UM[i]));
            typeInto(form, QStringLiteral("GUR_TM%1").arg(i + 1), QString::number(r.TM[i]));
        }
        const char *strengths[][2] = {{"GUR_US1_3_50", "3.7"}, {"GUR_US2_3_50", "3.5"}, {"GUR_US3_3_50", "3.5"},
                                      {"GUR_US1_3_20", "10"}, {"GUR_US2_3_20", "10.5"}, {"GUR_US3_3_20", "10.5"}};
        for (const auto &s : strengths)
            typeInto(form, QLatin1String(s[0]), QLatin1String(s[1]));
        form->findChild<QPushButton *>(QStringLiteral("OK"))->click();
        QTRY_COMPARE(journal->page()->rowCount(), 1);

        const double Q = lab::areaFactors(7).Q;
        const lab::ShearValues v = lab::shearProperties(r, Q, {});
        const double R50 = (3.7 + 3.5 + 3.5) / (3 * Q), R20 = (10 + 10.5 + 10.5) / (3 * Q);
        const double MPL = lab::rateExponent(v.USSR, R50, 0, 0, v.TGFI, v.C50, 0);
        const double UPL = lab::activationEnergy(R20, R50, MPL, 0);
        {
            FileUse use(files::GUR);
            GUR.REZNUM = 9;
            QCOMPARE(files::GUR.get(files::key::GUR_KEYREZNUM), FileError::None);
            const struct { const char *name; double stored, computed; } values[] = {
                {"TGFI", GUR.TGFI, v.TGFI}, {"C50", GUR.C50, v.C50}, {"R50", GUR.R50, R50},
                {"R20", GUR.R20, R20},      {"MPL", GUR.MPL, MPL},   {"UPL", GUR.UPL, UPL}};
            for (const auto &x : values)
                QVERIFY2(qAbs(x.stored - x.computed) < 1e-9, qPrintable(QStringLiteral("%1 %2, computed %3")
                                                                          .arg(QLatin1String(x.name))
                                                                          .arg(x.stored, 0, 'g', 17)
                                                                          .arg(x.computed, 0, 'g', 17)));
        }
        delete journal;

        addRegion();
        const QStringList pages = shearProtocol([](FormWindow *) {});
        QCOMPARE(pages.size(), 1);
        const lab::ShearResult expected = lab::RASZET(shear_report::conditionsInGlobals(), {v.TGFI, v.C50, MPL, UPL});
        QVERIFY(expected.gammaComputed);
        const QString gamma = reportNumber("n-10.3", expected.GAMMA).trimmed();
        QVERIFY2(pages.at(0).contains(QLatin1Char('\n') + gamma + QLatin1Char('\n')), qPrintable(gamma + pages.at(0)));
    }

    // The shear protocol with the longest texts its fields take (the region's 15 letters, the
    // record's mix type of 7, the object's 20, the longest traffic name): each printed whole.
    // Run last: it leaves only the long region in the file.
    void longestTextsFitTheirBoxes()
    {
        const QString region = printout::longest(15, QChar(0x042E)), type = printout::longest(7, QChar(0x0416)),
                      object = printout::longest(20);
        removeDataFile(files::USLOV);
        {
            FileUse use(files::USLOV);
            USL = UslovRecord(), USL.REGION = region, USL.DKZ = QStringLiteral("III"), USL.TMAX = 35;
            QCOMPARE(files::USLOV.add(), FileError::None);
        }
        removeDataFile(files::GUR);
        GUR = testRecord(1, true);
        GUR.TIP_SM = type;
        GUR.REZNUM = 999999;
        addRecord(files::GUR);
        glob::NUMMER = 999999;
        glob::OBEKT = object;
        m_fields = {region, type, object, QStringLiteral("очень тяжелое"), QStringLiteral("999999")};
        const QStringList pages = shearProtocol(
            [](FormWindow *filter) { filter->findChild<QRadioButton *>(QStringLiteral("KAT_DV_5"))->click(); });
        m_fields.clear();
        QCOMPARE(pages.size(), 1);
    }
};

QTEST_MAIN(TestWeighingShear)
#include "tst_weighing_shear.moc"
