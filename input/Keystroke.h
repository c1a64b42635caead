#pragma once

#include <cstdint>
#include <optional>

#include "KeybLayout.h"
#include "OwnWideString.h"
#include "TextEdit.h"

struct KeyModifiers {
    bool Shift = false;
    bool Alt = false;
    bool Ctrl = false;
};

// What one key-down does, worked out without touching the text: the edit it
// makes, if any, where the insertion point goes, and whether the line must be
// redrawn. A cursor outside 0..length counts as the nearer end of the text.
struct KeyEffect {
    std::optional<TextEdit> edit;
    int32_t cursorAfter = 0;
    bool redraw = false;
};
KeyEffect EffectOfKey(const OwnWideString& TypedText, int32_t CursorPos, const KeybLayout& Layout, unsigned Key,
                      KeyModifiers modifiers, bool capsLockOn);

// The whole editor: applies one key-down to the text and the insertion point.
// Key is set to 0 (swallowed) in every case. Returns whether the line must be
// redrawn. Key codes of 256 or more insert nothing. A CursorPos outside
// 0..length is first pulled back to the nearer end of the text.
bool ApplyKeyDown(OwnWideString& TypedText, int32_t& CursorPos, const KeybLayout& Layout,
                  unsigned& Key, KeyModifiers modifiers, bool capsLockOn);

// Inserts one unit at index position, growing the buffer by one unit; a
// position outside the text inserts at the nearer end.
void InsertUnit(OwnWideString& text, int32_t position, char16_t unit);
