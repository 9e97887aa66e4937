#pragma once
// The global working state: the values the design steps hand to one another, the request
// protocol between list windows and forms, and the last saved file error. They live for the
// whole run and are shared by all windows (the GUI thread serialises every access).
#include "data/fieldtypes.h"

namespace glob {

// Component selection
inline BYTE NKOMP = 0;
inline FixedString<20> DIMNAME[6];
inline REAL DIMKOMP[11][6] = {};
inline REAL ISTDIMYKOMP[6] = {};
inline REAL COSTDIMKOMP[6] = {};
inline REAL NUMMP = 0;
inline FixedString<20> SPL1, SPL2, SPL3, SAN1, SAN2, FILL1;
inline FixedString<12> TYP;
inline REAL ZRN[11][2] = {};
inline REAL DMM[11] = {};
inline FixedString<3> MARKA;
inline FixedString<25> WIDAB;

// Grading blend
inline REAL J1GL = 0, J2GL = 0, J3GL = 0, J4GL = 0, J5GL = 0, J6GL = 0;
inline REAL PROEKT[11] = {};
inline REAL OTKL = 0;
inline REAL DIMJKOMP[6] = {};
inline REAL JMPGL = 0;
inline REAL YMINER = 0;

// Bitumen, additive, cost
inline REAL JBITGL = 0;
inline FixedString<12> MARKABIT;
inline FixedString<20> DOB_KA;
inline REAL SODERZDOBAWKI = 0;
inline REAL COSTDOB_KA = 0;
inline REAL COSTFILLER = 0, COSTBITUM = 0, COSTBIT = 0, COSTSMES = 0;

// Recipe in hand and reports
inline REAL NUMMER = 0;
inline FixedString<20> OBEKT;
inline LONG DATA = 0;
inline BYTE FLAG = 0;
inline FixedString<5> PUSTO;

// Shear check
inline FixedString<20> REGION, US_DV;
inline FixedString<25> REZUME;
inline REAL GAMMA = 0, TAU = 0, TAUMAX = 0, KKOL = 0, T1 = 0, TSUMMA = 0, TMAX = 0, TMIN = 0, IN_DV = 0;
inline ULONG KAT_DV = 0;

// Filters and mixer
inline FixedString<3> DKZ;
inline LONG OTSOS = 0;
inline BYTE I = 0, J = 0;

// Request protocol between list windows and forms
enum Request : LONG { NoRequest = 0, InsertRecord = 1, ChangeRecord = 2, DeleteRecord = 3, SelectRecord = 4 };
enum Response : LONG { RequestCompleted = 1, RequestCancelled = 2 };
inline LONG GLOBALREQUEST = 0;
inline LONG GLOBALRESPONSE = 0;
inline LONG VCRREQUEST = 0;

// The last saved file error (shown and cleared by the standard warnings)
inline QString SAVEFILEERROR, SAVEERROR;
inline LONG SAVEFILEERRORCODE = 0, SAVEERRORCODE = 0;

// Values the bitumen step keeps between its runs
inline REAL BITSMA2 = 0;
inline REAL YMP0I071 = 0;
inline BYTE OPTIM2 = 0;

// Blanks every text and zeroes every number, as at start-up.
void resetGlobals();

} // namespace glob
