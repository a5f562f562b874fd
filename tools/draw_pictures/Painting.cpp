#include "Painting.h"

#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace pictures {

QColor chromeAt(double t)
{
    const double highlight = std::exp(-std::pow((t + 0.35) / 0.22, 2));
    const double v = std::min(1.0, 0.62 - 0.22 * t + 0.45 * highlight);
    return QColor(int(150 * v + 40), int(158 * v + 40), int(168 * v + 45));
}

QColor ceramicAt(double t)
{
    const double v = 0.985 - 0.10 * t * t;
    return QColor(int(250 * v), int(251 * v), int(253 * v));
}

QLinearGradient shaded(QPointF from, QPointF to, const Shade &shade)
{
    QLinearGradient gradient(from, to);
    const int steps = 24;
    for (int i = 0; i <= steps; ++i)
        gradient.setColorAt(double(i) / steps, shade(2.0 * i / steps - 1.0));
    return gradient;
}

QLinearGradient across(const QRectF &r, const Shade &shade) { return shaded(r.topLeft(), r.topRight(), shade); }

QLinearGradient down(const QRectF &r, const Shade &shade) { return shaded(r.topLeft(), r.bottomLeft(), shade); }

QLinearGradient vertical(const QRectF &r, const QColor &top, const QColor &bottom)
{
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

QPainterPath rounded(const QRectF &r, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath ellipse(QPointF centre, double rx, double ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

QPainterPath polygon(const QPolygonF &points)
{
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    return path;
}

QPainterPath capsule(QPointF a, QPointF b, double radius)
{
    QPainterPath line(a);
    line.lineTo(b);
    QPainterPathStroker stroker;
    stroker.setWidth(2 * radius);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(line).simplified();
}

QPainterPath drop(QPointF tip, double height)
{
    const double r = height * 0.36;
    const QPointF c(tip.x(), tip.y() + height - r);
    QPainterPath path(tip);
    path.cubicTo(tip + QPointF(r * 0.3, r * 0.8), c + QPointF(r, -r * 0.7), c + QPointF(r, 0));
    path.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 0, -180);
    path.cubicTo(c + QPointF(-r, -r * 0.7), tip + QPointF(-r * 0.3, r * 0.8), tip);
    return path;
}

QPainterPath wave(double x0, double x1, double y, double amplitude, int periods)
{
    const double half = (x1 - x0) / (2 * periods);
    QPainterPath path(QPointF(x0, y));
    for (int i = 0; i < 2 * periods; ++i) {
        const double x = x0 + i * half;
        const double dy = (i % 2 ? amplitude : -amplitude) * 1.33;
        path.cubicTo(x + half * 0.33, y + dy, x + half * 0.67, y + dy, x + half, y);
    }
    return path;
}

void part(QPainter &p, const QPainterPath &path, const QBrush &fill, double outline, const QColor &line)
{
    p.setPen(outline > 0 ? QPen(line, outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawPath(path);
}

void stroke(QPainter &p, const QPainterPath &path, const QColor &colour, double width)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void shadow(QPainter &p, QPointF centre, double rx, double ry, int alpha)
{
    QRadialGradient gradient(QPointF(0, 0), rx);
    gradient.setColorAt(0, QColor(0, 0, 0, alpha));
    gradient.setColorAt(0.7, QColor(0, 0, 0, alpha / 3));
    gradient.setColorAt(1, QColor(0, 0, 0, 0));
    p.save();
    p.translate(centre);
    p.scale(1, ry / rx);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawEllipse(QPointF(0, 0), rx, rx);
    p.restore();
}

void glossyDot(QPainter &p, QPointF centre, double radius, const QColor &colour)
{
    QRadialGradient body(centre + QPointF(-radius * 0.3, -radius * 0.35), radius * 1.3);
    body.setColorAt(0, colour.lighter(165));
    body.setColorAt(0.55, colour);
    body.setColorAt(1, colour.darker(150));
    part(p, ellipse(centre, radius, radius), body, std::max(0.8, radius * 0.12), colour.darker(230));
    QLinearGradient gloss(centre - QPointF(0, radius), centre);
    gloss.setColorAt(0, QColor(255, 255, 255, 210));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    part(p, ellipse(centre - QPointF(0, radius * 0.42), radius * 0.62, radius * 0.42), gloss, 0);
}

QFont font(int pixelSize, bool bold)
{
    QFont f(kFontFamily);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QPainterPath fittedText(const QString &text, const QFont &f, const QRectF &box)
{
    QPainterPath path;
    path.addText(0, 0, f, text);
    const QRectF bounds = path.boundingRect();
    const double scale = std::min(box.width() / bounds.width(), box.height() / bounds.height());
    QTransform t;
    t.translate(box.left(), box.center().y());
    t.scale(scale, scale);
    t.translate(-bounds.left(), -bounds.center().y());
    return t.map(path);
}

void emblem(QPainter &p, QPointF tip, double height)
{
    const QPainterPath shape = drop(tip, height);
    const QRectF box = shape.boundingRect();
    part(p, shape, vertical(box, kBrandLight, kBrandBlue), 1.2, kBrandBlue.darker(140));
    p.save();
    p.setClipPath(shape);
    const double waterLine = box.top() + box.height() * 0.62;
    const QPainterPath surface = wave(box.left() - 2, box.right() + 2, waterLine, height * 0.05, 2);
    QPainterPath water = surface;
    water.lineTo(box.right() + 2, box.bottom() + 2);
    water.lineTo(box.left() - 2, box.bottom() + 2);
    part(p, water, vertical(box.adjusted(0, box.height() * 0.6, 0, 0), kBrandBlue, kNavy), 0);
    stroke(p, surface, Qt::white, height * 0.065);
    p.restore();
    QPainterPath shine(tip + QPointF(-height * 0.06, height * 0.22));
    shine.quadTo(tip + QPointF(-height * 0.2, height * 0.4), tip + QPointF(-height * 0.2, height * 0.52));
    stroke(p, shine, QColor(255, 255, 255, 180), height * 0.06);
}

} // namespace pictures
