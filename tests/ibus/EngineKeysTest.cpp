#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineKeys.h"
#include "KeybLayout.h"
#include "XkbKeyboard.h"

namespace {

using namespace xkbkeys;

constexpr xkb_keycode_t RightAlt = 108;
const char* const Layouts[] = {"hu", "us", "de", "sk", "ro"};

struct Pressing {
    std::string layout;
    XkbKeyboard keyboard;
    EngineKeys engine;

    explicit Pressing(const char* name) : layout(name), keyboard(name), engine(keyboard.Keymap()) {}

    EngineAction Press(xkb_keycode_t keycode, const std::vector<xkb_keycode_t>& held = {}, bool release = false)
    {
        for (xkb_keycode_t key : held)
            keyboard.Hold(key);
        const PlatformKey platform = keyboard.Key(keycode);
        for (xkb_keycode_t key : held)
            keyboard.Release(key);
        return engine.Key({platform.keycode, platform.keysym, platform.mods, release});
    }
};

// What the window inserts for a table code: nothing for 0, a space first for
// the space bar's code.
std::u16string Units(uint16_t code)
{
    if (code == 0)
        return u"";
    if (code == SpacedCode)
        return std::u16string(u" ") + char16_t{code};
    return std::u16string(1, char16_t{code});
}

// Every key of the table on every layout: alone and with Shift or Caps Lock
// it types its first column; Ctrl+Alt and AltGr its second. A key with no
// code is swallowed, except with Ctrl+Alt, which the program gets.
TEST(EngineKeys, EveryTableKeyOnEveryLayout)
{
    const KeybLayout table;
    for (const char* layout : Layouts) {
        Pressing pressing(layout);
        ASSERT_NE(pressing.keyboard.Keymap(), nullptr) << layout;
        const xkb_keycode_t altGr = pressing.keyboard.KeyWith(XKB_KEY_ISO_Level3_Shift);
        ASSERT_NE(altGr, 0u) << layout;
        for (unsigned virtualKey = 0; virtualKey < KeybLayout::Size; ++virtualKey) {
            if ((table.Base[virtualKey] == 0 && table.CtrlAlt[virtualKey] == 0) || virtualKey == vk::RETURN)
                continue;
            const xkb_keycode_t keycode = pressing.keyboard.KeyFor(virtualKey);
            struct Row {
                const char* what;
                EngineAction action;
                uint16_t code;
                bool usedWithoutCode;
            };
            pressing.keyboard.Tap(CapsLock);
            const EngineAction capsLocked = pressing.Press(keycode);
            pressing.keyboard.Tap(CapsLock);
            const Row rows[] = {
                {"alone", pressing.Press(keycode), table.Base[virtualKey], true},
                {"Shift", pressing.Press(keycode, {LeftShift}), table.BaseShift[virtualKey], true},
                {"Caps Lock", capsLocked, table.Base[virtualKey], true},
                {"Ctrl+Alt", pressing.Press(keycode, {LeftCtrl, LeftAlt}), table.CtrlAlt[virtualKey], false},
                {"AltGr", pressing.Press(keycode, {altGr}), table.CtrlAlt[virtualKey], true},
            };
            for (const Row& row : rows) {
                const std::string where = std::string(layout) + " " + row.what + " key 0x"
                                          + QByteArray::number(virtualKey, 16).toStdString();
                EXPECT_EQ(row.action.used, row.code != 0 || row.usedWithoutCode) << where;
                EXPECT_EQ(row.action.text, Units(row.code)) << where;
            }
        }
    }
}

// The program's own keys reach it on every layout, pressed and released.
TEST(EngineKeys, ProgramKeysPassThrough)
{
    struct Row {
        const char* what;
        xkb_keycode_t keycode;
        std::vector<xkb_keycode_t> held;
        bool release;
    };
    const Row rows[] = {
        {"Enter", Return, {}, false},
        {"Backspace", 22, {}, false},
        {"Delete", 119, {}, false},
        {"Tab", 23, {}, false},
        {"Shift+Tab", 23, {LeftShift}, false},
        {"Escape", 9, {}, false},
        {"Left", 113, {}, false},
        {"Right", 114, {}, false},
        {"Up", 111, {}, false},
        {"Down", 116, {}, false},
        {"Home", 110, {}, false},
        {"End", 115, {}, false},
        {"Page Up", 112, {}, false},
        {"Page Down", 117, {}, false},
        {"F1", 67, {}, false},
        {"F12", 96, {}, false},
        {"Shift itself", LeftShift, {}, false},
        {"Ctrl+S", KeycodeOfPlace('S'), {LeftCtrl}, false},
        {"Ctrl+A", KeycodeOfPlace('A'), {LeftCtrl}, false},
        {"Ctrl+Shift+C", KeycodeOfPlace('C'), {LeftCtrl, LeftShift}, false},
        {"Alt+F", KeycodeOfPlace('F'), {LeftAlt}, false},
        {"Alt+1", KeycodeOfPlace('1'), {LeftAlt}, false},
        {"Ctrl+Space", Space, {LeftCtrl}, false},
        {"Super+A", KeycodeOfPlace('A'), {133}, false},
        // Ctrl+Alt with a key that has no second code.
        {"Ctrl+Alt+A", KeycodeOfPlace('A'), {LeftCtrl, LeftAlt}, false},
        {"Ctrl+Alt+Delete", 119, {LeftCtrl, LeftAlt}, false},
        {"release of A", KeycodeOfPlace('A'), {}, true},
        {"release of Space", Space, {}, true},
        {"release of Ctrl+Alt+C", KeycodeOfPlace('C'), {LeftCtrl, LeftAlt}, true},
    };
    for (const char* layout : Layouts) {
        Pressing pressing(layout);
        for (const Row& row : rows) {
            const EngineAction action = pressing.Press(row.keycode, row.held, row.release);
            EXPECT_FALSE(action.used) << layout << " " << row.what;
            EXPECT_TRUE(action.text.empty()) << layout << " " << row.what;
        }
    }
}

// Keys that print in other programs but have no code type nothing; dead keys
// type as their key and leave the next key as it is.
TEST(EngineKeys, KeysWithoutCodeAndDeadKeys)
{
    struct Row {
        const char* layout;
        const char* what;
        xkb_keycode_t keycode;
        std::vector<xkb_keycode_t> held;
        std::u16string text;
    };
    const Row rows[] = {
        {"hu", "W", KeycodeOfPlace('W'), {}, u""},
        {"hu", "X", KeycodeOfPlace('X'), {}, u""},
        {"hu", "Y, at the US place of Z", KeycodeOfPlace('Z'), {}, u""},
        {"hu", "Z, at the US place of Y", KeycodeOfPlace('Y'), {}, u"\u0887"},
        {"de", "Y, at the US place of Z", KeycodeOfPlace('Z'), {}, u""},
        {"hu", "AltGr+2, dead caron", KeycodeOfPlace('2'), {RightAlt}, u"\u088A"},
        {"hu", "AltGr+7, dead grave, no second code", KeycodeOfPlace('7'), {RightAlt}, u""},
        {"hu", "E after the dead key", KeycodeOfPlace('E'), {}, u"\u0865"},
        {"de", "dead circumflex at the US place of `", KeycodeOfPlace(vk::OEM_3), {}, u"\u087A"},
        {"de", "A after the dead key", KeycodeOfPlace('A'), {}, u"\u0860"},
        {"hu", "AltGr+Space", Space, {RightAlt}, u" "},
        {"us", "Shift+Space", Space, {LeftShift}, u" \u0892"},
    };
    // The rows of a layout go to one engine, in order.
    std::unique_ptr<Pressing> pressing;
    for (const Row& row : rows) {
        if (!pressing || pressing->layout != row.layout)
            pressing = std::make_unique<Pressing>(row.layout);
        const EngineAction action = pressing->Press(row.keycode, row.held);
        EXPECT_TRUE(action.used) << row.layout << " " << row.what;
        EXPECT_EQ(action.text, row.text) << row.layout << " " << row.what;
    }
}

} // namespace
