// List-window benchmark: BROUSENORMA1 over a large requirement-band file.
//
//   QT_QPA_PLATFORM=offscreen build/bench_browse [RECORDS] [DIR]   (default 1000000 in /tmp/asphalt-bench-norma)
//
// Generates the file once (kept for later runs), then reports the median wall time of each
// user action including the repaint: opening the window (with its step table), page down,
// dragging the thumb to the middle, typing a letter; and the peak memory.
#include "bench_util.h"
#include "catalogues/grading_requirements_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/list_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <random>
#include <sys/resource.h>

namespace {



void generate(qint64 records)
{
    std::mt19937 rnd(3);
    const QString letters = QStringLiteral("АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЭЮЯ");
    files::NORMA.begin();
    for (qint64 i = 0; i < records; ++i) {
        NOR = NormaRecord();
        NOR.NUM = double(i);
        QString type = QStringLiteral("тип ") + letters[int(rnd() % letters.size())] + QLatin1Char('-');
        type += QString::number(rnd() % 100000);
        NOR.TYPASPH.set(type);
        for (int s = 0; s < 11; ++s) {
            NOR.DNORM2[s][0] = 100.0 - s * 9;
            NOR.DNORM2[s][1] = 100.0 - s * 6;
        }
        files::NORMA.add();
        if (i % 100000 == 99999) {
            files::NORMA.commit();
            files::NORMA.begin();
        }
    }
    files::NORMA.commit();
}

double timed(BrowseWindow *w, const std::function<void()> &action)
{
    QElapsedTimer t;
    t.start();
    action();
    QCoreApplication::sendPostedEvents();
    w->repaint();
    return t.nsecsElapsed() / 1e6;
}

void key(QWidget *target, int k, const QString &text = {}, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, k, m, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, k, m, text);
    QApplication::sendEvent(target, &release);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QString dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/tmp/asphalt-bench-norma");
    QDir().mkpath(dir);
    setDataDirectory(dir);
    glob::resetGlobals();
    if (files::NORMA.open() != FileError::None) {
        files::NORMA.create();
        files::NORMA.open();
    }
    if (files::NORMA.recordCount() != records) {
        files::NORMA.close();
        QFile::remove(files::NORMA.diskName());
        files::NORMA.create();
        files::NORMA.open();
        std::fprintf(stderr, "generating %lld records...\n", static_cast<long long>(records));
        generate(records);
    }
    files::NORMA.close();
    long before = peakKiB();

    std::vector<double> opens, pages, drags, letters;
    std::mt19937 rnd(5);
    const QString typed = QStringLiteral("АБВГДКМПСТ");
    for (int round = 0; round < 15; ++round) {
        BrowseWindow *w = nullptr;
        QElapsedTimer openTimer;
        openTimer.start();
        {
            w = BROUSENORMA1();
            w->resize(900, 500);
            w->show();
            QCoreApplication::sendPostedEvents();
            w->repaint();
        }
        opens.push_back(openTimer.nsecsElapsed() / 1e6);
        auto *list = w->findChild<QTableView *>(QStringLiteral("BROWSE_1"));
        auto *bar = w->findChild<QScrollBar *>(QStringLiteral("BROWSE_1_THUMB"));
        list->setFocus();
        for (int i = 0; i < 5; ++i)
            pages.push_back(timed(w, [&] { key(list, Qt::Key_PageDown); }));
        drags.push_back(timed(w, [&] {
            bar->setSliderDown(true);
            bar->setSliderPosition(50);
            bar->setSliderDown(false);
        }));
        QString c(typed[int(rnd() % typed.size())]);
        letters.push_back(timed(w, [&] { key(list, Qt::Key_unknown, c); }));
        delete w;
    }
    std::printf("NORMA with %lld records, list window BROUSENORMA1 (median wall time incl. repaint)\n",
                static_cast<long long>(records));
    std::printf("%-34s %8.2f ms (of %zu)\n", "open with step table", median(opens), opens.size());
    std::printf("%-34s %8.2f ms (of %zu)\n", "page down", median(pages), pages.size());
    std::printf("%-34s %8.2f ms (of %zu)\n", "thumb drag to the middle", median(drags), drags.size());
    std::printf("%-34s %8.2f ms (of %zu)\n", "type a letter", median(letters), letters.size());
    std::printf("peak memory: %ld KiB (before opening the windows: %ld KiB)\n", peakKiB(), before);
    return 0;
}
