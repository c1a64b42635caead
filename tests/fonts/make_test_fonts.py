#!/usr/bin/python3
"""Builds the small TrueType fonts that the tests draw with and catalogue.

Run with Debian's interpreter (it has python3-fonttools):
    /usr/bin/python3 tests/fonts/make_test_fonts.py OUTPUT_DIR
It writes the fonts and a fonts.conf that shows fontconfig only them; point
FONTCONFIG_FILE at that file.

Every face has 2048 units per em, so at the 32-pixel em one pixel is 64 units
and every advance and metric below is a whole number of pixels.

"Vorn Test Sans" (the drawing face):
  usWinAscent 1536 (24 px), usWinDescent 512 (8 px): internal leading 0;
  hhea ascender 1536, descender -512, lineGap 256: external leading 4 px;
  so a line is 36 px high.
  space U+0020: 10 px; U+000D and U+000A: 6 px; U+0860 + k: 10 + 4 * (k % 4) px
  for k in 0..0x37 (U+0860..U+0897); the missing glyph: 20 px.
  Each glyph is a filled box 2 px inside its advance, from 4 px below the top of
  the line to 4 px above its bottom.
"""
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

UPEM = 2048
PX = UPEM // 32
ASCENT = 24 * PX
DESCENT = 8 * PX


def box_glyph(advance_px):
    pen = TTGlyphPen(None)
    if advance_px > 4:
        left, right = 2 * PX, (advance_px - 2) * PX
        bottom, top = -DESCENT + 4 * PX, ASCENT - 4 * PX
        pen.moveTo((left, bottom))
        pen.lineTo((left, top))
        pen.lineTo((right, top))
        pen.lineTo((right, bottom))
        pen.closePath()
    return pen.glyph()


def letter_advance(code):
    return 10 + 4 * ((code - 0x0860) % 4)


def build(path, family, advances, os2=True, line_gap=256, extra_cmap=None,
          cmap_format=4):
    """advances: {code point: advance in px}. Glyph names follow the codes."""
    names = [".notdef"] + ["u%04X" % code for code in sorted(advances)]
    fb = FontBuilder(UPEM, isTTF=True)
    fb.setupGlyphOrder(names)
    cmap = {code: "u%04X" % code for code in advances}
    fb.setupCharacterMap(cmap)
    glyphs = {".notdef": box_glyph(20)}
    metrics = {".notdef": (20 * PX, 2 * PX)}
    for code, adv in advances.items():
        glyphs["u%04X" % code] = box_glyph(adv)
        metrics["u%04X" % code] = (adv * PX, 2 * PX if adv > 4 else 0)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT, lineGap=line_gap)
    fb.setupNameTable({"familyName": family, "styleName": "Regular"})
    fb.setupOS2(usWinAscent=ASCENT, usWinDescent=DESCENT,
                sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=line_gap,
                version=4)
    fb.setupPost()
    fb.setupDummyDSIG = None
    font = fb.font
    if cmap_format != 4:
        # Replace the Windows Unicode BMP subtable by one of another format,
        # keeping a readable (0, 3) one so that fontconfig still lists the face.
        table = font["cmap"]
        kept = [t for t in table.tables if not (t.platformID == 3 and t.platEncID == 1)]
        sub = CmapSubtable.newSubtable(cmap_format)
        sub.platformID, sub.platEncID, sub.language = 3, 1, 0
        sub.cmap = dict(cmap)
        table.tables = kept + [sub]
    if not os2:
        del font["OS/2"]
    font.save(path)


def write_fonts_conf(out, more_dirs=()):
    """A fontconfig file that shows fontconfig the fonts in out (and in
    more_dirs) and no others. Its cache folder lies in out but is not scanned
    for fonts: a scanned one changes with every cache written, and every
    fontconfig start would write its cache anew. The folder is made here:
    fontconfig gives up on a cache folder whose mkdir loses a race with
    another process, and tests start many at once in a fresh tree."""
    cache = os.path.abspath(os.path.join(out, "cache"))
    os.makedirs(cache, exist_ok=True)
    dirs = "".join("  <dir>%s</dir>\n" % os.path.abspath(d) for d in (out, *more_dirs))
    with open(os.path.join(out, "fonts.conf"), "w", encoding="utf-8") as conf:
        conf.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n'
                   "<fontconfig>\n%s  <cachedir>%s</cachedir>\n"
                   "  <selectfont><rejectfont><glob>%s</glob></rejectfont></selectfont>\n"
                   "</fontconfig>\n" % (dirs, cache, cache))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    script = {code: letter_advance(code) for code in range(0x0860, 0x0898)}
    base = {0x20: 10, 0x0D: 6, 0x0A: 6}
    latin = {code: 12 for code in range(0x41, 0x5B)}

    faces = [
        ("VornTestSans.ttf", "Vorn Test Sans", {**base, **latin, **script}, {}),
        ("VornLastOnly.ttf", "Vorn Last Only", {0x20: 10, 0x089F: 16}, {}),
        ("VornBelow.ttf", "Vorn Below", {0x20: 10, 0x085E: 16, 0x085F: 16}, {}),
        ("VornAbove.ttf", "Vorn Above", {0x20: 10, 0x08A0: 16, 0x08A1: 16}, {}),
        ("VornNoOS2.ttf", "Vorn No OS2", {0x20: 10, 0x0860: 16}, {"os2": False}),
        ("VornLongName.ttf", "Vorn Test Face With A Really Long Family Name",
         {0x20: 10, 0x0860: 16, 0x0861: 16}, {}),
        ("Zeta.ttf", "Zeta", {0x20: 10, 0x0865: 16}, {}),
        ("alpha.ttf", "alpha", {0x20: 10, 0x0870: 16}, {}),
        ("Ebene.ttf", "\u00c9b\u00e8ne", {0x20: 10, 0x0880: 16}, {}),
        ("VornFormat12.ttf", "Vorn Format12", {0x20: 10, 0x0860: 16}, {"cmap_format": 12}),
    ]
    for filename, family, advances, options in faces:
        build(os.path.join(out, filename), family, advances, **options)

    write_fonts_conf(out)


if __name__ == "__main__":
    main()
