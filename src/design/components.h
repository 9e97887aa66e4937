#pragma once
// The mineral components of a design as the component selection appends them: the k-th choice
// becomes component k of the design state's tables (DIMNAME, DIMKOMP, ISTDIMYKOMP, COSTDIMKOMP).
#include "data/globals.h"

#include <QString>

namespace components {

inline const QString noDensityMessage = QStringLiteral("ВВЕДИ ИСТИННУЮ ПЛОТНОСТЬ");
inline const QString noComponentsMessage = QStringLiteral("НЕ ВЫБРАНЫ КОМПОНЕНТЫ!");
inline const QString tooManyMessage = QStringLiteral("Превышено число компонент!");
inline constexpr int maxComponents = 6;

// Price per tonne of an aggregate priced per m3: divided by its bulk density; 0 where the bulk
// density is 0 (not entered yet).
REAL pricePerTonne(REAL pricePerM3, REAL bulkDensity);

enum class Appended {
    Done,
    NoDensity, // appended; its true density is 0 or less: noDensityMessage
    Refused,   // the six places are taken: nothing written, tooManyMessage
};

// Appends one component of the material file `materialFile` ("SPLIT" ...). A mineral powder
// also sets NUMMP, FILL1 and COSTFILLER.
Appended append(glob::DesignState &design, const FixedString<20> &name, const sieves::Grading &grading, REAL trueDensity,
                REAL pricePerTonne, bool mineralPowder, const QString &materialFile = {});

// The message of the count check on "OK" and "Далее", empty when the count is sound.
QString countCheck(const glob::DesignState &design);

} // namespace components
