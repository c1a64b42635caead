#!/usr/bin/python3
"""Builds two versions of one face for the face cache tests.

Run with Debian's interpreter (it has python3-fonttools):
    /usr/bin/python3 tests/fonts/make_cache_fonts.py OUTPUT_DIR
The tests install one version, then write the other over it. Both are the
family "Vorn Cached", so that whatever the font database makes of the change,
only the file's content tells the versions apart:
  Cached.ttf         U+0020 and U+0860: listed for the script
  CachedChanged.ttf  U+0020, U+0041 and U+085F: a larger file, not listed
"""
import os
import sys

sys.dont_write_bytecode = True  # keep the source folder free of caches
import make_test_fonts  # noqa: E402  (beside this script)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    make_test_fonts.build(os.path.join(out, "Cached.ttf"), "Vorn Cached", {0x20: 10, 0x0860: 16})
    make_test_fonts.build(os.path.join(out, "CachedChanged.ttf"), "Vorn Cached",
                          {0x20: 10, 0x41: 12, 0x085F: 16})


if __name__ == "__main__":
    main()
