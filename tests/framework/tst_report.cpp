#include "data/files.h"
#include "framework/printer_ui.h"
#include "framework/report_engine.h"
#include "framework/reportpaint_ui.h"
#include "framework/report_preview_window.h"
#include "framework/reportprogress_window.h"
#include "support/pdf_text.h"
#include "support/window_helpers.h"
#include "support/workdir.h"

#include <QBuffer>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrinter>
#include <QScopeGuard>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

namespace {

// A band 10 mm high with one text.
ReportBand band(const QString &text, double widthMm = 50, int align = Qt::AlignLeft)
{
    ReportBand b;
    b.heightMm = 10;
    b.text(0, widthMm, text, align);
    return b;
}
ReportBand gradeLine() { return band(BIT.MARBIT.text()); }

// A small page: 100 mm high, margins 10, header 10, footer 10, so six 10 mm rows a page.
ReportDocument::Layout smallLayout()
{
    ReportDocument::Layout l;
    l.pageMm = QSizeF(100, 100);
    l.topMm = l.bottomMm = 10;
    l.leftMm = 5;
    l.pageHeader = [] { return band(QStringLiteral("Заголовок"), 90, Qt::AlignCenter); };
    l.pageFooter = [](int page) { return band(QStringLiteral("Page %1").arg(page), 90, Qt::AlignRight); };
    return l;
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

// The rectangles of a band's texts and rules (moved by `origin`), and the texts.
struct Parts {
    std::vector<QRectF> texts, rules;
    QStringList captions;
};
Parts partsOf(const std::vector<ReportItem> &items, QPointF origin = {})
{
    Parts p;
    for (const ReportItem &item : items) {
        (item.kind == ReportItem::Text ? p.texts : p.rules).push_back(item.rect.translated(-origin));
        if (item.kind == ReportItem::Text)
            p.captions << item.text;
    }
    return p;
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
    void press(const char *button) { QTest::mouseClick(shownPreview()->findChild<QToolButton *>(button), Qt::LeftButton); }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([this](std::shared_ptr<const ReportDocument>) { ++m_printed; });
        // The file dialog keeps its history in the user's settings: a temporary place here.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
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

    // The percentage never passes 100, even when the estimate is too small; a change is
    // signalled only with the whole percentage.
    void progressPercentage()
    {
        // An estimate too small; bytes beyond the file size; an empty total.
        for (auto [total, steps, amount, expectedChanges] : {std::tuple{500, 700, 1, 100}, {1000, 30, 70, 15}, {0, 3, 1, 1}}) {
            ReportProgress p;
            p.RECORDSTOPROCESS = total;
            int changes = 0, highest = 0;
            for (int i = 0; i < steps; ++i) {
                changes += p.advance(amount);
                highest = std::max<int>(highest, p.PERCENTPROGRESS);
            }
            QCOMPARE(int(p.PERCENTPROGRESS), 100);
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
        Parts parts = partsOf(header.items);
        QCOMPARE(parts.texts, (std::vector<QRectF>{{0, 0, 75, 12}, {10, 12, 30, 8}, {40, 12, 20, 8}, {60, 12, 15, 8}}));
        QCOMPARE(parts.rules, (std::vector<QRectF>{{0, 12, 75, 0}, {0, 20, 75, 0}, {10, 12, 0, 8}, {40, 12, 0, 8}, {60, 12, 0, 8}}));

        BIT.NUMBIT = 12;
        BIT.MARBIT = QStringLiteral("БНД 60/90");
        QCOMPARE(BIT.TR.set(-4.3), StoreResult::Ok);
        const ReportBand row = table.row();
        QCOMPARE(row.heightMm, 5.5);
        parts = partsOf(row.items);
        const QStringList cells = {QStringLiteral("12"), QStringLiteral("БНД 6"), QStringLiteral("II"), QStringLiteral("-4,3")};
        QCOMPARE(parts.captions, cells);
        QCOMPARE(parts.texts, (std::vector<QRectF>{{0, 0, 8.5, 5.5}, {12, 0, 28, 5.5}, {40, 0, 20, 5.5}, {60, 0, 11, 5.5}}));
        QCOMPARE(parts.rules, std::vector<QRectF>{QRectF(0, 5.5, 75, 0)});

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
        QCOMPARE(doc.page(1).texts(), (QStringList{QStringLiteral("Марка"), QStringLiteral("Зона"), QStringLiteral("Тр")}
                                       + cells + QStringList{QStringLiteral("Page 2")}));
        QCOMPARE(doc.page(1).items.at(doc.page(1).items.size() - 2).rect.width(), 75.0); // the footer's rule

        // A group caption over its columns in a tier of its own, ruled under, the columns
        // parted below it only; fixed rows of given texts; the table placed inside a form.
        ReportTable limits;
        limits.headerHeightMm = 10;
        limits.columns = {{"Показатель", 40, kLeft},
                          {"мин.", 15, kRight, {}, 1.5, "Требования"},
                          {"макс.", 15, kRight, {}, 1.5, "Требования"}};
        ReportBand form;
        form.insert(limits.headerBand(), 10, 20);
        parts = partsOf(form.items, QPointF(10, 20));
        QCOMPARE(parts.captions, (QStringList{"Показатель", "Требования", "мин.", "макс."}));
        QCOMPARE(parts.texts, (std::vector<QRectF>{{0, 0, 40, 10}, {40, 0, 30, 5}, {40, 5, 15, 5}, {55, 5, 15, 5}}));
        QCOMPARE(parts.rules, (std::vector<QRectF>{{0, 0, 70, 0}, {0, 10, 70, 0}, {40, 5, 30, 0}, {40, 0, 0, 10}, {55, 5, 0, 5}}));
        QCOMPARE(partsOf(limits.rowOf({"Пористость, %", "2.0", "4.5"}).items).captions, (QStringList{"Пористость, %", "2.0", "4.5"}));
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

        ReportPage page;
        ReportBand band;
        band.heightMm = 100;
        band.line(5, 10, 95, 10, 2, 0xff0000);
        band.box(QRectF(10, 20, 30, 20), 1.5, 0x0000ff);
        band.imageData(QRectF(50, 20, 40, 20), png); // wide place: a 20 mm square in its middle
        band.image(QRectF(10, 50, 20, 20), file);
        band.text(10, 80, QStringLiteral("████"), reportalign::kLeft, 40).rgb = 0xafc43c;
        band.items.back().rect = QRectF(10, 75, 80, 20);
        page.items = band.items;
        const QImage image = renderReportPage(page, QSizeF(100, 100), 100);
        auto at = [&](double xMm, double yMm) { return image.pixelColor(int(xMm / 25.4 * 100), int(yMm / 25.4 * 100)); };
        QCOMPARE(at(50, 10), QColor(Qt::red));
        QCOMPARE(at(10, 30), QColor(Qt::blue));
        QCOMPARE(at(25, 30), QColor(Qt::white)); // a box is not filled
        QCOMPARE(at(70, 30), QColor(Qt::green));
        QCOMPARE(at(55, 30), QColor(Qt::white)); // proportions kept
        QCOMPARE(at(20, 60), QColor(Qt::yellow));
        QCOMPARE(at(15, 85), QColor(175, 196, 60));
    }

    // The loop prints every accepted record once, in physical order, skipping what the filter
    // or the instance refuses; neither another window moving the file between ticks nor a
    // validation or a detail reading the same file by key (a settings record of the file printed
    // over) moves the loop or the record printed.
    void runLoop()
    {
        fillBinders(60);
        ReportDocument doc(smallLayout());
        QStringList looked;
        ReportRun::Definition def;
        def.file = &files::BITUMEN;
        def.filter = [] { return int(BIT.NUMBIT) % 2 == 0; }; // even numbers
        def.validate = [&looked] {
            const bool skip = int(BIT.NUMBIT) % 10 == 0;
            if (int(BIT.NUMBIT) == 12) { // looks at another binder before accepting this one
                BIT.MARBIT = QStringLiteral("БНД 7");
                looked << (files::BITUMEN.get(files::key::BIT_KEYBIT) == FileError::None ? BIT.MARBIT.text() : QString());
            }
            return BYTE(skip ? ReportRun::Skip : ReportRun::Accept);
        };
        def.printDetail = [&doc](ReportRun &r) {
            if (int(BIT.NUMBIT) == 4)
                r.PRINTSKIPDETAILS = 1;
            if (!r.PRINTSKIPDETAILS)
                doc.printDetail(gradeLine());
            BIT.MARBIT = QStringLiteral("БНД 5");
            QCOMPARE(files::BITUMEN.get(files::key::BIT_KEYBIT), FileError::None);
        };
        QList<int> percents;
        {
            ReportRun run(def);
            run.RECORDSPERCYCLE = 7;
            run.onProgress = [&](const ReportProgress &p) { percents << p.PERCENTPROGRESS; };
            QVERIFY(run.start());
            QCOMPARE(files::BITUMEN.USED, 1);
            int cycles = 0;
            for (; !run.cycle() && cycles < 100; ++cycles) {
                files::BITUMEN.setOrder(files::key::BIT_KEYBIT); // another window moves the file
                files::BITUMEN.setToStart();
                files::BITUMEN.next();
            }
            QVERIFY(run.finished() && cycles >= 3);
            QCOMPARE(run.progress.RECORDSPROCESSED, 60);
        }
        QCOMPARE(files::BITUMEN.USED, 0);
        doc.finish();
        QStringList printed, expected;
        for (int p = 0; p < doc.pageCount(); ++p)
            printed << doc.page(p).texts().mid(1, doc.page(p).texts().size() - 2);
        for (int n = 2; n <= 60; n += 2)
            if (n % 10 != 0 && n != 4)
                expected << QStringLiteral("БНД %1").arg(n);
        QCOMPARE(printed, expected);
        QCOMPARE(looked, QStringList{QStringLiteral("БНД 7")});
        QCOMPARE(percents.last(), 100);
    }

    // Nothing accepted: no preview, no message, the procedure returns cancelled and releases
    // its file.
    void nothingAccepted()
    {
        fillBinders(5);
        bool returned = false;
        QCOMPARE(runReport(gradeReport([] { return false; }), &returned), LONG(glob::RequestCancelled));
        QVERIFY(returned);
        QCOMPARE(glob::GLOBALRESPONSE, LONG(glob::RequestCancelled));
        QVERIFY(!shownPreview());
        QTRY_VERIFY(!m_shown.first()); // the progress window went away
        QCOMPARE(files::BITUMEN.USED, 0);
        QVERIFY(m_sink.shown.isEmpty());
    }

    // The whole procedure: progress window, then preview. Exit prints nothing while the run
    // counts as completed; Print sends the pages to the printer once. Without a printer the
    // preview says so and offers a PDF file instead, staying open with nothing printed; "Да"
    // saves the pages to the file chosen in the file dialog.
    void previewExitPrintOrPdf_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("printer");
        QTest::addColumn<LONG>("answer"); // to the offer of a PDF
        QTest::newRow("exit") << QStringLiteral("EXITBUTTON") << true << LONG(0);
        QTest::newRow("print") << QStringLiteral("PRINTBUTTON") << true << LONG(0);
        QTest::newRow("no printer, no PDF") << QStringLiteral("PRINTBUTTON") << false << LONG(MsgNo);
        QTest::newRow("no printer, PDF") << QStringLiteral("PRINTBUTTON") << false << LONG(MsgYes);
    }
    void previewExitPrintOrPdf()
    {
        QFETCH(QString, button);
        QFETCH(bool, printer);
        QFETCH(LONG, answer);
        setPrinterCheck([printer] { return printer; });
        const auto restore = qScopeGuard([] { setPrinterCheck([] { return true; }); }); // the print hook's printer
        const QString pdf = m_dir.filePath(QStringLiteral("saved.pdf"));
        QFile::remove(pdf);
        fillBinders(13);
        bool returned = false;
        runReport(gradeReport(), &returned);
        QVERIFY(!returned);
        auto *progress = qobject_cast<ReportProgressWindow *>(m_shown.first().data());
        QVERIFY(!progress || !progress->isVisible());
        QVERIFY(shownPreview());
        QCOMPARE(shownPreview()->IMAGECOUNT, 3);
        QCOMPARE(files::BITUMEN.USED, 1); // held until the preview is left
        m_sink.answer = answer;
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
        press(qPrintable(button));
        if (!printer) {
            QCOMPARE(m_sink.texts(), QStringList{QStringLiteral("Принтер не установлен: отчёт не может быть напечатан.\n"
                                                                "Сохранить его в файл PDF?")});
            QCOMPARE(m_sink.shown[0].buttons, LONG(MsgYes + MsgNo));
            QTest::qWait(50);
            QVERIFY(shownPreview() && shownPreview()->isVisible());
            QVERIFY(!returned);
            QCOMPARE(QFileInfo::exists(pdf), answer == MsgYes);
            if (answer == MsgYes)
                QVERIFY(pdfText(pdf).contains(QStringLiteral("БНД 12")));
            press("EXITBUTTON");
        }
        QTRY_VERIFY(returned);
        QCOMPARE(m_printed, printer && button == QLatin1String("PRINTBUTTON") ? 1 : 0);
        QCOMPARE(glob::GLOBALRESPONSE, LONG(glob::RequestCompleted));
        QCOMPARE(files::BITUMEN.USED, 0);
    }

    // Cancel on the progress window: nothing previewed or printed, the procedure cancelled.
    void cancelDuringTheRun()
    {
        fillBinders(400);
        int seen = 0;
        ReportDefinition def = gradeReport();
        def.run.validate = [&] { // at the 100th record, Cancel is pressed between ticks
            if (++seen == 100)
                QTimer::singleShot(0, m_shown.first(), [this] {
                    QTest::mouseClick(control(m_shown.first(), "PROGRESS_CANCEL"), Qt::LeftButton);
                });
            return BYTE(ReportRun::Accept);
        };
        bool returned = false;
        QCOMPARE(runReport(def, &returned), LONG(glob::RequestCancelled));
        QVERIFY(returned && seen < 400);
        QTRY_VERIFY(!m_shown.first()); // the progress window went away
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
        ReportDocument doc(smallLayout());
        for (int i = 0; i < 12; ++i) {
            BIT.MARBIT = QStringLiteral("БНД %1").arg(i + 1);
            doc.printDetail(gradeLine());
        }
        doc.finish();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_dir.filePath(QStringLiteral("printed.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(printReportPages(doc, printer));
        const QString out = pdfText(pdf);
        for (const char *expected : {"БНД 1", "БНД 12", "Page 2"})
            QVERIFY2(out.contains(QString::fromUtf8(expected)), expected);
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
