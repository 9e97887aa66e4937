#include "journals/quality_records.h"

#include "data/conformity_zone.h"
#include "data/files.h"
#include "framework/fileservices.h"
#include "framework/writewatch.h"
#include "journals/weighing.h"

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace quality {

namespace {

// Keeps a file's record buffer and its last read as they were, whatever is read meanwhile.
template <class Record>
class KeepBuffer {
public:
    KeepBuffer(DataFile &file, Record &buffer) : m_file(file), m_buffer(buffer), m_saved(buffer), m_read(file.readState()) {}
    ~KeepBuffer()
    {
        m_buffer = m_saved;
        m_file.restoreReadState(m_read);
    }
    KeepBuffer(const KeepBuffer &) = delete;
    KeepBuffer &operator=(const KeepBuffer &) = delete;

private:
    DataFile &m_file;
    Record &m_buffer;
    Record m_saved;
    DataFile::ReadState m_read;
};

} // namespace

RecipeFacts readRecipe(REAL number)
{
    RecipeFacts r;
    r.NUM = number;
    {
        FileUse use(files::PODBOR);
        KeepBuffer keep(files::PODBOR, POD);
        POD = PodborRecord();
        POD.NUM = number;
        if (use.ok() && files::PODBOR.get(files::key::POD_KEYNUM) == FileError::None) {
            r.found = true;
            r.DATE = POD.DATE;
            r.TYP = POD.TYPASPH.text().left(12).trimmed();
            r.MARKA = POD.MARKAASPH.text().left(3).trimmed();
            r.PROEKT = POD.PRZRN;
            r.JBITGL = POD.BIT;
            r.YMINER = POD.YMINER;
        }
    }
    FileUse use(files::OBRGIDRO);
    KeepBuffer keep(files::OBRGIDRO, OBR);
    OBR = ObrgidroRecord();
    OBR.NUMMER = number;
    if (use.ok() && files::OBRGIDRO.get(files::key::OBR_KEYNUMMER) == FileError::None) {
        r.weighed = true;
        r.PLOT = OBR.PLOT;
        r.WOD = OBR.WOD;
        r.NABUH = OBR.NABUH;
    }
    return r;
}

lab::ConformityLimits recipeLimits(const RecipeFacts &recipe, const QString &zone)
{
    return lab::protvseLimits(recipe.TYP, recipe.MARKA, zone);
}

lab::Verdict judgeTest(const GurRecord &test, const RecipeFacts &recipe, const QString &zone)
{
    return judgeTest(test, recipe, recipeLimits(recipe, zone));
}

lab::Verdict judgeTest(const GurRecord &test, const RecipeFacts &recipe, lab::ConformityLimits l)
{
    if (!recipe.found) // no type, no grade: nothing to judge against
        return {};
    if (test.UMSR > 0) // a stone-mastic mix: the protocol sets no 0 °C or water-resistance limit
        l.R0MAX = l.KWODMIN = 0;
    return lab::judgeMix(l, {&recipe.PROEKT, recipe.PLOT, recipe.WOD, recipe.JBITGL,
                             recipe.YMINER, &test});
}

// ---- the journal's column ------------------------------------------------------------------------

struct TestVerdicts::State {
    FileUse recipes{files::PODBOR};
    FileUse weighings{files::OBRGIDRO};
    quint64 generation = ~quint64(0);
    QElapsedTimer sinceCheck; // the files are asked about writes once per page, not per row
    struct Known {
        RecipeFacts recipe;
        QString zone;
        lab::ConformityLimits limits;
    };
    QHash<LONG, Known> known;
};

TestVerdicts::TestVerdicts() = default;
TestVerdicts::~TestVerdicts() = default;

QString TestVerdicts::text(const GurRecord &test)
{
    if (!m)
        m = std::make_unique<State>();
    if (!m->sinceCheck.isValid() || m->sinceCheck.elapsed() > 100) {
        const quint64 now = writewatch::generation(files::PODBOR) + writewatch::generation(files::OBRGIDRO);
        if (now != m->generation) {
            m->known.clear();
            m->generation = now;
        }
        m->sinceCheck.start();
    }
    auto it = m->known.find(test.REZNUM);
    if (it == m->known.end())
        it = m->known.insert(test.REZNUM, {readRecipe(REAL(test.REZNUM)), {}, {}});
    const QString zone = conformity_zone::current();
    if (it->zone != zone) {
        it->zone = zone;
        it->limits = recipeLimits(it->recipe, zone);
    }
    return lab::verdictText(judgeTest(test, it->recipe, it->limits));
}

// ---- control charts --------------------------------------------------------------------------------

const std::vector<TrendInfo> &trends()
{
    static const std::vector<TrendInfo> list = {
        {Trend::R20, QStringLiteral("Прочность при сжатии при 20 °С, R20, МПа"), 2, false},
        {Trend::R50, QStringLiteral("Прочность при сжатии при 50 °С, R50, МПа"), 2, false},
        {Trend::R0, QStringLiteral("Прочность при сжатии при 0 °С, R0, МПа"), 1, false},
        {Trend::WOD, QStringLiteral("Водонасыщение, % объема"), 1, true},
        {Trend::NABUH, QStringLiteral("Набухание, % объема"), 1, true},
        {Trend::KWOD, QStringLiteral("Водостойкость"), 2, false},
        {Trend::KDLIT, QStringLiteral("Водостойкость при длительном водонасыщении"), 2, false},
        {Trend::PLOT, QStringLiteral("Средняя плотность, г/куб.см"), 3, true},
        {Trend::PORMINER, QStringLiteral("Пористость минерального остова, %"), 1, true},
        {Trend::POROSTAT, QStringLiteral("Остаточная пористость, %"), 1, true},
        {Trend::TGFI, QStringLiteral("Коэффициент внутреннего трения, tg F"), 3, false},
        {Trend::C50, QStringLiteral("Сцепление при сдвиге, C50, МПа"), 3, false},
        {Trend::RASK, QStringLiteral("Прочность на растяжение при расколе, МПа"), 2, false},
    };
    return list;
}

const TrendInfo &trendInfo(Trend t)
{
    return *std::find_if(trends().begin(), trends().end(), [t](const TrendInfo &i) { return i.trend == t; });
}

lab::Norm trendNorm(Trend t, const lab::ConformityLimits &l)
{
    switch (t) {
    case Trend::R20: return {l.R20MIN, 0};
    case Trend::R50: return {l.R50MIN, 0};
    case Trend::R0: return {0, l.R0MAX};
    case Trend::WOD: return {l.WMIN, l.WMAX};
    case Trend::KWOD: return {l.KWODMIN, 0};
    case Trend::KDLIT: return {l.KDLITMIN, 0};
    case Trend::PORMINER: return {l.PORMINERMIN, l.PORMINERMAX};
    case Trend::POROSTAT: return {l.POROSTMIN, l.POROSTMAX};
    case Trend::TGFI: return {l.TGFIMIN, 0};
    case Trend::C50: return {l.C50MIN, 0};
    case Trend::RASK: return {l.RASKMIN, l.RASKMAX};
    case Trend::NABUH:
    case Trend::PLOT: return {};
    }
    return {};
}

namespace {

REAL weighingValue(Trend t, const RecipeFacts &r)
{
    const lab::PorosityValues p = lab::porosityValues(r.JBITGL, r.YMINER, r.PLOT);
    switch (t) {
    case Trend::WOD: return r.WOD;
    case Trend::NABUH: return r.NABUH;
    case Trend::PLOT: return r.PLOT;
    case Trend::PORMINER: return r.YMINER > 0 ? p.PORMINER : 0;
    case Trend::POROSTAT: return r.YMINER > 0 ? p.POROSTAT : 0;
    default: return 0;
    }
}

REAL testValue(Trend t, const GurRecord &g)
{
    switch (t) {
    case Trend::R20: return g.R20;
    case Trend::R50: return g.R50;
    case Trend::R0: return g.R0;
    case Trend::KWOD: return g.KWOD;
    case Trend::KDLIT: return g.KDLIT;
    case Trend::TGFI: return g.TGFI;
    case Trend::C50: return g.C50;
    case Trend::RASK: return g.R_RASCOL;
    default: return 0;
    }
}

bool inPeriod(LONG d, LONG from, LONG to) { return (from == 0 || d >= from) && (to == 0 || d <= to); }

} // namespace

lab::ChartSeries readTrend(const RecipeFacts &recipe, Trend t, LONG from, LONG to)
{
    lab::ChartSeries s;
    s.label = QStringLiteral("№ ") + QString::number(recipe.NUM, 'g', 10);
    if (trendInfo(t).fromWeighing) {
        const REAL v = weighingValue(t, recipe);
        if (recipe.weighed && v > 0 && inPeriod(recipe.DATE, from, to)) {
            s.dates.push_back(recipe.DATE);
            s.values.push_back(v);
        }
        return s;
    }
    const double whole = std::trunc(recipe.NUM);
    if (whole != recipe.NUM || whole < 0 || whole > 2147483647.0)
        return s; // a test record stores a whole recipe number
    std::vector<std::pair<LONG, double>> points;
    {
        DataFile &f = files::GUR;
        FileUse use(f);
        KeepBuffer keep(f, GUR);
        if (!use.ok())
            return s;
        f.setFilter({});
        f.setOrder(files::key::GUR_KEYREZNUM);
        GUR = GurRecord();
        GUR.REZNUM = LONG(whole);
        f.setToKeyValue();
        f.readOnward([&] {
            if (GUR.REZNUM != LONG(whole))
                return false;
            const REAL v = testValue(t, GUR);
            if (v > 0 && inPeriod(GUR.DATE, from, to))
                points.emplace_back(GUR.DATE, v);
            return true;
        });
    }
    std::stable_sort(points.begin(), points.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[d, v] : points) {
        s.dates.push_back(d);
        s.values.push_back(v);
    }
    return s;
}

std::vector<REAL> recipesOfType(const QString &TYP)
{
    std::vector<REAL> numbers;
    DataFile &f = files::PODBOR;
    FileUse use(f);
    KeepBuffer keep(f, POD);
    if (!use.ok())
        return numbers;
    f.setFilter({});
    f.setOrder(files::key::POD_KEYTYP);
    POD = PodborRecord();
    POD.TYPASPH = TYP;
    f.setToKeyValue();
    f.readOnward([&] {
        if (POD.TYPASPH.text().trimmed() != TYP.trimmed())
            return false;
        numbers.push_back(POD.NUM);
        return true;
    });
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

} // namespace quality
