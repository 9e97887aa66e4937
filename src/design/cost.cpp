#include "design/cost.h"

namespace design {

AdditiveDestination additiveDestination(const std::optional<QString> &KUDA)
{
    if (!KUDA)
        return AdditiveDestination::None;
    QString t = *KUDA;
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    if (t == QStringLiteral("Добавка в смесь"))
        return AdditiveDestination::Mix;
    if (t == QStringLiteral("Добавка в битум"))
        return AdditiveDestination::Bitumen;
    return AdditiveDestination::None;
}

namespace {

// A price with the additive mixed in at `content` % over 100. A content of -100 % would
// divide by 0: the price is then left without the surcharge.
REAL withAdditive(REAL price, REAL content, REAL additivePrice)
{
    if (content + 100 == 0)
        return price;
    return quotientOrZero(price * 100 + content * additivePrice, content + 100);
}

} // namespace

CostResult computeCost(const CostInput &in)
{
    CostResult r;
    for (int j = 0; j < 6; ++j)
        r.COSTMZ += in.COSTDIMKOMP[j] * in.DIMJKOMP[j] / 100;

    r.COSTBIT = in.COSTBITUM;
    if (in.destination == AdditiveDestination::Mix)
        r.COSTMZ = withAdditive(r.COSTMZ, in.SODERZDOBAWKI, in.COSTDOB_KA);
    else if (in.destination == AdditiveDestination::Bitumen)
        r.COSTBIT = withAdditive(in.COSTBITUM, in.SODERZDOBAWKI, in.COSTDOB_KA);

    // A bitumen content of -100 % would divide by 0: the cost is then 0.
    r.COSTSMES = quotientOrZero(in.JBITGL * r.COSTBIT + r.COSTMZ * 100, in.JBITGL + 100);
    r.COSTSLOI = in.PLOTN ? r.COSTSMES * *in.PLOTN : 0;
    return r;
}

} // namespace design
