#pragma once
// Exact decimal arithmetic for the few values the laboratory computes in decimal (the weighings,
// the traffic presets of the shear check, some constants): a signed fixed-point number with 18
// places after the point, held in 128 bits. Sums, differences and products are exact to those
// places; a quotient is rounded half away from zero at the 18th place.
//
// A value that does not fit (|value| >= 10^19) or a division by zero makes the result invalid;
// an invalid operand makes every result invalid, so a computation is checked once at its end.
#include "data/fieldtypes.h"

#include <QString>

class ExactDecimal {
public:
    static constexpr int places = 18;

    ExactDecimal() = default; // 0
    // units * 10^-unitPlaces, unitPlaces 0..18: fromUnits(333, 3) is 0.333.
    static ExactDecimal fromUnits(long long units, int unitPlaces = 0);
    template <int D, int P>
    static ExactDecimal from(const Decimal<D, P> &d)
    {
        return fromUnits(d.units, P);
    }
    static ExactDecimal invalid();

    bool ok() const { return valid; }
    bool isZero() const { return valid && m == 0; }
    int sign() const { return m > 0 ? 1 : (m < 0 ? -1 : 0); }
    // The nearest REAL; 0 for an invalid value (check ok() first).
    double toDouble() const;
    // All 18 places, '.' as the point; "invalid" for an invalid value.
    QString toString() const;

    friend ExactDecimal operator+(ExactDecimal a, ExactDecimal b);
    friend ExactDecimal operator-(ExactDecimal a, ExactDecimal b);
    friend ExactDecimal operator*(ExactDecimal a, ExactDecimal b);
    friend ExactDecimal operator/(ExactDecimal a, ExactDecimal b);
    // Equal only when both are valid and hold the same value.
    friend bool operator==(ExactDecimal a, ExactDecimal b) { return a.valid && b.valid && a.m == b.m; }

private:
    static ExactDecimal checked(__int128 mantissa);
    __int128 m = 0; // value * 10^18
    bool valid = true;
};
