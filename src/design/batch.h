#pragma once
// The batch recipe of a mixer: the designed mineral part split over the hot bins of the
// mixer's screen decks, with the mineral powder and the bitumen, as shares and batch masses.
// Used by the window GROHOTBROWSE1 and the two printed batch recipes.
#include "design/standard_sieves.h"

#include <QString>

namespace design {

// Who computes: the window and RPT_GROHOT count the bitumen within 100 % of the mix,
// REZCBITSWERH100 over 100 % of the mineral part. The reports always remove the oversize
// and work out the dust carried off.
enum class BatchVariant { GROHOTBROWSE1, RPT_GROHOT, REZCBITSWERH100 };

// GRO:FORMA codes: round holes (the diameter sign in the symbol font) and square holes.
inline constexpr char ROUND_HOLE = '\xC6';
inline constexpr char SQUARE_HOLE = '\xF0';

// The opening in use of each deck (OTW1 .. OTW5) and its transformed size (A1 .. A5).
struct DeckOpenings {
    std::array<REAL, 5> OTW{};
    std::array<REAL, 5> A{};
};

// Openings from the mixer record alone. A deck whose shape code is neither round nor square is
// absent (0): it never takes the opening of a deck of another mixer.
DeckOpenings deckOpenings(const std::array<FixedString<2>, 5> &FORMA, const REAL (&OTW)[5][2]);

// Transformed size d^(2/3) of a round-hole diameter; 0 for a diameter of 0 or less.
REAL transformedSize(REAL diameter);

// Percent of the designed grading passing an opening of transformed size Ak (routine DOLI).
REAL passingAtDeck(const Grading &PROEKT, REAL OTWk, REAL Ak);

struct BatchInput {
    std::array<FixedString<2>, 5> FORMA;
    REAL OTW[5][2] = {};
    REAL MASSAZAMES = 0;        // batch mass, kg
    Grading PROEKT{};           // designed grading of the mineral part
    REAL JMPGL = 0;             // mineral powder, % of the mineral part
    REAL JBITGL = 0;            // bitumen, % over 100 % of the mineral part
    bool CHEKKRUP = false;      // remove the oversize (window only; the reports always do)
    LONG OTSOS = 0;             // dust-extraction efficiency, % (reports only)
    std::array<FixedString<20>, 6> DIMNAME;
    FixedString<20> FILL1;      // name of the mineral powder
    ComponentValues DIMJKOMP{};
    ComponentGradings DIMKOMP{};
};

struct BatchRecipe {
    DeckOpenings openings;
    std::array<REAL, 5> P{};     // passing at each deck, %
    std::array<REAL, 5> ZO{};    // hot bins 1 .. 5, % of the mineral part
    REAL ZO6X = 0;               // passing the finest deck, % of the mineral part
    REAL NEGABARIT = 0, MASSANEGABARIT = 0; // oversize before its removal (reports)
    REAL total = 0;              // T, the sum the shares are taken of
    std::array<REAL, 5> SPLT{};
    REAL PESOK = 0, MINPOR = 0, BIT = 0;
    REAL CTOPLUSBIT = 0;         // REZCBITSWERH100 only: 100 + BIT
    std::array<REAL, 5> MSPL{};
    REAL MPESOK = 0, MMINPOR = 0, MBIT = 0, MSUMMA = 0;
    REAL UNOS = 0, MASSUNOS = 0; // dust carried off (reports)
    std::array<QString, 6> SODERZKOMP; // component shares as text cut to 3 characters (reports)
};

BatchRecipe computeBatch(const BatchInput &in, BatchVariant variant);

} // namespace design
