#!/usr/bin/env python3
"""Draws the product pictures of the shipped product definitions.

Writes data/Config/<product>/ProductPicture.bmp (24-bit uncompressed BMP) for
every product directory named below. Standard library only; the output is
committed, so run this again only after changing a drawing:

    python3 scripts/generate_product_pictures.py

The drawings are simple shaded side and front views: chrome bodies are shaded
across their width like a cylinder, ceramics like a glazed surface, and every
part gets a dark outline. Edges are smoothed by drawing at three times the
size and averaging.
"""

import math
import os
import struct
import sys

SUPERSAMPLE = 3
BACKGROUND = (255, 255, 255)
OUTLINE = (70, 74, 82)
WALL = (236, 238, 241)
COUNTER = (214, 218, 224)
SENSOR = (28, 30, 36)
LED_GREEN = (40, 190, 80)
WATER = (120, 180, 235)


def chrome(t):
    """Polished metal across a cylinder: t runs from -1 (left) to 1 (right)."""
    highlight = math.exp(-((t + 0.35) / 0.22) ** 2)
    shade = 0.62 - 0.22 * t
    v = min(1.0, shade + 0.45 * highlight)
    return (int(150 * v + 40), int(158 * v + 40), int(168 * v + 45))


def ceramic(t):
    """Glazed white surface, slightly darker towards its edges."""
    v = 0.985 - 0.10 * t * t
    return (int(250 * v), int(251 * v), int(253 * v))


def flat(colour):
    return lambda t: colour


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.w = width * SUPERSAMPLE
        self.h = height * SUPERSAMPLE
        self.pixels = [list(BACKGROUND) * self.w for _ in range(self.h)]

    def paint(self, shape, shader, grow=0.0):
        """Fills shape (in picture pixels) grown by `grow` pixels with shader(t)."""
        x0, y0, x1, y1 = shape.bounds(grow)
        s = SUPERSAMPLE
        for py in range(max(0, int(y0 * s)), min(self.h, int(math.ceil(y1 * s)) + 1)):
            row = self.pixels[py]
            y = (py + 0.5) / s
            for px in range(max(0, int(x0 * s)), min(self.w, int(math.ceil(x1 * s)) + 1)):
                t = shape.sample((px + 0.5) / s, y, grow)
                if t is not None:
                    row[3 * px:3 * px + 3] = shader(max(-1.0, min(1.0, t)))

    def part(self, shape, shader, outline=1.2):
        """A part with its dark outline."""
        if outline > 0:
            self.paint(shape, flat(OUTLINE), outline)
        self.paint(shape, shader)

    def rows(self):
        """Averaged rows of the final picture, top row first, as RGB bytes."""
        s = SUPERSAMPLE
        area = s * s
        for y in range(self.height):
            out = bytearray()
            block = self.pixels[y * s:(y + 1) * s]
            for x in range(self.width):
                for c in range(3):
                    total = 0
                    for sub in block:
                        for dx in range(s):
                            total += sub[3 * (x * s + dx) + c]
                    out.append(total // area)
            yield out


class RoundedRect:
    def __init__(self, x0, y0, x1, y1, radius=0.0):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, radius

    def bounds(self, g):
        return self.x0 - g, self.y0 - g, self.x1 + g, self.y1 + g

    def sample(self, x, y, g):
        r = min(self.r, (self.x1 - self.x0) / 2, (self.y1 - self.y0) / 2)
        dx = max(self.x0 + r - x, 0.0, x - (self.x1 - r))
        dy = max(self.y0 + r - y, 0.0, y - (self.y1 - r))
        if dx * dx + dy * dy > (r + g) ** 2:
            return None
        return 2.0 * (x - self.x0) / max(1e-6, self.x1 - self.x0) - 1.0


class Ellipse:
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry

    def bounds(self, g):
        return self.cx - self.rx - g, self.cy - self.ry - g, self.cx + self.rx + g, self.cy + self.ry + g

    def sample(self, x, y, g):
        dx = (x - self.cx) / (self.rx + g)
        dy = (y - self.cy) / (self.ry + g)
        if dx * dx + dy * dy > 1.0:
            return None
        return dx


class Capsule:
    """A thick line with round ends, shaded across its width."""

    def __init__(self, ax, ay, bx, by, radius):
        self.ax, self.ay, self.bx, self.by, self.r = ax, ay, bx, by, radius

    def bounds(self, g):
        r = self.r + g
        return (min(self.ax, self.bx) - r, min(self.ay, self.by) - r,
                max(self.ax, self.bx) + r, max(self.ay, self.by) + r)

    def sample(self, x, y, g):
        vx, vy = self.bx - self.ax, self.by - self.ay
        length2 = vx * vx + vy * vy
        u = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - self.ax) * vx + (y - self.ay) * vy) / length2))
        px, py = self.ax + u * vx, self.ay + u * vy
        r = self.r + g
        if (x - px) ** 2 + (y - py) ** 2 > r * r:
            return None
        length = math.sqrt(length2) or 1.0
        # signed distance across the line, normal pointing to its right
        side = ((x - px) * vy - (y - py) * vx) / length
        return side / r


class Arc:
    """A thick arc (a bent pipe) around (cx, cy), angles in degrees, 0 = right, 90 = up."""

    def __init__(self, cx, cy, radius, thickness, start, end):
        self.cx, self.cy, self.radius, self.th = cx, cy, radius, thickness
        self.start, self.end = math.radians(start), math.radians(end)

    def bounds(self, g):
        r = self.radius + self.th + g
        return self.cx - r, self.cy - r, self.cx + r, self.cy + r

    def sample(self, x, y, g):
        dx, dy = x - self.cx, self.cy - y
        angle = math.atan2(dy, dx)
        if angle < self.start - 1e-9:
            angle += 2 * math.pi
        distance = math.hypot(dx, dy)
        half = self.th + g
        if self.start <= angle <= self.end and abs(distance - self.radius) <= half:
            return (distance - self.radius) / half
        for a in (self.start, self.end):  # round ends
            ex, ey = self.cx + self.radius * math.cos(a), self.cy - self.radius * math.sin(a)
            if (x - ex) ** 2 + (y - ey) ** 2 <= half * half:
                return (distance - self.radius) / half
        return None


def water(canvas, x, top, bottom):
    for i, y in enumerate(range(int(top), int(bottom), 9)):
        canvas.paint(Capsule(x, y, x, y + 4, 1.6 - 0.1 * (i % 3)), flat(WATER))


def basin_faucet(width, height, body_width, spout_length, battery):
    """Side view of a sensor basin faucet on its counter (with the battery box below it)."""
    c = Canvas(width, height)
    counter_top = height * (0.72 if battery else 0.80)
    c.part(RoundedRect(4, counter_top, width - 4, counter_top + 10, 2), flat(COUNTER), 1.0)
    body_x = width * 0.62
    body_top = height * 0.30
    c.part(RoundedRect(body_x - body_width / 2, body_top, body_x + body_width / 2, counter_top, 6), chrome)
    c.part(Ellipse(body_x, counter_top, body_width * 0.75, 4), chrome, 1.0)
    spout_y = body_top + 12
    outlet_x = body_x - spout_length
    c.part(Capsule(body_x, spout_y, outlet_x, spout_y + 4, 8), chrome)
    c.part(RoundedRect(outlet_x - 7, spout_y + 4, outlet_x + 7, spout_y + 16, 3), chrome)
    c.part(RoundedRect(outlet_x + 10, spout_y + 4, outlet_x + 24, spout_y + 10, 2), flat(SENSOR), 0.8)
    water(c, outlet_x, spout_y + 20, counter_top - 6)
    if battery:
        box_top = counter_top + 22
        c.part(RoundedRect(body_x - 18, box_top, body_x + 18, box_top + 20, 3), flat((90, 96, 108)))
        c.paint(RoundedRect(body_x - 10, box_top + 8, body_x + 6, box_top + 13, 1), flat((235, 200, 60)))
        c.paint(RoundedRect(body_x + 6, box_top + 9, body_x + 9, box_top + 12, 0), flat((235, 200, 60)))
        c.part(Capsule(body_x, counter_top + 10, body_x, box_top, 2.0), flat((60, 60, 60)), 0.6)
    return c


def kitchen_faucet(width, height):
    """A kitchen faucet with a high swivel spout."""
    c = Canvas(width, height)
    counter_top = height * 0.86
    c.part(RoundedRect(4, counter_top, width - 4, counter_top + 10, 2), flat(COUNTER), 1.0)
    column_x = width * 0.68
    arc_radius = width * 0.28
    arc_centre_y = height * 0.24
    c.part(Capsule(column_x, counter_top - 2, column_x, arc_centre_y, 7), chrome)
    c.part(Arc(column_x - arc_radius, arc_centre_y, arc_radius, 6, 0, 180), chrome)
    outlet_x = column_x - 2 * arc_radius
    c.part(Capsule(outlet_x, arc_centre_y, outlet_x, arc_centre_y + 26, 7), chrome)
    c.part(Ellipse(column_x, counter_top, 16, 5), chrome, 1.0)
    c.part(RoundedRect(column_x - 4, height * 0.55, column_x + 4, height * 0.60, 2), flat(SENSOR), 0.8)
    water(c, outlet_x, arc_centre_y + 38, counter_top - 8)
    return c


def urinal(width, height):
    """Front view of a wall-hung urinal with its sensor unit above."""
    c = Canvas(width, height)
    c.paint(RoundedRect(0, 0, width, height, 0), flat(WALL))
    cx = width / 2
    c.part(RoundedRect(cx - 22, 10, cx + 22, 40, 5), chrome)
    c.part(RoundedRect(cx - 10, 20, cx + 10, 30, 3), flat(SENSOR), 0.8)
    c.paint(Ellipse(cx + 6, 25, 1.6, 1.6), flat(LED_GREEN))
    c.part(Capsule(cx, 40, cx, 52, 3.5), chrome, 1.0)
    c.part(RoundedRect(cx - width * 0.36, 50, cx + width * 0.36, height - 14, width * 0.30), ceramic, 1.4)
    c.part(Ellipse(cx, height * 0.52, width * 0.25, height * 0.26), lambda t: ceramic(0.6 + 0.4 * abs(t)), 1.0)
    c.paint(Ellipse(cx, height * 0.74, 6, 3), flat((150, 156, 166)))
    return c


def wc(width, height):
    """Front view of a wall-hung WC with its sensor flush control panel above."""
    c = Canvas(width, height)
    c.paint(RoundedRect(0, 0, width, height, 0), flat(WALL))
    cx = width / 2
    c.part(RoundedRect(cx - width * 0.26, height * 0.07, cx + width * 0.26, height * 0.29, 5), chrome)
    c.part(RoundedRect(cx - 14, height * 0.14, cx + 14, height * 0.21, 3), flat(SENSOR), 0.8)
    c.paint(Ellipse(cx + 8, height * 0.175, 1.8, 1.8), flat(LED_GREEN))
    c.part(RoundedRect(cx - width * 0.30, height * 0.40, cx + width * 0.30, height * 0.66, 16), ceramic, 1.2)
    c.part(RoundedRect(cx - width * 0.36, height * 0.62, cx + width * 0.36, height * 0.90, 22), ceramic, 1.4)
    c.part(Ellipse(cx, height * 0.63, width * 0.38, 7), lambda t: ceramic(0.5 * t), 1.2)
    return c


def flush_plate(width, height, button_radius, switch_mode):
    """Front view of a flush valve's plate with its piezo push button."""
    c = Canvas(width, height)
    c.paint(RoundedRect(0, 0, width, height, 0), flat(WALL))
    margin = width * 0.12
    c.part(RoundedRect(margin, margin, width - margin, height - margin, 10), chrome, 1.4)
    c.part(RoundedRect(margin + 6, margin + 6, width - margin - 6, height - margin - 6, 7),
           lambda t: chrome(-t * 0.6), 0.8)
    cx, cy = width / 2, (height / 2 if not switch_mode else height * 0.42)
    c.part(Ellipse(cx, cy, button_radius + 4, button_radius + 4), lambda t: chrome(t * 0.5), 1.0)
    c.part(Ellipse(cx, cy, button_radius, button_radius), chrome, 1.0)
    c.paint(Ellipse(cx, cy, button_radius * 0.35, button_radius * 0.35), lambda t: chrome(-t))
    c.paint(Ellipse(cx, cy - button_radius - 10, 2.2, 2.2), flat(LED_GREEN))
    if switch_mode:
        c.part(RoundedRect(cx - 16, height * 0.72, cx + 16, height * 0.78, 3), flat(SENSOR), 0.8)
        c.paint(Ellipse(cx + 8, height * 0.75, 2.0, 2.0), flat(LED_GREEN))
    return c


def write_bmp(path, canvas):
    row_size = (3 * canvas.width + 3) & ~3
    data = bytearray()
    rows = list(canvas.rows())
    for row in reversed(rows):  # BMP rows run bottom-up
        bgr = bytearray()
        for x in range(canvas.width):
            r, g, b = row[3 * x:3 * x + 3]
            bgr += bytes((b, g, r))
        data += bgr + bytes(row_size - len(bgr))
    header_size = 14 + 40
    file_header = struct.pack('<2sIHHI', b'BM', header_size + len(data), 0, 0, header_size)
    info_header = struct.pack('<IiiHHIIiiII', 40, canvas.width, canvas.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(file_header + info_header + data)


PRODUCTS = {
    'Tarvo_230100101': lambda: flush_plate(128, 128, 24, False),  # the one square picture
    'TarvoV2_230200201': lambda: flush_plate(112, 168, 22, True),
    'Ambra_230300301': lambda: basin_faucet(120, 180, 22, 46, False),
    'Ambra_230300302': lambda: basin_faucet(120, 180, 22, 46, True),
    'Pelio_230600601': lambda: basin_faucet(120, 170, 30, 34, True),
    'Culina_230700701': lambda: kitchen_faucet(120, 200),
    'Urinal_230400401': lambda: urinal(110, 180),
    'WC_230500501': lambda: wc(130, 180),
}


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data', 'Config')
    for directory, draw in PRODUCTS.items():
        target = os.path.join(root, directory)
        if not os.path.isdir(target):
            sys.exit('missing product directory: ' + target)
        write_bmp(os.path.join(target, 'ProductPicture.bmp'), draw())
        print('wrote', os.path.join('data', 'Config', directory, 'ProductPicture.bmp'))


if __name__ == '__main__':
    main()
