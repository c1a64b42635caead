#include "KeyboardModel.h"

#include <xkbcommon/xkbcommon.h>

namespace {

int LatinLetter(quint32 keysym)
{
    if (keysym >= XKB_KEY_a && keysym <= XKB_KEY_z)
        return Qt::Key_A + static_cast<int>(keysym - XKB_KEY_a);
    if (keysym >= XKB_KEY_A && keysym <= XKB_KEY_Z)
        return Qt::Key_A + static_cast<int>(keysym - XKB_KEY_A);
    return Qt::Key_unknown;
}

// The modifiers that ISO_Level3_Shift sets in this keymap, found by pressing
// the key that carries it: layouts put it on Right Alt, the <LVL3> key or
// elsewhere, and name the modifier as they like (Mod5 as a rule).
quint32 FindLevel3Mask(xkb_keymap* keymap)
{
    xkb_state* scratch = xkb_state_new(keymap);
    if (!scratch)
        return 0;
    quint32 mask = 0;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap); keycode <= last && mask == 0; ++keycode) {
        const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, keycode);
        for (xkb_layout_index_t layout = 0; layout < layouts && mask == 0; ++layout) {
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, 0, &syms);
            if (count == 1 && syms[0] == XKB_KEY_ISO_Level3_Shift) {
                xkb_state_update_key(scratch, keycode, XKB_KEY_DOWN);
                mask = xkb_state_serialize_mods(scratch, XKB_STATE_MODS_DEPRESSED);
                xkb_state_update_key(scratch, keycode, XKB_KEY_UP);
            }
        }
    }
    xkb_state_unref(scratch);
    return mask;
}

} // namespace

KeyboardModel::~KeyboardModel()
{
    SetKeymap(nullptr);
}

void KeyboardModel::SetKeymap(xkb_keymap* newKeymap)
{
    if (newKeymap)
        xkb_keymap_ref(newKeymap);
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
    keymap = newKeymap;
    state = keymap ? xkb_state_new(keymap) : nullptr;
    level3Mask = keymap ? FindLevel3Mask(keymap) : 0;
    const auto index = [this](const char* name) {
        return keymap ? xkb_keymap_mod_get_index(keymap, name) : XKB_MOD_INVALID;
    };
    shiftIndex = index(XKB_MOD_NAME_SHIFT);
    ctrlIndex = index(XKB_MOD_NAME_CTRL);
    altIndex = index(XKB_MOD_NAME_ALT);
    capsIndex = index(XKB_MOD_NAME_CAPS);
    SetMods(0);
}

void KeyboardModel::SetGroup(quint32 activeGroup)
{
    group = activeGroup;
    SetMods(0);
}

void KeyboardModel::SetMods(quint32 mods)
{
    if (state)
        xkb_state_update_mask(state, mods, 0, 0, 0, 0, group);
}

bool KeyboardModel::ModActive(quint32 index) const
{
    return state && xkb_state_mod_index_is_active(state, index, XKB_STATE_MODS_EFFECTIVE) > 0;
}

quint32 KeyboardModel::BaseKeysym(quint32 keycode) const
{
    if (!state || keycode == 0)
        return 0;
    const xkb_layout_index_t layout = xkb_state_key_get_layout(state, keycode);
    if (layout == XKB_LAYOUT_INVALID)
        return 0;
    const xkb_keysym_t* syms = nullptr;
    return xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, 0, &syms) == 1 ? syms[0] : 0;
}

quint32 KeyboardModel::Keysym(quint32 keycode, quint32 mods)
{
    if (!state)
        return 0;
    SetMods(mods);
    return xkb_state_key_get_one_sym(state, keycode);
}

VirtualKeyEvent KeyboardModel::Translate(const PlatformKey& key)
{
    if (!state) {
        capsLock = false;
        return ToVirtualKey(key.qtKey, key.qtModifiers, key.keycode, key.keysym);
    }
    SetMods(key.mods);
    capsLock = ModActive(capsIndex);
    int qtKey = key.qtKey;
    // The letter printed on the key decides, whatever level the held
    // modifiers chose: AltGr+M on a Hungarian keyboard is '<', and still M.
    if (!(key.qtModifiers & Qt::KeypadModifier)) {
        const quint32 base = BaseKeysym(key.keycode);
        const int letter = LatinLetter(base);
        if (letter != Qt::Key_unknown)
            qtKey = letter;
        // So is the space bar: AltGr+Space is a no-break space on a Slovak keyboard.
        else if (base == XKB_KEY_space)
            qtKey = Qt::Key_Space;
    }
    VirtualKeyEvent result = ToVirtualKey(qtKey, key.qtModifiers, key.keycode, key.keysym);
    result.modifiers.Shift = result.modifiers.Shift || ModActive(shiftIndex);
    result.modifiers.Ctrl = result.modifiers.Ctrl || ModActive(ctrlIndex);
    result.modifiers.Alt = result.modifiers.Alt || ModActive(altIndex);
    // Qt's Wayland plugin gives AltGr no flag at all; the keymap knows it.
    if (level3Mask != 0 && (xkb_state_serialize_mods(state, XKB_STATE_MODS_EFFECTIVE) & level3Mask) == level3Mask) {
        result.modifiers.Ctrl = true;
        result.modifiers.Alt = true;
    }
    return result;
}

unsigned KeyboardModel::KeyAtPlace(unsigned usKey) const
{
    return VirtualKeyAtPlace(usKey, BaseKeysym(KeycodeOfPlace(usKey)));
}

std::function<unsigned(unsigned)> KeyboardModel::LayoutKeys() const
{
    if (!state)
        return [](unsigned usKey) { return usKey; };
    // A copy of the answers, so that the caller does not depend on this
    // model's later state.
    std::vector<unsigned> keys(256);
    for (unsigned usKey = 0; usKey < keys.size(); ++usKey)
        keys[usKey] = KeyAtPlace(usKey);
    return [keys](unsigned usKey) { return usKey < keys.size() ? keys[usKey] : usKey; };
}
