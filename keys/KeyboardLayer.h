#pragma once

#include <QtCore/qnamespace.h>
#include <QtCore/qglobal.h>

#include <functional>

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

// Where the platform gives a keymap (xcb, Wayland) the base-level keysym of
// the key in the active group decides letters, so that AltGr or Shift levels
// do not hide which letter key was pressed, and a held level-3 modifier
// counts as Ctrl+Alt.
VirtualKeyEvent ToVirtualKey(const QKeyEvent& event);

// The same from the event's parts: nativeScanCode is the X keycode (evdev code
// + 8, as Qt reports it on xcb and Wayland; 0 when unknown) and
// nativeVirtualKey the keysym. Letters follow qtKey, the layout's letter;
// digits and punctuation keys follow their position on a US keyboard.
VirtualKeyEvent ToVirtualKey(int qtKey, Qt::KeyboardModifiers qtModifiers, quint32 nativeScanCode,
                             quint32 nativeVirtualKey);

// Whether Caps Lock was on at the last key event; false where the platform
// gives no keymap.
bool CapsLockOn();

// The X keycode (evdev code + 8) of the key at a US key's place; 0 for the
// keys that go by name rather than by place.
quint32 KeycodeOfPlace(unsigned usKey);

// The virtual-key code that the key at a US key's place sends, alone, when
// the active layout gives it keysym at its base level, exactly as
// ToVirtualKey makes it from that key's event: on a German keyboard the key
// at the US place of Y sends 'Z'. Keys whose place is not looked up
// (Backspace, Enter, the space bar) and a keysym of 0 give usKey itself.
unsigned VirtualKeyAtPlace(unsigned usKey, quint32 keysym);

// VirtualKeyAtPlace for the keyboard layout that is active now: the keysyms
// of the platform's keymap in its active group; the US keyboard itself where
// the platform gives no keymap.
std::function<unsigned(unsigned)> ActiveLayoutKeys();
