// The logo, the state icons, the hour glass and the application icon.
#include "Pictures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pictures {
namespace {

// The two glass bulbs centred on the origin; the frame around them is 18 x 28.
QPainterPath hourglassBulbs()
{
    QPainterPath path(QPointF(-6, -11.5));
    path.lineTo(6, -11.5);
    path.cubicTo(7.2, -5.5, 1.2, -2.8, 0.9, 0);
    path.cubicTo(1.2, 2.8, 7.2, 5.5, 6, 11.5);
    path.lineTo(-6, 11.5);
    path.cubicTo(-7.2, 5.5, -1.2, 2.8, -0.9, 0);
    path.cubicTo(-1.2, -2.8, -7.2, -5.5, -6, -11.5);
    return path;
}

// Sand left in the top bulb and heaped in the bottom one; `ran` from 0 to 1.
QPainterPath sand(double ran)
{
    const double top = -9.8 * std::pow(1 - ran, 0.6);
    const double heap = 11.5 - 9.0 * std::pow(ran, 0.75);
    QPainterPath path;
    if (ran < 1) {
        path.moveTo(-8, top);
        path.quadTo(0, top + 1.6 * (1 - ran), 8, top);
        path.lineTo(8, 0);
        path.lineTo(-8, 0);
        path.closeSubpath();
    }
    if (ran > 0) {
        path.moveTo(-8, 12);
        path.lineTo(-8, heap + 2.2);
        path.quadTo(0, heap - 2.4, 8, heap + 2.2);
        path.lineTo(8, 12);
        path.closeSubpath();
    }
    if (ran < 1)
        path.addRect(QRectF(-0.4, 0, 0.8, heap + 0.5));
    return path;
}

void hourglassFrame(QPainter &p)
{
    const QColor wood(150, 96, 52);
    const Shade turned = [wood](double t) { return wood.lighter(int(130 - 45 * t * t - 20 * t)); };
    for (double x : {-7.6, 7.6})
        part(p, rounded(QRectF(x - 0.9, -12, 1.8, 24), 0.9), across(QRectF(x - 0.9, 0, 1.8, 1), turned), 0.7,
             wood.darker(220));
    for (double y : {-14.0, 11.5})
        part(p, rounded(QRectF(-9, y, 18, 2.5), 1.0), down(QRectF(0, y, 1, 2.5), turned), 0.7, wood.darker(220));
}

void hourglass(QPainter &p, double ran, double angle)
{
    p.translate(17, 17);
    p.rotate(angle);
    p.scale(0.95, 0.95); // keeps the turning corners inside the picture
    const QPainterPath bulbs = hourglassBulbs();
    part(p, bulbs, QColor(226, 240, 252, 120), 0);
    p.save();
    p.setClipPath(bulbs);
    part(p, sand(ran), vertical(QRectF(0, -11, 1, 22), QColor(246, 206, 112), QColor(206, 146, 48)), 0);
    p.restore();
    stroke(p, bulbs, QColor(96, 120, 146), 0.8);
    QPainterPath shine(QPointF(-4.8, -10));
    shine.quadTo(-5.2, -6, -2.6, -3);
    shine.moveTo(-4.8, 10);
    shine.quadTo(-5.2, 6, -2.6, 3);
    stroke(p, shine, QColor(255, 255, 255, 200), 0.9);
    hourglassFrame(p);
}

// A USB symbol centred on `centre`, `length` long.
void usbSymbol(QPainter &p, QPointF centre, double length, const QColor &colour)
{
    p.save();
    p.translate(centre);
    p.scale(length / 60, length / 60);
    QPainterPath lines(QPointF(-24, 0));
    lines.lineTo(20, 0);
    lines.moveTo(-12, 0);
    lines.lineTo(-4, -11);
    lines.lineTo(8, -11);
    lines.moveTo(-2, 0);
    lines.lineTo(6, 11);
    lines.lineTo(14, 11);
    stroke(p, lines, colour, 4);
    part(p, ellipse(QPointF(-24, 0), 6, 6), colour, 0);
    part(p, ellipse(QPointF(10, -11), 4.5, 4.5), colour, 0);
    p.fillRect(QRectF(12, 6.5, 9, 9), colour);
    part(p, polygon({{30, 0}, {18, -7}, {18, 7}}), colour, 0);
    p.restore();
}

void iconTile(QPainter &p, double pixel)
{
    const QRectF tile(8, 8, 240, 240);
    QLinearGradient blue(tile.topLeft(), tile.bottomLeft());
    blue.setColorAt(0, QColor(84, 176, 246));
    blue.setColorAt(1, QColor(12, 70, 160));
    part(p, rounded(tile, 52), blue, std::max(3.0, pixel), QColor(8, 44, 110));
    QLinearGradient gloss(tile.topLeft(), tile.center());
    gloss.setColorAt(0, QColor(255, 255, 255, 80));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    part(p, rounded(tile.adjusted(8, 6, -8, -120), 44), gloss, 0);
}

// Brighter than the product pictures' chrome so that it stands out on the blue tile.
QColor brightChromeAt(double t) { return chromeAt(t).lighter(125); }

void iconFaucet(QPainter &p, double pixel, bool detailed)
{
    const double outline = std::max(4.0, 0.6 * pixel);
    const QRectF body(134, 92, 40, 112);
    part(p, rounded(body, 14), across(body, brightChromeAt), outline, kNavy);
    const QRectF spout(50, 90, 110, 34);
    part(p, capsule(QPointF(154, 107), QPointF(70, 107), 17), down(spout, brightChromeAt), outline, kNavy);
    const QRectF outlet(50, 112, 38, 26);
    part(p, rounded(outlet, 9), across(outlet, brightChromeAt), outline, kNavy);
    const QRectF base(108, 198, 92, 16);
    part(p, rounded(base, 8), down(base, brightChromeAt), outline, kNavy);
    if (detailed)
        part(p, rounded(QRectF(96, 114, 34, 9), 4.5), kSensor, outline * 0.6, kNavy);
    const QPainterPath droplet = drop(QPointF(69, 148), 62);
    part(p, droplet, vertical(droplet.boundingRect(), QColor(200, 238, 255), QColor(40, 160, 240)), outline, kNavy);
    part(p, ellipse(QPointF(60, 184), 5, 9), QColor(255, 255, 255, 200), 0);
}

void iconBadge(QPainter &p)
{
    shadow(p, QPointF(194, 64), 44, 44, 60);
    part(p, ellipse(QPointF(192, 60), 36, 36), vertical(QRectF(0, 24, 1, 72), Qt::white, QColor(214, 228, 244)), 4,
         kNavy);
    usbSymbol(p, QPointF(189, 60), 50, kBrandBlue);
}

} // namespace

void logo(QPainter &p)
{
    emblem(p, QPointF(18, 2.5), 42);
    QFont f = font(48, true);
    f.setLetterSpacing(QFont::PercentageSpacing, 106);
    const QPainterPath text = fittedText(QStringLiteral("VELMOR"), f, QRectF(42, 9, 186, 29));
    part(p, text, vertical(text.boundingRect(), kBrandBlue.lighter(115), kBrandBlue.darker(125)), 0);
}

void warningSign(QPainter &p)
{
    const QPolygonF triangle{{7, 1.2}, {13.3, 12.8}, {0.7, 12.8}};
    part(p, polygon(triangle), vertical(QRectF(0, 1, 14, 12), QColor(255, 230, 90), QColor(240, 168, 0)), 1.0,
         QColor(140, 90, 0));
    const QColor mark(45, 32, 0);
    part(p, rounded(QRectF(6.2, 4.4, 1.6, 4.8), 0.6), mark, 0);
    part(p, ellipse(QPointF(7, 10.9), 0.95, 0.95), mark, 0);
}

void stopSign(QPainter &p)
{
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double angle = (22.5 + 45 * i) * std::numbers::pi / 180;
        octagon << QPointF(7 + 6.5 * std::cos(angle), 7 + 6.5 * std::sin(angle));
    }
    part(p, polygon(octagon), vertical(QRectF(0, 0, 14, 14), QColor(240, 84, 70), QColor(176, 18, 18)), 1.0,
         QColor(110, 8, 8));
    part(p, rounded(QRectF(3.2, 5.8, 7.6, 2.4), 0.5), Qt::white, 0);
}

Drawing stateDot(const QColor &colour)
{
    return [colour](QPainter &p) { glossyDot(p, QPointF(7, 7), 6.1, colour); };
}

Drawing hourglassFrameAt(int frame)
{
    const int running = 9;
    const double ran = std::min(1.0, double(frame) / running);
    const double angle = frame > running ? 60.0 * (frame - running) : 0.0;
    return [ran, angle](QPainter &p) { hourglass(p, ran, angle); };
}

Drawing appIcon(int size)
{
    return [size](QPainter &p) {
        const double scale = size / 256.0;
        p.scale(scale, scale);
        iconTile(p, 1 / scale);
        if (size >= 48) {
            iconFaucet(p, 1 / scale, true);
            iconBadge(p);
            return;
        }
        // Without the badge the faucet takes the middle of the tile, larger.
        p.translate(128, 136);
        p.scale(1.15, 1.15);
        p.translate(-132, -152);
        iconFaucet(p, 1 / (scale * 1.15), size >= 32);
    };
}

} // namespace pictures
