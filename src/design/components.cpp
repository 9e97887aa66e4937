#include "design/components.h"

#include "design/standard_sieves.h"

namespace components {

REAL pricePerTonne(REAL pricePerM3, REAL bulkDensity) { return design::quotientOrZero(pricePerM3, bulkDensity); }

Appended append(glob::DesignState &d, const FixedString<20> &name, const sieves::Grading &grading, REAL trueDensity,
                REAL price, bool mineralPowder, const QString &materialFile)
{
    if (d.NKOMP >= maxComponents)
        return Appended::Refused;
    const int k = d.NKOMP++;
    d.DIMNAME[k] = name;
    for (int i = 0; i < 11; ++i)
        d.DIMKOMP[i][k] = grading[i];
    d.ISTDIMYKOMP[k] = trueDensity;
    d.COSTDIMKOMP[k] = price;
    d.componentFile[k] = materialFile;
    if (mineralPowder) {
        d.NUMMP = k + 1;
        d.FILL1 = name;
        d.COSTFILLER = price;
    }
    return trueDensity > 0 ? Appended::Done : Appended::NoDensity;
}

QString countCheck(const glob::DesignState &d)
{
    if (d.NKOMP == 0)
        return noComponentsMessage;
    if (d.NKOMP > maxComponents)
        return tooManyMessage;
    return {};
}

} // namespace components
