#include "framework/steplocator.h"

#include <QTest>

namespace {
QByteArray cp(const QString &s) { return *cp1251::encode(s); }
QString uni(const QByteArray &b) { return cp1251::decode(b); }

// Steps must rise in the order of the stored key, or the thumb jumps back and forth.
bool risesWithKey(const stepstops::StringTable &t)
{
    for (std::size_t i = 1; i < t.size(); ++i)
        if (cp1251::sortKey(t[i]) < cp1251::sortKey(t[i - 1]))
            return false;
    return true;
}
} // namespace

class TestStepLocator : public QObject {
    Q_OBJECT
private slots:
    void numericSteps()
    {
        QCOMPARE(stepstops::realTable(0.1, 0.7)[99], 0.7); // the last step is the high limit itself
        QCOMPARE(stepstops::realTable(5.0, 5.0)[36], 5.0);
        QCOMPARE(stepstops::realTable(1.0, 199.0)[50], 101.0);
    }

    void alphabetFollowsFlags()
    {
        SETUPSTRINGSTOPS("A", "B", 1, STOPS_DIGITS);
        QCOMPARE(CS::SORTCHARACTERS, QByteArray("0123456789"));
        SETUPSTRINGSTOPS("A", "B", 1, STOPS_UPPER_LETTERS);
        const QByteArray &a = CS::SORTCHARACTERS;
        QCOMPARE(CS::SORTCHARACTERCOUNT, LONG(a.size()));
        QVERIFY(!a.contains('a') && !a.contains('0') && !a.contains(cp(QStringLiteral("я"))));
        QVERIFY(!a.contains('\xA3')); // a capital, but one of the override characters
        SETUPSTRINGSTOPS("A", "B", 1, STOPS_UPPER_LETTERS | STOPS_LOWER_LETTERS | STOPS_DIGITS);
        QVERIFY(CS::SORTCHARACTERS.contains(cp(QStringLiteral("я"))) && CS::SORTCHARACTERS.contains('5'));
    }

    void workedExampleABCtoABZ()
    {
        stepstops::StringTable t = stepstops::stringTable("ABC", "ABZ", 3);
        QCOMPARE(CS::STRINGROOT, QByteArray("AB"));
        const std::int64_t b = CS::SORTCHARACTERCOUNT + 1;
        QCOMPARE(CS::LOWVALUE, 3 * b * b * b);
        QCOMPARE(CS::HIGHVALUE, 26 * b * b * b);
        QCOMPARE(CS::STEPVALUE, (23 * b * b * b) / 99);
        QCOMPARE(t.front(), QByteArray("ABC"));
        QCOMPARE(t.back(), QByteArray("ABZ"));
        char previous = 'C';
        for (const QByteArray &s : t) {
            QVERIFY2(s.startsWith("AB") && s.size() >= 3, s.constData());
            QVERIFY(s[2] >= previous && s[2] <= 'Z');
            previous = s[2];
        }
        QVERIFY(risesWithKey(t));
    }

    // Digits only (N = 10, base 11): the steps worked by hand.
    // "00".."99": low 1452, high 14520, step 132; step 11 = 2772 = digits 2,0,10,0: the zero
    // inside is a blank, so the step stays between step 10 "098" and step 12 "11".
    void stepsWrittenBackInBaseNPlusOne()
    {
        auto t = stepstops::stringTable("00", "99", 2, STOPS_DIGITS);
        QCOMPARE(t[10], QByteArray("1 9"));
        QCOMPARE(t[9], QByteArray("098"));
        QCOMPARE(t[11], QByteArray("11"));
        QVERIFY(risesWithKey(t));
    }

    void shortHighReachesPastItsPrefix()
    {
        // stored "AB" in a 5-character key: every stored key beginning with AB lies below step 100
        auto t = stepstops::stringTable("AB", "AB", 5);
        const QByteArray ya = cp(QStringLiteral("Я"));
        QCOMPARE(t.back(), "AB" + ya + ya + ya + ya);
        QVERIFY(cp1251::sortKey(t.back()) > cp1251::sortKey("AB" + ya + ya + ya));
        QCOMPARE(t.front(), QByteArray("AB"));
        QVERIFY(risesWithKey(t));
    }

    void characterOutsideAlphabetCountsZero()
    {
        SETUPSTRINGSTOPS("A1", "AZ", 2);
        QCOMPARE(CS::LOWVALUE, 0);
        QCOMPARE(CS::LOWSTRING, QByteArray("1   "));
        QCOMPARE(NEXTSTRINGSTOP(), QByteArray("A1"));
    }

    void lowerCaseLimitsAreUpperCased()
    {
        auto t = stepstops::stringTable(cp(QStringLiteral("щебень гранитный")), cp(QStringLiteral("щебень известняковый")), 20);
        QCOMPARE(uni(CS::STRINGROOT), QStringLiteral("щебень ")); // the root keeps its case
        QCOMPARE(uni(CS::LOWSTRING), QStringLiteral("ГРАН"));
        QCOMPARE(uni(t.front()), QStringLiteral("щебень ГРАН"));
        QVERIFY(risesWithKey(t));
    }

    // Through Ё, from Latin to Cyrillic, and with the low limit above the high one.
    void cyrillicNamesRiseWithKey()
    {
        for (auto [low, high] : {std::pair{u"Доломит", u"Жёлтый песок"}, {u"ABC", u"Щебень 5-20"}, {u"Яшма", u"Асфальт"}}) {
            const QByteArray lo = cp(QString::fromUtf16(low)), hi = cp(QString::fromUtf16(high));
            auto t = stepstops::stringTable(lo, hi, 20);
            if (cp1251::sortKey(lo) <= cp1251::sortKey(hi)) {
                QVERIFY(risesWithKey(t));
                // the first name sits at the top (step 1 holds only 4 characters after the root,
                // so a longer first name is found at step 2), the last name lower down
                QVERIFY(stepstops::thumbForKey(t, lo) <= 2);
                if (cp1251::sortKey(lo) < cp1251::sortKey(hi))
                    QVERIFY(stepstops::thumbForKey(t, hi) > 50);
            }
            QCOMPARE(CS::CURRENTSTEP, 100);
        }
    }

    void degenerateRanges()
    {
        auto t = stepstops::stringTable("ABZ", "ABZ", 3); // equal at full length: nothing to spread
        for (const QByteArray &s : t)
            QCOMPARE(s, QByteArray("ABZ"));
        auto empty = stepstops::stringTable("", "", 0);
        for (const QByteArray &s : empty)
            QVERIFY(s.isEmpty());
    }

    void thumbFollowsKey()
    {
        const auto r = stepstops::realTable(0, 99);
        QCOMPARE(stepstops::thumbForKey(r, 0.0), 0);
        QCOMPARE(stepstops::thumbForKey(r, 0.5), 2);
        QCOMPARE(stepstops::thumbForKey(r, 200.0), 100);
        // string keys ignore case
        auto t = stepstops::stringTable("ABC", "ABZ", 3);
        int upper = stepstops::thumbForKey(t, "ABM");
        QVERIFY(upper > 1 && upper < 100);
        QCOMPARE(stepstops::thumbForKey(t, "abm"), upper);
        QCOMPARE(stepstops::thumbForKey(t, "ZZZ"), 100);
    }

    void draggedThumb()
    {
        QCOMPARE(stepstops::dragTarget(1).action, stepstops::DragAction::Top);
        QCOMPARE(stepstops::dragTarget(100).action, stepstops::DragAction::Bottom);
        auto mid = stepstops::dragTarget(42);
        QCOMPARE(mid.action, stepstops::DragAction::Locate);
        QCOMPARE(mid.step, 42);
    }
};

QTEST_GUILESS_MAIN(TestStepLocator)
#include "tst_steplocator.moc"
