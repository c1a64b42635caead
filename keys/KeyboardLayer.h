#pragma once

#include <QtCore/qnamespace.h>
#include <QtCore/qglobal.h>

#include "Keystroke.h"

// A Qt key event as the keystroke handling sees it: a Windows virtual-key
// code and the Shift, Ctrl and Alt flags.
struct VirtualKeyEvent {
    unsigned Key = 0;
    KeyModifiers modifiers;
};

// Keys with no virtual-key code (media keys, dead keys, unknown keysyms)
// come out as this code, which the layout maps to nothing.
constexpr unsigned UnknownVirtualKey = 0;

// A key event from its parts, where no platform keymap is read:
// nativeScanCode is the X keycode (evdev code + 8, as Qt reports it on xcb
// and Wayland; 0 when unknown) and nativeVirtualKey the keysym. Letters follow qtKey, the layout's letter;
// digits and punctuation keys follow their position on a US keyboard.
VirtualKeyEvent ToVirtualKey(int qtKey, Qt::KeyboardModifiers qtModifiers, quint32 nativeScanCode,
                             quint32 nativeVirtualKey);

// The X keycode (evdev code + 8) of the key at a US key's place; 0 for the
// keys that go by name rather than by place.
quint32 KeycodeOfPlace(unsigned usKey);

// The virtual-key code that the key at a US key's place sends, alone, when
// the active layout gives it keysym at its base level, exactly as
// ToVirtualKey makes it from that key's event: on a German keyboard the key
// at the US place of Y sends 'Z'. Keys whose place is not looked up
// (Backspace, Enter, the space bar) and a keysym of 0 give usKey itself.
unsigned VirtualKeyAtPlace(unsigned usKey, quint32 keysym);
