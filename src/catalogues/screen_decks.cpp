#include "catalogues/screen_decks.h"

namespace screen_decks {

DeckShape deckShape(const FixedString<2> &forma)
{
    const QByteArray code = forma.raw();
    if (code.isEmpty()) return DeckShape::Other;
    if (static_cast<unsigned char>(code.at(0)) == kRoundCode) return DeckShape::Round;
    if (static_cast<unsigned char>(code.at(0)) == kSquareCode) return DeckShape::Square;
    return DeckShape::Other;
}

QByteArray shapeCode(DeckShape shape)
{
    switch (shape) {
    case DeckShape::Round: return QByteArray(1, char(kRoundCode)) + ' ';
    case DeckShape::Square: return QByteArray(1, char(kSquareCode)) + ' ';
    case DeckShape::Other: break;
    }
    return {};
}

std::array<REAL, 5> openingsInUse(const FixedString<2> (&forma)[5], const REAL (&otw)[5][2], std::array<REAL, 5> previous)
{
    for (int k = 0; k < 5; ++k) {
        const DeckShape s = deckShape(forma[k]);
        if (s == DeckShape::Round) previous[std::size_t(k)] = otw[k][0];
        if (s == DeckShape::Square) previous[std::size_t(k)] = otw[k][1];
    }
    return previous;
}

} // namespace screen_decks
