#include "journals/property_trends_window.h"

#include "data/conformity_zone.h"
#include "data/files.h"
#include "data/globals.h"
#include "framework/csvfile.h"
#include "framework/procedures_ui.h"
#include "framework/reportpaint_ui.h"
#include "framework/reportprogress_window.h"
#include "framework/warnings.h"
#include "journals/property_trends.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

std::function<QString(const QString &)> g_csvPathHook;

LONG toDay(const QDate &d) { return dates::fromYmd(d.year(), d.month(), d.day()); }
QDate toDate(LONG day)
{
    int y = 0, m = 0, d = 0;
    return dates::toYmd(day, y, m, d) ? QDate(y, m, d) : QDate();
}

class PropertyTrendsWindow : public QWidget {
public:
    explicit PropertyTrendsWindow(REAL recipe) : m_recipe(recipe)
    {
        setObjectName(QStringLiteral("PROPERTYTRENDS"));
        setWindowTitle(quality::trendTitle());
        setAttribute(Qt::WA_DeleteOnClose);

        m_property = new QComboBox(this);
        m_property->setObjectName(QStringLiteral("PROPERTY"));
        for (const quality::TrendInfo &t : quality::trends())
            m_property->addItem(t.name, int(t.trend));
        m_from = dateEdit(QStringLiteral("DATEFROM"));
        m_to = dateEdit(QStringLiteral("DATETO"));
        m_wholeType = new QCheckBox(QStringLiteral("Все рецепты этого типа"), this);
        m_wholeType->setObjectName(QStringLiteral("WHOLETYPE"));
        m_wholeType->setToolTip(QStringLiteral("Сравнить рецепты одного типа: по линии на рецепт"));
        m_heading = new QLabel(this);
        m_heading->setObjectName(QStringLiteral("HEADING"));
        m_chart = new ReportPageView(this);
        m_chart->setObjectName(QStringLiteral("CHART"));
        m_chart->setMinimumSize(640, 330);
        m_stats = new QTableWidget(this);
        m_stats->setObjectName(QStringLiteral("STATISTICS"));
        m_stats->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_stats->verticalHeader()->hide();
        m_stats->setMinimumHeight(80);
        m_stats->setMaximumHeight(140);

        auto *choice = new QHBoxLayout;
        choice->addWidget(new QLabel(QStringLiteral("Показатель:"), this));
        choice->addWidget(m_property, 1);
        choice->addWidget(new QLabel(QStringLiteral("с"), this));
        choice->addWidget(m_from);
        choice->addWidget(new QLabel(QStringLiteral("по"), this));
        choice->addWidget(m_to);
        choice->addWidget(m_wholeType);
        auto *buttons = new QHBoxLayout;
        buttons->addStretch(1);
        for (auto [text, name, action] : {std::tuple{"Печать...", "PRINT", &PropertyTrendsWindow::print},
                                          std::tuple{"Экспорт в CSV...", "EXPORTCSV", &PropertyTrendsWindow::exportCsv},
                                          std::tuple{"Закрыть", "CLOSE", &PropertyTrendsWindow::closeWindow}}) {
            auto *b = new QPushButton(QString::fromUtf8(text), this);
            b->setObjectName(QLatin1String(name));
            connect(b, &QPushButton::clicked, this, action);
            buttons->addWidget(b);
        }
        auto *layout = new QVBoxLayout(this);
        layout->addLayout(choice);
        layout->addWidget(m_heading);
        layout->addWidget(m_chart, 1);
        layout->addWidget(m_stats);
        layout->addLayout(buttons);

        // The period opens on every test of the recipe (read once, shown as the dates it spans).
        reload();
        LONG first = dates::today(), last = dates::today();
        for (const lab::ChartSeries &s : m_view.series)
            if (!s.dates.empty()) {
                first = std::min(first, s.dates.front());
                last = std::max(last, s.dates.back());
            }
        m_from->setDate(toDate(first));
        m_to->setDate(toDate(last));
        m_opened = true;
        connect(m_property, &QComboBox::currentIndexChanged, this, &PropertyTrendsWindow::reload);
        connect(m_from, &QDateEdit::dateChanged, this, &PropertyTrendsWindow::reload);
        connect(m_to, &QDateEdit::dateChanged, this, &PropertyTrendsWindow::reload);
        connect(m_wholeType, &QCheckBox::toggled, this, &PropertyTrendsWindow::reload);
        resize(820, 600);
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        drawChart();
    }

private:
    static QString zone() { return conformity_zone::current(); }

    QDateEdit *dateEdit(const QString &name)
    {
        auto *e = new QDateEdit(this);
        e->setObjectName(name);
        e->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        e->setCalendarPopup(true);
        return e;
    }

    quality::Trend trend() const { return quality::Trend(m_property->currentData().toInt()); }

    void reload()
    {
        // Before the period is set the window reads every test (0: open).
        const LONG from = m_opened ? toDay(m_from->date()) : 0, to = m_opened ? toDay(m_to->date()) : 0;
        m_view = quality::buildTrendView(m_recipe, trend(), from, to, m_wholeType->isChecked(), zone());
        m_heading->setText(m_view.heading);
        const QStringList headers = quality::statisticsHeaders();
        m_stats->clear();
        m_stats->setColumnCount(int(headers.size()));
        m_stats->setHorizontalHeaderLabels(headers);
        m_stats->setRowCount(int(m_view.statistics.size()));
        for (int r = 0; r < int(m_view.statistics.size()); ++r) {
            const QStringList &cells = m_view.statistics[std::size_t(r)];
            for (int c = 0; c < cells.size(); ++c)
                m_stats->setItem(r, c, new QTableWidgetItem(cells[c]));
            if (cells.size() == 2) // "нет испытаний" across the row
                m_stats->setSpan(r, 1, 1, int(headers.size()) - 1);
        }
        m_stats->resizeColumnsToContents();
        drawChart();
    }

    // The chart laid out in the millimetres the widget shows: the paper's drawing, filling it.
    void drawChart()
    {
        const QSizeF mm = m_chart->sizeMm();
        if (mm.width() < 40 || mm.height() < 30)
            return;
        const quality::TrendInfo &info = quality::trendInfo(trend());
        ReportPage page;
        page.items = lab::controlChartBand(m_view.series, m_view.norm, info.decimals, info.name, mm).items;
        m_chart->setPage(std::move(page), mm);
    }

    void print()
    {
        auto doc = std::make_shared<ReportDocument>(
            quality::trendDocument(m_view, toDay(m_from->date()), toDay(m_to->date())));
        previewReport(doc, quality::trendTitle());
    }

    void exportCsv()
    {
        const QString suggested =
            csv::safeFileName(QStringLiteral("Динамика %1 № %2.csv")
                                  .arg(quality::trendInfo(trend()).name.section(QLatin1Char(','), 0, 0),
                                       QString::number(m_recipe, 'g', 10)));
        const QString path = g_csvPathHook ? g_csvPathHook(suggested)
                                           : QFileDialog::getSaveFileName(this, QStringLiteral("Экспорт в CSV"), suggested,
                                                                          QStringLiteral("CSV (*.csv)"));
        if (path.isEmpty())
            return;
        CsvFile file(path);
        bool ok = file.open();
        for (const QStringList &line : quality::trendCsvLines(m_view))
            ok = ok && file.writeLine(line);
        if (!(ok && file.commit()))
            showMessage(QStringLiteral("Файл не записан: %1").arg(file.errorString()), quality::trendTitle());
    }

    void closeWindow() { closeHostedWindow(this); }

    REAL m_recipe;
    bool m_opened = false;
    quality::TrendView m_view;
    QComboBox *m_property;
    QDateEdit *m_from, *m_to;
    QCheckBox *m_wholeType;
    QLabel *m_heading;
    ReportPageView *m_chart;
    QTableWidget *m_stats;
};

} // namespace

QWidget *PROPERTYTRENDS() { return new PropertyTrendsWindow(POD.NUM); }

void setTrendCsvPathHook(std::function<QString(const QString &)> hook) { g_csvPathHook = std::move(hook); }

void registerPropertyTrendProcedures()
{
    registerProcedure(QStringLiteral("PROPERTYTRENDS"), []() -> QWidget * { return PROPERTYTRENDS(); });
}
