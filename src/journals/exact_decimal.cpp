#include "journals/exact_decimal.h"

#include <QByteArray>

namespace {

constexpr __int128 pow10w(int n)
{
    __int128 r = 1;
    for (int i = 0; i < n; ++i)
        r *= 10;
    return r;
}

constexpr __int128 kScale = pow10w(ExactDecimal::places); // 10^18
constexpr __int128 kMax = pow10w(37) - 1;                 // |value| < 10^19

__int128 magnitude(__int128 v) { return v < 0 ? -v : v; }

} // namespace

ExactDecimal ExactDecimal::checked(__int128 mantissa)
{
    ExactDecimal d;
    if (mantissa > kMax || mantissa < -kMax)
        return invalid();
    d.m = mantissa;
    return d;
}

ExactDecimal ExactDecimal::invalid()
{
    ExactDecimal d;
    d.valid = false;
    return d;
}

ExactDecimal ExactDecimal::fromUnits(long long units, int unitPlaces)
{
    if (unitPlaces < 0 || unitPlaces > places)
        return invalid();
    return checked(static_cast<__int128>(units) * pow10w(places - unitPlaces));
}

ExactDecimal operator+(ExactDecimal a, ExactDecimal b)
{
    if (!a.valid || !b.valid)
        return ExactDecimal::invalid();
    return ExactDecimal::checked(a.m + b.m); // both below 10^37: the sum fits in 128 bits
}

ExactDecimal operator-(ExactDecimal a, ExactDecimal b)
{
    if (!a.valid || !b.valid)
        return ExactDecimal::invalid();
    return ExactDecimal::checked(a.m - b.m);
}

// (ah*S + al) * (bh*S + bl) / S with S = 10^18, term by term so that no partial product
// leaves 128 bits; the last term is rounded half away from zero.
ExactDecimal operator*(ExactDecimal a, ExactDecimal b)
{
    if (!a.valid || !b.valid)
        return ExactDecimal::invalid();
    const __int128 A = magnitude(a.m), B = magnitude(b.m);
    const __int128 ah = A / kScale, al = A % kScale, bh = B / kScale, bl = B % kScale;
    const __int128 high = ah * bh; // < 10^38
    if (high >= pow10w(19))
        return ExactDecimal::invalid();
    const __int128 low = al * bl; // < 10^36
    __int128 r = high * kScale;
    r += ah * bl; // each < 10^37; the running sum is checked below
    if (r > kMax)
        return ExactDecimal::invalid();
    r += al * bh;
    if (r > kMax)
        return ExactDecimal::invalid();
    r += low / kScale + (low % kScale >= kScale / 2 ? 1 : 0);
    const bool negative = (a.m < 0) != (b.m < 0);
    return ExactDecimal::checked(negative ? -r : r);
}

// Long division digit by digit: the remainder stays below the divisor (< 10^37), so ten times
// it still fits in 128 bits.
ExactDecimal operator/(ExactDecimal a, ExactDecimal b)
{
    if (!a.valid || !b.valid || b.m == 0)
        return ExactDecimal::invalid();
    const __int128 A = magnitude(a.m), B = magnitude(b.m);
    __int128 q = A / B;
    __int128 r = A % B;
    if (q >= pow10w(19))
        return ExactDecimal::invalid();
    for (int i = 0; i < ExactDecimal::places; ++i) {
        r *= 10;
        q = q * 10 + r / B;
        r %= B;
    }
    if (r * 10 / B >= 5)
        ++q;
    const bool negative = (a.m < 0) != (b.m < 0);
    return ExactDecimal::checked(negative ? -q : q);
}

QString ExactDecimal::toString() const
{
    if (!valid)
        return QStringLiteral("invalid");
    __int128 v = magnitude(m);
    QByteArray digits;
    do {
        digits.prepend(static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v != 0);
    if (digits.size() <= places)
        digits = QByteArray(places + 1 - digits.size(), '0') + digits;
    digits.insert(digits.size() - places, '.');
    if (m < 0)
        digits.prepend('-');
    return QString::fromLatin1(digits);
}

double ExactDecimal::toDouble() const
{
    if (!valid)
        return 0.0;
    // Qt's conversion is locale-independent and correctly rounded.
    return toString().toLatin1().toDouble();
}
