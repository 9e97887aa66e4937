#include "data/recipe_state.h"

#include "data/globals.h"

namespace recipe_state {
namespace {

// Copies a text into a shorter or longer field, cut to the field's width.
template <std::size_t To, std::size_t From>
void copyText(FixedString<To> &to, const FixedString<From> &from)
{
    to.setRaw(from.raw().left(static_cast<qsizetype>(To)));
}

} // namespace

void storeDesign(PodborRecord &rec, REAL number, LONG date)
{
    using namespace glob;
    rec.NUM = number;
    rec.DATE = date;
    rec.OBEKT = QStringLiteral("РЕЦЕПТ");
    copyText(rec.TYPASPH, TYP);
    rec.WIDASPH = WIDAB;
    if (WIDAB.text() == QStringLiteral("щебеночно-мастичная"))
        rec.MARKAASPH.clear();
    else
        copyText(rec.MARKAASPH, MARKA);
    rec.SPLIT1 = SPL1;
    rec.SPLIT2 = SPL2;
    rec.SPLIT3 = SPL3;
    rec.SAND1 = SAN1;
    rec.SAND2 = SAN2;
    rec.FILLER1 = FILL1;
    rec.MARKABIT = MARKABIT;
    rec.BIT = JBITGL;
    rec.DOBAW = DOB_KA;
    rec.SODERZDOBAW = SODERZDOBAWKI;
    rec.NKOMP = NKOMP;
    rec.DIMNAME = DIMNAME;
    rec.DIMJKOMP = DIMJKOMP;
    rec.ISTYKOMP = ISTDIMYKOMP;
    rec.COSTDIM = COSTDIMKOMP;
    rec.DIMKOMP = DIMKOMP;
    rec.PRZRN = PROEKT;
    rec.TREBZRN = ZRN;
    rec.YMINER = YMINER;
    rec.JMP = JMPGL;
    rec.NUMMP = NUMMP;
    rec.COSTSMESI = COSTSMES;
    rec.COSTBITUMEN = COSTBITUM;
    rec.COSTDOB = COSTDOB_KA;
    rec.COSTFILLER = COSTFILLER;
}

void loadRecipe(const PodborRecord &rec)
{
    using namespace glob;
    // A stored recipe keeps no scatter of its materials: no reliability or envelope of the design before it.
    reliability = {};
    componentFile = {};
    NUMMER = rec.NUM;
    copyText(TYP, rec.TYPASPH);
    OBEKT = rec.OBEKT;
    SPL1 = rec.SPLIT1;
    SPL2 = rec.SPLIT2;
    SPL3 = rec.SPLIT3;
    SAN1 = rec.SAND1;
    SAN2 = rec.SAND2;
    FILL1 = rec.FILLER1;
    JBITGL = rec.BIT;
    DOB_KA = rec.DOBAW;
    SODERZDOBAWKI = rec.SODERZDOBAW;
    NKOMP = rec.NKOMP;
    DIMNAME = rec.DIMNAME;
    DIMJKOMP = rec.DIMJKOMP;
    ISTDIMYKOMP = rec.ISTYKOMP;
    COSTDIMKOMP = rec.COSTDIM;
    DIMKOMP = rec.DIMKOMP;
    PROEKT = rec.PRZRN;
    ZRN = rec.TREBZRN;
    YMINER = rec.YMINER;
    J1GL = rec.DIMJKOMP[0];
    J2GL = rec.DIMJKOMP[1];
    J3GL = rec.DIMJKOMP[2];
    J4GL = rec.DIMJKOMP[3];
    J5GL = rec.DIMJKOMP[4];
    J6GL = rec.DIMJKOMP[5];
    JMPGL = rec.JMP;
    NUMMP = rec.NUMMP;
    COSTSMES = rec.COSTSMESI;
    COSTBITUM = rec.COSTBITUMEN;
    COSTDOB_KA = rec.COSTDOB;
    COSTFILLER = rec.COSTFILLER;
    DMM = sieves::SIZES;
}

} // namespace recipe_state
