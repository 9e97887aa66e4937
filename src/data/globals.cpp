#include "data/globals.h"

#include <algorithm>

namespace glob {
namespace {
template <typename T, std::size_t N>
void zero(T (&a)[N]) { std::fill(std::begin(a), std::end(a), T{}); }
template <typename T, std::size_t N, std::size_t M>
void zero(T (&a)[N][M]) { for (auto &row : a) zero(row); }
} // namespace

void resetGlobals()
{
    NKOMP = 0;
    for (auto &s : DIMNAME) s.clear();
    zero(DIMKOMP); zero(ISTDIMYKOMP); zero(COSTDIMKOMP);
    NUMMP = 0;
    for (auto *s : {&SPL1, &SPL2, &SPL3, &SAN1, &SAN2, &FILL1}) s->clear();
    TYP.clear(); zero(ZRN); zero(DMM); MARKA.clear(); WIDAB.clear();
    J1GL = J2GL = J3GL = J4GL = J5GL = J6GL = 0;
    zero(PROEKT); OTKL = 0; zero(DIMJKOMP); JMPGL = 0; YMINER = 0;
    JBITGL = 0; MARKABIT.clear(); DOB_KA.clear(); SODERZDOBAWKI = 0; COSTDOB_KA = 0;
    COSTFILLER = COSTBITUM = COSTBIT = COSTSMES = 0;
    NUMMER = 0; OBEKT.clear(); DATA = 0; FLAG = 0; PUSTO.clear();
    REGION.clear(); US_DV.clear(); REZUME.clear();
    GAMMA = TAU = TAUMAX = KKOL = T1 = TSUMMA = TMAX = TMIN = IN_DV = 0;
    KAT_DV = 0; DKZ.clear(); OTSOS = 0; I = J = 0;
    GLOBALREQUEST = GLOBALRESPONSE = VCRREQUEST = 0;
    SAVEFILEERROR.clear(); SAVEERROR.clear(); SAVEFILEERRORCODE = SAVEERRORCODE = 0;
    BITSMA2 = 0; YMP0I071 = 0; OPTIM2 = 0;
}

} // namespace glob
