#include "EngineKeys.h"

#include <QtGui/private/qxkbcommon_p.h>

#include <xkbcommon/xkbcommon.h>

#include "KeyboardLayer.h"
#include "Keystroke.h"
#include "OwnWideString.h"
#include "VirtualKeys.h"

namespace {

quint32 ModMask(xkb_keymap* keymap, const char* name)
{
    const xkb_mod_index_t index = keymap ? xkb_keymap_mod_get_index(keymap, name) : XKB_MOD_INVALID;
    return index == XKB_MOD_INVALID || index >= 32 ? 0 : quint32{1} << index;
}

bool IsDeadKey(quint32 keysym)
{
    return keysym >= XKB_KEY_dead_grave && keysym <= XKB_KEY_dead_longsolidusoverlay;
}

// Keys that print something in other programs. Letters, digits and
// punctuation count even at a level with no symbol (AltGr+T on a Hungarian
// keyboard), as the window goes by the key, not by its symbol.
bool IsPrintingKey(unsigned virtualKey, quint32 keysym)
{
    if (virtualKey == vk::SPACE || KeycodeOfPlace(virtualKey) != 0 || IsDeadKey(keysym))
        return true;
    const quint32 unicode = xkb_keysym_to_utf32(keysym);
    return unicode >= 0x20 && unicode != 0x7F;
}

// The units the window inserts for the key: its own keystroke handling, on
// an empty text.
std::u16string Typed(const KeybLayout& layout, VirtualKeyEvent event, bool capsLockOn)
{
    OwnWideString text;
    int32_t cursor = 0;
    unsigned key = event.Key;
    ApplyKeyDown(text, cursor, layout, key, event.modifiers, capsLockOn);
    return std::u16string(text.Buffer(), text.Length());
}

} // namespace

EngineKeys::EngineKeys(xkb_keymap* keymap)
{
    model.SetKeymap(keymap);
    shiftMask = ModMask(keymap, XKB_MOD_NAME_SHIFT);
    ctrlMask = ModMask(keymap, XKB_MOD_NAME_CTRL);
    altMask = ModMask(keymap, XKB_MOD_NAME_ALT);
    logoMask = ModMask(keymap, XKB_MOD_NAME_LOGO);
    state = keymap ? xkb_state_new(keymap) : nullptr;
}

EngineKeys::~EngineKeys()
{
    xkb_state_unref(state);
}

EngineAction EngineKeys::Key(const EngineKey& key)
{
    if (key.release || (key.mods & logoMask) != 0)
        return {};
    // The key as Qt would report it to the window on X11.
    PlatformKey platform;
    platform.keycode = key.keycode;
    platform.keysym = key.keysym;
    platform.mods = key.mods;
    platform.qtModifiers.setFlag(Qt::ShiftModifier, key.mods & shiftMask);
    platform.qtModifiers.setFlag(Qt::ControlModifier, key.mods & ctrlMask);
    platform.qtModifiers.setFlag(Qt::AltModifier, key.mods & altMask);
    platform.qtModifiers.setFlag(Qt::KeypadModifier, QXkbCommon::isKeypad(key.keysym));
    if (!state)
        return {};
    xkb_state_update_mask(state, key.mods, 0, 0, 0, 0, 0);
    platform.qtKey = QXkbCommon::keysymToQtKey(key.keysym, platform.qtModifiers, state, key.keycode);
    const VirtualKeyEvent event = model.Translate(platform);
    if (!IsPrintingKey(event.Key, key.keysym))
        return {};
    const bool ctrl = (key.mods & ctrlMask) != 0;
    const bool alt = (key.mods & altMask) != 0;
    if (ctrl != alt)
        return {};
    EngineAction action{true, Typed(layout, event, model.CapsLock())};
    // Ctrl+Alt with a key that types nothing is a shortcut of the program's.
    if (ctrl && alt && action.text.empty())
        return {};
    return action;
}
