#include "design/cost.h"

#include "design/design_test_util.h"

using namespace design;

Q_DECLARE_METATYPE(design::AdditiveDestination)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// Shares 60 / 40 priced 10 and 20, bitumen 6 % at 100, an additive at 2 % priced 200.
CostInput example(AdditiveDestination destination)
{
    CostInput in;
    in.COSTDIMKOMP = {10, 20, 0, 0, 0, 0};
    in.DIMJKOMP = {60, 40, 0, 0, 0, 0};
    in.COSTBITUM = 100;
    in.JBITGL = 6;
    in.COSTDOB_KA = 200;
    in.SODERZDOBAWKI = 2;
    in.destination = destination;
    in.PLOTN = 2.4;
    return in;
}

} // namespace

class TestCost : public QObject {
    Q_OBJECT
private slots:
    void additiveDestination_data()
    {
        QTest::addColumn<std::optional<QString>>("KUDA");
        QTest::addColumn<AdditiveDestination>("destination");
        QTest::newRow("into the mix") << std::optional<QString>(QStringLiteral("Добавка в смесь")) << AdditiveDestination::Mix;
        QTest::newRow("into the bitumen, padded")
            << std::optional<QString>(QStringLiteral("Добавка в битум  ")) << AdditiveDestination::Bitumen;
        QTest::newRow("other case is another text")
            << std::optional<QString>(QStringLiteral("добавка в битум")) << AdditiveDestination::None;
        QTest::newRow("blank") << std::optional<QString>(QString()) << AdditiveDestination::None;
        QTest::newRow("additive not found") << std::optional<QString>() << AdditiveDestination::None;
    }
    void additiveDestination()
    {
        QFETCH(std::optional<QString>, KUDA);
        QFETCH(AdditiveDestination, destination);
        QCOMPARE(design::additiveDestination(KUDA), destination);
    }

    void costPerTonne_data()
    {
        QTest::addColumn<AdditiveDestination>("destination");
        QTest::addColumn<double>("COSTMZ");
        QTest::addColumn<double>("COSTBIT");
        QTest::addColumn<double>("COSTSMES");
        QTest::newRow("no additive surcharge") << AdditiveDestination::None << 14.0 << 100.0 << 2000.0 / 106;
        QTest::newRow("additive into the bitumen")
            << AdditiveDestination::Bitumen << 14.0 << 10400.0 / 102 << (6 * 10400.0 / 102 + 1400) / 106;
        QTest::newRow("additive into the mix")
            << AdditiveDestination::Mix << 1800.0 / 102 << 100.0 << (600 + 100 * 1800.0 / 102) / 106;
    }
    void costPerTonne()
    {
        QFETCH(AdditiveDestination, destination);
        QFETCH(double, COSTMZ);
        QFETCH(double, COSTBIT);
        QFETCH(double, COSTSMES);
        const CostResult r = computeCost(example(destination));
        QCOMPARE_NEAR(r.COSTMZ, COSTMZ, 1e-12);
        QCOMPARE_NEAR(r.COSTBIT, COSTBIT, 1e-12);
        QCOMPARE_NEAR(r.COSTSMES, COSTSMES, 1e-12);
        QCOMPARE_NEAR(r.COSTSLOI, COSTSMES * 2.4, 1e-12);
    }

    void costAsShown()
    {
        QCOMPARE(QString::number(computeCost(example(AdditiveDestination::None)).COSTSMES, 'f', 3), "18.868");
        QCOMPARE(QString::number(computeCost(example(AdditiveDestination::None)).COSTSLOI, 'f', 2), "45.28");
        QCOMPARE(QString::number(computeCost(example(AdditiveDestination::Bitumen)).COSTBIT, 'f', 2), "101.96");
        QCOMPARE(QString::number(computeCost(example(AdditiveDestination::Bitumen)).COSTSMES, 'f', 2), "18.98");
        QCOMPARE(QString::number(computeCost(example(AdditiveDestination::Mix)).COSTMZ, 'f', 3), "17.647");
        QCOMPARE(QString::number(computeCost(example(AdditiveDestination::Mix)).COSTSMES, 'f', 4), "22.3085");
    }

    // Six components, each with its own share and price.
    void allSixComponents()
    {
        CostInput in;
        in.COSTDIMKOMP = {10, 20, 30, 40, 50, 60};
        in.DIMJKOMP = {10, 20, 30, 20, 10, 10};
        in.COSTBITUM = 0;
        const CostResult r = computeCost(in);
        QCOMPARE_NEAR(r.COSTMZ, 1 + 4 + 9 + 8 + 5 + 6, 1e-12);
        QCOMPARE_NEAR(r.COSTSMES, 33.0, 1e-12); // no bitumen: the mineral part alone
        QCOMPARE(r.COSTSLOI, 0.0);              // recipe not found: no layer cost
    }

    void guardedDivisions()
    {
        CostInput in = example(AdditiveDestination::Mix);
        in.SODERZDOBAWKI = -100;
        CostResult r = computeCost(in);
        QCOMPARE_NEAR(r.COSTMZ, 14.0, 1e-12); // no surcharge
        in.destination = AdditiveDestination::Bitumen;
        r = computeCost(in);
        QCOMPARE(r.COSTBIT, 100.0);
        in.JBITGL = -100;
        r = computeCost(in);
        QCOMPARE(r.COSTSMES, 0.0);
        QCOMPARE(r.COSTSLOI, 0.0);
    }
};

QTEST_GUILESS_MAIN(TestCost)
#include "tst_cost.moc"
