#include "data/files.h"

namespace {

struct KeySpec {
    const char *name;
    std::vector<std::pair<const char *, bool>> parts; // field, descending
    bool unique = false;
};

template <typename R>
FileDesc describe(const char *name, const char *prefix, R &, std::vector<KeySpec> keys, const char *group = nullptr,
                  Driver driver = Driver::Sqlite)
{
    FileDesc d;
    d.name = QString::fromLatin1(name);
    d.prefix = QString::fromLatin1(prefix);
    d.driver = driver;
    d.group = QString::fromLatin1(group ? group : name);
    d.columns = columnsOf<R>();
    for (auto &k : keys) {
        KeyDesc kd;
        kd.name = QString::fromLatin1(k.name);
        kd.unique = k.unique;
        for (auto &[field, desc] : k.parts) {
            int c = d.columnIndex(QString::fromLatin1(field));
            Q_ASSERT(c >= 0);
            kd.parts.push_back({c, desc});
        }
        d.keys.push_back(kd);
    }
    return d;
}

template <typename R>
std::unique_ptr<RecordBuffer> bufferOf(R &r) { return std::make_unique<TypedBuffer<R>>(r); }

constexpr bool Asc = false, Desc = true;

} // namespace

int FileDesc::columnIndex(const QString &n) const
{
    for (int i = 0; i < int(columns.size()); ++i)
        if (columns[i].name == n)
            return i;
    return -1;
}


namespace files {

DataFile GUR(describe("GUR", "GUR", ::GUR,
                      {{"GUR:KEYJBEKT", {{"OBEKT", Asc}}},
                       {"GUR:KEYREZNUM", {{"REZNUM", Asc}}},
                       {"GUR:KEYNUMBER", {{"NUMBER", Desc}}, true},
                       {"GUR:KEYTIPNUM", {{"TIP_SM", Desc}, {"NUMBER", Asc}}},
                       {"GUR:KEYDATE", {{"DATE", Desc}}}},
                      "PODBOR"),
             bufferOf(::GUR));
DataFile ZR3N(describe("ZR3N", "ZR3", ::ZR3,
                       {{"ZR3:KEYNUM", {{"ANUM", Asc}}}, {"ZR3:KEYLAND", {{"LAND", Asc}}}, {"ZR3:KEYNAME", {{"NAME", Asc}}}}),
              bufferOf(::ZR3));
DataFile DBZRN(describe("DBZRN", "DBZ", ::DBZ, {}, nullptr, Driver::DBase), bufferOf(::DBZ));
DataFile PODBOR(describe("PODBOR", "POD", ::POD,
                         {{"POD:KEYNUM", {{"NUM", Asc}}},
                          {"POD:KEYOBEKT", {{"OBEKT", Asc}}},
                          {"POD:KEYDATE", {{"DATE", Asc}}},
                          {"POD:KEYTYP", {{"TYPASPH", Asc}}}},
                         "PODBOR"),
                bufferOf(::POD));
DataFile GROHOT(describe("GROHOT", "GRO", ::GRO, {{"GRO:KEYNUMMIX", {{"NUMMIXER", Asc}}}}), bufferOf(::GRO));
DataFile NORMA(describe("NORMA", "NOR", ::NOR, {{"NOR:KEYNUM", {{"NUM", Asc}}}, {"NOR:KEYTYP", {{"TYPASPH", Asc}}}}),
               bufferOf(::NOR));
DataFile FILLER(describe("FILLER", "FIL", ::FIL, {{"FIL:KEYNUM", {{"NUM", Asc}}}, {"FIL:KEYNAME", {{"NAIMEN", Asc}}}}),
                bufferOf(::FIL));
DataFile SPLIT(describe("SPLIT", "SPL", ::SPL, {{"SPL:KEYNUM", {{"NUM", Asc}}}, {"SPL:KEYNAME", {{"NAIMEN", Asc}}}}),
               bufferOf(::SPL));
DataFile OTSEW(describe("OTSEW", "OTS", ::OTS, {{"OTS:KEYNUM", {{"NUM", Asc}}}, {"OTS:KEYNAME", {{"NAIMEN", Asc}}}}),
               bufferOf(::OTS));
DataFile SANT(describe("SANT", "SAN", ::SAN, {{"SAN:KEYNUM", {{"NUM", Asc}}}, {"SAN:KEYNAME", {{"NAIMEN", Asc}}}}),
              bufferOf(::SAN));
DataFile DOBAWKA(describe("DOBAWKA", "DOB", ::DOB, {{"DOB:KEYKLASS", {{"KLASS", Asc}}}, {"DOB:KEYNAME", {{"NAME", Asc}}}}),
                 bufferOf(::DOB));
DataFile USLOV(describe("USLOV", "USL", ::USL, {{"USL:KEYREGION", {{"REGION", Asc}}}, {"USL:KEYDKZ", {{"DKZ", Asc}}}}),
               bufferOf(::USL));
DataFile BITUMEN(describe("BITUMEN", "BIT", ::BIT, {{"BIT:KEYBIT", {{"MARBIT", Asc}}}}), bufferOf(::BIT));
DataFile OBRGIDRO(describe("OBRGIDRO", "OBR", ::OBR,
                           {{"OBR:KEYNUMMER", {{"NUMMER", Asc}}, true}, {"OBR:KEYOBEKT", {{"OBEKT", Asc}}}}, "PODBOR"),
                  bufferOf(::OBR));
DataFile NASTROJK(describe("NASTROJK", "NAS", ::NAS,
                           {{"NAS:KEYREGN", {{"REGION", Asc}}},
                            {"NAS:KEYDOROGA", {{"DOROGA", Asc}}},
                            {"NAS:KEYSLOI", {{"KONSTRUKTIV", Asc}}}}),
                  bufferOf(::NAS));
DataFile N_BALKI(describe("N_BALKI", "N_B", ::N_B,
                          {{"N_B:KEYANUM", {{"ANUM", Asc}}}, {"N_B:KEYWID", {{"WIDTEST", Asc}}, true}}),
                 bufferOf(::N_B));
// A material's analyses newest first.
DataFile ANALIZ(describe("ANALIZ", "ANA", ::ANA, {{"ANA:KEYMAT", {{"MATFILE", Asc}, {"NAIMEN", Asc}, {"DATE", Desc}}}}),
                bufferOf(::ANA));

std::vector<DataFile *> all()
{
    return {&GUR, &ZR3N, &DBZRN, &PODBOR, &GROHOT, &NORMA, &FILLER, &SPLIT, &OTSEW, &SANT, &DOBAWKA, &USLOV, &BITUMEN,
            &OBRGIDRO, &NASTROJK, &N_BALKI, &ANALIZ};
}

DataFile *byName(const QString &name)
{
    for (DataFile *f : all())
        if (f->name().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

} // namespace files
