#pragma once

#include <cstdint>
#include <string_view>

#include "EditHistory.h"
#include "KeybLayout.h"
#include "Keystroke.h"
#include "OwnWideString.h"

// The window's text apart from any window: its units, the insertion point, the
// history of its edits and a count of them. The insertion point stays within
// the text.
class TextDocument {
public:
    const OwnWideString& TypedText() const { return typedText; }
    int32_t CursorPos() const { return cursorPos; }
    const EditHistory& History() const { return history; }
    // Goes up with every edit of the units, taken back or done again too;
    // a move of the insertion point alone leaves it.
    uint64_t Edits() const { return edits; }

    // One key-down; Key is swallowed. Answers whether the line must be
    // redrawn.
    bool KeyDown(const KeybLayout& Layout, unsigned& Key, KeyModifiers modifiers, bool capsLockOn);
    // The whole text replaced by units (Delete, Cut, Open, Restore), as one
    // step to take back, the insertion point at cursorAfter.
    void ReplaceAll(std::u16string_view units, int32_t cursorAfter);
    // Each answers whether it changed anything.
    bool Undo();
    bool Redo();

private:
    OwnWideString typedText;
    int32_t cursorPos = 0;
    EditHistory history;
    uint64_t edits = 0;
};
