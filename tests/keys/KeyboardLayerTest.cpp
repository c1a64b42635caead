#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>

#include <vector>

#include "KeyboardLayer.h"
#include "PlatformKeyboard.h"
#include "KeybLayout.h"
#include "VirtualKeys.h"

namespace {

bool capsLockWithoutApplication = true;

// One key event as Qt reports it on xcb: the X keycode (evdev + 8) and the keysym.
struct KeyRow {
    const char* what;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    quint32 keycode;
    quint32 keysym;
    unsigned expected;
};

std::vector<KeyRow> UsLayoutRows()
{
    std::vector<KeyRow> rows;
    const char* letterRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    const quint32 firstKeycode[] = {24, 38, 52};
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; letterRows[r][i] != 0; ++i) {
            const char letter = letterRows[r][i];
            rows.push_back({"letter", letter, Qt::NoModifier, firstKeycode[r] + static_cast<quint32>(i),
                            static_cast<quint32>(letter - 'A' + 'a'), static_cast<unsigned>(letter)});
        }
    }
    const char digits[] = "1234567890";
    for (int i = 0; i < 10; ++i)
        rows.push_back({"digit", digits[i], Qt::NoModifier, 10 + static_cast<quint32>(i),
                        static_cast<quint32>(digits[i]), static_cast<unsigned>(digits[i])});
    const KeyRow punctuation[] = {
        {"minus", Qt::Key_Minus, Qt::NoModifier, 20, '-', vk::OEM_MINUS},
        {"equal", Qt::Key_Equal, Qt::NoModifier, 21, '=', vk::OEM_PLUS},
        {"bracketleft", Qt::Key_BracketLeft, Qt::NoModifier, 34, '[', vk::OEM_4},
        {"bracketright", Qt::Key_BracketRight, Qt::NoModifier, 35, ']', vk::OEM_6},
        {"semicolon", Qt::Key_Semicolon, Qt::NoModifier, 47, ';', vk::OEM_1},
        {"apostrophe", Qt::Key_Apostrophe, Qt::NoModifier, 48, '\'', vk::OEM_7},
        {"grave", Qt::Key_QuoteLeft, Qt::NoModifier, 49, '`', vk::OEM_3},
        {"backslash", Qt::Key_Backslash, Qt::NoModifier, 51, '\\', vk::OEM_5},
        {"comma", Qt::Key_Comma, Qt::NoModifier, 59, ',', vk::OEM_COMMA},
        {"period", Qt::Key_Period, Qt::NoModifier, 60, '.', vk::OEM_PERIOD},
        {"slash", Qt::Key_Slash, Qt::NoModifier, 61, '/', vk::OEM_2},
        {"space", Qt::Key_Space, Qt::NoModifier, 65, ' ', vk::SPACE},
        {"Return", Qt::Key_Return, Qt::NoModifier, 36, 0xFF0D, vk::RETURN},
        // Shifted symbols come from the same keys.
        {"Shift+a", Qt::Key_A, Qt::ShiftModifier, 38, 'A', 'A'},
        {"Shift+1", Qt::Key_Exclam, Qt::ShiftModifier, 10, '!', '1'},
        {"Shift+2", Qt::Key_At, Qt::ShiftModifier, 11, '@', '2'},
        {"Shift+semicolon", Qt::Key_Colon, Qt::ShiftModifier, 47, ':', vk::OEM_1},
        {"Shift+minus", Qt::Key_Underscore, Qt::ShiftModifier, 20, '_', vk::OEM_MINUS},
        {"Shift+grave", Qt::Key_AsciiTilde, Qt::ShiftModifier, 49, '~', vk::OEM_3},
    };
    rows.insert(rows.end(), std::begin(punctuation), std::end(punctuation));
    return rows;
}

void ExpectRows(const std::vector<KeyRow>& rows)
{
    for (const KeyRow& row : rows) {
        const VirtualKeyEvent event = ToVirtualKey(row.qtKey, row.modifiers, row.keycode, row.keysym);
        EXPECT_EQ(event.Key, row.expected) << row.what << " (keycode " << row.keycode << ")";
    }
}

TEST(KeyboardLayer, UsLayoutKeys)
{
    ExpectRows(UsLayoutRows());
}

TEST(KeyboardLayer, UsLayoutReachesEveryKeyOfTheLayoutTable)
{
    const KeybLayout layout;
    std::vector<bool> reached(KeybLayout::Size, false);
    for (const KeyRow& row : UsLayoutRows()) {
        const unsigned key = ToVirtualKey(row.qtKey, row.modifiers, row.keycode, row.keysym).Key;
        if (key < reached.size())
            reached[key] = true;
    }
    for (unsigned key = 0; key < KeybLayout::Size; ++key) {
        if (layout.Base[key] != 0 || layout.CtrlAlt[key] != 0) {
            EXPECT_TRUE(reached[key]) << "no US key yields 0x" << std::hex << key;
        }
    }
}

TEST(KeyboardLayer, QwertzLayoutLettersFollowTheLayout)
{
    ExpectRows({
        // The key in the US Y position carries Z on a German keyboard, and back.
        {"Z at US Y position", Qt::Key_Z, Qt::NoModifier, 29, 'z', 'Z'},
        {"Y at US Z position", Qt::Key_Y, Qt::NoModifier, 52, 'y', 'Y'},
        // Punctuation and umlaut keys stay at their US positions.
        {"sharp s", Qt::Key_ssharp, Qt::NoModifier, 20, 0xDF, vk::OEM_MINUS},
        {"u umlaut", Qt::Key_Udiaeresis, Qt::NoModifier, 34, 0xFC, vk::OEM_4},
        {"plus", Qt::Key_Plus, Qt::NoModifier, 35, '+', vk::OEM_6},
        {"o umlaut", Qt::Key_Odiaeresis, Qt::NoModifier, 47, 0xF6, vk::OEM_1},
        {"dead circumflex", Qt::Key_Dead_Circumflex, Qt::NoModifier, 49, 0xFE52, vk::OEM_3},
        {"number sign", Qt::Key_NumberSign, Qt::NoModifier, 51, '#', vk::OEM_5},
        {"less (ISO key)", Qt::Key_Less, Qt::NoModifier, 94, '<', vk::OEM_102},
        {"Shift+2 is quotedbl", Qt::Key_QuoteDbl, Qt::ShiftModifier, 11, '"', '2'},
        // AltGr+Q gives '@'; the key is still Q, not the digit 2.
        {"AltGr+Q", Qt::Key_At, Qt::GroupSwitchModifier, 24, '@', 'Q'},
        {"AltGr+E", 0x20AC, Qt::GroupSwitchModifier, 26, 0x20AC, 'E'},
    });
}

TEST(KeyboardLayer, OtherLayouts)
{
    ExpectRows({
        // AZERTY: letters by the layout, digits by position, a comma on the US M key.
        {"AZERTY A", Qt::Key_A, Qt::NoModifier, 24, 'a', 'A'},
        {"AZERTY M", Qt::Key_M, Qt::NoModifier, 47, 'm', 'M'},
        {"AZERTY comma", Qt::Key_Comma, Qt::NoModifier, 58, ',', vk::OEM_COMMA},
        {"AZERTY ampersand", Qt::Key_Ampersand, Qt::NoModifier, 10, '&', '1'},
        // Non-Latin letters fall back to the key's US position.
        {"Cyrillic ef", 0x0424, Qt::NoModifier, 38, 0x6C6, 'A'},
        {"Greek omega", 0x03A9, Qt::NoModifier, 53, 0x7D9, 'X'},
    });
}

TEST(KeyboardLayer, WithoutPositionSymbolsDecide)
{
    ExpectRows({
        {"semicolon", Qt::Key_Semicolon, Qt::NoModifier, 0, 0, vk::OEM_1},
        {"exclam", Qt::Key_Exclam, Qt::ShiftModifier, 0, 0, '1'},
        {"at", Qt::Key_At, Qt::ShiftModifier, 0, 0, '2'},
        {"parenright", Qt::Key_ParenRight, Qt::ShiftModifier, 0, 0, '0'},
        {"digit", Qt::Key_7, Qt::NoModifier, 0, 0, '7'},
        {"letter", Qt::Key_K, Qt::NoModifier, 0, 0, 'K'},
        {"bar", Qt::Key_Bar, Qt::ShiftModifier, 0, 0, vk::OEM_5},
    });
}

TEST(KeyboardLayer, NumericKeypad)
{
    std::vector<KeyRow> rows;
    const quint32 keypadKeycodes[] = {90, 87, 88, 89, 83, 84, 85, 79, 80, 81}; // KP_0..KP_9
    for (int digit = 0; digit < 10; ++digit)
        rows.push_back({"keypad digit", Qt::Key_0 + digit, Qt::KeypadModifier, keypadKeycodes[digit],
                        0xFFB0 + static_cast<quint32>(digit), vk::NUMPAD0 + static_cast<unsigned>(digit)});
    const KeyRow others[] = {
        {"KP_Multiply", Qt::Key_Asterisk, Qt::KeypadModifier, 63, 0xFFAA, vk::MULTIPLY},
        {"KP_Add", Qt::Key_Plus, Qt::KeypadModifier, 86, 0xFFAB, vk::ADD},
        {"KP_Subtract", Qt::Key_Minus, Qt::KeypadModifier, 82, 0xFFAD, vk::SUBTRACT},
        {"KP_Divide", Qt::Key_Slash, Qt::KeypadModifier, 106, 0xFFAF, vk::DIVIDE},
        {"KP_Decimal", Qt::Key_Period, Qt::KeypadModifier, 91, 0xFFAE, vk::DECIMAL},
        {"KP_Separator", Qt::Key_Comma, Qt::KeypadModifier, 91, 0xFFAC, vk::DECIMAL},
        {"KP_Enter", Qt::Key_Enter, Qt::KeypadModifier, 104, 0xFF8D, vk::RETURN},
        {"KP_Home (Num Lock off)", Qt::Key_Home, Qt::KeypadModifier, 79, 0xFF95, vk::HOME},
        {"KP_Begin (Num Lock off)", Qt::Key_Clear, Qt::KeypadModifier, 84, 0xFF9D, vk::CLEAR},
        {"KP_Delete (Num Lock off)", Qt::Key_Delete, Qt::KeypadModifier, 91, 0xFF9F, vk::DELETE_},
        {"Shift+KP_7", Qt::Key_7, Qt::KeypadModifier | Qt::ShiftModifier, 79, 0xFFB7, vk::NUMPAD0 + 7},
    };
    rows.insert(rows.end(), std::begin(others), std::end(others));
    ExpectRows(rows);
}

TEST(KeyboardLayer, NamedKeys)
{
    ExpectRows({
        {"BackSpace", Qt::Key_Backspace, Qt::NoModifier, 22, 0xFF08, vk::BACK},
        {"Tab", Qt::Key_Tab, Qt::NoModifier, 23, 0xFF09, vk::TAB},
        {"Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, 23, 0xFE20, vk::TAB},
        {"Escape", Qt::Key_Escape, Qt::NoModifier, 9, 0xFF1B, vk::ESCAPE},
        {"Left", Qt::Key_Left, Qt::NoModifier, 113, 0xFF51, vk::LEFT},
        {"Right", Qt::Key_Right, Qt::NoModifier, 114, 0xFF53, vk::RIGHT},
        {"Up", Qt::Key_Up, Qt::NoModifier, 111, 0xFF52, vk::UP},
        {"Down", Qt::Key_Down, Qt::NoModifier, 116, 0xFF54, vk::DOWN},
        {"Home", Qt::Key_Home, Qt::NoModifier, 110, 0xFF50, vk::HOME},
        {"End", Qt::Key_End, Qt::NoModifier, 115, 0xFF57, vk::END},
        {"Prior", Qt::Key_PageUp, Qt::NoModifier, 112, 0xFF55, vk::PRIOR},
        {"Next", Qt::Key_PageDown, Qt::NoModifier, 117, 0xFF56, vk::NEXT},
        {"Insert", Qt::Key_Insert, Qt::NoModifier, 118, 0xFF63, vk::INSERT},
        {"Delete", Qt::Key_Delete, Qt::NoModifier, 119, 0xFFFF, vk::DELETE_},
        {"F1", Qt::Key_F1, Qt::NoModifier, 67, 0xFFBE, vk::F1},
        {"F12", Qt::Key_F12, Qt::NoModifier, 96, 0xFFC9, vk::F1 + 11},
        {"F24", Qt::Key_F24, Qt::NoModifier, 0, 0xFFD5, vk::F24},
        {"Shift_L", Qt::Key_Shift, Qt::ShiftModifier, 50, 0xFFE1, vk::SHIFT},
        {"Control_L", Qt::Key_Control, Qt::ControlModifier, 37, 0xFFE3, vk::CONTROL},
        {"Alt_L", Qt::Key_Alt, Qt::AltModifier, 64, 0xFFE9, vk::MENU},
        {"Meta", Qt::Key_Meta, Qt::MetaModifier, 0, 0xFFE7, vk::LWIN},
        {"Super_L", Qt::Key_Super_L, Qt::NoModifier, 133, 0xFFEB, vk::LWIN},
        {"Menu", Qt::Key_Menu, Qt::NoModifier, 135, 0xFF67, vk::APPS},
        {"Caps_Lock", Qt::Key_CapsLock, Qt::NoModifier, 66, 0xFFE5, vk::CAPITAL},
        {"Num_Lock", Qt::Key_NumLock, Qt::NoModifier, 77, 0xFF7F, vk::NUMLOCK},
        {"Scroll_Lock", Qt::Key_ScrollLock, Qt::NoModifier, 78, 0xFF14, vk::SCROLL},
        {"Pause", Qt::Key_Pause, Qt::NoModifier, 127, 0xFF13, vk::PAUSE},
        {"Print", Qt::Key_Print, Qt::NoModifier, 107, 0xFF61, vk::SNAPSHOT},
        {"Volume up: no code", Qt::Key_VolumeUp, Qt::NoModifier, 123, 0x1008FF13, UnknownVirtualKey},
        {"unknown", Qt::Key_unknown, Qt::NoModifier, 0, 0, UnknownVirtualKey},
    });
}

TEST(KeyboardLayer, ModifiersAndAltGr)
{
    struct Row {
        const char* what;
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        quint32 keysym;
        unsigned key;
        KeyModifiers expected;
    };
    const Row rows[] = {
        {"plain", Qt::Key_A, Qt::NoModifier, 'a', 'A', {false, false, false}},
        {"Shift", Qt::Key_A, Qt::ShiftModifier, 'A', 'A', {true, false, false}},
        {"Ctrl", Qt::Key_A, Qt::ControlModifier, 'a', 'A', {false, false, true}},
        {"Alt", Qt::Key_A, Qt::AltModifier, 'a', 'A', {false, true, false}},
        {"Ctrl+Alt+Shift", Qt::Key_C, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, 'C', 'C',
         {true, true, true}},
        {"Meta is no modifier here", Qt::Key_A, Qt::MetaModifier, 'a', 'A', {false, false, false}},
        {"AltGr held", Qt::Key_C, Qt::GroupSwitchModifier, 0xA2, 'C', {false, true, true}},
        {"AltGr+Shift held", Qt::Key_C, Qt::GroupSwitchModifier | Qt::ShiftModifier, 0xA9, 'C', {true, true, true}},
        {"AltGr key itself", Qt::Key_AltGr, Qt::NoModifier, 0xFE03, vk::MENU, {false, true, true}},
        {"ISO_Level3_Shift keysym", Qt::Key_unknown, Qt::NoModifier, 0xFE03, UnknownVirtualKey,
         {false, true, true}},
    };
    for (const Row& row : rows) {
        const VirtualKeyEvent event = ToVirtualKey(row.qtKey, row.modifiers, 0, row.keysym);
        EXPECT_EQ(event.Key, row.key) << row.what;
        EXPECT_EQ(event.modifiers.Shift, row.expected.Shift) << row.what;
        EXPECT_EQ(event.modifiers.Ctrl, row.expected.Ctrl) << row.what;
        EXPECT_EQ(event.modifiers.Alt, row.expected.Alt) << row.what;
    }
}

TEST(KeyboardLayer, QKeyEventOverloadReadsNativeFields)
{
    const QKeyEvent german(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, 29, 'z', 0);
    EXPECT_EQ(ToVirtualKey(german).Key, unsigned{'Z'});
    const QKeyEvent shiftedDigit(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 10, '!', 0);
    const VirtualKeyEvent digit = ToVirtualKey(shiftedDigit);
    EXPECT_EQ(digit.Key, unsigned{'1'});
    EXPECT_TRUE(digit.modifiers.Shift);
    const QKeyEvent keypad(QEvent::KeyPress, Qt::Key_5, Qt::KeypadModifier, 84, 0xFFB5, 0);
    EXPECT_EQ(ToVirtualKey(keypad).Key, vk::NUMPAD0 + 5);
    // Synthesised events (no native fields) still map.
    const QKeyEvent synthetic(QEvent::KeyPress, Qt::Key_Semicolon, Qt::NoModifier);
    EXPECT_EQ(ToVirtualKey(synthetic).Key, vk::OEM_1);
}

// The chart asks which key each US place is in the user's layout, from the
// keysym that the place has there; the answer must be what pressing it sends.
TEST(KeyboardLayer, KeyAtAUsPlaceIsWhatPressingItSends)
{
    struct Row {
        const char* what;
        unsigned place;
        quint32 keysym;
        unsigned expected;
    };
    const Row rows[] = {
        {"US A", 'A', 'a', 'A'},
        {"German: Z at the US Y place", 'Y', 'z', 'Z'},
        {"German: Y at the US Z place", 'Z', 'y', 'Y'},
        {"German: sharp s stays minus", vk::OEM_MINUS, 0xDF, vk::OEM_MINUS},
        {"German: dead circumflex stays grave", vk::OEM_3, 0xFE52, vk::OEM_3},
        {"AZERTY: Q at the US A place", 'A', 'q', 'Q'},
        {"AZERTY: M at the US semicolon place", vk::OEM_1, 'm', 'M'},
        {"AZERTY: comma at the US M place", 'M', ',', vk::OEM_COMMA},
        {"AZERTY: ampersand is the digit 1", '1', '&', '1'},
        {"Cyrillic ef at the US A place", 'A', 0x6C6, 'A'},
        {"no keysym known", 'Q', 0, 'Q'},
        {"the space bar goes by name", vk::SPACE, ' ', vk::SPACE},
        {"Enter goes by name", vk::RETURN, 0xFF0D, vk::RETURN},
    };
    for (const Row& row : rows)
        EXPECT_EQ(VirtualKeyAtPlace(row.place, row.keysym), row.expected) << row.what;
    // Without an X display the active layout is the US keyboard.
    const auto active = ActiveLayoutKeys();
    for (unsigned place : {unsigned{'Y'}, vk::OEM_1, vk::SPACE})
        EXPECT_EQ(active(place), place);
}

TEST(KeyboardLayer, CapsLockIsOffWithoutAnX11Display)
{
    EXPECT_FALSE(capsLockWithoutApplication);
    ASSERT_NE(QGuiApplication::platformName(), QLatin1String("xcb")) << "run with QT_QPA_PLATFORM=offscreen";
    EXPECT_FALSE(CapsLockOn());
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    capsLockWithoutApplication = CapsLockOn();
    // Test discovery runs the binary without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
