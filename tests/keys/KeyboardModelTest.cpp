#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KeybLayout.h"
#include "XkbKeyboard.h"

namespace {

using namespace xkbkeys;

struct Layout {
    const char* layout;
    const char* options;
};

// Every key of the layout table, alone and with each modifier, on each
// layout: the code is the table's key, AltGr counts as Ctrl+Alt.
TEST(KeyboardModel, EveryTableKeyOnEveryLayout)
{
    const KeybLayout table;
    const Layout layouts[] = {{"us", ""}, {"hu", ""}, {"de", ""}, {"sk", ""}, {"fr", ""}, {"ru", ""},
                              {"us", "lv3:ralt_switch"}};
    struct Variant {
        const char* what;
        std::vector<xkb_keycode_t> held;
        bool locksCaps;
        bool ctrlAlt;
    };
    for (const Layout& layout : layouts) {
        XkbKeyboard keyboard(layout.layout, layout.options);
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
            const xkb_keycode_t keycode = keyboard.KeyFor(virtualKey);
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
    XkbKeyboard keyboard("hu");
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
    XkbKeyboard keyboard("de,us");
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
