#pragma once
// The global working state: the values the design steps hand to one another, the request
// protocol between list windows and forms, and the last saved file error. They live for the
// whole run and are shared by all windows (the GUI thread serialises every access).
#include "data/fieldtypes.h"
#include "data/sieves.h"

#include <array>

namespace glob {

// The design state: what the design steps hand to one another, reset to these values each time
// the component selection opens (DESIGN = DesignState()). Each value keeps its own name below.
struct DesignState {
    // Component selection
    BYTE NKOMP = 0;
    std::array<FixedString<20>, 6> DIMNAME;
    sieves::ComponentGradings DIMKOMP{}; // passing % of each component at each sieve
    std::array<REAL, 6> ISTDIMYKOMP{};
    std::array<REAL, 6> COSTDIMKOMP{};
    REAL NUMMP = 0;
    FixedString<20> SPL1, SPL2, SPL3, SAN1, SAN2, FILL1;
    std::array<REAL, 11> DMM = sieves::SIZES;
    // The material file each component came from ("SPLIT", "OTSEW", "SANT", "FILLER"), so that
    // the reliability of a blend finds the materials' sieve analyses.
    std::array<QString, 6> componentFile{};
    // Grading blend
    REAL J1GL = 0, J2GL = 0, J3GL = 0, J4GL = 0, J5GL = 0, J6GL = 0;
    std::array<REAL, 6> DIMJKOMP{};
    REAL JMPGL = 0;
    // The blend's reliability under the scatter of its materials, as the grading window last
    // showed it; Ф.1 of the design draws the 5..95 % envelope when envelopeOnForm is 1.
    struct Reliability {
        bool known = false;
        REAL percent = 0;              // draws inside the band at every sieve, %
        sieves::Grading outside{};     // draws outside the band, % per sieve
        sieves::Grading low{}, high{}; // the 5 % and 95 % quantiles of the blend per sieve
    } reliability;
    BYTE envelopeOnForm = 0;
    // Bitumen and cost
    REAL JBITGL = 0;
    REAL COSTDOB_KA = 0, COSTFILLER = 0, COSTBIT = 0, COSTSMES = 0;
};
inline DesignState DESIGN;

inline BYTE &NKOMP = DESIGN.NKOMP;
inline auto &DIMNAME = DESIGN.DIMNAME;
inline auto &DIMKOMP = DESIGN.DIMKOMP;
inline auto &ISTDIMYKOMP = DESIGN.ISTDIMYKOMP;
inline auto &COSTDIMKOMP = DESIGN.COSTDIMKOMP;
inline REAL &NUMMP = DESIGN.NUMMP;
inline FixedString<20> &SPL1 = DESIGN.SPL1, &SPL2 = DESIGN.SPL2, &SPL3 = DESIGN.SPL3, &SAN1 = DESIGN.SAN1,
                       &SAN2 = DESIGN.SAN2, &FILL1 = DESIGN.FILL1;
inline auto &DMM = DESIGN.DMM;
inline auto &componentFile = DESIGN.componentFile;
inline REAL &J1GL = DESIGN.J1GL, &J2GL = DESIGN.J2GL, &J3GL = DESIGN.J3GL, &J4GL = DESIGN.J4GL, &J5GL = DESIGN.J5GL,
            &J6GL = DESIGN.J6GL;
inline auto &DIMJKOMP = DESIGN.DIMJKOMP;
inline REAL &JMPGL = DESIGN.JMPGL;
inline auto &reliability = DESIGN.reliability;
inline BYTE &envelopeOnForm = DESIGN.envelopeOnForm;
inline REAL &JBITGL = DESIGN.JBITGL;
inline REAL &COSTDOB_KA = DESIGN.COSTDOB_KA, &COSTFILLER = DESIGN.COSTFILLER, &COSTBIT = DESIGN.COSTBIT,
            &COSTSMES = DESIGN.COSTSMES;

// The band, grade and kind chosen last: kept over a new opening of the component selection.
inline FixedString<12> TYP;
inline sieves::Band ZRN{}; // the band: minimum and maximum passing % at each sieve
inline FixedString<3> MARKA;
inline FixedString<25> WIDAB;

// Results of the grading blend
inline sieves::Grading PROEKT{};
inline REAL OTKL = 0;
inline REAL YMINER = 0;

// Bitumen and additive chosen
inline FixedString<12> MARKABIT;
inline FixedString<20> DOB_KA;
inline REAL SODERZDOBAWKI = 0;
inline REAL COSTBITUM = 0;

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
// The mixer whose batch is shown and printed (the batch window's highlighted one). Kept apart
// from NUMMER, the recipe in hand, so that a cost stored meanwhile finds its own recipe.
inline REAL MIXER = 0;
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

// Blanks every text and zeroes every number, as at start-up; the design state takes its defaults.
void resetGlobals();

} // namespace glob
