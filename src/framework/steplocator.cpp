#include "framework/steplocator.h"

#include <algorithm>

namespace CS {
const QByteArray OVERRIDECHARACTERS = QByteArrayLiteral("`!\"\xA3$%^&*()'-=_+][#;~@:/.,?\\| ");
} // namespace CS

// ---- numeric locator ----

void SETUPREALSTOPS(REAL low, REAL high)
{
    CR::LOWLIMIT = low;
    CR::HIGHLIMIT = high;
    CR::STEPVALUE = (high - low) / 99;
    CR::CURRENTSTEP = 0;
}

REAL NEXTREALSTOP()
{
    LONG k = ++CR::CURRENTSTEP;
    if (k <= 1)
        return CR::LOWLIMIT;
    if (k >= 100)
        return CR::HIGHLIMIT;
    return CR::LOWLIMIT + CR::STEPVALUE * (k - 1);
}

// ---- string locator ----

namespace {

constexpr int kDigits = 4; // characters after the root read as one number

// The alphabet: codes 1..255 by class, each code classified by the first class it belongs to.
QByteArray buildAlphabet(LONG flags)
{
    QByteArray chars;
    for (int code = 1; code <= 255; ++code) {
        auto c = static_cast<unsigned char>(code);
        bool take = false;
        if (CS::NUMERICCHARACTERS.contains(static_cast<char>(c)))
            take = flags & STOPS_DIGITS;
        else if (CS::OVERRIDECHARACTERS.contains(static_cast<char>(c)))
            take = flags & STOPS_OVERRIDE;
        else if (cp1251::isLetter(c))
            take = (flags & STOPS_UPPER_LETTERS) && (cp1251::isUpper(c) || (flags & STOPS_LOWER_LETTERS));
        if (take)
            chars.append(static_cast<char>(c));
    }
    // Key order of stored texts, not code order: otherwise Ё (0xA8) would come before А and
    // the steps would not rise with the key.
    std::stable_sort(chars.begin(), chars.end(), [](char a, char b) {
        return cp1251::sortWeight(static_cast<unsigned char>(a)) < cp1251::sortWeight(static_cast<unsigned char>(b));
    });
    return chars;
}

std::int64_t base() { return std::int64_t(CS::SORTCHARACTERCOUNT) + 1; }

// 1-based place of a character in the alphabet, 0 when it is not in it.
std::int64_t place(char c)
{
    qsizetype i = CS::SORTCHARACTERS.indexOf(c);
    return i < 0 ? 0 : i + 1;
}

// The 4 characters as a number in base N + 1, most significant first; a character beyond
// the end counts as 0.
std::int64_t valueOf(const QByteArray &four)
{
    std::int64_t v = 0;
    for (int i = 0; i < kDigits; ++i)
        v = v * base() + (i < four.size() ? place(four[i]) : 0);
    return v;
}

// A number written back as 4 characters. A zero digit is a blank (it sorts before every
// character of the alphabet); trailing blanks are dropped.
QByteArray charactersOf(std::int64_t v)
{
    QByteArray out(kDigits, ' ');
    for (int i = kDigits - 1; i >= 0; --i) {
        std::int64_t r = ((v % base()) + base()) % base();
        if (r > 0)
            out[i] = CS::SORTCHARACTERS[static_cast<qsizetype>(r - 1)];
        v = (v - r) / base();
    }
    return out;
}

QByteArray trimmedRight(QByteArray s)
{
    while (!s.isEmpty() && s.back() == ' ')
        s.chop(1);
    return s;
}

QByteArray upperCased(QByteArray s)
{
    for (auto &c : s)
        c = static_cast<char>(cp1251::upper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

void SETUPSTRINGSTOPS(const QByteArray &lowValue, const QByteArray &highValue, LONG length, LONG flags)
{
    CS::SORTCHARACTERS = buildAlphabet(flags);
    CS::SORTCHARACTERCOUNT = static_cast<LONG>(CS::SORTCHARACTERS.size());

    const qsizetype len = std::max<LONG>(length, 0);
    QByteArray low = lowValue.left(len);
    QByteArray high = highValue.left(len);
    if (trimmedRight(high).size() < len && !CS::SORTCHARACTERS.isEmpty()) {
        high = trimmedRight(high);
        high.append(QByteArray(len + 1 - high.size(), CS::SORTCHARACTERS.back()));
    }

    qsizetype root = 0;
    while (root < len && root < low.size() && root < high.size() && low[root] == high[root])
        ++root;
    CS::STRINGROOTLEN = static_cast<LONG>(root);
    CS::STRINGROOT = low.left(root);
    QByteArray lowDigits = low.mid(root, kDigits);
    QByteArray highDigits = high.mid(root, kDigits);
    if ((flags & STOPS_UPPER_LETTERS) && !(flags & STOPS_LOWER_LETTERS)) {
        lowDigits = upperCased(lowDigits);
        highDigits = upperCased(highDigits);
    }
    CS::LOWSTRING = lowDigits.leftJustified(kDigits, ' ');
    CS::HIGHSTRING = highDigits.leftJustified(kDigits, ' ');
    // Read without the padding: a position beyond the clipped end counts as 0 even when the
    // space has a place of its own in the alphabet (punctuation class).
    CS::LOWVALUE = valueOf(lowDigits);
    CS::HIGHVALUE = valueOf(highDigits);
    // Truncated toward zero.
    CS::STEPVALUE = (CS::HIGHVALUE - CS::LOWVALUE) / 99;
    CS::CURRENTSTEP = 0;
}

QByteArray NEXTSTRINGSTOP()
{
    LONG k = ++CS::CURRENTSTEP;
    QByteArray step;
    if (k <= 1)
        step = CS::LOWSTRING;
    else if (k >= 100)
        step = CS::HIGHSTRING;
    else
        step = charactersOf(CS::LOWVALUE + CS::STEPVALUE * (k - 1));
    return trimmedRight(CS::STRINGROOT + step);
}

// ---- step tables and the thumb ----

namespace stepstops {

RealTable realTable(REAL low, REAL high)
{
    RealTable t;
    SETUPREALSTOPS(low, high);
    for (auto &v : t)
        v = NEXTREALSTOP();
    return t;
}

StringTable stringTable(const QByteArray &low, const QByteArray &high, LONG length, LONG flags)
{
    StringTable t;
    SETUPSTRINGSTOPS(low, high, length, flags);
    for (auto &v : t)
        v = NEXTSTRINGSTOP();
    return t;
}

namespace {
template <typename Table, typename AtOrAbove>
int thumbFor(const Table &table, AtOrAbove atOrAbove)
{
    for (int i = 1; i <= kSteps; ++i)
        if (atOrAbove(table[static_cast<std::size_t>(i - 1)]))
            return i <= 1 ? 0 : i;
    return kSteps; // past the last step: the thumb shows at the bottom
}
} // namespace

int thumbForKey(const RealTable &table, REAL key)
{
    return thumbFor(table, [key](REAL step) { return step >= key; });
}

int thumbForKey(const StringTable &table, const QByteArray &key)
{
    const QByteArray k = cp1251::sortKey(key);
    return thumbFor(table, [&k](const QByteArray &step) { return cp1251::sortKey(step) >= k; });
}

DragTarget dragTarget(int thumb)
{
    if (thumb <= 1)
        return {DragAction::Top, 0};
    if (thumb >= kSteps)
        return {DragAction::Bottom, 0};
    return {DragAction::Locate, thumb};
}

} // namespace stepstops
