#include "catalogues/grohotbrowse11_window.h"

#include "catalogues/grohot_scheme.h"
#include "catalogues/updategrohot_window.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/picture.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QTabBar>
#include <QTableView>
#include <QTimer>

namespace {

// The screen of the highlighted mixer: decks from the coarsest (top) to the finest.
class ScreenScheme : public QWidget {
public:
    explicit ScreenScheme(QWidget *parent) : QWidget(parent)
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
    void show(bool haveMixer)
    {
        static const Picture n2 = Picture::of("n2");
        if (haveMixer)
            m_inUse = grohot::openingsInUse(GRO.FORMA, GRO.OTW, m_inUse);
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

// Calls `changed` after each repaint of the watched widget.
class RepaintWatch : public QObject {
public:
    RepaintWatch(QObject *parent, std::function<void()> changed) : QObject(parent), m_changed(std::move(changed)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_changed();
        return false;
    }

private:
    std::function<void()> m_changed;
};

// Puts the caption over the list and the schematic beside it, and keeps the schematic on the
// highlighted mixer.
void attachScheme(BrowseWindow *list)
{
    auto *outer = qobject_cast<QBoxLayout *>(list->layout());
    if (!outer || outer->count() < 2)
        return;
    auto *caption = new QLabel(QStringLiteral("Выбор смесителя"), list);
    caption->setObjectName(QStringLiteral("CAPTION"));
    outer->insertWidget(1, caption);
    auto *listRow = qobject_cast<QBoxLayout *>(outer->itemAt(2)->layout());
    auto *scheme = new ScreenScheme(list);
    if (listRow) {
        listRow->addSpacing(8);
        listRow->addWidget(scheme);
    }
    if (auto *tabs = list->findChild<QTabBar *>(QStringLiteral("CURRENTTAB")))
        tabs->hide(); // one unnamed order: no tab to show
    list->setMinimumSize(0, 0); // the opening size now includes the schematic
    list->setMinimumSize(list->sizeHint());
    list->resize(list->sizeHint());
    auto update = [list, scheme] {
        const auto &entries = list->page()->entries();
        const int row = list->currentChoice();
        const bool have = row >= 0 && row < int(entries.size());
        RecordBuffer &buffer = files::GROHOT.buffer();
        const Row kept = buffer.save();
        if (have)
            buffer.load(entries[std::size_t(row)].record);
        scheme->show(have);
        buffer.load(kept);
    };
    auto later = [list, update] { QTimer::singleShot(0, list, update); };
    // The engine moves the highlight without selection signals but always repaints the list.
    auto *view = list->findChild<QTableView *>(QStringLiteral("BROWSE_1"));
    view->viewport()->installEventFilter(new RepaintWatch(view->viewport(), later));
    later();
}

} // namespace

QString deckSymbol(const QByteArray &code, const QFont &font)
{
    FixedString<2> forma;
    forma.setRaw(code);
    const QFontMetrics metrics(font);
    switch (grohot::deckShape(forma)) {
    case grohot::DeckShape::Round:
        return metrics.inFontUcs4(0x2300) ? QString(QChar(0x2300)) : QStringLiteral("Ø");
    case grohot::DeckShape::Square:
        return metrics.inFontUcs4(0x25A1) ? QString(QChar(0x25A1)) : QStringLiteral("#");
    case grohot::DeckShape::Other: break;
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
    for (int k = 0; k < 5; ++k) {
        const Picture s2 = Picture::of("s2");
        d.columns.push_back({QStringLiteral("forma"), s2, [k] { return deckSymbol(GRO.FORMA[k].raw(), QFont()); }, 0});
        d.columns.push_back(BrowseColumn::number(QStringLiteral("OTW"), "n5.2", [k] { return GRO.OTW[k][0]; }));
        d.columns.push_back(BrowseColumn::number(QStringLiteral("OTW"), "n5.2", [k] { return GRO.OTW[k][1]; }));
    }
    d.columns.push_back(BrowseColumn::number(QStringLiteral("Massa Zames"), "n4", [] { return GRO.MASSAZAMES; }));
    d.change = BrowseButton{QStringLiteral("Изменить"), QStringLiteral("CHANGE_2")}; // the "Параметры" button
    d.insert = BrowseButton{QStringLiteral("&Insert"), QStringLiteral("INSERT_2")};
    d.remove = BrowseButton{QStringLiteral("&Delete"), QStringLiteral("DELETE_2")};
    d.select = BrowseButton{QStringLiteral("&Select"), QStringLiteral("SELECT_2")};
    d.close = BrowseButton{QStringLiteral("Закрыть окно"), QStringLiteral("CLOSE")};
    d.updateForm = [](QWidget *list, std::function<void()> done) {
        UPDATEGROHOT(glob::GLOBALREQUEST, list, [done = std::move(done)](LONG) { done(); });
    };
    return d;
}

BrowseWindow *GROHOTBROWSE11()
{
    auto *list = new BrowseWindow(GROHOTBROWSE11Declaration());
    attachScheme(list);
    return list;
}
