#include "design/cost.h"

#include "support/design_fixtures.h"

using namespace design;


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
    // Into the mix; into the bitumen (padded); another case is another text; no additive found.
    void additiveDestination()
    {
        QCOMPARE(design::additiveDestination(QStringLiteral("Добавка в смесь")), AdditiveDestination::Mix);
        QCOMPARE(design::additiveDestination(QStringLiteral("Добавка в битум  ")), AdditiveDestination::Bitumen);
        QCOMPARE(design::additiveDestination(QStringLiteral("добавка в битум")), AdditiveDestination::None);
        QCOMPARE(design::additiveDestination(std::nullopt), AdditiveDestination::None);
    }

    // The figures to three decimals: 2000 / 106; 10400 / 102 for the binder; 1800 / 102 for
    // the mineral part; the layer at a density of 2.4.
    void costPerTonne()
    {
        // COSTMZ, COSTBIT, COSTSMES, COSTSLOI: no surcharge, additive into the bitumen, into the mix.
        for (auto [destination, figures] : {std::pair{AdditiveDestination::None, "14.000 100.000 18.868 45.283"},
                                            {AdditiveDestination::Bitumen, "14.000 101.961 18.979 45.549"},
                                            {AdditiveDestination::Mix, "17.647 100.000 22.309 53.541"}}) {
            const CostResult r = computeCost(example(destination));
            QStringList computed;
            for (double v : {r.COSTMZ, r.COSTBIT, r.COSTSMES, r.COSTSLOI})
                computed << QString::number(v, 'f', 3);
            QCOMPARE(computed.join(QLatin1Char(' ')), QLatin1String(figures));
        }
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
