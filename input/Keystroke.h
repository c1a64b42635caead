#pragma once

#include <cstdint>

#include "KeybLayout.h"
#include "OwnWideString.h"

struct KeyModifiers {
    bool Shift = false;
    bool Alt = false;
    bool Ctrl = false;
};

// The whole editor: applies one key-down to the text and the insertion point.
// Key is set to 0 (swallowed) in every case. Returns whether the line must be
// redrawn. Key codes of 256 or more insert nothing. A CursorPos outside
// 0..length is first pulled back to the nearer end of the text.
bool ApplyKeyDown(OwnWideString& TypedText, int32_t& CursorPos, const KeybLayout& Layout,
                  unsigned& Key, KeyModifiers modifiers, bool capsLockOn);

// Inserts one unit at index position, growing the buffer by one unit; a
// position outside the text inserts at the nearer end.
void InsertUnit(OwnWideString& text, int32_t position, char16_t unit);
