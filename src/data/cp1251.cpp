#include "data/cp1251.h"

namespace cp1251 {
namespace {

// Bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// Lower-case byte -> upper-case byte for the letters of 0x80..0xBF.
constexpr unsigned char kUpperPairs[][2] = {
    {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E},
    {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5}, {0xB8, 0xA8}, {0xBA, 0xAA},
    {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
};

} // namespace

char16_t toUnicode(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return char16_t(0x0410 + (byte - 0xC0));
    return kHigh[byte - 0x80];
}

std::optional<unsigned char> fromUnicode(char16_t ch)
{
    if (ch < 0x80)
        return static_cast<unsigned char>(ch);
    if (ch >= 0x0410 && ch <= 0x044F)
        return static_cast<unsigned char>(0xC0 + (ch - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == ch && ch != 0)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

QString decode(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        char16_t u = toUnicode(static_cast<unsigned char>(c));
        out.append(QChar(u ? u : char16_t(0xFFFD)));
    }
    return out;
}

std::optional<QByteArray> encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text) {
        auto b = fromUnicode(ch.unicode());
        if (!b)
            return std::nullopt;
        out.append(static_cast<char>(*b));
    }
    return out;
}

QChar firstUnencodable(const QString &text)
{
    for (QChar ch : text)
        if (!fromUnicode(ch.unicode()))
            return ch;
    return QChar();
}

unsigned char upper(unsigned char b)
{
    if (b >= 'a' && b <= 'z')
        return b - 32;
    if (b >= 0xE0)
        return b - 32;
    for (auto &p : kUpperPairs)
        if (p[0] == b)
            return p[1];
    return b;
}

unsigned char lower(unsigned char b)
{
    if (b >= 'A' && b <= 'Z')
        return b + 32;
    if (b >= 0xC0 && b <= 0xDF)
        return b + 32;
    for (auto &p : kUpperPairs)
        if (p[1] == b)
            return p[0];
    return b;
}

bool isUpper(unsigned char b) { return lower(b) != b; }
bool isLower(unsigned char b) { return upper(b) != b; }
bool isLetter(unsigned char b) { return isUpper(b) || isLower(b); }
bool isDigit(unsigned char b) { return b >= '0' && b <= '9'; }

unsigned char sortWeight(unsigned char byte)
{
    unsigned char u = upper(byte);
    if (u == 0)
        return 1;
    if (u == 0xA8) // Ё right after Е
        return 0xC6;
    if (u >= 0xC6 && u <= 0xDF) // Ж..Я move up by one to make room for Ё
        return u + 1;
    return u;
}

QByteArray sortKey(const QByteArray &bytes)
{
    qsizetype n = bytes.size();
    while (n > 0 && (bytes[n - 1] == ' ' || bytes[n - 1] == '\0'))
        --n;
    QByteArray out(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        out[i] = static_cast<char>(sortWeight(static_cast<unsigned char>(bytes[i])));
    return out;
}

} // namespace cp1251
