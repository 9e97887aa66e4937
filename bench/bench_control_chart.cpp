// Quality benchmark: "Динамика показателей" and the test journal's verdict column over one
// recipe with many test records.
//
//   QT_QPA_PLATFORM=offscreen build/bench_control_chart [RECORDS] [DIR]   (default 10000 in a new temporary directory)
//
// Seeds recipe 1 (тип Б, grade II, with a weighing) and RECORDS test records of it, then reports
// the median wall time of: opening the window with its chart and statistics (incl. the first
// paint), the chart and statistics alone, switching the property; and a page down of the
// journal list BROWSEREZGUR with and without the column "Соответствие", in the same run.
#include "app/startup.h"
#include "bench_util.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/list_window.h"
#include "journals/mechanical_journal_window.h"
#include "journals/property_trends.h"
#include "journals/property_trends_window.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTableView>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

void seed(int records)
{
    FileUse pod(files::PODBOR), obr(files::OBRGIDRO), gur(files::GUR);
    POD = PodborRecord();
    POD.NUM = 1, POD.DATE = dates::fromYmd(2020, 1, 1), POD.TYPASPH = QStringLiteral("тип Б");
    POD.MARKAASPH = QStringLiteral("II"), POD.BIT = 5.8, POD.YMINER = 2.69;
    POD.PRZRN = {100, 95, 84, 70, 55, 41, 30, 22, 16, 11, 7.5};
    files::PODBOR.add();
    OBR = ObrgidroRecord();
    OBR.NUMMER = 1, OBR.PLOT = 2.38, OBR.WOD = 2.4;
    files::OBRGIDRO.add();
    files::GUR.begin();
    for (int i = 0; i < records; ++i) {
        GUR = GurRecord();
        GUR.REZNUM = 1;
        GUR.DATE = dates::fromYmd(2020, 1, 1) + i / 5;
        GUR.R20 = 3.0 + 0.3 * std::sin(i * 0.37);
        GUR.R50 = 1.15 + 0.15 * std::cos(i * 0.11);
        GUR.R0 = 9.5, GUR.R_RASCOL = 4.2, GUR.TGFI = 0.86, GUR.C50 = 0.41, GUR.KWOD = 0.9, GUR.KDLIT = 0.84;
        files::GUR.add();
    }
    files::GUR.commit();
}

double ms(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

void pageDown(QWidget *target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// Median page down of the journal list, `rounds` windows of `pages` pages each.
double journalPaging(bool withVerdict, int rounds, int pages)
{
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        BrowseDeclaration d = BROWSEREZGURDeclaration();
        if (!withVerdict) {
            d.columns.pop_back();
            d.liveCaption = {};
        }
        auto *w = new BrowseWindow(std::move(d));
        w->resize(1000, 500);
        w->show();
        QCoreApplication::sendPostedEvents();
        auto *list = w->findChild<QTableView *>(QStringLiteral("BROWSE_1"));
        list->setFocus();
        for (int i = 0; i < pages; ++i) {
            QElapsedTimer t;
            t.start();
            pageDown(list);
            QCoreApplication::sendPostedEvents();
            w->repaint();
            times.push_back(ms(t));
        }
        delete w;
    }
    return median(times);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    QTemporaryDir temp;
    const QString dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    setDataDirectory(dir);
    glob::resetGlobals();
    registerProgramProcedures();
    glob::DKZ = QStringLiteral("II");
    QElapsedTimer seeding;
    seeding.start();
    seed(records);
    std::printf("seeded %d test records of recipe 1 in %.0f ms\n", records, ms(seeding));

    std::vector<double> opens, builds, switches;
    for (int round = 0; round < 7; ++round) {
        POD = PodborRecord();
        POD.NUM = 1;
        QElapsedTimer t;
        t.start();
        QWidget *w = PROPERTYTRENDS();
        w->show();
        QCoreApplication::sendPostedEvents();
        w->repaint();
        opens.push_back(ms(t));
        auto *property = w->findChild<QComboBox *>(QStringLiteral("PROPERTY"));
        t.restart();
        property->setCurrentIndex(1);
        w->repaint();
        switches.push_back(ms(t));
        delete w;

        t.restart();
        const quality::TrendView v = quality::buildTrendView(1, quality::Trend::R20, 0, 0, false, QStringLiteral("II"));
        const ReportBand chart = lab::controlChartBand(v.series, v.norm, 2, QStringLiteral("R20"), QSizeF(180, 120));
        builds.push_back(ms(t));
        if (v.series.front().values.size() != std::size_t(records) || chart.items.empty())
            std::fprintf(stderr, "unexpected chart: %zu values\n", v.series.front().values.size());
    }
    std::printf("Динамика показателей, %d values (median wall time)\n", records);
    std::printf("%-44s %8.1f ms (of %zu)\n", "open the window: chart, statistics, paint", median(opens), opens.size());
    std::printf("%-44s %8.1f ms (of %zu)\n", "read, statistics and chart alone", median(builds), builds.size());
    std::printf("%-44s %8.1f ms (of %zu)\n", "switch the property (R50)", median(switches), switches.size());

    glob::NUMMER = 1;
    const double without = journalPaging(false, 5, 8);
    const double with = journalPaging(true, 5, 8);
    std::printf("journal BROWSEREZGUR, page down incl. repaint (median of 40)\n");
    std::printf("%-44s %8.2f ms\n", "without the column \"Соответствие\"", without);
    std::printf("%-44s %8.2f ms\n", "with the column \"Соответствие\"", with);
    std::printf("peak memory: %ld KiB\n", peakKiB());
    return 0;
}
