#include "ButtonArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace vello {

namespace {

QPolygonF triangle(double x, double y, double w, double h, bool right)
{
    if (right)
        return QPolygonF({QPointF(x, y), QPointF(x + w, y + h / 2), QPointF(x, y + h)});
    return QPolygonF({QPointF(x + w, y), QPointF(x, y + h / 2), QPointF(x + w, y + h)});
}

} // namespace

QPixmap ButtonArt::image(int index, bool pressed, int sizePx)
{
    const int s = qMax(sizePx, 8);
    QPixmap pixmap(s, s);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor face = pressed ? QColor(70, 110, 170) : QColor(225, 228, 235);
    const QColor ink = pressed ? QColor(Qt::white) : QColor(40, 40, 48);
    p.setPen(QPen(QColor(90, 90, 100), 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1.0, s - 1.0), s / 6.0, s / 6.0);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const double m = s * 0.28;
    const double g = s - 2 * m;
    switch (index) {
    case 0: // previous
        p.drawRect(QRectF(m, m, g * 0.18, g));
        p.drawPolygon(triangle(m + g * 0.2, m, g * 0.8, g, false));
        break;
    case 1: // rewind
        p.drawPolygon(triangle(m, m, g / 2, g, false));
        p.drawPolygon(triangle(m + g / 2, m, g / 2, g, false));
        break;
    case 2: // stop
        p.drawRect(QRectF(m, m, g, g));
        break;
    case 3: // play
        p.drawPolygon(triangle(m + g * 0.1, m, g * 0.85, g, true));
        break;
    case 4: // fast forward
        p.drawPolygon(triangle(m, m, g / 2, g, true));
        p.drawPolygon(triangle(m + g / 2, m, g / 2, g, true));
        break;
    case 5: // next
        p.drawPolygon(triangle(m, m, g * 0.8, g, true));
        p.drawRect(QRectF(m + g * 0.82, m, g * 0.18, g));
        break;
    case 6: { // volume
        QPainterPath path;
        path.moveTo(m, m + g * 0.35);
        path.lineTo(m + g * 0.3, m + g * 0.35);
        path.lineTo(m + g * 0.65, m);
        path.lineTo(m + g * 0.65, m + g);
        path.lineTo(m + g * 0.3, m + g * 0.65);
        path.lineTo(m, m + g * 0.65);
        path.closeSubpath();
        p.drawPath(path);
        p.drawRect(QRectF(m + g * 0.8, m + g * 0.3, g * 0.12, g * 0.4));
        break;
    }
    default: // pause
        p.drawRect(QRectF(m + g * 0.1, m, g * 0.3, g));
        p.drawRect(QRectF(m + g * 0.6, m, g * 0.3, g));
        break;
    }
    return pixmap;
}

} // namespace vello
