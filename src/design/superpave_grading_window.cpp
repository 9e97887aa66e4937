#include "design/superpave_grading_window.h"

#include "data/files.h"
#include "design/design_step_ui.h"
#include "data/globals.h"
#include "design/superpave_grading.h"
#include "framework/warnings.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <cmath>

namespace {

using blend::Shares;

// The chart area: the chart's window units x 180 .. 340, y 0 .. 100 (frame at 185 .. 335,
// 5 .. 95), drawn in the area's pixels.
constexpr int kAreaX = 430, kAreaY = 8;
constexpr double kSX = 3.0, kSY = 2.8;
constexpr double kUnitsLeft = 180;

QPointF at(double x, double y) { return {(x - kUnitsLeft) * kSX, y * kSY}; }
int sieveX(int i) { return kAreaX + int((185 + 15 * i - kUnitsLeft) * kSX); } // in the window
int unitsY(double y) { return kAreaY + int(y * kSY); }

const QString kOPTIUM1 = QStringLiteral("OPTIUM1");
const QString kDMAX = QStringLiteral("DMAX");
const QString kCHART = QStringLiteral("CHART");

// J1GL .. J6GL by component.
REAL &shareOf(int k)
{
    REAL *const all[6] = {&glob::J1GL, &glob::J2GL, &glob::J3GL, &glob::J4GL, &glob::J5GL, &glob::J6GL};
    return *all[k];
}

Shares shares()
{
    Shares s {};
    for (int k = 0; k < 6; ++k)
        s[size_t(k)] = shareOf(k);
    return s;
}

void setShares(const Shares &s)
{
    for (int k = 0; k < 6; ++k)
        shareOf(k) = s[size_t(k)];
}

// A curve over the eleven sieves, each point 15 units right of the one before and as much lower
// as the value falls; none when a value is not a number.
void curve(Chart &chart, const std::array<REAL, 11> &value, double startY, unsigned rgb, double width)
{
    std::vector<QPointF> points;
    double y = startY;
    for (int i = 0; i < 11; ++i) {
        if (i > 0)
            y += (value[i - 1] - value[i]) * 90 / 100;
        if (!std::isfinite(y))
            return;
        points.push_back(at(185 + 15 * i, y));
    }
    chart.polyline(std::move(points), rgb, width);
}

// A proportion changed by hand: the balancing component takes the rest; the blend follows.
// Shares that no longer sum to 100 are told when the share is left or "Далее" pressed
// (tellUnbalanced), not at each change.
void balance(FormWindow &form)
{
    const blend::Balanced b =
        superpave::balanceShares(shares(), int(form.localNumber(kOPTIUM1)), glob::DIMKOMP);
    setShares(b.J);
    glob::PROEKT = b.PROEKT;
    form.setLocal(kUnbalanced, qint64(b.askForBalancing ? 1 : 0));
}

// A share the balancing left outside 0 to 100 % stands as it is, marked.
void markShares(FormWindow &form)
{
    for (int k = 0; k < 6; ++k) {
        const REAL share = shareOf(k);
        markOutOfRange(form.control(QStringLiteral("J%1GL").arg(k + 1)), share < 0 || share > 100,
                       QStringLiteral("Доля вне диапазона 0-100 %: исправьте доли компонент"));
    }
}

// "Далее": the shares and the true density of the mineral part for the next step, the engine's
// OK (which stores nothing: the window is opened without a request), then the bitumen step over
// this window, which closes when that returns.
void next(FormWindow &form)
{
    tellUnbalanced(form);
    const blend::Accepted a = superpave::acceptBlend(glob::NKOMP, shares(), glob::ISTDIMYKOMP, glob::NUMMP);
    glob::YMINER = a.YMINER;
    glob::DIMJKOMP = a.DIMJKOMP;
    glob::JMPGL = a.JMPGL;
    QPointer<FormWindow> f = &form;
    form.pressOk();
    if (!f || !f->isVisible())
        return;
    callProcedure(QStringLiteral("BITUMRASZ"), &form, [f](LONG) {
        if (f)
            QTimer::singleShot(0, f, [f] { if (f) f->pressCancel(); });
    });
}

FormDecl makePodborSuperpaveDecl()
{
    FormDecl d = designStepForm(QStringLiteral("PODBORSUPERPAVE"),
                                QStringLiteral("Зерновой состав по технологии \"Superpave\""));
    d.size = QSize(930, 396);
    d.locals = {{kDMAX, Value(0.0)}, {kOPTIUM1, Value(qint64(0))}, {kUnbalanced, Value(qint64(0))}};

    FormField typ{QString(), QStringLiteral("TYP"), "s12", QRect(8, 8, 110, 21)};
    typ.var = FormVar::of(glob::TYP);
    typ.displayOnly = true;
    d.fields.push_back(typ);

    // A row per component: its proportion, its name and, in the group, its balancing button.
    constexpr int kRow0 = 44, kStep = 30, kGroupY = 28;
    for (int k = 0; k < 6; ++k) {
        const QString n = QString::number(k + 1);
        const int y = kRow0 + k * kStep;
        FormField share{QString(), QStringLiteral("J%1GL").arg(n), "n3", QRect(8, y, 56, 22)};
        share.kind = FormControlKind::Spin;
        share.minimum = 0, share.maximum = 100;
        share.showOutsideRange = true; // a balanced share below 0 is shown as it is, marked
        share.var = FormVar::of(shareOf(k));
        d.fields.push_back(share);
        FormField name{QString(), QStringLiteral("DIMNAME_") + n, "s20", QRect(70, y, 170, 22)};
        name.var = FormVar::of(glob::DIMNAME[size_t(k)]);
        name.displayOnly = true;
        d.fields.push_back(name);
    }
    FormField balancing{QString(), kOPTIUM1, "n1", QRect(248, kGroupY, 144, 6 * kStep + 24)};
    balancing.kind = FormControlKind::Radio;
    balancing.groupTitle = QStringLiteral("Корректирование");
    balancing.choices = QStringList{QString(), QString(), QString(), QString(), QString(), QString()};
    for (int k = 0; k < 6; ++k)
        balancing.optionRects.push_back(QRect(62, kRow0 - kGroupY + k * kStep, 20, 22));
    balancing.optionShown = [](int option) { return option < glob::NKOMP; };
    balancing.local = kOPTIUM1;
    d.fields.push_back(balancing);

    d.texts.push_back({QStringLiteral("DMAX_PROMPT"), QStringLiteral("По квадратным ситам: Dmax="), QRect(8, 250, 200, 21), true});
    FormField dmax{QString(), kDMAX, "n5.1", QRect(212, 250, 50, 21)};
    dmax.local = kDMAX;
    dmax.displayOnly = true;
    d.fields.push_back(dmax);

    // The chart, its axis texts, and under each sieve the blend and the target.
    d.charts.push_back({kCHART, QRect(kAreaX, kAreaY, int(160 * kSX), int(100 * kSY))});
    const char *sieves[] = {"40", "20", "15", "10", "5", "2,5", "1,25", "0,63", "0,315", "0,16", "0,071"};
    const int labelsY = unitsY(95) + 4, blendY = labelsY + 18, targetY = blendY + 26;
    for (int i = 0; i < 11; ++i) {
        const QString n = QString::number(i + 1);
        const QRect column(sieveX(i) - 20, 0, 40, 21);
        d.texts.push_back({QStringLiteral("SIEVE_") + n, QLatin1String(sieves[i]),
                           QRect(column.x(), labelsY, column.width(), 16), true});
        FormField blendField{QString(), QStringLiteral("PROEKT_") + n, "n3", column.translated(0, blendY)};
        blendField.var = FormVar::of(glob::PROEKT[size_t(i)]);
        blendField.displayOnly = true;
        blendField.tip = QStringLiteral("состав подбираемый");
        d.fields.push_back(blendField);
        FormField target{QString(), QStringLiteral("ZRN_%1_1").arg(n), "n3", column.translated(0, targetY)};
        target.var = FormVar::of(glob::ZRN[size_t(i)][0]);
        target.displayOnly = true;
        target.tip = QStringLiteral("Выбранный зерновой состав");
        d.fields.push_back(target);
    }
    for (int p = 10; p <= 100; p += 10)
        d.texts.push_back({QStringLiteral("PERCENT_%1").arg(p), QString::number(p),
                           QRect(kAreaX - 34, unitsY(5 + (100 - p) * 0.9) - 8, 30, 16), true});
    d.texts.push_back({QStringLiteral("AXIS_CAPTION"), QStringLiteral("в % мельче,мм"), QRect(kAreaX - 140, labelsY, 130, 16), true});
    d.texts.push_back({QStringLiteral("PROEKT_PROMPT"), QStringLiteral("состав подбираемый"),
                       QRect(kAreaX - 230, blendY, 220, 21), true});
    d.texts.push_back({QStringLiteral("ZRN_PROMPT"), QStringLiteral("Выбранный зерновой состав"),
                       QRect(kAreaX - 230, targetY, 220, 21), true});

    const int buttonsY = targetY + 36;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("Далее"), QRect(728, buttonsY, 90, 26), FormButtonRole::Other, next});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Назад"), QRect(826, buttonsY, 90, 26), FormButtonRole::Cancel, {}});

    d.fieldAccepted = [](FormWindow &form, const QString &objectName) {
        if (objectName.startsWith(QLatin1Char('J')) && objectName.endsWith(QLatin1String("GL")))
            balance(form);
    };
    // The chart is redrawn on every event, the selection of the first control after the opening included.
    d.eachEvent = [](FormWindow &form) { form.setChart(kCHART, superpaveChart()); };
    d.refreshWindow = markShares;
    d.firstSelectionIsEvent = true;
    return d;
}

} // namespace

Chart superpaveChart()
{
    Chart c;
    c.units = QSizeF(160 * kSX, 100 * kSY);
    constexpr unsigned kBlack = 0x000000, kGrid = 0xAFC43C, kRed = 0xFF0000, kBlue = 0x0000FF;
    c.line(at(185, 5), at(185, 95), kBlack);
    c.line(at(185, 5), at(335, 5), kBlack);
    c.line(at(185, 95), at(335, 95), kBlack);
    c.line(at(335, 5), at(335, 95), kBlack);
    for (int k = 1; k <= 9; ++k)
        c.line(at(185 + 15 * k, 5), at(185 + 15 * k, 95), kGrid);
    for (int y = 14; y <= 86; y += 9)
        c.line(at(185, y), at(335, y), kGrid);
    const REAL p1 = glob::PROEKT[0];
    curve(c, glob::PROEKT, p1 < 100 ? 5 + (100 - p1) * 90 / 100 : 5, kRed, 2);
    std::array<REAL, 11> column1 {}, column2 {};
    for (int i = 0; i < 11; ++i) {
        column1[size_t(i)] = glob::ZRN[size_t(i)][0];
        column2[size_t(i)] = glob::ZRN[size_t(i)][1];
    }
    curve(c, column1, 5, kBlue, 1);
    curve(c, column2, 5, kBlue, 1);
    return c;
}

const FormDecl &podborSuperpaveDecl()
{
    static const FormDecl decl = makePodborSuperpaveDecl();
    return decl;
}

FormWindow *PODBORSUPERPAVE(QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    const int n = glob::NKOMP;
    glob::TYP = QStringLiteral("Superpave");
    // The sizes come from the standard ones each time: a second start converts nothing twice.
    const superpave::Target t = superpave::superpaveTarget(n, glob::DIMKOMP);
    glob::DMM = t.DMM;
    for (int i = 0; i < 11; ++i)
        glob::ZRN[size_t(i)] = {t.SUPERPAVE[size_t(i)], 0};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const blend::BlendState found =
        superpave::superpaveSearch(n, glob::DIMKOMP, t.SUPERPAVE, {shares(), glob::PROEKT, glob::OTKL});
    QApplication::restoreOverrideCursor();
    setShares(found.J);
    glob::OTKL = found.OTKL;
    glob::PROEKT = superpave::superpaveBlend(glob::DIMKOMP, found.J);

    FormWindow *form = openForm(podborSuperpaveDecl(), glob::NoRequest, caller, std::move(done), std::move(host));
    if (form) {
        centreSieveLabels(form);
        tellWhenSharesLeft(form);
        form->setLocal(kDMAX, t.DMAX);
        form->refreshWindow();
        form->setChart(kCHART, superpaveChart());
    }
    return form;
}

void registerSuperpaveProcedures()
{
    // The component selection starts it as a window of its own and closes.
    registerProcedure(QStringLiteral("PODBORSUPERPAVE"), []() -> QWidget * {
        PODBORSUPERPAVE(nullptr, [](LONG) {});
        return nullptr;
    });
    registerCalledProcedure(QStringLiteral("PODBORSUPERPAVE"), [](QWidget *caller, std::function<void(LONG)> done) {
        PODBORSUPERPAVE(caller, std::move(done));
    });
}
