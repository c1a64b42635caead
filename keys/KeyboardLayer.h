#pragma once

#include <QtCore/qnamespace.h>
#include <QtCore/qglobal.h>

#include "Keystroke.h"

class QKeyEvent;

// A Qt key event as the keystroke handling sees it: a Windows virtual-key
// code and the Shift, Ctrl and Alt flags.
struct VirtualKeyEvent {
    unsigned Key = 0;
    KeyModifiers modifiers;
};

// Keys with no virtual-key code (media keys, dead keys, unknown keysyms)
// come out as this code, which the layout maps to nothing.
constexpr unsigned UnknownVirtualKey = 0;

// On X11 the base-level keysym of the key's active group decides letters, so
// that AltGr or Shift levels do not hide which letter key was pressed.
VirtualKeyEvent ToVirtualKey(const QKeyEvent& event);

// The same from the event's parts: nativeScanCode is the X keycode (evdev code
// + 8, as Qt reports it on xcb and Wayland; 0 when unknown) and
// nativeVirtualKey the keysym. Letters follow qtKey, the layout's letter;
// digits and punctuation keys follow their position on a US keyboard.
VirtualKeyEvent ToVirtualKey(int qtKey, Qt::KeyboardModifiers qtModifiers, quint32 nativeScanCode,
                             quint32 nativeVirtualKey);

// Whether Caps Lock is on, read from the X server; false when the platform
// is not xcb or there is no display.
bool CapsLockOn();
