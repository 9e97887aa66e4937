// Storage benchmark: reading pages of 20 crushed-stone records from a large file, on both drivers.
//
//   build/bench_storage [RECORDS] [DIR]     (default 1000000 records in /tmp/asphalt-bench)
//
// Generates the SQLite file once (kept in DIR for later runs), then reports medians of: opening
// the file on a new connection, one page forward from the start of a random key value, one page
// backward, in the name order and the number order, and the process's peak memory. Then the same
// on PostgreSQL over a Unix socket: the working directory is copied into a throw-away server
// started for the run, its commits waiting for the disk as a laboratory server's do (or into the
// empty database of ASPHALT_BENCH_PG, a libpq connection string), the copy timed as
// `asphalt --copy-to` does it. Both parts also time a record saved with and without its history
// entry, and the SQLite part a backup of the directory.
#include "bench_util.h"
#include "data/backup.h"
#include "data/files.h"
#include "data/history.h"
#include "data/storage.h"
#include "support/pgserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <sys/resource.h>

namespace {



void generate(qint64 records)
{
    std::mt19937 rnd(7);
    std::uniform_int_distribution<int> digit(0, 9);
    const QStringList kinds{QStringLiteral("Щебень гранитный"), QStringLiteral("Щебень известняковый"),
                            QStringLiteral("Гравий"), QStringLiteral("Щебень габбро-диабаз")};
    history::setRecording(false); // the records only: a file as large as a laboratory's, not its history
    files::SPLIT.begin();
    for (qint64 i = 0; i < records; ++i) {
        SPL = SplitRecord();
        SPL.NUM = LONG(rnd() % 1000000);
        QString name = kinds[int(rnd() % kinds.size())] + QLatin1Char(' ');
        for (int d = 0; d < 3; ++d)
            name += QChar(u'0' + digit(rnd));
        SPL.NAIMEN.set(name);
        SPL.PLOTN = 2.6 + (rnd() % 100) / 1000.0;
        for (int s = 0; s < 11; ++s)
            SPL.ZRN[s] = 100.0 - s * 9;
        if (files::SPLIT.add() != FileError::None) {
            std::fprintf(stderr, "add failed: %s\n", qPrintable(currentError().driverMessage));
            std::exit(1);
        }
        if (i % 100000 == 99999) {
            files::SPLIT.commit();
            files::SPLIT.begin();
            std::fprintf(stderr, "  %lld records\n", static_cast<long long>(i + 1));
        }
    }
    files::SPLIT.commit();
    history::setRecording(true);
}

double timePage(int order, bool forward, bool fromValue, std::mt19937 &rnd)
{
    files::SPLIT.setOrder(order);
    if (fromValue) {
        SPL.NUM = LONG(rnd() % 1000000);
        SPL.NAIMEN.set(QStringLiteral("Щебень гранитный %1").arg(rnd() % 1000));
    }
    QElapsedTimer t;
    t.start();
    if (fromValue)
        files::SPLIT.setToKeyValue();
    else if (forward)
        files::SPLIT.setToStart();
    else
        files::SPLIT.setToEnd();
    for (int i = 0; i < 20; ++i)
        if ((forward ? files::SPLIT.next() : files::SPLIT.previous()) != FileError::None)
            break;
    return t.nsecsElapsed() / 1e6;
}

void measure();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QString dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/tmp/asphalt-bench");
    QDir().mkpath(dir);
    setDataDirectory(dir);
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
    long afterGenerate = peakKiB();
    std::printf("SQLite\n");
    measure();
    std::printf("peak memory: %ld KiB (after generating/checking the file: %ld KiB)\n", peakKiB(), afterGenerate);
    {
        const QString copies = QDir(dir).filePath(QStringLiteral("bench-backups"));
        QElapsedTimer t;
        t.start();
        QString made, error;
        if (!writeBackup(dir, copies, &made, &error))
            std::fprintf(stderr, "backup failed: %s\n", qPrintable(error));
        std::printf("backup of the directory (manifest, checksums): %.1f s (target: 1000000 records in under 30 s)\n", t.elapsed() / 1000.0);
        QDir(copies).removeRecursively();
    }

    PgTestServer server;
    QString connection = qEnvironmentVariable("ASPHALT_BENCH_PG");
    if (connection.isEmpty()) {
        QString error;
        if (!server.start(&error, true)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        connection = server.connection();
    }
    QElapsedTimer copying;
    copying.start();
    QString error;
    std::vector<CopyCount> counts;
    if (!copyToServer(connection, dir, &counts, &error)) {
        std::fprintf(stderr, "copy failed: %s\n", qPrintable(error));
        return 1;
    }
    const double copyMs = copying.elapsed();
    const QString pgDir = QDir(dir).filePath(QStringLiteral("pg"));
    QDir().mkpath(pgDir);
    QFile ini(databaseIniPath(pgDir));
    ini.open(QIODevice::WriteOnly);
    ini.write("connection = " + connection.toUtf8() + "\n");
    ini.close();
    setDataDirectory(pgDir);
    qint64 copied = 0;
    for (auto &c : counts) copied += c.records;
    std::printf("\ncopy to the server (--copy-to): %lld records in %.1f s (target: 1000000 in at most 10 s)\n",
                static_cast<long long>(copied), copyMs / 1000);
    std::printf("\nPostgreSQL over a Unix socket\n");
    measure();
    return 0;
}

namespace {
void measure()
{
    std::vector<double> opens;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer t;
        t.start();
        files::SPLIT.open();
        opens.push_back(t.nsecsElapsed() / 1e6);
        files::SPLIT.close();
    }
    files::SPLIT.open();
    std::mt19937 rnd(11);
    struct Case { const char *name; int order; bool forward; bool fromValue; };
    const Case cases[] = {
        {"name order, first page forward", files::key::SPL_KEYNAME, true, false},
        {"name order, last page backward", files::key::SPL_KEYNAME, false, false},
        {"name order, page from a key value", files::key::SPL_KEYNAME, true, true},
        {"name order, page back from a key value", files::key::SPL_KEYNAME, false, true},
        {"number order, first page forward", files::key::SPL_KEYNUM, true, false},
        {"number order, last page backward", files::key::SPL_KEYNUM, false, false},
        {"number order, page from a key value", files::key::SPL_KEYNUM, true, true},
        {"number order, page back from a key value", files::key::SPL_KEYNUM, false, true},
    };
    std::printf("SPLIT with %lld records\n", static_cast<long long>(files::SPLIT.recordCount()));
    std::printf("%-44s %8.3f ms (median of %zu)\n", "open on a new connection", median(opens), opens.size());
    for (auto &c : cases) {
        std::vector<double> ms;
        for (int i = 0; i < 301; ++i)
            ms.push_back(timePage(c.order, c.forward, c.fromValue, rnd));
        std::printf("%-44s %8.3f ms (median of %zu)\n", c.name, median(ms), ms.size());
    }
    // Records saved (put) with their history entries and without, alternately, spread over the
    // file; then records added and deleted again the same way.
    const qint64 count = files::SPLIT.recordCount();
    std::map<QString, std::vector<double>> ms;
    auto timed = [&](const char *what, bool recorded, const std::function<void()> &write) {
        history::setRecording(recorded);
        QElapsedTimer t;
        t.start();
        write();
        ms[QString::fromLatin1(what) + (recorded ? QStringLiteral(" with") : QStringLiteral(" without"))].push_back(t.nsecsElapsed() / 1e6);
    };
    for (int i = 0; i < 2002; ++i) {
        if (files::SPLIT.fetch(Position{qint64(rnd() % count) + 1}) != FileError::None)
            continue;
        SPL.PLOTN = SPL.PLOTN + 0.001;
        timed("saved", i % 2 == 0, [] { files::SPLIT.put(); });
    }
    for (int i = 0; i < 402; ++i) {
        SPL = SplitRecord();
        SPL.NUM = 9000000 + i;
        timed("added", i % 2 == 0, [] { files::SPLIT.add(); });
        timed("deleted", i % 2 == 0, [] { files::SPLIT.remove(); });
    }
    history::setRecording(true);
    for (const char *what : {"saved", "added", "deleted"}) {
        const auto &without = ms[QString::fromLatin1(what) + QStringLiteral(" without")], &with = ms[QString::fromLatin1(what) + QStringLiteral(" with")];
        std::printf("record %-9s without its history entry %9.3f ms (median of %zu)\n", what, median(without), without.size());
        std::printf("record %-9s with its history entry %12.3f ms (median of %zu; %+.0f %%%s)\n", what, median(with), with.size(),
                    (median(with) / median(without) - 1) * 100, std::strcmp(what, "saved") ? "" : ", target at most +20 %");
    }
    files::SPLIT.close();
}
} // namespace
