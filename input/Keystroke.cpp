#include "Keystroke.h"

#include <algorithm>
#include <limits>
#include <string>

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

KeyEffect EffectOfKey(const OwnWideString& TypedText, int32_t CursorPos, const KeybLayout& Layout, unsigned Key,
                      KeyModifiers modifiers, bool capsLockOn)
{
    KeyEffect effect;
    effect.cursorAfter = CursorPos;
    if (IsIgnoredKey(Key))
        return effect;

    uint32_t length = TypedText.Length();
    // Callers are meant to keep CursorPos inside the text; if one does not,
    // pull it back rather than read or write outside the buffer.
    const int32_t cursor = std::clamp<int32_t>(CursorPos, 0, static_cast<int32_t>(length));
    effect.cursorAfter = cursor;
    const auto edit = [&](TextEdit::Kind kind, uint32_t at, std::u16string removed, std::u16string inserted,
                          int32_t cursorAfter) {
        effect.edit = TextEdit{at, std::move(removed), std::move(inserted), cursor, cursorAfter, kind};
        effect.cursorAfter = cursorAfter;
    };

    switch (Key) {
    case vk::BACK:
        if (cursor > 0)
            edit(TextEdit::Kind::Erasing, static_cast<uint32_t>(cursor - 1),
                 std::u16string(1, TypedText.View()[static_cast<uint32_t>(cursor - 1)]), {}, cursor - 1);
        effect.redraw = true;
        return effect;
    case vk::RIGHT:
        if (cursor > 0)
            effect.cursorAfter = cursor - 1;
        effect.redraw = true;
        return effect;
    case vk::LEFT:
        if (static_cast<uint32_t>(cursor) < length)
            effect.cursorAfter = cursor + 1;
        effect.redraw = true;
        return effect;
    default:
        break;
    }

    const char16_t code = Translate(Layout, Key, modifiers, capsLockOn);
    std::u16string inserted;
    if (code == SpacedCode && length < MaximumLength) {
        inserted += char16_t{0x0020};
        ++length;
    }
    if (code != 0 && length < MaximumLength)
        inserted += code;
    if (!inserted.empty()) {
        const auto after = cursor + static_cast<int32_t>(inserted.size());
        edit(TextEdit::Kind::Typing, static_cast<uint32_t>(cursor), {}, std::move(inserted), after);
        effect.redraw = true;
    }
    return effect;
}

bool ApplyKeyDown(OwnWideString& TypedText, int32_t& CursorPos, const KeybLayout& Layout,
                  unsigned& Key, KeyModifiers modifiers, bool capsLockOn)
{
    const KeyEffect effect = EffectOfKey(TypedText, CursorPos, Layout, Key, modifiers, capsLockOn);
    Key = 0;
    if (effect.edit)
        effect.edit->Apply(TypedText, CursorPos);
    else
        CursorPos = effect.cursorAfter;
    return effect.redraw;
}
