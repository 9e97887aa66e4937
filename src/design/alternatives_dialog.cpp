#include "design/alternatives_dialog.h"

#include "design/cost.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A cell shown with `decimals` places that sorts by its number.
class NumberCell : public QTableWidgetItem {
public:
    NumberCell(double value, int decimals) : QTableWidgetItem(QString::number(value, 'f', decimals))
    {
        setData(Qt::UserRole, value);
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem &other) const override
    {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

// Enter on the list chooses the row in hand, as a double click does.
class AlternativesTable : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    std::function<void()> enter;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && enter)
            enter();
        else
            QTableWidget::keyPressEvent(event);
    }
};

} // namespace

QDialog *openBlendAlternatives(QWidget *over, const std::vector<blend::Alternative> &alternatives, int n,
                               const std::array<QString, 6> &names, const blend::Shares &prices,
                               std::function<void(const blend::Shares &)> chosen, const AlternativesView &view)
{
    auto *dialog = new QDialog(over);
    dialog->setObjectName(QStringLiteral("ALTERNATIVES"));
    dialog->setWindowTitle(view.title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);

    QStringList headers;
    for (int k = 0; k < n; ++k)
        headers << QStringLiteral("%1\n%2").arg(k + 1).arg(names[k].left(16));
    headers << QStringLiteral("F") << QStringLiteral("Отклонение,\n%") << QStringLiteral("В пределах\nтребований")
            << QStringLiteral("Стоимость 1 т\nмин. части");
    const bool reliable = std::any_of(alternatives.begin(), alternatives.end(),
                                      [](const blend::Alternative &a) { return a.reliability >= 0; });
    if (reliable)
        headers << QStringLiteral("Надёжность,\n%");
    auto *table = new AlternativesTable(int(alternatives.size()), int(headers.size()), dialog);
    table->setObjectName(QStringLiteral("LIST"));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int r = 0; r < int(alternatives.size()); ++r) {
        const blend::Alternative &a = alternatives[std::size_t(r)];
        for (int k = 0; k < n; ++k)
            table->setItem(r, k, new NumberCell(a.J[std::size_t(k)], 0));
        design::CostInput in;
        in.COSTDIMKOMP = prices;
        in.DIMJKOMP = a.J;
        table->setItem(r, n, new NumberCell(a.F, 2));
        table->setItem(r, n + 1, new NumberCell(a.deviation, 2));
        auto *inside = new QTableWidgetItem(a.insideBand ? QStringLiteral("да") : QStringLiteral("нет"));
        inside->setTextAlignment(Qt::AlignCenter);
        table->setItem(r, n + 2, inside);
        table->setItem(r, n + 3, new NumberCell(design::computeCost(in).COSTMZ, 2));
        if (reliable)
            table->setItem(r, n + 4, new NumberCell(a.reliability, 1));
        for (int c = 0; c < table->columnCount(); ++c)
            table->item(r, c)->setData(Qt::UserRole + 1, r); // the alternative a row shows, whatever the order
    }
    if (!view.rowLabels.isEmpty())
        table->setVerticalHeaderLabels(view.rowLabels);
    table->setSortingEnabled(true);
    table->sortByColumn(n, Qt::AscendingOrder);
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    table->selectRow(0);

    auto choose = [dialog, table, alternatives, chosen] {
        const QTableWidgetItem *item = table->item(table->currentRow(), 0);
        if (!item)
            return;
        const blend::Shares shares = alternatives[std::size_t(item->data(Qt::UserRole + 1).toInt())].J;
        dialog->close();
        if (chosen)
            chosen(shares);
    };
    table->enter = choose;
    QObject::connect(table, &QTableWidget::cellDoubleClicked, dialog, choose);

    auto *pick = new QPushButton(QStringLiteral("Выбрать"), dialog);
    pick->setObjectName(QStringLiteral("CHOOSE"));
    auto *close = new QPushButton(QStringLiteral("Закрыть"), dialog);
    close->setObjectName(QStringLiteral("CLOSE"));
    QObject::connect(pick, &QPushButton::clicked, dialog, choose);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(pick);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(table);
    layout->addLayout(buttons);
    table->resizeRowsToContents(); // a row's label may take several lines
    const int rowsHeight = table->verticalHeader()->length() + table->horizontalHeader()->height();
    int width = qMax(560, table->horizontalHeader()->length() + table->verticalHeader()->sizeHint().width() + 60);
    if (const QScreen *screen = over ? over->screen() : nullptr)
        width = qMin(width, screen->availableGeometry().width() - 40); // the list scrolls rather than leave the screen
    dialog->resize(width, qMin(430, rowsHeight + 110));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    table->setFocus();
    return dialog;
}
