#include "design/component_selection_window.h"

#include "data/files.h"
#include "design/design_step_ui.h"
#include "data/globals.h"
#include "design/blend.h"
#include "design/components.h"
#include "design/grading_window.h"
#include "framework/fileservices.h"
#include "framework/procedures_ui.h"
#include "framework/warnings.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QPointer>

namespace {

// A closed drop list of the window that is only browsed (arrow keys, the first letters of a
// name) shows the entries without choosing one; Enter or leaving the list chooses the entry
// shown, as a click on an entry of the open list does. Every choice of a component list appends
// a component, so browsing must not; the mouse wheel over a closed list does nothing.
class ChoiceOnConfirm : public QObject {
public:
    explicit ChoiceOnConfirm(QComboBox *list) : QObject(list), m_list(list)
    {
        list->installEventFilter(this);
        connect(list, &QComboBox::activated, this, [this] { m_browsed = false; });
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Wheel:
            return !m_list->view()->isVisible();
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (m_list->view()->isVisible())
                return false;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                confirm();
                return false;
            }
            if (key->key() == Qt::Key_Escape && m_browsed) {
                m_browsed = false;
                m_list->setCurrentIndex(m_chosen);
                return true;
            }
            if (!isBrowsing(*key))
                return false;
            const int before = m_list->currentIndex();
            {
                const QSignalBlocker quiet(m_list); // the list's own handling would choose the entry
                static_cast<QObject *>(m_list)->event(event);
            }
            if (!m_browsed && m_list->currentIndex() != before) {
                m_browsed = true;
                m_chosen = before;
            }
            return true;
        }
        case QEvent::FocusOut: {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                confirm();
            return false;
        }
        default:
            return false;
        }
    }

private:
    static bool isBrowsing(const QKeyEvent &key)
    {
        if (key.modifiers() & (Qt::AltModifier | Qt::ControlModifier))
            return false; // Alt+Down opens the list
        switch (key.key()) {
        case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
            return true;
        default:
            return !key.text().isEmpty() && key.text().at(0).isPrint() && key.key() != Qt::Key_Space;
        }
    }

    void confirm()
    {
        if (!m_browsed)
            return;
        m_browsed = false;
        if (m_list->currentIndex() >= 0)
            emit m_list->activated(m_list->currentIndex());
    }

    QComboBox *m_list;
    bool m_browsed = false; // the entry shown is not the one chosen
    int m_chosen = -1;      // the entry shown before browsing
};

const QString kSelecting = QStringLiteral("SELECTING"); // a crushed-stone selection list is open
const QString kToldEmpty = QStringLiteral("TOLD_EMPTY"); // "Далее" took the focus with nothing chosen and said so

void appended(components::Appended result)
{
    if (result == components::Appended::NoDensity)
        showMessage(components::noDensityMessage);
    else if (result == components::Appended::Refused)
        showMessage(components::tooManyMessage);
}

// The crushed stone now in SPL as the next component.
void appendStone()
{
    appended(components::append(glob::DESIGN, SPL.NAIMEN, SPL.ZRN, SPL.PLOTN,
                                components::pricePerTonne(SPL.COSTSPL, SPL.NASPLOTN), false,
                                QStringLiteral("SPLIT")));
}

// Reads the first crushed stone of that name into SPL; when there is none SPL keeps the
// record it held.
bool findStone(const FixedString<20> &name)
{
    FileUse use(files::SPLIT);
    const SplitRecord kept = SPL;
    SPL = SplitRecord();
    SPL.NAIMEN = name;
    if (use.ok() && files::SPLIT.get(files::key::SPL_KEYNAME) == FileError::None)
        return true;
    SPL = kept;
    return false;
}

FixedString<20> &stoneVar(const QString &objectName)
{
    if (objectName == QLatin1String("SPL2")) return glob::SPL2;
    if (objectName == QLatin1String("SPL3")) return glob::SPL3;
    return glob::SPL1;
}

bool isStoneField(const QString &objectName)
{
    return objectName == QLatin1String("SPL1") || objectName == QLatin1String("SPL2") ||
           objectName == QLatin1String("SPL3");
}

// Opens the crushed-stone selection over the form, positioned at the name in the field;
// `done` gets whether a stone was picked (then in SPL and in the field).
void selectStone(FormWindow &form, FixedString<20> &var, std::function<void(FormWindow &, bool)> done)
{
    form.setLocal(kSelecting, qint64(1));
    SPL.NAIMEN = var;
    QPointer<FormWindow> self(&form);
    const bool called = callProcedure(QStringLiteral("SELSPLIT"), &form, [self, &var, done](LONG response) {
        const bool chosen = response == glob::RequestCompleted;
        if (!self)
            return;
        FormWindow::BufferClaim claim(*self);
        self->setLocal(kSelecting, qint64(0));
        if (chosen)
            var = SPL.NAIMEN;
        done(*self, chosen);
        self->refreshWindow();
    });
    if (!called) { // no selection list in this program: nothing picked
        form.setLocal(kSelecting, qint64(0));
        done(form, false);
    }
}

// Entering a crushed-stone field appends a component: the stone of the field's name, or the
// one picked from the selection list when no stone has it. A list closed without a pick adds
// nothing: the stone the buffer holds from earlier is nobody's choice here.
void stoneEntered(FormWindow &form, const QString &objectName)
{
    if (!isStoneField(objectName) || form.localNumber(kSelecting) != 0)
        return;
    FixedString<20> &var = stoneVar(objectName);
    if (!var.isBlank() && findStone(var)) {
        appendStone();
        return;
    }
    selectStone(form, var, [&var](FormWindow &, bool chosen) {
        if (chosen && findStone(var))
            appendStone();
    });
}

// A typed name must be a crushed stone's: otherwise the selection list offers them, and a
// cancelled list gives the field back. Accepting appends nothing.
bool stoneAccepted(FormWindow &form, const QString &objectName)
{
    if (!isStoneField(objectName) || form.acceptingAll())
        return true;
    FixedString<20> &var = stoneVar(objectName);
    if (var.isBlank() || findStone(var) || form.localNumber(kSelecting) != 0)
        return true;
    selectStone(form, var, [objectName](FormWindow &f, bool chosen) {
        if (!chosen)
            if (FieldEdit *edit = f.field(objectName))
                edit->setFocus(Qt::OtherFocusReason);
    });
    return true;
}

void checkCount()
{
    const QString message = components::countCheck(glob::DESIGN);
    if (!message.isEmpty())
        showMessage(message);
}

// "Далее" receiving the focus: the count check, remembered for the press that may follow.
void checkCountOnFocus(FormWindow &form)
{
    checkCount();
    form.setLocal(kToldEmpty, qint64(glob::NKOMP == 0 ? 1 : 0));
}

// "Далее": the grading window opens on the searched shares; the selection closes. With no
// component chosen the message is said (once: the focus arriving on the button may have said
// it already) and the selection stays.
void goOn(FormWindow &form)
{
    if (glob::NKOMP == 0) {
        if (form.localNumber(kToldEmpty) == 0)
            showMessage(components::noComponentsMessage);
        form.setLocal(kToldEmpty, qint64(0));
        return;
    }
    blend::BlendState previous;
    previous.J = {glob::J1GL, glob::J2GL, glob::J3GL, glob::J4GL, glob::J5GL, glob::J6GL};
    previous.PROEKT = glob::PROEKT;
    previous.OTKL = glob::OTKL;
    const blend::BlendState found = blend::gradingSearch(glob::NKOMP, glob::DIMKOMP, glob::ZRN, previous);
    glob::J1GL = found.J[0];
    glob::J2GL = found.J[1];
    glob::J3GL = found.J[2];
    glob::J4GL = found.J[3];
    glob::J5GL = found.J[4];
    glob::J6GL = found.J[5];
    glob::PROEKT = found.PROEKT;
    glob::OTKL = found.OTKL;
    startProcedure(QStringLiteral("PODBORSUM"));
    closeHostedWindow(&form);
}

// The band lists show the band chosen last (TYP): the foreign list its name, the standard
// list the requirement whose first 12 characters TYP holds, as the file buffer has it; the
// other list shows none.
template <std::size_t N>
FormVar bandVar(FixedString<N> &name)
{
    FormVar v = FormVar::of(name);
    v.get = [&name] {
        const QByteArray held = name.raw();
        return Value(!glob::TYP.isBlank() && held.left(12) == glob::TYP.raw() ? held : QByteArray());
    };
    return v;
}

FormField dropList(const char *objectName, FormVar var, QRect rect, DataFile &file, int key, const char *column,
                   std::function<void(FormWindow &)> selected, const char *tip = nullptr)
{
    FormField f{QString(), QLatin1String(objectName), "s20", rect};
    f.kind = FormControlKind::DropList;
    f.var = std::move(var);
    f.listFile = {&file, key, QLatin1String(column), std::move(selected)};
    if (tip)
        f.tip = QString::fromUtf8(tip);
    return f;
}

FormDecl makePodborDecl()
{
    FormDecl d = designStepForm(QStringLiteral("PODBOR"), QStringLiteral("Выбери и исходные компоненты и нужную смесь"));
    d.locals = {{kSelecting, Value(qint64(0))}, {kToldEmpty, Value(qint64(0))}};
    d.firstFocus = QStringLiteral("MARKA_1");

    auto text = [&d](const char *name, const char *t, QRect r) {
        d.texts.push_back({QLatin1String(name), QString::fromUtf8(t), r});
    };
    // Grade, foreign band and Superpave
    FormField marka{QString(), QStringLiteral("MARKA"), "s3", QRect(10, 8, 170, 48)};
    marka.kind = FormControlKind::Radio;
    marka.choices = {QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III")};
    marka.groupTitle = QStringLiteral("Марка");
    marka.horizontal = true;
    marka.var = FormVar::of(glob::MARKA);
    d.fields.push_back(marka);

    text("PROMPT_ZR3", "Смеси по зарубежным нормам", QRect(200, 8, 250, 18));
    d.fields.push_back(dropList("ZR3_NAME", bandVar(ZR3.NAME), QRect(200, 28, 150, 24), files::ZR3N,
                                files::key::ZR3_KEYNAME, "NAME", [](FormWindow &) {
                                    glob::TYP = ZR3.NAME;
                                    glob::ZRN = ZR3.MGOST;
                                }));
    d.fields.back().picture = "s12";

    // Standard band
    text("PROMPT_NOR", "Пределы гранулометрии:", QRect(10, 68, 170, 24));
    d.fields.push_back(dropList("NOR_TYPASPH", bandVar(NOR.TYPASPH), QRect(185, 68, 165, 24), files::NORMA,
                                files::key::NOR_KEYTYP, "TYPASPH", [](FormWindow &) {
                                    POD.TYPASPH = NOR.TYPASPH;
                                    glob::TYP.setRaw(NOR.TYPASPH.raw().left(12));
                                    glob::ZRN = NOR.DNORM2;
                                }));

    // Components
    text("PROMPT_SPL", "Щебень", QRect(10, 104, 60, 22));
    const char *stones[] = {"SPL1", "SPL2", "SPL3"};
    for (int i = 0; i < 3; ++i) {
        const int y = 104 + 28 * i;
        d.texts.push_back({QStringLiteral("PROMPT_SPL%1").arg(i + 1), QStringLiteral("%1:").arg(i + 1), QRect(70, y, 20, 22)});
        FormField f{QString(), QLatin1String(stones[i]), "s20", QRect(95, y, 170, 22)};
        f.var = FormVar::of(stoneVar(QLatin1String(stones[i])));
        d.fields.push_back(f);
    }
    text("PROMPT_OTS", "Отсев:", QRect(10, 192, 80, 24));
    d.fields.push_back(dropList("OTS_NAIMEN", FormVar::of(OTS.NAIMEN), QRect(95, 192, 170, 24), files::OTSEW,
                                files::key::OTS_KEYNAME, "NAIMEN", [](FormWindow &) {
                                    appended(components::append(glob::DESIGN, OTS.NAIMEN, OTS.ZRN, OTS.PLOTN,
                                                                components::pricePerTonne(OTS.COSTOTSW, OTS.NASPLOTN), false,
                                                                QStringLiteral("OTSEW")));
                                }, "База Отсевов (песка)"));
    text("PROMPT_SAN", "Песок:", QRect(10, 222, 80, 24));
    d.fields.push_back(dropList("SAN_NAIMEN", FormVar::of(SAN.NAIMEN), QRect(95, 222, 170, 24), files::SANT,
                                files::key::SAN_KEYNAME, "NAIMEN", [](FormWindow &) {
                                    appended(components::append(glob::DESIGN, SAN.NAIMEN, SAN.ZRN, SAN.PLOTN,
                                                                components::pricePerTonne(SAN.COSTPESOK, SAN.NASPLOTN), false,
                                                                QStringLiteral("SANT")));
                                }, "База песка"));

    text("PROMPT_GOST", "Смеси по ГОСТ", QRect(290, 104, 200, 22));
    text("PROMPT_WIDAB", "Тип:", QRect(290, 132, 40, 24));
    FormField widab{QString(), QStringLiteral("WIDAB"), "s25", QRect(330, 132, 220, 24)};
    widab.kind = FormControlKind::DropList;
    widab.choices = {QStringLiteral("мелкозернистая"), QStringLiteral("щебеночно-мастичная"), QStringLiteral("песчаная"),
                     QStringLiteral("крупнозернистая")};
    widab.var = FormVar::of(glob::WIDAB);
    d.fields.push_back(widab);

    text("PROMPT_FIL", "Мин. порошок:", QRect(290, 192, 100, 24));
    d.fields.push_back(dropList("FIL_NAIMEN", FormVar::of(FIL.NAIMEN), QRect(390, 192, 160, 24), files::FILLER,
                                files::key::FIL_KEYNAME, "NAIMEN", [](FormWindow &) {
                                    appended(components::append(glob::DESIGN, FIL.NAIMEN, FIL.ZRN, FIL.PLOTN,
                                                                FIL.COSTFILLER, true, QStringLiteral("FILLER")));
                                }, "База минерального порошка"));

    d.fieldFocused = stoneEntered;
    d.validateField = stoneAccepted;

    const int by = 268;
    d.buttons.push_back({QStringLiteral("BUTTON4"), QStringLiteral("Superpave"), QRect(360, 28, 90, 24),
                         FormButtonRole::Other, [](FormWindow &form) {
                             if (startProcedure(QStringLiteral("PODBORSUPERPAVE")))
                                 closeHostedWindow(&form);
                         }});
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(280, by, 80, 26), FormButtonRole::Other,
                         [](FormWindow &) { checkCount(); }});
    FormButton next{QStringLiteral("BUTTON3"), QStringLiteral("Далее"), QRect(370, by, 80, 26), FormButtonRole::Other, goOn};
    next.tip = QStringLiteral("Произвести расчет зернового состава");
    next.focused = checkCountOnFocus;
    d.buttons.push_back(next);
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Отменить"), QRect(460, by, 90, 26), FormButtonRole::Cancel, {}});
    d.tabOrder = {QStringLiteral("MARKA_1"), QStringLiteral("MARKA_2"), QStringLiteral("MARKA_3"),
                  QStringLiteral("ZR3_NAME"), QStringLiteral("BUTTON4"), QStringLiteral("NOR_TYPASPH"),
                  QStringLiteral("SPL1"), QStringLiteral("SPL2"), QStringLiteral("SPL3"), QStringLiteral("OTS_NAIMEN"),
                  QStringLiteral("SAN_NAIMEN"), QStringLiteral("WIDAB"), QStringLiteral("FIL_NAIMEN"),
                  QStringLiteral("OK"), QStringLiteral("BUTTON3"), QStringLiteral("CANCEL")};
    d.size = QSize(560, by + 26 + 10);
    return d;
}

} // namespace

const FormDecl &podborDecl()
{
    static const FormDecl decl = makePodborDecl();
    return decl;
}

FormWindow *PODBOR(WindowHost host)
{
    glob::DESIGN = glob::DesignState();
    // A new design is no stored recipe: pricing it must not write into the recipe opened last.
    glob::NUMMER = 0;
    FormWindow *form = openForm(podborDecl(), glob::NoRequest, nullptr, {}, std::move(host));
    if (form)
        for (QComboBox *list : form->controls<QComboBox>())
            new ChoiceOnConfirm(list);
    return form;
}

void registerPodborProcedures()
{
    registerProcedure(QStringLiteral("PODBOR"), []() -> QWidget * {
        PODBOR();
        return nullptr;
    });
    registerProcedure(QStringLiteral("PODBORSUM"), []() -> QWidget * {
        PODBORSUM();
        return nullptr;
    });
}
