// "Экспорт в CSV..." of the list engine, on the crushed-stone list: what a spreadsheet reads back
// is exactly what the list shows; an export cancelled or failed leaves no file.
#include "catalogues/aggregates_window.h"
#include "data/files.h"
#include "data/seed.h"
#include "framework/list_window.h"
#include "framework/fileservices.h"
#include "support/fake_sink.h"
#include "support/workdir.h"

#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>

#include <memory>

namespace {

// A spreadsheet's reading: the byte-order mark, then CR LF lines of ';'-separated fields, quoted
// ones holding separators and doubled quotes. Empty without the mark.
QList<QStringList> readCsv(const QString &path)
{
    QFile f(path);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    const QString t = bytes.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(bytes.mid(3)) : QString();
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'"' && quoted && t.mid(i + 1, 1) == u"\"")
            cell += t[++i];
        else if (c == u'"')
            quoted = !quoted;
        else if (quoted || (c != u';' && c != u'\r'))
            cell += c;
        else if (c == u';')
            row << std::exchange(cell, {});
        else if (t.mid(++i, 1) == u"\n")
            rows << (row << std::exchange(cell, {})), row.clear();
    }
    return rows;
}

// The rows the list shows, numbers with the decimal comma.
QList<QStringList> shownRows(const BrowseWindow &list)
{
    QList<QStringList> rows;
    for (const auto &e : list.page()->entries()) {
        rows << QStringList();
        for (std::size_t c = 0; c < list.declaration().columns.size(); ++c) {
            const bool number = list.declaration().columns[c].picture.kind() == PictureKind::Number;
            rows.last() << e.texts[qsizetype(c)].trimmed().replace(u'.', number ? u',' : u'.');
        }
    }
    return rows;
}

bool addStone(int num, const QString &name, int marka)
{
    SPL = SplitRecord{};
    SPL.NUM = num, SPL.NAIMEN = name, SPL.MARKA = marka, SPL.PLOTN = 2.7;
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
        m_shown << list;
        list->show();
        return QTest::qWaitForWindowExposed(list) ? list : nullptr;
    }

    // Exports through the list's popup menu into `path`; true once written.
    static bool exportByMenu(BrowseWindow *list, const QString &path, QString *suggested = nullptr)
    {
        BrowseWindow::setCsvPathHook([&](const QString &s) { return suggested ? *suggested = s, path : path; });
        QSignalSpy done(list, &BrowseWindow::csvExportFinished);
        std::unique_ptr<QMenu> menu(list->popupMenu());
        QAction *item = menu->findChild<QAction *>(QStringLiteral("EXPORTCSV"));
        if (item && item->text() == QStringLiteral("Экспорт в CSV..."))
            item->trigger();
        BrowseWindow::setCsvPathHook({});
        return done.size() == 1 && done.first().first().toBool();
    }

private slots:
    void init() { recordShownWindows(m_shown); }
    void cleanup() { qDeleteAll(std::exchange(m_shown, {})); }

    // The sample stones and one whose name holds a quote and a separator, in the name order, the
    // number order and through a filter: the header, then the rows as shown.
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
        QString suggested;
        QVERIFY(list && exportByMenu(list, dir.filePath(QStringLiteral("1.csv")), &suggested));
        QCOMPARE(suggested, dir.filePath(QStringLiteral("Щебень.csv")));
        QList<QStringList> csv = readCsv(dir.filePath(QStringLiteral("1.csv")));
        QCOMPARE(csv.value(0), (QStringList{"№", "Наименование", "Марка", "Р,г/см3", "%Лещ", "% зерен мельче, мм 40",
                                            "% зерен мельче, мм 20", "% зерен мельче, мм 15", "% зерен мельче, мм 10",
                                            "% зерен мельче, мм 5", "% зерен мельче, мм 0,071"}));
        QCOMPARE(csv.mid(1), shownRows(*list));
        QVERIFY(csv.contains(QStringList{"90", "Щеб.\"А;Б\" 5-20", "1000", "2,70", "0,0", "0,0", "0,0", "0,0", "0,0",
                                         "0,0", "0,0"}));

        list->findChild<QTabBar *>(QStringLiteral("CURRENTTAB"))->setCurrentIndex(1); // "Лаб.№"
        QVERIFY(exportByMenu(list, dir.filePath(QStringLiteral("2.csv"))));
        QCOMPARE(readCsv(dir.filePath(QStringLiteral("2.csv"))).mid(1), shownRows(*list));

        BrowseDeclaration strong = BROUSESPLITDeclaration();
        strong.filter = [] { return SPL.MARKA >= 1400; };
        BrowseWindow *filtered = open(std::move(strong));
        QVERIFY(filtered && exportByMenu(filtered, dir.filePath(QStringLiteral("3.csv"))));
        csv = readCsv(dir.filePath(QStringLiteral("3.csv")));
        QVERIFY(csv.size() == 3 && csv.mid(1) == shownRows(*filtered));
        QVERIFY(m_sink.shown.isEmpty());
    }

    // A list of several pages: Cancel in the progress window leaves an older file of that name as
    // it was and nothing else; an export run to its end while another window reads the file
    // between its pages holds each record once, in key order; a file that cannot be written is
    // reported, not taken for written.
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
        const QString target = dir.filePath(QStringLiteral("Щебень.csv"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);

        QVERIFY(list);
        QSignalSpy done(list, &BrowseWindow::csvExportFinished);
        list->exportCsv(target);
        QVERIFY(list->exporting() && !list->isEnabled());
        QPointer<QWidget> progress = m_shown.last();
        QCOMPARE(progress->objectName(), QStringLiteral("PROGRESSWINDOW"));
        progress->findChild<QPushButton *>(QStringLiteral("PROGRESS_CANCEL"))->click();
        QCOMPARE(done, QList<QVariantList>{{false}});
        done.clear();
        QVERIFY(!list->exporting() && list->isEnabled());
        QTRY_VERIFY(!progress);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));

        list->exportCsv(target);
        while (list->exporting()) {
            files::SPLIT.setOrder(files::key::SPL_KEYNUM); // another window reading the file
            files::SPLIT.next();
            QCoreApplication::processEvents();
        }
        QCOMPARE(done, QList<QVariantList>{{true}});
        done.clear();
        QStringList written;
        for (const QStringList &row : readCsv(target).mid(1))
            written << row.value(1);
        QCOMPARE(written, names);
        QVERIFY(m_sink.shown.isEmpty());

        const QString nowhere = dir.filePath(QStringLiteral("нет такой папки/Щебень.csv"));
        list->exportCsv(nowhere);
        QCOMPARE(done, QList<QVariantList>{{false}});
        done.clear();
        QCOMPARE(m_sink.captions(), QStringList{QStringLiteral("File Access Error")});
        QVERIFY(m_sink.texts().first().contains(QDir::toNativeSeparators(nowhere)));
        QVERIFY(!QFile::exists(nowhere) && list->isEnabled());
    }
};

QTEST_MAIN(TestCsvExport)
#include "tst_csv_export.moc"
