#include "framework/picture.h"

#include <QTest>
#include <cmath>
#include <limits>


class TestPicture : public QObject {
    Q_OBJECT
private slots:
    void parsesPictures()
    {
        const std::tuple<QString, bool, int, int, bool, bool, bool> rows[] = {
            {"n5.1", true, 5, 1, false, false, false},
            {"@n-6.2", true, 6, 2, true, false, false},
            {"N4_", true, 4, 0, false, true, true},
            {"d5_", true, 10, 0, false, false, true}, // d5_ is dd.mm.yyyy
            {"n3.1", true, 3, 1, false, false, false}, // n3.1 just fits 0.0
            {"n2.1", false, 0, 0, false, false, false}, // n2.1 no room
            {"x5", false, 0, 0, false, false, false}, // unknown letter
            {"n5.1x", false, 0, 0, false, false, false}, // trailing junk
            {"n19", false, 0, 0, false, false, false}, // wider than int64
        };
        for (const auto &[text, valid, width, decimals, isSigned, blankZero, left] : rows) {
            auto p = Picture::parse(text);
            QCOMPARE(p.has_value(), valid);
            if (!valid)
                continue;
            QCOMPARE(p->width(), width);
            QCOMPARE(p->decimals(), decimals);
            QCOMPARE(p->isSigned(), isSigned);
            QCOMPARE(p->blankWhenZero(), blankZero);
            QCOMPARE(p->leftAligned(), left);
        }
    }

    void formatsNumbers()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        // Rounding into overflow; half away on the printed digits; a carry; a tiny negative is
        // zero; negative unsigned; signed rounds away; the sign needs room; n-4 positive uses the
        // sign's place; N rounds to blank; NaN.
        for (auto [picture, value, shown] : {std::tuple{"n5.1", 999.96, "#####"}, {"n5.2", 2.675, "2.68"}, {"n7.2", 9.995, "10.00"},
                                             {"n5.2", -0.004, "0.00"}, {"n5.1", -1.5, "#####"}, {"n-6.2", -12.345, "-12.35"},
                                             {"n-6.2", -123.45, "######"}, {"n-4", 9999.0, "9999"}, {"N4_", 0.4, ""},
                                             {"n5.1", nan, "#####"}})
            QCOMPARE(Picture::parse(QLatin1String(picture))->formatNumber(value), QLatin1String(shown));
    }

    void formatsDatesTextsAndPadding()
    {
        Picture date = Picture::of("d5_");
        QCOMPARE(date.formatDate(dates::fromYmd(2024, 3, 7)), QStringLiteral("07.03.2024"));
        QCOMPARE(date.formatDate(0), QString());
        QCOMPARE(Picture::of("s7").formatText(QStringLiteral("АБВГДЕЖЗИ")), QStringLiteral("АБВГДЕЖ"));
        QCOMPARE(Picture::of("n5.1").padded(QStringLiteral("2.5")), QStringLiteral("  2.5"));
        QCOMPARE(Picture::of("N4_").padded(QStringLiteral("12")), QStringLiteral("12  "));
        QCOMPARE(Picture::of("n5.1").formatNumber(2.5, QLatin1Char(',')), QStringLiteral("2,5"));
    }

    void readsEntries()
    {
        using E = EntryError;
        // A comma; blank is zero; minus zero; too many decimals; too wide; negative unsigned; a
        // letter; only a sign; an Arabic-Indic digit.
        for (auto [picture, input, error, number] : {std::tuple{"n5.1", u"12,3", E::None, 12.3}, {"n5.1", u"", E::None, 0.0},
                                                     {"n5.1", u"-0", E::None, 0.0}, {"n5.1", u"12.34", E::TooManyDecimals, 0.0},
                                                     {"n5.1", u"1000", E::TooWide, 0.0}, {"n5.1", u"-1", E::Negative, 0.0},
                                                     {"n5.1", u"12a", E::NotANumber, 0.0}, {"n-4", u"-", E::NotANumber, 0.0},
                                                     {"n5.1", u"\u0663", E::NotANumber, 0.0}}) {
            EntryResult r = Picture::parse(QLatin1String(picture))->read(QString::fromUtf16(input));
            QCOMPARE(r.error, error);
            QCOMPARE(r.message.isEmpty(), error == E::None);
            if (error == E::None)
                QCOMPARE(r.number, number);
        }
    }

    void numberDecimalsAreExact()
    {
        // every value a picture can show reads back as exactly the units shown
        Picture p = Picture::of("n-7.2");
        for (std::int64_t units = -99999; units <= 999999; units += 37) {
            double v = static_cast<double>(units) / 100;
            QString shown = p.formatNumber(v);
            EntryResult r = p.read(shown);
            QVERIFY2(r.ok() && r.units == units, qPrintable(shown));
            QCOMPARE(r.number, v);
        }
        QCOMPARE(Picture::of("n-9.2").read(QStringLiteral("-12345.67")).units, std::int64_t(-1234567));
    }

    void readsDatesAndTexts()
    {
        using E = EntryError;
        const LONG d = dates::fromYmd(2024, 3, 7);
        // Full and short dates; a blank date; no such day; before day 0; a text's trailing
        // blanks; a text too long; a character outside the code page.
        for (auto [picture, input, error, date, text] : {std::tuple{"d5_", u"07.03.2024", E::None, d, u""}, {"d5_", u"7.3.24", E::None, d, u""},
                                                         {"d5_", u"  ", E::None, 0, u""}, {"d5_", u"29.02.2023", E::NotADate, 0, u""},
                                                         {"d5_", u"01.01.1700", E::NotADate, 0, u""},
                                                         {"s7", u"АБВГДЕЖ   ", E::None, 0, u"АБВГДЕЖ"},
                                                         {"s7", u"Щебень 5-20", E::TextTooLong, 0, u""},
                                                         {"s20", u"Щебень ✓", E::NotInCodePage, 0, u""}}) {
            EntryResult r = Picture::parse(QLatin1String(picture))->read(QString::fromUtf16(input));
            QCOMPARE(r.error, error);
            if (error == E::None) {
                QCOMPARE(r.date, date);
                QCOMPARE(r.text, QString::fromUtf16(text));
            }
        }
    }

    void checksPartialInput()
    {
        const auto A = PartialState::Acceptable, I = PartialState::Intermediate, X = PartialState::Invalid;
        // Blank; a point typed; a point first; one decimal too many; minus unsigned and signed;
        // a short year; a year too long; a text too long.
        for (auto [picture, input, state] : {std::tuple{"n5.1", "", A}, {"n5.1", "12,", A}, {"n5.1", ".", I}, {"n5.1", "12.34", X},
                                             {"n5.1", "-", X}, {"n-4", "-", I}, {"d5_", "07.03.20", A}, {"d5_", "07.03.20245", X},
                                             {"s3", "Абвг", X}})
            QVERIFY2(Picture::parse(QLatin1String(picture))->checkPartial(QString::fromUtf8(input)) == state, input);
    }
};

QTEST_GUILESS_MAIN(TestPicture)
#include "tst_picture.moc"
