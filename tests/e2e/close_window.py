#!/usr/bin/python3
"""Asks an X11 window to close, as a window manager's close button does.

    close_window.py WINDOW_ID
"""
import sys

from Xlib import X, display, protocol

d = display.Display()
window = d.create_resource_object("window", int(sys.argv[1], 0))
wm_protocols = d.intern_atom("WM_PROTOCOLS")
wm_delete = d.intern_atom("WM_DELETE_WINDOW")
event = protocol.event.ClientMessage(window=window, client_type=wm_protocols,
                                     data=(32, [wm_delete, X.CurrentTime, 0, 0, 0]))
window.send_event(event, event_mask=X.NoEventMask)
d.flush()
