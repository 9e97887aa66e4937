#include "design/cost.h"

#include "support/design_fixtures.h"

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
        QTest::newRow("additive not found") << std::optional<QString>() << AdditiveDestination::None;
    }
    void additiveDestination()
    {
        QFETCH(std::optional<QString>, KUDA);
        QFETCH(AdditiveDestination, destination);
        QCOMPARE(design::additiveDestination(KUDA), destination);
    }

    // The figures to three decimals: 2000 / 106; 10400 / 102 for the binder; 1800 / 102 for
    // the mineral part; the layer at a density of 2.4.
    void costPerTonne_data()
    {
        QTest::addColumn<AdditiveDestination>("destination");
        QTest::addColumn<QStringList>("figures"); // COSTMZ, COSTBIT, COSTSMES, COSTSLOI
        QTest::newRow("no additive surcharge")
            << AdditiveDestination::None << QStringList{"14.000", "100.000", "18.868", "45.283"};
        QTest::newRow("additive into the bitumen")
            << AdditiveDestination::Bitumen << QStringList{"14.000", "101.961", "18.979", "45.549"};
        QTest::newRow("additive into the mix")
            << AdditiveDestination::Mix << QStringList{"17.647", "100.000", "22.309", "53.541"};
    }
    void costPerTonne()
    {
        QFETCH(AdditiveDestination, destination);
        QFETCH(QStringList, figures);
        const CostResult r = computeCost(example(destination));
        QStringList computed;
        for (double v : {r.COSTMZ, r.COSTBIT, r.COSTSMES, r.COSTSLOI})
            computed << QString::number(v, 'f', 3);
        QCOMPARE(computed, figures);
    }

    // Six components, each with its own share and price.
    void allSixComponents()
    {
        CostInput in;
        in.COSTDIMKOMP = {10, 20, 30, 40, 50, 60};
        in.DIMJKOMP = {10, 20, 30, 20, 10, 10};
        in.COSTBITUM = 0;
        const CostResult r = computeCost(in);
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
