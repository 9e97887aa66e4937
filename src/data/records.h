#pragma once
// The records of the data files, their fields in record order, and their keys.
// Each record type lists its fields once, in `fields(visitor)`; the storage driver, the forms
// and the tests walk that list (arrays are flattened as NAME_1 .. NAME_n, NAME_1_1 ..).
#include "data/fieldtypes.h"
#include "data/sieves.h"

#include <vector>

// ---- GUR: the journal of mechanical tests ------------------------------------------------
struct GurRecord {
    LONG DATE = 0;
    REAL NUMBER = 0;
    FixedString<20> OBEKT;
    LONG REZNUM = 0; // the recipe number POD:NUM (any whole recipe number)
    FixedString<7> TIP_SM;
    REAL DOBR = 0;
    REAL US1_50 = 0, US2_50 = 0, US3_50 = 0, US4_50 = 0, USSR = 0;
    REAL US1_3_0 = 0, US2_3_0 = 0, US3_3_0 = 0;
    REAL US1_3_20 = 0, US2_3_20 = 0, US3_3_20 = 0;
    REAL USWOD1 = 0, USWOD2 = 0, USWOD3 = 0;
    REAL USDLIT1 = 0, USDLIT2 = 0, USDLIT3 = 0;
    REAL US1_3_50 = 0, US2_3_50 = 0, US3_3_50 = 0;
    REAL TS1_50 = 0, TS2_50 = 0, TS3_50 = 0, TS4_50 = 0, TSSR = 0;
    REAL UMSR = 0;
    REAL TS1_3_50 = 0, TS2_3_50 = 0, TS3_3_50 = 0, TSSR_3 = 0;
    REAL UM1 = 0, UM2 = 0, UM3 = 0, UM4 = 0;
    REAL TM1 = 0, TM2 = 0, TM3 = 0, TM4 = 0;
    REAL TGFI = 0, R0 = 0, R20 = 0, RWOD = 0, RDLIT = 0, KWOD = 0, KDLIT = 0, R50 = 0, C50 = 0;
    REAL UPL = 0, MPL = 0;
    REAL RASCOL1 = 0, RASCOL2 = 0, RASCOL3 = 0, R_RASCOL = 0;

    template <typename V>
    void fields(V &&v)
    {
        v("DATE", DATE); v("NUMBER", NUMBER); v("OBEKT", OBEKT); v("REZNUM", REZNUM); v("TIP_SM", TIP_SM);
        v("DOBR", DOBR);
        v("US1_50", US1_50); v("US2_50", US2_50); v("US3_50", US3_50); v("US4_50", US4_50); v("USSR", USSR);
        v("US1_3_0", US1_3_0); v("US2_3_0", US2_3_0); v("US3_3_0", US3_3_0);
        v("US1_3_20", US1_3_20); v("US2_3_20", US2_3_20); v("US3_3_20", US3_3_20);
        v("USWOD1", USWOD1); v("USWOD2", USWOD2); v("USWOD3", USWOD3);
        v("USDLIT1", USDLIT1); v("USDLIT2", USDLIT2); v("USDLIT3", USDLIT3);
        v("US1_3_50", US1_3_50); v("US2_3_50", US2_3_50); v("US3_3_50", US3_3_50);
        v("TS1_50", TS1_50); v("TS2_50", TS2_50); v("TS3_50", TS3_50); v("TS4_50", TS4_50); v("TSSR", TSSR);
        v("UMSR", UMSR);
        v("TS1_3_50", TS1_3_50); v("TS2_3_50", TS2_3_50); v("TS3_3_50", TS3_3_50); v("TSSR_3", TSSR_3);
        v("UM1", UM1); v("UM2", UM2); v("UM3", UM3); v("UM4", UM4);
        v("TM1", TM1); v("TM2", TM2); v("TM3", TM3); v("TM4", TM4);
        v("TGFI", TGFI); v("R0", R0); v("R20", R20); v("RWOD", RWOD); v("RDLIT", RDLIT);
        v("KWOD", KWOD); v("KDLIT", KDLIT); v("R50", R50); v("C50", C50); v("UPL", UPL); v("MPL", MPL);
        v("RASCOL1", RASCOL1); v("RASCOL2", RASCOL2); v("RASCOL3", RASCOL3); v("R_RASCOL", R_RASCOL);
    }
};

// ---- ZR3N: foreign gradings reduced to the standard sieves ------------------------------
struct Zr3nRecord {
    REAL ANUM = 0;
    FixedString<12> LAND;
    FixedString<12> NAME;
    std::array<std::array<REAL, 3>, 12> WWOD{};
    sieves::Band MGOST{};
    FixedString<10> OTW;

    template <typename V>
    void fields(V &&v)
    {
        v("ANUM", ANUM); v("LAND", LAND); v("NAME", NAME); v("WWOD", WWOD); v("MGOST", MGOST); v("OTW", OTW);
    }
};

// ---- DBZRN: the one-field dBase file ----------------------------------------------------
struct DbzrnRecord {
    REAL MZRN = 0;
    template <typename V>
    void fields(V &&v) { v("MZRN", MZRN); }
};

// ---- PODBOR: the recipe database ---------------------------------------------------------
struct PodborRecord {
    REAL NUM = 0;
    LONG DATE = 0;
    FixedString<20> OBEKT;
    FixedString<20> TYPASPH;
    FixedString<25> WIDASPH;
    FixedString<4> MARKAASPH;
    sieves::Band TREBZRN{};
    std::array<FixedString<20>, 6> DIMNAME;
    sieves::ComponentGradings DIMKOMP{};
    std::array<REAL, 6> DIMJKOMP{};
    sieves::Grading PRZRN{};
    FixedString<20> SPLIT1, SPLIT2, SPLIT3, SAND1, SAND2, FILLER1;
    FixedString<12> MARKABIT;
    REAL BIT = 0;
    FixedString<20> DOBAW;
    REAL SODERZDOBAW = 0;
    std::array<REAL, 6> ISTYKOMP{};
    BYTE NKOMP = 0;
    REAL YMINER = 0, PLOTN = 0, PORMZ = 0, POROSTAT = 0, NUMMP = 0, JMP = 0, COSTSMESI = 0;
    std::array<REAL, 6> COSTDIM{};
    REAL COSTBITUMEN = 0, COSTDOB = 0, COSTFILLER = 0;

    template <typename V>
    void fields(V &&v)
    {
        v("NUM", NUM); v("DATE", DATE); v("OBEKT", OBEKT); v("TYPASPH", TYPASPH); v("WIDASPH", WIDASPH);
        v("MARKAASPH", MARKAASPH); v("TREBZRN", TREBZRN); v("DIMNAME", DIMNAME); v("DIMKOMP", DIMKOMP);
        v("DIMJKOMP", DIMJKOMP); v("PRZRN", PRZRN); v("SPLIT1", SPLIT1); v("SPLIT2", SPLIT2);
        v("SPLIT3", SPLIT3); v("SAND1", SAND1); v("SAND2", SAND2); v("FILLER1", FILLER1);
        v("MARKABIT", MARKABIT); v("BIT", BIT); v("DOBAW", DOBAW); v("SODERZDOBAW", SODERZDOBAW);
        v("ISTYKOMP", ISTYKOMP); v("NKOMP", NKOMP); v("YMINER", YMINER); v("PLOTN", PLOTN);
        v("PORMZ", PORMZ); v("POROSTAT", POROSTAT); v("NUMMP", NUMMP); v("JMP", JMP);
        v("COSTSMESI", COSTSMESI); v("COSTDIM", COSTDIM); v("COSTBITUMEN", COSTBITUMEN);
        v("COSTDOB", COSTDOB); v("COSTFILLER", COSTFILLER);
    }
};

// ---- GROHOT: hot-bin screens of a mixer --------------------------------------------------
struct GrohotRecord {
    BYTE NUMMIXER = 0;
    REAL MASSAZAMES = 0;
    FixedString<2> FORMA[5];
    REAL OTW[5][2] = {};

    template <typename V>
    void fields(V &&v) { v("NUMMIXER", NUMMIXER); v("MASSAZAMES", MASSAZAMES); v("FORMA", FORMA); v("OTW", OTW); }
};

// ---- NORMA: requirement bands of the standard --------------------------------------------
struct NormaRecord {
    REAL NUM = 0;
    FixedString<20> TYPASPH;
    sieves::Band DNORM2{};

    template <typename V>
    void fields(V &&v) { v("NUM", NUM); v("TYPASPH", TYPASPH); v("DNORM2", DNORM2); }
};

// ---- FILLER, SPLIT, OTSEW, SANT: mineral materials ---------------------------------------
struct FillerRecord {
    LONG NUM = 0;
    FixedString<20> NAIMEN;
    REAL PLOTN = 0;
    sieves::Grading ZRN{};
    REAL COSTFILLER = 0;

    template <typename V>
    void fields(V &&v) { v("NUM", NUM); v("NAIMEN", NAIMEN); v("PLOTN", PLOTN); v("ZRN", ZRN); v("COSTFILLER", COSTFILLER); }
};

struct SplitRecord {
    LONG NUM = 0;
    FixedString<20> NAIMEN;
    REAL PLOTN = 0;
    LONG MARKA = 0;
    REAL LEZHAD = 0;
    sieves::Grading ZRN{};
    REAL COSTSPL = 0;
    REAL NASPLOTN = 0;

    template <typename V>
    void fields(V &&v)
    {
        v("NUM", NUM); v("NAIMEN", NAIMEN); v("PLOTN", PLOTN); v("MARKA", MARKA); v("LEZHAD", LEZHAD);
        v("ZRN", ZRN); v("COSTSPL", COSTSPL); v("NASPLOTN", NASPLOTN);
    }
};

struct OtsewRecord {
    LONG NUM = 0;
    FixedString<20> NAIMEN;
    REAL PLOTN = 0;
    LONG MARKA = 0;
    sieves::Grading ZRN{};
    REAL COSTOTSW = 0;
    REAL NASPLOTN = 0;

    template <typename V>
    void fields(V &&v)
    {
        v("NUM", NUM); v("NAIMEN", NAIMEN); v("PLOTN", PLOTN); v("MARKA", MARKA); v("ZRN", ZRN);
        v("COSTOTSW", COSTOTSW); v("NASPLOTN", NASPLOTN);
    }
};

struct SantRecord {
    LONG NUM = 0;
    FixedString<20> NAIMEN;
    REAL PLOTN = 0;
    sieves::Grading ZRN{};
    REAL COSTPESOK = 0;
    REAL NASPLOTN = 0;

    template <typename V>
    void fields(V &&v)
    {
        v("NUM", NUM); v("NAIMEN", NAIMEN); v("PLOTN", PLOTN); v("ZRN", ZRN); v("COSTPESOK", COSTPESOK);
        v("NASPLOTN", NASPLOTN);
    }
};

// ---- DOBAWKA, BITUMEN: additives and binders ---------------------------------------------
struct DobawkaRecord {
    FixedString<16> KLASS;
    FixedString<20> NAME;
    FixedString<17> KUDA;
    REAL ISTPLOTN = 0;
    REAL SODERZAN = 0;
    REAL COSTDOB_KI = 0;

    template <typename V>
    void fields(V &&v)
    {
        v("KLASS", KLASS); v("NAME", NAME); v("KUDA", KUDA); v("ISTPLOTN", ISTPLOTN); v("SODERZAN", SODERZAN);
        v("COSTDOB_KI", COSTDOB_KI);
    }
};

struct BitumenRecord {
    REAL NUMBIT = 0;
    FixedString<20> MARBIT;
    Decimal<3, 0> P25, P0;
    Decimal<3, 1> TR, TXR;
    Decimal<3, 0> D25, D0, PRTR;

    template <typename V>
    void fields(V &&v)
    {
        v("NUMBIT", NUMBIT); v("MARBIT", MARBIT); v("P25", P25); v("P0", P0); v("TR", TR); v("TXR", TXR);
        v("D25", D25); v("D0", D0); v("PRTR", PRTR);
    }
};

// ---- USLOV: climate data of regions ------------------------------------------------------
struct UslovRecord {
    FixedString<15> REGION;
    FixedString<19> DKZ;
    REAL TMIN = 0, TMAX = 0, TAMPL = 0;

    template <typename V>
    void fields(V &&v) { v("REGION", REGION); v("DKZ", DKZ); v("TMIN", TMIN); v("TMAX", TMAX); v("TAMPL", TAMPL); }
};

// ---- OBRGIDRO: hydrostatic weighing ------------------------------------------------------
struct ObrgidroRecord {
    using Mass = Decimal<7, 2>;
    REAL NUMMER = 0;
    FixedString<20> OBEKT;
    REAL PLOT = 0, WOD = 0, NABUH = 0;
    Mass G0, G01, G02, G1, G11, G12, G2, G21, G22, G3, G31, G32, G4, G41, G42;

    template <typename V>
    void fields(V &&v)
    {
        v("NUMMER", NUMMER); v("OBEKT", OBEKT); v("PLOT", PLOT); v("WOD", WOD); v("NABUH", NABUH);
        v("G0", G0); v("G01", G01); v("G02", G02); v("G1", G1); v("G11", G11); v("G12", G12);
        v("G2", G2); v("G21", G21); v("G22", G22); v("G3", G3); v("G31", G31); v("G32", G32);
        v("G4", G4); v("G41", G41); v("G42", G42);
    }
};

// ---- NASTROJK: approval data -------------------------------------------------------------
struct NastrojkRecord {
    FixedString<20> REGION, DOROGA, KONSTRUKTIV, SOGLDOLJN;
    FixedString<25> SOGLFIRMA;
    FixedString<20> SOGLFIO, DOLJN1;
    FixedString<25> FIRMA;
    FixedString<20> FIO1, ISPOLNIT2, FAM2;

    template <typename V>
    void fields(V &&v)
    {
        v("REGION", REGION); v("DOROGA", DOROGA); v("KONSTRUKTIV", KONSTRUKTIV); v("SOGLDOLJN", SOGLDOLJN);
        v("SOGLFIRMA", SOGLFIRMA); v("SOGLFIO", SOGLFIO); v("DOLJN1", DOLJN1); v("FIRMA", FIRMA);
        v("FIO1", FIO1); v("ISPOLNIT2", ISPOLNIT2); v("FAM2", FAM2);
    }
};

// ---- N_BALKI: beam bending schemes -------------------------------------------------------
struct NBalkiRecord {
    BYTE ANUM = 0;
    FixedString<20> WIDTEST;
    REAL B_BALK = 0, H_BALK = 0, L_PROL = 0, A_NAGRUZ = 0;

    template <typename V>
    void fields(V &&v)
    {
        v("ANUM", ANUM); v("WIDTEST", WIDTEST); v("B_BALK", B_BALK); v("H_BALK", H_BALK); v("L_PROL", L_PROL);
        v("A_NAGRUZ", A_NAGRUZ);
    }
};

// ---- ANALIZ: the sieve analyses of the aggregates, dated ------------------------------------
// One analysis of a material of SPLIT, SANT, OTSEW or FILLER, which it names by its file and
// name as the design names its components; passing % at each sieve of the material's list
// (the sieves its form does not show pass 100).
struct AnalizRecord {
    FixedString<8> MATFILE;  // "SPLIT", "SANT", "OTSEW", "FILLER"
    FixedString<20> NAIMEN;  // the material's name
    LONG NUM = 0;            // its laboratory number when the analysis was entered
    LONG DATE = 0;           // day of the analysis
    FixedString<12> PROBA;   // sample number
    sieves::Grading ZRN{};

    template <typename V>
    void fields(V &&v)
    {
        v("MATFILE", MATFILE); v("NAIMEN", NAIMEN); v("NUM", NUM); v("DATE", DATE); v("PROBA", PROBA); v("ZRN", ZRN);
    }
};
