#pragma once
// A window of fixed rows that a tool computes (the data check's findings, the change history):
// a table, a line that sums it up, and buttons that print it through the report engine, export it
// to CSV like a list, and close it. A window above it adds its own controls to top().
#include "framework/report_engine.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QTableWidget;
class QVBoxLayout;

struct TableColumn {
    QString title;
    double widthMm;  // on paper
    int align = reportalign::kLeft | reportalign::kWrap;
};

class TableWindow : public QWidget {
public:
    // Controls are named `tableName` (the table), Print<tableName>, Export<tableName> and
    // Close<tableName>.
    TableWindow(const QString &objectName, const QString &title, const QString &tableName, std::vector<TableColumn> columns,
                QWidget *parent = nullptr);
    QVBoxLayout *top() const { return m_top; }
    void setRows(std::vector<QStringList> rows, const QString &summary);
    const std::vector<QStringList> &rows() const { return m_rows; }
    std::shared_ptr<ReportDocument> document() const;
    // False (and nothing left behind) when the file cannot be written.
    bool exportCsv(const QString &path) const;

private:
    void askAndExport();
    QString m_title;
    std::vector<TableColumn> m_columns;
    std::vector<QStringList> m_rows;
    QString m_summary;
    QVBoxLayout *m_top;
    QLabel *m_summaryLabel;
    QTableWidget *m_table;
};
