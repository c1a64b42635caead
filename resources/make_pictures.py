#!/usr/bin/python3
# Renders the three button glyphs and the program icon from Noto Sans Old
# Hungarian (Debian's fonts-noto-core, SIL Open Font License):
#
#   /usr/bin/python3 resources/make_pictures.py [--out FOLDER] [FONT.ttf]
#
# Needs only python3-fonttools. The outputs are committed, so the build needs
# neither this script nor the font; run it again only to change a picture.
# Writes, beside this script or into FOLDER: DelButton.bmp, CutButton.bmp, CopyButton.bmp
# (4-bit, 16 colours), vorn.ico (64x64, 4-bit), vorn.png (64x64, 16-colour
# palette), vorn-256.png and vorn.svg (the same icon, larger and scalable).
# For screens with two device pixels to a pixel, each button glyph again at
# twice the size (DelButton@2x.bmp ...) and the icon at 128x128
# (vorn-128.png), drawn afresh from the outlines rather than blown up.
#
# The outlines are filled by a small rasteriser of its own (non-zero winding,
# 16 sub-rows per pixel, exact horizontal coverage), so that no imaging
# library is needed and the result does not change with one's version.

import math
import os
import struct
import sys
import unicodedata
import zlib

from fontTools.pens.basePen import BasePen
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

DEFAULT_FONT = "/usr/share/fonts/truetype/noto/NotoSansOldHungarian-Regular.ttf"
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = HERE

# Each button word, in reading order, as Old Hungarian small letters named as
# in UnicodeData.txt. Reading order is right to left: the first letter is
# placed rightmost.
BUTTONS = [
    # töröl (delete): t, ö, r, ö, l
    ("DelButton.bmp", 58, 16, ["ET", "NIKOLSBURG OE", "ER", "NIKOLSBURG OE", "EL"]),
    # vág (cut); kivág does not fit 37 pixels readably
    ("CutButton.bmp", 37, 18, ["EV", "AA", "EG"]),
    # másol (copy): m, á, s, o, l
    ("CopyButton.bmp", 55, 18, ["EM", "AA", "ES", "O", "EL"]),
]

# The icon shows the capital letter EV, the V of the program's name.
ICON_LETTER = "OLD HUNGARIAN CAPITAL LETTER EV"
ICON_SIZE = 64

BUTTON_FACE = (0xC0, 0xC0, 0xC0)  # the classic light grey of a button face
INK = (0x00, 0x00, 0x00)

# Icon colours: a light wooden tablet with a dark carved letter, as the script
# was cut into wood.
ICON_WOOD = (0xE8, 0xC8, 0x8C)
ICON_CARVE = (0x4A, 0x2A, 0x10)
ICON_EDGE = (0x8C, 0x5A, 0x28)

SUBROWS = 16
CURVE_STEPS = 12


def letter(name):
    return ord(unicodedata.lookup("OLD HUNGARIAN SMALL LETTER " + name))


class PolygonPen(BasePen):
    """Flattens outlines into closed polygons of (x, y) points."""

    def __init__(self, glyph_set):
        super().__init__(glyph_set)
        self.polygons = []
        self.current = None
        self.start = None

    def _moveTo(self, pt):
        self.current = [pt]
        self.start = pt

    def _lineTo(self, pt):
        self.current.append(pt)

    def _qCurveToOne(self, pt1, pt2):
        x0, y0 = self.current[-1]
        for i in range(1, CURVE_STEPS + 1):
            t = i / CURVE_STEPS
            u = 1 - t
            self.current.append((u * u * x0 + 2 * u * t * pt1[0] + t * t * pt2[0],
                                 u * u * y0 + 2 * u * t * pt1[1] + t * t * pt2[1]))

    def _curveToOne(self, pt1, pt2, pt3):
        x0, y0 = self.current[-1]
        for i in range(1, CURVE_STEPS + 1):
            t = i / CURVE_STEPS
            u = 1 - t
            self.current.append((
                u ** 3 * x0 + 3 * u * u * t * pt1[0] + 3 * u * t * t * pt2[0] + t ** 3 * pt3[0],
                u ** 3 * y0 + 3 * u * u * t * pt1[1] + 3 * u * t * t * pt2[1] + t ** 3 * pt3[1]))

    def _closePath(self):
        if self.current and len(self.current) > 2:
            self.polygons.append(self.current)
        self.current = None

    _endPath = _closePath


def coverage(polygons, width, height):
    """Fraction of each pixel covered (non-zero rule); y grows downwards."""
    edges = []
    for poly in polygons:
        for i in range(len(poly)):
            (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % len(poly)]
            if y0 != y1:
                edges.append((x0, y0, x1, y1))
    cover = [[0.0] * width for _ in range(height)]
    for row in range(height * SUBROWS):
        y = (row + 0.5) / SUBROWS
        crossings = []
        for x0, y0, x1, y1 in edges:
            if (y0 <= y < y1) or (y1 <= y < y0):
                x = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
                crossings.append((x, 1 if y1 > y0 else -1))
        crossings.sort()
        winding = 0
        line = cover[row // SUBROWS]
        for x, direction in crossings:
            before = winding
            winding += direction
            if before == 0 and winding != 0:
                span_start = x
            elif before != 0 and winding == 0:
                add_span(line, span_start, x, 1.0 / SUBROWS)
    return cover


def add_span(line, x0, x1, weight):
    x0 = max(0.0, x0)
    x1 = min(float(len(line)), x1)
    if x1 <= x0:
        return
    first, last = int(x0), min(int(math.ceil(x1)) - 1, len(line) - 1)
    for px in range(first, last + 1):
        inside = min(x1, px + 1) - max(x0, px)
        if inside > 0:
            line[px] += inside * weight


def ramp(dark, light, steps):
    return [tuple(round(d + (l - d) * i / (steps - 1)) for d, l in zip(dark, light))
            for i in range(steps)]


def place(font, codepoints, width, height, margin):
    """Outlines of the letters, right to left, scaled to fit the box and
    centred; returns pixel-space polygons."""
    glyph_set = font.getGlyphSet()
    cmap = font.getBestCmap()
    hmtx = font["hmtx"]
    names = [cmap[cp] for cp in codepoints]
    total = sum(hmtx[n][0] for n in names)
    # Ink bounds of the whole word in font units, first letter rightmost.
    pen_x = total
    raw = []
    for n in names:
        pen_x -= hmtx[n][0]
        pen = PolygonPen(glyph_set)
        glyph_set[n].draw(TransformPen(pen, (1, 0, 0, 1, pen_x, 0)))
        raw.extend(pen.polygons)
    xs = [x for p in raw for x, _ in p]
    ys = [y for p in raw for _, y in p]
    left, right, bottom, top = min(xs), max(xs), min(ys), max(ys)
    scale = min((width - 2 * margin) / (right - left), (height - 2 * margin) / (top - bottom))
    offset_x = (width - (right - left) * scale) / 2
    offset_y = (height - (top - bottom) * scale) / 2
    # Start the ink on a whole pixel so that straight strokes land crisply.
    offset_x, offset_y = round(offset_x), round(offset_y)
    return [[(offset_x + (x - left) * scale, offset_y + (top - y) * scale) for x, y in p] for p in raw]


def quantise(cover, levels):
    """Index 0 is full ink, index levels-1 the background."""
    return [[round((1.0 - min(1.0, c)) * (levels - 1)) for c in row] for row in cover]


def bmp4(pixels, palette):
    """A 4-bit BI_RGB Windows bitmap (BITMAPINFOHEADER, bottom-up rows)."""
    height, width = len(pixels), len(pixels[0])
    assert len(palette) <= 16
    row_bytes = ((width * 4 + 31) // 32) * 4
    body = bytearray()
    for row in reversed(pixels):
        packed = bytearray(row_bytes)
        for x, index in enumerate(row):
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        body += packed
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    table += b"\0" * (4 * (16 - len(palette)))
    header_size = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(body), 3780, 3780, 16, 0)
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(body), 0, 0, header_size)
    return file_header + info + table + bytes(body)


def ico4(pixels, palette, transparent):
    """An icon file holding one 4-bit image with its 1-bit AND mask."""
    height, width = len(pixels), len(pixels[0])
    bitmap = bmp4(pixels, palette)[14:]
    # The image header of an icon counts the XOR and AND bitmaps together.
    bitmap = bitmap[:8] + struct.pack("<i", height * 2) + bitmap[12:]
    mask_row_bytes = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        packed = bytearray(mask_row_bytes)
        for x, index in enumerate(row):
            if index == transparent:
                packed[x // 8] |= 0x80 >> (x % 8)
        mask += packed
    image = bitmap + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def png4(pixels, palette, transparent):
    """A 4-bit palette PNG; the transparent index gets alpha 0."""
    height, width = len(pixels), len(pixels[0])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = bytearray()
    for row in pixels:
        packed = bytearray((width + 1) // 2)
        for x, index in enumerate(row):
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        raw += b"\0" + packed
    trns = bytes(0 if i == transparent else 255 for i in range(len(palette)))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(bytes(c) for c in palette))
            + chunk(b"tRNS", trns)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def rounded_tablet(size, radius, edge):
    """Per pixel: 0 outside, 1 edge, 2 inside, for a rounded square."""
    shape = []
    for y in range(size):
        row = []
        for x in range(size):
            cx = min(max(x + 0.5, radius), size - radius)
            cy = min(max(y + 0.5, radius), size - radius)
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            row.append(0 if d > radius else 1 if d > radius - edge else 2)
        shape.append(row)
    return shape


def make_icon(font, size):
    # Palette: 0 transparent, 1 edge, 2..15 a ramp from carved to wood.
    carve_ramp = ramp(ICON_CARVE, ICON_WOOD, 14)
    palette = [(0xFF, 0xFF, 0xFF), ICON_EDGE] + carve_ramp
    cp = ord(unicodedata.lookup(ICON_LETTER))
    unit = size / ICON_SIZE
    polygons = place(font, [cp], size, size, 10 * unit)
    levels = quantise(coverage(polygons, size, size), 14)
    shape = rounded_tablet(size, 10 * unit, 2.5 * unit)
    pixels = [[0 if s == 0 else 1 if s == 1 else 2 + lv for s, lv in zip(srow, lrow)]
              for srow, lrow in zip(shape, levels)]
    return pixels, palette, cp


def icon_svg(font, cp):
    glyph_set = font.getGlyphSet()
    name = font.getBestCmap()[cp]
    # Same placement as the bitmap, in a 64-unit view box.
    pen = PolygonPen(glyph_set)
    glyph_set[name].draw(pen)
    xs = [x for p in pen.polygons for x, _ in p]
    ys = [y for p in pen.polygons for _, y in p]
    left, right, bottom, top = min(xs), max(xs), min(ys), max(ys)
    scale = min((ICON_SIZE - 20) / (right - left), (ICON_SIZE - 20) / (top - bottom))
    dx = (ICON_SIZE - (right - left) * scale) / 2 - left * scale
    dy = (ICON_SIZE - (top - bottom) * scale) / 2 + top * scale
    svg_pen = SVGPathPen(glyph_set)
    glyph_set[name].draw(svg_pen)
    hexa = "#%02x%02x%02x"
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 64 64">\n'
        f'  <rect x="1.25" y="1.25" width="61.5" height="61.5" rx="8.75" fill="{hexa % ICON_WOOD}" '
        f'stroke="{hexa % ICON_EDGE}" stroke-width="2.5"/>\n'
        f'  <path transform="matrix({scale:.6f} 0 0 {-scale:.6f} {dx:.4f} {dy:.4f})" '
        f'fill="{hexa % ICON_CARVE}" d="{svg_pen.getCommands()}"/>\n'
        '</svg>\n')


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as out:
        out.write(data)
    print("wrote", name, len(data), "bytes")


def main():
    global OUT
    args = sys.argv[1:]
    if args[:1] == ["--out"]:
        OUT = args[1]
        args = args[2:]
    font = TTFont(args[0] if args else DEFAULT_FONT)
    palette = ramp(INK, BUTTON_FACE, 16)
    for file_name, width, height, letters in BUTTONS:
        for scale, name in ((1, file_name), (2, file_name.replace(".bmp", "@2x.bmp"))):
            w, h = width * scale, height * scale
            polygons = place(font, [letter(n) for n in letters], w, h, scale)
            write(name, bmp4(quantise(coverage(polygons, w, h), 16), palette))
    pixels, icon_palette, cp = make_icon(font, ICON_SIZE)
    write("vorn.ico", ico4(pixels, icon_palette, 0))
    write("vorn.png", png4(pixels, icon_palette, 0))
    pixels, icon_palette, cp = make_icon(font, 2 * ICON_SIZE)
    write("vorn-128.png", png4(pixels, icon_palette, 0))
    pixels, icon_palette, cp = make_icon(font, 256)
    write("vorn-256.png", png4(pixels, icon_palette, 0))
    write("vorn.svg", icon_svg(font, cp).encode())


if __name__ == "__main__":
    main()
