#include "app/emblems.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// Each emblem is drawn on a 100 x 100 canvas inside a coloured disc.
void drawDisc(QPainter &p, const QColor &fill)
{
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.setBrush(fill);
    p.drawEllipse(QRectF(3, 3, 94, 94));
    QPainterPath inside;
    inside.addEllipse(QRectF(4.5, 4.5, 91, 91));
    p.setClipPath(inside); // the picture stays inside the disc's rim
}

void drawRoad(QPainter &p)
{
    drawDisc(p, QColor(120, 170, 220));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 160, 80));
    p.drawChord(QRectF(3, 3, 94, 94), 180 * 16, 180 * 16); // green ground below the horizon
    QPainterPath road;
    road.moveTo(44, 50);
    road.lineTo(56, 50);
    road.lineTo(80, 90);
    road.lineTo(20, 90);
    road.closeSubpath();
    p.setBrush(QColor(60, 60, 60));
    p.drawPath(road);
    p.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i) {
        const qreal y = 54 + i * 12, h = 5 + i * 2, w = 1.5 + i;
        p.drawRect(QRectF(50 - w / 2, y, w, h));
    }
    p.setClipping(false);
    p.setPen(QPen(QColor(40, 40, 40), 3)); // the rim again, over the road
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(3, 3, 94, 94));
}

void drawAggregate(QPainter &p)
{
    drawDisc(p, QColor(235, 200, 120));
    const struct { qreal x, y, w, h; int grey; } stones[] = {
        {22, 52, 26, 20, 110}, {46, 48, 30, 24, 140}, {34, 32, 24, 20, 90},
        {58, 30, 20, 18, 160}, {18, 70, 22, 14, 130}, {42, 68, 28, 18, 100}, {66, 66, 18, 16, 150},
    };
    p.setPen(QPen(QColor(50, 40, 30), 1.5));
    for (const auto &s : stones) {
        p.setBrush(QColor(s.grey, s.grey - 10, s.grey - 25));
        p.drawEllipse(QRectF(s.x, s.y, s.w, s.h));
    }
}

void drawFlask(QPainter &p)
{
    drawDisc(p, QColor(170, 215, 170));
    QPainterPath flask;
    flask.moveTo(42, 16);
    flask.lineTo(58, 16);
    flask.lineTo(58, 42);
    flask.lineTo(80, 82);
    flask.lineTo(20, 82);
    flask.lineTo(42, 42);
    flask.closeSubpath();
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.setBrush(QColor(245, 245, 250));
    p.drawPath(flask);
    QPainterPath liquid;
    liquid.moveTo(31, 62);
    liquid.lineTo(69, 62);
    liquid.lineTo(80, 82);
    liquid.lineTo(20, 82);
    liquid.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30)); // bitumen
    p.drawPath(liquid);
    p.setClipping(false);
}

} // namespace

QPixmap emblemPixmap(Emblem emblem, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);
    switch (emblem) {
    case Emblem::Road: drawRoad(p); break;
    case Emblem::Aggregate: drawAggregate(p); break;
    case Emblem::Flask: drawFlask(p); break;
    }
    return pixmap;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(emblemPixmap(Emblem::Road, size));
    return icon;
}
