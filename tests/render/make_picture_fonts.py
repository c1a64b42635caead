#!/usr/bin/python3
"""Builds the faces that the picture tests draw with, where boxes on whole
pixels would look the same blown up as drawn sharp.

Run with Debian's interpreter (it has python3-fonttools):
    /usr/bin/python3 tests/render/make_picture_fonts.py OUTPUT_DIR SHARED_FONTS_DIR
It writes the fonts beside copies of the shared test fonts (from
SHARED_FONTS_DIR; their names sort around the new ones, so the shared faces keep
their places in the font list) and a fonts.conf that shows fontconfig them all.

"Vorn Wave" (quadratic TrueType outlines) and "Vorn Wave Cubic" (CFF, cubic
outlines) have the metrics of "Vorn Test Sans" (a 36-pixel line at the 32-pixel
em, ascent 24); U+0860..U+0897 are 16 px wide, each a slanted stroke and a
round dot; the space is 10 px and empty. "VornBitmap.bdf" is a face with
bitmaps only (16 px, U+0860 a solid 6 x 10 block).
"""
import glob
import os
import shutil
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen

sys.dont_write_bytecode = True  # keep the source folder free of caches
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fonts"))
import make_test_fonts  # noqa: E402
from make_test_fonts import ASCENT, DESCENT, PX, UPEM  # noqa: E402

LETTERS = range(0x0860, 0x0898)


def draw_letter(pen, cubic):
    """A slanted stroke and a dot of four curved quarters, in font units."""
    pen.moveTo((2 * PX, -4 * PX))
    pen.lineTo((6 * PX, 20 * PX))
    pen.lineTo((9 * PX, 20 * PX))
    pen.lineTo((5 * PX, -4 * PX))
    pen.closePath()
    cx, cy, r = 12 * PX, 6 * PX, 3 * PX
    pen.moveTo((cx, cy - r))
    points = [(cx + r, cy), (cx, cy + r), (cx - r, cy), (cx, cy - r)]
    start = (cx, cy - r)
    for end in points:
        # The corner of the square around the quarter: the one control point
        # of a quadratic, the direction of both of a cubic.
        corner = (end[0] if start[0] == cx else start[0], end[1] if start[1] == cy else start[1])
        if cubic:
            pen.curveTo(tuple(s + (c - s) * 0.55 for s, c in zip(start, corner)),
                        tuple(e + (c - e) * 0.55 for e, c in zip(end, corner)), end)
        else:
            pen.qCurveTo(corner, end)
        start = end
    pen.closePath()


def build(path, family, cubic):
    codes = [0x20] + list(LETTERS)
    names = [".notdef"] + ["u%04X" % c for c in codes]
    advances = {".notdef": 20 * PX, "u0020": 10 * PX, **{"u%04X" % c: 16 * PX for c in LETTERS}}
    fb = FontBuilder(UPEM, isTTF=not cubic)
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({c: "u%04X" % c for c in codes})
    glyphs = {}
    for name in names:
        pen = T2CharStringPen(advances[name], None) if cubic else TTGlyphPen(None)
        if name not in (".notdef", "u0020"):
            draw_letter(pen, cubic)
        glyphs[name] = pen.getCharString() if cubic else pen.glyph()
    if cubic:
        fb.setupCFF(family.replace(" ", ""), {"FullName": family}, glyphs, {})
    else:
        fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({name: (advances[name], 0) for name in names})
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT, lineGap=256)
    fb.setupNameTable({"familyName": family, "styleName": "Regular"})
    fb.setupOS2(usWinAscent=ASCENT, usWinDescent=DESCENT, sTypoAscender=ASCENT,
                sTypoDescender=-DESCENT, sTypoLineGap=256, version=4)
    fb.setupPost()
    fb.save(path)


def write_bitmap_face(path):
    block = ["00"] * 2 + ["FC"] * 10 + ["00"] * 4
    with open(path, "w", encoding="ascii") as bdf:
        bdf.write("STARTFONT 2.1\nFONT -vorn-Vorn Bitmap-Medium-R-Normal--16-160-72-72-C-80-ISO10646-1\n"
                  "SIZE 16 72 72\nFONTBOUNDINGBOX 8 16 0 -4\nSTARTPROPERTIES 4\n"
                  'FAMILY_NAME "Vorn Bitmap"\nPIXEL_SIZE 16\nFONT_ASCENT 12\nFONT_DESCENT 4\n'
                  "ENDPROPERTIES\nCHARS 2\n")
        for name, code, rows in (("space", 0x20, ["00"] * 16), ("u0860", 0x0860, block)):
            bdf.write("STARTCHAR %s\nENCODING %d\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 8 16 0 -4\nBITMAP\n%s\n"
                      "ENDCHAR\n" % (name, code, "\n".join(rows)))
        bdf.write("ENDFONT\n")


def main():
    out, shared = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    build(os.path.join(out, "VornWave.ttf"), "Vorn Wave", cubic=False)
    build(os.path.join(out, "VornWaveCubic.otf"), "Vorn Wave Cubic", cubic=True)
    write_bitmap_face(os.path.join(out, "VornBitmap.bdf"))
    for font in glob.glob(os.path.join(shared, "*.ttf")):
        shutil.copy(font, out)
    make_test_fonts.write_fonts_conf(out)


if __name__ == "__main__":
    main()
