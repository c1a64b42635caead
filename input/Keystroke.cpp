#include "Keystroke.h"

#include <limits>

#include "VirtualKeys.h"

namespace {

// Keys that are swallowed with no effect, whatever modifiers are held. They are
// tested before translation so that, say, Ctrl+Tab inserts nothing.
bool IsIgnoredKey(unsigned key)
{
    return key == vk::TAB
        || (key >= vk::SHIFT && key <= vk::CAPITAL)
        || key == vk::ESCAPE
        || (key >= vk::PRIOR && key <= vk::HOME)
        || key == vk::UP
        || key == vk::DOWN
        || key == vk::INSERT || key == vk::DELETE_
        || (key >= vk::LWIN && key <= vk::APPS)
        || (key >= vk::F1 && key <= vk::F24)
        || key == vk::NUMLOCK || key == vk::SCROLL
        || (key >= vk::LSHIFT && key <= vk::RMENU);
}

// The code unit that key k produces in the given modifier state; 0 for none.
char16_t Translate(const KeybLayout& layout, unsigned key, KeyModifiers modifiers, bool capsLockOn)
{
    // Codes from 256 up have no table entry and do not fit a unit either.
    if (key >= static_cast<unsigned>(KeybLayout::Size))
        return 0;
    if (!modifiers.Ctrl && !modifiers.Alt) {
        const bool shifted = modifiers.Shift != (capsLockOn && layout.CapsBase[key]);
        return shifted ? layout.BaseShift[key] : layout.Base[key];
    }
    if (modifiers.Ctrl && modifiers.Alt) {
        const bool shifted = modifiers.Shift != (capsLockOn && layout.CapsCtrlAlt[key]);
        return shifted ? layout.CtrlAltShift[key] : layout.CtrlAlt[key];
    }
    // One of Ctrl and Alt alone: the key code itself, so Ctrl+A gives U+0041.
    return static_cast<char16_t>(key);
}

// A text this long cannot take another unit: CursorPos would overflow.
constexpr uint32_t MaximumLength = static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) - 1;

} // namespace

void InsertUnit(OwnWideString& text, int32_t position, char16_t unit)
{
    const uint32_t length = text.Length();
    if (length >= MaximumLength)
        return;
    // An index outside the text inserts at the nearer end rather than writing
    // past the terminator or before the buffer (InsertAt clamps the far end).
    text.InsertAt(position < 0 ? 0 : static_cast<uint32_t>(position), unit);
}

bool ApplyKeyDown(OwnWideString& TypedText, int32_t& CursorPos, const KeybLayout& Layout,
                  unsigned& Key, KeyModifiers modifiers, bool capsLockOn)
{
    const unsigned key = Key;
    Key = 0;
    if (IsIgnoredKey(key))
        return false;

    uint32_t length = TypedText.Length();
    // Callers are meant to keep CursorPos inside the text; if one does not,
    // pull it back rather than read or write outside the buffer.
    if (CursorPos < 0)
        CursorPos = 0;
    else if (static_cast<uint32_t>(CursorPos) > length)
        CursorPos = static_cast<int32_t>(length);

    switch (key) {
    case vk::BACK:
        if (CursorPos > 0) {
            --CursorPos;
            TypedText.EraseAt(static_cast<uint32_t>(CursorPos));
        }
        return true;
    case vk::RIGHT:
        if (CursorPos > 0)
            --CursorPos;
        return true;
    case vk::LEFT:
        if (static_cast<uint32_t>(CursorPos) < length)
            ++CursorPos;
        return true;
    default:
        break;
    }

    const char16_t code = Translate(Layout, key, modifiers, capsLockOn);
    bool redraw = false;
    if (code == SpacedCode && length < MaximumLength) {
        TypedText.InsertAt(static_cast<uint32_t>(CursorPos), char16_t{0x0020});
        ++length;
        ++CursorPos;
        redraw = true;
    }
    if (code != 0 && length < MaximumLength) {
        TypedText.InsertAt(static_cast<uint32_t>(CursorPos), code);
        ++CursorPos;
        redraw = true;
    }
    return redraw;
}
