#include "data/fieldtypes.h"

#include <QTest>

class TestFieldTypes : public QObject {
    Q_OBJECT
private slots:
    void codecRoundTripsEveryAssignedByte()
    {
        for (int b = 0; b < 256; ++b) {
            if (b == 0x98)
                continue;
            char16_t u = cp1251::toUnicode(static_cast<unsigned char>(b));
            auto back = cp1251::fromUnicode(u);
            QVERIFY2(back && *back == b, qPrintable(QString::number(b, 16)));
        }
        QVERIFY(!cp1251::encode(QStringLiteral("Щебень €✓")).has_value());
        QCOMPARE(cp1251::decode(*cp1251::encode(QStringLiteral("Щебень Ёё №5"))), QStringLiteral("Щебень Ёё №5"));
    }

    void fixedStringRefusesWhatItCannotHold()
    {
        FixedString<5> s;
        QCOMPARE(s.set(QStringLiteral("Битум")), StoreResult::Ok);
        QCOMPARE(s.set(QStringLiteral("Битумы")), StoreResult::TooLong);
        QCOMPARE(s.text(), QStringLiteral("Битум"));
        QCOMPARE(s.set(QStringLiteral("ab   ")), StoreResult::Ok); // trailing blanks do not count
        QCOMPARE(s.set(QStringLiteral("a✓")), StoreResult::NotInCodePage);
        QCOMPARE(s.padded(), QByteArray("ab   "));
    }

    void decimalRangeAndRounding()
    {
        Decimal<3, 1> tr;
        QCOMPARE(tr.set(-99.95), StoreResult::OutOfRange);
        QCOMPARE(tr.set(-99.94), StoreResult::Ok);
        QCOMPARE(tr.toString(), QStringLiteral("-99.9"));
        QCOMPARE(tr.set(47.25), StoreResult::Ok);
        QCOMPARE(tr.toString(), QStringLiteral("47.3"));
        Decimal<7, 2> g;
        QCOMPARE(g.set(1.005), StoreResult::Ok);
        QCOMPARE(g.units, 101);
        QCOMPARE(g.set(99999.99), StoreResult::Ok);
        QCOMPARE(g.set(std::nan("")), StoreResult::NotANumber);
        QCOMPARE(g.toDouble(), 99999.99);
    }

    void integerStoresRefuseInsteadOfWrapping()
    {
        BYTE b = 7;
        QCOMPARE(storeByte(b, 300), StoreResult::OutOfRange);
        QCOMPARE(int(b), 7);
        QCOMPARE(storeByte(b, 255), StoreResult::Ok);
        LONG l = 0;
        QCOMPARE(storeLong(l, 3e10), StoreResult::OutOfRange);
        QCOMPARE(storeLong(l, -2147483648.0), StoreResult::Ok);
    }

    void datesRoundTrip()
    {
        LONG d = dates::fromYmd(2026, 12, 6);
        int y = 0, m = 0, dd = 0;
        QVERIFY(dates::toYmd(d, y, m, dd));
        QCOMPARE(QList<int>({y, m, dd}), QList<int>({2026, 12, 6}));
        QCOMPARE(dates::fromYmd(1801, 1, 1), 4);
        QCOMPARE(dates::fromYmd(2026, 2, 30), 0);
        QVERIFY(!dates::toYmd(0, y, m, dd));
    }
};

QTEST_GUILESS_MAIN(TestFieldTypes)
#include "tst_fieldtypes.moc"
