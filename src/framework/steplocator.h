#pragma once
// Step locators: 100 key values spread evenly between the first and the last key value of a
// file, so that a list window can place its scroll thumb and follow a dragged thumb without
// counting records.
//
// A caller prepares a locator with the low and high values and then calls the next-step
// procedure exactly 100 times, without handling events in between (the state is shared):
//   SETUPREALSTOPS(low, high);                 100 x NEXTREALSTOP()
//   SETUPSTRINGSTOPS(low, high, length, 1);    100 x NEXTSTRINGSTOP()
// stepstops::realTable() and stepstops::stringTable() do exactly that.
//
// Strings are Windows-1251 bytes, as stored in the key fields.
#include "data/fieldtypes.h"

#include <QByteArray>
#include <array>
#include <cstdint>

// Numeric locator state.
namespace CR {
inline REAL STEPVALUE = 0;
inline LONG CURRENTSTEP = 0;
inline REAL LOWLIMIT = 0;
inline REAL HIGHLIMIT = 0;
} // namespace CR

// String locator state. The values are 4-digit numbers in base N + 1 (N up to 255), which
// can exceed a LONG, so they are held in 64 bits.
namespace CS {
extern const QByteArray OVERRIDECHARACTERS; // the 30 punctuation characters, in their order
inline const QByteArray NUMERICCHARACTERS = QByteArrayLiteral("0123456789");
inline QByteArray SORTCHARACTERS;          // the sort alphabet
inline LONG SORTCHARACTERCOUNT = 0;        // N
inline QByteArray STRINGROOT;              // common prefix of low and high
inline LONG STRINGROOTLEN = 0;
inline QByteArray LOWSTRING;               // the 4 characters after the root
inline QByteArray HIGHSTRING;
inline std::int64_t LOWVALUE = 0;
inline std::int64_t HIGHVALUE = 0;
inline std::int64_t STEPVALUE = 0;
inline LONG CURRENTSTEP = 0;
} // namespace CS

// Character-class flags of SETUPSTRINGSTOPS.
enum StopCharacterClass : LONG {
    STOPS_UPPER_LETTERS = 1,
    STOPS_OVERRIDE = 2,
    STOPS_DIGITS = 4,
    STOPS_LOWER_LETTERS = 8, // lower case as well, and the limits are not upper-cased
};

void SETUPREALSTOPS(REAL low, REAL high);
REAL NEXTREALSTOP();

// The alphabet follows the order of stored text keys (cp1251::sortWeight: Ё between Е and Ж,
// a letter's two cases together), so the steps rise in the same order as the key.
void SETUPSTRINGSTOPS(const QByteArray &low, const QByteArray &high, LONG length, LONG flags = STOPS_UPPER_LETTERS);
// The next step: the root followed by up to 4 characters, trailing blanks dropped. It may be
// one character longer than the key: a padded high value reaches past every stored key
// that begins with it.
QByteArray NEXTSTRINGSTOP();

namespace stepstops {

constexpr int kSteps = 100;
using RealTable = std::array<REAL, kSteps>;     // entry i-1 is the key value at thumb i
using StringTable = std::array<QByteArray, kSteps>;

RealTable realTable(REAL low, REAL high);
StringTable stringTable(const QByteArray &low, const QByteArray &high, LONG length,
                        LONG flags = STOPS_UPPER_LETTERS);

// Thumb position 0..100 for a key value: the first step i (1..100) at or above the key;
// i <= 1 gives 0, and a key above every step puts the thumb at the bottom (100).
// String keys compare as stored keys do (upper case, cp1251::sortKey).
int thumbForKey(const RealTable &table, REAL key);
int thumbForKey(const StringTable &table, const QByteArray &key);

// What a dragged thumb at position p asks for: the first page (p <= 1), the last page
// (p >= 100), or locating on the key value of step p.
enum class DragAction { Top, Bottom, Locate };
struct DragTarget {
    DragAction action;
    int step; // 2..99 when action is Locate: the table entry is step - 1
};
DragTarget dragTarget(int thumb);

} // namespace stepstops
