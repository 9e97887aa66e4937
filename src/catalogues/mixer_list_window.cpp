#include "catalogues/mixer_list_window.h"

#include "catalogues/screen_decks.h"
#include "catalogues/mixer_form_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/picture.h"

#include <QLabel>
#include <QPainter>

namespace {

// The screen of the highlighted mixer: decks from the coarsest (top) to the finest.
class ScreenScheme : public BrowsePanel {
public:
    ScreenScheme()
    {
        setObjectName(QStringLiteral("SCHEME"));
        setFixedWidth(200);
        auto label = [this](const QString &name, const QString &text, QRect r) {
            auto *l = new QLabel(text, this);
            l->setObjectName(name);
            l->setGeometry(r);
            return l;
        };
        label(QStringLiteral("SCHEME_SIZE"), QStringLiteral("Размер сит, мм"), QRect(4, 0, 110, 18));
        label(QStringLiteral("SCHEME_SHAPE"), QStringLiteral("Форма ячеек"), QRect(116, 0, 84, 18));
        label(QStringLiteral("SCHEME_MORE"), QStringLiteral("Больше"), QRect(60, 22, 80, 18))->setAlignment(Qt::AlignCenter);
        for (int k = 0; k < 5; ++k) {
            const int y = deckY(k);
            m_opening[k] = label(QStringLiteral("SCHEME_OTW_%1").arg(k + 1), QString(), QRect(24, y - 20, 40, 18));
            m_opening[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_symbol[k] = label(QStringLiteral("SCHEME_FORMA_%1").arg(k + 1), QString(), QRect(140, y - 20, 30, 18));
            m_symbol[k]->setAlignment(Qt::AlignCenter);
        }
        label(QStringLiteral("SCHEME_LESS"), QStringLiteral("Меньше"), QRect(60, deckY(4) + 8, 80, 18))->setAlignment(Qt::AlignCenter);
        setMinimumHeight(deckY(4) + 30);
    }

    // Shows the mixer in GRO; the opening of a deck with another code stays as shown before.
    void showRecord(bool haveMixer) override
    {
        static const Picture n2 = Picture::of("n2");
        if (haveMixer)
            m_inUse = screen_decks::openingsInUse(GRO.FORMA, GRO.OTW, m_inUse);
        for (int k = 0; k < 5; ++k) {
            m_opening[k]->setText(n2.formatNumber(m_inUse[std::size_t(k)]).trimmed());
            m_symbol[k]->setText(haveMixer ? deckSymbol(GRO.FORMA[k].raw(), m_symbol[k]->font()) : QString());
        }
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::WindowText), 2));
        for (int k = 0; k < 5; ++k) // a deck, sloping down to the right as screens do
            p.drawLine(10, deckY(k), 190, deckY(k) + 6);
    }

private:
    static int deckY(int k) { return 64 + k * 40; }

    QLabel *m_opening[5] = {};
    QLabel *m_symbol[5] = {};
    std::array<REAL, 5> m_inUse{}; // 0 when the window opens
};

} // namespace

QString deckSymbol(const QByteArray &code, const QFont &font)
{
    FixedString<2> forma;
    forma.setRaw(code);
    const QFontMetrics metrics(font);
    switch (screen_decks::deckShape(forma)) {
    case screen_decks::DeckShape::Round:
        return metrics.inFontUcs4(0x2300) ? QString(QChar(0x2300)) : QStringLiteral("Ø");
    case screen_decks::DeckShape::Square:
        return metrics.inFontUcs4(0x25A1) ? QString(QChar(0x25A1)) : QStringLiteral("#");
    case screen_decks::DeckShape::Other: break;
    }
    return {};
}

BrowseDeclaration GROHOTBROWSE11Declaration()
{
    BrowseDeclaration d;
    d.procedure = QStringLiteral("GROHOTBROWSE11");
    d.title = QStringLiteral("Параметры грохотов");
    d.file = &files::GROHOT;
    d.fileName = QStringLiteral("GROHOT");
    d.orders.push_back({QString(), QString(), files::key::GRO_KEYNUMMIX, {}, false});
    d.columns.push_back(BrowseColumn::number(QStringLiteral("№ Смесителя"), "n3", [] { return REAL(GRO.NUMMIXER); }));
    for (int k = 0; k < 5; ++k) { // each deck's three columns under its name
        const Picture s2 = Picture::of("s2");
        const QString deck = QStringLiteral("Сито %1").arg(k + 1);
        d.columns.push_back(BrowseColumn{QStringLiteral("forma"), s2,
                                         [k] { return deckSymbol(GRO.FORMA[k].raw(), QFont()); }, 0, deck});
        d.columns.push_back(BrowseColumn::number(QStringLiteral("OTW"), "n5.2", [k] { return GRO.OTW[k][0]; }).inGroup(deck));
        d.columns.push_back(BrowseColumn::number(QStringLiteral("OTW"), "n5.2", [k] { return GRO.OTW[k][1]; }).inGroup(deck));
    }
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Massa Zames"), "n4", [] { return GRO.MASSAZAMES; }));
    d.change = BrowseButton{QStringLiteral("Изменить"), QStringLiteral("CHANGE_2")}; // the "Параметры" button
    d.insert = BrowseButton{QStringLiteral("&Insert"), QStringLiteral("INSERT_2")};
    d.remove = BrowseButton{QStringLiteral("&Delete"), QStringLiteral("DELETE_2")};
    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT_2")};
    d.close = BrowseButton{QStringLiteral("Закрыть окно"), QStringLiteral("CLOSE")};
    d.updateForm = UPDATEGROHOT;
    d.caption = QStringLiteral("Выбор смесителя");
    d.besidePanel = [] { return new ScreenScheme; };
    return d;
}

BrowseWindow *GROHOTBROWSE11() { return new BrowseWindow(GROHOTBROWSE11Declaration()); }
