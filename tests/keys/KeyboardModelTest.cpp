#include <gtest/gtest.h>

#include <QChar>

#include <string>
#include <vector>

#include <xkbcommon/xkbcommon.h>

#include "KeyboardModel.h"
#include "KeybLayout.h"
#include "VirtualKeys.h"

namespace {

constexpr xkb_keycode_t LeftShift = 50, LeftCtrl = 37, LeftAlt = 64, CapsLock = 66, Space = 65, Return = 36;

// A keyboard with a keymap compiled from the evdev rules, pressed as a
// compositor would: it reports each key as Qt's Wayland plugin does, with
// no flag for AltGr.
class Keyboard {
public:
    Keyboard(const char* layout, const char* options = "")
    {
        context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names = {"evdev", "pc105", layout, "", options};
        keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        state = xkb_state_new(keymap);
        model.SetKeymap(keymap);
    }
    ~Keyboard()
    {
        xkb_state_unref(state);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    }
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    void Hold(xkb_keycode_t keycode) { xkb_state_update_key(state, keycode, XKB_KEY_DOWN); }
    void Release(xkb_keycode_t keycode) { xkb_state_update_key(state, keycode, XKB_KEY_UP); }
    void Tap(xkb_keycode_t keycode)
    {
        Hold(keycode);
        Release(keycode);
    }

    VirtualKeyEvent Press(xkb_keycode_t keycode)
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
        model.SetGroup(xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
        return model.Translate(key);
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

// The physical key that types a table entry: letters where the layout puts
// them (the US place where it has no Latin letters), the rest by US place.
xkb_keycode_t KeyFor(const Keyboard& keyboard, unsigned virtualKey)
{
    if (virtualKey == vk::SPACE)
        return Space;
    if (virtualKey == vk::RETURN)
        return Return;
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        if (const xkb_keycode_t keycode = keyboard.KeyWith(virtualKey - 'A' + XKB_KEY_a))
            return keycode;
    }
    return KeycodeOfPlace(virtualKey);
}

struct Layout {
    const char* layout;
    const char* options;
};

// Every key of the layout table, alone and with each modifier, on each
// layout: the code is the table's key, AltGr counts as Ctrl+Alt.
TEST(KeyboardModel, EveryTableKeyOnEveryLayout)
{
    const KeybLayout table;
    const Layout layouts[] = {{"us", ""}, {"hu", ""}, {"de", ""}, {"fr", ""}, {"ru", ""}, {"us", "lv3:ralt_switch"}};
    struct Variant {
        const char* what;
        std::vector<xkb_keycode_t> held;
        bool locksCaps;
        bool ctrlAlt;
    };
    for (const Layout& layout : layouts) {
        Keyboard keyboard(layout.layout, layout.options);
        ASSERT_NE(keyboard.model.Keymap(), nullptr) << layout.layout;
        const xkb_keycode_t altGr = keyboard.KeyWith(XKB_KEY_ISO_Level3_Shift);
        ASSERT_NE(altGr, 0u) << layout.layout;
        const Variant variants[] = {
            {"alone", {}, false, false},
            {"Shift", {LeftShift}, false, false},
            {"Caps Lock", {}, true, false},
            {"Ctrl+Alt", {LeftCtrl, LeftAlt}, false, true},
            {"AltGr", {altGr}, false, true},
        };
        for (unsigned virtualKey = 0; virtualKey < KeybLayout::Size; ++virtualKey) {
            if (table.Base[virtualKey] == 0 && table.CtrlAlt[virtualKey] == 0)
                continue;
            const xkb_keycode_t keycode = KeyFor(keyboard, virtualKey);
            // A place that carries a letter types that letter (M at the US
            // semicolon place of AZERTY).
            unsigned expected = virtualKey;
            for (xkb_keysym_t letter = XKB_KEY_a; letter <= XKB_KEY_z; ++letter) {
                if (keyboard.KeyWith(letter) == keycode)
                    expected = 'A' + (letter - XKB_KEY_a);
            }
            for (const Variant& variant : variants) {
                if (variant.locksCaps)
                    keyboard.Tap(CapsLock);
                for (xkb_keycode_t held : variant.held)
                    keyboard.Hold(held);
                const VirtualKeyEvent event = keyboard.Press(keycode);
                for (xkb_keycode_t held : variant.held)
                    keyboard.Release(held);
                if (variant.locksCaps)
                    keyboard.Tap(CapsLock);
                const std::string where = std::string(layout.layout) + " " + layout.options + " " + variant.what
                                          + " key 0x" + QByteArray::number(virtualKey, 16).toStdString();
                EXPECT_EQ(event.Key, expected) << where;
                EXPECT_EQ(event.modifiers.Ctrl && event.modifiers.Alt, variant.ctrlAlt) << where;
            }
        }
    }
}

TEST(KeyboardModel, DeadKeyIsItsKeyAndTheNextKeyArrivesAsItIs)
{
    Keyboard keyboard("hu");
    const xkb_keycode_t altGr = keyboard.KeyWith(XKB_KEY_ISO_Level3_Shift);
    const xkb_keycode_t six = KeycodeOfPlace('6'), c = keyboard.KeyWith(XKB_KEY_c);
    keyboard.Hold(altGr);
    const VirtualKeyEvent dead = keyboard.Press(six);
    keyboard.Release(altGr);
    const VirtualKeyEvent next = keyboard.Press(c);
    EXPECT_EQ(dead.Key, unsigned{'6'});
    EXPECT_TRUE(dead.modifiers.Ctrl && dead.modifiers.Alt);
    EXPECT_EQ(next.Key, unsigned{'C'});
    EXPECT_FALSE(next.modifiers.Ctrl || next.modifiers.Alt || next.modifiers.Shift);
}

// A layout switch changes the group: typing and the chart follow it.
TEST(KeyboardModel, LayoutSwitchIsFollowed)
{
    Keyboard keyboard("de,us");
    const xkb_keycode_t usY = KeycodeOfPlace('Y');
    struct Row {
        quint32 group;
        unsigned expected;
    };
    for (const Row row : {Row{0, 'Z'}, Row{1, 'Y'}, Row{0, 'Z'}}) {
        keyboard.model.SetGroup(row.group);
        EXPECT_EQ(keyboard.model.KeyAtPlace('Y'), row.expected) << row.group;
        EXPECT_EQ(keyboard.model.LayoutKeys()('Y'), row.expected) << row.group;
        PlatformKey key;
        key.keycode = usY;
        EXPECT_EQ(keyboard.model.Translate(key).Key, row.expected) << row.group;
    }
}

TEST(KeyboardModel, WithoutKeymapUsPlaces)
{
    KeyboardModel model;
    PlatformKey key;
    key.qtKey = Qt::Key_Z;
    key.keycode = KeycodeOfPlace('Y');
    key.keysym = 'z';
    EXPECT_EQ(model.Translate(key).Key, unsigned{'Z'});
    EXPECT_EQ(model.KeyAtPlace('Y'), unsigned{'Y'});
    EXPECT_FALSE(model.CapsLock());
    model.SetKeymap(nullptr);
    EXPECT_EQ(model.LayoutKeys()(vk::OEM_1), vk::OEM_1);
}

} // namespace
