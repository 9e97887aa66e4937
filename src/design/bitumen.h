#pragma once
// Bitumen content of a blended mineral part: by the porosity of the mineral skeleton, by the
// specific surface of the fractions and, for stone-mastic mixes, by the volumetric formula of
// the mix type. Used by BITUMRASZ (the design in hand) and BITUMIZMENEN (a stored recipe).
#include "design/standard_sieves.h"

#include <QString>

namespace design {

// Which window computes: BITUMRASZ floors a stone-mastic content at BIT_MIN, BITUMIZMENEN does not.
enum class BitumenWindow { BITUMRASZ, BITUMIZMENEN };

struct BitumenInput {
    Grading PROEKT{};             // designed grading of the mineral part
    REAL YMINER = 0;              // true density of the mineral part, g/cm3
    ComponentValues DIMJKOMP{};   // component shares, %
    ComponentValues ISTDIMYKOMP{}; // component true densities, g/cm3
    ComponentGradings DIMKOMP{};  // component gradings [sieve][component]
    QString TYP;                  // mix type, trailing blanks ignored
};

struct BitumenResult {
    REAL D1 = 0, D0 = 0, D2 = 0; // sizes passing 69.1 %, 38.2 %, 19.1 %, mm
    REAL K = 0;                  // grading factor
    REAL PORM = 0;               // porosity of the mineral skeleton, %
    REAL V0 = 0;                 // residual porosity aimed at, %
    REAL BITKIR = 0;             // by porosity
    REAL BITKOROL = 0;           // by specific surface
    REAL BITSREDN = 0;           // mean of the two
    REAL YMP0I071 = 0;           // true density of the fraction finer than 0.071 mm
    REAL BIT_MIN = 0;            // least content of a stone-mastic mix
    REAL BITSMA2 = 0;            // the mean, or the stone-mastic content
    bool stoneMastic = false;    // TYP is one of the stone-mastic types
};

// Bitumen demand of each fraction by its coarser sieve (BITEMK).
inline constexpr Grading BITEMK = {3.0, 3.8, 4.0, 4.5, 5.6, 5.9, 7.0, 7.9, 9.0, 10.0, 16.5};

// The size (mm) at which the grading passes x %, interpolated linearly between the first sieve
// passing less than x and the one before it. Clamped to 40 mm when even the 40 mm sieve passes
// less than x, and to 0.071 mm when every sieve passes x or more.
REAL sizeAtPassing(const Grading &PROEKT, REAL x);

// The whole calculation of the window, steps 1 to 11.
BitumenResult computeBitumen(const BitumenInput &in, BitumenWindow window);

// The four values the engineer chooses among (OPTIM2 1 .. 4).
struct BitumenChoices {
    REAL BITKIR = 0, BITKOROL = 0, BITSMA2 = 0, BITELSE = 0;
};

// JBITGL after choosing radio button OPTIM2: the chosen value as it stands; with no choice
// (0 or an unknown button), or a value that is no bitumen content (isBitumenContent),
// JBITGL keeps its previous value.
REAL chosenBitumen(BYTE OPTIM2, const BitumenChoices &values, REAL previousJBITGL);

// The bitumen calculation's input: the design in hand (PROEKT, YMINER, the components, TYP).
BitumenInput bitumenInputOfDesign();

// A computed content as a content field shows it: the value as the formula gives it, also when
// it is no content (below 0 or over 100 %: a grading the formula was not made for; the window
// marks it); 0 when there is none (a mineral part without a true density, NaN or infinity).
REAL shownContent(REAL content, REAL YMINER);
// Whether a value can be taken as a bitumen content: 0 to 100 %.
bool isBitumenContent(REAL content);
// The picture of a computed content's field: signed and wide enough for a value out of range.
inline constexpr const char *kContentPicture = "n-7.1";
// The tip of a computed value marked as no content.
inline const QString kNoContentTip = QStringLiteral("Вне диапазона 0-100 %: не может быть принято содержанием битума");

} // namespace design
