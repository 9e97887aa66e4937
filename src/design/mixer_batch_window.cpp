#include "design/mixer_batch_window.h"

#include "data/files.h"
#include "data/globals.h"
#include "data/recipe_state.h"
#include "design/batch_report.h"
#include "design/batch_menu_window.h"
#include "framework/picture.h"

#include <QGridLayout>
#include <QLabel>

#include <memory>

namespace {

using design::BatchRecipe;

// What the window works on for as long as it is open.
struct BatchWindowState {
    PodborRecord recipe;                // the recipe loaded when the window opened
    design::BatchRecipeSource source;   // its figures
    REAL SODERZDOBAWKI = 0;
    BYTE CHEKKRUP = 0;                  // remove the oversize

    // Puts the recipe back in hand (another window may have loaded another one meanwhile)
    // with the mixer `mixer` for the printouts.
    void putInHand(REAL mixer) const
    {
        recipe_state::loadRecipe(recipe);
        glob::MIXER = mixer;
    }
};

// The symbol of a deck's shape code on the screen: the diameter sign for round holes (where the
// font has none, "Ø"), a square for square holes.
QString shownShape(const FixedString<2> &code, const QFont &font)
{
    const QFontMetrics metrics(font);
    const QByteArray raw = code.raw();
    if (raw == QByteArray(1, design::ROUND_HOLE))
        return metrics.inFontUcs4(0x2300) ? QString(QChar(0x2300)) : QStringLiteral("Ø");
    if (raw == QByteArray(1, design::SQUARE_HOLE))
        return metrics.inFontUcs4(0x25A1) ? QString(QChar(0x25A1)) : QStringLiteral("#");
    return {};
}

// The batch recipe of the highlighted mixer, under the list.
class BatchPanel : public BrowsePanel {
public:
    explicit BatchPanel(std::shared_ptr<BatchWindowState> state) : m_state(std::move(state))
    {
        setObjectName(QStringLiteral("BATCH"));
        auto *grid = new QGridLayout(this);
        grid->setContentsMargins(4, 0, 4, 0);
        grid->setHorizontalSpacing(16);
        grid->setVerticalSpacing(2);
        const auto label = [this, grid](const QString &name, int row, int column, const QString &text = {},
                                        Qt::Alignment align = Qt::AlignRight) {
            auto *l = new QLabel(text, this);
            l->setObjectName(name);
            l->setAlignment(align | Qt::AlignVCenter);
            grid->addWidget(l, row, column);
            return l;
        };
        label(QStringLiteral("FRACTIONS_CAPTION"), 0, 0, QStringLiteral("Фракции, мм"), Qt::AlignLeft);
        label(QStringLiteral("PERCENT_CAPTION"), 0, 1, QStringLiteral("Содержание в %"));
        label(QStringLiteral("KG_CAPTION"), 0, 2, QStringLiteral("в кГ"));
        for (int k = 0; k < 6; ++k) { // the five bins and what passes the finest deck
            m_fraction[k] = label(QStringLiteral("FRACTION_%1").arg(k + 1), k + 1, 0, {}, Qt::AlignLeft);
            const QString share = k < 5 ? QStringLiteral("SPLT%1").arg(k + 1) : QStringLiteral("PESOK");
            const QString mass = k < 5 ? QStringLiteral("MSPL%1").arg(k + 1) : QStringLiteral("MPESOK");
            m_share[k] = label(share, k + 1, 1);
            m_mass[k] = label(mass, k + 1, 2);
        }
        const QString finest = QStringLiteral("Доля мельче последнего сита не бывает отрицательной: если "
                                              "минерального порошка больше, чем проходит через это сито, "
                                              "показывается 0.");
        for (QLabel *l : {m_fraction[5], m_share[5], m_mass[5]})
            l->setToolTip(finest);
        label(QStringLiteral("MINPOR_PROMPT"), 7, 0, QStringLiteral("Мин. порошок:"), Qt::AlignLeft);
        m_minpor = label(QStringLiteral("MINPOR"), 7, 1);
        m_mminpor = label(QStringLiteral("MMINPOR"), 7, 2);
        label(QStringLiteral("BIT_PROMPT"), 8, 0, QStringLiteral("Битум:"), Qt::AlignLeft);
        m_bit = label(QStringLiteral("BIT"), 8, 1);
        m_mbit = label(QStringLiteral("MBIT"), 8, 2);
        label(QStringLiteral("SODERZDOBAWKI_PROMPT"), 9, 0, QStringLiteral("Добавка, %:"), Qt::AlignLeft);
        m_additive = label(QStringLiteral("SODERZDOBAWKI"), 9, 1);
        label(QStringLiteral("MSUMMA_PROMPT"), 10, 0, QStringLiteral("ИТОГО:"), Qt::AlignLeft);
        m_total = label(QStringLiteral("MSUMMA"), 10, 2);
        grid->setColumnStretch(3, 1);
    }

    void showRecord(bool haveMixer) override
    {
        static const Picture n51 = Picture::of("n5.1"), n41 = Picture::of("n4.1"), n71 = Picture::of("n7.1"),
                             n42 = Picture::of("n4.2"), n7 = Picture::of("n7");
        const auto show = [](QLabel *l, const Picture &p, double v, bool have) {
            l->setText(have ? p.formatNumber(v).trimmed() : QString());
        };
        BatchRecipe r;
        if (haveMixer) {
            r = design::computeBatch(design::batchInput(GRO, m_state->source, m_state->CHEKKRUP != 0, glob::OTSOS),
                                     design::BatchVariant::GROHOTBROWSE1);
        }
        const auto shaped = [&](int k) {
            return shownShape(GRO.FORMA[k], font()) + design::openingText(r.openings.OTW[std::size_t(k)]);
        };
        for (int k = 0; k < 6; ++k) {
            QString fraction;
            if (haveMixer && k == 0)
                fraction = QStringLiteral("свыше ") + shaped(0);
            else if (haveMixer && k < 5)
                fraction = shaped(k - 1) + QStringLiteral(" - ") + shaped(k);
            else if (haveMixer)
                fraction = QStringLiteral("мельче ") + shaped(4);
            m_fraction[k]->setText(fraction);
            if (k < 5) {
                show(m_share[k], n51, r.SPLT[std::size_t(k)], haveMixer);
                show(m_mass[k], n71, r.MSPL[std::size_t(k)], haveMixer);
            }
        }
        show(m_share[5], n41, r.PESOK, haveMixer);
        show(m_mass[5], n71, r.MPESOK, haveMixer);
        show(m_minpor, n51, r.MINPOR, haveMixer);
        show(m_mminpor, n71, r.MMINPOR, haveMixer);
        show(m_bit, n51, r.BIT, haveMixer);
        show(m_mbit, n71, r.MBIT, haveMixer);
        show(m_additive, n42, m_state->SODERZDOBAWKI, true);
        show(m_total, n7, r.MSUMMA, haveMixer);
    }

private:
    std::shared_ptr<BatchWindowState> m_state;
    QLabel *m_fraction[6] = {}, *m_share[6] = {}, *m_mass[6] = {};
    QLabel *m_minpor = nullptr, *m_mminpor = nullptr, *m_bit = nullptr, *m_mbit = nullptr;
    QLabel *m_additive = nullptr, *m_total = nullptr;
};

const QString kUpdateForm = QStringLiteral("UPDATEGROHOT");

BrowseDeclaration declaration(std::shared_ptr<BatchWindowState> state)
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("GROHOTBROWSE1");
    d.title = QStringLiteral("Рецепт для смесителя");
    d.file = &files::GROHOT;
    d.fileName = QStringLiteral("GROHOT");
    d.orders.push_back({QString(), QString(), files::key::GRO_KEYNUMMIX, {}, false});
    d.columns.push_back(BrowseColumn::number(QStringLiteral("№ Смесителя"), "n3", [] { return REAL(GRO.NUMMIXER); }));
    for (int k = 0; k < 5; ++k) {
        const QString deck = QStringLiteral("Сито %1").arg(k + 1);
        d.columns.push_back(BrowseColumn{QStringLiteral("forma"), Picture::of("s2"),
                                         [k] { return shownShape(GRO.FORMA[k], QFont()); }, 0, deck});
        d.columns.push_back(BrowseColumn::number(QStringLiteral("OTW"), "n5.2", [k] { return GRO.OTW[k][0]; }).inGroup(deck));
        d.columns.push_back(BrowseColumn::number(QStringLiteral("OTW"), "n5.2", [k] { return GRO.OTW[k][1]; }).inGroup(deck));
    }
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Massa Zames"), "n4", [] { return GRO.MASSAZAMES; }));
    d.rows = 4; // three mixers at most

    // The mixers are changed through the catalogue's form, called by name with the request
    // the engine has set (GLOBALREQUEST).
    if (isCalledProcedureRegistered(kUpdateForm)) {
        d.updateForm = [](LONG, QWidget *caller, std::function<void(LONG)> done, WindowHost) -> QWidget * {
            if (!callProcedure(kUpdateForm, caller, done)) {
                glob::GLOBALRESPONSE = glob::RequestCancelled;
                done(glob::RequestCancelled);
            }
            return nullptr;
        };
    }
    d.change = BrowseButton{QStringLiteral("Изменить"), QStringLiteral("CHANGE_2")}; // the "Параметры" button
    d.insert = BrowseButton{QStringLiteral("&Insert"), QStringLiteral("INSERT_2")};
    d.remove = BrowseButton{QStringLiteral("&Delete"), QStringLiteral("DELETE_2")};
    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT_2")};
    d.close = BrowseButton{QStringLiteral("Назад"), QStringLiteral("CLOSE")};

    d.newSelection = [](BrowseWindow &w) {
        if (w.currentChoice() >= 0)
            glob::MIXER = GRO.NUMMIXER;
    };
    d.belowPanel = [state] { return new BatchPanel(state); };

    BrowseExtraButton oversize{QStringLiteral("Удалять негабаритный щебень"), QStringLiteral("CHEKKRUP"),
                               [](BrowseWindow &w) { w.refresh(); }};
    oversize.caption = QStringLiteral("Крупный щебень\nотгрохотать?:");
    oversize.check = &state->CHEKKRUP;
    oversize.beforeClose = true;
    oversize.tip = QStringLiteral("Не дозировать щебень крупнее верхнего сита");
    d.extraButtons.push_back(oversize);

    BrowseExtraButton print{QStringLiteral("Печать"), QStringLiteral("PRINT"), [state](BrowseWindow &w) {
                                const REAL mixer = w.currentChoice() >= 0 ? REAL(GRO.NUMMIXER) : 0;
                                state->putInHand(mixer);
                                MENU_ZAMES(&w, [](LONG) {}, [state, mixer] { state->putInHand(mixer); });
                            }};
    print.caption = QStringLiteral("Распечатать:");
    print.tip = QStringLiteral("Рецепт выделенного смесителя на печать");
    print.beforeClose = true;
    d.extraButtons.push_back(print);
    return d;
}

} // namespace

BrowseWindow *GROHOTBROWSE1()
{
    auto state = std::make_shared<BatchWindowState>();
    state->recipe = POD;
    recipe_state::loadRecipe(POD);
    state->source = design::batchSourceOfDesign();
    state->SODERZDOBAWKI = glob::SODERZDOBAWKI;
    return new BrowseWindow(declaration(state));
}

void registerBatchProcedures()
{
    registerProcedure(QStringLiteral("GROHOTBROWSE1"), [] { return GROHOTBROWSE1(); });
}
