#include "catalogues/mixer_form_window.h"

#include "catalogues/screen_decks.h"
#include "catalogues/mixer_list_window.h"
#include "data/files.h"

#include <QFont>


namespace {

constexpr int kDeckTop = 92, kDeckStep = 26, kRowH = 21;

int deckY(int k) { return kDeckTop + k * kDeckStep; }

FormDecl makeDecl()
{
    FormDecl d;
    d.procedure = QStringLiteral("UPDATEGROHOT");
    d.file = &files::GROHOT;
    d.windowTitle = QStringLiteral("Изменяемые параметры и размеры");
    d.insertTitle = QStringLiteral("Добавить");
    d.changeTitle = QStringLiteral("Изменить");
    d.actionLine = QRect(16, 8, 200, 18);
    d.savePrompt = true;
    d.resizer = false;

    d.texts.push_back({QStringLiteral("NUMMIXER_PROMPT"), QStringLiteral("№ смесителя"), QRect(16, 30, 100, 20)});
    FormField mixer{QStringLiteral("NUMMIXER"), QStringLiteral("NUMMIXER_GROUP"), "n3", QRect(120, 30, 132, 20)};
    mixer.kind = FormControlKind::Radio; // the mixer's number is the option's
    mixer.choices = QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    mixer.optionNames = QStringList{QStringLiteral("NUMMIXER_1"), QStringLiteral("NUMMIXER_2"), QStringLiteral("NUMMIXER_3")};
    mixer.horizontal = true;
    d.fields.push_back(mixer);
    d.texts.push_back({QStringLiteral("MASSA_PROMPT"), QStringLiteral("Замес, кГ"), QRect(16, 54, 100, kRowH)});
    d.fields.push_back({QStringLiteral("MASSAZAMES"), QStringLiteral("GRO_MASSAZAMES"), "n4", QRect(120, 54, 60, kRowH)});
    d.texts.push_back({QStringLiteral("SHAPES"), QStringLiteral("Отверстия Круглые / Квадратные"), QRect(76, kDeckTop - 18, 240, 16)});
    for (int k = 0; k < 5; ++k) {
        const QString deck = QString::number(k + 1);
        const int y = deckY(k);
        d.texts.push_back({QStringLiteral("SITO_") + deck, QStringLiteral("Сито %1:").arg(deck), QRect(16, y, 56, kRowH)});
        FormField shape{QStringLiteral("FORMA_") + deck, QStringLiteral("FORMA_GROUP_") + deck, "s2", QRect(76, y, 44, kRowH)};
        shape.kind = FormControlKind::Radio;
        shape.choices = QStringList{QString(), QString()};
        shape.values = {Value(screen_decks::shapeCode(screen_decks::DeckShape::Round)), Value(screen_decks::shapeCode(screen_decks::DeckShape::Square))};
        shape.optionNames = QStringList{QStringLiteral("FORMA_%1_ROUND").arg(deck), QStringLiteral("FORMA_%1_SQUARE").arg(deck)};
        shape.horizontal = true;
        d.fields.push_back(shape);
        d.texts.push_back({QStringLiteral("FORMA_") + deck, QString(), QRect(124, y, 24, kRowH), false, -1,
                           [k] { return deckSymbol(GRO.FORMA[k].raw(), QFont()); }});
        d.fields.push_back({QStringLiteral("OTW_") + deck + QStringLiteral("_1"), QStringLiteral("GRO_OTW_") + deck + QStringLiteral("_1"),
                            "n4.1", QRect(152, y, 60, kRowH)});
        d.fields.back().enabled = [k] { return screen_decks::deckShape(GRO.FORMA[k]) == screen_decks::DeckShape::Round; };
        d.fields.push_back({QStringLiteral("OTW_") + deck + QStringLiteral("_2"), QStringLiteral("GRO_OTW_") + deck + QStringLiteral("_2"),
                            "n4.1", QRect(220, y, 60, kRowH)});
        d.fields.back().enabled = [k] { return screen_decks::deckShape(GRO.FORMA[k]) == screen_decks::DeckShape::Square; };
    }
    const int buttonsY = deckY(5) + 10;
    d.buttons.push_back({QStringLiteral("OK"), QStringLiteral("OK"), QRect(128, buttonsY, 72, 25), FormButtonRole::Ok, {}});
    d.buttons.push_back({QStringLiteral("CANCEL"), QStringLiteral("Назад"), QRect(208, buttonsY, 72, 25), FormButtonRole::Cancel, {}});
    d.size = QSize(300, buttonsY + 25 + 14);
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
