// "Экспорт в CSV..." of the list engine, on the crushed-stone list: what a spreadsheet reads back
// is exactly what the list shows; an export cancelled or failed leaves no file.
#include "catalogues/aggregates_window.h"
#include "data/files.h"
#include "data/seed.h"
#include "framework/browse_window.h"
#include "framework/fileservices.h"
#include "support/fake_sink.h"
#include "support/workdir.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A spreadsheet's reading of the file: the byte-order mark, then lines of ';'-separated fields,
// quoted fields holding separators, quotes (doubled) and line breaks. Empty when the mark is missing.
QList<QStringList> readCsv(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return {};
    const QString text = QString::fromUtf8(bytes.mid(3));
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                cell += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                cell += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            row << cell;
            cell.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
            ++i;
        } else {
            cell += c;
        }
    }
    return rows;
}

// The rows the list shows, numbers with the decimal comma.
QList<QStringList> shownRows(const BrowseWindow &list)
{
    QList<QStringList> rows;
    for (const auto &e : list.page()->entries()) {
        QStringList r;
        for (qsizetype c = 0; c < e.texts.size(); ++c) {
            QString t = e.texts[c].trimmed();
            if (list.declaration().columns[std::size_t(c)].picture.kind() == PictureKind::Number)
                t.replace(u'.', u',');
            r << t;
        }
        rows << r;
    }
    return rows;
}

bool addStone(int num, const QString &name, int marka)
{
    SPL = SplitRecord{};
    SPL.NUM = num;
    SPL.NAIMEN = name;
    SPL.MARKA = marka;
    SPL.PLOTN = 2.7;
    return files::SPLIT.add() == FileError::None;
}

} // namespace

class TestCsvExport : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    QList<QPointer<QWidget>> m_shown;

    BrowseWindow *open(BrowseDeclaration d)
    {
        auto *list = new BrowseWindow(std::move(d));
        list->setAttribute(Qt::WA_DeleteOnClose);
        m_shown << list;
        list->show();
        return QTest::qWaitForWindowExposed(list) ? list : nullptr;
    }

    // Exports through the list's popup menu into `path` and waits for the end.
    static bool exportByMenu(BrowseWindow *list, const QString &path)
    {
        BrowseWindow::setCsvPathHook([path](const QString &) { return path; });
        QSignalSpy done(list, &BrowseWindow::csvExportFinished);
        QMenu *menu = list->popupMenu();
        QAction *item = menu->findChild<QAction *>(QStringLiteral("EXPORTCSV"));
        if (!item || item->text() != QStringLiteral("Экспорт в CSV..."))
            return false;
        item->trigger();
        delete menu;
        BrowseWindow::setCsvPathHook({});
        return (!done.isEmpty() || done.wait(10000)) && done.first().first().toBool();
    }

private slots:
    void init()
    {
        recordShownWindows(m_shown);
    }

    void cleanup()
    {
        for (QWidget *w : std::as_const(m_shown))
            delete w;
        m_shown.clear();
        setWindowHost({});
        setMessageSink(nullptr);
    }

    // The sample stones with one whose name holds a quote and a separator: in the name order,
    // the number order and through a filter, the file holds the header and the rows as shown.
    void exportReadsBackAsTheListShowsIt()
    {
        QTemporaryDir dir;
        useWorkdir(dir, &m_sink);
        QString error;
        QVERIFY2(loadSeed(QStringLiteral(ASPHALT_SOURCE_DIR "/data/seed"), &error), qPrintable(error));
        {
            FileUse use(files::SPLIT);
            QVERIFY(addStone(90, QStringLiteral("Щеб.\"А;Б\" 5-20"), 1000));
        }
        BrowseWindow *list = open(BROUSESPLITDeclaration());
        QVERIFY(list);
        const int records = int(list->page()->entries().size());
        QVERIFY(records >= 6);

        const QString byName = dir.filePath(QStringLiteral("по имени.csv"));
        QVERIFY(exportByMenu(list, byName));
        QList<QStringList> csv = readCsv(byName);
        QCOMPARE(csv.value(0), (QStringList{"№", "Наименование", "Марка", "Р,г/см3", "%Лещ", "% зерен мельче, мм 40",
                                            "% зерен мельче, мм 20", "% зерен мельче, мм 15", "% зерен мельче, мм 10",
                                            "% зерен мельче, мм 5", "% зерен мельче, мм 0,071"}));
        QCOMPARE(csv.mid(1), shownRows(*list));
        QVERIFY(csv.mid(1).contains(QStringList{"90", "Щеб.\"А;Б\" 5-20", "1000", "2,70", "0,0", "0,0", "0,0", "0,0",
                                                "0,0", "0,0", "0,0"}));
        QFile raw(byName);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(raw.readAll().contains(QStringLiteral("\r\n90;\"Щеб.\"\"А;Б\"\" 5-20\";1000;").toUtf8()));
        QVERIFY(list->isEnabled());

        list->findChild<QTabBar *>(QStringLiteral("CURRENTTAB"))->setCurrentIndex(1); // "Лаб.№"
        const QString byNumber = dir.filePath(QStringLiteral("по номеру.csv"));
        QVERIFY(exportByMenu(list, byNumber));
        csv = readCsv(byNumber);
        QCOMPARE(csv.size(), records + 1);
        QCOMPARE(csv.mid(1), shownRows(*list));
        QCOMPARE(csv.value(1).value(0), QStringLiteral("1"));
        QCOMPARE(csv.last().value(0), QStringLiteral("90"));

        BrowseDeclaration strong = BROUSESPLITDeclaration();
        strong.filter = [] { return SPL.MARKA >= 1400; };
        BrowseWindow *filtered = open(std::move(strong));
        QVERIFY(filtered);
        const QString onlyStrong = dir.filePath(QStringLiteral("марка.csv"));
        QVERIFY(exportByMenu(filtered, onlyStrong));
        csv = readCsv(onlyStrong);
        QVERIFY(csv.size() > 1 && csv.size() < records);
        QCOMPARE(csv.mid(1), shownRows(*filtered));
        QVERIFY(m_sink.shown.isEmpty());
    }

    // A list of several pages: Cancel in the progress window leaves the older file of that name
    // as it was and nothing else; an export run to its end, while another window reads the same
    // file between its pages, holds each record once in key order; a file that cannot be
    // written is reported, not taken for written.
    void exportNotCompletedLeavesNoFile()
    {
        QTemporaryDir dir;
        useWorkdir(dir, &m_sink);
        const int count = 3 * BrowseWindow::ExportPage + 17;
        QStringList names;
        {
            FileUse use(files::SPLIT);
            QCOMPARE(files::SPLIT.begin(), FileError::None);
            for (int i = 0; i < count; ++i) {
                names << QStringLiteral("Щебень %1").arg((i * 7919) % count, 5, 10, QLatin1Char('0'));
                QVERIFY(addStone(i + 1, names.last(), 1200));
            }
            QCOMPARE(files::SPLIT.commit(), FileError::None);
        }
        names.sort();
        BrowseWindow *list = open(BROUSESPLITDeclaration());
        QVERIFY(list);
        const QString target = dir.filePath(QStringLiteral("Щебень.csv"));
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);

        QSignalSpy done(list, &BrowseWindow::csvExportFinished);
        list->exportCsv(target);
        QVERIFY(list->exporting());
        QVERIFY(!list->isEnabled());
        QPointer<QWidget> progress;
        for (QWidget *w : std::as_const(m_shown))
            if (w && w->objectName() == QStringLiteral("PROGRESSWINDOW"))
                progress = w;
        QVERIFY(progress);
        progress->findChild<QPushButton *>(QStringLiteral("PROGRESS_CANCEL"))->click();
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.takeFirst().first().toBool(), false);
        QVERIFY(!list->exporting());
        QVERIFY(list->isEnabled());
        QTRY_VERIFY(!progress);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
        QFile old(target);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));

        list->exportCsv(target);
        while (list->exporting()) {
            files::SPLIT.setOrder(files::key::SPL_KEYNUM); // another window reading the file
            files::SPLIT.next();
            QCoreApplication::processEvents();
        }
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.takeFirst().first().toBool(), true);
        const QList<QStringList> csv = readCsv(target);
        QStringList written;
        for (const QStringList &row : csv.mid(1))
            written << row.value(1);
        QCOMPARE(written, names);
        QCOMPARE(list->page()->entries().front().texts.value(1).trimmed(), names.first()); // the page stays
        QVERIFY(m_sink.shown.isEmpty());

        const QString nowhere = dir.filePath(QStringLiteral("нет такой папки/Щебень.csv"));
        list->exportCsv(nowhere);
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.takeFirst().first().toBool(), false);
        QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("File Access Error")});
        QVERIFY(m_sink.texts().first().contains(QDir::toNativeSeparators(nowhere)));
        QVERIFY(!QFile::exists(nowhere));
        QVERIFY(list->isEnabled());
    }
};

QTEST_MAIN(TestCsvExport)
#include "tst_csv_export.moc"
