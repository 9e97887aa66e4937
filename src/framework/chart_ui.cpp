#include "framework/chart_ui.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

void paintChart(QPainter &painter, const Chart &chart, const QRectF &target)
{
    if (chart.units.width() <= 0 || chart.units.height() <= 0)
        return;
    const double sx = target.width() / chart.units.width();
    const double sy = target.height() / chart.units.height();
    const double penScale = std::min(sx, sy);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const ChartLine &l : chart.lines) {
        QPolygonF polygon;
        for (const QPointF &p : l.points)
            polygon << QPointF(target.left() + p.x() * sx, target.top() + p.y() * sy);
        QPen pen{QColor::fromRgb(QRgb(0xFF000000u | l.rgb))};
        pen.setWidthF(l.width * penScale);
        pen.setCosmetic(pen.widthF() < 1); // never thinner than a device pixel
        if (pen.isCosmetic())
            pen.setWidth(1);
        painter.setPen(pen);
        painter.drawPolyline(polygon);
    }
    painter.restore();
}

void ChartArea::setChart(Chart chart)
{
    m_chart = std::move(chart);
    update();
}

void ChartArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintChart(painter, m_chart, QRectF(rect()));
}
