#!/usr/bin/env python3
"""Draws the artwork of Prinstall.exe and writes it into OUTDIR.

    make-art.py OUTDIR

Every picture is drawn here from geometric shapes on a 32 x 32 design grid
(y grows downwards), rendered with supersampling, and written in the classic
formats that Windows 2000 and later read. Nothing is taken from elsewhere, and
the output depends on nothing but this file: the same script always writes the
same bytes.

To add a picture: write a drawing function that takes a Canvas, and list it in
ARTWORK under the file name the resource script uses; the file name's
extension picks the writer (WRITERS). Icons are square at the sizes of
ICON_SIZES; a bitmap (.bmp) has the pixel size given in BITMAP_SIZES, with the
32-unit design grid across its width.
"""

import math
import os
import struct
import sys

# Samples per pixel along each axis.
SUPERSAMPLE = 6


# ---------------------------------------------------------------------------
# Shapes: point sets in design units, each with its bounding box and an inset
# (the same shape shrunk by a distance), which is how outlines are drawn.

class Shape:
    def bounds(self):
        raise NotImplementedError

    def contains(self, x, y):
        raise NotImplementedError

    def inset(self, d):
        raise NotImplementedError

    def __or__(self, other):
        return Union(self, other)

    def __sub__(self, other):
        return Difference(self, other)


class Rect(Shape):
    def __init__(self, x0, y0, x1, y1):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1

    def bounds(self):
        return self.x0, self.y0, self.x1, self.y1

    def contains(self, x, y):
        return self.x0 <= x < self.x1 and self.y0 <= y < self.y1

    def inset(self, d):
        return Rect(self.x0 + d, self.y0 + d, self.x1 - d, self.y1 - d)


class RoundRect(Shape):
    def __init__(self, x0, y0, x1, y1, r):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.r = max(0.0, min(r, (x1 - x0) / 2, (y1 - y0) / 2))

    def bounds(self):
        return self.x0, self.y0, self.x1, self.y1

    def contains(self, x, y):
        if not (self.x0 <= x < self.x1 and self.y0 <= y < self.y1):
            return False
        r = self.r
        cx = min(max(x, self.x0 + r), self.x1 - r)
        cy = min(max(y, self.y0 + r), self.y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    def inset(self, d):
        return RoundRect(self.x0 + d, self.y0 + d, self.x1 - d, self.y1 - d, self.r - d)


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def bounds(self):
        return self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r

    def contains(self, x, y):
        return (x - self.cx) ** 2 + (y - self.cy) ** 2 <= self.r * self.r

    def inset(self, d):
        return Circle(self.cx, self.cy, self.r - d)


def _segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


class Polygon(Shape):
    """A simple polygon; with a margin, only the points at least that far inside."""

    def __init__(self, points, margin=0.0):
        self.points = list(points)
        self.margin = margin

    def bounds(self):
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        return min(xs), min(ys), max(xs), max(ys)

    def contains(self, x, y):
        inside = False
        pts = self.points
        for i, (ax, ay) in enumerate(pts):
            bx, by = pts[i - 1]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        if not inside or self.margin <= 0:
            return inside
        return all(_segment_distance(x, y, *pts[i - 1], *pts[i]) >= self.margin
                   for i in range(len(pts)))

    def inset(self, d):
        return Polygon(self.points, self.margin + d)


class Stroke(Shape):
    """A polyline drawn with a round pen of the given width."""

    def __init__(self, points, width):
        self.points = list(points)
        self.width = width

    def bounds(self):
        h = self.width / 2
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        return min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h

    def contains(self, x, y):
        h = self.width / 2
        pts = self.points
        return any(_segment_distance(x, y, *pts[i], *pts[i + 1]) <= h
                   for i in range(len(pts) - 1))

    def inset(self, d):
        return Stroke(self.points, self.width - 2 * d)


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts

    def bounds(self):
        boxes = [p.bounds() for p in self.parts]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes),
                max(b[2] for b in boxes), max(b[3] for b in boxes))

    def contains(self, x, y):
        return any(p.contains(x, y) for p in self.parts)

    def inset(self, d):
        return Union(*(p.inset(d) for p in self.parts))


class Intersection(Shape):
    def __init__(self, *parts):
        self.parts = parts

    def bounds(self):
        boxes = [p.bounds() for p in self.parts]
        return (max(b[0] for b in boxes), max(b[1] for b in boxes),
                min(b[2] for b in boxes), min(b[3] for b in boxes))

    def contains(self, x, y):
        return all(p.contains(x, y) for p in self.parts)

    def inset(self, d):
        return Intersection(*(p.inset(d) for p in self.parts))


class Difference(Shape):
    def __init__(self, shape, hole):
        self.shape, self.hole = shape, hole

    def bounds(self):
        return self.shape.bounds()

    def contains(self, x, y):
        return self.shape.contains(x, y) and not self.hole.contains(x, y)

    def inset(self, d):
        return Difference(self.shape.inset(d), self.hole)


# ---------------------------------------------------------------------------
# Paints: a colour is (r, g, b) or (r, g, b, a) with 0-255 channels.

def rgba(colour):
    return colour if len(colour) == 4 else (*colour, 255)


def hex_colour(text, alpha=255):
    return (int(text[1:3], 16), int(text[3:5], 16), int(text[5:7], 16), alpha)


class Linear:
    """A linear gradient from colour a at point p0 to colour b at point p1."""

    def __init__(self, p0, a, p1, b):
        self.p0, self.a, self.p1, self.b = p0, rgba(a), p1, rgba(b)

    def at(self, x, y):
        dx, dy = self.p1[0] - self.p0[0], self.p1[1] - self.p0[1]
        t = ((x - self.p0[0]) * dx + (y - self.p0[1]) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        return tuple(self.a[i] + (self.b[i] - self.a[i]) * t for i in range(4))


def vertical(y0, top, y1, bottom):
    return Linear((0, y0), top, (0, y1), bottom)


# ---------------------------------------------------------------------------
# Canvas: premultiplied RGBA floats, one pixel per cell.

class Canvas:
    GRID = 32.0

    def __init__(self, width, height=None, quick=False):
        self.width = width
        self.height = width if height is None else height
        # Quick: a pixel whose centre and four corners agree is taken as wholly inside or
        # outside, and only the others are supersampled. Right for the large bitmaps,
        # whose shapes are many pixels wide; the icons sample every pixel in full.
        self.quick = quick
        # Pixels per design unit, and the design units that one pixel covers.
        self.scale = self.width / self.GRID
        self.px = 1.0 / self.scale
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(self.width * self.height)]
        self._origin = (0.0, 0.0)
        self._zoom = 1.0

    def place(self, dx, dy, zoom):
        """Draws what follows shifted by (dx, dy) and scaled by zoom (design units)."""
        self._origin, self._zoom = (dx, dy), zoom

    def reset(self):
        self._origin, self._zoom = (0.0, 0.0), 1.0

    @property
    def unit(self):
        """One pixel in the local units of the current placement."""
        return self.px / self._zoom

    def fill(self, shape, paint):
        ox, oy = self._origin
        k = self.scale * self._zoom
        x0, y0, x1, y1 = shape.bounds()
        i0 = max(0, int(math.floor(ox * self.scale + x0 * k)))
        j0 = max(0, int(math.floor(oy * self.scale + y0 * k)))
        i1 = min(self.width, int(math.ceil(ox * self.scale + x1 * k)) + 1)
        j1 = min(self.height, int(math.ceil(oy * self.scale + y1 * k)) + 1)
        n = SUPERSAMPLE
        steps = [(s + 0.5) / n for s in range(n)]
        for j in range(j0, j1):
            for i in range(i0, i1):
                if self.quick:
                    probes = [shape.contains((i + px) / k - ox / self._zoom, (j + py) / k - oy / self._zoom)
                              for px, py in ((0.5, 0.5), (0.0, 0.0), (1.0, 0.0), (0.0, 1.0), (1.0, 1.0))]
                    if not any(probes):
                        continue
                    if all(probes):
                        cx = (i + 0.5) / k - ox / self._zoom
                        cy = (j + 0.5) / k - oy / self._zoom
                        colour = paint.at(cx, cy) if hasattr(paint, "at") else rgba(paint)
                        self._blend(j * self.width + i, colour, 1.0)
                        continue
                hits = 0
                for sy in steps:
                    y = (j + sy) / k - oy / self._zoom
                    for sx in steps:
                        if shape.contains((i + sx) / k - ox / self._zoom, y):
                            hits += 1
                if hits:
                    cx = (i + 0.5) / k - ox / self._zoom
                    cy = (j + 0.5) / k - oy / self._zoom
                    colour = paint.at(cx, cy) if hasattr(paint, "at") else rgba(paint)
                    self._blend(j * self.width + i, colour, hits / (n * n))

    def _blend(self, index, colour, coverage):
        a = colour[3] / 255.0 * coverage
        p = self.pixels[index]
        keep = 1.0 - a
        p[0] = colour[0] / 255.0 * a + p[0] * keep
        p[1] = colour[1] / 255.0 * a + p[1] * keep
        p[2] = colour[2] / 255.0 * a + p[2] * keep
        p[3] = a + p[3] * keep

    def outlined(self, shape, paint, line, width=None):
        """Fills shape with paint inside an outline one pixel wide (or width units)."""
        w = self.unit if width is None else width
        self.fill(shape, line)
        self.fill(shape.inset(w), paint)

    def rows(self):
        """Straight (not premultiplied) 8-bit RGBA rows, top row first."""
        out = []
        for j in range(self.height):
            row = []
            for i in range(self.width):
                r, g, b, a = self.pixels[j * self.width + i]
                if a <= 0.0:
                    row.append((0, 0, 0, 0))
                    continue
                row.append(tuple(min(255, int(round(c / a * 255.0))) for c in (r, g, b))
                           + (min(255, int(round(a * 255.0))),))
            out.append(row)
        return out


# ---------------------------------------------------------------------------
# Icon files: 32-bit BGRA DIBs with an AND mask, one image per size.

# Pixels fainter than this are dropped, so that systems which ignore the alpha
# channel and draw by the mask alone show no faint fringe.
MASK_THRESHOLD = 32

# 32 at 96 DPI, 48 at 144 and 64 at 192 for the buttons; 16 for captions.
ICON_SIZES = (64, 48, 32, 16)


def _icon_image(rows):
    height = len(rows)
    width = len(rows[0])
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for i, (r, g, b, a) in enumerate(row):
            if a < MASK_THRESHOLD:
                r = g = b = a = 0
                bits[i // 8] |= 0x80 >> (i % 8)
            colour += bytes((b, g, r, a))
        mask += bits
    return header + bytes(colour) + bytes(mask)


def icon_bytes(images):
    """An .ico file from a list of RGBA row lists (square, at most 256 pixels)."""
    count = len(images)
    directory = struct.pack("<HHH", 0, 1, count)
    payload = b""
    offset = 6 + 16 * count
    for rows in images:
        data = _icon_image(rows)
        size = len(rows)
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                                 len(data), offset + len(payload))
        payload += data
    return directory + payload


def check_icon(data, sizes):
    """Reads an .ico back and fails loudly unless it is well formed."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if (reserved, kind, count) != (0, 1, len(sizes)):
        raise ValueError("bad icon directory %r" % ((reserved, kind, count),))
    for n, size in enumerate(sizes):
        w, h, colours, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
        if (w, h, colours, planes, bpp) != (size, size, 0, 1, 32):
            raise ValueError("bad entry %d: %r" % (n, (w, h, colours, planes, bpp)))
        mask_stride = ((size + 31) // 32) * 4
        if length != 40 + size * size * 4 + mask_stride * size or offset + length > len(data):
            raise ValueError("bad extent of image %d" % n)
        hsize, bw, bh, bplanes, bbpp, compression = struct.unpack_from("<IiiHHI", data, offset)
        if (hsize, bw, bh, bplanes, bbpp, compression) != (40, size, 2 * size, 1, 32, 0):
            raise ValueError("bad bitmap header of image %d" % n)
        colour = data[offset + 40:offset + 40 + size * size * 4]
        mask = data[offset + 40 + size * size * 4:offset + length]
        opaque = 0
        for y in range(size):
            for x in range(size):
                alpha = colour[(y * size + x) * 4 + 3]
                hole = mask[y * mask_stride + x // 8] & (0x80 >> (x % 8))
                if bool(hole) != (alpha == 0):
                    raise ValueError("mask and alpha disagree in image %d at %d,%d" % (n, x, y))
                opaque += alpha == 255
        if opaque == 0:
            raise ValueError("image %d is empty" % n)


def write_icon(path, draw):
    images = []
    for size in ICON_SIZES:
        canvas = Canvas(size)
        draw(canvas)
        images.append(canvas.rows())
    data = icon_bytes(images)
    check_icon(data, ICON_SIZES)
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------------------
# Bitmap files: 24-bit bottom-up DIBs, as the dialogs show them.

# Pixel size of each bitmap by file name; the drawing's 32 units span the width.
BITMAP_SIZES = {}


def bitmap_bytes(rows, background=(255, 255, 255)):
    """A .bmp file from RGBA rows, composited over background (a bitmap has no alpha)."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, a in row:
            mix = [int(round((c * a + bg * (255 - a)) / 255.0)) for c, bg in zip((r, g, b), background)]
            line += bytes((mix[2], mix[1], mix[0]))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


def check_bitmap(data, width, height):
    """Reads a .bmp back and fails loudly unless it is a plain 24-bit picture of that size."""
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    if magic != b"BM" or size != len(data) or offset != 54:
        raise ValueError("bad bitmap file header")
    hsize, w, h, planes, bpp, compression, image = struct.unpack_from("<IiiHHII", data, 14)
    stride = (width * 3 + 3) // 4 * 4
    if (hsize, w, h, planes, bpp, compression, image) != (40, width, height, 1, 24, 0, stride * height):
        raise ValueError("bad bitmap header %r" % ((hsize, w, h, planes, bpp, compression, image),))
    if len(set(data[offset:offset + stride * height])) < 8:
        raise ValueError("bitmap is blank")


def write_bitmap(path, draw):
    width, height = BITMAP_SIZES[os.path.basename(path)]
    canvas = Canvas(width, height, quick=True)
    draw(canvas)
    data = bitmap_bytes(canvas.rows())
    check_bitmap(data, width, height)
    with open(path, "wb") as f:
        f.write(data)


WRITERS = {".ico": write_icon, ".bmp": write_bitmap}


# ---------------------------------------------------------------------------
# Palette.

INK = hex_colour("#26303a")
STEEL_LIGHT = hex_colour("#f1f3f6")
STEEL_DARK = hex_colour("#a7b0bb")
LID_LIGHT = hex_colour("#5d7a9c")
LID_DARK = hex_colour("#2c3d52")
SLOT = hex_colour("#161b21")
PAPER = hex_colour("#ffffff")
PAPER_EDGE = hex_colour("#7d8894")
PRINT = hex_colour("#1c2024")
GREEN_LIGHT = hex_colour("#7ee06f")
GREEN_DARK = hex_colour("#1f9a2b")
GREEN_LINE = hex_colour("#0f5516")
RED_LIGHT = hex_colour("#ff7a6b")
RED_DARK = hex_colour("#c8231b")
RED_LINE = hex_colour("#6e0d09")
WHITE = hex_colour("#ffffff")


# ---------------------------------------------------------------------------
# Pictures.

def draw_printer(c, with_label):
    """A desktop label printer seen from the front: a domed lid over a light body
    with the paper slot; with_label lets a printed label hang out of the slot."""
    u = c.unit
    top = 0 if with_label else 4  # the label needs room below the body
    c.outlined(RoundRect(5, top + 2, 27, top + 14, 5), vertical(top + 2, LID_LIGHT, top + 12, LID_DARK), INK)
    c.fill(RoundRect(8, top + 4, 24, top + 4 + max(u, 1.5), 1), (255, 255, 255, 90))  # gloss
    c.outlined(RoundRect(2, top + 10, 30, top + 25, 3), vertical(top + 10, STEEL_LIGHT, top + 25, STEEL_DARK), INK)
    c.fill(Rect(6, top + 14, 26, top + 14 + max(u, 2)), SLOT)
    c.fill(Circle(26, top + 21, max(1.3, u * 0.9)), hex_colour("#2fd23a"))  # power lamp
    if not with_label:
        return
    c.fill(Rect(10, 16, 24, 31.5), (0, 0, 0, 60))  # shadow on the body
    c.outlined(Rect(9, 15, 23, 31), PAPER, PAPER_EDGE)
    # A barcode and a line of text printed on the label.
    if u < 1.5:
        bars = [(11, 1), (12.5, 0.75), (14, 1.5), (16, 0.75), (17.5, 1), (19, 1.5), (21, 0.75)]
        for x, w in bars:
            c.fill(Rect(x, 18, x + w, 25), PRINT)
        c.fill(Rect(11, 27, 20, 28), hex_colour("#8a939c"))
    else:
        for x in (11, 15, 19):
            c.fill(Rect(x, 18, x + 2, 24), PRINT)
        c.fill(Rect(11, 26, 21, 28), hex_colour("#9aa2aa"))


def draw_application(c):
    draw_printer(c, with_label=True)


def draw_install(c):
    # A printer with a green arrow coming down into it.
    c.place(3, 5, 0.82)
    draw_printer(c, with_label=False)
    c.reset()
    arrow = Polygon([(12, 1), (20, 1), (20, 11), (26.5, 11), (16, 21.5), (5.5, 11), (12, 11)])
    c.outlined(arrow, Linear((8, 2), GREEN_LIGHT, (22, 20), GREEN_DARK), GREEN_LINE)


def draw_uninstall(c):
    # The printer struck through by a red cross.
    draw_printer(c, with_label=False)
    cross = Union(Stroke([(8, 8), (24, 24)], 5.5), Stroke([(24, 8), (8, 24)], 5.5))
    c.outlined(cross, Linear((8, 8), RED_LIGHT, (24, 24), RED_DARK), RED_LINE)


def draw_exit(c):
    # A doorway with the door swung open inwards and a green arrow leading out.
    u = c.unit
    c.outlined(Rect(2, 2, 20, 30), hex_colour("#8a5a2e"), INK)  # frame
    c.fill(Rect(4, 4, 18, 30), vertical(4, hex_colour("#fff3b0"), 30, hex_colour("#ffc940")))
    door = Polygon([(4, 4), (11, 7), (11, 27), (4, 30)])
    c.outlined(door, Linear((4, 4), hex_colour("#c98a4b"), (11, 30), hex_colour("#8d5524")), INK)
    c.fill(Circle(9.5, 17, max(1.0, u * 0.75)), hex_colour("#ffe27a"))  # knob
    c.fill(Rect(2, 30, 31, 30 + u), (0, 0, 0, 70))  # floor shadow
    arrow = Polygon([(13, 13.5), (22, 13.5), (22, 8.5), (31, 17), (22, 25.5), (22, 20.5), (13, 20.5)])
    c.outlined(arrow, Linear((13, 10), GREEN_LIGHT, (28, 24), GREEN_DARK), GREEN_LINE)


def _disc(c, light, dark, line):
    c.outlined(Circle(16, 16, 15), Linear((8, 2), light, (24, 30), dark), line)
    # Gloss on the upper half.
    c.fill(Difference(Circle(16, 12, 11), Circle(16, 27, 15)), (255, 255, 255, 70))


def draw_cross_disc(c):
    # A red disc with a white cross.
    _disc(c, RED_LIGHT, RED_DARK, RED_LINE)
    c.fill(Union(Stroke([(10.5, 10.5), (21.5, 21.5)], 4.5), Stroke([(21.5, 10.5), (10.5, 21.5)], 4.5)), WHITE)


def draw_check_disc(c):
    # A green disc with a white check mark.
    _disc(c, GREEN_LIGHT, GREEN_DARK, GREEN_LINE)
    c.fill(Stroke([(8.5, 16.5), (13.5, 21.5), (23.5, 10.5)], 4.5), WHITE)


# ---------------------------------------------------------------------------
# Interface pictures of the port dialog: one connector or symbol each, on a card
# of its own pale colour (so that the pictures also tell apart by their ground).

METAL_LIGHT = hex_colour("#f4f6f8")
METAL_DARK = hex_colour("#9aa3ad")
HOOD_LIGHT = hex_colour("#5b6470")
HOOD_DARK = hex_colour("#2b3038")
GOLD = hex_colour("#e3b341")
CABLE = hex_colour("#3a4048")
SOCKET = hex_colour("#20252c")


def _card(c, colour):
    """The picture's ground; returns its height in design units."""
    height = c.height / c.scale
    c.fill(Rect(0, 0, 32, height), colour)
    return height


def _line(c):
    """Outline width of the large pictures: about two pixels."""
    return max(c.unit, 0.2)


def _curve(p0, p1, p2, steps=16):
    """Points of a quadratic curve from p0 to p2 pulled towards p1."""
    points = []
    for n in range(steps + 1):
        t = n / steps
        a, b, d = (1 - t) ** 2, 2 * t * (1 - t), t * t
        points.append((a * p0[0] + b * p1[0] + d * p2[0], a * p0[1] + b * p1[1] + d * p2[1]))
    return points


def _cable(c, points, width, colour=CABLE):
    c.outlined(Stroke(points, width), colour, INK, _line(c))


def _dsub(c, left, right, top, bottom, rows, pitch, pin):
    """A D-sub connector seen from the front: the steel flange with its two screws,
    the dark D-shaped shell and the rows of pins (counts in rows, widest first)."""
    w = _line(c)
    cx = (left + right) / 2
    c.outlined(RoundRect(left, top, right, bottom, 1.2), vertical(top, METAL_LIGHT, bottom, METAL_DARK), INK, w)
    for sx in (left + 2.2, right - 2.2):
        c.outlined(Circle(sx, (top + bottom) / 2, 1.3), vertical(top, METAL_LIGHT, bottom, METAL_DARK), INK, w)
        c.fill(Stroke([(sx - 0.8, (top + bottom) / 2), (sx + 0.8, (top + bottom) / 2)], 0.35), INK)
    half_top = (len(rows) and rows[0]) * pitch / 2 + 1.2
    half_bottom = half_top - 1.3
    d_top, d_bottom = top + 1.4, bottom - 1.4
    shell = Polygon([(cx - half_top, d_top), (cx + half_top, d_top),
                     (cx + half_bottom, d_bottom), (cx - half_bottom, d_bottom)])
    c.outlined(shell, SOCKET, METAL_DARK, w * 1.5)
    span = d_bottom - d_top
    for n, count in enumerate(rows):
        y = d_top + span * (n + 1) / (len(rows) + 1)
        x0 = cx - (count - 1) * pitch / 2
        for k in range(count):
            c.fill(Circle(x0 + k * pitch, y, pin), GOLD)
            c.fill(Circle(x0 + k * pitch - pin * 0.3, y - pin * 0.3, pin * 0.35), (255, 255, 255, 150))


def draw_serial(c):
    # A 9-pin serial plug from the front, its cable leaving downwards.
    h = _card(c, hex_colour("#fff4d6"))
    _cable(c, _curve((16, 17), (16, h - 3), (11, h + 1)), 3.2)
    c.outlined(RoundRect(9.5, 12, 22.5, 19.5, 2), vertical(12, HOOD_LIGHT, 19.5, HOOD_DARK), INK, _line(c))
    _dsub(c, 3, 29, 4.5, 14.5, (5, 4), 2.7, 0.75)


def draw_parallel(c):
    # A 25-pin parallel plug from the front, wider than the serial one.
    h = _card(c, hex_colour("#ffe6d1"))
    _cable(c, _curve((16, 16), (16, h - 3), (21, h + 1)), 4)
    c.outlined(RoundRect(7, 11, 25, 18, 2), vertical(11, HOOD_LIGHT, 18, HOOD_DARK), INK, _line(c))
    _dsub(c, 0.8, 31.2, 4.5, 13.5, (13, 12), 1.78, 0.5)


def draw_usb(c):
    # A USB plug from above: cable, moulded body with the USB mark, steel shell.
    w = _line(c)
    _card(c, hex_colour("#e2f6e2"))
    _cable(c, _curve((-1, 22), (3, 14), (8, 14)), 3.2)
    c.outlined(RoundRect(6, 9.5, 19, 18.5, 2), vertical(9.5, HOOD_LIGHT, 18.5, HOOD_DARK), INK, w)
    c.outlined(Rect(18.5, 10.3, 30, 17.7), vertical(10.3, METAL_LIGHT, 17.7, METAL_DARK), INK, w)
    for x in (22, 26):
        c.fill(Rect(x, 12.2, x + 1.8, 13.8), SOCKET)
    # The USB mark: a trunk with an arrow head, a round and a square branch.
    mark = WHITE
    c.fill(Stroke([(9, 14), (16, 14)], 0.55), mark)
    c.fill(Polygon([(17.2, 14), (15.6, 13.1), (15.6, 14.9)]), mark)
    c.fill(Circle(8.9, 14, 0.8), mark)
    c.fill(Stroke([(10.6, 14), (12, 12.2), (13.3, 12.2)], 0.45), mark)
    c.fill(Circle(13.6, 12.2, 0.55), mark)
    c.fill(Stroke([(11.8, 14), (13.2, 15.8), (14.3, 15.8)], 0.45), mark)
    c.fill(Rect(14.2, 15.3, 15.2, 16.3), mark)


def draw_ethernet(c):
    # A network plug from the front: clear body, eight gold contacts, latch, boot, cable.
    w = _line(c)
    h = _card(c, hex_colour("#dcf3f3"))
    _cable(c, [(16, 22), (16, h + 1)], 4.2, hex_colour("#2f6fb0"))
    c.outlined(RoundRect(11, 19, 21, 24.5, 1.8), vertical(19, hex_colour("#5a9be0"), 24.5, hex_colour("#245d98")), INK, w)
    c.outlined(RoundRect(8, 5, 24, 20, 1.2), vertical(5, hex_colour("#eef6fb"), 20, hex_colour("#b8cad6")), INK, w)
    for k in range(8):
        x = 9.55 + k * 1.65
        c.outlined(Rect(x, 6, x + 1.0, 11), GOLD, hex_colour("#8a6a1a"), w * 0.6)
    c.outlined(Polygon([(12.5, 20), (19.5, 20), (18.5, 15), (13.5, 15)]), hex_colour("#cfdde6"), INK, w)


def draw_wifi(c):
    # The wireless symbol: a dot and three arcs spreading upwards.
    h = _card(c, hex_colour("#ece4fb"))
    cx, cy = 16, h - 5
    paint = Linear((cx, cy - 18), hex_colour("#8a63d2"), (cx, cy), hex_colour("#4b2a96"))
    wedge = Polygon([(cx, cy + 1), (cx - 30, cy - 29), (cx + 30, cy - 29)])
    for inner, outer in ((4.5, 7.2), (9.5, 12.2), (14.5, 17.2)):
        arc = Intersection(Difference(Circle(cx, cy, outer), Circle(cx, cy, inner)), wedge)
        c.fill(arc, paint)
    c.fill(Circle(cx, cy - 0.5, 2.3), paint)


def draw_bluetooth(c):
    # The Bluetooth rune, white on a blue badge.
    h = _card(c, hex_colour("#e3efff"))
    cy = h / 2
    badge = RoundRect(8, cy - 13.5, 24, cy + 13.5, 8)
    c.outlined(badge, Linear((8, cy - 13), hex_colour("#3d8bff"), (24, cy + 13), hex_colour("#0a4fc2")),
               hex_colour("#083a8f"), _line(c))
    rune = [(12, cy - 4.8), (20, cy + 3.8), (16, cy + 8), (16, cy - 8), (20, cy - 3.8), (12, cy + 4.8)]
    c.fill(Stroke(rune, 1.9), WHITE)


def draw_printer_port(c):
    # The label printer itself, for a port that the system already has.
    h = _card(c, hex_colour("#eef0f3"))
    zoom = 0.9
    c.place((32 - 32 * zoom) / 2, (h - 32 * zoom) / 2, zoom)
    draw_printer(c, with_label=True)
    c.reset()


# File name -> drawing; the resource script names the files.
ARTWORK = {
    "application.ico": draw_application,  # 128: the program
    "install.ico": draw_install,          # 145: Installation button
    "exit.ico": draw_exit,                # 146: Exit button
    "cross.ico": draw_cross_disc,         # 147: Cancel and Exit of the dialogs, error
    "check.ico": draw_check_disc,         # 148: OK and Close of the dialogs, success
    "uninstall.ico": draw_uninstall,      # 156: Uninstallation and Delete printer buttons
    "bluetooth.bmp": draw_bluetooth,      # 149: the port dialog's interface pictures
    "ethernet.bmp": draw_ethernet,        # 150
    "parallel.bmp": draw_parallel,        # 151
    "serial.bmp": draw_serial,            # 152
    "usb.bmp": draw_usb,                  # 153, shown first
    "wifi.bmp": draw_wifi,                # 154
    "printer-port.bmp": draw_printer_port,  # 155
}

BITMAP_SIZES.update({
    "bluetooth.bmp": (240, 280),
    "ethernet.bmp": (280, 260),
    "parallel.bmp": (325, 240),
    "serial.bmp": (300, 240),
    "usb.bmp": (300, 260),
    "wifi.bmp": (280, 240),
    "printer-port.bmp": (300, 298),
})


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make-art.py OUTDIR\n")
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    for name, draw in ARTWORK.items():
        WRITERS[os.path.splitext(name)[1]](os.path.join(outdir, name), draw)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
