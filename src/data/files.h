#pragma once
// The data files, their shared record buffers and their keys.
//
// Buffers carry the files' prefixes (SPL.NAIMEN is the crushed-stone name in hand); the files
// themselves live in namespace files (files::SPLIT) with their use counters (files::SPLIT.USED).
#include "data/datafile.h"
#include "data/records.h"

inline GurRecord GUR;
inline Zr3nRecord ZR3;
inline DbzrnRecord DBZ;
inline PodborRecord POD;
inline GrohotRecord GRO;
inline NormaRecord NOR;
inline FillerRecord FIL;
inline SplitRecord SPL;
inline OtsewRecord OTS;
inline SantRecord SAN;
inline DobawkaRecord DOB;
inline UslovRecord USL;
inline BitumenRecord BIT;
inline ObrgidroRecord OBR;
inline NastrojkRecord NAS;
inline NBalkiRecord N_B;
inline AnalizRecord ANA;

namespace files {

extern DataFile GUR, ZR3N, DBZRN, PODBOR, GROHOT, NORMA, FILLER, SPLIT, OTSEW, SANT, DOBAWKA, USLOV, BITUMEN,
    OBRGIDRO, NASTROJK, N_BALKI, ANALIZ;

// Every data file, in the order of the file table.
std::vector<DataFile *> all();
// A file by its name ("GUR"), or nullptr.
DataFile *byName(const QString &name);

// Key numbers, as indexes into each file's key list.
namespace key {
enum Gur { GUR_KEYJBEKT, GUR_KEYREZNUM, GUR_KEYNUMBER, GUR_KEYTIPNUM, GUR_KEYDATE };
enum Zr3 { ZR3_KEYNUM, ZR3_KEYLAND, ZR3_KEYNAME };
enum Pod { POD_KEYNUM, POD_KEYOBEKT, POD_KEYDATE, POD_KEYTYP };
enum Gro { GRO_KEYNUMMIX };
enum Nor { NOR_KEYNUM, NOR_KEYTYP };
enum Fil { FIL_KEYNUM, FIL_KEYNAME };
enum Spl { SPL_KEYNUM, SPL_KEYNAME };
enum Ots { OTS_KEYNUM, OTS_KEYNAME };
enum San { SAN_KEYNUM, SAN_KEYNAME };
enum Dob { DOB_KEYKLASS, DOB_KEYNAME };
enum Usl { USL_KEYREGION, USL_KEYDKZ };
enum Bit { BIT_KEYBIT };
enum Obr { OBR_KEYNUMMER, OBR_KEYOBEKT };
enum Nas { NAS_KEYREGN, NAS_KEYDOROGA, NAS_KEYSLOI };
enum N_B { N_B_KEYANUM, N_B_KEYWID };
enum Ana { ANA_KEYMAT };
} // namespace key

} // namespace files
