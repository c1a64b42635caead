#!/usr/bin/python3
"""Fails when a picture that make_pictures.py writes is not under the font's
licence (OFL-1.1) in the copyright file: they are all drawn from the font's
glyphs, and a new size or a renamed file must not fall back to the licence of
the rest of the sources.

    pictures_under_ofl.py MAKE_PICTURES COPYRIGHT
"""
import os
import re
import subprocess
import sys
import tempfile


def stanzas(path):
    """(patterns, licence) of each Files stanza, in the file's order."""
    result = []
    for paragraph in re.split(r"\n\s*\n", open(path, encoding="utf-8").read()):
        fields = re.findall(r"^(\S+):[ \t]*(.*(?:\n[ \t].*)*)", paragraph, re.M)
        fields = {name.lower(): value for name, value in fields}
        if "files" in fields and "license" in fields:
            result.append((fields["files"].split(), fields["license"].splitlines()[0].strip()))
    return result


def licence_of(name, copyright_stanzas):
    """The licence of name: the last stanza that matches it wins; * matches '/' too."""
    found = None
    for patterns, licence in copyright_stanzas:
        for pattern in patterns:
            expression = "".join(".*" if c == "*" else "." if c == "?" else re.escape(c) for c in pattern)
            if re.fullmatch(expression, name):
                found = licence
    return found


def main():
    make_pictures, copyright_file = sys.argv[1:3]
    copyright_stanzas = stanzas(copyright_file)
    folder = os.path.relpath(os.path.dirname(os.path.abspath(make_pictures)),
                             os.path.dirname(os.path.dirname(os.path.abspath(copyright_file))))
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, make_pictures, "--out", out], check=True, stdout=subprocess.DEVNULL)
        written = sorted(os.listdir(out))
    if not written:
        sys.exit(f"FAIL: {make_pictures} wrote nothing")
    wrong = [(name, licence_of(f"{folder}/{name}", copyright_stanzas)) for name in written]
    wrong = [(name, licence) for name, licence in wrong if licence != "OFL-1.1"]
    for name, licence in wrong:
        print(f"FAIL: {folder}/{name} is under {licence} in {copyright_file}, not OFL-1.1")
    print(f"{len(written) - len(wrong)} of {len(written)} pictures under OFL-1.1")
    sys.exit(1 if wrong else 0)


if __name__ == "__main__":
    main()
