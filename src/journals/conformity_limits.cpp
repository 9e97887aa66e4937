#include "journals/conformity_limits.h"

#include <cmath>

namespace lab {

namespace {

enum class Report { PROTVSE, FORMAD_25 };

enum class TypeGroup { A, B, V, G, D, VPA, SMA10, SMA15, SMA20, Other };

// A fixed-width field's value: trailing blanks do not count.
QString fieldValue(const QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    return s.left(n);
}

TypeGroup typeGroup(const QString &TYP)
{
    const QString t = fieldValue(TYP);
    if (t == QStringLiteral("тип А") || t == QStringLiteral("тип Апр"))
        return TypeGroup::A;
    if (t == QStringLiteral("тип Б") || t == QStringLiteral("тип Бпр"))
        return TypeGroup::B;
    if (t == QStringLiteral("тип В"))
        return TypeGroup::V;
    if (t == QStringLiteral("тип Г"))
        return TypeGroup::G;
    if (t == QStringLiteral("тип Д"))
        return TypeGroup::D;
    if (t == QStringLiteral("ВПА"))
        return TypeGroup::VPA;
    if (t == QStringLiteral("ЩМА-10"))
        return TypeGroup::SMA10;
    if (t == QStringLiteral("ЩМА-15"))
        return TypeGroup::SMA15;
    if (t == QStringLiteral("ЩМА-20"))
        return TypeGroup::SMA20;
    return TypeGroup::Other;
}

bool isStoneMastic(TypeGroup g) { return g == TypeGroup::SMA10 || g == TypeGroup::SMA15 || g == TypeGroup::SMA20; }

// Zone rows of the table: 0 = "I", 1 = "II"/"III", 2 = "IV"/"V", -1 = any other zone.
int zoneRow(const QString &DKZ)
{
    const QString z = fieldValue(DKZ);
    if (z == QLatin1String("I"))
        return 0;
    if (z == QLatin1String("II") || z == QLatin1String("III"))
        return 1;
    if (z == QLatin1String("IV") || z == QLatin1String("V"))
        return 2;
    return -1;
}

// Step 1: grading, mineral porosity, water saturation and residual porosity by type.
void applyTypeStep(ConformityLimits &l, TypeGroup g, Report report)
{
    struct Row {
        TypeGroup g;
        double D20, D5a, D5b, D063a, D063b, D0071a, D0071b;
        double PORMAX, Wa, Wb; // 0: set by the stone-mastic step
    };
    static const Row rows[] = {
        {TypeGroup::A, 90, 40, 50, 14, 50, 4, 10, 19, 2.0, 5.0},
        {TypeGroup::B, 90, 50, 60, 20, 60, 6, 12, 19, 1.5, 4.0},
        {TypeGroup::V, 90, 60, 70, 28, 40, 8, 14, 22, 1.5, 4.0},
        {TypeGroup::G, 100, 80, 100, 30, 50, 8, 16, 22, 1.5, 4.0},
        {TypeGroup::D, 100, 80, 100, 30, 75, 10, 16, 22, 1.0, 4.0},
        {TypeGroup::VPA, 90, 35, 50, 13, 50, 10, 16, 16, 1.0, 2.5},
        {TypeGroup::SMA10, 100, 30, 40, 13, 22, 10, 15, 0, 0, 0},
        {TypeGroup::SMA15, 100, 25, 35, 12, 22, 9, 14, 0, 0, 0},
        {TypeGroup::SMA20, 90, 20, 30, 11, 21, 8, 13, 0, 0, 0},
    };
    if (g == TypeGroup::VPA) {
        l.POROSTMIN = 1.0;
        l.POROSTMAX = 2.5;
    } else { // every other type, known or not
        l.POROSTMIN = 2.5;
        l.POROSTMAX = 5.0;
    }
    for (const Row &r : rows) {
        if (r.g != g)
            continue;
        if (report == Report::PROTVSE) {
            l.D20MIN = r.D20;
            l.D5MIN = r.D5a;
            l.D5MAX = r.D5b;
            l.D063MIN = r.D063a;
            l.D063MAX = r.D063b;
            l.D0071MIN = r.D0071a;
            l.D0071MAX = r.D0071b;
        }
        if (!isStoneMastic(g)) {
            l.PORMINERMAX = r.PORMAX;
            l.WMIN = r.Wa;
            l.WMAX = r.Wb;
        }
    }
}

// Step 2: strength at 20 and 0 °C, water resistance and splitting strength by zone and grade.
void applyZoneGradeStep(ConformityLimits &l, const QString &MARKA, const QString &DKZ)
{
    struct Row {
        double R20, R0, KW, KDL, RASKa, RASKb;
    };
    static const Row rows[3][3] = {
        {{2.5, 9, 0.95, 0.90, 3.0, 5.5}, {2.2, 10, 0.90, 0.85, 2.5, 6.0}, {2.0, 10, 0.85, 0.75, 2.0, 6.5}},
        {{2.5, 11, 0.90, 0.85, 3.5, 6.0}, {2.2, 12, 0.85, 0.75, 3.0, 6.0}, {2.0, 12, 0.75, 0.65, 2.5, 7.0}},
        {{2.5, 10, 0.85, 0.75, 4.0, 6.5}, {2.2, 13, 0.80, 0.70, 3.5, 7.0}, {2.0, 13, 0.70, 0.60, 3.5, 7.5}},
    };
    const int zone = zoneRow(DKZ);
    if (zone < 0)
        return; // any other zone sets nothing
    const QString grade = fieldValue(MARKA);
    const int column = grade == QLatin1String("I") ? 0 : (grade == QLatin1String("II") ? 1 : 2);
    const Row &r = rows[zone][column];
    l.R20MIN = r.R20;
    l.R0MAX = r.R0;
    l.KWODMIN = r.KW;
    l.KDLITMIN = r.KDL;
    l.RASKMIN = r.RASKa;
    l.RASKMAX = r.RASKb;
}

struct ShearLimits {
    double R50, TGFI, C50;
    bool set() const { return R50 != 0 || TGFI != 0 || C50 != 0; }
};

// One cell of step 3: the grade tested first, the grade tested second (nullptr: none), and what
// applies otherwise (all 0: nothing).
struct ShearRow {
    const char *first;
    ShearLimits a;
    const char *second;
    ShearLimits b;
    ShearLimits otherwise;
};

ShearRow shearRow(TypeGroup g, int zone)
{
    // [zone row 0..2] per type; for "ВПА" row 2 stands for any zone other than I..III.
    static const ShearRow A[3] = {
        {"I", {0.9, 0.86, 0.23}, nullptr, {}, {0.8, 0.86, 0.22}},
        {"I", {1.0, 0.87, 0.25}, nullptr, {}, {0.9, 0.87, 0.24}},
        {"I", {1.1, 0.89, 0.26}, nullptr, {}, {1.0, 0.89, 0.25}},
    };
    static const ShearRow B[3] = {
        {"I", {1.0, 0.80, 0.32}, "II", {0.9, 0.80, 0.31}, {0.8, 0.79, 0.29}},
        {"I", {1.2, 0.81, 0.37}, "II", {1.0, 0.81, 0.35}, {0.9, 0.80, 0.34}},
        {"I", {1.3, 0.83, 0.38}, "II", {1.2, 0.83, 0.36}, {1.1, 0.81, 0.36}},
    };
    static const ShearRow V[3] = {
        {"II", {1.1, 0.74, 0.37}, nullptr, {}, {1.0, 0.73, 0.36}},
        {"II", {1.2, 0.76, 0.42}, nullptr, {}, {1.1, 0.75, 0.40}},
        {"II", {1.3, 0.78, 0.44}, nullptr, {}, {1.2, 0.77, 0.42}},
    };
    static const ShearRow G[3] = {
        {"I", {1.1, 0.78, 0.34}, "II", {1.0, 0.78, 0.33}, {0.9, 0.76, 0.32}},
        {"I", {1.3, 0.80, 0.37}, "II", {1.2, 0.80, 0.36}, {1.0, 0.78, 0.35}},
        {"I", {1.6, 0.82, 0.38}, "II", {1.4, 0.82, 0.37}, {1.1, 0.80, 0.36}},
    };
    static const ShearRow D[3] = {
        {"II", {1.1, 0.64, 0.47}, nullptr, {}, {1.0, 0.62, 0.45}},
        {"II", {1.3, 0.65, 0.54}, nullptr, {}, {1.1, 0.64, 0.48}},
        {"II", {1.5, 0.70, 0.55}, nullptr, {}, {1.2, 0.66, 0.50}},
    };
    static const ShearRow VPA[3] = {
        {"I", {1.0, 0.86, 0.25}, nullptr, {}, {}},
        {"I", {1.1, 0.87, 0.27}, nullptr, {}, {}},
        {"I", {1.2, 0.89, 0.30}, nullptr, {}, {}},
    };
    if (g == TypeGroup::VPA)
        return VPA[zone < 0 ? 2 : zone];
    if (zone < 0)
        return {nullptr, {}, nullptr, {}, {}};
    switch (g) {
    case TypeGroup::A: return A[zone];
    case TypeGroup::B: return B[zone];
    case TypeGroup::V: return V[zone];
    case TypeGroup::G: return G[zone];
    case TypeGroup::D: return D[zone];
    default: return {nullptr, {}, nullptr, {}, {}};
    }
}

// Step 3: strength at 50 °C, internal friction and cohesion by type, zone and grade; for "ВПА" of
// grade "I" also the water resistance.
void applyShearStep(ConformityLimits &l, TypeGroup g, const QString &MARKA, const QString &DKZ, Report report)
{
    const int zone = zoneRow(DKZ);
    ShearRow row = shearRow(g, zone);
    // The approval form names the otherwise row's grade: "II" for type A outside zone I, "III"
    // for type D; any other grade sets nothing there.
    if (report == Report::FORMAD_25) {
        if (g == TypeGroup::A && zone >= 1)
            row = {row.first, row.a, "II", row.otherwise, {}};
        else if (g == TypeGroup::D)
            row = {row.first, row.a, "III", row.otherwise, {}};
    }
    const QString grade = fieldValue(MARKA);
    const ShearLimits *chosen = nullptr;
    if (row.first && grade == QLatin1String(row.first))
        chosen = &row.a;
    else if (row.second && grade == QLatin1String(row.second))
        chosen = &row.b;
    else if (row.otherwise.set())
        chosen = &row.otherwise;
    if (chosen) {
        l.R50MIN = chosen->R50;
        l.TGFIMIN = chosen->TGFI;
        l.C50MIN = chosen->C50;
    }
    if (g == TypeGroup::VPA && grade == QLatin1String("I")) {
        if (zone == 0) {
            l.KWODMIN = 0.95;
            l.KDLITMIN = 0.95;
        } else if (zone == 1) {
            l.KWODMIN = 0.95;
            l.KDLITMIN = 0.90;
        } else {
            l.KWODMIN = 0.90;
            l.KDLITMIN = 0.85;
        }
    }
}

// The zone rows of the stone-mastic step.
void applyStoneMasticZoneRow(ConformityLimits &l, TypeGroup g, int zone, Report report)
{
    struct Row {
        double POROSTa, POROSTb, Wa, Wb, R20, R50, TGFI, C50, RASKa, RASKb, KDL;
    };
    static const Row rows[3] = {
        {1.5, 4.0, 1.0, 3.5, 2.0, 0.60, 0.92, 0.16, 2.0, 5.5, 0.90},
        {1.5, 4.5, 1.0, 4.0, 2.2, 0.65, 0.93, 0.18, 2.5, 6.0, 0.85},
        {2.0, 4.5, 1.5, 4.0, 2.5, 0.70, 0.94, 0.20, 3.0, 6.5, 0.75},
    };
    const int index = zone < 0 ? 2 : zone;
    if (report == Report::FORMAD_25 && zone < 0)
        return; // the approval form keeps its last row for zones IV and V only
    const Row &r = rows[index];
    l.POROSTMIN = r.POROSTa;
    l.POROSTMAX = r.POROSTb;
    l.WMIN = r.Wa;
    l.WMAX = r.Wb;
    l.R20MIN = r.R20;
    l.R50MIN = r.R50;
    l.TGFIMIN = r.TGFI;
    static const double formaD25Sma10Tgfi[3] = {0.91, 0.92, 0.93};
    if (report == Report::FORMAD_25 && g == TypeGroup::SMA10)
        l.TGFIMIN = formaD25Sma10Tgfi[index];
    l.C50MIN = r.C50;
    l.RASKMIN = r.RASKa;
    l.RASKMAX = r.RASKb;
    l.KDLITMIN = r.KDL;
}

const QString &stoneMasticKind()
{
    static const QString kind = QStringLiteral("щебеночно-мастичная");
    return kind;
}

} // namespace

ConformityLimits protvseLimits(const QString &TYP, const QString &MARKA, const QString &DKZ)
{
    ConformityLimits l;
    l.D20MIN = 100;
    applyZoneGradeStep(l, MARKA, DKZ);
    const TypeGroup g = typeGroup(TYP);
    applyTypeStep(l, g, Report::PROTVSE);
    applyShearStep(l, g, MARKA, DKZ, Report::PROTVSE);
    if (isStoneMastic(g)) {
        l.PORMINERMIN = 15;
        l.PORMINERMAX = 19;
        l.R0MAX = 0;
        l.KWODMIN = 0;
        applyStoneMasticZoneRow(l, g, zoneRow(DKZ), Report::PROTVSE);
    }
    return l;
}

ConformityLimits formaD25Limits(const QString &TYP, const QString &MARKA, const QString &DKZ,
                                const QString &WIDAB)
{
    ConformityLimits l;
    const TypeGroup g = typeGroup(TYP);
    applyTypeStep(l, g, Report::FORMAD_25);
    applyZoneGradeStep(l, MARKA, DKZ);
    applyShearStep(l, g, MARKA, DKZ, Report::FORMAD_25);
    if (fieldValue(WIDAB) == stoneMasticKind()) {
        l.PORMINERMIN = 15;
        l.PORMINERMAX = 19;
        // KWODMIN is not cleared here: the form prints the drainage limit in its place.
        if (isStoneMastic(g)) {
            l.R0MAX = 0;
            applyStoneMasticZoneRow(l, g, zoneRow(DKZ), Report::FORMAD_25);
        }
    }
    return l;
}

QString numberText(REAL value, int decimals, int width)
{
    if (!std::isfinite(value))
        return QString(width, QLatin1Char('#'));
    for (int d = decimals; d >= 0; --d) {
        QString s = QString::number(value, 'f', d);
        s.replace(QLatin1Char('.'), QLatin1Char(','));
        if (s.size() <= width)
            return s;
    }
    return QString(width, QLatin1Char('#'));
}

QString limitText(REAL value, int width)
{
    if (value == 0)
        return QString();
    return numberText(value, value == std::trunc(value) ? 0 : 2, width);
}

ProtvseTexts protvseTexts(const ConformityLimits &limits, const QString &MARKA, REAL UMSR)
{
    ProtvseTexts t;
    if (UMSR > 0) { // a stone-mastic mix: no grade, no 0 °C or water-resistance limit, drainage row
        t.STEKANTXT = QStringLiteral("Показатель стекания, %");
        t.STEKAN = numberText(UMSR, 2, 6);
        t.NORMSTEKAN = QStringLiteral("не более 0,2");
        return t;
    }
    t.MARK1 = fieldValue(MARKA);
    t.MARK1TXT = QStringLiteral("марка");
    t.R0MAX1 = limitText(limits.R0MAX, 5);
    t.KWODMIN1 = limitText(limits.KWODMIN, 4);
    return t;
}

FormaD25Texts formaD25Texts(const ConformityLimits &limits, const QString &WIDAB)
{
    FormaD25Texts t;
    if (fieldValue(WIDAB) == stoneMasticKind()) {
        t.GOST_ = QStringLiteral("ГОСТ 31015-2002");
        t.WOD_STEK_ = QStringLiteral("Стекание вяжущего");
        t.KW_STEK_TR = QStringLiteral("не более");
        t.KV_CTEK_TR2 = QStringLiteral("0,20%");
        t.TR_POR = QStringLiteral("от 15 до 19");
        t.waterResistanceRow = false;
        return t;
    }
    t.GOST_ = QStringLiteral("ГОСТ 9128-97");
    t.WOD_STEK_ = QStringLiteral("Водостойкость");
    t.TR_POR = QStringLiteral("не более");
    t.KW_STEK_TR = QStringLiteral("не менее");
    t.MARKA_ = QStringLiteral("марка");
    t.TR0_1 = QStringLiteral("не более");
    t.TR0_2 = limitText(limits.R0MAX, 2);
    t.KV_CTEK_TR2 = limitText(limits.KWODMIN, 4);
    return t;
}

BatchDoses batchDoses(REAL M, REAL JBITGL, const REAL (&DIMJKOMP)[6])
{
    BatchDoses b;
    const double whole = JBITGL + 100;
    if (whole == 0)
        return b;
    b.BIT = JBITGL * 100 / whole;
    b.ZAMESBIT = M * b.BIT / 100;
    for (int j = 0; j < 6; ++j) {
        b.W100[j] = DIMJKOMP[j] * 100 / whole;
        b.MZAMES[j] = M * b.W100[j] / 100;
    }
    return b;
}

} // namespace lab
