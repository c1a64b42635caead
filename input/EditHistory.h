#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "Keystroke.h"
#include "OwnWideString.h"
#include "TextEdit.h"

// The undo and redo history of the text: each step holds the edit it made
// (where, what went, what came, the insertion point before and after), never a
// copy of the whole text, so that a step of typing costs a few dozen bytes
// whatever the text's length.
//
// Bounded: at most MaxSteps steps, and the units held by all steps but the
// newest at most MaxUnits (the newest, an Open of a long file say, is always
// kept, so that it can be taken back); the oldest steps go first.
class EditHistory {
public:
    static constexpr std::size_t MaxSteps = 1000;
    static constexpr std::size_t MaxUnits = std::size_t{1} << 20;

    using Kind = TextEdit::Kind;
    using Step = TextEdit;

    // Replaces count units from at (both kept within the text) by inserted,
    // puts the insertion point at cursorAfter and records that as one step
    // (none when nothing is replaced by nothing).
    void Replace(OwnWideString& text, int32_t& cursor, uint32_t at, uint32_t count, std::u16string_view inserted,
                 int32_t cursorAfter);

    // Applies the edit to the text and records it, joined to the step before
    // when the edit goes on with that step's run. An edit that changes no
    // unit only moves the insertion point and is no step.
    void Do(OwnWideString& text, int32_t& cursor, TextEdit edit);

    // What a key does: its edit done and recorded, or else a move of the
    // insertion point, which ends the run. Answers whether the text changed.
    bool Take(OwnWideString& text, int32_t& cursor, KeyEffect effect);

    // The insertion point moved with no edit: the next typing starts a step.
    void EndRun() { runOpen = false; }

    bool CanUndo() const { return !undoSteps.empty(); }
    bool CanRedo() const { return !redoSteps.empty(); }
    // Each answers whether it changed anything.
    bool Undo(OwnWideString& text, int32_t& cursor);
    bool Redo(OwnWideString& text, int32_t& cursor);

    std::size_t UndoCount() const { return undoSteps.size(); }
    // Bytes of memory the steps take, their own and their units' storage.
    std::size_t MemoryUsed() const;

private:
    void Record(TextEdit step);
    void DropOldSteps();

    std::deque<Step> undoSteps;
    std::vector<Step> redoSteps;
    // Units held by all steps, undo and redo.
    std::size_t unitsHeld = 0;
    // The newest step may still take the next key of its run.
    bool runOpen = false;
};

// ApplyKeyDown, with what the key did recorded in history.
bool ApplyKeyDown(OwnWideString& TypedText, int32_t& CursorPos, const KeybLayout& Layout, unsigned& Key,
                  KeyModifiers modifiers, bool capsLockOn, EditHistory& history);
