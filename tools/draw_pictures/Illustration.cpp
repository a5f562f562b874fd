// The illustration: the laptop showing the tool, the bus adapter between
// the cables and the fitting at its basin.
#include "Pictures.h"

#include <QPainterPath>

namespace pictures {
namespace {

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

} // namespace

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

} // namespace pictures
