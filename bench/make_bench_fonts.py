#!/usr/bin/python3
"""Builds a large set of installed faces for the font benchmarks.

Run with Debian's interpreter (it has python3-fonttools):
    /usr/bin/python3 bench/make_bench_fonts.py COUNT OUTPUT_DIR
It writes COUNT faces, one family each ("Vorn Bench 0000", ...), and a
fonts.conf that shows fontconfig only them, with fontconfig's cache in the
same folder; point FONTCONFIG_FILE at that file. Every face maps Basic Latin
and Latin-1; one in eight also maps part of U+0860..U+089F, as the few
script faces among a designer's many do.
"""
import os
import sys

sys.dont_write_bytecode = True  # keep the source folder free of caches
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fonts"))
import make_test_fonts  # noqa: E402

LATIN = {code: 12 for code in list(range(0x20, 0x7F)) + list(range(0xA0, 0x100))}


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_bench_fonts.py COUNT OUTPUT_DIR")
    count, out = int(sys.argv[1]), sys.argv[2]
    os.makedirs(out, exist_ok=True)
    for i in range(count):
        advances = dict(LATIN)
        if i % 8 == 0:
            advances.update({code: 16 for code in range(0x0860 + i % 16, 0x08A0)})
        make_test_fonts.build(os.path.join(out, "Bench%05d.ttf" % i), "Vorn Bench %04d" % i, advances)
    make_test_fonts.write_fonts_conf(out)


if __name__ == "__main__":
    main()
