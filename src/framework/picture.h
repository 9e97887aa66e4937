#pragma once
// Display pictures: how a field's value is shown in lists, forms and reports, and how a value
// typed into an entry field is read back.
//
// A picture is a short text, optionally preceded by '@':
//
//   n<width>[.<decimals>]    a number. <width> is the whole text width, counting the sign
//                            and the decimal point; <decimals> the places after the point
//                            (none when omitted: "n4" = "n4.0", a whole number).
//   n-<width>[.<decimals>]   the same, signed: negative values are shown and accepted.
//                            Without '-' a picture holds no negative value.
//   N...                     capital N: as n, but a value of zero is shown blank
//                            (a record number not yet given, e.g. "N4_").
//   s<n>                     a text of n characters (Windows-1251).
//   d<k>                     a date, shown day.month.year as "dd.mm.yyyy" whatever k is
//                            (the records span two centuries, so the year keeps four digits).
//                            The blank date (day 0) shows blank.
//   ..._                     a trailing '_' aligns the value to the left of its field
//                            instead of numbers' usual right alignment ("d5_", "N4_").
//
// Display: a number is rounded half away from zero to the picture's decimals, on its
// shortest decimal form (2.675 shows as 2.68 in n5.2). A number that does not fit its
// width, a negative number in an unsigned picture, and NaN or infinity show as a row of
// '#' as wide as the picture. A text longer than its picture is cut to the picture's width.
//
// Entry: decimal comma and point are both accepted; blanks around the text are ignored;
// a blank entry is zero (numbers), the blank date, or an empty text. Anything else that does
// not fit the picture is rejected with a reason and never altered: letters, a second
// separator, more decimals than the picture has (unless the extra ones are zeros), a number
// wider than the picture, a negative number in an unsigned picture, a date that does not
// exist, a text longer than the picture or with a character Windows-1251 cannot hold.
#include "data/fieldtypes.h"

#include <QString>
#include <cstdint>
#include <optional>

enum class PictureKind { Number, Text, Date };

// Why typed input was refused.
enum class EntryError {
    None,
    NotANumber,     // letters or other characters that are not part of a number
    Negative,       // a negative number in an unsigned picture
    TooManyDecimals,
    TooWide,        // more digits than the picture's width allows
    NotADate,       // wrong form, or a day that does not exist
    TextTooLong,
    NotInCodePage,  // a character Windows-1251 cannot hold
};

// The result of reading typed input. When rejected, error says why and message holds the
// Russian text for the user; the values are then meaningless.
struct EntryResult {
    EntryError error = EntryError::None;
    QString message;
    double number = 0;      // Number: the value
    std::int64_t units = 0; // Number: the value in units of 10^-decimals, exact
    LONG date = 0;          // Date: the day number (0 = blank)
    QString text;           // Text: the text without trailing blanks

    bool ok() const { return error == EntryError::None; }
};

// The same three states as QValidator, for an entry field checking text while it is typed.
enum class PartialState { Invalid, Intermediate, Acceptable };

class Picture {
public:
    // Nothing when the text is not a picture (unknown letter, no width, decimals that leave
    // no room for "0.", a number wider than 18 digits).
    static std::optional<Picture> parse(const QString &text);
    // For pictures written in the program's own declarations: asserts in debug builds,
    // an "s1" picture otherwise.
    static Picture of(const char *text);

    PictureKind kind() const { return m_kind; }
    int width() const { return m_width; }
    int decimals() const { return m_decimals; }
    bool isSigned() const { return m_signed; }
    bool blankWhenZero() const { return m_blankZero; }
    bool leftAligned() const { return m_left; }
    QString source() const { return m_source; }

    // Display text without padding. decimalSeparator is '.' unless a window chooses ','.
    QString formatNumber(double value, QChar decimalSeparator = QLatin1Char('.')) const;
    QString formatText(const QString &text) const;
    QString formatDate(LONG day) const;
    // The display text padded with blanks to the picture's width, on the side the picture
    // aligns to (numbers right, texts and '_' pictures left).
    QString padded(const QString &display) const;

    // Reads typed input as this picture's kind.
    EntryResult read(const QString &input) const;
    // While typing: Acceptable when read() would accept the text, Intermediate when more
    // typing can still make it acceptable ("-", "12." under a date), Invalid otherwise.
    PartialState checkPartial(const QString &input) const;

    static QString errorText(EntryError error, const Picture &picture);

private:
    EntryResult readNumber(const QString &input) const;
    EntryResult readDate(const QString &input) const;
    EntryResult readText(const QString &input) const;
    EntryResult reject(EntryError e) const;

    PictureKind m_kind = PictureKind::Text;
    int m_width = 1;
    int m_decimals = 0;
    bool m_signed = false;
    bool m_blankZero = false;
    bool m_left = false;
    QString m_source;
};
