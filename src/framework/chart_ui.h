#pragma once
// Paints a Chart (framework/chart.h) with QPainter: in a form's chart area and on report pages.
#include "framework/chart.h"

#include <QRectF>
#include <QWidget>

class QPainter;

// Draws `chart` scaled from its units into `target`; pen widths scale with it (at least one
// device pixel, so that a thin line does not vanish on the screen).
void paintChart(QPainter &painter, const Chart &chart, const QRectF &target);

// A form's chart area: shows its chart scaled to the widget's present size.
class ChartArea : public QWidget {
public:
    explicit ChartArea(QWidget *parent = nullptr) : QWidget(parent) {}
    void setChart(Chart chart);
    const Chart &chart() const { return m_chart; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Chart m_chart;
};
