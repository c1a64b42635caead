#!/usr/bin/python3
"""Prints the "Description" text of a PNG file as hex bytes of UTF-8, as a
program that receives the picture reads it (tEXt, zTXt or iTXt, compressed or
not); prints nothing when there is none.

    png_description.py FILE.png
"""
import struct
import sys
import zlib


def description(data):
    pos = 8
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        keyword, _, rest = body.partition(b"\0")
        if keyword != b"Description":
            continue
        if kind == b"tEXt":
            return rest.decode("latin-1").encode()
        if kind == b"zTXt":
            return zlib.decompress(rest[1:]).decode("latin-1").encode()
        if kind == b"iTXt":
            compressed = rest[0]
            _language, _, rest = rest[2:].partition(b"\0")
            _translated, _, text = rest.partition(b"\0")
            return zlib.decompress(text) if compressed else text
    return b""


with open(sys.argv[1], "rb") as f:
    print(" ".join("%02x" % b for b in description(f.read())))
