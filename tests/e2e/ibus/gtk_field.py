#!/usr/bin/python3
# A GTK 3 text field that writes its whole text to OUT whenever it changes,
# and to OUT.keys the number of key releases that reached it past the input
# method, each through a file beside it renamed into place, so a reader
# never sees half.
#   gtk_field.py OUT
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def main():
    out = sys.argv[1]
    Gdk.set_program_class("gtk-field")
    window = Gtk.Window(title="gtk-field")
    view = Gtk.TextView()
    window.add(view)
    buffer = view.get_buffer()
    releases = 0

    def write(path, text):
        with open(path + ".new", "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(path + ".new", path)

    def changed(_buffer):
        write(out, buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True))

    # After the view's own handler, which hands a key to the input method
    # first: only keys that the input method let through get here.
    def released(_view, _event):
        nonlocal releases
        releases += 1
        write(out + ".keys", str(releases))
        return False

    buffer.connect("changed", changed)
    view.connect_after("key-release-event", released)
    window.connect("destroy", Gtk.main_quit)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, 15, Gtk.main_quit)
    window.show_all()
    view.grab_focus()
    changed(buffer)
    Gtk.main()


main()
