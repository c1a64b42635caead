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

// The virtual-key code that the key at a US key's place sends, alone, when
// the active layout gives it keysym at its base level, exactly as
// ToVirtualKey makes it from that key's event: on a German keyboard the key
// at the US place of Y sends 'Z'. Keys whose place is not looked up
// (Backspace, Enter, the space bar) and a keysym of 0 give usKey itself.
unsigned VirtualKeyAtPlace(unsigned usKey, quint32 keysym);

// VirtualKeyAtPlace for the keyboard layout that is active now: the keysyms
// from the X server (its active group); the US keyboard itself when the
// platform is not xcb or there is no display.
std::function<unsigned(unsigned)> ActiveLayoutKeys();
