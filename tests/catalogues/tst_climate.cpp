// The climate regions: the printed list PROT_REG.
#include "support/fake_sink.h"
#include "support/printout_check.h"
#include "support/workdir.h"
#include "support/window_helpers.h"
#include "framework/procedures_ui.h"
#include "catalogues/climate_ui.h"
#include "catalogues/climate_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/report_preview_window.h"
#include "framework/reportprogress_window.h"
#include "framework/warnings.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestClimate : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<QPointer<QWidget>> m_shown;
    FakeSink m_sink;

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([](std::shared_ptr<const ReportDocument>) {});
        registerClimateProcedures();
    }

    // "Список" of the list prints every region in name order over numbered pages.
    void printedListPages()
    {
        removeDataFile(files::USLOV);
        {
            FileUse use(files::USLOV);
            const char *zones[] = {"I", "II", "III", "IV", "V"};
            for (int i = 0; i < 60; ++i) { // stored from "Город 59" down to "Город 00"
                USL = UslovRecord();
                USL.REGION = QStringLiteral("Город %1").arg(59 - i, 2, 10, QLatin1Char('0'));
                USL.DKZ = QString::fromLatin1(zones[i % 5]);
                USL.TMAX = double(30 + i % 10);
                USL.TMIN = double(-10 - i);
                QCOMPARE(files::USLOV.add(), FileError::None);
            }
        }
        BrowseWindow *list = shownList(REG());
        QVERIFY(list);
        m_shown.clear();
        list->findChild<QPushButton *>(QStringLiteral("LIST"))->click();
        auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
        QVERIFY(preview);
        const int pages = preview->IMAGECOUNT;
        QVERIFY(pages >= 2);
        QStringList lines;
        for (int p = 0; p < pages; ++p) {
            const QStringList t = preview->document().page(p).texts();
            QCOMPARE(t.last(), QStringLiteral("Page %1").arg(p + 1));
            const QStringList body = t.mid(5, t.size() - 6);
            QCOMPARE(body.size() % 4, 0);
            for (int i = 0; i < body.size(); i += 4)
                lines << body.mid(i, 4).join(QLatin1Char('|'));
        }
        QCOMPARE(lines.size(), 60);
        // "Город 00" was stored last: name order, and its own values (i = 59).
        QCOMPARE(lines.first(), QStringLiteral("Город 00|V|-69|39"));
        QCOMPARE(lines.at(1), QStringLiteral("Город 01|IV|-68|38"));
        QCOMPARE(lines.last(), QStringLiteral("Город 59|I|-10|30"));
        {
            const QStringList faults = printout::faults(*preview, m_dir.path());
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        }
        preview->exitWithoutPrinting();
        QTRY_COMPARE(files::USLOV.USED, 1); // the list still holds it
        delete list;
        QCOMPARE(files::USLOV.USED, 0);
    }


    // A region's name and zone as long as the form takes them (15 and 3 letters) print whole.
    void longestTextsFitTheirBoxes()
    {
        removeDataFile(files::USLOV);
        const QString name = printout::longest(15), zone = printout::longest(3, QChar(0x0416));
        {
            FileUse use(files::USLOV);
            USL = UslovRecord(), USL.REGION = name, USL.DKZ = zone, USL.TMIN = -99, USL.TMAX = 99;
            QCOMPARE(files::USLOV.add(), FileError::None);
        }
        BrowseWindow *list = shownList(REG());
        QVERIFY(list);
        m_shown.clear();
        list->findChild<QPushButton *>(QStringLiteral("LIST"))->click();
        auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
        QVERIFY(preview);
        const QStringList faults = printout::faults(*preview, m_dir.path(), {name, zone});
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        preview->exitWithoutPrinting();
        delete list;
    }
};

QTEST_MAIN(TestClimate)
#include "tst_climate.moc"
