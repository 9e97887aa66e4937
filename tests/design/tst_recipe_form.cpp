// The recipe form "Ф.1" printed as the engineer gets it: through the report runner to its
// preview, saved as PDF and read back with pdftotext.
#include "data/files.h"
#include "data/globals.h"
#include "design/otzet1rezept_window.h"
#include "framework/fileservices.h"
#include "framework/reportpreview_window.h"
#include "framework/reportprogress_window.h"
#include "support/fake_sink.h"
#include "support/pdf_text.h"
#include "support/workdir.h"

#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

void addApproval(const char *key, const char *agreedBy)
{
    FileUse use(files::NASTROJK);
    files::NASTROJK.buffer().clear();
    NAS.REGION = QString::fromUtf8(key);
    NAS.SOGLFIO = QString::fromUtf8(agreedBy);
    NAS.DOROGA = QStringLiteral("Трасса М-1");
    QCOMPARE(files::NASTROJK.add(), FileError::None);
}

// The worked example: bitumen 6 %, powder 8 %, the designed grading 100, 100, 95, 80, 55 on the
// coarse sieves; three components, the second with no share.
void setDesign()
{
    glob::TYP = QStringLiteral("тип Б");
    glob::JBITGL = 6;
    glob::JMPGL = 8;
    glob::PROEKT = {100, 100, 95, 80, 55, 40, 30, 22, 15, 10, 8};
    const char *names[3] = {"Щебень гранитный", "Песок речной", "Порошок МП-1"};
    glob::DIMJKOMP = {56, 0, 44, 0, 0, 0};
    for (size_t k = 0; k < 3; ++k) {
        glob::DIMNAME[k] = QString::fromUtf8(names[k]);
        glob::ISTDIMYKOMP[k] = 2.6 + 0.05 * double(k);
        for (size_t i = 0; i < 11; ++i)
            glob::DIMKOMP[i][k] = 100 - double(i) * (3 - double(k));
    }
    for (size_t i = 0; i < 11; ++i)
        glob::ZRN[i] = {std::max(0.0, 90 - 9.0 * double(i)), 100 - 5.0 * double(i)};
}

void addRecipe(REAL number, const char *grade)
{
    FileUse use(files::PODBOR);
    files::PODBOR.buffer().clear();
    POD.NUM = number;
    POD.OBEKT = QStringLiteral("РЕЦЕПТ");
    POD.TYPASPH = QStringLiteral("тип Б");
    POD.MARKABIT = QString::fromUtf8(grade);
    POD.BIT = 6;
    POD.JMP = 8;
    POD.PRZRN = {100, 100, 95, 80, 55, 40, 30, 22, 15, 10, 8};
    POD.DIMNAME[0] = QStringLiteral("Щебень гранитный");
    POD.DIMJKOMP[0] = 100;
    POD.DOBAW = QStringLiteral("ПАВ");
    POD.SODERZDOBAW = 0.5;
    QCOMPARE(files::PODBOR.add(), FileError::None);
}

} // namespace

class TestRecipeForm : public QObject {
    Q_OBJECT
    FakeSink m_sink;
    QTemporaryDir m_dir;
    QList<QPointer<QWidget>> m_shown;

    REPORTPREVIEW *preview()
    {
        REPORTPREVIEW *found = nullptr;
        (void)QTest::qWaitFor([&] {
            for (const auto &w : m_shown)
                if (auto *p = qobject_cast<REPORTPREVIEW *>(w.data()))
                    found = p;
            return found != nullptr;
        }, 20000);
        return found;
    }

    // The preview's pages as PDF text (-layout), pages parted by form feeds.
    QStringList pdfPages(REPORTPREVIEW *p, const QString &name)
    {
        const QString path = m_dir.filePath(name);
        if (!p->saveAsPdf(path))
            return {};
        QStringList pages = pdfText(path, true).split(QLatin1Char('\f'));
        while (!pages.isEmpty() && pages.last().trimmed().isEmpty())
            pages.removeLast();
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
    void cleanup() { m_shown.clear(); }

    // The design in hand, no approval record keyed like OBEKT: a copy per approval record, each
    // with its own approval block; the recipe in % by mass of the worked example; the row of a
    // component with no share blank but for its name; no additive: an empty additive line.
    void designInHandOneCopyPerApproval()
    {
        addApproval("Объект 1", "Иванов И.И.");
        addApproval("Объект 2", "Петров П.П.");
        setDesign();
        glob::OBEKT = QStringLiteral("РЕЦЕПТ");
        QWidget caller;
        LONG response = 0;
        QVERIFY(callProcedure(QStringLiteral("OTZET1REZEPT"), &caller, [&response](LONG r) { response = r; }));
        QVERIFY(!caller.isEnabled());
        REPORTPREVIEW *p = preview();
        QVERIFY(p);
        const QStringList pages = pdfPages(p, QStringLiteral("f1.pdf"));
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(QStringLiteral("Иванов И.И.")) && !pages[0].contains(QStringLiteral("Петров")));
        QVERIFY(pages[1].contains(QStringLiteral("Петров П.П.")));
        const QString &page = pages[0];
        QVERIFY(page.contains(QStringLiteral("ПРОЕКТНЫЙ СОСТАВ")));
        QVERIFY(!page.contains(QStringLiteral("№")));
        QVERIFY(page.contains(QStringLiteral("на автодороге Трасса М-1")));
        const QList<std::pair<const char *, const char *>> lines = {
            {"Щебень фр.20-40 мм:", "0.0"},  {"Щебень фр.15-20 мм:", "4.7"},  {"Щебень фр.10-15 мм:", "14.2"},
            {"Щебень фр.5-10 мм:", "23.6"},  {"Песок фр.0-5 мм:", "44.3"},     {"Минеральный порошок:", "7.5"},
            {"Битумное вяжущее:", "5.7"}};
        for (const auto &[label, value] : lines) {
            const QRegularExpression line(QRegularExpression::escape(QString::fromUtf8(label)) + QStringLiteral("[^\\n]*\\s")
                                          + QRegularExpression::escape(QLatin1String(value)) + QStringLiteral("(\\s|$)"));
            QVERIFY2(line.match(page).hasMatch(), label);
        }
        QVERIFY(page.contains(QRegularExpression(QStringLiteral("\\n\\s+42\\.5\\s*\\n")))); // all crushed stone, beside
        QVERIFY(page.contains(QRegularExpression(QStringLiteral("\\n\\s*Песок речной\\s*\\n")))); // blank row
        QVERIFY(page.contains(QRegularExpression(QStringLiteral("Щебень гранитный\\s+2\\.6\\s+100\\s+97\\s+94"))));
        QVERIFY(page.contains(QStringLiteral("ИТОГО:")));
        QVERIFY(!page.contains(QStringLiteral("сверх 100")));
        p->exitWithoutPrinting();
        QTRY_VERIFY(caller.isEnabled());
        QCOMPARE(response, LONG(glob::RequestCompleted));
        QCOMPARE(files::NASTROJK.USED, 0);
    }

    // From the recipe list: the recipe in the buffer, one copy per recipe with its number, each
    // titled with the number and showing its own bitumen grade; the approval record keyed
    // "РЕЦЕПТ" in both; the additive line with the additive's use.
    void storedRecipeOneCopyPerRecipeWithItsNumber()
    {
        addApproval("РЕЦЕПТ", "Сидоров С.С.");
        {
            FileUse use(files::DOBAWKA);
            files::DOBAWKA.buffer().clear();
            DOB.NAME = QStringLiteral("ПАВ");
            DOB.KUDA = QStringLiteral("Добавка в битум");
            QCOMPARE(files::DOBAWKA.add(), FileError::None);
        }
        addRecipe(7, "БНД 60/90");
        addRecipe(8, "БНД 40/60");
        addRecipe(7, "БНД 90/130");
        {
            FileUse use(files::PODBOR);
            files::PODBOR.buffer().clear();
            POD.NUM = 7;
            QCOMPARE(files::PODBOR.get(files::key::POD_KEYNUM), FileError::None);
        }
        QVERIFY(startProcedure(QStringLiteral("DUBLOTZET1REZEPT")));
        QCOMPARE(glob::NUMMER, 7.0);
        REPORTPREVIEW *p = preview();
        QVERIFY(p);
        const QStringList pages = pdfPages(p, QStringLiteral("dubl.pdf"));
        QCOMPARE(pages.size(), 2);
        QStringList grades;
        for (const QString &page : pages) {
            QVERIFY(page.contains(QRegularExpression(QStringLiteral("ПРОЕКТНЫЙ СОСТАВ № +7\\b"))));
            QVERIFY(page.contains(QStringLiteral("Сидоров С.С.")));
            QVERIFY(page.contains(QRegularExpression(QStringLiteral("Добавка в битум\\s+0\\.5\\s+ПАВ\\s+% сверх 100\\s*\\n"))));
            const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Битумное вяжущее:\\s*(БНД \\S+)")).match(page);
            grades << m.captured(1);
        }
        QCOMPARE(grades, QStringList({QStringLiteral("БНД 60/90"), QStringLiteral("БНД 90/130")}));
        p->exitWithoutPrinting();
        QTRY_COMPARE(files::PODBOR.USED, 0);
    }
};

QTEST_MAIN(TestRecipeForm)
#include "tst_recipe_form.moc"
