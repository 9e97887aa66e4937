#pragma once
// A chart as plain data: polylines and lines in the units of the area they are laid out in
// (a form's own pixels, a report page's millimetres), each with its colour and pen width.
// paintChart() (chart_ui.h) draws it scaled into any rectangle of any painter, so a window
// and a report page show the same chart from the same description.
#include <QPointF>
#include <QSizeF>

#include <vector>

struct ChartLine {
    std::vector<QPointF> points; // two for a line, more for a polyline
    unsigned rgb = 0;            // 0xRRGGBB
    double width = 1;            // pen width, in the chart's units
};

struct Chart {
    QSizeF units;                // the area the points are laid out in; (0,0) top left, y down
    std::vector<ChartLine> lines;

    void clear() { lines.clear(); }
    void polyline(std::vector<QPointF> points, unsigned rgb = 0, double width = 1)
    {
        if (points.size() >= 2)
            lines.push_back({std::move(points), rgb, width});
    }
    void line(QPointF from, QPointF to, unsigned rgb = 0, double width = 1) { polyline({from, to}, rgb, width); }
};
