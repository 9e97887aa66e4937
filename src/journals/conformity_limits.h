#pragma once
// The requirements of the standards that the conformity reports print beside the measured
// properties: a fixed decision table over the mix type, grade and road-climatic zone, with the
// differences of the approval form "Форма Д-25" (FORMAD_25) from the test protocol (PROTVSE),
// and the texts and batch doses derived with them.
#include "data/fieldtypes.h"

#include <QString>

namespace lab {

// Every limit is 0 (not set) unless the table sets it. FORMAD_25 prints PORMINERMIN/MAX as
// PORMZMIN/MAX, POROSTMIN/MAX as OSTPORMIN/MAX and TGFIMIN as TGFMIN; it has no grading limits.
struct ConformityLimits {
    REAL D20MIN = 0, D5MIN = 0, D5MAX = 0, D063MIN = 0, D063MAX = 0, D0071MIN = 0, D0071MAX = 0;
    REAL PORMINERMIN = 0, PORMINERMAX = 0;
    REAL POROSTMIN = 0, POROSTMAX = 0;
    REAL WMIN = 0, WMAX = 0;
    REAL R20MIN = 0, R50MIN = 0, R0MAX = 0;
    REAL RASKMIN = 0, RASKMAX = 0;
    REAL TGFIMIN = 0, C50MIN = 0;
    REAL KWODMIN = 0, KDLITMIN = 0;
};

// TYP, MARKA and DKZ as held in their fixed-width fields (trailing blanks do not count).
ConformityLimits protvseLimits(const QString &TYP, const QString &MARKA, const QString &DKZ);
// WIDAB "щебеночно-мастичная" marks a stone-mastic mix.
ConformityLimits formaD25Limits(const QString &TYP, const QString &MARKA, const QString &DKZ,
                                const QString &WIDAB);

// A number as report text: `decimals` places with a decimal comma, fewer when the text would not
// fit `width` characters, '#' repeated when even the whole number does not fit.
QString numberText(REAL value, int decimals, int width);
// A limit as report text: blank when 0 (not set), whole numbers without decimals, else two places.
QString limitText(REAL value, int width);

// Texts of a PROTVSE page; UMSR is the binder drainage of the test record (positive for a
// stone-mastic mix).
struct ProtvseTexts {
    QString MARK1, MARK1TXT, R0MAX1, KWODMIN1, STEKANTXT, STEKAN, NORMSTEKAN;
};
ProtvseTexts protvseTexts(const ConformityLimits &limits, const QString &MARKA, REAL UMSR);

// Texts of a FORMAD_25 page that follow from the standard applied.
struct FormaD25Texts {
    QString GOST_, WOD_STEK_, TR_POR, KW_STEK_TR, KV_CTEK_TR2, MARKA_, TR0_1, TR0_2;
    bool waterResistanceRow = true; // false: the row shows the drainage STEK_F instead of KW_F
};
FormaD25Texts formaD25Texts(const ConformityLimits &limits, const QString &WIDAB);

// Bitumen and component doses per mixer batch of M kg (FORMAD_25 section 3).
struct BatchDoses {
    REAL BIT = 0;      // bitumen in 100 % of the mix, %
    REAL ZAMESBIT = 0; // bitumen per batch, kg
    REAL W100[6] = {}; // share of each component in 100 % of the mix, %
    REAL MZAMES[6] = {}; // dose of each component per batch, kg
};
// JBITGL = -100 (no mix at all) gives all zeros.
BatchDoses batchDoses(REAL M, REAL JBITGL, const REAL (&DIMJKOMP)[6]);

} // namespace lab
