#include "framework/picture.h"

#include <QTest>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(EntryError)
Q_DECLARE_METATYPE(PartialState)

class TestPicture : public QObject {
    Q_OBJECT
private slots:
    void parsesPictures_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<bool>("blankZero");
        QTest::addColumn<bool>("left");
        QTest::newRow("n5.1") << "n5.1" << true << 5 << 1 << false << false << false;
        QTest::newRow("@n-6.2") << "@n-6.2" << true << 6 << 2 << true << false << false;
        QTest::newRow("N4_") << "N4_" << true << 4 << 0 << false << true << true;
        QTest::newRow("d5_ is dd.mm.yyyy") << "d5_" << true << 10 << 0 << false << false << true;
        QTest::newRow("n3.1 just fits 0.0") << "n3.1" << true << 3 << 1 << false << false << false;
        QTest::newRow("n2.1 no room") << "n2.1" << false << 0 << 0 << false << false << false;
        QTest::newRow("unknown letter") << "x5" << false << 0 << 0 << false << false << false;
        QTest::newRow("trailing junk") << "n5.1x" << false << 0 << 0 << false << false << false;
        QTest::newRow("wider than int64") << "n19" << false << 0 << 0 << false << false << false;
    }
    void parsesPictures()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        auto p = Picture::parse(text);
        QCOMPARE(p.has_value(), valid);
        if (!valid)
            return;
        QTEST(p->width(), "width");
        QTEST(p->decimals(), "decimals");
        QTEST(p->isSigned(), "isSigned");
        QTEST(p->blankWhenZero(), "blankZero");
        QTEST(p->leftAligned(), "left");
    }

    void formatsNumbers_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("n5.1 rounds into overflow") << "n5.1" << 999.96 << "#####";
        QTest::newRow("half away on printed digits") << "n5.2" << 2.675 << "2.68";
        QTest::newRow("carry 9.995") << "n7.2" << 9.995 << "10.00";
        QTest::newRow("tiny negative is zero") << "n5.2" << -0.004 << "0.00";
        QTest::newRow("negative unsigned") << "n5.1" << -1.5 << "#####";
        QTest::newRow("signed rounds away") << "n-6.2" << -12.345 << "-12.35";
        QTest::newRow("sign needs room") << "n-6.2" << -123.45 << "######";
        QTest::newRow("n-4 positive uses sign place") << "n-4" << 9999.0 << "9999";
        QTest::newRow("N rounds to zero") << "N4_" << 0.4 << "";
        QTest::newRow("NaN") << "n5.1" << nan << "#####";
    }
    void formatsNumbers()
    {
        QFETCH(QString, picture);
        QFETCH(double, value);
        QTEST(Picture::parse(picture)->formatNumber(value), "shown");
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

    void readsEntries_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("input");
        QTest::addColumn<EntryError>("error");
        QTest::addColumn<double>("number");
        QTest::newRow("comma") << "n5.1" << "12,3" << EntryError::None << 12.3;
        QTest::newRow("blank is zero") << "n5.1" << "" << EntryError::None << 0.0;
        QTest::newRow("minus zero") << "n5.1" << "-0" << EntryError::None << 0.0;
        QTest::newRow("too many decimals") << "n5.1" << "12.34" << EntryError::TooManyDecimals << 0.0;
        QTest::newRow("too wide") << "n5.1" << "1000" << EntryError::TooWide << 0.0;
        QTest::newRow("negative unsigned") << "n5.1" << "-1" << EntryError::Negative << 0.0;
        QTest::newRow("letter") << "n5.1" << "12a" << EntryError::NotANumber << 0.0;
        QTest::newRow("only sign") << "n-4" << "-" << EntryError::NotANumber << 0.0;
        QTest::newRow("arabic-indic digit") << "n5.1" << QString(QChar(0x0663)) << EntryError::NotANumber << 0.0;
    }
    void readsEntries()
    {
        QFETCH(QString, picture);
        QFETCH(QString, input);
        QFETCH(EntryError, error);
        QFETCH(double, number);
        EntryResult r = Picture::parse(picture)->read(input);
        QCOMPARE(r.error, error);
        if (error == EntryError::None) {
            QCOMPARE(r.number, number);
            QVERIFY(r.message.isEmpty());
        } else {
            QVERIFY(!r.message.isEmpty());
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

    void readsDatesAndTexts_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("input");
        QTest::addColumn<EntryError>("error");
        QTest::addColumn<LONG>("date");
        QTest::addColumn<QString>("text");
        const LONG d = dates::fromYmd(2024, 3, 7);
        QTest::newRow("full") << "d5_" << "07.03.2024" << EntryError::None << d << "";
        QTest::newRow("short") << "d5_" << "7.3.24" << EntryError::None << d << "";
        QTest::newRow("blank date") << "d5_" << "  " << EntryError::None << 0 << "";
        QTest::newRow("no such day") << "d5_" << "29.02.2023" << EntryError::NotADate << 0 << "";
        QTest::newRow("before day 0") << "d5_" << "01.01.1700" << EntryError::NotADate << 0 << "";
        QTest::newRow("text trailing blanks") << "s7" << "АБВГДЕЖ   " << EntryError::None << 0 << "АБВГДЕЖ";
        QTest::newRow("text too long") << "s7" << "Щебень 5-20" << EntryError::TextTooLong << 0 << "";
        QTest::newRow("not in code page") << "s20" << "Щебень ✓" << EntryError::NotInCodePage << 0 << "";
    }
    void readsDatesAndTexts()
    {
        QFETCH(QString, picture);
        QFETCH(QString, input);
        QFETCH(EntryError, error);
        EntryResult r = Picture::parse(picture)->read(input);
        QCOMPARE(r.error, error);
        if (error == EntryError::None) {
            QTEST(r.date, "date");
            QTEST(r.text, "text");
        }
    }

    void checksPartialInput_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("input");
        QTest::addColumn<PartialState>("state");
        QTest::newRow("blank") << "n5.1" << "" << PartialState::Acceptable;
        QTest::newRow("point typed") << "n5.1" << "12," << PartialState::Acceptable;
        QTest::newRow("point first") << "n5.1" << "." << PartialState::Intermediate;
        QTest::newRow("one decimal too many") << "n5.1" << "12.34" << PartialState::Invalid;
        QTest::newRow("minus unsigned") << "n5.1" << "-" << PartialState::Invalid;
        QTest::newRow("minus signed") << "n-4" << "-" << PartialState::Intermediate;
        QTest::newRow("short year") << "d5_" << "07.03.20" << PartialState::Acceptable;
        QTest::newRow("year too long") << "d5_" << "07.03.20245" << PartialState::Invalid;
        QTest::newRow("text too long") << "s3" << "Абвг" << PartialState::Invalid;
    }
    void checksPartialInput()
    {
        QFETCH(QString, picture);
        QFETCH(QString, input);
        QTEST(Picture::parse(picture)->checkPartial(input), "state");
    }
};

QTEST_GUILESS_MAIN(TestPicture)
#include "tst_picture.moc"
