#pragma once
// The field types of the data files and the global working state.
//
// Putting a value into a field that cannot hold it is refused: the store functions
// leave the field unchanged and return why (the forms show that and keep focus).
// Nothing wraps or truncates silently.
#include "data/cp1251.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <QString>

using BYTE = std::uint8_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using REAL = double;

enum class StoreResult {
    Ok,
    OutOfRange,    // a number beyond the field's digits or range
    TooLong,       // a text longer than the field
    NotInCodePage, // a character Windows-1251 cannot hold
    NotANumber,    // NaN or infinity
};

QString storeResultText(StoreResult r);

// STRING(n): n bytes of Windows-1251, padded with spaces.
template <std::size_t N>
struct FixedString {
    std::array<char, N> bytes;

    FixedString() { clear(); }
    void clear() { bytes.fill(' '); }

    // The stored bytes without the trailing blanks.
    QByteArray raw() const
    {
        std::size_t n = N;
        while (n > 0 && (bytes[n - 1] == ' ' || bytes[n - 1] == '\0'))
            --n;
        return QByteArray(bytes.data(), static_cast<qsizetype>(n));
    }
    QByteArray padded() const { return QByteArray(bytes.data(), N); }
    // The text without trailing blanks.
    QString text() const { return cp1251::decode(raw()); }
    bool isBlank() const { return raw().isEmpty(); }

    StoreResult setRaw(const QByteArray &b)
    {
        QByteArray t = b;
        while (!t.isEmpty() && t.back() == ' ')
            t.chop(1);
        if (static_cast<std::size_t>(t.size()) > N)
            return StoreResult::TooLong;
        clear();
        std::memcpy(bytes.data(), t.constData(), static_cast<std::size_t>(t.size()));
        return StoreResult::Ok;
    }
    // Refuses text that does not fit or that Windows-1251 cannot hold; trailing blanks do not count.
    StoreResult set(const QString &text)
    {
        auto enc = cp1251::encode(text);
        if (!enc)
            return StoreResult::NotInCodePage;
        return setRaw(*enc);
    }
    // Assignment for program constants that are known to fit (asserts in debug builds).
    FixedString &operator=(const QString &text)
    {
        [[maybe_unused]] StoreResult r = set(text);
        Q_ASSERT(r == StoreResult::Ok);
        return *this;
    }
    bool operator==(const FixedString &o) const { return bytes == o.bytes; }
    static constexpr std::size_t size() { return N; }
};

constexpr std::int64_t pow10i(int n)
{
    std::int64_t r = 1;
    for (int i = 0; i < n; ++i)
        r *= 10;
    return r;
}

// DECIMAL(d,p): an exact signed decimal of d digits, p after the point, held as an integer
// count of 10^-p units. Its range is +-(10^d - 1) units.
template <int D, int P>
struct Decimal {
    static_assert(D > 0 && D <= 18 && P >= 0 && P <= D);
    static constexpr std::int64_t scale = pow10i(P);
    static constexpr std::int64_t maxUnits = pow10i(D) - 1;
    static constexpr int digits = D;
    static constexpr int places = P;

    std::int64_t units = 0;

    static std::optional<Decimal> fromUnits(std::int64_t u)
    {
        if (u > maxUnits || u < -maxUnits)
            return std::nullopt;
        Decimal d;
        d.units = u;
        return d;
    }
    // Rounds half away from zero to p places (a value that prints as x.xx5 rounds up even
    // when its binary double lies a hair below); nothing when out of range or not finite.
    static std::optional<Decimal> fromDouble(double v)
    {
        if (!std::isfinite(v))
            return std::nullopt;
        double r = v * static_cast<double>(scale);
        if (std::fabs(r) > static_cast<double>(maxUnits) + 1.0)
            return std::nullopt;
        double nudged = r + std::copysign(std::fabs(r) * 1e-12, r);
        return fromUnits(static_cast<std::int64_t>(std::llround(nudged)));
    }
    double toDouble() const { return static_cast<double>(units) / static_cast<double>(scale); }

    StoreResult set(double v)
    {
        if (!std::isfinite(v))
            return StoreResult::NotANumber;
        auto d = fromDouble(v);
        if (!d)
            return StoreResult::OutOfRange;
        *this = *d;
        return StoreResult::Ok;
    }
    // Text with exactly p decimals, '.' as the point, '-' for negatives.
    QString toString() const
    {
        std::int64_t a = units < 0 ? -units : units;
        QString s = QString::number(a / scale);
        if (P > 0)
            s += QLatin1Char('.') + QString::number(a % scale).rightJustified(P, QLatin1Char('0'));
        return units < 0 ? QLatin1Char('-') + s : s;
    }
    bool operator==(const Decimal &o) const { return units == o.units; }
    auto operator<=>(const Decimal &o) const { return units <=> o.units; }
};

// Checked stores into the integer field types.
StoreResult storeByte(BYTE &field, double value);
StoreResult storeLong(LONG &field, double value);
StoreResult storeUlong(ULONG &field, double value);
StoreResult storeReal(REAL &field, double value);

// Dates are LONG day numbers counted from 28 December 1800 (day 0, the blank date).
// Conversions to and from calendar dates.
namespace dates {
LONG today();
LONG fromYmd(int year, int month, int day); // 0 when the date does not exist
bool toYmd(LONG day, int &year, int &month, int &dayOfMonth);
}
