#pragma once
// The hole shapes of a mixer's screen decks (GRO.FORMA) and the opening each deck uses.
#include "data/fieldtypes.h"

#include <array>

namespace screen_decks {

constexpr unsigned char kRoundCode = 0xC6;  // shown as the diameter sign
constexpr unsigned char kSquareCode = 0xF0;

enum class DeckShape { Other, Round, Square };

// The shape of a stored code; the trailing space does not count.
DeckShape deckShape(const FixedString<2> &forma);
// The stored code of a shape: the character padded with a space.
QByteArray shapeCode(DeckShape shape);

// Openings in use of the five decks: the round size for a round deck, the square size for a
// square deck; a deck of any other code keeps the value in `previous`. No conversion here.
std::array<REAL, 5> openingsInUse(const FixedString<2> (&forma)[5], const REAL (&otw)[5][2], std::array<REAL, 5> previous);

} // namespace screen_decks
