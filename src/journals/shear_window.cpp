#include "journals/shear_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "framework/callerhold_ui.h"
#include "framework/fileservices.h"
#include "framework/procedures_ui.h"
#include "framework/reportprogress_window.h"
#include "framework/warnings.h"
#include "journals/shear_report.h"
#include "journals/shear_check.h"

#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QTimer>

#include <memory>

namespace {

void putConditions(const lab::OperatingConditions &c)
{
    glob::REGION = c.REGION;
    glob::TMIN = c.TMIN;
    glob::TMAX = c.TMAX;
    glob::KAT_DV = c.KAT_DV;
    glob::IN_DV = c.IN_DV;
    glob::US_DV = c.US_DV;
    glob::T1 = c.T1;
    glob::KKOL = c.KKOL;
    glob::TSUMMA = c.TSUMMA;
}

// The region's choice: the chosen region's name, and with `temperatures` its temperatures, go
// into the globals.
void chooseRegion(FormWindow &form, bool temperatures = true)
{
    QPointer<FormWindow> guard(&form);
    callProcedure(QStringLiteral("SELREG1"), &form, [guard, temperatures](LONG response) {
        if (response == glob::RequestCompleted) {
            glob::REGION = USL.REGION.text();
            if (temperatures) {
                glob::TMIN = USL.TMIN;
                glob::TMAX = USL.TMAX;
            }
        }
        if (guard)
            guard->refreshWindow();
    });
}

FormDecl makeFilter1Decl()
{
    FormDecl d;
    d.procedure = QStringLiteral("FILTER1");
    d.file = &files::USLOV; // opened through its use count for the region's choice
    d.windowTitle = QStringLiteral("Условия эксплуатации");
    d.savePrompt = false;
    d.resizer = false;

    constexpr int kRowH = 21;
    auto prompt = [&d](const char *name, const char *text, QRect r) {
        d.texts.push_back({QLatin1String(name), QString::fromUtf8(text), r});
    };
    prompt("REGION_PROMPT", "Регион:", QRect(16, 16, 60, kRowH));
    FormField region{QString(), QStringLiteral("REGION"), "s15", QRect(80, 16, 140, kRowH)};
    region.var = FormVar::of(glob::REGION);
    d.fields.push_back(region);
    prompt("TMAX_PROMPT", "Tmax:", QRect(16, 46, 60, kRowH));
    FormField tmax{QString(), QStringLiteral("TMAX"), "n3.0", QRect(80, 46, 44, kRowH)};
    tmax.var = FormVar::of(glob::TMAX);
    d.fields.push_back(tmax);
    prompt("TMIN_PROMPT", "Tmin:", QRect(16, 76, 60, kRowH));
    FormField tmin{QString(), QStringLiteral("TMIN"), "n-4.0", QRect(80, 76, 52, kRowH)};
    tmin.var = FormVar::of(glob::TMIN);
    d.fields.push_back(tmin);

    FormField traffic{QString(), QStringLiteral("KAT_DV"), "n1", QRect(240, 10, 180, 150)};
    traffic.kind = FormControlKind::Radio;
    traffic.groupTitle = QStringLiteral("Движение по дороге");
    traffic.choices = QStringList{QStringLiteral("1.Очень легкое"), QStringLiteral("2.Легкое"), QStringLiteral("3.Среднее"),
                                  QStringLiteral("4.Тяжелое"), QStringLiteral("5.Очень тяжелое")};
    for (qint64 k = 1; k <= 5; ++k)
        traffic.values.push_back(Value(k));
    traffic.var = {[] { return Value(qint64(glob::KAT_DV)); },
                   [](const Value &v) {
                       const auto *k = std::get_if<qint64>(&v);
                       if (!k || *k < 1 || *k > 5)
                           return false;
                       glob::KAT_DV = ULONG(*k);
                       return true;
                   },
                   ColumnType::Long, 0};
    d.fields.push_back(traffic);

    prompt("IN_DV_PROMPT", "Интенсивность расчетного автомобиля авт/час:", QRect(16, 172, 320, kRowH));
    FormField intensity{QString(), QStringLiteral("IN_DV"), "n4.0", QRect(340, 172, 52, kRowH)};
    intensity.var = FormVar::of(glob::IN_DV);
    d.fields.push_back(intensity);
    prompt("US_DV_PROMPT", "Условия движения:", QRect(16, 202, 150, kRowH));
    FormField conditions{QString(), QStringLiteral("US_DV"), "s20", QRect(170, 202, 130, kRowH)};
    conditions.kind = FormControlKind::DropList;
    conditions.choices = QStringList{lab::normalTrafficText(), lab::constrainedTrafficText()};
    conditions.var = FormVar::of(glob::US_DV);
    d.fields.push_back(conditions);

    // Both buttons only close the dialog: the conditions are already in the globals.
    const int buttonsY = 244;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("Ок"), QRect(240, buttonsY, 80, 25), FormButtonRole::Other,
                         [](FormWindow &form) { form.pressCancel(); }});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Отменить"), QRect(328, buttonsY, 80, 25),
                         FormButtonRole::Cancel, {}});
    d.size = QSize(436, buttonsY + 25 + 14);
    d.firstFocus = QStringLiteral("REGION");

    d.fieldFocused = [](FormWindow &form, const QString &objectName) {
        if (objectName == QLatin1String("REGION"))
            chooseRegion(form);
    };
    d.fieldAccepted = [](FormWindow &form, const QString &objectName) {
        lab::OperatingConditions c = shear_report::conditionsInGlobals();
        if (objectName == QLatin1String("KAT_DV"))
            lab::acceptTrafficCategory(c, glob::KAT_DV);
        else if (objectName == QLatin1String("US_DV"))
            lab::applyTrafficConditions(c);
        else
            return;
        putConditions(c);
        form.refreshWindow();
    };
    return d;
}

// The road-climatic zone of the region REGION ("" when it is not in the file).
QString regionZone()
{
    const QString name = glob::REGION.text().trimmed();
    if (name.isEmpty())
        return {};
    FileUse use(files::USLOV);
    if (!use.ok())
        return {};
    USL = UslovRecord();
    USL.REGION = name;
    if (files::USLOV.get(files::key::USL_KEYREGION) != FileError::None)
        return {};
    return USL.DKZ.text().trimmed();
}

void runProtocol(std::shared_ptr<CallerHold> hold, std::function<void(LONG)> done)
{
    const QString zone = regionZone();
    ReportDefinition def;
    def.title = shear_report::title();
    def.run = shear_report::run();
    def.layout = shear_report::layout();
    def.detail = [zone] {
        const lab::ShearResult r = shear_report::computeRecord();
        return shear_report::detail(r, zone);
    };
    QWidget *progress = ReportProcedure::start(std::move(def), [hold, done](LONG response) {
        if (hold->release() && done)
            done(response);
    });
    showInFrame(progress);
}

} // namespace

FormWindow *FILTER1(QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    static const FormDecl decl = makeFilter1Decl();
    putConditions(lab::operatingPresets());
    FormWindow *form = openForm(decl, glob::NoRequest, caller, std::move(done), std::move(host));
    if (!form)
        return nullptr;
    // The region field's lookup key chooses a name only, keeping the temperatures typed.
    if (QWidget *region = form->field(QStringLiteral("REGION"))) {
        auto *lookup = new QShortcut(QKeySequence(Qt::Key_F4), region);
        lookup->setContext(Qt::WidgetShortcut);
        QObject::connect(lookup, &QShortcut::activated, form, [form] { chooseRegion(*form, false); });
    }
    // The region field has the focus as the dialog opens (once it is shown and active).
    QTimer::singleShot(0, form, [form] { chooseRegion(*form); });
    return form;
}

void RPTSD(QWidget *caller, std::function<void(LONG)> done)
{
    if (GUR.TGFI == 0) {
        showMessage(QStringLiteral("Отсутствуют результаты испытаний"));
        if (done)
            done(glob::RequestCancelled);
        return;
    }
    // The caller waits for the dialog, the warning and the preview together.
    auto hold = std::make_shared<CallerHold>(caller);
    FILTER1(nullptr, [hold, done](LONG) {
        const bool noLoadingTime = lab::RASZET(shear_report::conditionsInGlobals(), {}).TSUMMA == 0;
        if (noLoadingTime && callProcedure(QStringLiteral("SOOB2"), nullptr, [hold, done](LONG) { runProtocol(hold, done); }))
            return;
        runProtocol(hold, done);
    });
}

void registerShearProcedures()
{
    registerCalledProcedure(QStringLiteral("FILTER1"), [](QWidget *caller, std::function<void(LONG)> done) {
        FILTER1(caller, std::move(done));
    });
    registerCalledProcedure(QStringLiteral("RPTSD"), [](QWidget *caller, std::function<void(LONG)> done) {
        RPTSD(caller, std::move(done));
    });
}
