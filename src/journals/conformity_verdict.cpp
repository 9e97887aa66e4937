#include "journals/conformity_verdict.h"

#include "journals/weighing.h"

#include <algorithm>
#include <cmath>

namespace lab {

namespace {

// A value as the protocol prints it: a value that shows as the limit meets the limit.
REAL asPrinted(REAL v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale;
}

struct Judge {
    Verdict v;
    // `value` not measured (not positive) or no limit set (0): not judged.
    void check(Property p, REAL value, int decimals, REAL min, REAL max)
    {
        if (!(value > 0) || (min <= 0 && max <= 0))
            return;
        ++v.judged;
        const REAL shown = asPrinted(value, decimals);
        if ((min > 0 && shown < min) || (max > 0 && shown > max))
            v.failed.push_back(p);
    }
};

} // namespace

QString propertyName(Property p)
{
    switch (p) {
    case Property::Passing20: return QStringLiteral("зерна <20 мм");
    case Property::Passing5: return QStringLiteral("зерна <5 мм");
    case Property::Passing063: return QStringLiteral("зерна <0,63 мм");
    case Property::Passing0071: return QStringLiteral("зерна <0,071 мм");
    case Property::PORMINER: return QStringLiteral("пористость остова");
    case Property::POROSTAT: return QStringLiteral("остаточная пористость");
    case Property::WOD: return QStringLiteral("водонасыщение");
    case Property::R20: return QStringLiteral("R20");
    case Property::R50: return QStringLiteral("R50");
    case Property::R0: return QStringLiteral("R0");
    case Property::RASK: return QStringLiteral("раскол");
    case Property::TGFI: return QStringLiteral("tg F");
    case Property::C50: return QStringLiteral("C50");
    case Property::KWOD: return QStringLiteral("водостойкость");
    case Property::KDLIT: return QStringLiteral("длит. водостойкость");
    case Property::Drainage: return QStringLiteral("стекание");
    }
    return {};
}

bool Verdict::fails(Property p) const { return std::find(failed.begin(), failed.end(), p) != failed.end(); }

Verdict judgeMix(const ConformityLimits &l, const MeasuredMix &mix)
{
    Judge j;
    // The grading of a recipe that has one (a blank design has none).
    if (mix.PROEKT && std::any_of(mix.PROEKT->begin(), mix.PROEKT->end(), [](REAL v) { return v != 0; })) {
        const sieves::Grading &g = *mix.PROEKT;
        j.check(Property::Passing20, g[1], 1, l.D20MIN, 0);
        j.check(Property::Passing5, g[4], 1, l.D5MIN, l.D5MAX);
        j.check(Property::Passing063, g[7], 1, l.D063MIN, l.D063MAX);
        j.check(Property::Passing0071, g[10], 1, l.D0071MIN, l.D0071MAX);
    }
    if (mix.PLOT > 0 && mix.YMINER > 0) {
        const PorosityValues p = porosityValues(mix.JBITGL, mix.YMINER, mix.PLOT);
        j.check(Property::PORMINER, p.PORMINER, 1, l.PORMINERMIN, l.PORMINERMAX);
        j.check(Property::POROSTAT, p.POROSTAT, 1, l.POROSTMIN, l.POROSTMAX);
    }
    j.check(Property::WOD, mix.WOD, 1, l.WMIN, l.WMAX);
    if (const GurRecord *t = mix.test) {
        j.check(Property::R20, t->R20, 2, l.R20MIN, 0);
        j.check(Property::R50, t->R50, 2, l.R50MIN, 0);
        j.check(Property::R0, t->R0, 1, 0, l.R0MAX);
        j.check(Property::RASK, t->R_RASCOL, 2, l.RASKMIN, l.RASKMAX);
        j.check(Property::TGFI, t->TGFI, 3, l.TGFIMIN, 0);
        j.check(Property::C50, t->C50, 3, l.C50MIN, 0);
        j.check(Property::KWOD, t->KWOD, 2, l.KWODMIN, 0);
        j.check(Property::KDLIT, t->KDLIT, 2, l.KDLITMIN, 0);
        j.check(Property::Drainage, t->UMSR, 2, 0, kDrainageMax);
    }
    return j.v;
}

namespace {
QString failedList(const Verdict &v)
{
    QStringList names;
    for (Property p : v.failed)
        names << propertyName(p);
    return names.join(QStringLiteral(", "));
}
} // namespace

QString verdictText(const Verdict &v)
{
    if (v.judged == 0)
        return {};
    return v.failed.empty() ? QStringLiteral("да") : QStringLiteral("нет: ") + failedList(v);
}

QString conclusionLine(const Verdict &v)
{
    if (v.judged == 0)
        return QStringLiteral("Заключение: соответствие не оценено (нет измеренных показателей)");
    if (v.failed.empty())
        return QStringLiteral("Заключение: смесь соответствует всем требованиям");
    return QStringLiteral("Заключение: смесь не соответствует требованиям по показателям: ") + failedList(v);
}

} // namespace lab
