#!/usr/bin/python3
"""Writes the fuzzers' seed corpora into fuzz/corpus/<target>/.

Run with Debian's interpreter (it has python3-fonttools), from anywhere:
    /usr/bin/python3 fuzz/make_corpus.py
The output is committed; run it again only to change the seeds. The face
cache seeds are real caches, written by a built program over the test fonts
and over the installed fonts; give it to make them too:
    /usr/bin/python3 fuzz/make_corpus.py build/app/vorn The cmap and
OS/2 seeds are tables taken from the test fonts, from a few small installed
fonts (those missing here are skipped) and a few built byte by byte for the
formats and versions that no font at hand has. The font file seeds are test
fonts, a collection of two and a few damaged copies.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from fontTools.ttLib import TTCollection, TTFont

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # leave no cache in the test fonts folder
sys.path.insert(0, os.path.join(HERE, "..", "tests", "fonts"))
import make_test_fonts  # noqa: E402

CORPUS = os.path.join(HERE, "corpus")
TEST_FACES = ["VornTestSans.ttf", "VornLastOnly.ttf", "VornFormat12.ttf"]
SYSTEM_FONTS = [
    "/usr/share/fonts/truetype/noto/NotoSansRunic-Regular.ttf",
    "/usr/share/fonts/truetype/noto/NotoSansOldHungarian-Regular.ttf",
    "/usr/share/fonts/truetype/noto/NotoSansSamaritan-Regular.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
]
MAX_TABLE = 4096  # larger tables only slow the fuzzer down


def u16(*values):
    return b"".join(struct.pack(">H", v & 0xFFFF) for v in values)


def cmap_with(subtable, platform=3, encoding=1):
    """A cmap table of one encoding record pointing at subtable."""
    return u16(0, 1) + u16(platform, encoding) + struct.pack(">I", 12) + subtable


def built_cmaps():
    format0 = u16(0, 262, 0) + bytes(0x41) + b"\x03" + bytes(256 - 0x42)
    format6 = u16(6, 16, 0) + u16(0x0860, 3) + u16(5, 0, 7)
    # One segment 0x0041..0x0043 with idDelta, one through the glyph array,
    # and the closing 0xFFFF segment.
    format4 = (u16(4, 0, 0) + u16(6, 4, 1, 2)      # format, length, language; segCountX2, search fields
               + u16(0x0043, 0x0861, 0xFFFF)       # endCode
               + u16(0)                            # reservedPad
               + u16(0x0041, 0x0860, 0xFFFF)       # startCode
               + u16(0xFFC3, 0, 1)                 # idDelta
               + u16(0, 4, 0)                      # idRangeOffset (second: to the glyph array)
               + u16(9, 10))                       # glyph index array
    format2 = u16(2, 6, 0)
    two_records = (u16(0, 2) + u16(3, 1) + struct.pack(">I", 20)
                   + u16(3, 1) + struct.pack(">I", 20 + len(format6)) + format6 + format0)
    return {
        "built_format0": cmap_with(format0),
        "built_format4": cmap_with(format4),
        "built_format6": cmap_with(format6),
        "built_format2": cmap_with(format2),
        "built_two_records": two_records,
        "built_symbol_only": cmap_with(format4, 3, 0),
    }


def built_os2():
    body = bytearray(96)
    struct.pack_into(">HhHH", body, 0, 0, 500, 400, 5)
    tables = {}
    for version, size in ((0, 78), (1, 86), (2, 96), (5, 100)):
        table = bytearray(body) + bytes(max(0, size - 96))
        struct.pack_into(">H", table, 0, version)
        tables["built_v%d_%d" % (version, size)] = bytes(table[:size])
    tables["built_short_10"] = bytes(tables["built_v2_96"][:10])
    return tables


PROFILES = {
    # section \ key \ value \ then the file; the last two bytes pick the
    # size of the section listing buffer.
    "plain": b"VORN\\xFontName\\xArial\\x[VORN]\nFontName=Tirna 0860\n\x00\x80",
    "others": b"VORN\\xFontName\\x \\x[Other]\nA=1\n\n[VORN]\nfontname = Old\nB=2\n[Last]\n\x00\xff",
    "crlf_bom": b"vorn\\xFONTNAME\\xNew name\\x\xef\xbb\xbf[VORN]\r\nFontName=x\r\n; note\r\n\x01\x00",
    "junk": b"S\\xK\\xV\\xjunk line\n[unclosed\n=novalue\n[]\nk=v\n[S]]\n\x00\x10",
}

def built_font_files(fonts):
    """fuzz_sfnt seeds: two bytes of face index, then a font file."""
    def face(index, data):
        return struct.pack(">H", index) + data

    with open(os.path.join(fonts, "VornLastOnly.ttf"), "rb") as f:
        single = f.read()
    pair = TTCollection()
    pair.fonts = [TTFont(os.path.join(fonts, name)) for name in ("VornLastOnly.ttf", "Zeta.ttf")]
    with tempfile.TemporaryFile() as f:
        pair.save(f)
        f.seek(0)
        collection = f.read()
    absurd = collection[:8] + struct.pack(">I", 0xFFFFFFFF) + collection[12:]
    # The first record's offset (at byte 12 + 8) moved past the end of the file.
    past_end = single[:20] + struct.pack(">I", len(single) + 64) + single[24:]
    return {
        "built_single": face(0, single),
        "built_collection_face1": face(1, collection),
        "built_absurd_numFonts": face(7, absurd),
        "built_record_past_end": face(0, past_end),
        "built_truncated": face(0, single[:40]),
    }


KEYSTROKES = {
    # 3 bytes a key: virtual-key code (big-endian), modifier bits.
    "letters": u16(0x41) + b"\x00" + u16(0x42) + b"\x01" + u16(0x43) + b"\x06" + u16(0x20) + b"\x00",
    "editing": (u16(0x41) + b"\x00") * 3 + u16(0x27) + b"\x00" + u16(0x08) + b"\x00"
               + u16(0x25) + b"\x00" + u16(0x20) + b"\x08" + u16(0x08) + b"\x00",
    "odd_codes": u16(0x100) + b"\x00" + u16(0xFFFF) + b"\x04" + u16(0x141) + b"\x06" + u16(0x0D) + b"\x00",
}


def kept_text(units, cursor):
    return b"VORN KEPT TEXT 1 cursor=%d\n" % cursor + "".join(units).encode("utf-16-le", "surrogatepass")


KEPT_TEXTS = {
    # The file form of a kept text, whole and as a crash or a copy leaves it.
    "plain": kept_text("\u0860\u0861\u0862", 2),
    "space_and_lone_surrogate": kept_text(" \u0892\ud800", 3),
    "cursor_past_end": kept_text("\u0860", 9),
    "no_line_end": b"VORN KEPT TEXT 1 cursor=0",
    "odd_length": kept_text("\u0860", 0)[:-1],
    "unit_zero": kept_text("\u0860\u0000", 0),
    "cursor_past_32_bits": kept_text("\u0860", 0).replace(b"=0", b"=4294967296"),
    "empty": b"",
}

TEXT_FILES = {
    # Open text's input: UTF-8 as editors and Save text write it, and not quite.
    "old_hungarian": "\u0860\u0861\n\u0862".encode(),
    "marks_crlf_astral": b"\xef\xbb\xbf\xe2\x80\x8f\xe0\xa1\xa0\r\n\xf0\x90\xb2\x80\r",
    "overlong_and_surrogate": b"\xc0\xaf\xed\xa0\x80a",
    "latin1": b"caf\xe9",
    "nul": b"a\x00b",
}


def history_units(text):
    return bytes([len(text)]) + text.encode("utf-16-le")


# One operation after another, picked by the first byte modulo 8 (see the
# target's header): 0 a key (code, flags), 3 undo, 4 redo, 5 Open, 6 Restore,
# 7 Delete or Cut.
EDIT_HISTORIES = {
    "type_open_undo": u16(0x41) + b"\x00" + u16(0x42) + b"\x00" + b"\x05" + history_units("\u0864\r")
                      + b"\x03\x03\x04",
    "restore_then_type": b"\x06" + history_units("\u0860\u0861\u0862") + b"\x01\x00" + b"\x00" + u16(0x43)
                         + b"\x01" + b"\x03\x03",
    "delete_cut_backspace": u16(0x41) + b"\x00" + b"\x07" + b"\x03" + b"\x00" + u16(0x08) + b"\x00" + b"\x0f"
                            + b"\x04\x04",
}


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def font_tables(path):
    font = TTFont(path, lazy=True)
    found = {}
    for tag in ("cmap", "OS/2"):
        if tag in font.reader.tables:
            data = font.reader[tag]
            if len(data) <= MAX_TABLE:
                found[tag] = data
    return found


def face_caches(vorn, fonts):
    """The cache files that vorn writes over the test fonts and the installed ones."""
    caches = {}
    conf = os.path.join(fonts, "fonts.conf")
    with tempfile.TemporaryDirectory() as home:
        for name, config in (("test_fonts", conf), ("system_fonts", None)):
            env = dict(os.environ, XDG_CACHE_HOME=os.path.join(home, name))
            if config:
                env["FONTCONFIG_FILE"] = config
            else:
                env.pop("FONTCONFIG_FILE", None)
            subprocess.run([vorn, "fonts"], env=env, check=True, stdout=subprocess.DEVNULL)
            with open(os.path.join(home, name, "vorn", "fonts.cache"), "rb") as cache:
                caches[name] = cache.read()
    return caches


def main():
    vorn = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else None
    if vorn:
        shutil.rmtree(os.path.join(CORPUS, "fuzz_face_cache"), ignore_errors=True)
    for target in ("fuzz_cmap", "fuzz_os2", "fuzz_sfnt", "fuzz_profile", "fuzz_keystrokes", "fuzz_kept_text",
                   "fuzz_text_file", "fuzz_edit_history"):
        shutil.rmtree(os.path.join(CORPUS, target), ignore_errors=True)
    with tempfile.TemporaryDirectory() as fonts:
        sys.argv = ["make_test_fonts.py", fonts]
        make_test_fonts.main()
        sources = [os.path.join(fonts, name) for name in TEST_FACES]
        sources += [path for path in SYSTEM_FONTS if os.path.exists(path)]
        for path in sources:
            stem = os.path.splitext(os.path.basename(path))[0]
            tables = font_tables(path)
            if "cmap" in tables:
                write("fuzz_cmap", stem, tables["cmap"])
            if "OS/2" in tables:
                write("fuzz_os2", stem, tables["OS/2"])
        for name, data in built_font_files(fonts).items():
            write("fuzz_sfnt", name, data)
        if vorn:
            for name, data in face_caches(vorn, fonts).items():
                write("fuzz_face_cache", name, data)
    for name, data in built_cmaps().items():
        write("fuzz_cmap", name, data)
    for name, data in built_os2().items():
        write("fuzz_os2", name, data)
    for name, data in PROFILES.items():
        write("fuzz_profile", name, data)
    for name, data in KEYSTROKES.items():
        write("fuzz_keystrokes", name, data)
    for name, data in KEPT_TEXTS.items():
        write("fuzz_kept_text", name, data)
    for name, data in TEXT_FILES.items():
        write("fuzz_text_file", name, data)
    for name, data in EDIT_HISTORIES.items():
        write("fuzz_edit_history", name, data)


if __name__ == "__main__":
    main()
