#include "design/grading_window.h"

#include "data/cp1251.h"
#include "data/files.h"
#include "design/design_step_ui.h"
#include "data/globals.h"
#include "design/alternatives_dialog.h"
#include "design/blend.h"
#include "design/material_scatter.h"
#include "framework/warnings.h"

#include <QPointer>

#include <cmath>

namespace {

const QString kOptium = QStringLiteral("OPTIUM1");
const QString kMessage = QStringLiteral("MESSAGE");
constexpr int kRobustCandidates = 300; // "Самая надёжная" judges the search's best blends by F, this many

REAL *share(int k)
{
    REAL *j[6] = {&glob::J1GL, &glob::J2GL, &glob::J3GL, &glob::J4GL, &glob::J5GL, &glob::J6GL};
    return j[k];
}

blend::Shares shares()
{
    blend::Shares s{};
    for (int k = 0; k < 6; ++k)
        s[k] = *share(k);
    return s;
}

// The chart area in the form's pixels and the window units it shows.
const QRect kChartRect(490, 10, 380, 210);
constexpr double kUnitsX = 180, kUnitsW = 160, kUnitsH = 100;
constexpr double kFrameX = 185, kFrameY = 5, kFrameW = 150, kFrameH = 90, kSieveStep = 15;

double unitY(REAL p) { return kFrameY + (100 - p) * kFrameH / 100; }
QPoint pixel(double ux, double uy)
{
    return {kChartRect.x() + int((ux - kUnitsX) * kChartRect.width() / kUnitsW),
            kChartRect.y() + int(uy * kChartRect.height() / kUnitsH)};
}

bool isShareField(const QString &objectName)
{
    return objectName.startsWith(QLatin1Char('J')) && objectName.endsWith(QLatin1String("GL"));
}

// Balancing by hand: every change of a share. Shares that no longer sum to 100 are told when
// the share is left or "Далее" pressed (tellUnbalanced), not at each key typed.
void shareChanged(FormWindow &form, const QString &objectName)
{
    if (!isShareField(objectName))
        return;
    const blend::Balanced b = blend::balanceShares(shares(), int(form.localNumber(kOptium)), glob::DIMKOMP);
    for (int k = 0; k < 6; ++k)
        *share(k) = b.J[k];
    glob::PROEKT = b.PROEKT;
    form.setLocal(kUnbalanced, qint64(b.askForBalancing ? 1 : 0));
}

// The draws of the design's materials, made once per window when the figures are first
// shown (they read the materials' analyses), and the shares and band the figures are of.
class ScatterDraws : public QObject {
public:
    explicit ScatterDraws(QObject *parent) : QObject(parent) { setObjectName(QStringLiteral("RELIABILITY_DRAWS")); }
    reliability::Draws draws;
    bool figuresKnown = false;
    blend::Shares shares {};
    blend::Band band {};
};

ScatterDraws &drawsOf(FormWindow &form)
{
    if (auto *d = form.findChild<QObject *>(QStringLiteral("RELIABILITY_DRAWS"), Qt::FindDirectChildrenOnly))
        return *static_cast<ScatterDraws *>(d);
    auto *d = new ScatterDraws(&form);
    d->draws = reliability::Draws(material_scatter::designMaterials(), material_scatter::settings());
    return *d;
}

// The reliability of the shares in hand (glob::reliability), recomputed when they or the band changed.
void updateReliability(FormWindow &form)
{
    ScatterDraws &d = drawsOf(form);
    const blend::Shares now = shares();
    if (d.figuresKnown && d.shares == now && d.band == glob::ZRN && glob::reliability.known)
        return;
    const reliability::Figures f = reliability::figures(d.draws, now, glob::ZRN);
    glob::reliability = {true, f.reliability, f.outside, f.low, f.high};
    d.figuresKnown = true;
    d.shares = now;
    d.band = glob::ZRN;
}

// On every event: the deviation, its message, the reliability and the chart.
void redraw(FormWindow &form)
{
    glob::OTKL = blend::deviation(glob::PROEKT, glob::ZRN);
    const Value line = form.local(kMessage);
    const auto *bytes = std::get_if<QByteArray>(&line);
    const QString text = blend::deviationMessage(glob::OTKL, bytes ? cp1251::decode(*bytes) : QString());
    form.setLocal(kMessage, Value(cp1251::encode(text).value_or(QByteArray())));
    updateReliability(form);
    form.setChart(QStringLiteral("CHART"),
                  gradingChart(glob::PROEKT, glob::ZRN, &glob::reliability.low, &glob::reliability.high));
}

// "Далее": the blend's density and powder share, then the bitumen step; this window closes
// when that step returns.
void accept(FormWindow &form)
{
    tellUnbalanced(form);
    const blend::Accepted a = blend::acceptBlend(glob::NKOMP, shares(), glob::ISTDIMYKOMP, glob::NUMMP);
    glob::DIMJKOMP = a.DIMJKOMP;
    glob::JMPGL = a.JMPGL;
    glob::YMINER = a.YMINER;
    QPointer<FormWindow> self(&form);
    callProcedure(QStringLiteral("BITUMRASZ"), &form, [self](LONG) {
        if (self)
            closeHostedWindow(self);
    });
}

// The shares chosen in a list of blends, put into the spin boxes as if typed, so the chart, the
// deviation, the message and the reliability follow.
std::function<void(const blend::Shares &)> takeShares(FormWindow &form)
{
    QPointer<FormWindow> self(&form);
    return [self](const blend::Shares &chosen) {
        if (!self)
            return;
        for (int k = 0; k < 6; ++k)
            *share(k) = chosen[k];
        glob::PROEKT = blend::blendGrading(glob::DIMKOMP, chosen);
        self->anEvent();
    };
}

std::array<QString, 6> componentNames()
{
    std::array<QString, 6> names;
    for (int k = 0; k < 6; ++k)
        names[k] = glob::DIMNAME[k].text();
    return names;
}

const QString kNoAlternatives = QStringLiteral("Вариантов нет: выбрано меньше двух компонент");

// "Варианты": the ten best blends of the search, each with its reliability on the window's draws.
void showAlternatives(FormWindow &form)
{
    std::vector<blend::Alternative> list = blend::gradingAlternatives(glob::NKOMP, glob::DIMKOMP, glob::ZRN, 10);
    if (list.empty()) {
        showMessage(kNoAlternatives);
        return;
    }
    const reliability::Draws &draws = drawsOf(form).draws;
    for (blend::Alternative &a : list)
        a.reliability = reliability::reliabilityOf(draws, a.J, glob::ZRN);
    openBlendAlternatives(&form, list, glob::NKOMP, componentNames(), glob::COSTDIMKOMP, takeShares(form));
}

// "Самая надёжная": of the search's best blends by F, the one that stays inside the band in the
// most draws (the same draws for every one), shown beside the best by F to choose from.
void showMostReliable(FormWindow &form)
{
    std::vector<blend::Alternative> admitted =
        blend::gradingAlternatives(glob::NKOMP, glob::DIMKOMP, glob::ZRN, kRobustCandidates);
    if (admitted.empty()) {
        showMessage(kNoAlternatives);
        return;
    }
    std::vector<blend::Shares> candidates;
    for (const blend::Alternative &a : admitted)
        candidates.push_back(a.J);
    std::vector<REAL> figures;
    const int best = reliability::mostReliable(drawsOf(form).draws, candidates, glob::ZRN, &figures);
    const QString ofCount = QStringLiteral("(из %1 лучших по F)").arg(admitted.size());
    std::vector<blend::Alternative> shown {admitted.front()};
    shown[0].reliability = figures.front();
    QStringList labels {QStringLiteral("Лучшая по F")};
    if (best == 0) {
        labels[0] = QStringLiteral("Лучшая по F\nи самая надёжная\n%1").arg(ofCount);
    } else {
        shown.push_back(admitted[std::size_t(best)]);
        shown[1].reliability = figures[std::size_t(best)];
        labels << QStringLiteral("Самая надёжная\n%1").arg(ofCount);
    }
    openBlendAlternatives(&form, shown, glob::NKOMP, componentNames(), glob::COSTDIMKOMP, takeShares(form),
                          {QStringLiteral("Самая надёжная"), labels});
}

FormDecl makePodborsumDecl()
{
    FormDecl d = designStepForm(QStringLiteral("PODBORSUM"), QStringLiteral("Зерновой состав минеральной части"));
    // The message line, a window text (Windows-1251 bytes); OPTIUM1 0: no balancing component.
    d.locals = {{kOptium, Value(qint64(0))}, {kMessage, Value(QByteArray())}, {kUnbalanced, Value(qint64(0))}};
    d.firstFocus = QStringLiteral("J1GL");
    d.firstSelectionIsEvent = true;

    for (int k = 0; k < 6; ++k) {
        const int y = 10 + 28 * k;
        FormField name{QString(), QStringLiteral("DIMNAME_%1").arg(k + 1), "s20", QRect(10, y, 160, 22)};
        name.var = FormVar::text([k] { return glob::DIMNAME[k].text(); });
        name.displayOnly = true;
        d.fields.push_back(name);
        FormField j{QString(), QStringLiteral("J%1GL").arg(k + 1), "n3", QRect(175, y, 60, 22)};
        j.kind = FormControlKind::Spin;
        j.minimum = 0;
        j.maximum = 100;
        j.showOutsideRange = true; // a balanced share below 0 is shown as it is
        j.var = FormVar::of(*share(k));
        d.fields.push_back(j);
    }
    FormField optium{QString(), kOptium, "n1", QRect(245, 4, 205, 172)};
    optium.kind = FormControlKind::Radio;
    optium.choices = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                      QStringLiteral("5"), QStringLiteral("6")};
    optium.groupTitle = QStringLiteral("Корректирование вручную");
    optium.local = kOptium;
    optium.optionShown = [](int option) { return option < glob::NKOMP; };
    d.fields.push_back(optium);

    d.texts.push_back({QStringLiteral("PROMPT_TYP"), QStringLiteral("Тип смеси:"), QRect(10, 184, 80, 22)});
    FormField typ{QString(), QStringLiteral("TYP"), "s12", QRect(95, 184, 110, 22)};
    typ.var = FormVar::of(glob::TYP);
    typ.displayOnly = true;
    d.fields.push_back(typ);

    // The chart with its labels
    d.charts.push_back({QStringLiteral("CHART"), kChartRect});
    const QStringList sieves = {QStringLiteral("40"),   QStringLiteral("20"),    QStringLiteral("15"),
                                QStringLiteral("10"),   QStringLiteral("5"),     QStringLiteral("2,5"),
                                QStringLiteral("1,25"), QStringLiteral("0,63"),  QStringLiteral("0,315"),
                                QStringLiteral("0,16"), QStringLiteral("0,071")};
    for (int i = 1; i < 11; ++i) {
        const QPoint at = pixel(kFrameX + kSieveStep * i, kFrameY + kFrameH);
        d.texts.push_back({QStringLiteral("SIEVE_%1").arg(i + 1), sieves.at(i), QRect(at.x() - 17, at.y() + 2, 34, 16)});
    }
    for (int p = 100; p >= 10; p -= 10) {
        const QPoint at = pixel(kFrameX, unitY(p));
        d.texts.push_back({QStringLiteral("PERCENT_%1").arg(p), QString::number(p), QRect(at.x() - 30, at.y() - 8, 26, 16), true});
    }
    const QPoint corner = pixel(kFrameX + kFrameW, kFrameY + kFrameH);
    d.texts.push_back({QStringLiteral("CAPTION"), QStringLiteral("в % мельче,мм"), QRect(corner.x() - 120, corner.y() + 20, 120, 16), true});

    // The designed grading and the band, sieve by sieve
    const int tableY = 268, colX = 95, colW = 55;
    d.texts.push_back({QStringLiteral("PROMPT_SIEVES"), QStringLiteral("Сито, мм"), QRect(10, tableY, 80, 20)});
    d.texts.push_back({QStringLiteral("PROMPT_PROEKT"), QStringLiteral("Проект"), QRect(10, tableY + 24, 80, 22)});
    d.texts.push_back({QStringLiteral("PROMPT_ZRN_1"), QStringLiteral("Мин."), QRect(10, tableY + 50, 80, 22)});
    d.texts.push_back({QStringLiteral("PROMPT_ZRN_2"), QStringLiteral("Макс."), QRect(10, tableY + 76, 80, 22)});
    d.texts.push_back({QStringLiteral("PROMPT_OUTSIDE"), QStringLiteral("Выход, %"), QRect(10, tableY + 102, 80, 22)});
    for (int i = 0; i < 11; ++i) {
        const int x = colX + colW * i;
        d.texts.push_back({QStringLiteral("SIEVE_HEAD_%1").arg(i + 1), sieves.at(i), QRect(x, tableY, 50, 20), true});
        FormField p{QString(), QStringLiteral("PROEKT_%1").arg(i + 1), "n3", QRect(x, tableY + 24, 50, 22)};
        p.var = FormVar::number([i] { return glob::PROEKT[i]; });
        p.displayOnly = true;
        p.tip = QStringLiteral("состав подбираемый");
        d.fields.push_back(p);
        for (int b = 0; b < 2; ++b) {
            FormField z{QString(), QStringLiteral("ZRN_%1_%2").arg(i + 1).arg(b + 1), "n3", QRect(x, tableY + 50 + 26 * b, 50, 22)};
            z.var = FormVar::number([i, b] { return glob::ZRN[i][b]; });
            z.displayOnly = true;
            z.tip = QStringLiteral("Выбранный зерновой состав");
            d.fields.push_back(z);
        }
        FormField out{QString(), QStringLiteral("OUTSIDE_%1").arg(i + 1), "n5.1", QRect(x, tableY + 102, 50, 22)};
        out.var = FormVar::number([i] { return glob::reliability.outside[i]; });
        out.displayOnly = true;
        out.tip = QStringLiteral("Вероятность выхода за пределы требований на этом сите, % испытаний");
        d.fields.push_back(out);
    }

    // The reliability under the scatter of the materials' analyses
    d.texts.push_back({QStringLiteral("PROMPT_RELIABILITY"), QStringLiteral("Надёжность, %"), QRect(10, 214, 100, 22)});
    FormField rel{QString(), QStringLiteral("RELIABILITY"), "n5.1", QRect(115, 214, 60, 22)};
    rel.var = FormVar::number([] { return glob::reliability.percent; });
    rel.displayOnly = true;
    rel.tip = QStringLiteral("Доля испытаний, в которых зерновой состав остаётся в пределах требований на всех ситах "
                             "при разбросе зерновых составов материалов по их анализам");
    d.fields.push_back(rel);
    FormField envelope{QString(), QStringLiteral("ENVELOPE"), "n1", QRect(190, 214, 270, 22)};
    envelope.kind = FormControlKind::Check;
    envelope.groupTitle = QStringLiteral("Огибающая 5-95 % на форме Ф.1");
    envelope.var = FormVar::of(glob::envelopeOnForm);
    envelope.tip = QStringLiteral("На графике: зелёные линии, между которыми состав лежит в 90 % испытаний");
    d.fields.push_back(envelope);

    const int lineY = tableY + 138;
    FormField message{QString(), kMessage, "s40", QRect(10, lineY, 320, 22)};
    message.local = kMessage;
    message.displayOnly = true;
    d.fields.push_back(message);
    FormField otkl{QString(), QStringLiteral("OTKL"), "n2", QRect(335, lineY, 50, 22)};
    otkl.var = FormVar::number([] { return glob::OTKL; });
    otkl.displayOnly = true;
    d.fields.push_back(otkl);

    d.fieldAccepted = shareChanged;
    d.eachEvent = redraw;
    d.buttons.push_back({QStringLiteral("ROBUST"), QStringLiteral("Самая надёжная"), QRect(470, lineY - 2, 115, 26),
                         FormButtonRole::Other, showMostReliable, -1,
                         QStringLiteral("Из лучших составов подбора тот, что надёжнее всех остаётся в пределах требований")});
    d.buttons.push_back({QStringLiteral("VARIANTS"), QStringLiteral("Варианты"), QRect(595, lineY - 2, 85, 26),
                         FormButtonRole::Other, showAlternatives, -1,
                         QStringLiteral("Десять лучших составов подбора с их стоимостью и надёжностью")});
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("Далее"), QRect(690, lineY - 2, 85, 26), FormButtonRole::Other, accept});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Назад"), QRect(785, lineY - 2, 85, 26), FormButtonRole::Cancel, {}});
    d.size = QSize(885, lineY + 26 + 12);
    return d;
}

} // namespace

Chart gradingChart(const std::array<REAL, 11> &proekt, const std::array<std::array<REAL, 2>, 11> &zrn,
                   const std::array<REAL, 11> *low, const std::array<REAL, 11> *high)
{
    Chart c;
    c.units = QSizeF(kUnitsW, kUnitsH);
    auto at = [](double ux, double uy) { return QPointF(ux - kUnitsX, uy); };
    const double left = kFrameX, top = kFrameY, right = kFrameX + kFrameW, bottom = kFrameY + kFrameH;
    c.polyline({at(left, top), at(right, top), at(right, bottom), at(left, bottom), at(left, top)}, 0x000000, 1);
    const unsigned grid = 0xAFC43C;
    for (int i = 1; i < 10; ++i)
        c.line(at(left + kSieveStep * i, top), at(left + kSieveStep * i, bottom), grid, 1);
    for (int p = 10; p < 100; p += 10)
        c.line(at(left, unitY(p)), at(right, unitY(p)), grid, 1);
    auto curve = [&](auto value) {
        std::vector<QPointF> points;
        for (int i = 0; i < 11; ++i) {
            const REAL v = value(i);
            if (std::isfinite(v))
                points.push_back(at(left + kSieveStep * i, unitY(v)));
        }
        return points;
    };
    if (low && high && *low != *high) { // no scatter at all: no envelope
        c.polyline(curve([&](int i) { return (*low)[i]; }), kEnvelopeColour, 1);
        c.polyline(curve([&](int i) { return (*high)[i]; }), kEnvelopeColour, 1);
    }
    c.polyline(curve([&](int i) { return proekt[i]; }), 0xFF0000, 2);
    c.polyline(curve([&](int i) { return zrn[i][0]; }), 0x0000FF, 1);
    c.polyline(curve([&](int i) { return zrn[i][1]; }), 0x0000FF, 1);
    return c;
}

const FormDecl &podborsumDecl()
{
    static const FormDecl decl = makePodborsumDecl();
    return decl;
}

FormWindow *PODBORSUM(WindowHost host)
{
    FormWindow *form = openForm(podborsumDecl(), glob::NoRequest, nullptr, {}, std::move(host));
    if (form) {
        centreSieveLabels(form);
        tellWhenSharesLeft(form);
    }
    return form;
}
