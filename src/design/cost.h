#pragma once
// The cost of one tonne of mix and of a paved layer of 100 m2 x 1 cm (window COST), from the
// prices of the mineral components, the bitumen binder and the additive.
#include "design/standard_sieves.h"

#include <QString>
#include <optional>

namespace design {

// Where the additive goes (DOB:KUDA): into the mix, into the bitumen, or nowhere that is
// priced (not found, or any other text).
enum class AdditiveDestination { None, Mix, Bitumen };

// DOB:KUDA as read for the additive; nothing when the additive was not found.
AdditiveDestination additiveDestination(const std::optional<QString> &KUDA);

struct CostInput {
    ComponentValues COSTDIMKOMP{}; // price of each component per tonne
    ComponentValues DIMJKOMP{};    // component shares, %
    REAL COSTBITUM = 0;            // price of the bitumen binder per tonne
    REAL COSTDOB_KA = 0;           // price of the additive per tonne
    REAL SODERZDOBAWKI = 0;        // additive content, % over 100
    REAL JBITGL = 0;               // bitumen, % over 100 % of the mineral part
    AdditiveDestination destination = AdditiveDestination::None;
    std::optional<REAL> PLOTN;     // POD:PLOTN of the recipe NUMMER; nothing when not found
};

struct CostResult {
    REAL COSTMZ = 0;   // one tonne of the mineral part (with an additive put into the mix)
    REAL COSTBIT = 0;  // effective binder price
    REAL COSTSMES = 0; // one tonne of mix
    REAL COSTSLOI = 0; // 100 m2 of a 1 cm layer; 0 when the recipe is not found
};

CostResult computeCost(const CostInput &in);

} // namespace design
