#!/usr/bin/python3
"""Builds broken font files, beside a few good ones, for the hostile-font tests.

Run with Debian's interpreter (it has python3-fonttools):
    /usr/bin/python3 tests/faults/make_hostile_fonts.py OUTPUT_DIR
It writes the fonts, a fonts.conf that shows fontconfig only them (point
FONTCONFIG_FILE at it) and expected_faces.txt: the family names that the font
selector must list, one per line, sorted.

Every broken face is a face that would cover U+0860..U+0863 if it were read
right; each is damaged by byte surgery on a good file, so that the damage is
exactly the one its name says. A face whose damage leaves its Windows Unicode
cmap subtable readable (a lying numTables in front of a sound record, a broken
OS/2 table) still covers the range and must still be listed; every other one
must not be, and none may crash or hang the catalogue.
"""
import os
import struct
import sys

sys.dont_write_bytecode = True  # leave no cache in the test fonts folder
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fonts"))
import make_test_fonts  # noqa: E402

RANGE = {0x20: 10, 0x41: 12, 0x0860: 16, 0x0861: 16, 0x0862: 16, 0x0863: 16}


# ---- sfnt surgery -------------------------------------------------------

def table_records(data):
    """{tag: (index of its 16-byte record, offset, length)}"""
    count = struct.unpack_from(">H", data, 4)[0]
    records = {}
    for i in range(count):
        tag, _checksum, offset, length = struct.unpack_from(">4sIII", data, 12 + 16 * i)
        records[tag.decode("latin-1")] = (i, offset, length)
    return records


def set_record(data, tag, offset=None, length=None):
    data = bytearray(data)
    index, old_offset, old_length = table_records(data)[tag]
    struct.pack_into(">II", data, 12 + 16 * index + 8,
                     old_offset if offset is None else offset,
                     old_length if length is None else length)
    return bytes(data)


def replace_table(data, tag, table):
    """Appends new table bytes at the end (4-byte aligned) and points tag at them."""
    data = bytes(data) + b"\0" * (-len(data) % 4)
    return set_record(data + table, tag, offset=len(data), length=len(table))


def table(data, tag):
    _index, offset, length = table_records(data)[tag]
    return data[offset:offset + length]


# ---- cmap tables built field by field ------------------------------------

def u16(*values):
    return b"".join(struct.pack(">H", v & 0xFFFF) for v in values)


def u32(*values):
    return b"".join(struct.pack(">I", v & 0xFFFFFFFF) for v in values)


def cmap_header(num_tables, records):
    """records: [(platformID, encodingID, offset)]"""
    return u16(0, num_tables) + b"".join(u16(p, e) + u32(o) for p, e, o in records)


def format4(segments, seg_count_x2=None):
    """segments: [(startCode, endCode, idDelta)], idRangeOffset 0 throughout."""
    n = len(segments)
    body = (u16(2 * n if seg_count_x2 is None else seg_count_x2, 0, 0, 0)  # segCountX2, search fields
            + u16(*[end for _s, end, _d in segments])                       # endCode
            + u16(0)                                                        # reservedPad
            + u16(*[start for start, _e, _d in segments])                   # startCode
            + u16(*[delta for _s, _e, delta in segments])                   # idDelta
            + u16(*[0] * n))                                                # idRangeOffset
    return u16(4, 6 + len(body), 0) + body


# Glyph ids of the base face: .notdef, then the codes of RANGE in order, so
# U+0860..U+0863 are glyphs 3..6 and idDelta 3 - 0x0860 maps them.
RANGE_SEGMENTS = [(0x0860, 0x0863, 3 - 0x0860), (0xFFFF, 0xFFFF, 1)]


def cmap_num_tables_lie():
    # numTables 0xFFFF (the truth is 1): the records after the real one are
    # read from the subtable's bytes until a record no longer fits.
    sub = format4(RANGE_SEGMENTS)
    return cmap_header(0xFFFF, [(3, 1, 12)]) + sub


def cmap_seg_count_lie():
    # segCountX2 0xFFFE (the truth is 4): the arrays behind endCode lie far
    # past the end of the table.
    return cmap_header(1, [(3, 1, 12)]) + format4(RANGE_SEGMENTS, seg_count_x2=0xFFFE)


def cmap_entry_count_lie():
    # Format 6 from U+0850 with entryCount 0xFFFF, but the table ends after
    # sixteen entries, before U+0860.
    sub = u16(6, 10 + 2 * 16, 0) + u16(0x0850, 0xFFFF) + u16(*[1] * 16)
    return cmap_header(1, [(3, 1, 12)]) + sub


def cmap_offset_past_end():
    # One record 16 MiB past the end, one whose 6-byte header would straddle it,
    # one near the top of the 32-bit range (no wrap-around allowed).
    sub = format4(RANGE_SEGMENTS)
    size = 4 + 8 * 3 + len(sub)
    return cmap_header(3, [(3, 1, 0x01000000), (3, 1, size - 3), (3, 1, 0xFFFFFFFC)]) + sub


def cmap_format2():
    # (3, 1) in format 2: the high-byte mapping of CJK code pages, not read.
    sub = u16(2, 6 + 512 + 8, 0) + u16(*[0] * 256) + u16(0, 0, 0, 0)
    return cmap_header(1, [(3, 1, 12)]) + sub


def cmap_format12():
    # (3, 1) in format 12, with a group that covers the range.
    sub = u16(12, 0) + u32(16 + 12, 0, 1) + u32(0x0860, 0x0863, 3)
    return cmap_header(1, [(3, 1, 12)]) + sub


# ---- the fonts -----------------------------------------------------------

def good_face(path, family, advances=RANGE):
    make_test_fonts.build(path, family, advances)
    with open(path, "rb") as f:
        return f.read()


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    scratch = os.path.join(out, "scratch.ttf")

    # Good faces: two that cover the range, one that does not.
    good_face(os.path.join(out, "VornTestSans.ttf"), "Vorn Test Sans",
              {0x20: 10, 0x41: 12, **{c: 12 for c in range(0x0860, 0x0898)}})
    good_face(os.path.join(out, "Zeta.ttf"), "Zeta", {0x20: 10, 0x0865: 16})
    good_face(os.path.join(out, "VornBelow.ttf"), "Vorn Below", {0x20: 10, 0x085E: 16, 0x085F: 16})
    expected = ["Vorn Test Sans", "Zeta"]

    def hostile(filename, family, damage, listed):
        data = good_face(scratch, family)
        with open(os.path.join(out, filename), "wb") as f:
            f.write(damage(data))
        if listed:
            expected.append(family)

    hostile("TruncatedHalf.ttf", "Hostile Truncated Half", lambda d: d[:len(d) // 2], False)
    hostile("TruncatedInDirectory.ttf", "Hostile Truncated Directory", lambda d: d[:40], False)
    hostile("DirectoryNumTablesLie.ttf", "Hostile Directory Count",
            lambda d: d[:4] + u16(0x0FFF) + d[6:], False)
    hostile("CmapOffsetPastEnd.ttf", "Hostile Cmap Record Past End",
            lambda d: set_record(d, "cmap", offset=len(d) + 4096), False)
    hostile("CmapLengthPastEnd.ttf", "Hostile Cmap Length Past End",
            lambda d: set_record(d, "cmap", length=0x7FFFFFF0), False)
    hostile("CmapZeroLength.ttf", "Hostile Cmap Zero Length",
            lambda d: set_record(d, "cmap", length=0), False)
    hostile("CmapNumTablesLie.ttf", "Hostile Cmap NumTables",
            lambda d: replace_table(d, "cmap", cmap_num_tables_lie()), True)
    hostile("CmapSegCountLie.ttf", "Hostile Cmap SegCount",
            lambda d: replace_table(d, "cmap", cmap_seg_count_lie()), False)
    hostile("CmapEntryCountLie.ttf", "Hostile Cmap EntryCount",
            lambda d: replace_table(d, "cmap", cmap_entry_count_lie()), False)
    hostile("CmapSubtablePastEnd.ttf", "Hostile Cmap Subtable Past End",
            lambda d: replace_table(d, "cmap", cmap_offset_past_end()), False)
    hostile("CmapFormat2.ttf", "Hostile Cmap Format2",
            lambda d: replace_table(d, "cmap", cmap_format2()), False)
    hostile("CmapFormat12.ttf", "Hostile Cmap Format12",
            lambda d: replace_table(d, "cmap", cmap_format12()), False)
    hostile("OS2TenBytes.ttf", "Hostile OS2 Ten Bytes",
            lambda d: replace_table(d, "OS/2", table(d, "OS/2")[:10]), True)
    hostile("Empty.ttf", "Hostile Empty", lambda d: b"", False)
    os.remove(scratch)

    with open(os.path.join(out, "expected_faces.txt"), "w", encoding="utf-8") as f:
        f.write("".join(name + "\n" for name in sorted(expected)))
    make_test_fonts.write_fonts_conf(out)


if __name__ == "__main__":
    main()
