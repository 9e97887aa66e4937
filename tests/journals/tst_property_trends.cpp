#include "app/startup.h"
#include "data/files.h"
#include "framework/report_preview_window.h"
#include "framework/reportpaint_ui.h"
#include "framework/reportprogress_window.h"
#include "journals/control_chart.h"
#include "journals/property_trends.h"
#include "journals/property_trends_window.h"
#include "support/workdir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

using lab::Norm;

bool near(std::optional<double> v, double expected) { return v && std::abs(*v - expected) < 5e-4; }

// The texts of a chart drawn in the window.
QStringList chartTexts(QWidget *window)
{
    QStringList texts;
    for (const ReportItem &i : window->findChild<ReportPageView *>(QStringLiteral("CHART"))->page().items)
        if (i.kind == ReportItem::Text)
            texts << i.text;
    return texts;
}

int dotsOf(QWidget *window, unsigned rgb)
{
    int n = 0;
    for (const ReportItem &i : window->findChild<ReportPageView *>(QStringLiteral("CHART"))->page().items)
        n += i.kind == ReportItem::Dot && i.rgb == rgb;
    return n;
}

void addTest(LONG recipe, LONG date, double r50)
{
    GUR = GurRecord();
    GUR.REZNUM = recipe, GUR.DATE = date, GUR.R50 = r50, GUR.R20 = 3.0;
    QCOMPARE(files::GUR.add(), FileError::None);
}

} // namespace

class TestPropertyTrends : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<QPointer<QWidget>> m_shown;

    QWidget *openFor(REAL recipe)
    {
        POD = PodborRecord();
        POD.NUM = recipe; // the recipe list's highlighted record
        m_shown.clear();
        if (!startProcedure(QStringLiteral("PROPERTYTRENDS")))
            return nullptr;
        return awaitShown<QWidget>(m_shown, QStringLiteral("PROPERTYTRENDS"));
    }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([](std::shared_ptr<const ReportDocument>) {});
        registerProgramProcedures();
        glob::DKZ = QStringLiteral("III");
        // Recipe 7 (тип Б, grade II: R50 at least 1,00 in zone III) with a season of tests,
        // recipe 8 of the same type with one, recipe 9 with none.
        FileUse pod(files::PODBOR), gur(files::GUR);
        for (REAL n : {7.0, 8.0, 9.0}) {
            POD = PodborRecord();
            POD.NUM = n, POD.DATE = dates::fromYmd(2026, 3, 1), POD.TYPASPH = QStringLiteral("тип Б");
            POD.MARKAASPH = QStringLiteral("II");
            QCOMPARE(files::PODBOR.add(), FileError::None);
        }
        const double r50[] = {1.2, 1.1, 0.95, 1.3, 1.2, 1.15};
        for (int i = 0; i < 6; ++i)
            addTest(7, dates::fromYmd(2026, 4, 1 + 5 * i), r50[i]);
        addTest(8, dates::fromYmd(2026, 4, 10), 1.4);
    }

    // Worked by hand: 2, 4, 4, 4, 5, 5, 7, 9 has mean 5 and sample σ √(32/7) = 2.1381.
    void statistics_data()
    {
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<double>("cp");  // -1: none
        QTest::addColumn<double>("cpk"); // -1: none
        QTest::newRow("both limits") << 1.0 << 11.0 << 10 / (6 * 2.13809) << 4 / (3 * 2.13809);
        QTest::newRow("lower only: Cpk alone") << 1.0 << 0.0 << -1.0 << 4 / (3 * 2.13809);
        QTest::newRow("upper only: Cpk alone") << 0.0 << 8.0 << -1.0 << 3 / (3 * 2.13809);
        QTest::newRow("no norm") << 0.0 << 0.0 << -1.0 << -1.0;
    }
    void statistics()
    {
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(double, cp);
        QFETCH(double, cpk);
        const lab::SeriesStats s = lab::seriesStats({2, 4, 4, 4, 5, 5, 7, 9}, Norm{lower, upper});
        QCOMPARE(s.n, 8);
        QCOMPARE(s.mean, 5.0);
        QVERIFY(near(s.sigma, 2.13809));
        QCOMPARE(s.min, 2.0);
        QCOMPARE(s.max, 9.0);
        QVERIFY(cp < 0 ? !s.cp : near(s.cp, cp));
        QVERIFY(cpk < 0 ? !s.cpk : near(s.cpk, cpk));
        // One value: no σ and no capability.
        const lab::SeriesStats one = lab::seriesStats({3}, Norm{1, 5});
        QVERIFY(one.n == 1 && one.mean == 3 && !one.sigma && !one.cp && !one.cpk);
    }

    // Mean 3, σ 1 given: seven in a row above the mean flag the seventh alone, a point on the
    // mean ends a run, 7.1 is beyond 3σ; the norm is judged on the value as printed (one place).
    void controlRules()
    {
        lab::SeriesStats s;
        s.mean = 3, s.sigma = 1;
        const std::vector<double> v{4, 4, 4, 4, 4, 4, 4.04, 4.06, 3, 4, 7.1, 2};
        const auto f = lab::pointFlags(v, s, Norm{0, 4.0}, 1);
        QString runs, beyond, out;
        for (const lab::PointFlags &p : f) {
            runs += p.runOfSeven ? '7' : '.';
            beyond += p.beyond3Sigma ? 'x' : '.';
            out += p.outOfNorm ? 'o' : '.';
        }
        QCOMPARE(runs, QStringLiteral("......77...."));
        QCOMPARE(beyond, QStringLiteral("..........x."));
        QCOMPARE(out, QStringLiteral(".......o..o."));
    }

    // The window from the recipe list: R50 of recipe 7 with its norm, the value under it red,
    // the statistics under the chart; recipe 8's one test shows its point and no σ lines;
    // recipe 9 says "нет испытаний"; the whole type puts both recipes side by side.
    void windowShowsTheChart()
    {
        QWidget *w = openFor(7);
        QVERIFY(w);
        auto *property = w->findChild<QComboBox *>(QStringLiteral("PROPERTY"));
        property->setCurrentIndex(property->findText(QStringLiteral("Прочность при сжатии при 50 °С, R50, МПа")));
        QStringList texts = chartTexts(w);
        QVERIFY2(texts.contains(QStringLiteral("норма 1,00")), qPrintable(texts.join('|')));
        QVERIFY(texts.contains(QStringLiteral("+3σ")) && texts.contains(QStringLiteral("−2σ")));
        QCOMPARE(dotsOf(w, lab::kOutOfNormRgb) - 1, 1); // 0.95, besides the legend's
        auto *stats = w->findChild<QTableWidget *>(QStringLiteral("STATISTICS"));
        QCOMPARE(stats->rowCount(), 1);
        // Mean 1.15, σ = √(0.07/5) = 0.1183, Cpk (lower only) = 0.15 / 0.3550 = 0.42.
        QStringList row;
        for (int c = 0; c < stats->columnCount(); ++c)
            row << (stats->item(0, c) ? stats->item(0, c)->text() : QString());
        QCOMPARE(row.join('|'), QStringLiteral("№ 7|6|1,150|0,118|0,95|1,30||0,42|1|0|0"));

        w->findChild<QCheckBox *>(QStringLiteral("WHOLETYPE"))->setChecked(true);
        QCOMPARE(stats->rowCount(), 3);
        QCOMPARE(stats->item(2, 1)->text(), QStringLiteral("нет испытаний"));
        QVERIFY(!chartTexts(w).contains(QStringLiteral("+3σ"))); // several lines: no centre lines
        w->close();

        w = openFor(8);
        QVERIFY(w);
        property = w->findChild<QComboBox *>(QStringLiteral("PROPERTY"));
        property->setCurrentIndex(1);
        texts = chartTexts(w);
        QVERIFY(texts.contains(QStringLiteral("среднее")));
        QVERIFY(!texts.contains(QStringLiteral("+2σ")) && !texts.contains(QStringLiteral("−3σ")));
        QCOMPARE(dotsOf(w, lab::seriesRgb(0)), 1);
        w->close();

        w = openFor(9);
        QVERIFY(w);
        QVERIFY(chartTexts(w).contains(QStringLiteral("нет испытаний")));
        w->close();
    }

    // Print goes through the report preview (the chart and the table on the page); the CSV file
    // holds a line per value with the rules it breaks.
    void printAndExport()
    {
        QWidget *w = openFor(7);
        QVERIFY(w);
        auto *property = w->findChild<QComboBox *>(QStringLiteral("PROPERTY"));
        property->setCurrentIndex(1);
        m_shown.clear();
        w->findChild<QPushButton *>(QStringLiteral("PRINT"))->click();
        auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
        QVERIFY(preview);
        const QStringList page = preview->document().page(0).texts();
        for (const char *t : {"Динамика показателей", "норма 1,00", "Cpk", "1,150", "0,42"})
            QVERIFY2(page.contains(QString::fromUtf8(t)), t);
        preview->exitWithoutPrinting();

        const QString path = m_dir.filePath(QStringLiteral("r50.csv"));
        setTrendCsvPathHook([&](const QString &) { return path; });
        w->findChild<QPushButton *>(QStringLiteral("EXPORTCSV"))->click();
        setTrendCsvPathHook({});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).remove(QChar(0xFEFF)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(3), QStringLiteral("№ 7;11.04.2026;0,95;да;;"));
        w->close();
    }
};

QTEST_MAIN(TestPropertyTrends)
#include "tst_property_trends.moc"
