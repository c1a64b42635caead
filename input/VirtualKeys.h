#pragma once

// Windows virtual-key codes, the key numbering that the layout table and the
// keystroke handling speak.
namespace vk {
constexpr unsigned BACK = 0x08, TAB = 0x09, CLEAR = 0x0C, RETURN = 0x0D;
constexpr unsigned SHIFT = 0x10, CONTROL = 0x11, MENU = 0x12, PAUSE = 0x13, CAPITAL = 0x14;
constexpr unsigned ESCAPE = 0x1B, SPACE = 0x20;
constexpr unsigned PRIOR = 0x21, NEXT = 0x22, END = 0x23, HOME = 0x24;
constexpr unsigned LEFT = 0x25, UP = 0x26, RIGHT = 0x27, DOWN = 0x28;
constexpr unsigned SELECT = 0x29, PRINT = 0x2A, EXECUTE = 0x2B, SNAPSHOT = 0x2C;
constexpr unsigned INSERT = 0x2D, DELETE_ = 0x2E, HELP = 0x2F;
constexpr unsigned KEY_0 = 0x30; // '0'..'9' are 0x30..0x39
constexpr unsigned KEY_A = 0x41; // 'A'..'Z' are 0x41..0x5A
constexpr unsigned LWIN = 0x5B, RWIN = 0x5C, APPS = 0x5D;
constexpr unsigned NUMPAD0 = 0x60; // NUMPAD0..NUMPAD9 are 0x60..0x69
constexpr unsigned MULTIPLY = 0x6A, ADD = 0x6B, SEPARATOR = 0x6C, SUBTRACT = 0x6D, DECIMAL = 0x6E, DIVIDE = 0x6F;
constexpr unsigned F1 = 0x70, F24 = 0x87;
constexpr unsigned NUMLOCK = 0x90, SCROLL = 0x91;
constexpr unsigned LSHIFT = 0xA0, RSHIFT = 0xA1, LCONTROL = 0xA2, RCONTROL = 0xA3, LMENU = 0xA4, RMENU = 0xA5;
constexpr unsigned OEM_1 = 0xBA, OEM_PLUS = 0xBB, OEM_COMMA = 0xBC, OEM_MINUS = 0xBD, OEM_PERIOD = 0xBE;
constexpr unsigned OEM_2 = 0xBF, OEM_3 = 0xC0, OEM_4 = 0xDB, OEM_5 = 0xDC, OEM_6 = 0xDD, OEM_7 = 0xDE;
constexpr unsigned OEM_102 = 0xE2;
} // namespace vk
