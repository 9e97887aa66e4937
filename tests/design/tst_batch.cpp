#include "design/batch.h"

#include "support/design_fixtures.h"

using namespace design;


namespace {

const Grading BLEND = {100, 95, 85, 70, 50, 35, 25, 18, 13, 9, 6};

FixedString<2> shape(char code)
{
    FixedString<2> f;
    f.setRaw(QByteArray(1, code));
    return f;
}

FixedString<20> name(const char16_t *text)
{
    FixedString<20> f;
    f = QString::fromUtf16(text);
    return f;
}

// Round decks 20, 10, 5, 2.5 mm and no fifth deck; 6 % powder, 6 % bitumen, 1000 kg.
BatchInput exampleInput()
{
    BatchInput in;
    const double round[5] = {20, 10, 5, 2.5, 0};
    for (int k = 0; k < 5; ++k) {
        in.FORMA[k] = shape(ROUND_HOLE);
        in.OTW[k][0] = round[k];
        in.OTW[k][1] = 99; // the square size is not the one in use
    }
    in.MASSAZAMES = 1000;
    in.PROEKT = BLEND;
    in.JMPGL = 6;
    in.JBITGL = 6;
    in.DIMNAME = {name(u"Щебень 5-20"), name(u"Песок"), name(u"МП-1"), {}, {}, {}};
    in.FILL1 = name(u"МП-1");
    in.DIMJKOMP = {60, 34, 6, 0, 0, 0};
    in.DIMKOMP[10] = {1, 10, 80, 0, 0, 0};
    return in;
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT
private slots:
    // Round 20 is the 20 mm sieve; round 30 lies between 40 and 20; wider than 40 mm; an absent
    // deck; square 10 as round 12.4761; finer than 0.071 towards 0 on the same scale; square 0.1
    // has no equivalent round hole.
    void passingAtDeck()
    {
        for (auto [code, opening, passing] : {std::tuple{ROUND_HOLE, 20.0, 95.0}, {ROUND_HOLE, 30.0, 97.6418976954884},
                                              {ROUND_HOLE, 50.0, 100.0}, {ROUND_HOLE, 0.0, 0.0}, {SQUARE_HOLE, 10.0, 77.680377939849},
                                              {ROUND_HOLE, 0.05, 4.74925717442631}, {SQUARE_HOLE, 0.1, 0.0}}) {
            std::array<FixedString<2>, 5> forma{shape(code), {}, {}, {}, {}};
            REAL otw[5][2] = {{opening, opening}};
            const DeckOpenings d = deckOpenings(forma, otw);
            QCOMPARE(d.OTW[0], opening);
            QCOMPARE_NEAR(design::passingAtDeck(BLEND, d.OTW[0], d.A[0]), passing, 1e-9);
        }
    }

    // The window's recipe; the same with the oversize removed; bitumen in 100 % of the mix;
    // bitumen over 100 %.
    void plantExample()
    {
        using V = BatchVariant;
        for (auto [variant, removeOversize, total, SPLT2, BIT, MSUMMA, NEGABARIT] :
             {std::tuple{V::GROHOTBROWSE1, false, 106.0, 2500.0 / 106, 600.0 / 106, 1000.0, 0.0},
              {V::GROHOTBROWSE1, true, 101.0, 2500.0 / 101, 600.0 / 101, 1000.0, 0.0},
              {V::RPT_GROHOT, false, 101.0, 2500.0 / 101, 600.0 / 101, 1000.0, 5.0},
              {V::REZCBITSWERH100, false, 95.0, 2500.0 / 95, 6.0, 1060.0, 5.0}}) {
            BatchInput in = exampleInput();
            in.CHEKKRUP = removeOversize;
            const BatchRecipe r = computeBatch(in, variant);
            QCOMPARE(r.P, (std::array<REAL, 5>{95, 70, 50, 35, 0}));
            QCOMPARE(r.total, total);
            QCOMPARE_NEAR(r.SPLT[1], SPLT2, 1e-12);
            QCOMPARE_NEAR(r.MSPL[1], SPLT2 * 10, 1e-9);
            QCOMPARE_NEAR(r.BIT, BIT, 1e-12);
            QCOMPARE_NEAR(r.MSUMMA, MSUMMA, 1e-9);
            QCOMPARE(r.NEGABARIT, NEGABARIT);
            QCOMPARE(r.MASSANEGABARIT, NEGABARIT * 10);
            QCOMPARE(r.CTOPLUSBIT, variant == V::REZCBITSWERH100 ? 106.0 : 0.0);
        }
    }

    // 50 % of (60 % x 1 % + 34 % x 10 %) = 2.0, the powder's own fines not carried off; with no
    // powder named all components give dust; a powder listed first leaves none; no collector, none.
    void dustCarriedOff()
    {
        for (auto [OTSOS, FILL1, dust] : {std::tuple{50, u"МП-1", 2.0}, {50, u"МП-2", 4.4}, {50, u"Щебень 5-20", 0.0}, {0, u"МП-1", 0.0}}) {
            BatchInput in = exampleInput();
            in.OTSOS = OTSOS;
            in.FILL1 = QString::fromUtf16(FILL1);
            const BatchRecipe r = computeBatch(in, BatchVariant::RPT_GROHOT);
            QCOMPARE_NEAR(r.UNOS, dust * 100 / 101, 1e-12);
            QCOMPARE_NEAR(r.MASSUNOS, dust * 1000 / 101, 1e-9);
        }
    }

    void componentSharesAsText()
    {
        BatchInput in = exampleInput();
        in.DIMJKOMP = {60, 33.3333, 6.6667, 0, 100, 0.5};
        const BatchRecipe r = computeBatch(in, BatchVariant::REZCBITSWERH100);
        QCOMPARE(r.SODERZKOMP, (std::array<QString, 6>{"60", "33", "6,6", "", "100", "0,5"}));
    }

    // Decks that pass on everything, an empty batch and powder finer than the last deck.
    void degenerateMixers()
    {
        BatchInput in = exampleInput();
        for (auto &o : in.OTW)
            o[0] = 0;
        BatchRecipe r = computeBatch(in, BatchVariant::GROHOTBROWSE1);
        QCOMPARE(r.P, (std::array<REAL, 5>{}));
        QCOMPARE(r.ZO, (std::array<REAL, 5>{94, 0, 0, 0, 0}));
        QCOMPARE(r.total, 106.0);

        // Oversize removed and neither powder nor bitumen: nothing left to share.
        in.JMPGL = 0;
        in.JBITGL = 0;
        for (BatchVariant v : {BatchVariant::RPT_GROHOT, BatchVariant::REZCBITSWERH100}) {
            r = computeBatch(in, v);
            QCOMPARE(r.total, 0.0);
            QCOMPARE(r.NEGABARIT, 100.0);
            for (double x : {r.SPLT[0], r.PESOK, r.MINPOR, r.BIT, r.MSUMMA, r.UNOS, r.MASSUNOS})
                QCOMPARE(x, 0.0);
        }

        // A fifth deck at 0.071 mm passes 6 %, less than 8 % of powder: an empty bin, not -2 %.
        in = exampleInput();
        in.OTW[4][0] = 0.071;
        in.JMPGL = 8;
        r = computeBatch(in, BatchVariant::GROHOTBROWSE1);
        QCOMPARE(r.P[4], 6.0);
        QCOMPARE(r.ZO[4], 29.0);
        QCOMPARE(r.ZO6X, 0.0);

        // A fifth deck at 1.25 mm: the sand bin takes 25 - 6.
        in.OTW[4][0] = 1.25;
        in.JMPGL = 6;
        r = computeBatch(in, BatchVariant::GROHOTBROWSE1);
        QCOMPARE(r.ZO[4], 10.0);
        QCOMPARE(r.ZO6X, 19.0);
        QCOMPARE_NEAR(r.PESOK, 1900.0 / 106, 1e-12);
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
