#include "framework/picture.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr int kMaxNumberWidth = 18; // units of 10^-decimals stay within int64

// Reads an unsigned whole number at pos; -1 when there is no digit.
int readInt(const QString &s, qsizetype &pos)
{
    int v = -1;
    while (pos < s.size() && s[pos].isDigit() && s[pos].unicode() < 128) {
        v = (v < 0 ? 0 : v) * 10 + (s[pos].unicode() - '0');
        if (v > 100000)
            return -1;
        ++pos;
    }
    return v;
}

bool isSeparator(QChar c) { return c == QLatin1Char('.') || c == QLatin1Char(','); }
bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// The parts of a typed number: sign, the digits before and after the separator.
struct NumberText {
    bool negative = false;
    QString whole;
    QString fraction;
};

// Nothing when the text is not a plain decimal number (optional '-', digits, at most one
// separator, at least one digit).
std::optional<NumberText> splitNumber(const QString &s)
{
    NumberText n;
    qsizetype i = 0;
    if (i < s.size() && s[i] == QLatin1Char('-')) {
        n.negative = true;
        ++i;
    }
    bool separator = false;
    for (; i < s.size(); ++i) {
        QChar c = s[i];
        if (isAsciiDigit(c))
            (separator ? n.fraction : n.whole).append(c);
        else if (isSeparator(c) && !separator)
            separator = true;
        else
            return std::nullopt;
    }
    if (n.whole.isEmpty() && n.fraction.isEmpty())
        return std::nullopt;
    return n;
}

// Two-digit years belong to 1950..2049.
int expandYear(int year, int digits)
{
    if (digits != 2)
        return year;
    return year < 50 ? 2000 + year : 1900 + year;
}

} // namespace

std::optional<Picture> Picture::parse(const QString &text)
{
    Picture p;
    p.m_source = text;
    QString s = text.trimmed();
    if (s.startsWith(QLatin1Char('@')))
        s.remove(0, 1);
    if (s.endsWith(QLatin1Char('_'))) {
        p.m_left = true;
        s.chop(1);
    }
    if (s.isEmpty())
        return std::nullopt;
    QChar letter = s[0];
    switch (letter.toLower().unicode()) {
    case 'n': p.m_kind = PictureKind::Number; break;
    case 's': p.m_kind = PictureKind::Text; break;
    case 'd': p.m_kind = PictureKind::Date; break;
    default: return std::nullopt;
    }
    qsizetype pos = 1;
    if (p.m_kind == PictureKind::Number) {
        p.m_blankZero = letter.isUpper();
        if (pos < s.size() && s[pos] == QLatin1Char('-')) {
            p.m_signed = true;
            ++pos;
        }
    }
    int width = readInt(s, pos);
    if (width <= 0)
        return std::nullopt;
    int decimals = 0;
    if (p.m_kind == PictureKind::Number && pos < s.size() && s[pos] == QLatin1Char('.')) {
        ++pos;
        decimals = readInt(s, pos);
        if (decimals < 0)
            return std::nullopt;
    }
    if (pos != s.size())
        return std::nullopt;
    if (p.m_kind == PictureKind::Number) {
        // room for at least "0.<decimals>"
        if (width > kMaxNumberWidth || (decimals > 0 && width < decimals + 2))
            return std::nullopt;
    }
    if (p.m_kind == PictureKind::Date)
        width = 10; // dd.mm.yyyy
    p.m_width = width;
    p.m_decimals = decimals;
    return p;
}

Picture Picture::of(const char *text)
{
    auto p = parse(QString::fromLatin1(text));
    Q_ASSERT_X(p.has_value(), "Picture::of", text);
    return p ? *p : *parse(QStringLiteral("s1"));
}

QString Picture::formatNumber(double value, QChar decimalSeparator) const
{
    const QString overflow(m_width, QLatin1Char('#'));
    double magnitude = std::fabs(value);
    if (!std::isfinite(value) || magnitude >= 1e18)
        return overflow;
    // The shortest decimal form that reads back as the same double, rounded on its digits.
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed);
    if (ec != std::errc())
        return overflow;
    std::string digits(buf, end);
    std::string::size_type point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : digits.substr(point + 1);
    const auto d = static_cast<std::string::size_type>(m_decimals);
    bool roundUp = fraction.size() > d && fraction[d] >= '5';
    fraction.resize(d, '0');
    std::string all = whole + fraction;
    if (roundUp) {
        auto i = all.size();
        while (i > 0 && all[i - 1] == '9')
            all[--i] = '0';
        if (i == 0)
            all.insert(all.begin(), '1');
        else
            ++all[i - 1];
    }
    whole = all.substr(0, all.size() - d);
    fraction = all.substr(all.size() - d);
    bool zero = all.find_first_not_of('0') == std::string::npos;
    if (zero && m_blankZero)
        return QString();
    bool negative = value < 0 && !zero;
    if (negative && !m_signed)
        return overflow;
    QString out = negative ? QStringLiteral("-") : QString();
    out += QString::fromLatin1(whole.data(), static_cast<qsizetype>(whole.size()));
    if (d > 0)
        out += decimalSeparator + QString::fromLatin1(fraction.data(), static_cast<qsizetype>(fraction.size()));
    return out.size() > m_width ? overflow : out;
}

QString Picture::formatText(const QString &text) const
{
    QString t = text;
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    return t.left(m_width);
}

QString Picture::formatDate(LONG day) const
{
    int y = 0, m = 0, d = 0;
    if (!dates::toYmd(day, y, m, d))
        return QString();
    return QStringLiteral("%1.%2.%3")
        .arg(d, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(y, 4, 10, QLatin1Char('0'));
}

QString Picture::padded(const QString &display) const
{
    bool left = m_left || m_kind == PictureKind::Text;
    return left ? display.leftJustified(m_width) : display.rightJustified(m_width);
}

EntryResult Picture::read(const QString &input) const
{
    switch (m_kind) {
    case PictureKind::Number: return readNumber(input);
    case PictureKind::Date: return readDate(input);
    case PictureKind::Text: break;
    }
    return readText(input);
}

EntryResult Picture::reject(EntryError e) const
{
    EntryResult r;
    r.error = e;
    r.message = errorText(e, *this);
    return r;
}

EntryResult Picture::readNumber(const QString &input) const
{
    QString s = input.trimmed();
    EntryResult r;
    if (s.isEmpty())
        return r; // a blank entry is zero
    auto n = splitNumber(s);
    if (!n)
        return reject(EntryError::NotANumber);
    QString fraction = n->fraction;
    while (fraction.size() > m_decimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1); // zeros beyond the picture's places change nothing
    if (fraction.size() > m_decimals)
        return reject(EntryError::TooManyDecimals);
    QString whole = n->whole;
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    fraction = fraction.leftJustified(m_decimals, QLatin1Char('0'));
    bool zero = (whole + fraction).count(QLatin1Char('0')) == whole.size() + fraction.size();
    bool negative = n->negative && !zero;
    if (negative && !m_signed)
        return reject(EntryError::Negative);
    qsizetype shown = (negative ? 1 : 0) + whole.size() + (m_decimals > 0 ? 1 + m_decimals : 0);
    if (shown > m_width)
        return reject(EntryError::TooWide);
    // whole + fraction has at most 18 digits here (width <= 18), so it fits in int64.
    std::int64_t units = (whole + fraction).toLongLong();
    r.units = negative ? -units : units;
    r.number = static_cast<double>(r.units) / static_cast<double>(pow10i(m_decimals));
    return r;
}

EntryResult Picture::readDate(const QString &input) const
{
    QString s = input.trimmed();
    EntryResult r;
    if (s.isEmpty())
        return r; // the blank date
    int day = 0, month = 0, year = 0, yearDigits = 0;
    bool allDigits = std::all_of(s.begin(), s.end(), isAsciiDigit);
    if (allDigits && (s.size() == 6 || s.size() == 8)) { // ddmmyy, ddmmyyyy
        day = s.left(2).toInt();
        month = s.mid(2, 2).toInt();
        yearDigits = static_cast<int>(s.size() - 4);
        year = s.mid(4).toInt();
    } else {
        static const QRegularExpression form(QStringLiteral("^(\\d{1,2})[./-](\\d{1,2})[./-](\\d{2}|\\d{4})$"));
        auto m = form.match(s);
        if (!m.hasMatch())
            return reject(EntryError::NotADate);
        day = m.captured(1).toInt();
        month = m.captured(2).toInt();
        yearDigits = static_cast<int>(m.captured(3).size());
        year = m.captured(3).toInt();
    }
    LONG number = dates::fromYmd(expandYear(year, yearDigits), month, day);
    if (number <= 0)
        return reject(EntryError::NotADate);
    r.date = number;
    return r;
}

EntryResult Picture::readText(const QString &input) const
{
    QString t = input;
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    QChar bad = cp1251::firstUnencodable(t);
    if (!bad.isNull()) {
        EntryResult r = reject(EntryError::NotInCodePage);
        r.message = QStringLiteral("Недопустимый символ «%1»").arg(bad);
        return r;
    }
    if (t.size() > m_width)
        return reject(EntryError::TextTooLong);
    EntryResult r;
    r.text = t;
    return r;
}

PartialState Picture::checkPartial(const QString &input) const
{
    EntryResult r = read(input);
    if (r.ok())
        return PartialState::Acceptable;
    QString s = input.trimmed();
    switch (r.error) {
    case EntryError::NotANumber: {
        // a sign or a separator typed before the digits
        static const QStringList starts = {QStringLiteral("-"), QStringLiteral("."), QStringLiteral(","),
                                           QStringLiteral("-."), QStringLiteral("-,")};
        bool signOk = m_signed || !s.startsWith(QLatin1Char('-'));
        bool pointOk = m_decimals > 0 || (!s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char(',')));
        return starts.contains(s) && signOk && pointOk ? PartialState::Intermediate : PartialState::Invalid;
    }
    case EntryError::NotADate: {
        // day, month and year still being typed
        static const QRegularExpression partial(
            QStringLiteral("^(\\d{0,8}|\\d{1,2}[./-](\\d{0,2}|\\d{1,2}[./-]\\d{0,4}))$"));
        return partial.match(s).hasMatch() ? PartialState::Intermediate : PartialState::Invalid;
    }
    default:
        return PartialState::Invalid;
    }
}

QString Picture::errorText(EntryError error, const Picture &picture)
{
    switch (error) {
    case EntryError::None: return QString();
    case EntryError::NotANumber: return QStringLiteral("Введите число");
    case EntryError::Negative: return QStringLiteral("Отрицательное число здесь недопустимо");
    case EntryError::TooManyDecimals:
        if (picture.decimals() == 0)
            return QStringLiteral("Введите целое число");
        return QStringLiteral("Не более %1 знаков после запятой").arg(picture.decimals());
    case EntryError::TooWide:
        return QStringLiteral("Число не помещается в поле шириной %1 знаков").arg(picture.width());
    case EntryError::NotADate: return QStringLiteral("Неверная дата: введите день, месяц и год (ДД.ММ.ГГГГ)");
    case EntryError::TextTooLong: return QStringLiteral("Текст длиннее %1 символов").arg(picture.width());
    case EntryError::NotInCodePage: return QStringLiteral("Текст содержит недопустимый символ");
    }
    return QString();
}
