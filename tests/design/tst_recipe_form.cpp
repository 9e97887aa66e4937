// The recipe form "Ф.1" as the engineer gets it: through the report runner to its preview,
// saved as PDF and read back with pdftotext.
#include "data/recipe_state.h"
#include "design/form_f1_report.h"
#include "design/form_f1_window.h"
#include "framework/fileservices.h"
#include "framework/report_preview_window.h"
#include "framework/reportprogress_window.h"
#include "support/pdf_text.h"
#include "support/printout_check.h"
#include "support/workdir.h"

#include <QRegularExpression>

namespace {

template <class Fill>
void add(DataFile &file, Fill fill)
{
    FileUse use(file);
    file.buffer().clear();
    fill();
    QCOMPARE(file.add(), FileError::None);
}

void addApproval(const char *key, const char *agreedBy)
{
    add(files::NASTROJK, [&] {
        NAS.REGION = QString::fromUtf8(key);
        NAS.SOGLFIO = QString::fromUtf8(agreedBy);
        NAS.DOROGA = QStringLiteral("Трасса М-1");
    });
}

const sieves::Grading kDesigned{100, 100, 95, 80, 55, 40, 30, 22, 15, 10, 8};

bool has(const QString &page, const QString &pattern) { return QRegularExpression(pattern).match(page).hasMatch(); }

using printout::longest;

} // namespace

class TestRecipeForm : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    QTemporaryDir m_dir;
    QList<QPointer<QWidget>> m_shown;

    // The pages of the preview now shown, saved as PDF, as text (-layout); the preview is left.
    QStringList printedPages()
    {
        auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
        const QString path = m_dir.filePath(QStringLiteral("f1.pdf"));
        if (!preview || !preview->saveAsPdf(path))
            return {};
        preview->exitWithoutPrinting();
        m_shown.clear();
        QStringList pages = pdfText(path, true).split(QLatin1Char('\f'));
        pages.removeAll(QString());
        return pages;
    }

private slots:
    void initTestCase()
    {
        useWorkdir(m_dir, &m_sink);
        recordShownWindows(m_shown);
        ReportProcedure::setPrintHook([](std::shared_ptr<const ReportDocument>) {});
        registerRecipeFormProcedures();
    }

    // The design in hand (bitumen 6 %, powder 8 %), no approval record keyed like OBEKT: a copy
    // per approval record with its own block; the recipe lines of the worked example; a
    // component with no share: a blank row but for its name; no additive: no additive line.
    void designInHandOneCopyPerApproval()
    {
        addApproval("Объект 1", "Иванов И.И.");
        addApproval("Объект 2", "Петров П.П.");
        glob::OBEKT = QStringLiteral("РЕЦЕПТ");
        glob::TYP = QStringLiteral("тип Б");
        glob::JBITGL = 6;
        glob::JMPGL = 8;
        glob::PROEKT = kDesigned;
        glob::DIMJKOMP = {56, 0, 44, 0, 0, 0};
        for (size_t k = 0; k < 3; ++k) {
            glob::DIMNAME[k] = QStringList{"Щебень гранитный", "Песок речной", "Порошок МП-1"}[qsizetype(k)];
            glob::ISTDIMYKOMP[k] = 2.6 + 0.05 * double(k);
            for (size_t i = 0; i < 11; ++i)
                glob::DIMKOMP[i][k] = 100 - double(i) * (3 - double(k));
        }
        QWidget caller;
        LONG response = 0;
        QVERIFY(callProcedure(QStringLiteral("OTZET1REZEPT"), &caller, [&response](LONG r) { response = r; }));
        QVERIFY(!caller.isEnabled());
        const QStringList pages = printedPages();
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(QStringLiteral("Иванов И.И.")) && pages[1].contains(QStringLiteral("Петров П.П.")));
        const QString &page = pages[0];
        QVERIFY(page.contains(QStringLiteral("ПРОЕКТНЫЙ СОСТАВ")) && !page.contains(QStringLiteral("№")));
        QVERIFY(page.contains(QStringLiteral("на автодороге Трасса М-1")));
        for (const char *line : {"Щебень фр.20-40 мм:\\s+0.0\\n", "Щебень фр.15-20 мм:\\s+4.7\\n", "Щебень фр.10-15 мм:\\s+14.2\\n",
                                 "Щебень фр.5-10 мм:\\s+23.6\\n", "Песок фр.0-5 мм:\\s+44.3\\n", "Минеральный порошок:\\s+7.5\\n",
                                 "Битумное вяжущее:\\s+5.7\\n", "\\n\\s+42.5\\n"}) // all crushed stone, beside the fractions
            QVERIFY2(has(page, QString::fromUtf8(line)), line);
        QVERIFY(has(page, QStringLiteral("\\n\\s*Песок речной\\s*\\n")));
        QVERIFY(has(page, QStringLiteral("Щебень гранитный\\s+2.6\\s+100\\s+97\\s+94")));
        QVERIFY(!page.contains(QStringLiteral("сверх 100")));
        QTRY_VERIFY(caller.isEnabled());
        QCOMPARE(response, LONG(glob::RequestCompleted));
        QCOMPARE(files::NASTROJK.USED, 0);
    }

    // The envelope of the materials' scatter on the design in hand's form when the grading
    // window's box is ticked: green lines around the curve, which the form draws down from the
    // top edge, and the reliability in the legend; never on a stored recipe's form.
    void envelopeWhenTicked()
    {
        glob::PROEKT = kDesigned;
        glob::PROEKT[0] = 98; // the curve starts at the top edge whatever its 40 mm value
        glob::reliability = {true, 97.46, {}, {}, {}};
        for (size_t i = 0; i < 11; ++i) {
            glob::reliability.low[i] = glob::PROEKT[i] - 3;
            glob::reliability.high[i] = glob::PROEKT[i] + 2;
        }
        for (const auto &[ticked, numbered, drawn] : {std::tuple{1, false, true}, {0, false, false}, {1, true, false}}) {
            glob::envelopeOnForm = BYTE(ticked);
            const ReportBand page = form_f1_report::copy(form_f1_report::valuesOfDesign(numbered), NastrojkRecord(), {});
            std::vector<QRectF> green;
            bool legend = false;
            for (const ReportItem &item : page.items) {
                if (item.kind == ReportItem::Line && item.rgb == 0x00A000)
                    green.push_back(item.rect);
                legend |= item.text == QStringLiteral("Надёжность: 97,5 %"); // the decimal comma of printed numbers
            }
            QCOMPARE(legend, drawn);
            QCOMPARE(green.size(), std::size_t(drawn ? 21 : 0)); // two curves of ten segments and the legend's line
            if (drawn) { // 2.5 mm low 37 and 5 mm high 57, below the curve's 98 at the top edge (93 mm)
                QCOMPARE(green[4].bottomRight(), QPointF(6 + 84.0 * 5 / 11, 93 + (98 - 37) * 0.53));
                QCOMPARE(green[14].topLeft(), QPointF(6 + 84.0 * 4 / 11, 93 + (98 - 57) * 0.53));
            }
        }
        recipe_state::loadRecipe(PodborRecord()); // a stored recipe in hand: the design's envelope goes
        QVERIFY(!form_f1_report::valuesOfDesign(false).envelope);
        glob::envelopeOnForm = 0;
    }

    // "Распечатать" with no approval records: nothing printed, and a word on what to fill in.
    void noApprovalRecordsSaysWhatToFill()
    {
        removeDataFile(files::NASTROJK);
        m_sink.clear();
        QWidget caller;
        LONG response = 0;
        QVERIFY(callProcedure(QStringLiteral("OTZET1REZEPT"), &caller, [&response](LONG r) { response = r; }));
        QCOMPARE(m_sink.shown.size(), 1);
        QVERIFY2(m_sink.shown[0].text.contains(QStringLiteral("список утверждающих лиц и организаций пуст")),
                 qPrintable(m_sink.shown[0].text));
        QVERIFY(m_sink.shown[0].text.contains(QStringLiteral("«Настройки», пункт «Для отчета»")));
        QCOMPARE(response, LONG(glob::RequestCancelled));
        QVERIFY(caller.isEnabled());
        QTest::qWait(50);
        QVERIFY(!awaitShown<ReportPreviewWindow>(m_shown, {}, 100));
        QCOMPARE(files::NASTROJK.USED, 0);
    }

    // Every text of the form whole in its box, none over another: the widest field contents and
    // numbers, and the names as the engineer saw them cut ("Щебень гранит 10-2"), the grade
    // run into its caption and "типа тип Б".
    void textsFitTheirBoxes_data()
    {
        QTest::addColumn<bool>("widest");
        QTest::newRow("widest fields") << true;
        QTest::newRow("names seen cut") << false;
    }
    void textsFitTheirBoxes()
    {
        QFETCH(bool, widest);
        removeDataFile(files::NASTROJK);
        removeDataFile(files::DOBAWKA);
        add(files::NASTROJK, [&] {
            NAS.REGION = QStringLiteral("РЕЦЕПТ");
            for (FixedString<20> *f : {&NAS.DOROGA, &NAS.KONSTRUKTIV, &NAS.SOGLDOLJN, &NAS.SOGLFIO, &NAS.DOLJN1,
                                       &NAS.FIO1, &NAS.ISPOLNIT2, &NAS.FAM2})
                *f = longest(20);
            NAS.SOGLFIRMA = longest(25);
            NAS.FIRMA = longest(25);
        });
        add(files::DOBAWKA, [] {
            DOB.NAME = longest(20, QChar(0x0416)); // Ж
            DOB.KUDA = longest(17);
        });
        glob::OBEKT = QStringLiteral("РЕЦЕПТ");
        glob::TYP = widest ? longest(12) : QStringLiteral("тип Б");
        glob::MARKABIT = widest ? longest(12) : QStringLiteral("БНД 60/90");
        glob::DOB_KA = longest(20, QChar(0x0416));
        glob::SODERZDOBAWKI = 10.25;
        glob::JBITGL = 99.9;
        glob::JMPGL = 88.8;
        glob::PROEKT = {100, 98.8, 88.8, 77.7, 66.6, 55.5, 44.4, 33.3, 22.2, 11.1, 8.8};
        for (size_t i = 0; i < 11; ++i)
            glob::ZRN[i] = {88.8, 100};
        const QStringList seen{QStringLiteral("Щебень гранит 10-20"), QStringLiteral("Отсев гранитный 0-5")};
        for (size_t k = 0; k < 6; ++k) {
            glob::DIMNAME[k] = widest ? longest(20) : seen[qsizetype(k % 2)];
            glob::DIMJKOMP[k] = 16.6667;
            glob::ISTDIMYKOMP[k] = 2.7555;
            for (size_t i = 0; i < 11; ++i)
                glob::DIMKOMP[i][k] = 88.8888;
        }
        QVERIFY(callProcedure(QStringLiteral("OTZET1REZEPT"), nullptr, {}));
        auto *preview = awaitShown<ReportPreviewWindow>(m_shown);
        QVERIFY(preview);
        const QString pdf = m_dir.filePath(QStringLiteral("fit.pdf"));
        QVERIFY(preview->saveAsPdf(pdf));
        const QStringList faults = printout::faults(preview->document(), pdf);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        const QString text = pdfText(pdf, true);
        preview->exitWithoutPrinting();
        m_shown.clear();
        // The fields printed whole, never cut to a width of their own.
        const QString flat = printout::withoutBlanks(text);
        for (const QString &field : (widest ? QStringList{longest(25), longest(20, QChar(0x0416)), longest(17), longest(12)} : seen))
            QVERIFY2(flat.contains(printout::withoutBlanks(field)), qPrintable(field));
        if (!widest) {
            QVERIFY(text.contains(QStringLiteral("асфальтобетонной смеси типа Б\n")));
            QVERIFY(!text.contains(QStringLiteral("типа тип")));
            QVERIFY(has(text, QStringLiteral("Битумное вяжущее:\\s+БНД 60/90\\s+50,0\\n")));
            QVERIFY(has(text, QStringLiteral("Песок фр.0-5 мм:\\s+-11,1\\n"))); // fractions over 100 %: shown as they are
        }
        removeDataFile(files::NASTROJK);
        removeDataFile(files::DOBAWKA);
    }

    // From the recipe list: one copy per recipe with the number of the recipe in the buffer,
    // titled with it, each with its own bitumen grade, the approval record keyed "РЕЦЕПТ" and
    // the additive line.
    void storedRecipeOneCopyPerRecipeWithItsNumber()
    {
        addApproval("РЕЦЕПТ", "Сидоров С.С.");
        add(files::DOBAWKA, [] {
            DOB.NAME = QStringLiteral("ПАВ");
            DOB.KUDA = QStringLiteral("Добавка в битум");
        });
        for (auto [number, grade] : {std::pair{7, "БНД 60/90"}, {8, "БНД 40/60"}, {7, "БНД 90/130"}})
            add(files::PODBOR, [number, grade] {
                POD.NUM = number;
                POD.OBEKT = QStringLiteral("РЕЦЕПТ");
                POD.MARKABIT = QString::fromUtf8(grade);
                POD.BIT = 6;
                POD.PRZRN = kDesigned;
                POD.DOBAW = QStringLiteral("ПАВ");
                POD.SODERZDOBAW = 0.5;
            });
        {
            FileUse use(files::PODBOR);
            POD.NUM = 7;
            QCOMPARE(files::PODBOR.get(files::key::POD_KEYNUM), FileError::None);
        }
        QVERIFY(startProcedure(QStringLiteral("DUBLOTZET1REZEPT")));
        QCOMPARE(glob::NUMMER, 7.0);
        const QStringList pages = printedPages();
        QCOMPARE(pages.size(), 2);
        QStringList grades;
        for (const QString &page : pages) {
            QVERIFY(has(page, QStringLiteral("ПРОЕКТНЫЙ СОСТАВ № +7\\b")) && page.contains(QStringLiteral("Сидоров С.С.")));
            QVERIFY(has(page, QStringLiteral("Добавка в битум\\s+0.5\\s+ПАВ\\s+% сверх 100\\s*\\n")));
            grades << QRegularExpression(QStringLiteral("Битумное вяжущее:\\s*(БНД \\S+)")).match(page).captured(1);
        }
        QCOMPARE(grades, QStringList({QStringLiteral("БНД 60/90"), QStringLiteral("БНД 90/130")}));
        QTRY_COMPARE(files::PODBOR.USED, 0);
    }
};

QTEST_MAIN(TestRecipeForm)
#include "tst_recipe_form.moc"
