#include "data/globals.h"

namespace glob {

void resetGlobals()
{
    DESIGN = DesignState();
    TYP.clear(); ZRN = {}; MARKA.clear(); WIDAB.clear();
    PROEKT = {}; OTKL = 0; YMINER = 0;
    MARKABIT.clear(); DOB_KA.clear(); SODERZDOBAWKI = 0; COSTBITUM = 0;
    NUMMER = 0; OBEKT.clear(); DATA = 0; FLAG = 0; PUSTO.clear();
    REGION.clear(); US_DV.clear(); REZUME.clear();
    GAMMA = TAU = TAUMAX = KKOL = T1 = TSUMMA = TMAX = TMIN = IN_DV = 0;
    KAT_DV = 0; DKZ.clear(); OTSOS = 0; MIXER = 0; I = J = 0;
    GLOBALREQUEST = GLOBALRESPONSE = VCRREQUEST = 0;
    SAVEFILEERROR.clear(); SAVEERROR.clear(); SAVEFILEERRORCODE = SAVEERRORCODE = 0;
    BITSMA2 = 0; YMP0I071 = 0; OPTIM2 = 0;
}

} // namespace glob
