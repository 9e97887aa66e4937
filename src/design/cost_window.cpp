#include "design/cost_window.h"

#include "data/cp1251.h"
#include "data/files.h"
#include "data/globals.h"
#include "design/cost.h"
#include "design/design_step_ui.h"
#include "framework/fileservices.h"

#include <QPointer>

namespace {

const QString kCOSTSLOI = QStringLiteral("COSTSLOI");
const QString kMESSAGE = QStringLiteral("MESSAGE");   // the message line's text
const QString kSTORED = QStringLiteral("STORED");     // the prices went into the recipe

// The recipe numbered NUMMER as stored, read by POD:KEYNUM without disturbing the record the
// window works on: the buffer and the file's read state are put back. NUMMER 0 is no recipe:
// a new design starts with it, and a recipe is never priced under it by mistake.
struct StoredRecipe {
    PodborRecord record;
    DataFile::ReadState state;
};

std::optional<StoredRecipe> readRecipe()
{
    if (glob::NUMMER == 0)
        return std::nullopt;
    DataFile &file = files::PODBOR;
    const Row kept = file.buffer().save();
    const DataFile::ReadState keptState = file.readState();
    POD = PodborRecord();
    POD.NUM = glob::NUMMER;
    std::optional<StoredRecipe> found;
    if (file.get(files::key::POD_KEYNUM) == FileError::None)
        found = StoredRecipe{POD, file.readState()};
    file.buffer().load(kept);
    file.restoreReadState(keptState);
    return found;
}

// Where the additive goes, from the DOBAWKA record named DOB_KA (none when not found).
design::AdditiveDestination readDestination()
{
    DOB.NAME = glob::DOB_KA;
    if (files::DOBAWKA.get(files::key::DOB_KEYNAME) != FileError::None)
        return design::AdditiveDestination::None;
    return design::additiveDestination(DOB.KUDA.text());
}

void say(FormWindow &form, const QString &text)
{
    form.setLocal(kMESSAGE, Value(cp1251::encode(text).value_or(QByteArray())));
}

QString numberText() { return QString::number(glob::NUMMER, 'f', 0); }

QString notStoredText()
{
    return glob::NUMMER == 0 ? QStringLiteral("Состава нет в базе рецептов: стоимость не записывается")
                             : QStringLiteral("Рецепта № %1 нет в базе: стоимость не записывается").arg(numberText());
}

// The cost calculation, steps 1 to 8: the figures into the globals and COSTSLOI.
void computeCosts(FormWindow &form)
{
    design::CostInput in;
    in.COSTDIMKOMP = glob::COSTDIMKOMP;
    in.DIMJKOMP = glob::DIMJKOMP;
    in.COSTBITUM = glob::COSTBITUM;
    in.COSTDOB_KA = glob::COSTDOB_KA;
    in.SODERZDOBAWKI = glob::SODERZDOBAWKI;
    in.JBITGL = glob::JBITGL;
    in.destination = readDestination();
    const std::optional<StoredRecipe> recipe = readRecipe();
    if (recipe)
        in.PLOTN = recipe->record.PLOTN;
    const design::CostResult r = design::computeCost(in);
    glob::COSTBIT = r.COSTBIT;
    glob::COSTSMES = r.COSTSMES;
    form.setLocal(kCOSTSLOI, r.COSTSLOI);
    if (!recipe)
        say(form, notStoredText());
    else if (form.localNumber(kSTORED) == 0)
        say(form, QString());
}

void putPrices(PodborRecord &rec)
{
    rec.COSTDIM = glob::COSTDIMKOMP;
    rec.COSTSMESI = glob::COSTSMES;
    rec.COSTBITUMEN = glob::COSTBITUM;
    rec.COSTDOB = glob::COSTDOB_KA;
    rec.COSTFILLER = glob::COSTFILLER;
}

// Storing, when "OK" receives the focus: the recipe NUMMER as read from the file, with the
// prices and the cost, written through the recipe's update rules. Nothing is written when the
// recipe is not found. The record the window works on (its caller's, when a form on the recipe
// file called it) gets the same values and, when it is the record just written as it was read,
// that record's new change watch.
void storeIntoRecipe(FormWindow &form)
{
    computeCosts(form);
    const std::optional<StoredRecipe> recipe = readRecipe();
    if (!recipe) {
        say(form, notStoredText());
        return;
    }
    DataFile &file = files::PODBOR;
    const Row kept = file.buffer().save();
    const DataFile::ReadState keptState = file.readState();
    const SavGroup keptSnapshot = SAV;
    POD = recipe->record;
    file.restoreReadState(recipe->state);
    RISNAP(file); // the number stays: the test records keep their recipe
    putPrices(POD);
    const BYTE result = RIUPDATE(file, 1);
    const DataFile::ReadState written = file.readState();
    SAV = keptSnapshot;
    file.buffer().load(kept);
    if (result != RiWritten) {
        file.restoreReadState(keptState);
        say(form, QStringLiteral("Стоимость не записана в рецепт № %1").arg(numberText()));
        return;
    }
    putPrices(POD);
    const bool sameRecord = keptState.position == recipe->state.position && keptState.version == recipe->state.version;
    file.restoreReadState(sameRecord ? written : keptState);
    form.setLocal(kSTORED, 1.0);
    say(form, QStringLiteral("Стоимость записана в рецепт № %1").arg(numberText()));
}

// A price beside its name: the name shown, the price an entry field.
void priceRow(FormDecl &d, int y, const QString &nameObject, std::function<QString()> name, const QString &priceObject,
              REAL &price, const QString &tip = {})
{
    d.texts.push_back({nameObject, QString(), QRect(10, y, 170, 21), false, -1, std::move(name)});
    FormField f{QString(), priceObject, "n10.2", QRect(186, y, 90, 21)};
    f.var = FormVar::of(price);
    f.tip = tip;
    d.fields.push_back(f);
}

FormDecl makeCostDecl()
{
    FormDecl d = designStepForm(QStringLiteral("COST"), QStringLiteral("Расчет стоимости асфальтобетонной смеси"));
    d.savePrompt = false; // the prices live in the globals; the record is written by OK's focus alone
    d.size = QSize(440, 330);
    d.locals = {{kCOSTSLOI, Value(0.0)}, {kMESSAGE, Value(QByteArray())}, {kSTORED, Value(0.0)}};

    d.texts.push_back({QStringLiteral("CAPTION"), QStringLiteral("Стоимости компонент в УЕ за 1 тонну"), QRect(10, 8, 300, 21)});
    constexpr int kRow0 = 34, kStep = 25;
    for (int j = 0; j < 6; ++j) {
        const QString n = QString::number(j + 1);
        priceRow(d, kRow0 + j * kStep, QStringLiteral("DIMNAME_") + n, [j] { return glob::DIMNAME[size_t(j)].text(); },
                 QStringLiteral("COSTDIMKOMP_") + n, glob::COSTDIMKOMP[size_t(j)]);
    }
    const int yBitumen = kRow0 + 6 * kStep + 6;
    priceRow(d, yBitumen, QStringLiteral("COSTBITUM_PROMPT"), [] { return QStringLiteral("Битумное вяжущее:"); },
             QStringLiteral("COSTBITUM"), glob::COSTBITUM);
    const int yAdditive = yBitumen + kStep;
    d.texts.push_back({QStringLiteral("DOB_KA_PROMPT"), QStringLiteral("Добавка"), QRect(10, yAdditive, 56, 21)});
    priceRow(d, yAdditive, QStringLiteral("DOB_KA"), [] { return glob::DOB_KA.text(); }, QStringLiteral("COSTDOB_KA"),
             glob::COSTDOB_KA, QStringLiteral("Цена добавки"));
    d.texts.back().rect = QRect(66, yAdditive, 114, 21); // the name after its prompt

    // The results, display only.
    const int yResults = yAdditive + kStep + 8;
    d.texts.push_back({QStringLiteral("COST_CAPTION"), QStringLiteral("Стоимость"), QRect(10, yResults, 100, 21)});
    d.texts.push_back({QStringLiteral("COSTSMES_PROMPT"), QStringLiteral("1 т смеси"), QRect(110, yResults, 70, 21), true});
    FormField smes{QString(), QStringLiteral("COSTSMES"), "n10.2", QRect(186, yResults, 90, 21)};
    smes.var = FormVar::of(glob::COSTSMES);
    smes.displayOnly = true;
    d.fields.push_back(smes);
    d.texts.push_back({QStringLiteral("COSTSLOI_PROMPT"), QStringLiteral("100 м2/1см:"), QRect(90, yResults + kStep, 90, 21), true});
    FormField sloi{QString(), kCOSTSLOI, "n10.2", QRect(186, yResults + kStep, 90, 21)};
    sloi.local = kCOSTSLOI;
    sloi.displayOnly = true;
    d.fields.push_back(sloi);

    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(320, 34, 100, 26), FormButtonRole::Ok, {}, -1,
                         {}, storeIntoRecipe});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Закрыть"), QRect(320, 68, 100, 26),
                         FormButtonRole::Cancel, {}});

    // The message line under everything: why nothing is stored, or that it was.
    FormText message{kMESSAGE, QString(), QRect(10, yResults + 2 * kStep + 8, 420, 21)};
    message.local = kMESSAGE;
    d.texts.push_back(message);

    d.eachEvent = computeCosts;
    return d;
}

} // namespace

const FormDecl &costDecl()
{
    static const FormDecl decl = makeCostDecl();
    return decl;
}

FormWindow *COST(QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    // The additive's destination is read at every event: DOBAWKA stays open as long as the window.
    auto additives = std::make_shared<FileUse>(files::DOBAWKA);
    FormWindow *form = openForm(costDecl(), glob::NoRequest, caller, std::move(done), std::move(host));
    if (form) {
        QObject::connect(form, &QObject::destroyed, [additives] {});
        computeCosts(*form); // the figures from the opening on, not from the first event
        form->refreshWindow();
    }
    return form;
}

void registerCostProcedures()
{
    registerCalledProcedure(QStringLiteral("COST"),
                            [](QWidget *caller, std::function<void(LONG)> done) { COST(caller, std::move(done)); });
}
