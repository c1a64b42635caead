#!/usr/bin/python3
"""Builds the faces that test which face and which glyph the renderer picks.

Run with Debian's interpreter (it has python3-fonttools):
    /usr/bin/python3 tests/render/make_render_fonts.py OUTPUT_DIR TEST_FONTS_DIR
It writes the faces and a fonts.conf that shows fontconfig them and the shared
test fonts in TEST_FONTS_DIR (made by tests/fonts/make_test_fonts.py), no
others. Glyphs are the shared set's boxes, 2 px inside their advance:
  "Vorn Charmaps": its (3, 1) subtable maps U+0860 to a 10 px glyph, while its
  (0, 3) and (3, 10) subtables map U+0860 to a 20 px one.
  "Vorn Render Face With A Long Family Alpha" and "... Beta": the same first
  31 bytes; U+0860 is 16 px in Alpha and 24 px in Beta.
"""
import os
import sys

from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

sys.dont_write_bytecode = True  # keep the source folder free of caches
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fonts"))
import make_test_fonts  # noqa: E402

LONG_FAMILY = "Vorn Render Face With A Long Family "


def charmaps_face(path):
    make_test_fonts.build(path, "Vorn Charmaps", {0x20: 10, 0x0860: 10, 0x0861: 20})
    font = TTFont(path)
    wide = {0x20: "u0020", 0x0860: "u0861", 0x0861: "u0861"}
    cmap = font["cmap"]
    for table in cmap.tables:
        if (table.platformID, table.platEncID) != (3, 1):
            table.cmap = dict(wide)
    full = CmapSubtable.newSubtable(12)
    full.platformID, full.platEncID, full.language = 3, 10, 0
    full.cmap = dict(wide)
    cmap.tables.append(full)
    font.save(path)


def main():
    out, shared = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    charmaps_face(os.path.join(out, "Charmaps.ttf"))
    make_test_fonts.build(os.path.join(out, "LongAlpha.ttf"), LONG_FAMILY + "Alpha", {0x20: 10, 0x0860: 16})
    make_test_fonts.build(os.path.join(out, "LongBeta.ttf"), LONG_FAMILY + "Beta", {0x20: 10, 0x0860: 24})
    make_test_fonts.write_fonts_conf(out, [shared])


if __name__ == "__main__":
    main()
