#pragma once
// Hydrostatic weighing of up to three specimens (form UPDATEOBR11, protocol PROTGIDR_PODBOR):
// the mean density, water saturation and swelling, computed in exact decimal arithmetic from the
// stored masses, and the porosities printed with them.
#include "data/fieldtypes.h"

namespace lab {

using Mass = Decimal<7, 2>; // grams, as stored in OBRGIDRO

// The fifteen weighings; index 0, 1, 2 is specimen 1, 2, 3 (OBR:G0, OBR:G01, OBR:G02; ...).
struct Weighings {
    Mass G0[3]; // dry in air
    Mass G1[3]; // wet in air
    Mass G2[3]; // in water
    Mass G3[3]; // water-saturated, in air
    Mass G4[3]; // water-saturated, in water
};

struct WeighingResults {
    REAL PLOT = 0;  // mean density, g/cm3
    REAL WOD = 0;   // water saturation, % by volume
    REAL NABUH = 0; // swelling, % by volume
};

enum class WeighingOutcome {
    Computed,
    NoSpecimenInWater, // no G2 positive: density, saturation and swelling left as they were
    ZeroVolume,        // every counted specimen has G1 = G2: left as they were (no division by 0)
    OutOfRange,        // a quotient beyond exact decimal range: left as they were
};

struct WeighingEvaluation {
    WeighingResults results;
    WeighingOutcome outcome = WeighingOutcome::Computed;
    // Counted specimens whose wet mass equals their mass in water (no volume): left out of the
    // means, which are taken over the others. Bit i is specimen i + 1.
    unsigned leftOut = 0;
};

// Number of specimens counted: 3 if G2 of specimen 3 > 0, else 2 if that of specimen 2 is, else 1
// if that of specimen 1 is, else 0.
int weighedSpecimens(const Weighings &w);

// The evaluation of the density field: the means over the counted specimens that have a volume.
// When nothing can be computed the results are `previous`; in every case a zero G4 of specimen 1
// makes the swelling 0.
WeighingEvaluation evaluateWeighings(const Weighings &w, const WeighingResults &previous);

// The porosities of the protocols, from the bitumen content JBITGL (% over 100 % of the mineral
// part), the true density YMINER of the mineral part and the mean density OBR:PLOT.
struct PorosityValues {
    REAL YASF = 0;     // maximum density of the mix
    REAL PMINER = 0;   // density of the mineral skeleton
    REAL PORMINER = 0; // porosity of the mineral part, %
    REAL POROSTAT = 0; // residual porosity, %
};
// A value whose divisor is 0 (YMINER 0, JBITGL -100, ...) is 0, like a missing record's; with no
// density (PLOT 0) the three values that depend on it are 0 too.
PorosityValues porosityValues(REAL JBITGL, REAL YMINER, REAL PLOT);

} // namespace lab
