#include "data/fieldtypes.h"

#include <QDate>

QString storeResultText(StoreResult r)
{
    switch (r) {
    case StoreResult::Ok: return {};
    case StoreResult::OutOfRange: return QStringLiteral("Значение вне допустимого диапазона");
    case StoreResult::TooLong: return QStringLiteral("Текст длиннее поля");
    case StoreResult::NotInCodePage: return QStringLiteral("Недопустимый символ в тексте");
    case StoreResult::NotANumber: return QStringLiteral("Значение не является числом");
    }
    return {};
}

namespace {
template <typename T>
StoreResult storeInteger(T &field, double value)
{
    if (!std::isfinite(value))
        return StoreResult::NotANumber;
    double r = std::trunc(value);
    if (r < static_cast<double>(std::numeric_limits<T>::min()) || r > static_cast<double>(std::numeric_limits<T>::max()))
        return StoreResult::OutOfRange;
    field = static_cast<T>(r);
    return StoreResult::Ok;
}
} // namespace

StoreResult storeByte(BYTE &field, double value) { return storeInteger(field, value); }
StoreResult storeLong(LONG &field, double value) { return storeInteger(field, value); }
StoreResult storeUlong(ULONG &field, double value) { return storeInteger(field, value); }

StoreResult storeReal(REAL &field, double value)
{
    if (!std::isfinite(value))
        return StoreResult::NotANumber;
    field = value;
    return StoreResult::Ok;
}

namespace dates {
namespace {
const QDate kEpoch(1800, 12, 28); // day 0
}

LONG today() { return static_cast<LONG>(kEpoch.daysTo(QDate::currentDate())); }

LONG fromYmd(int year, int month, int day)
{
    QDate d(year, month, day);
    if (!d.isValid() || d < kEpoch)
        return 0;
    return static_cast<LONG>(kEpoch.daysTo(d));
}

bool toYmd(LONG day, int &year, int &month, int &dayOfMonth)
{
    if (day <= 0)
        return false;
    QDate d = kEpoch.addDays(day);
    d.getDate(&year, &month, &dayOfMonth);
    return true;
}
} // namespace dates
