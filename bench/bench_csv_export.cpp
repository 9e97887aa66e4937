// "Экспорт в CSV..." benchmark: the crushed-stone list BROUSESPLIT over a large file.
//
//   QT_QPA_PLATFORM=offscreen build/bench_csv_export [RECORDS] [DIR]   (default 100000 in /tmp/asphalt-bench-csv)
//
// Generates the file once (kept for later runs), then exports the list three times, in the name
// order, with the event loop turning between pages as in the program, and reports the median
// wall time, the rate, the file's size and the peak memory.
#include "bench_util.h"
#include "catalogues/aggregates_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/list_window.h"
#include "framework/procedures_ui.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <random>
#include <time.h>

namespace {

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void generate(qint64 records)
{
    std::mt19937 rnd(7);
    files::SPLIT.begin();
    for (qint64 i = 0; i < records; ++i) {
        SPL = SplitRecord();
        SPL.NUM = LONG(i + 1);
        SPL.NAIMEN.set(QStringLiteral("Щебень %1 5-20").arg(rnd() % 1000000));
        SPL.MARKA = LONG(800 + 200 * (rnd() % 5));
        SPL.PLOTN = 2.6 + (rnd() % 20) / 100.0;
        SPL.LEZHAD = (rnd() % 200) / 10.0;
        for (int s = 0; s < 11; ++s)
            SPL.ZRN[std::size_t(s)] = 100.0 - s * 9;
        files::SPLIT.add();
        if (i % 100000 == 99999) {
            files::SPLIT.commit();
            files::SPLIT.begin();
        }
    }
    files::SPLIT.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100000;
    const QString dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/tmp/asphalt-bench-csv");
    QDir().mkpath(dir);
    setDataDirectory(dir);
    glob::resetGlobals();
    if (files::SPLIT.open() != FileError::None) {
        files::SPLIT.create();
        files::SPLIT.open();
    }
    if (files::SPLIT.recordCount() != records) {
        files::SPLIT.close();
        QFile::remove(files::SPLIT.diskName());
        files::SPLIT.create();
        files::SPLIT.open();
        std::fprintf(stderr, "generating %lld records...\n", static_cast<long long>(records));
        generate(records);
    }
    files::SPLIT.close();
    setWindowHost([](QWidget *w) { w->show(); }); // the progress window, on its own

    BrowseWindow *w = BROUSESPLIT();
    w->show();
    QCoreApplication::processEvents();
    const long before = peakKiB();
    const QString path = QDir(dir).filePath(QStringLiteral("Щебень.csv"));
    std::vector<double> times, cpu;
    bool ok = true;
    for (int round = 0; round < 3 && ok; ++round) {
        bool finished = false;
        auto c = QObject::connect(w, &BrowseWindow::csvExportFinished, [&](bool written) {
            finished = true;
            ok = written;
        });
        QElapsedTimer t;
        t.start();
        const double c0 = cpuMs();
        w->exportCsv(path);
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        times.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - c0);
        QObject::disconnect(c);
    }
    if (!ok) {
        std::printf("export failed\n");
        return 1;
    }
    // The same records read alone, without columns or file, for comparison.
    std::vector<double> reads, readsCpu;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        const double c0 = cpuMs();
        files::SPLIT.setOrder(files::key::SPL_KEYNAME);
        qint64 n = 0;
        while (files::SPLIT.next() == FileError::None)
            ++n;
        reads.push_back(t.nsecsElapsed() / 1e6);
        readsCpu.push_back(cpuMs() - c0);
        if (n != records)
            ok = false;
    }
    const double ms = median(times);
    std::printf("SPLIT with %lld records, list BROUSESPLIT (11 columns), export to CSV\n",
                static_cast<long long>(records));
    std::printf("%-34s %8.0f ms wall, %6.0f ms CPU (median of %zu), %.0f records/s\n", "export, name order", ms,
                median(cpu), times.size(), ms > 0 ? records / (ms / 1000.0) : 0.0);
    std::printf("%-34s %8.0f ms wall, %6.0f ms CPU (median of %zu)\n", "reading the records alone", median(reads),
                median(readsCpu), reads.size());
    std::printf("file: %lld bytes\n", static_cast<long long>(QFileInfo(path).size()));
    std::printf("peak memory: %ld KiB (before the exports: %ld KiB)\n", peakKiB(), before);
    delete w;
    return 0;
}
