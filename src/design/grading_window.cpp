#include "design/grading_window.h"

#include "data/cp1251.h"
#include "data/files.h"
#include "design/design_step_ui.h"
#include "data/globals.h"
#include "design/alternatives_dialog.h"
#include "design/blend.h"
#include "framework/warnings.h"

#include <QPointer>

#include <cmath>

namespace {

const QString kOptium = QStringLiteral("OPTIUM1");
const QString kMessage = QStringLiteral("MESSAGE");
const QString kUnbalanced = QStringLiteral("UNBALANCED"); // shares changed to a sum other than 100, not told yet

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

// Asks once for a balancing component when the shares changed to a sum other than 100.
void tellUnbalanced(FormWindow &form)
{
    if (form.localNumber(kUnbalanced) == 0)
        return;
    form.setLocal(kUnbalanced, qint64(0));
    showMessage(blend::balancingMessage);
}

// On every event: the deviation, its message and the chart.
void redraw(FormWindow &form)
{
    glob::OTKL = blend::deviation(glob::PROEKT, glob::ZRN);
    const Value line = form.local(kMessage);
    const auto *bytes = std::get_if<QByteArray>(&line);
    const QString text = blend::deviationMessage(glob::OTKL, bytes ? cp1251::decode(*bytes) : QString());
    form.setLocal(kMessage, Value(cp1251::encode(text).value_or(QByteArray())));
    form.setChart(QStringLiteral("CHART"), gradingChart(glob::PROEKT, glob::ZRN));
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

// "Варианты": the ten best blends of the search; the one chosen is put into the spin boxes as
// if typed, so the chart, the deviation and the message follow.
void showAlternatives(FormWindow &form)
{
    const std::vector<blend::Alternative> list = blend::gradingAlternatives(glob::NKOMP, glob::DIMKOMP, glob::ZRN, 10);
    if (list.empty()) {
        showMessage(QStringLiteral("Вариантов нет: выбрано меньше двух компонент"));
        return;
    }
    std::array<QString, 6> names;
    for (int k = 0; k < 6; ++k)
        names[k] = glob::DIMNAME[k].text();
    QPointer<FormWindow> self(&form);
    openBlendAlternatives(&form, list, glob::NKOMP, names, glob::COSTDIMKOMP, [self](const blend::Shares &chosen) {
        if (!self)
            return;
        for (int k = 0; k < 6; ++k)
            *share(k) = chosen[k];
        glob::PROEKT = blend::blendGrading(glob::DIMKOMP, chosen);
        self->anEvent();
    });
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
    }

    const int lineY = 378;
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
    d.buttons.push_back({QStringLiteral("VARIANTS"), QStringLiteral("Варианты"), QRect(595, lineY - 2, 85, 26),
                         FormButtonRole::Other, showAlternatives, -1,
                         QStringLiteral("Десять лучших составов подбора с их стоимостью")});
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("Далее"), QRect(690, lineY - 2, 85, 26), FormButtonRole::Other, accept});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Назад"), QRect(785, lineY - 2, 85, 26), FormButtonRole::Cancel, {}});
    d.size = QSize(885, lineY + 26 + 12);
    return d;
}

} // namespace

Chart gradingChart(const std::array<REAL, 11> &proekt, const std::array<std::array<REAL, 2>, 11> &zrn)
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
        tellWhenSharesLeft(form, tellUnbalanced);
    }
    return form;
}
