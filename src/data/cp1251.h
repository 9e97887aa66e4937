#pragma once
// Windows-1251, the code page of every text the data files store.
// Our own table: Qt's name-based converters need ICU, which not every Qt build has.
#include <QString>
#include <QByteArray>
#include <optional>

namespace cp1251 {

// The Unicode character of a Windows-1251 byte; 0 for the one unassigned byte (0x98).
char16_t toUnicode(unsigned char byte);

// The byte of a Unicode character, or nothing when Windows-1251 cannot hold it.
std::optional<unsigned char> fromUnicode(char16_t ch);

QString decode(const QByteArray &bytes);

// Encodes text; nothing when a character is outside Windows-1251 (never a silent '?').
std::optional<QByteArray> encode(const QString &text);

// The first character of text that Windows-1251 cannot hold, or a null QChar.
QChar firstUnencodable(const QString &text);

// Upper case within Windows-1251 (Latin and Cyrillic letters, ё -> Ё).
unsigned char upper(unsigned char byte);
unsigned char lower(unsigned char byte);
bool isLetter(unsigned char byte);
bool isDigit(unsigned char byte);
bool isUpper(unsigned char byte);
bool isLower(unsigned char byte);

// The sort weight of a byte for text keys: letters compare without case and Ё sorts
// between Е and Ж, as in Russian dictionaries. Never 0.
unsigned char sortWeight(unsigned char byte);

// The ordering form of a stored text: trailing blanks dropped, each byte replaced by its weight.
QByteArray sortKey(const QByteArray &bytes);

} // namespace cp1251
