#pragma once

// A keyboard with a keymap compiled from the evdev rules, pressed as a
// compositor or an X server would: it reports each key's keycode, keysym and
// modifiers as the key model or an input method receives them.
#include <QChar>

#include <xkbcommon/xkbcommon.h>

#include "KeyboardModel.h"
#include "KeyboardLayer.h"
#include "VirtualKeys.h"

namespace xkbkeys {
constexpr xkb_keycode_t LeftShift = 50, LeftCtrl = 37, LeftAlt = 64, CapsLock = 66, Space = 65, Return = 36;
} // namespace xkbkeys

class XkbKeyboard {
public:
    explicit XkbKeyboard(const char* layout, const char* options = "")
    {
        context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names = {"evdev", "pc105", layout, "", options};
        keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        state = keymap ? xkb_state_new(keymap) : nullptr;
        model.SetKeymap(keymap);
    }
    ~XkbKeyboard()
    {
        xkb_state_unref(state);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    }
    XkbKeyboard(const XkbKeyboard&) = delete;
    XkbKeyboard& operator=(const XkbKeyboard&) = delete;

    xkb_keymap* Keymap() const { return keymap; }

    void Hold(xkb_keycode_t keycode) { xkb_state_update_key(state, keycode, XKB_KEY_DOWN); }
    void Release(xkb_keycode_t keycode) { xkb_state_update_key(state, keycode, XKB_KEY_UP); }
    void Tap(xkb_keycode_t keycode)
    {
        Hold(keycode);
        Release(keycode);
    }

    // The key as the platform reports it with the modifiers held now; Qt's
    // Wayland plugin gives AltGr no flag at all, and neither does this.
    PlatformKey Key(xkb_keycode_t keycode) const
    {
        PlatformKey key;
        key.keycode = keycode;
        key.keysym = xkb_state_key_get_one_sym(state, keycode);
        key.qtKey = QtKey(key.keysym);
        key.mods = xkb_state_serialize_mods(state, XKB_STATE_MODS_EFFECTIVE);
        auto active = [&](const char* name) {
            return xkb_state_mod_name_is_active(state, name, XKB_STATE_MODS_EFFECTIVE) > 0;
        };
        key.qtModifiers.setFlag(Qt::ShiftModifier, active(XKB_MOD_NAME_SHIFT));
        key.qtModifiers.setFlag(Qt::ControlModifier, active(XKB_MOD_NAME_CTRL));
        key.qtModifiers.setFlag(Qt::AltModifier, active(XKB_MOD_NAME_ALT));
        return key;
    }

    VirtualKeyEvent Press(xkb_keycode_t keycode)
    {
        model.SetGroup(xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
        return model.Translate(Key(keycode));
    }

    // The key whose base level carries the keysym in the first group; 0 when none does.
    xkb_keycode_t KeyWith(xkb_keysym_t keysym) const
    {
        for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap); keycode <= xkb_keymap_max_keycode(keymap);
             ++keycode) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &syms) == 1 && syms[0] == keysym)
                return keycode;
        }
        return 0;
    }

    // The physical key that types a table entry: letters where the layout
    // puts them (the US place where it has no Latin letters), the rest by US
    // place.
    xkb_keycode_t KeyFor(unsigned virtualKey) const
    {
        if (virtualKey == vk::SPACE)
            return xkbkeys::Space;
        if (virtualKey == vk::RETURN)
            return xkbkeys::Return;
        if (virtualKey >= 'A' && virtualKey <= 'Z') {
            if (const xkb_keycode_t keycode = KeyWith(virtualKey - 'A' + XKB_KEY_a))
                return keycode;
        }
        return KeycodeOfPlace(virtualKey);
    }

    KeyboardModel model;

private:
    // Qt's key for a keysym, as its xkb handling makes it.
    static int QtKey(xkb_keysym_t keysym)
    {
        if (keysym == XKB_KEY_Return)
            return Qt::Key_Return;
        if (keysym >= XKB_KEY_dead_grave && keysym <= XKB_KEY_dead_greek)
            return Qt::Key_Dead_Grave + static_cast<int>(keysym - XKB_KEY_dead_grave);
        const uint32_t unicode = xkb_keysym_to_utf32(keysym);
        return unicode ? static_cast<int>(QChar::toUpper(unicode)) : Qt::Key_unknown;
    }

    xkb_context* context;
    xkb_keymap* keymap;
    xkb_state* state;
};
