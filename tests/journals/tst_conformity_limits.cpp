#include "journals/conformity_limits.h"
#include "journals/conformity_verdict.h"

#include <QTest>
#include <cmath>

using namespace lab;

namespace {

// The limits in the order D20MIN, D5MIN, D5MAX, D063MIN, D063MAX, D0071MIN, D0071MAX,
// PORMINERMIN, PORMINERMAX, POROSTMIN, POROSTMAX, WMIN, WMAX, R20MIN, R50MIN, R0MAX,
// RASKMIN, RASKMAX, TGFIMIN, C50MIN, KWODMIN, KDLITMIN.
QList<double> asList(const ConformityLimits &l)
{
    return {l.D20MIN,  l.D5MIN,   l.D5MAX,   l.D063MIN, l.D063MAX, l.D0071MIN, l.D0071MAX, l.PORMINERMIN,
            l.PORMINERMAX, l.POROSTMIN, l.POROSTMAX, l.WMIN, l.WMAX, l.R20MIN, l.R50MIN, l.R0MAX,
            l.RASKMIN, l.RASKMAX, l.TGFIMIN, l.C50MIN, l.KWODMIN, l.KDLITMIN};
}

const char *const names[] = {"D20MIN",    "D5MIN",   "D5MAX",   "D063MIN", "D063MAX", "D0071MIN",
                             "D0071MAX",  "PORMINERMIN", "PORMINERMAX", "POROSTMIN", "POROSTMAX",
                             "WMIN",      "WMAX",    "R20MIN",  "R50MIN",  "R0MAX",   "RASKMIN",
                             "RASKMAX",   "TGFIMIN", "C50MIN",  "KWODMIN", "KDLITMIN"};

// Compares limit by limit and names the first that differs.
QString firstDifference(const QList<double> &actual, const QList<double> &expected)
{
    for (int i = 0; i < actual.size(); ++i)
        if (actual[i] != expected.value(i, -1))
            return QStringLiteral("%1 is %2, expected %3").arg(QLatin1String(names[i])).arg(actual[i]).arg(expected.value(i, -1));
    return QString();
}

const QString ordinary = QStringLiteral("мелкозернистая");
const QString stoneMastic = QStringLiteral("щебеночно-мастичная");

} // namespace

struct ApprovalRow {
    QString TYP; QString MARKA; QString DKZ; QString WIDAB; QList<double> limits;
};

class TestConformityLimits : public QObject {
    Q_OBJECT
private slots:
    void protocolLimits()
    {
        // Type, grade, zone and the limits in the order of asList.
        const std::tuple<QString, QString, QString, QList<double>> rows[] = {
            {"тип Б", "II", "III", QList<double>{90, 50, 60, 20, 60, 6, 12, 0, 19, 2.5, 5.0, 1.5, 4.0, 2.2, 1.0, 12, 3.0, 6.0, 0.81, 0.35, 0.85, 0.75}}, // Б II III
            {"ВПА", "II", "II", QList<double>{90, 35, 50, 13, 50, 10, 16, 0, 16, 1.0, 2.5, 1.0, 2.5, 2.2, 0, 12, 3.0, 6.0, 0, 0, 0.85, 0.75}}, // ВПА II: no shear limits
            {"ВПА", "I", "", QList<double>{90, 35, 50, 13, 50, 10, 16, 0, 16, 1.0, 2.5, 1.0, 2.5, 0, 1.2, 0, 0, 0, 0.89, 0.30, 0.90, 0.85}}, // ВПА I no zone: only step 3's other-zone row
            {"ЩМА-15", "", "IV", QList<double>{100, 25, 35, 12, 22, 9, 14, 15, 19, 2.0, 4.5, 1.5, 4.0, 2.5, 0.70, 0, 3.0, 6.5, 0.94, 0.20, 0, 0.75}}, // ЩМА-15 IV
            {"тип Апр     ", "II ", "V  ", QList<double>{90, 40, 50, 14, 50, 4, 10, 0, 19, 2.5, 5.0, 2.0, 5.0, 2.2, 1.0, 13, 3.5, 7.0, 0.89, 0.25, 0.80, 0.70}}, // Апр padded fields
            {"тип Х", "I", "I", QList<double>{100, 0, 0, 0, 0, 0, 0, 0, 0, 2.5, 5.0, 0, 0, 2.5, 0, 9, 3.0, 5.5, 0, 0, 0.95, 0.90}}, // unknown type: D20 100, porosity and zone limits
            {"тип Б", "I", "VI", QList<double>{90, 50, 60, 20, 60, 6, 12, 0, 19, 2.5, 5.0, 1.5, 4.0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}, // unknown zone sets no zone limits
        };
        for (const auto &[TYP, MARKA, DKZ, limits] : rows) {
            const QString diff = firstDifference(asList(protvseLimits(TYP, MARKA, DKZ)), limits);
            QVERIFY2(diff.isEmpty(), qPrintable(TYP + QStringLiteral(": ") + diff));
        }
    }

    void approvalFormLimits()
    {
        // No grading limits on the form: the first seven are always 0.
        const ApprovalRow rows[] = {
            {"тип Б", "II", "III", ordinary,
                QList<double>{0, 0, 0, 0, 0, 0, 0, 0, 19, 2.5, 5.0, 1.5, 4.0, 2.2, 1.0, 12, 3.0, 6.0, 0.81, 0.35, 0.85, 0.75}}, // Б II III as in the protocol
            {"тип А", "III", "II", ordinary,
                QList<double>{0, 0, 0, 0, 0, 0, 0, 0, 19, 2.5, 5.0, 2.0, 5.0, 2.0, 0, 12, 2.5, 7.0, 0, 0, 0.75, 0.65}}, // А III zone II: no shear limits
            {"ЩМА-10", "", "I", stoneMastic,
                QList<double>{0, 0, 0, 0, 0, 0, 0, 15, 19, 1.5, 4.0, 1.0, 3.5, 2.0, 0.60, 0, 2.0, 5.5, 0.91, 0.16, 0.85, 0.90}}, // ЩМА-10 I: friction 0.91, water resistance kept
            {"ЩМА-20", "", "", stoneMastic,
                QList<double>{0, 0, 0, 0, 0, 0, 0, 15, 19, 2.5, 5.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}, // ЩМА-20 no zone: no zone row
            {"ЩМА-15", "", "II", ordinary,
                QList<double>{0, 0, 0, 0, 0, 0, 0, 0, 0, 2.5, 5.0, 0, 0, 2.0, 0, 12, 2.5, 7.0, 0, 0, 0.75, 0.65}}, // ЩМА type of an ordinary mix: no stone-mastic step
            {"тип Б", "", "II", stoneMastic,
                QList<double>{0, 0, 0, 0, 0, 0, 0, 15, 19, 2.5, 5.0, 1.5, 4.0, 2.0, 0.9, 12, 2.5, 7.0, 0.80, 0.34, 0.75, 0.65}}, // stone-mastic kind, ordinary type
        };
        for (const ApprovalRow &row : rows) {
            auto [TYP, MARKA, DKZ, WIDAB, limits] = row;
            const QString diff = firstDifference(asList(formaD25Limits(TYP, MARKA, DKZ, WIDAB)), limits);
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }
    }

    void protocolTexts()
    {
        const ConformityLimits b = protvseLimits(QStringLiteral("тип Б"), QStringLiteral("II"), QStringLiteral("III"));
        ProtvseTexts t = protvseTexts(b, QStringLiteral("II "), 0);
        QCOMPARE(t.MARK1, QStringLiteral("II"));
        QCOMPARE(t.KWODMIN1, QStringLiteral("0,85"));
        QVERIFY(t.STEKANTXT.isEmpty() && t.STEKAN.isEmpty() && t.NORMSTEKAN.isEmpty());

        const ConformityLimits sma = protvseLimits(QStringLiteral("ЩМА-15"), QString(), QStringLiteral("IV"));
        t = protvseTexts(sma, QString(), 0.15);
        QVERIFY(t.MARK1.isEmpty() && t.MARK1TXT.isEmpty() && t.R0MAX1.isEmpty() && t.KWODMIN1.isEmpty());
        QCOMPARE(t.STEKAN, QStringLiteral("0,15"));
        QCOMPARE(t.NORMSTEKAN, QStringLiteral("не более 0,2"));

        t = protvseTexts(sma, QString(), 0); // drainage not typed: zero limits still print blank
        QVERIFY(t.R0MAX1.isEmpty() && t.KWODMIN1.isEmpty() && t.STEKANTXT.isEmpty());
    }

    void approvalFormTexts()
    {
        const ConformityLimits b = formaD25Limits(QStringLiteral("тип Б"), QStringLiteral("I"), QStringLiteral("I"), ordinary);
        FormaD25Texts t = formaD25Texts(b, ordinary);
        QCOMPARE(t.GOST_, QStringLiteral("ГОСТ 9128-97"));
        QCOMPARE(t.TR0_2, QStringLiteral("9"));
        QCOMPARE(t.KV_CTEK_TR2, QStringLiteral("0,95"));
        QVERIFY(t.waterResistanceRow);

        const ConformityLimits sma = formaD25Limits(QStringLiteral("ЩМА-20"), QString(), QStringLiteral("II"), stoneMastic);
        t = formaD25Texts(sma, stoneMastic + QStringLiteral("      "));
        QCOMPARE(t.GOST_, QStringLiteral("ГОСТ 31015-2002"));
        QCOMPARE(t.KV_CTEK_TR2, QStringLiteral("0,20%"));
        QCOMPARE(t.TR_POR, QStringLiteral("от 15 до 19"));
        QVERIFY(t.TR0_1.isEmpty() && t.TR0_2.isEmpty() && t.MARKA_.isEmpty());
        QVERIFY(!t.waterResistanceRow);
    }

    void numbersAsText()
    {
        QCOMPARE(numberText(0.85, 2, 4), QStringLiteral("0,85"));
        QCOMPARE(numberText(123.456, 2, 5), QStringLiteral("123,5")); // fewer places to fit
        QCOMPARE(numberText(12345.0, 0, 2), QStringLiteral("##"));
        QCOMPARE(numberText(std::nan(""), 2, 4), QStringLiteral("####"));
    }

    // Shares 50 / 30 / 20 %: 1000 kg at 6 %; bitumen -100 gives nothing.
    void batchDoses()
    {
        const REAL shares[6] = {50, 30, 20, 0, 0, 0};
        for (auto [M, JBITGL, BIT, ZAMESBIT, W100_1, MZAMES_1] : {std::tuple{1000.0, 6.0, 600.0 / 106, 6000.0 / 106, 5000.0 / 106, 50000.0 / 106},
                                                                  {1000.0, -100.0, 0.0, 0.0, 0.0, 0.0}}) {
            const BatchDoses b = lab::batchDoses(M, JBITGL, shares);
            QVERIFY(std::fabs(b.BIT - BIT) < 1e-12);
            QVERIFY(std::fabs(b.ZAMESBIT - ZAMESBIT) < 1e-10);
            QVERIFY(std::fabs(b.W100[0] - W100_1) < 1e-12);
            QVERIFY(std::fabs(b.MZAMES[0] - MZAMES_1) < 1e-10);
            QCOMPARE(b.W100[3], 0.0);
            QCOMPARE(b.MZAMES[5], 0.0);
        }
    }

    // "тип Б", grade II, zone III: what is outside its limit is listed in the protocols' order;
    // what was not measured (0, no weighing, no test) is not judged; nothing judged says nothing.
    void verdict_data()
    {
        QTest::addColumn<double>("R50");
        QTest::addColumn<double>("WOD");
        QTest::addColumn<bool>("withTest");
        QTest::addColumn<QString>("text");
        QTest::newRow("conforms") << 1.05 << 2.6 << true << QStringLiteral("да");
        QTest::newRow("R50 and water saturation") << 0.9 << 4.2 << true << QStringLiteral("нет: водонасыщение, R50");
        QTest::newRow("4,04 prints 4,0: within") << 1.05 << 4.04 << true << QStringLiteral("да");
        QTest::newRow("R50 not measured") << 0.0 << 2.6 << true << QStringLiteral("да");
        QTest::newRow("no test: the weighing alone") << 0.0 << 4.2 << false << QStringLiteral("нет: водонасыщение");
        QTest::newRow("nothing measured") << 0.0 << 0.0 << false << QString();
    }
    void verdict()
    {
        QFETCH(double, R50);
        QFETCH(double, WOD);
        QFETCH(bool, withTest);
        QFETCH(QString, text);
        const lab::ConformityLimits l = lab::protvseLimits(QStringLiteral("тип Б"), QStringLiteral("II"), QStringLiteral("III"));
        GurRecord test;
        test.R50 = R50, test.R20 = 2.5, test.KWOD = 0.9;
        const lab::Verdict v = lab::judgeMix(l, {nullptr, 0, WOD, 6, 2.7, withTest ? &test : nullptr});
        QCOMPARE(lab::verdictText(v), text);
        QCOMPARE(lab::conclusionLine(v).startsWith(QStringLiteral("Заключение: смесь соответствует")), text == QStringLiteral("да"));
    }
};

QTEST_GUILESS_MAIN(TestConformityLimits)
#include "tst_conformity_limits.moc"
