#pragma once

#include <QtCore/qglobal.h>
#include <QtCore/qnamespace.h>

#include <functional>

#include "KeyboardLayer.h"

struct xkb_keymap;
struct xkb_state;

// A key event as the platform reports it: Qt's key and modifier flags, the
// xkb keycode (evdev code + 8, Qt's nativeScanCode on xcb and Wayland), the
// keysym, and the real modifiers held (Qt's nativeModifiers: the wl_keyboard
// masks ORed together, or the low byte of the X event's state).
struct PlatformKey {
    int qtKey = 0;
    Qt::KeyboardModifiers qtModifiers;
    quint32 keycode = 0;
    quint32 keysym = 0;
    quint32 mods = 0;
};

// The keyboard as the platform's xkb keymap describes it, plus the active
// layout group: which Latin letter a key prints at its base level, and
// whether the level-3 modifier (AltGr) is held, whatever flags Qt derived.
// Without a keymap it knows the US places only, as the pure mapping does.
class KeyboardModel {
public:
    KeyboardModel() = default;
    ~KeyboardModel();
    KeyboardModel(const KeyboardModel&) = delete;
    KeyboardModel& operator=(const KeyboardModel&) = delete;

    // Holds its own reference; nullptr forgets the keymap.
    void SetKeymap(xkb_keymap* keymap);
    xkb_keymap* Keymap() const { return keymap; }
    void SetGroup(quint32 activeGroup);
    quint32 Group() const { return group; }

    // The virtual-key code and flags of the event; also remembers its
    // modifiers for CapsLock().
    VirtualKeyEvent Translate(const PlatformKey& key);

    // The keysym the keymap gives the key with these modifiers in the
    // active group; 0 without a keymap.
    quint32 Keysym(quint32 keycode, quint32 mods);

    // What the key at a US key's place sends alone in the active group.
    unsigned KeyAtPlace(unsigned usKey) const;
    std::function<unsigned(unsigned)> LayoutKeys() const;

    bool CapsLock() const { return capsLock; }

private:
    void SetMods(quint32 mods);
    bool ModActive(quint32 index) const;
    quint32 BaseKeysym(quint32 keycode) const;

    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    quint32 level3Mask = 0;
    // The keymap's indices of the modifiers read at each key.
    quint32 shiftIndex = 0;
    quint32 ctrlIndex = 0;
    quint32 altIndex = 0;
    quint32 capsIndex = 0;
    quint32 group = 0;
    bool capsLock = false;
};
