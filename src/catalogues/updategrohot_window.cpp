#include "catalogues/updategrohot_window.h"

#include "catalogues/grohot_scheme.h"
#include "catalogues/grohotbrowse11_window.h"
#include "data/files.h"
#include "data/globals.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

constexpr int kDeckTop = 92, kDeckStep = 26, kRowH = 21;

int deckY(int k) { return kDeckTop + k * kDeckStep; }

void storeThen(FormWindow &form, const std::function<void()> &store)
{
    {
        FormWindow::BufferClaim claim(form);
        store();
    }
    form.refreshWindow();
}

QRadioButton *radio(FormWindow &form, QButtonGroup *group, int id, const QString &name, const QString &text, QRect r)
{
    auto *b = new QRadioButton(text, &form);
    b->setObjectName(name);
    b->setGeometry(r);
    b->setVisible(true);
    group->addButton(b, id);
    return b;
}

// The radio groups are made at the first redisplay (the window is being built then).
void buildGroups(FormWindow &form)
{
    auto *mixer = new QButtonGroup(&form);
    mixer->setObjectName(QStringLiteral("NUMMIXER_GROUP"));
    for (int n = 1; n <= 3; ++n)
        radio(form, mixer, n, QStringLiteral("NUMMIXER_%1").arg(n), QString::number(n), QRect(120 + (n - 1) * 44, 30, 40, 20));
    QObject::connect(mixer, &QButtonGroup::idClicked, &form,
                     [&form](int n) { storeThen(form, [n] { GRO.NUMMIXER = BYTE(n); }); });
    for (int k = 0; k < 5; ++k) {
        auto *shape = new QButtonGroup(&form);
        shape->setObjectName(QStringLiteral("FORMA_GROUP_%1").arg(k + 1));
        const int y = deckY(k);
        radio(form, shape, int(grohot::DeckShape::Round), QStringLiteral("FORMA_%1_ROUND").arg(k + 1), QString(), QRect(76, y, 20, kRowH));
        radio(form, shape, int(grohot::DeckShape::Square), QStringLiteral("FORMA_%1_SQUARE").arg(k + 1), QString(), QRect(98, y, 20, kRowH));
        QObject::connect(shape, &QButtonGroup::idClicked, &form, [&form, k](int id) {
            storeThen(form, [k, id] { GRO.FORMA[k].setRaw(grohot::shapeCode(grohot::DeckShape(id))); });
        });
    }
}

void checkOnly(QButtonGroup *group, int id)
{
    group->setExclusive(false); // a record without a choice shows none
    for (QAbstractButton *b : group->buttons()) {
        const QSignalBlocker block(b);
        b->setChecked(group->id(b) == id);
    }
    group->setExclusive(true);
}

// REFRESHWINDOW: radio buttons, shape symbols and the enterable size from the record.
void refresh(FormWindow &form)
{
    if (!form.findChild<QButtonGroup *>(QStringLiteral("NUMMIXER_GROUP")))
        buildGroups(form);
    if (auto *action = form.findChild<QLabel *>(QStringLiteral("ACTIONMESSAGE"))) {
        const LONG request = form.originalRequest();
        action->setText(request == glob::InsertRecord   ? QStringLiteral("Добавить")
                        : request == glob::ChangeRecord ? QStringLiteral("Изменить")
                                                        : QString());
    }
    checkOnly(form.findChild<QButtonGroup *>(QStringLiteral("NUMMIXER_GROUP")), GRO.NUMMIXER);
    for (int k = 0; k < 5; ++k) {
        const grohot::DeckShape shape = grohot::deckShape(GRO.FORMA[k]);
        checkOnly(form.findChild<QButtonGroup *>(QStringLiteral("FORMA_GROUP_%1").arg(k + 1)), int(shape));
        if (auto *symbol = form.findChild<QLabel *>(QStringLiteral("FORMA_%1").arg(k + 1)))
            symbol->setText(deckSymbol(GRO.FORMA[k].raw(), symbol->font()));
        if (FieldEdit *round = form.field(QStringLiteral("GRO_OTW_%1_1").arg(k + 1)))
            round->setEnabled(shape == grohot::DeckShape::Round);
        if (FieldEdit *square = form.field(QStringLiteral("GRO_OTW_%1_2").arg(k + 1)))
            square->setEnabled(shape == grohot::DeckShape::Square);
    }
}

FormDecl makeDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEGROHOT");
    d.file = &files::GROHOT;
    d.windowTitle = QStringLiteral("Изменяемые параметры и размеры"); // the action message has its own line
    d.savePrompt = true;
    d.resizer = false;

    d.texts.push_back({QStringLiteral("ACTIONMESSAGE"), QString(), QRect(16, 8, 200, 18)});
    d.texts.push_back({QStringLiteral("NUMMIXER_PROMPT"), QStringLiteral("№ смесителя"), QRect(16, 30, 100, 20)});
    d.texts.push_back({QStringLiteral("MASSA_PROMPT"), QStringLiteral("Замес, кГ"), QRect(16, 54, 100, kRowH)});
    d.fields.push_back({QStringLiteral("MASSAZAMES"), QStringLiteral("GRO_MASSAZAMES"), "n4", QRect(120, 54, 60, kRowH)});
    d.texts.push_back({QStringLiteral("SHAPES"), QStringLiteral("Отверстия Круглые / Квадратные"), QRect(76, kDeckTop - 18, 240, 16)});
    for (int k = 0; k < 5; ++k) {
        const QString deck = QString::number(k + 1);
        const int y = deckY(k);
        d.texts.push_back({QStringLiteral("SITO_") + deck, QStringLiteral("Сито %1:").arg(deck), QRect(16, y, 56, kRowH)});
        d.texts.push_back({QStringLiteral("FORMA_") + deck, QString(), QRect(124, y, 24, kRowH)});
        d.fields.push_back({QStringLiteral("OTW_") + deck + QStringLiteral("_1"), QStringLiteral("GRO_OTW_") + deck + QStringLiteral("_1"),
                            "n4.1", QRect(152, y, 60, kRowH)});
        d.fields.push_back({QStringLiteral("OTW_") + deck + QStringLiteral("_2"), QStringLiteral("GRO_OTW_") + deck + QStringLiteral("_2"),
                            "n4.1", QRect(220, y, 60, kRowH)});
    }
    const int buttonsY = deckY(5) + 10;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(128, buttonsY, 72, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Назад"), QRect(208, buttonsY, 72, 25), FormButtonRole::Cancel, {}});
    d.size = QSize(300, buttonsY + 25 + 14);
    d.refreshWindow = refresh;
    return d;
}

} // namespace

const FormDecl &updateGrohotDecl()
{
    static const FormDecl decl = makeDecl();
    return decl;
}

FormWindow *UPDATEGROHOT(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openForm(updateGrohotDecl(), request, caller, std::move(done), std::move(host));
}
