#include "KeyboardLayer.h"

#include "VirtualKeys.h"

namespace {

constexpr quint32 KeysymIsoLevel3Shift = 0xFE03; // AltGr on most layouts
constexpr quint32 KeysymKpSeparator = 0xFFAC;

// X keycodes of the US keyboard (evdev code + 8). Position decides digits and
// punctuation keys, whose symbols differ from layout to layout.
struct PositionKey {
    quint32 keycode;
    unsigned code;
};

constexpr PositionKey DigitAndPunctuationPositions[] = {
    {10, '1'}, {11, '2'}, {12, '3'}, {13, '4'}, {14, '5'},
    {15, '6'}, {16, '7'}, {17, '8'}, {18, '9'}, {19, '0'},
    {20, vk::OEM_MINUS}, {21, vk::OEM_PLUS},
    {34, vk::OEM_4}, {35, vk::OEM_6},
    {47, vk::OEM_1}, {48, vk::OEM_7}, {49, vk::OEM_3}, {51, vk::OEM_5},
    {59, vk::OEM_COMMA}, {60, vk::OEM_PERIOD}, {61, vk::OEM_2},
    {94, vk::OEM_102},
};

// Only consulted when the key's symbol is not a Latin letter, so that
// Cyrillic, Greek and similar layouts still reach the letter entries.
constexpr PositionKey LetterPositions[] = {
    {24, 'Q'}, {25, 'W'}, {26, 'E'}, {27, 'R'}, {28, 'T'},
    {29, 'Y'}, {30, 'U'}, {31, 'I'}, {32, 'O'}, {33, 'P'},
    {38, 'A'}, {39, 'S'}, {40, 'D'}, {41, 'F'}, {42, 'G'},
    {43, 'H'}, {44, 'J'}, {45, 'K'}, {46, 'L'},
    {52, 'Z'}, {53, 'X'}, {54, 'C'}, {55, 'V'}, {56, 'B'}, {57, 'N'}, {58, 'M'},
};

template <size_t N>
unsigned FindPosition(const PositionKey (&table)[N], quint32 keycode)
{
    for (const PositionKey& entry : table) {
        if (entry.keycode == keycode)
            return entry.code;
    }
    return UnknownVirtualKey;
}

unsigned KeypadKey(int qtKey, quint32 keysym)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return vk::NUMPAD0 + static_cast<unsigned>(qtKey - Qt::Key_0);
    if (keysym == KeysymKpSeparator)
        return vk::DECIMAL;
    switch (qtKey) {
    case Qt::Key_Asterisk: return vk::MULTIPLY;
    case Qt::Key_Plus: return vk::ADD;
    case Qt::Key_Minus: return vk::SUBTRACT;
    case Qt::Key_Period:
    case Qt::Key_Comma: return vk::DECIMAL;
    case Qt::Key_Slash: return vk::DIVIDE;
    default: return UnknownVirtualKey; // Home, Left... with Num Lock off: as the main keys
    }
}

unsigned NamedKey(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return vk::F1 + static_cast<unsigned>(qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace: return vk::BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return vk::TAB;
    case Qt::Key_Clear: return vk::CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vk::RETURN;
    case Qt::Key_Shift: return vk::SHIFT;
    case Qt::Key_Control: return vk::CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Mode_switch: return vk::MENU;
    case Qt::Key_Pause: return vk::PAUSE;
    case Qt::Key_CapsLock: return vk::CAPITAL;
    case Qt::Key_Escape: return vk::ESCAPE;
    case Qt::Key_Space: return vk::SPACE;
    case Qt::Key_PageUp: return vk::PRIOR;
    case Qt::Key_PageDown: return vk::NEXT;
    case Qt::Key_End: return vk::END;
    case Qt::Key_Home: return vk::HOME;
    case Qt::Key_Left: return vk::LEFT;
    case Qt::Key_Up: return vk::UP;
    case Qt::Key_Right: return vk::RIGHT;
    case Qt::Key_Down: return vk::DOWN;
    case Qt::Key_Select: return vk::SELECT;
    case Qt::Key_Printer: return vk::PRINT;
    case Qt::Key_Execute: return vk::EXECUTE;
    case Qt::Key_Print:
    case Qt::Key_SysReq: return vk::SNAPSHOT;
    case Qt::Key_Insert: return vk::INSERT;
    case Qt::Key_Delete: return vk::DELETE_;
    case Qt::Key_Help: return vk::HELP;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return vk::LWIN;
    case Qt::Key_Super_R: return vk::RWIN;
    case Qt::Key_Menu: return vk::APPS;
    case Qt::Key_NumLock: return vk::NUMLOCK;
    case Qt::Key_ScrollLock: return vk::SCROLL;
    default: return UnknownVirtualKey;
    }
}

// The US key that carries a symbol, for keys whose position told nothing.
// The shifted digit symbols are taken only when there is no position at all:
// with one, they are most likely an AltGr level of some other key ('@' on
// AltGr+Q of a German keyboard).
unsigned CharacterKey(int qtKey, bool positionKnown)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<unsigned>(qtKey);
    switch (qtKey) {
    case ';': case ':': return vk::OEM_1;
    case '=': case '+': return vk::OEM_PLUS;
    case ',': case '<': return vk::OEM_COMMA;
    case '-': case '_': return vk::OEM_MINUS;
    case '.': case '>': return vk::OEM_PERIOD;
    case '/': case '?': return vk::OEM_2;
    case '`': case '~': return vk::OEM_3;
    case '[': case '{': return vk::OEM_4;
    case '\\': case '|': return vk::OEM_5;
    case ']': case '}': return vk::OEM_6;
    case '\'': case '"': return vk::OEM_7;
    default: break;
    }
    if (positionKnown)
        return UnknownVirtualKey;
    switch (qtKey) {
    case '!': return '1';
    case '@': return '2';
    case '#': return '3';
    case '$': return '4';
    case '%': return '5';
    case '^': return '6';
    case '&': return '7';
    case '*': return '8';
    case '(': return '9';
    case ')': return '0';
    default: return UnknownVirtualKey;
    }
}

unsigned ToVirtualKeyCode(int qtKey, Qt::KeyboardModifiers qtModifiers, quint32 keycode, quint32 keysym)
{
    if (qtModifiers & Qt::KeypadModifier) {
        if (const unsigned code = KeypadKey(qtKey, keysym))
            return code;
    }
    if (const unsigned code = NamedKey(qtKey))
        return code;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<unsigned>(qtKey);
    if (const unsigned code = FindPosition(DigitAndPunctuationPositions, keycode))
        return code;
    const bool positionKnown = keycode != 0;
    if (const unsigned code = CharacterKey(qtKey, positionKnown))
        return code;
    return FindPosition(LetterPositions, keycode);
}

} // namespace

VirtualKeyEvent ToVirtualKey(int qtKey, Qt::KeyboardModifiers qtModifiers, quint32 nativeScanCode,
                             quint32 nativeVirtualKey)
{
    VirtualKeyEvent result;
    result.modifiers.Shift = qtModifiers.testFlag(Qt::ShiftModifier);
    result.modifiers.Ctrl = qtModifiers.testFlag(Qt::ControlModifier);
    result.modifiers.Alt = qtModifiers.testFlag(Qt::AltModifier);
    // AltGr is Ctrl+Alt, as on Windows, so the Ctrl+Alt column can be typed with it.
    if (qtModifiers.testFlag(Qt::GroupSwitchModifier) || qtKey == Qt::Key_AltGr
        || nativeVirtualKey == KeysymIsoLevel3Shift) {
        result.modifiers.Ctrl = true;
        result.modifiers.Alt = true;
    }
    result.Key = ToVirtualKeyCode(qtKey, qtModifiers, nativeScanCode, nativeVirtualKey);
    return result;
}

quint32 KeycodeOfPlace(unsigned usKey)
{
    for (const PositionKey& entry : DigitAndPunctuationPositions)
        if (entry.code == usKey)
            return entry.keycode;
    for (const PositionKey& entry : LetterPositions)
        if (entry.code == usKey)
            return entry.keycode;
    return 0;
}

unsigned VirtualKeyAtPlace(unsigned usKey, quint32 keysym)
{
    const quint32 keycode = KeycodeOfPlace(usKey);
    if (keycode == 0 || keysym == 0)
        return usKey;
    // Qt's key for a Latin-1 keysym is its capital, as in its key events.
    int qtKey = Qt::Key_unknown;
    if (keysym >= 'a' && keysym <= 'z')
        qtKey = Qt::Key_A + static_cast<int>(keysym - 'a');
    else if (keysym >= 0x20 && keysym <= 0x7E)
        qtKey = static_cast<int>(keysym);
    return ToVirtualKey(qtKey, Qt::NoModifier, keycode, keysym).Key;
}
