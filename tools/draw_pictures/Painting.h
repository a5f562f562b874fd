#pragma once
// The drawing kit of the pictures: colours, shading across a part, path
// shapes and the painting of an outlined part. Same drawing style as the
// product pictures: chrome shaded across its width like a cylinder, glazed
// ceramics, a dark outline around every part.

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <functional>

namespace pictures {

inline const QString kFontFamily = QStringLiteral("DejaVu Sans");
inline const QColor kOutline(70, 74, 82);
inline const QColor kSensor(28, 30, 36);
inline const QColor kLedGreen(40, 190, 80);
inline const QColor kBrandBlue(14, 84, 166);
inline const QColor kBrandLight(72, 164, 238);
inline const QColor kNavy(14, 40, 86);

using Shade = std::function<QColor(double)>;
using Drawing = std::function<void(QPainter &)>;

// Polished metal across a cylinder: t runs from -1 to 1.
QColor chromeAt(double t);
// Glazed white surface, slightly darker towards its edges.
QColor ceramicAt(double t);

// A gradient from `from` (t = -1) to `to` (t = 1) following a shading function.
QLinearGradient shaded(QPointF from, QPointF to, const Shade &shade);
QLinearGradient across(const QRectF &r, const Shade &shade);
QLinearGradient down(const QRectF &r, const Shade &shade);
QLinearGradient vertical(const QRectF &r, const QColor &top, const QColor &bottom);

QPainterPath rounded(const QRectF &r, double radius);
QPainterPath ellipse(QPointF centre, double rx, double ry);
QPainterPath polygon(const QPolygonF &points);
// A thick line with round ends.
QPainterPath capsule(QPointF a, QPointF b, double radius);
// A water drop with its tip at the top.
QPainterPath drop(QPointF tip, double height);
// A wavy line of `periods` waves from x0 to x1.
QPainterPath wave(double x0, double x1, double y, double amplitude, int periods);

void part(QPainter &p, const QPainterPath &path, const QBrush &fill, double outline = 1.2,
          const QColor &line = kOutline);
void stroke(QPainter &p, const QPainterPath &path, const QColor &colour, double width);
// A soft elliptic shadow on the surface something stands on.
void shadow(QPainter &p, QPointF centre, double rx, double ry, int alpha);
// A shiny ball lit from the top left.
void glossyDot(QPainter &p, QPointF centre, double radius, const QColor &colour);

QFont font(int pixelSize, bool bold);
// Text as a path, scaled to fit `box` and aligned to its left and vertical centre.
QPainterPath fittedText(const QString &text, const QFont &f, const QRectF &box);

// The brand's water drop, on the logo and on the bus adapter.
void emblem(QPainter &p, QPointF tip, double height);

} // namespace pictures
