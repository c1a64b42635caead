#!/usr/bin/python3
# Regenerates CasePairs.inc beside this script:
#   /usr/bin/python3 text/gen_case_pairs.py
# Needs Debian's unicode-data package (/usr/share/unicode); the build does not,
# because the generated table is committed.
#
# The table is frozen at the repertoire of Unicode 4.0 and trimmed by hand, so
# later Unicode releases must not change it; the counts asserted below catch
# any drift in the database files.

import os
import sys

UNICODE_DIR = "/usr/share/unicode"
OUTPUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "CasePairs.inc")


def parse_version(text):
    return tuple(int(part) for part in text.split("."))


def code_points_up_to_age(path, newest):
    """Code points whose Age is at most `newest`."""
    assigned = set()
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            points, age = (field.strip() for field in line.split(";"))
            if parse_version(age) > newest:
                continue
            first, _, last = points.partition("..")
            assigned.update(range(int(first, 16), int(last or first, 16) + 1))
    return assigned


def simple_mappings(path):
    """{code point: (simple uppercase, simple lowercase)}, None where absent."""
    mappings = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            fields = line.rstrip("\n").split(";")
            upper = int(fields[12], 16) if fields[12] else None
            lower = int(fields[13], 16) if fields[13] else None
            if upper is not None or lower is not None:
                mappings[int(fields[0], 16)] = (upper, lower)
    return mappings


def span(first_capital, first_small, length):
    return [(first_capital + i, first_small + i) for i in range(length)]


# Pairs whose case relation we do not want to apply: ligatures, Latin capitals
# whose small letters sit in IPA Extensions, archaic Greek, the lunate sigma,
# Greek letters with iota subscript (their capitals are really title case) and
# Roman numerals.
REMOVED = (
    [(0x0132, 0x0133), (0x0152, 0x0153), (0x04A4, 0x04A5), (0x04B4, 0x04B5), (0x04D4, 0x04D5)]
    + [(0x0189, 0x0256), (0x019F, 0x0275), (0x01A6, 0x0280)]
    + [(0x03D8, 0x03D9), (0x03DA, 0x03DB), (0x03DC, 0x03DD), (0x03DE, 0x03DF), (0x03E0, 0x03E1)]
    + [(0x03F9, 0x03F2)]
    + span(0x1F88, 0x1F80, 8) + span(0x1F98, 0x1F90, 8) + span(0x1FA8, 0x1FA0, 8)
    + [(0x1FBC, 0x1FB3), (0x1FCC, 0x1FC3), (0x1FFC, 0x1FF3)]
    + span(0x2160, 0x2170, 16)
)

# The dotted/dotless i: I pairs with dotless i and dotted capital I with i.
DOTTED_I_PAIR = (0x0049, 0x0069)
DOTTED_I_REPLACEMENTS = [(0x0049, 0x0131), (0x0130, 0x0069)]

# Pairs per block of the capital.
EXPECTED_BLOCKS = [
    ("Basic Latin", 0x0000, 0x007F, 26),
    ("Latin-1 Supplement", 0x0080, 0x00FF, 30),
    ("Latin Extended-A", 0x0100, 0x017F, 61),
    ("Latin Extended-B", 0x0180, 0x024F, 87),
    ("Greek and Coptic", 0x0370, 0x03FF, 42),
    ("Cyrillic", 0x0400, 0x04FF, 116),
    ("Cyrillic Supplement", 0x0500, 0x052F, 8),
    ("Armenian", 0x0530, 0x058F, 38),
    ("Latin Extended Additional", 0x1E00, 0x1EFF, 120),
    ("Greek Extended", 0x1F00, 0x1FFF, 69),
    ("Enclosed Alphanumerics", 0x2460, 0x24FF, 26),
    ("Halfwidth and Fullwidth Forms", 0xFF00, 0xFFEF, 26),
]


def build_pairs():
    assigned = code_points_up_to_age(os.path.join(UNICODE_DIR, "DerivedAge.txt"), (4, 0))
    mappings = simple_mappings(os.path.join(UNICODE_DIR, "UnicodeData.txt"))

    pairs = set()
    for capital, (_, small) in mappings.items():
        if small is None or small == capital:
            continue
        if capital not in assigned or small not in assigned:
            continue
        # The table holds single 16-bit units; Deseret's pairs lie beyond.
        if capital > 0xFFFF or small > 0xFFFF:
            continue
        if mappings.get(small, (None, None))[0] != capital:
            continue
        pairs.add((capital, small))
    assert len(pairs) == 705, f"step 1 gave {len(pairs)} pairs, expected 705"

    assert len(REMOVED) == 57 and len(set(REMOVED)) == 57
    missing = set(REMOVED) - pairs
    assert not missing, "pairs to remove not found: " + ", ".join(
        f"U+{c:04X}/U+{s:04X}" for c, s in sorted(missing))
    pairs -= set(REMOVED)

    assert DOTTED_I_PAIR in pairs
    pairs.remove(DOTTED_I_PAIR)
    for pair in DOTTED_I_REPLACEMENTS:
        assert pair not in pairs
        pairs.add(pair)

    pairs = sorted(pairs)
    assert len(pairs) == 649, f"final table has {len(pairs)} pairs, expected 649"
    check_pairs(pairs)
    return pairs


def check_pairs(pairs):
    capitals = [c for c, _ in pairs]
    smalls = [s for _, s in pairs]
    assert all(c <= 0xFFFF and s <= 0xFFFF for c, s in pairs), "outside the BMP"
    assert len(set(capitals)) == len(capitals), "a unit is the capital of two pairs"
    assert len(set(smalls)) == len(smalls), "a unit is the small letter of two pairs"
    assert not set(capitals) & set(smalls), "a unit is both capital and small letter"

    counted = 0
    for name, first, last, expected in EXPECTED_BLOCKS:
        found = sum(1 for c in capitals if first <= c <= last)
        assert found == expected, f"{name}: {found} pairs, expected {expected}"
        counted += found
    assert counted == len(pairs), "a capital lies outside the expected blocks"


def write_table(pairs):
    rows = [f"    {{0x{c:04X}, 0x{s:04X}}}," for c, s in pairs]
    text = (
        "// Generated by gen_case_pairs.py; do not edit by hand.\n"
        f"// {len(pairs)} case pairs {{capital, small}}, sorted by capital.\n"
        + "\n".join(rows) + "\n"
    )
    with open(OUTPUT, "w", encoding="utf-8") as out:
        out.write(text)


def main():
    pairs = build_pairs()
    write_table(pairs)
    print(f"wrote {len(pairs)} pairs to {OUTPUT}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
