// A material's sieve analyses as the laboratory keeps them: a sheet read in, the list "Анализы"
// opened from the material list, written out and read back, and a period's mean taken as the
// material's grading.
#include "support/fake_sink.h"
#include "support/workdir.h"
#include "support/window_helpers.h"
#include "catalogues/aggregates_window.h"
#include "catalogues/analyses_window.h"
#include "catalogues/analysis_sheet.h"
#include "data/files.h"
#include "data/seed.h"
#include "framework/fileservices.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const std::vector<int> kSandSieves {3, 4, 5, 6, 7, 8, 9, 10};

void writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

sieves::Grading splitGrading(const FixedString<20> &name)
{
    FileUse use(files::SPLIT);
    SPL = SplitRecord();
    SPL.NAIMEN = name;
    return files::SPLIT.get(files::key::SPL_KEYNAME) == FileError::None ? SPL.ZRN : sieves::Grading {};
}

} // namespace

class TestAnalyses : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeSink m_sink;

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        QString error;
        QVERIFY2(loadSeed(QStringLiteral(ASPHALT_SOURCE_DIR "/data/seed"), &error), qPrintable(error));
    }

    // Sheets of a sand (sieves 10 .. 0.071 mm): the columns found by their headers in any order,
    // the coarse sieves at 100; a fault names its line and refuses the whole sheet.
    void sheets()
    {
        const QString sand = QStringLiteral("0,071;0,16;0,315;0,63;1,25;2,5;5;10");
        const struct {
            QString text;
            QString error;
        } rows[] = {
            {QStringLiteral("\uFEFFДата;Проба;%1\r\n02.03.2026;\"7;1\";2;8;26;60;82;93;98;100\r\n\r\n").arg(sand), {}},
            {QStringLiteral("Примечание,№ пробы,Дата,10,5,2.5,1.25,0.63,0.315,0.16,0.071 мм\n"
                            "карьер,7/1,2026-03-02,100,98,93,82,60,26,8,2\n"),
             {}},
            {QStringLiteral("Дата\t10\t5\t2,5\t1,25\t0,63\t0,315\t0,16\t0,071\n02.03.26\t100\t98\t93\t82\t60\t26\t8\t2\n"), {}},
            {QStringLiteral("Дата;10;5;2,5;1,25;0,63;0,315;0,16\n02.03.2026;100;98;93;82;60;26;8\n"),
             QStringLiteral("Строка 1: нет столбца сита 0,071 мм")},
            {QStringLiteral("Проба;%1\n1;2;8;26;60;82;93;98;100\n").arg(sand), QStringLiteral("Строка 1: нет столбца «Дата»")},
            {QStringLiteral("Дата;%1\n02.03.2026;2;8;26;60;82;93;98;100\n03.03.2026;2;8;26;60;82;93;98;101\n").arg(sand),
             QStringLiteral("Строка 3: сито 10 мм: «101» не процент прохода (0..100)")},
            {QStringLiteral("Дата;%1\n31.02.2026;2;8;26;60;82;93;98;100\n").arg(sand),
             QStringLiteral("Строка 2: дата «31.02.2026» не прочитана")},
            {QStringLiteral("Дата;Проба;%1\n02.03.2026;1234567890123;2;8;26;60;82;93;98;100\n").arg(sand),
             QStringLiteral("Строка 2: номер пробы «1234567890123» длиннее 12 знаков")},
            {QStringLiteral("Дата;Проба;%1\n02.03.2026;7\u20131;2;8;26;60;82;93;98;100\n").arg(sand), // en dash: in Windows-1251
             {}},
            {QStringLiteral("Дата;Проба;%1\n02.03.2026;7\u21921;2;8;26;60;82;93;98;100\n").arg(sand),
             QStringLiteral("Строка 2: в номере пробы «7\u21921» знак не из кодировки Windows-1251")},
        };
        for (const auto &r : rows) {
            const analysis_sheet::Sheet s = analysis_sheet::read(r.text, kSandSieves);
            QCOMPARE(s.error, r.error);
            if (!r.error.isEmpty()) {
                QVERIFY(s.analyses.empty());
                continue;
            }
            QCOMPARE(s.analyses.size(), std::size_t(1));
            const analysis_sheet::Analysis &a = s.analyses[0];
            QCOMPARE(a.date, dates::fromYmd(2026, 3, 2));
            QCOMPARE(a.passing, (sieves::Grading {100, 100, 100, 100, 98, 93, 82, 60, 26, 8, 2}));
            QCOMPARE(a.sample, &r == &rows[0] ? QStringLiteral("7;1") : &r == &rows[1] ? QStringLiteral("7/1")
                                : &r == &rows[8] ? QStringLiteral("7\u20131") : QString());
        }
    }

    // From the crushed-stone list: the highlighted stone's analyses; a sheet read in adds its
    // rows, a faulty one none; the list written out reads back; the mean of the new analyses
    // becomes the stone's grading.
    void listOfAMaterial()
    {
        BrowseWindow *stones = shownList(BROUSESPLIT());
        QVERIFY(stones);
        const FixedString<20> name = SPL.NAIMEN; // the first by name
        QCOMPARE(name.text(), QStringLiteral("Щебень гранит 10-20"));
        control(stones, "ANALYSES")->click();
        BrowseWindow *list = nullptr;
        QTRY_VERIFY((list = shownWindow<BrowseWindow>("BROUSEANALIZ")));
        QCOMPARE(list->page()->entries().size(), std::size_t(10));

        const QString header = QStringLiteral("Дата;Проба;40;20;15;10;5;2,5;1,25;0,63;0,315;0,16;0,071\n");
        const QString good = m_dir.filePath(QStringLiteral("good.csv")), bad = m_dir.filePath(QStringLiteral("bad.csv"));
        writeFile(good, (header + QStringLiteral("01.06.2026;П-1;100;95;60;8;2;1;1;1;1;1;1\n"
                                                 "15.06.2026;П-2;100;97;64;6;1;1;1;1;1;0,5;0,5\n")).toUtf8());
        writeFile(bad, (header + QStringLiteral("01.07.2026;П-3;100;95;60;8;2;1;1;1;1;1;1\n01.07.2026;П-4;100;95\n")).toUtf8());
        QString path = good;
        setAnalysisImportPathHook([&path] { return path; });
        control(list, "IMPORT")->click();
        QCOMPARE(list->page()->entries().size(), std::size_t(12));
        QCOMPARE(list->page()->entries().front().texts.value(0).trimmed(), QStringLiteral("15.06.2026")); // newest first
        path = bad;
        m_sink.clear();
        control(list, "IMPORT")->click();
        QCOMPARE(m_sink.texts().size(), 1);
        QVERIFY2(m_sink.texts()[0].contains(QStringLiteral("Строка 3: сито 15 мм")), qPrintable(m_sink.texts()[0]));
        QCOMPARE(list->page()->entries().size(), std::size_t(12));
        setAnalysisImportPathHook({});

        const QString exported = m_dir.filePath(QStringLiteral("out.csv"));
        BrowseWindow::setCsvPathHook([&exported](const QString &) { return exported; });
        QSignalSpy written(list, &BrowseWindow::csvExportFinished);
        control(list, "EXPORT")->click();
        QTRY_COMPARE(written.size(), 1);
        BrowseWindow::setCsvPathHook({});
        QFile out(exported);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const analysis_sheet::Sheet back = analysis_sheet::read(QString::fromUtf8(out.readAll()), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        QCOMPARE(back.error, QString());
        QCOMPARE(back.analyses.size(), std::size_t(12));
        QCOMPARE(back.analyses[0].sample, QStringLiteral("П-2"));
        QCOMPARE(back.analyses[0].passing, (sieves::Grading {100, 97, 64, 6, 1, 1, 1, 1, 1, 0.5, 0.5}));

        // "Принять как основной": the mean of the analyses of June.
        FormWindow *accept = press(list, "ACCEPT");
        QVERIFY(accept);
        click(accept, "CHOICE_2");
        type(accept, "DATE_FROM", QStringLiteral("01.06.2026"));
        type(accept, "DATE_TO", QStringLiteral("30.06.2026"));
        m_sink.clear();
        m_sink.answer = MsgYes;
        click(accept, "OK");
        m_sink.answer = 0;
        QCOMPARE(m_sink.texts(), QStringList {QStringLiteral("Зерновой состав материала «Щебень гранит 10-20» заменить на "
                                                             "среднее 2 анализов с 01.06.2026 по 30.06.2026?")});
        QCOMPARE(splitGrading(name), (sieves::Grading {100, 96, 62, 7, 1.5, 1, 1, 1, 1, 0.8, 0.8}));
        QTRY_VERIFY(!accept->isVisible());
        list->close();
        stones->close();
    }
};

QTEST_MAIN(TestAnalyses)
#include "tst_analyses.moc"
