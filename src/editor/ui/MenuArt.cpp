#include "MenuArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace vello::editor {

namespace {

// A strip of film: a dark band with perforations and a light frame.
void drawFilm(QPainter& p, const QRectF& r, const QColor& frame)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(45, 48, 58));
    p.drawRoundedRect(r, r.height() * 0.08, r.height() * 0.08);
    const double hole = r.height() * 0.12;
    p.setBrush(QColor(235, 235, 240));
    for (double x = r.left() + hole * 0.6; x + hole < r.right(); x += hole * 1.8) {
        p.drawRect(QRectF(x, r.top() + hole * 0.4, hole, hole * 0.8));
        p.drawRect(QRectF(x, r.bottom() - hole * 1.2, hole, hole * 0.8));
    }
    p.setBrush(frame);
    p.drawRect(
        QRectF(r.left() + r.width() * 0.12, r.top() + hole * 1.7, r.width() * 0.76, r.height() - hole * 3.4));
}

void drawGear(QPainter& p, const QPointF& c, double radius)
{
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a = M_PI * i / teeth;
        const double r = (i % 2 == 0) ? radius : radius * 0.78;
        const QPointF a1(c.x() + r * std::cos(a - M_PI / (teeth * 2.2)),
                         c.y() + r * std::sin(a - M_PI / (teeth * 2.2)));
        const QPointF a2(c.x() + r * std::cos(a + M_PI / (teeth * 2.2)),
                         c.y() + r * std::sin(a + M_PI / (teeth * 2.2)));
        if (i == 0)
            gear.moveTo(a1);
        else
            gear.lineTo(a1);
        gear.lineTo(a2);
    }
    gear.closeSubpath();
    gear.addEllipse(c, radius * 0.32, radius * 0.32);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(QColor(60, 60, 70), radius * 0.05));
    p.setBrush(QColor(150, 155, 170));
    p.drawPath(gear);
}

} // namespace

QPixmap MenuArt::picture(Picture which, int sizePx)
{
    const int s = qMax(sizePx, 16);
    QPixmap pixmap(s, s);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double u = s / 32.0;
    switch (which) {
    case Picture::RaJoin: {
        drawFilm(p, QRectF(2 * u, 4 * u, 12 * u, 11 * u), QColor(120, 170, 230));
        drawFilm(p, QRectF(18 * u, 4 * u, 12 * u, 11 * u), QColor(230, 170, 110));
        p.setPen(QPen(QColor(40, 120, 60), 2.5 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16 * u, 17 * u), QPointF(16 * u, 23 * u));
        p.drawLine(QPointF(13 * u, 20 * u), QPointF(19 * u, 20 * u));
        drawFilm(p, QRectF(4 * u, 24 * u, 24 * u, 7 * u), QColor(170, 200, 150));
        break;
    }
    case Picture::MpgJoin: {
        drawFilm(p, QRectF(2 * u, 3 * u, 28 * u, 14 * u), QColor(200, 120, 120));
        drawFilm(p, QRectF(2 * u, 17 * u, 28 * u, 12 * u), QColor(120, 120, 200));
        break;
    }
    case Picture::RaCut: {
        drawFilm(p, QRectF(2 * u, 3 * u, 28 * u, 12 * u), QColor(120, 170, 230));
        p.setPen(QPen(QColor(60, 60, 70), 2 * u));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(10 * u, 25 * u), 4 * u, 4 * u);
        p.drawEllipse(QPointF(22 * u, 25 * u), 4 * u, 4 * u);
        p.setPen(QPen(QColor(170, 175, 185), 2.2 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(13 * u, 22 * u), QPointF(24 * u, 9 * u));
        p.drawLine(QPointF(19 * u, 22 * u), QPointF(8 * u, 9 * u));
        break;
    }
    case Picture::Settings:
        drawGear(p, QPointF(16 * u, 16 * u), 13 * u);
        break;
    }
    return pixmap;
}

} // namespace vello::editor
