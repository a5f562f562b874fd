// Draws the pictures of the user interface and writes them as RGBA PNG files.
// Usage: draw_pictures OUTPUT_FOLDER (with QT_QPA_PLATFORM=offscreen).
//
// Same drawing style as the product pictures: chrome shaded across its width
// like a cylinder, glazed ceramics, a dark outline around every part.

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>

namespace {

const QString kFontFamily = QStringLiteral("DejaVu Sans");
const QColor kOutline(70, 74, 82);
const QColor kSensor(28, 30, 36);
const QColor kLedGreen(40, 190, 80);
const QColor kBrandBlue(14, 84, 166);
const QColor kBrandLight(72, 164, 238);
const QColor kNavy(14, 40, 86);

using Shade = std::function<QColor(double)>;
using Drawing = std::function<void(QPainter &)>;

// Polished metal across a cylinder: t runs from -1 to 1.
QColor chromeAt(double t)
{
    const double highlight = std::exp(-std::pow((t + 0.35) / 0.22, 2));
    const double v = std::min(1.0, 0.62 - 0.22 * t + 0.45 * highlight);
    return QColor(int(150 * v + 40), int(158 * v + 40), int(168 * v + 45));
}

// Glazed white surface, slightly darker towards its edges.
QColor ceramicAt(double t)
{
    const double v = 0.985 - 0.10 * t * t;
    return QColor(int(250 * v), int(251 * v), int(253 * v));
}

// A gradient from `from` (t = -1) to `to` (t = 1) following a shading function.
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

// A thick line with round ends.
QPainterPath capsule(QPointF a, QPointF b, double radius)
{
    QPainterPath line(a);
    line.lineTo(b);
    QPainterPathStroker stroker;
    stroker.setWidth(2 * radius);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(line).simplified();
}

// A water drop with its tip at the top.
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

// A wavy line of `periods` waves from x0 to x1.
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

void part(QPainter &p, const QPainterPath &path, const QBrush &fill, double outline = 1.2,
          const QColor &line = kOutline)
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

// A soft elliptic shadow on the surface something stands on.
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

// A shiny ball lit from the top left.
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

// Text as a path, scaled to fit `box` and aligned to its left and vertical centre.
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

// ---------------------------------------------------------------- logo

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

void logo(QPainter &p)
{
    emblem(p, QPointF(18, 2.5), 42);
    QFont f = font(48, true);
    f.setLetterSpacing(QFont::PercentageSpacing, 106);
    const QPainterPath text = fittedText(QStringLiteral("VELMOR"), f, QRectF(42, 9, 186, 29));
    part(p, text, vertical(text.boundingRect(), kBrandBlue.lighter(115), kBrandBlue.darker(125)), 0);
}

// ---------------------------------------------------------------- state icons

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

// ---------------------------------------------------------------- hour glass

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

// Ten frames of running sand, then the full glass turns by 60 degrees twice;
// turned once more it is frame one again.
Drawing hourglassFrameAt(int frame)
{
    const int running = 9;
    const double ran = std::min(1.0, double(frame) / running);
    const double angle = frame > running ? 60.0 * (frame - running) : 0.0;
    return [ran, angle](QPainter &p) { hourglass(p, ran, angle); };
}

// ---------------------------------------------------------------- faucet

// Where the water leaves the faucet drawn below, from the middle of its foot.
const QPointF kOutlet(-83.5, -58);

// Sensor basin faucet standing on y = 0 with its body at x = 0, spout to the left.
void faucet(QPainter &p)
{
    const QRectF body(-10, -86, 20, 86);
    part(p, rounded(body, 7), across(body, chromeAt));
    const QRectF spout(-86, -83, 84, 14);
    part(p, capsule(QPointF(-2, -76), QPointF(-82, -72), 7), down(spout, chromeAt));
    const QRectF outlet(-91, -71, 15, 12);
    part(p, rounded(outlet, 3), across(outlet, chromeAt));
    part(p, rounded(QRectF(-72, -70, 18, 5.5), 2), kSensor, 0.8);
    part(p, rounded(QRectF(-69, -69, 6, 1.4), 0.7), QColor(120, 130, 150), 0);
    part(p, ellipse(QPointF(0, 0), 15, 4), across(QRectF(-15, 0, 30, 1), chromeAt), 1.0);
}

// ---------------------------------------------------------------- illustration

QPointF lerp(QPointF a, QPointF b, double t) { return a + (b - a) * t; }

// A point inside the quadrilateral tl, tr, br, bl at (u, v) from 0 to 1.
QPointF inQuad(const QPolygonF &q, double u, double v) { return lerp(lerp(q[0], q[1], u), lerp(q[3], q[2], u), v); }

QPolygonF subQuad(const QPolygonF &q, double u0, double v0, double u1, double v1)
{
    return {inQuad(q, u0, v0), inQuad(q, u1, v0), inQuad(q, u1, v1), inQuad(q, u0, v1)};
}

// A cable with a little shine along it.
void cable(QPainter &p, const QPainterPath &path, double width, const QColor &colour)
{
    stroke(p, path, colour.darker(170), width + 1.2);
    stroke(p, path, colour, width);
    p.save();
    p.translate(-width * 0.12, -width * 0.2);
    stroke(p, path, QColor(255, 255, 255, 70), width * 0.3);
    p.restore();
}

// A USB plug whose metal goes from `socket` towards `direction` (1 right, -1 left);
// drawn before its device so that the device hides most of the metal.
void usbPlug(QPainter &p, QPointF socket, double direction)
{
    const QRectF metal = QRectF(socket.x(), socket.y() - 3.2, 9 * direction, 6.4).normalized();
    part(p, rounded(metal, 0.8), down(metal, chromeAt), 0.8);
    const QRectF grip = QRectF(socket.x(), socket.y() - 4.2, -14 * direction, 8.4).normalized();
    part(p, rounded(grip, 2.2), vertical(grip, QColor(76, 80, 88), QColor(26, 28, 32)), 0.8, QColor(16, 18, 22));
}

void keyboard(QPainter &p, const QPolygonF &area)
{
    part(p, polygon(area), QColor(150, 156, 166), 0.6, QColor(120, 126, 136));
    const int rows = 4;
    const int columns = 15;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const double gap = 0.12;
            const QPolygonF key = subQuad(area, (c + gap) / columns, (r + gap * 1.5) / rows, (c + 1 - gap) / columns,
                                          (r + 1 - gap * 1.5) / rows);
            part(p, polygon(key), QColor(46, 49, 56), 0);
        }
}

void laptopBase(QPainter &p)
{
    const QPolygonF deck{{22, 148}, {238, 148}, {254, 174}, {6, 174}};
    part(p, polygon(deck), vertical(deck.boundingRect(), QColor(214, 218, 224), QColor(184, 189, 197)));
    const QRectF front(6, 173, 248, 8);
    part(p, rounded(front, 3), vertical(front, QColor(160, 165, 173), QColor(112, 116, 124)));
    keyboard(p, subQuad(deck, 0.1, 0.1, 0.9, 0.58));
    part(p, polygon(subQuad(deck, 0.42, 0.68, 0.58, 0.95)), QColor(198, 203, 210), 0.6, QColor(150, 156, 166));
    part(p, rounded(QRectF(40, 147, 180, 3), 1.5), QColor(40, 42, 48), 0);
}

// A tool window, as small as it is on the laptop's screen.
void toolWindow(QPainter &p, const QRectF &screen)
{
    part(p, rounded(screen, 1), vertical(screen, QColor(250, 251, 253), QColor(236, 239, 244)), 0);
    const QRectF title(screen.left(), screen.top(), screen.width(), 12);
    part(p, rounded(title, 1), vertical(title, kBrandLight, kBrandBlue), 0);
    p.setPen(Qt::white);
    p.setFont(font(8, true));
    p.drawText(title.adjusted(5, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Fluxa USB"));
    for (int i = 0; i < 3; ++i)
        part(p, ellipse(QPointF(title.right() - 6 - 7 * i, title.center().y()), 2, 2), QColor(255, 255, 255, 150), 0);
    const QRectF side(screen.left(), title.bottom(), 40, screen.bottom() - title.bottom());
    p.fillRect(side, QColor(224, 232, 243));
    for (int i = 0; i < 6; ++i) {
        const QRectF item(side.left() + 4, side.top() + 6 + 11 * i, 32, 7);
        part(p, rounded(item, 1.5), i == 1 ? kBrandBlue : QColor(190, 204, 224), 0);
    }
    const QRectF card(side.right() + 7, title.bottom() + 7, 46, 58);
    part(p, rounded(card, 3), Qt::white, 0.8, QColor(200, 206, 214));
    p.save();
    p.translate(card.left() + 34, card.bottom() - 8);
    p.scale(0.34, 0.34);
    faucet(p);
    p.restore();
    for (int i = 0; i < 5; ++i) {
        const double y = card.top() + 2 + 11 * i;
        part(p, rounded(QRectF(card.right() + 8, y + 1.5, 26, 4), 2), QColor(160, 168, 180), 0);
        part(p, rounded(QRectF(card.right() + 40, y, 42, 7), 1.5), Qt::white, 0.7, QColor(176, 184, 196));
    }
    const QRectF progress(side.right() + 7, card.bottom() + 8, screen.right() - side.right() - 14, 6);
    part(p, rounded(progress, 3), QColor(214, 220, 228), 0);
    const QRectF done(progress.left(), progress.top(), progress.width() * 0.64, progress.height());
    part(p, rounded(done, 3), vertical(done, QColor(110, 214, 120), QColor(34, 160, 70)), 0);
    glossyDot(p, QPointF(side.right() + 10, screen.bottom() - 6), 2.6, kLedGreen);
    part(p, rounded(QRectF(side.right() + 16, screen.bottom() - 8, 40, 4), 2), QColor(160, 168, 180), 0);
}

void laptop(QPainter &p)
{
    shadow(p, QPointF(130, 182), 128, 8, 70);
    usbPlug(p, QPointF(254, 170.5), -1);
    const QRectF lid(28, 8, 204, 141);
    part(p, rounded(lid, 9), vertical(lid, QColor(78, 82, 92), QColor(42, 45, 52)), 1.2, QColor(28, 30, 36));
    const QRectF screen = lid.adjusted(8, 9, -8, -12);
    toolWindow(p, screen);
    const QPolygonF glare{screen.topLeft(), screen.topLeft() + QPointF(70, 0), screen.bottomLeft() + QPointF(10, 0),
                          screen.bottomLeft()};
    part(p, polygon(glare), QColor(255, 255, 255, 34), 0);
    part(p, ellipse(QPointF(lid.center().x(), lid.top() + 4.5), 1.5, 1.5), QColor(20, 22, 26), 0);
    laptopBase(p);
}

// The bus adapter: a 78 x 27 box from `topLeft`, USB on its left, bus terminal on its right.
void adapter(QPainter &p, QPointF topLeft)
{
    p.save();
    p.translate(topLeft);
    shadow(p, QPointF(42, 28), 56, 5, 80);
    usbPlug(p, QPointF(-3, 14), 1);
    const QRectF box(0, 0, 78, 27);
    QLinearGradient shell(box.topLeft(), box.bottomLeft());
    shell.setColorAt(0, QColor(110, 160, 226));
    shell.setColorAt(0.2, QColor(46, 104, 182));
    shell.setColorAt(0.24, QColor(30, 80, 154));
    shell.setColorAt(1, QColor(14, 44, 96));
    part(p, rounded(box, 6), shell, 1.2, QColor(8, 26, 60));
    emblem(p, QPointF(11, 10.5), 11);
    const QPainterPath name = fittedText(QStringLiteral("VELMOR"), font(20, true), QRectF(18, 13, 28, 6));
    part(p, name, QColor(255, 255, 255, 230), 0);
    glossyDot(p, QPointF(58, 16), 2.3, kLedGreen);
    glossyDot(p, QPointF(66, 16), 2.3, QColor(250, 176, 30));
    const QRectF terminal(78, 6, 11, 17);
    const Shade green = [](double t) { return QColor(60, 170, 90).lighter(int(115 - 20 * t)); };
    part(p, rounded(terminal, 1.5), across(terminal, green), 0.9, QColor(20, 80, 40));
    for (double y : {11.0, 18.0})
        part(p, ellipse(QPointF(83.5, y), 2.1, 2.1), across(QRectF(81, 0, 5, 1), chromeAt), 0.6);
    p.restore();
}

void basin(QPainter &p)
{
    const QRectF counter(428, 124, 194, 12);
    part(p, rounded(counter, 3), vertical(counter, QColor(236, 239, 243), QColor(198, 204, 212)));
    const QPointF rim(498, 92);
    QPainterPath bowl(rim + QPointF(-62, 0));
    bowl.cubicTo(rim + QPointF(-60, 24), rim + QPointF(-34, 30), rim + QPointF(-22, 30));
    bowl.lineTo(rim + QPointF(22, 30));
    bowl.cubicTo(rim + QPointF(34, 30), rim + QPointF(60, 24), rim + QPointF(62, 0));
    bowl.closeSubpath();
    part(p, bowl, across(QRectF(rim.x() - 62, 0, 124, 1), ceramicAt), 1.4);
    const QRectF foot(rim.x() - 24, rim.y() + 28, 48, 4.5);
    part(p, rounded(foot, 2), across(foot, ceramicAt), 1.0);
    part(p, ellipse(rim, 62, 8), across(QRectF(rim.x() - 62, 0, 124, 1), ceramicAt), 1.4);
    const QRectF inside(rim.x() - 57, rim.y() - 5.5, 114, 11);
    part(p, ellipse(inside.center(), 57, 5.5), vertical(inside, QColor(200, 206, 214), QColor(246, 248, 251)), 0.8);
}

void water(QPainter &p, QPointF outlet, double bottom)
{
    QPainterPath stream(outlet + QPointF(-3, 0));
    const QPointF end(outlet.x(), bottom);
    stream.cubicTo(outlet + QPointF(-2.4, 12), end + QPointF(-2.0, -8), end + QPointF(-1.8, 0));
    stream.lineTo(end + QPointF(1.8, 0));
    stream.cubicTo(end + QPointF(2.0, -8), outlet + QPointF(2.4, 12), outlet + QPointF(3, 0));
    stream.closeSubpath();
    QLinearGradient blue(outlet + QPointF(-3, 0), outlet + QPointF(3, 0));
    blue.setColorAt(0, QColor(90, 160, 230, 210));
    blue.setColorAt(0.35, QColor(200, 232, 255, 230));
    blue.setColorAt(1, QColor(90, 160, 230, 210));
    part(p, stream, blue, 0.6, QColor(70, 130, 200, 200));
    stroke(p, wave(outlet.x() - 9, outlet.x() + 9, bottom, 0.8, 2), QColor(90, 160, 230, 200), 0.9);
}

void fitting(QPainter &p)
{
    const QRectF control(546, 146, 58, 28);
    part(p, capsule(QPointF(588, 136), QPointF(588, 147), 2.6), across(QRectF(585.4, 0, 5.2, 1), chromeAt), 1.0);
    part(p, rounded(control, 4), vertical(control, QColor(122, 128, 140), QColor(74, 80, 92)));
    part(p, rounded(QRectF(554, 153, 28, 6), 1.5), QColor(214, 218, 226), 0);
    glossyDot(p, QPointF(594, 156), 2.0, kLedGreen);
    part(p, rounded(QRectF(539, 161, 8, 8), 1.5), QColor(60, 170, 90), 0.8, QColor(20, 80, 40));
    basin(p);
    const QPointF foot(588, 124);
    p.save();
    p.translate(foot);
    faucet(p);
    p.restore();
    water(p, foot + kOutlet, 94);
}

void illustration(QPainter &p)
{
    QPainterPath usb(QPointF(266, 170.5));
    usb.cubicTo(284, 171, 282, 188, 296, 188);
    usb.cubicTo(310, 188, 306, 174, 325, 174);
    cable(p, usb, 4.2, QColor(52, 56, 64));
    QPainterPath bus(QPointF(427, 174.5));
    bus.cubicTo(452, 175, 458, 194, 482, 194);
    bus.cubicTo(516, 194, 516, 165, 539, 165);
    cable(p, bus, 2.4, QColor(128, 134, 144));
    laptop(p);
    adapter(p, QPointF(340, 160));
    fitting(p);
}

// ---------------------------------------------------------------- application icon

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

// The icon is drawn on a 256 grid; smaller sizes drop the finest details.
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

// ---------------------------------------------------------------- output

bool write(const QDir &folder, const QString &name, QSize size, const Drawing &draw)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    draw(p);
    p.end();
    const QString path = folder.filePath(name);
    if (!image.convertToFormat(QImage::Format_RGBA8888).save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    // Another font would silently change the logo's and the icons' shapes.
    if (!QFontDatabase::hasFamily(kFontFamily)) {
        std::fprintf(stderr, "font missing: %s\n", qPrintable(kFontFamily));
        return 1;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;
    bool ok = write(folder, "logo_106.png", {230, 47}, logo);
    ok &= write(folder, "illustration_107.png", {630, 215}, illustration);
    ok &= write(folder, "state_warning_110.png", {14, 14}, warningSign);
    ok &= write(folder, "state_stop_111.png", {14, 14}, stopSign);
    ok &= write(folder, "state_green_144.png", {14, 14}, stateDot(QColor(40, 186, 70)));
    ok &= write(folder, "state_red_145.png", {14, 14}, stateDot(QColor(222, 40, 36)));
    for (int frame = 0; frame < 12; ++frame)
        ok &= write(folder, QStringLiteral("hourglass_%1.png").arg(149 + frame), {34, 34}, hourglassFrameAt(frame));
    ok &= write(folder, "app_icon.png", {256, 256}, appIcon(256));
    for (int size : {48, 32, 16})
        ok &= write(folder, QStringLiteral("app_icon_%1.png").arg(size), {size, size}, appIcon(size));
    return ok ? 0 : 1;
}
