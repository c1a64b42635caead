#!/usr/bin/python3
# Types the cases into one text field through XTEST, by X keycode, and
# appends a row per case to RESULTS: case, layout, client, expected, got.
# Every case starts from a field seen empty. After each key the next waits
# until the field has seen the key's release come back from the input
# method: the toolkits hand a key the engine did not keep back to the field
# later than text the engine commits for a key after it. At the end the
# field's text is read; the deadline gives whatever it shows by then.
#   type_cases.py LAYOUT CLIENT WINDOW TEXT_FILE RESULTS
# The exit status is 1 when any case failed.
import sys
import time

from Xlib import X, display
from Xlib.ext import xtest

CTRL, ALT, ALTGR, SHIFT = 37, 64, 108, 50
SPACE, RETURN, BACKSPACE = 65, 36, 22
DEADLINE = 10.0


def letter_keys(layout):
    keys = {}
    for first, row in ((24, "QWERTYUIOP"), (38, "ASDFGHJKL"), (52, "ZXCVBNM")):
        for i, letter in enumerate(row):
            keys[letter] = first + i
    if layout in ("hu", "de", "sk"):
        keys["Y"], keys["Z"] = keys["Z"], keys["Y"]
    return keys


def cases(layout):
    k = letter_keys(layout)

    def letters(text, *held):
        return ["+".join(str(c) for c in held + (k[letter],)) for letter in text]

    rows = [
        ("letters", letters("ABCDEFGHIJKLMNOPQRSTUVZ"),
         "\u0860\u0861\u0862\u0864\u0865\u0867\u0868\u086A\u086B\u086C\u086D\u086F\u0871\u0873\u0879\u087B"
         "\u086E\u087D\u087E\u0881\u0884\u0886\u0887"),
        ("second column by Ctrl+Alt", letters("CGLMNPSTZ", CTRL, ALT),
         "\u0863\u0869\u0870\u0872\u0878\u087C\u0880\u0882\u0888"),
        ("digits by place", [str(code) for code in range(10, 20)], "\u0874\u0875\u0876\u0896"),
        # Only the digits with a second code: the program gets the others.
        ("digits by place, Ctrl+Alt", ["%d+%d+%d" % (CTRL, ALT, code) for code in (10, 11, 12, 13, 14, 15, 19)],
         "\u0889\u088A\u088B\u088C\u088D\u088E\u0895"),
        ("punctuation by place", [str(code) for code in (20, 21, 34, 35, 47, 48, 49, 51, 59, 60, 61)],
         " \u0877\u0866\u087F\u087A\u0897\u088F\u0890\u0885"),
        ("Space, Ctrl+Alt+Space", [str(SPACE), "%d+%d+%d" % (CTRL, ALT, SPACE)], " \u0892 "),
        ("W types nothing", letters("WA"), "\u0860"),
        ("Backspace", letters("AB") + [str(BACKSPACE)] + letters("D"), "\u0860\u0864"),
        ("Enter", letters("A") + [str(RETURN)] + letters("B"), "\u0860\n\u0861"),
        ("Ctrl+A selects all", letters("AB") + ["%d+%d" % (CTRL, k["A"])] + letters("C"), "\u0862"),
    ]
    if layout == "hu":
        rows += [
            ("second column by AltGr", letters("CGLMNPSTZ", ALTGR),
             "\u0863\u0869\u0870\u0872\u0878\u087C\u0880\u0882\u0888"),
            # Caron, breve, acute (no code) and double acute; the E after each
            # stays a letter of its own.
            ("dead keys", ["%d+11" % ALTGR] + letters("E") + ["%d+13" % ALTGR, "%d+18" % ALTGR]
             + letters("E") + ["%d+19" % ALTGR], "\u088A\u0865\u088C\u0865\u0895"),
        ]
    return rows


def shown(text):
    return " ".join("LF" if c == "\n" else "U+%04X" % ord(c) for c in text) or "(empty)"


class Field:
    def __init__(self, window, text_file):
        self.screen = display.Display()
        self.window = self.screen.create_resource_object("window", window)
        self.text_file = text_file

    def press(self, chord):
        keys = [int(code) for code in chord.split("+")]
        releases = self.releases() + len(keys)
        for code in keys:
            xtest.fake_input(self.screen, X.KeyPress, code)
        for code in reversed(keys):
            xtest.fake_input(self.screen, X.KeyRelease, code)
        self.screen.sync()
        deadline = time.monotonic() + DEADLINE
        while self.releases() < releases and time.monotonic() < deadline:
            time.sleep(0.005)

    def releases(self):
        return int(self.read(self.text_file + ".keys") or 0)

    def text(self):
        return self.read(self.text_file)

    @staticmethod
    def read(path):
        try:
            with open(path, encoding="utf-8") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def wait_for(self, expected, seconds=DEADLINE):
        deadline = time.monotonic() + seconds
        while True:
            got = self.text()
            if got == expected or time.monotonic() > deadline:
                return got
            time.sleep(0.02)

    def clear(self):
        self.press("%d+%d" % (CTRL, 38))
        self.press(str(BACKSPACE))
        return self.wait_for("", 5) == ""


def main():
    layout, client, window, text_file, results = sys.argv[1:6]
    field = Field(int(window, 0), text_file)
    field.window.set_input_focus(X.RevertToParent, X.CurrentTime)
    field.screen.sync()
    # The engine may not have reached the field's input context yet: the
    # layout's Z key typed through it shows U+0887, typed without it a "z".
    z = str(letter_keys(layout)["Z"])
    deadline = time.monotonic() + 20
    def engine_types():
        if not field.clear():
            return False
        field.press(z)
        return field.wait_for("\u0887", 2) == "\u0887"

    while not engine_types():
        if time.monotonic() > deadline:
            print("%s on %s: Ctrl+A, Backspace and Z never gave U+0887, the field shows %s"
                  % (client, layout, shown(field.text() or "")))
            return 1
    failed = 0
    with open(results, "a", encoding="utf-8") as out:
        for name, keys, expected in cases(layout):
            # A field that cannot be emptied fails the rest at once.
            if not field.clear():
                got = "(not emptied by Ctrl+A, Backspace) " + shown(field.text() or "")
                out.write("\t".join((name, layout, client, shown(expected), got, "FAILED")) + "\n")
                return 1
            for chord in keys:
                field.press(chord)
            got = field.wait_for(expected)
            ok = got == expected
            failed += not ok
            out.write("\t".join((name, layout, client, shown(expected), shown(got or ""), "ok" if ok else "FAILED"))
                      + "\n")
    return 1 if failed else 0


sys.exit(main())
