#pragma once

#include <QtCore/qglobal.h>

#include <memory>
#include <string>

#include "KeyboardModel.h"
#include "KeybLayout.h"

struct xkb_keymap;
struct xkb_state;

// A key as an input method framework hands it over.
struct EngineKey {
    quint32 keycode = 0; // the X keycode: evdev code + 8
    quint32 keysym = 0;
    quint32 mods = 0; // the keymap's real modifiers held, as in an X event's state
    bool release = false;
};

// Whether the engine keeps the key; a kept key commits text, which may be
// empty. A key not kept goes to the program as if there were no engine.
struct EngineAction {
    bool used = false;
    std::u16string text;
};

// The window's keyboard for other programs: the same key model and layout
// table decide what a key types. Unlike the window it lets the program have
// its own keys: editing and movement keys, function keys, releases, and
// shortcuts (Ctrl, Alt or Super with a key), except Ctrl+Alt with a key that
// has a code of its own. AltGr is no shortcut: a key with it that has no
// code types nothing, as in the window.
class EngineKeys {
public:
    // Holds its own reference to the keymap, which gives the layout's letters.
    explicit EngineKeys(xkb_keymap* keymap);
    ~EngineKeys();
    EngineKeys(const EngineKeys&) = delete;
    EngineKeys& operator=(const EngineKeys&) = delete;

    EngineAction Key(const EngineKey& key);

private:
    KeyboardModel model;
    KeybLayout layout;
    // For Qt's own reading of a keysym, which looks at other levels.
    xkb_state* state = nullptr;
    quint32 shiftMask = 0;
    quint32 ctrlMask = 0;
    quint32 altMask = 0;
    quint32 logoMask = 0;
};
