#include "framework/procedures_ui.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/printer_ui.h"
#include "framework/report_engine.h"
#include "framework/reportpaint_ui.h"
#include "framework/report_preview_window.h"
#include "framework/reportprogress_window.h"
#include "support/fake_sink.h"
#include "support/workdir.h"
#include "support/pdf_text.h"
#include "support/window_helpers.h"

#include <QApplication>
#include <QBuffer>
#include <QFileDialog>
#include <QLineEdit>
#include <QFileInfo>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// A small page: 100 mm high, margins 10, header 10, footer 10, so six 10 mm rows a page.
ReportDocument::Layout smallLayout()
{
    ReportDocument::Layout l;
    l.pageMm = QSizeF(100, 100);
    l.topMm = 10;
    l.bottomMm = 10;
    l.leftMm = 5;
    l.pageHeader = [] {
        ReportBand b;
        b.heightMm = 10;
        b.text(0, 90, QStringLiteral("Заголовок"), Qt::AlignCenter);
        return b;
    };
    l.pageFooter = [](int page) {
        ReportBand b;
        b.heightMm = 10;
        b.text(0, 90, QStringLiteral("Page ") + QString::number(page), Qt::AlignRight);
        return b;
    };
    return l;
}

ReportBand gradeLine()
{
    ReportBand b;
    b.heightMm = 10;
    b.text(0, 50, BIT.MARBIT.text(), Qt::AlignLeft);
    return b;
}

// A document of `pages` pages of the small layout.
std::shared_ptr<ReportDocument> documentOf(int pages)
{
    auto doc = std::make_shared<ReportDocument>(smallLayout());
    for (int i = 0; i < pages * 6; ++i) {
        BIT.MARBIT = QStringLiteral("БНД %1").arg(i + 1);
        doc->printDetail(gradeLine());
    }
    doc->finish();
    return doc;
}

void fillBinders(int count)
{
    removeDataFile(files::BITUMEN);
    FileUse use(files::BITUMEN);
    QVERIFY(use.ok());
    QVERIFY(files::BITUMEN.begin() == FileError::None);
    for (int i = 0; i < count; ++i) {
        BIT = BitumenRecord();
        BIT.NUMBIT = i + 1;
        BIT.MARBIT = QStringLiteral("БНД %1").arg(i + 1);
        QCOMPARE(files::BITUMEN.add(), FileError::None);
    }
    QVERIFY(files::BITUMEN.commit() == FileError::None);
}

ReportDefinition gradeReport(std::function<bool()> filter = {})
{
    ReportDefinition def;
    def.run.file = &files::BITUMEN;
    def.run.basis = ProgressBasis::Records;
    def.run.filter = std::move(filter);
    def.layout = smallLayout();
    def.detail = &gradeLine;
    return def;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;
    QList<QPointer<QWidget>> m_shown;
    int m_printed = 0;

    ReportPreviewWindow *shownPreview() const
    {
        for (const auto &w : m_shown)
            if (auto *p = qobject_cast<ReportPreviewWindow *>(w.data()))
                return p;
        return nullptr;
    }
    // Starts a report and waits until it has returned or shows its preview.
    LONG runReport(ReportDefinition def, bool *returned)
    {
        auto response = std::make_shared<LONG>(0);
        *returned = false;
        showInFrame(ReportProcedure::start(std::move(def), [response, returned](LONG r) {
            *response = r;
            *returned = true;
        }));
        if (!QTest::qWaitFor([&] { return *returned || shownPreview(); }, 20000))
            qWarning("the report neither returned nor previewed");
        return *response;
    }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([this](std::shared_ptr<const ReportDocument>) { ++m_printed; });
    }
    void init()
    {
        for (auto &w : m_shown)
            if (w)
                w->close();
        m_shown.clear();
        m_sink.clear();
        m_printed = 0;
        glob::resetGlobals();
    }

    // The percentage follows the whole-number ratio and never passes 100, even when the
    // estimate is too small; a change is signalled only with the whole percentage.
    void progressPercentage()
    {
        // An estimate too small; bytes beyond the file size; an empty total.
        for (auto [total, steps, amount, finalPercent, expectedChanges] : {std::tuple{500, 700, 1, 100, 100}, {1000, 30, 70, 100, 15},
                                                                          {0, 3, 1, 100, 1}}) {
            ReportProgress p;
            p.RECORDSTOPROCESS = total;
            int changes = 0, highest = 0;
            for (int i = 0; i < steps; ++i) {
                changes += p.advance(amount);
                highest = std::max<int>(highest, p.PERCENTPROGRESS);
            }
            QCOMPARE(int(p.PERCENTPROGRESS), finalPercent);
            QCOMPARE(changes, expectedChanges);
            QVERIFY(highest <= 100);
        }
    }

    // A band that ends its page gives one page per record, each with its header and footer; a
    // break on a page that holds no detail yet adds no empty page.
    void pageBreaks()
    {
        ReportDocument doc(smallLayout());
        doc.pageBreak();
        for (int i = 0; i < 3; ++i) {
            BIT.MARBIT = QStringLiteral("Ф%1").arg(i + 1);
            ReportBand band = gradeLine();
            band.pageBreakAfter = true;
            doc.printDetail(band);
            doc.pageBreak();
        }
        doc.printDetail(gradeLine());
        doc.finish();
        QCOMPARE(doc.pageCount(), 4);
        for (int p = 0; p < 3; ++p)
            QCOMPARE(doc.page(p).texts(), (QStringList{QStringLiteral("Заголовок"), QStringLiteral("Ф%1").arg(p + 1),
                                                       QStringLiteral("Page %1").arg(p + 1)}));
    }

    // A declared table: title, captions (none over a column without one) parted by rules at the
    // inner column edges, cells inset on the side they align to, values through pictures, a
    // rule under each row and pages numbered under a rule as wide as the table.
    void tableDeclaration()
    {
        using namespace reportalign;
        ReportTable table;
        table.title = QStringLiteral("Список");
        table.columns = {
            {QString(), 10, kRight, pictureNumber("n4", [] { return double(BIT.NUMBIT); })},
            {QStringLiteral("Марка"), 30, kLeft, pictureText("s5", [] { return BIT.MARBIT.text(); }), 2},
            {QStringLiteral("Зона"), 20, kCenter, [] { return QStringLiteral("II"); }},
            {QStringLiteral("Тр"), 15, kRight, pictureNumber("n-5.1", [] { return BIT.TR.toDouble(); }), 4},
        };

        const ReportBand header = table.headerBand();
        QCOMPARE(header.heightMm, 20.0);
        std::vector<QRectF> texts, rules;
        for (const ReportItem &item : header.items)
            (item.kind == ReportItem::Text ? texts : rules).push_back(item.rect);
        QCOMPARE(texts, (std::vector<QRectF>{{0, 0, 75, 12}, {10, 12, 30, 8}, {40, 12, 20, 8}, {60, 12, 15, 8}}));
        QCOMPARE(rules, (std::vector<QRectF>{{0, 12, 75, 0}, {0, 20, 75, 0}, {10, 12, 0, 8}, {40, 12, 0, 8}, {60, 12, 0, 8}}));

        BIT.NUMBIT = 12;
        BIT.MARBIT = QStringLiteral("БНД 60/90");
        QCOMPARE(BIT.TR.set(-4.3), StoreResult::Ok);
        const ReportBand row = table.row();
        QCOMPARE(row.heightMm, 5.5);
        QCOMPARE(row.items.size(), std::size_t(5));
        const QStringList cells = {QStringLiteral("12"), QStringLiteral("БНД 6"), QStringLiteral("II"), QStringLiteral("-4,3")};
        const std::vector<QRectF> cellRects = {{0, 0, 8.5, 5.5}, {12, 0, 28, 5.5}, {40, 0, 20, 5.5}, {60, 0, 11, 5.5}};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(row.items[std::size_t(i)].text, cells[i]);
            QCOMPARE(row.items[std::size_t(i)].rect, cellRects[std::size_t(i)]);
        }
        QCOMPARE(row.items[4].rect, QRectF(0, 5.5, 75, 0));

        table.title.clear(); // no title: the captions open the page
        QCOMPARE(table.headerBand().heightMm, 8.0);
        ReportDocument::Layout page;
        page.pageMm = QSizeF(100, 60);
        page.topMm = page.bottomMm = 10;
        ReportDocument doc(table.layout(page));
        for (int i = 0; i < 5; ++i)
            doc.printDetail(table.row());
        doc.finish();
        QCOMPARE(doc.pageCount(), 2); // 60 - 20 margins - 8 header - 8 footer: four rows a page
        QCOMPARE(doc.page(1).texts(), (QStringList{QStringLiteral("Марка"), QStringLiteral("Зона"), QStringLiteral("Тр"),
                                                   cells[0], cells[1], cells[2], cells[3], QStringLiteral("Page 2")}));
        const ReportItem &footerRule = doc.page(1).items.at(doc.page(1).items.size() - 2);
        QCOMPARE(footerRule.rect.width(), 75.0);

        // A group caption over its columns in a tier of its own, ruled under, the columns
        // parted below it only; fixed rows of given texts; the table placed inside a form.
        ReportTable limits;
        limits.headerHeightMm = 10;
        limits.columns = {{"Показатель", 40, kLeft},
                          {"мин.", 15, kRight, {}, 1.5, "Требования"},
                          {"макс.", 15, kRight, {}, 1.5, "Требования"}};
        ReportBand form;
        form.insert(limits.headerBand(), 10, 20);
        texts.clear();
        rules.clear();
        QStringList captions;
        for (const ReportItem &item : form.items) {
            (item.kind == ReportItem::Text ? texts : rules).push_back(item.rect.translated(-10, -20));
            if (item.kind == ReportItem::Text)
                captions << item.text;
        }
        QCOMPARE(captions, (QStringList{"Показатель", "Требования", "мин.", "макс."}));
        QCOMPARE(texts, (std::vector<QRectF>{{0, 0, 40, 10}, {40, 0, 30, 5}, {40, 5, 15, 5}, {55, 5, 15, 5}}));
        QCOMPARE(rules, (std::vector<QRectF>{{0, 0, 70, 0}, {0, 10, 70, 0}, {40, 5, 30, 0}, {40, 0, 0, 10}, {55, 5, 0, 5}}));
        QCOMPARE(ReportPage{limits.rowOf({"Пористость, %", "2.0", "4.5"}).items}.texts(),
                 (QStringList{"Пористость, %", "2.0", "4.5"}));
    }

    // Colours, pen widths and pictures (encoded bytes or a file) reach the painted page; a
    // picture keeps its proportions, centred in its place.
    void paintColoursAndImages()
    {
        auto pictureOf = [](Qt::GlobalColor colour) {
            QImage square(10, 10, QImage::Format_RGB32);
            square.fill(colour);
            return square;
        };
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(pictureOf(Qt::green).save(&buffer, "PNG"));
        const QString file = m_dir.filePath(QStringLiteral("scheme.bmp"));
        QVERIFY(pictureOf(Qt::yellow).save(file));

        ReportBand band;
        band.heightMm = 100;
        band.line(5, 10, 95, 10, 2, 0xff0000);
        band.box(QRectF(10, 20, 30, 20), 1.5, 0x0000ff);
        band.imageData(QRectF(50, 20, 40, 20), png);     // wide place: a 20 mm square in its middle
        band.image(QRectF(10, 50, 20, 20), file);
        band.text(10, 80, QStringLiteral("████"), reportalign::kLeft, 40).rgb = 0xafc43c;
        band.items.back().rect = QRectF(10, 75, 80, 20);
        ReportPage page;
        page.items = band.items;
        const QImage image = renderReportPage(page, QSizeF(100, 100), 100);
        auto at = [&](double xMm, double yMm) { return image.pixelColor(int(xMm / 25.4 * 100), int(yMm / 25.4 * 100)); };
        QCOMPARE(at(50, 10), QColor(Qt::red));
        QCOMPARE(at(10, 30), QColor(Qt::blue));
        QCOMPARE(at(25, 30), QColor(Qt::white));                // a box is not filled
        QCOMPARE(at(70, 30), QColor(Qt::green));
        QCOMPARE(at(55, 30), QColor(Qt::white));                // proportions kept
        QCOMPARE(at(20, 60), QColor(Qt::yellow));
        QCOMPARE(at(15, 85), QColor(175, 196, 60));
    }

    // The loop prints every accepted record once, in physical order, skipping what the filter
    // or the instance refuses; another window reading the same file between ticks changes nothing.
    void runLoop()
    {
        fillBinders(60);
        ReportDocument doc(smallLayout());
        ReportRun::Definition def;
        def.file = &files::BITUMEN;
        def.filter = [] { return int(BIT.NUMBIT) % 2 == 0; };                        // even numbers
        def.validate = [] { return BYTE(int(BIT.NUMBIT) % 10 == 0 ? ReportRun::Skip : ReportRun::Accept); };
        def.printDetail = [&doc](ReportRun &r) {
            if (int(BIT.NUMBIT) == 4)
                r.PRINTSKIPDETAILS = 1;
            if (!r.PRINTSKIPDETAILS)
                doc.printDetail(gradeLine());
        };
        QList<int> percents;
        {
            ReportRun run(def);
            run.RECORDSPERCYCLE = 7;
            run.onProgress = [&](const ReportProgress &p) { percents << p.PERCENTPROGRESS; };
            QVERIFY(run.start());
            QCOMPARE(files::BITUMEN.USED, 1);
            int cycles = 0;
            while (!run.cycle()) {
                ++cycles;
                files::BITUMEN.setOrder(files::key::BIT_KEYBIT); // another window moves the file
                files::BITUMEN.setToStart();
                files::BITUMEN.next();
            }
            QVERIFY(cycles >= 3);
            QCOMPARE(run.progress.RECORDSPROCESSED, 60);
        }
        QCOMPARE(files::BITUMEN.USED, 0);
        doc.finish();
        QStringList printed;
        for (int p = 0; p < doc.pageCount(); ++p)
            printed << doc.page(p).texts().mid(1, doc.page(p).texts().size() - 2);
        QStringList expected;
        for (int n = 2; n <= 60; n += 2)
            if (n % 10 != 0 && n != 4)
                expected << QStringLiteral("БНД %1").arg(n);
        QCOMPARE(printed, expected);
        QCOMPARE(percents.last(), 100);
    }

    // A detail or a validation that reads the report's own file by key (a form reading its
    // settings record from the file it is printed over) moves neither the loop nor the record
    // printed: each record once, in order, and the run ends.
    void detailReadsTheSameFile()
    {
        fillBinders(8);
        QStringList printed, looked;
        ReportRun::Definition def;
        def.file = &files::BITUMEN;
        def.validate = [&looked] {
            if (int(BIT.NUMBIT) == 2) { // looks at another binder before accepting this one
                BIT.MARBIT = QStringLiteral("БНД 7");
                looked << (files::BITUMEN.get(files::key::BIT_KEYBIT) == FileError::None ? BIT.MARBIT.text() : QString());
            }
            return BYTE(ReportRun::Accept);
        };
        def.printDetail = [&printed](ReportRun &) {
            printed << BIT.MARBIT.text();
            BIT.MARBIT = QStringLiteral("БНД 4");
            QCOMPARE(files::BITUMEN.get(files::key::BIT_KEYBIT), FileError::None);
        };
        ReportRun run(def);
        run.RECORDSPERCYCLE = 3;
        QVERIFY(run.start());
        int cycles = 0;
        while (!run.cycle() && ++cycles < 20) {
        }
        QVERIFY(run.finished());
        QCOMPARE(looked, QStringList{QStringLiteral("БНД 7")});
        QStringList expected;
        for (int n = 1; n <= 8; ++n)
            expected << QStringLiteral("БНД %1").arg(n);
        QCOMPARE(printed, expected);
        QCOMPARE(run.progress.RECORDSPROCESSED, 8);
    }

    // Nothing accepted (an empty file, a filter that refuses everything): no preview, no
    // message, the procedure returns cancelled and releases its file.
    void nothingAccepted()
    {
        const std::tuple<int, bool> rows[] = {
            {0, false}, // empty file
            {5, true}, // filter accepts nothing
        };
        for (const auto &[records, refuseAll] : rows) {
            init();
            fillBinders(records);
            bool returned = false;
            const LONG response = runReport(gradeReport(refuseAll ? std::function<bool()>([] { return false; })
                                                                    : std::function<bool()>()),
                                            &returned);
            QVERIFY(returned);
            QCOMPARE(response, LONG(glob::RequestCancelled));
            QCOMPARE(glob::GLOBALRESPONSE, LONG(glob::RequestCancelled));
            QVERIFY(!shownPreview());
            QTRY_VERIFY(!m_shown.first()); // the progress window went away
            QCOMPARE(files::BITUMEN.USED, 0);
            QVERIFY(m_sink.shown.isEmpty());
        }
    }

    // The whole procedure: progress window, preview, then Exit prints nothing while the run
    // counts as completed; Print sends the pages to the printer once.
    void previewExitAndPrint()
    {
        const std::tuple<QString, int> rows[] = {
            {QStringLiteral("EXITBUTTON"), 0},
            {QStringLiteral("PRINTBUTTON"), 1},
        };
        for (const auto &[button, printed] : rows) {
            init();
            fillBinders(13);
            bool returned = false;
            runReport(gradeReport(), &returned);
            QVERIFY(!returned);
            auto *progress = qobject_cast<ReportProgressWindow *>(m_shown.first().data());
            QVERIFY(!progress || !progress->isVisible());
            ReportPreviewWindow *preview = shownPreview();
            QVERIFY(preview);
            QCOMPARE(preview->IMAGECOUNT, 3);
            QCOMPARE(files::BITUMEN.USED, 1); // held until the preview is left
            QTest::mouseClick(preview->findChild<QToolButton *>(button), Qt::LeftButton);
            QTRY_VERIFY(returned);
            QCOMPARE(m_printed, printed);
            QCOMPARE(glob::GLOBALRESPONSE, LONG(glob::RequestCompleted));
            QCOMPARE(files::BITUMEN.USED, 0);
        }
    }

    // Print without a printer installed: the preview says so and offers a PDF file instead, and
    // stays open with nothing printed and the run not returned; "Да" saves the pages to the file
    // chosen in the file dialog.
    void printWithoutAPrinter()
    {
        // The file dialog keeps its history in the user's settings: a temporary place here.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
        setPrinterCheck([] { return false; });
        const auto restore = qScopeGuard([] { setPrinterCheck([] { return true; }); }); // the print hook's printer
        const QString pdf = m_dir.filePath(QStringLiteral("saved.pdf"));
        for (const bool save : {false, true}) {
            init();
            QFile::remove(pdf);
            fillBinders(13);
            bool returned = false;
            runReport(gradeReport(), &returned);
            ReportPreviewWindow *preview = shownPreview();
            QVERIFY(preview);
            m_sink.answer = save ? MsgYes : MsgNo;
            QTimer chooser; // types the file's name into the file dialog once it is up
            connect(&chooser, &QTimer::timeout, this, [&] {
                if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                    // selectFile() leaves the name alone once the name field has the focus
                    if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                        name->setText(pdf);
                    QMetaObject::invokeMethod(dialog, "accept");
                }
            });
            chooser.start(10);
            QTest::mouseClick(preview->findChild<QToolButton *>(QStringLiteral("PRINTBUTTON")), Qt::LeftButton);
            QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("Принтер не установлен: отчёт не может быть напечатан.\n"
                                                                "Сохранить его в файл PDF?")});
            QCOMPARE(m_sink.shown[0].buttons, LONG(MsgYes + MsgNo));
            QTest::qWait(50);
            QVERIFY(shownPreview() && shownPreview()->isVisible());
            QVERIFY(!returned);
            QCOMPARE(m_printed, 0);
            QCOMPARE(QFileInfo::exists(pdf), save);
            if (save)
                QVERIFY(pdfText(pdf).contains(QStringLiteral("БНД 12")));
            QTest::mouseClick(preview->findChild<QToolButton *>(QStringLiteral("EXITBUTTON")), Qt::LeftButton);
            QTRY_VERIFY(returned);
            QCOMPARE(m_printed, 0);
        }
    }

    // Cancel on the progress window: nothing previewed or printed, the procedure cancelled.
    void cancelDuringTheRun()
    {
        fillBinders(400);
        bool returned = false;
        LONG response = 0;
        QPointer<ReportProgressWindow> progress;
        int seen = 0;
        ReportDefinition def = gradeReport();
        // At the 100th record, press Cancel between ticks.
        def.run.validate = [&] {
            if (++seen == 100 && progress) {
                QTimer::singleShot(0, progress, [&] {
                    QTest::mouseClick(progress->findChild<QPushButton *>(QStringLiteral("PROGRESS_CANCEL")), Qt::LeftButton);
                });
            }
            return BYTE(ReportRun::Accept);
        };
        QWidget *w = ReportProcedure::start(def, [&](LONG r) {
            response = r;
            returned = true;
        });
        progress = qobject_cast<ReportProgressWindow *>(w);
        QVERIFY(progress);
        showInFrame(w);
        QTRY_VERIFY(returned);
        QVERIFY(seen < 400);
        QCOMPARE(response, LONG(glob::RequestCancelled));
        QTRY_VERIFY(!progress);
        QTest::qWait(20);
        QVERIFY(!shownPreview());
        QCOMPARE(m_printed, 0);
        QCOMPARE(files::BITUMEN.USED, 0);
    }

    // A read error while printing: warning 35 with the file's name, and the run ends there.
    void readErrorEndsTheRun()
    {
        fillBinders(20);
        ReportDocument doc(smallLayout());
        ReportRun::Definition def;
        def.file = &files::BITUMEN;
        def.printDetail = [&doc](ReportRun &) { doc.printDetail(gradeLine()); };
        ReportRun run(def);
        run.RECORDSPERCYCLE = 5;
        QVERIFY(run.start());
        QVERIFY(!run.cycle());
        files::BITUMEN.close(); // the file goes away under the report
        QVERIFY(run.cycle());
        QCOMPARE(m_sink.shown.size(), 1);
        QVERIFY2(m_sink.shown[0].text.contains(QStringLiteral("from the BITUMEN file")), qPrintable(m_sink.shown[0].text));
        doc.finish();
        QCOMPARE(doc.page(0).texts().size(), 2 + 5);
        QVERIFY(files::BITUMEN.open() == FileError::None);
    }

    // The printer path draws every page (checked through a PDF printer).
    void printerPath()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_dir.filePath(QStringLiteral("printed.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(printReportPages(*documentOf(2), printer));
        const QString out = pdfText(pdf);
        for (const char *expected : {"БНД 1", "БНД 12", "Page 2"})
            QVERIFY2(out.contains(QString::fromUtf8(expected)), expected);
    }

};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
