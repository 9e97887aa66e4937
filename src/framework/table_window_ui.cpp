#include "framework/table_window_ui.h"

#include "framework/csvfile.h"
#include "framework/list_window.h"
#include "framework/warnings.h"
#include "framework/reportprogress_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TableWindow::TableWindow(const QString &objectName, const QString &title, const QString &tableName,
                         std::vector<TableColumn> columns, QWidget *parent)
    : QWidget(parent), m_title(title), m_columns(std::move(columns))
{
    setObjectName(objectName);
    setWindowTitle(title);
    m_table = new QTableWidget(0, int(m_columns.size()), this);
    m_table->setObjectName(tableName);
    QStringList headers;
    for (auto &c : m_columns)
        headers << c.title;
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_summaryLabel = new QLabel(this);
    auto button = [&](const QString &name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name + tableName);
        return b;
    };
    QPushButton *print = button(QStringLiteral("Print"), QStringLiteral("&Печать"));
    QPushButton *exportCsv = button(QStringLiteral("Export"), QStringLiteral("&Экспорт в CSV..."));
    QPushButton *close = button(QStringLiteral("Close"), QStringLiteral("&Закрыть"));
    connect(print, &QPushButton::clicked, this, [this] { previewReport(document(), m_title); });
    connect(exportCsv, &QPushButton::clicked, this, [this] { askAndExport(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print);
    buttons->addWidget(exportCsv);
    buttons->addWidget(close);
    m_top = new QVBoxLayout;
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_top);
    layout->addWidget(m_summaryLabel);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    resize(900, 460);
}

void TableWindow::setRows(std::vector<QStringList> rows, const QString &summary)
{
    m_rows = std::move(rows);
    m_summary = summary;
    m_summaryLabel->setText(summary);
    m_table->setRowCount(int(m_rows.size()));
    for (int r = 0; r < int(m_rows.size()); ++r)
        for (int c = 0; c < int(m_columns.size()); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(m_rows[std::size_t(r)].value(c)));
    m_table->resizeColumnsToContents();
    for (int c = 0; c < m_table->columnCount(); ++c) // a long text wraps on paper, not off screen
        m_table->setColumnWidth(c, qMin(m_table->columnWidth(c), 420));
}

std::shared_ptr<ReportDocument> TableWindow::document() const
{
    ReportTable t;
    t.title = m_title;
    for (auto &c : m_columns)
        t.columns.push_back({c.title, c.widthMm, c.align});
    double width = 0;
    for (auto &c : m_columns)
        width += c.widthMm;
    ReportDocument::Layout page;
    page.leftMm = 12;
    if (width > 186) // wider than a portrait page
        page.pageMm = QSizeF(297, 210);
    auto doc = std::make_shared<ReportDocument>(t.layout(page));
    for (const QStringList &row : m_rows)
        doc->printDetail(t.rowOf(row));
    doc->finish();
    return doc;
}

bool TableWindow::exportCsv(const QString &path) const
{
    CsvFile file(path);
    QStringList headers;
    for (auto &c : m_columns)
        headers << c.title;
    bool ok = file.open() && file.writeLine(headers);
    for (std::size_t r = 0; ok && r < m_rows.size(); ++r)
        ok = file.writeLine(m_rows[r]);
    return ok && file.commit();
}

void TableWindow::askAndExport()
{
    const QString suggested = QDir(dataDirectory()).filePath(csv::safeFileName(m_title) + QStringLiteral(".csv"));
    QString path = BrowseWindow::askCsvPath(this, suggested);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    if (!exportCsv(path))
        showMessage(QStringLiteral("Файл не записан:\n%1").arg(QDir::toNativeSeparators(path)), m_title, MessageIcon::Exclamation);
}
