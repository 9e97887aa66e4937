// Binder protocol benchmark: PROTBIT over many generated binders.
//
//   QT_QPA_PLATFORM=offscreen build/bench_binders_report [RECORDS]     (default 10000)
//
// Generates the binders in a temporary directory, runs PROTBIT as the frame does (progress
// window, timer-driven chunks) and reports the time until the preview is ready, the time to
// write the whole protocol as a PDF, the pages, and the process's peak memory.
#include "bench_util.h"
#include "framework/procedures_ui.h"
#include "catalogues/binders_report_window.h"
#include "data/files.h"
#include "framework/fileservices.h"
#include "framework/reportpaint_ui.h"
#include "framework/report_preview_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <random>
#include <sys/resource.h>

namespace {


void generate(int records)
{
    std::mt19937 rnd(11);
    std::uniform_int_distribution<int> pen(40, 300), low(10, 60), duct(0, 120);
    std::uniform_int_distribution<int> soft(350, 600), fraass(-300, -50);
    const QStringList grades{QStringLiteral("БНД 40/60"), QStringLiteral("БНД 60/90"), QStringLiteral("БНД 90/130"),
                             QStringLiteral("БН 200/300"), QStringLiteral("ПБВ 60")};
    FileUse use(files::BITUMEN);
    files::BITUMEN.begin();
    for (int i = 0; i < records; ++i) {
        BIT = BitumenRecord();
        BIT.NUMBIT = i + 1;
        BIT.MARBIT = grades[i % grades.size()] + QStringLiteral(" №%1").arg(i + 1);
        BIT.P25.set(pen(rnd));
        BIT.P0.set(low(rnd));
        BIT.TR.set(soft(rnd) / 10.0);
        BIT.TXR.set(fraass(rnd) / 10.0);
        BIT.D25.set(duct(rnd));
        BIT.D0.set(duct(rnd) / 10);
        BIT.PRTR.set(low(rnd) / 10 - 3);
        files::BITUMEN.add();
    }
    files::BITUMEN.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    QTemporaryDir dir;
    setDataDirectory(dir.path());
    QElapsedTimer clock;
    clock.start();
    generate(records);
    std::printf("generated %d binders in %.0f ms (%lld bytes)\n", records, double(clock.elapsed()),
                QFileInfo(files::BITUMEN.diskName()).size());
    const long before = peakKiB();

    QPointer<ReportPreviewWindow> preview;
    setWindowHost([&preview](QWidget *w) {
        w->setAttribute(Qt::WA_DeleteOnClose);
        if (auto *p = qobject_cast<ReportPreviewWindow *>(w))
            preview = p;
        w->show();
    });
    registerReportProcedures();
    clock.restart();
    startProcedure(QStringLiteral("PROTBIT"));
    // Keep an eye on responsiveness: the longest gap between two turns of the event loop.
    qint64 longestGap = 0, last = 0;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - last);
        last = now;
    });
    watch.start();
    while (!preview)
        app.processEvents(QEventLoop::AllEvents, 50);
    watch.stop();
    const double toPreview = clock.nsecsElapsed() / 1e6;
    QApplication::processEvents(); // the preview paints its first thumbnail
    const double toPainted = clock.nsecsElapsed() / 1e6;

    clock.restart();
    const QString pdf = dir.filePath(QStringLiteral("binders_report.pdf"));
    const bool written = preview->saveAsPdf(pdf);
    const double toPdf = clock.nsecsElapsed() / 1e6;

    std::printf("preview ready:   %.0f ms (%d pages; first page shown at %.0f ms)\n", toPreview,
                int(preview->IMAGECOUNT), toPainted);
    std::printf("longest event-loop gap while generating: %.1f ms\n", longestGap / 1e6);
    std::printf("PDF written:     %.0f ms (%s, %lld bytes)\n", toPdf, written ? "ok" : "FAILED",
                QFileInfo(pdf).size());
    std::printf("peak memory:     %ld KiB (before the report %ld KiB)\n", peakKiB(), before);
    preview->exitWithoutPrinting();
    QApplication::processEvents();
    return written ? 0 : 1;
}
