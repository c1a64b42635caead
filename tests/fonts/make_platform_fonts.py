#!/usr/bin/python3
"""Builds the fonts that test how the platform layer picks and reads faces.

Run with Debian's interpreter (it has python3-fonttools):
    /usr/bin/python3 tests/fonts/make_platform_fonts.py OUTPUT_DIR
It writes the fonts and a fonts.conf that shows fontconfig only them; point
FONTCONFIG_FILE at that file. Each face maps one code point of its own, so a
test sees from the coverage which face was read:
  "Vorn Styles": Regular U+0860, Bold U+0861, Italic U+0862, Condensed U+0863
  "Vorn Weights": Light U+0864, Black U+0865 (no regular: Light is nearer)
  "Vorn Pair One" / "Vorn Pair Two": a collection of two faces, U+0866 / U+0867
  "Vorn Typographic" (name ID 16) with legacy family "Vorn Typographic Book"
  (name ID 1), one face, U+0868
"""
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTCollection

sys.dont_write_bytecode = True  # keep the source folder free of caches
import make_test_fonts  # noqa: E402  (beside this script)

UPEM = 1000


def box():
    pen = TTGlyphPen(None)
    pen.moveTo((100, 0))
    pen.lineTo((100, 700))
    pen.lineTo((500, 700))
    pen.lineTo((500, 0))
    pen.closePath()
    return pen.glyph()


def face(family, style, code, weight=400, width=5, italic=False, typographic=None):
    names = [".notdef", "g"]
    fb = FontBuilder(UPEM, isTTF=True)
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({code: "g"})
    fb.setupGlyf({".notdef": box(), "g": box()})
    fb.setupHorizontalMetrics({".notdef": (600, 100), "g": (600, 100)})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    name = {"familyName": family, "styleName": style}
    if typographic:
        name["typographicFamily"] = typographic
        name["typographicSubfamily"] = style
    fb.setupNameTable(name)
    fs_selection = 0x01 if italic else (0x20 if weight >= 700 else 0x40)
    fb.setupOS2(usWeightClass=weight, usWidthClass=width, fsSelection=fs_selection,
                usWinAscent=800, usWinDescent=200, version=4)
    fb.setupPost(italicAngle=-12 if italic else 0)
    mac_style = (0x01 if weight >= 700 else 0) | (0x02 if italic else 0)
    fb.font["head"].macStyle = mac_style
    return fb.font


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    singles = [
        ("StylesRegular.ttf", face("Vorn Styles", "Regular", 0x0860)),
        ("StylesBold.ttf", face("Vorn Styles", "Bold", 0x0861, weight=700)),
        ("StylesItalic.ttf", face("Vorn Styles", "Italic", 0x0862, italic=True)),
        ("StylesCondensed.ttf", face("Vorn Styles", "Condensed", 0x0863, width=3)),
        ("WeightsLight.ttf", face("Vorn Weights", "Light", 0x0864, weight=300)),
        ("WeightsBlack.ttf", face("Vorn Weights", "Black", 0x0865, weight=900)),
        ("Typographic.ttf", face("Vorn Typographic Book", "Regular", 0x0868,
                                 typographic="Vorn Typographic")),
    ]
    for filename, font in singles:
        font.save(os.path.join(out, filename))
    pair = TTCollection()
    pair.fonts = [face("Vorn Pair One", "Regular", 0x0866), face("Vorn Pair Two", "Regular", 0x0867)]
    pair.save(os.path.join(out, "Pair.ttc"))

    make_test_fonts.write_fonts_conf(out)


if __name__ == "__main__":
    main()
