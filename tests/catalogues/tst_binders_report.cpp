#include "framework/procedures_ui.h"
#include "catalogues/binders_report.h"
#include "catalogues/binders_report_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/report_preview_window.h"
#include "framework/reportprogress_window.h"
#include "support/printout_check.h"
#include "support/workdir.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

struct Binder {
    double num;
    const char *grade;
    int p25, p0;
    double tr, txr;
    int d25, d0, prtr;
};

// Grades with their indices; the third has a negative Fraass point and softening change.
const Binder kBinders[] = {
    {1, "БНД 90/130", 112, 32, 45.5, -18.5, 80, 5, 6},
    {2, "БНД 60/90", 75, 22, 48.0, -15.0, 60, 4, 5},
    {3, "БН 200/300", 250, 45, 36.2, -22.3, 99, 0, -7},
};

void storeBinders(const std::vector<Binder> &binders)
{
    removeDataFile(files::BITUMEN);
    FileUse use(files::BITUMEN);
    QVERIFY(use.ok());
    QVERIFY(files::BITUMEN.begin() == FileError::None);
    for (const Binder &b : binders) {
        BIT = BitumenRecord();
        BIT.NUMBIT = b.num;
        BIT.MARBIT = QString::fromUtf8(b.grade);
        for (StoreResult r : {BIT.P25.set(b.p25), BIT.P0.set(b.p0), BIT.TR.set(b.tr), BIT.TXR.set(b.txr),
                              BIT.D25.set(b.d25), BIT.D0.set(b.d0), BIT.PRTR.set(b.prtr)})
            QCOMPARE(r, StoreResult::Ok);
        QCOMPARE(files::BITUMEN.add(), FileError::None);
    }
    QVERIFY(files::BITUMEN.commit() == FileError::None);
}

} // namespace

class TestBindersReport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<QPointer<QWidget>> m_shown;

    // Runs PROTBIT as the frame would and returns its preview (or nullptr).
    ReportPreviewWindow *runProtocol()
    {
        m_shown.clear();
        return startProcedure(QStringLiteral("PROTBIT")) ? awaitShown<ReportPreviewWindow>(m_shown, {}, 60000) : nullptr;
    }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([](std::shared_ptr<const ReportDocument>) {});
        registerReportProcedures();
    }

    // The lines drawn: number, grade and the seven indices with their signs, in the file's
    // physical order (not by grade), under the title, the captions and with the page number.
    void protocolPage()
    {
        storeBinders({kBinders[1], kBinders[0], kBinders[2]});
        ReportPreviewWindow *preview = runProtocol();
        QVERIFY(preview);
        QCOMPARE(preview->IMAGECOUNT, 1);
        const QStringList texts = preview->document().page(0).texts();
        const QStringList expected = QStringLiteral("2|БНД 60/90|75|22|48,0|-15,0|60|4|5|1|БНД 90/130|112|32|45,5|-18,5|80|5|6|"
                                                    "3|БН 200/300|250|45|36,2|-22,3|99|0|-7|Page 1").split(QLatin1Char('|'));
        QCOMPARE(texts.mid(9), expected); // under the title and eight captions
        QCOMPARE(glob::GLOBALRESPONSE, LONG(0)); // cleared while the procedure runs
        {
            const QStringList faults = printout::faults(*preview, m_dir.path());
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        }
        preview->exitWithoutPrinting();
        QTRY_COMPARE(files::BITUMEN.USED, 0);
        QCOMPARE(glob::GLOBALRESPONSE, LONG(glob::RequestCompleted));
    }

    // Extreme values keep their signs and decimals; the longest grade is printed whole.
    void extremeValues()
    {
        storeBinders({{999, "Дорожный-битум-БНД90", -999, 999, -99.9, 99.9, 0, -1, -999}});
        ReportPreviewWindow *preview = runProtocol();
        QVERIFY(preview);
        const QStringList line = preview->document().page(0).texts().mid(9, 9);
        QCOMPARE(line, QStringLiteral("999|Дорожный-битум-БНД90|-999|999|-99,9|99,9|0|-1|-999").split(QLatin1Char('|')));
        {
            const QStringList faults = printout::faults(*preview, m_dir.path());
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        }
        preview->exitWithoutPrinting();
    }

};

QTEST_MAIN(TestBindersReport)
#include "tst_binders_report.moc"
