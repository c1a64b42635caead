#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "OwnWideString.h"

// One change of the text as a value: where, the units it removes, the units it
// inserts, and the insertion point before and after. It applies itself and
// takes itself back, and it alone knows which edit may join it into one step.
struct TextEdit {
    // How an edit joins the one before it: a run of typed units with no move
    // of the insertion point is one step, and so is a run of Backspaces; a
    // whole-text change (Open, Restore, Delete, Cut) stands alone.
    enum class Kind { Typing, Erasing, Whole };

    uint32_t at = 0;
    std::u16string removed;
    std::u16string inserted;
    int32_t cursorBefore = 0;
    int32_t cursorAfter = 0;
    Kind kind = Kind::Whole;

    // Replaces count units from at (both kept within text) by inserted, the
    // insertion point going from cursor to cursorAfter.
    static TextEdit Replacing(const OwnWideString& text, int32_t cursor, uint32_t at, uint32_t count,
                              std::u16string_view inserted, int32_t cursorAfter);

    bool ChangesNothing() const { return removed.empty() && inserted.empty(); }

    // The insertion point lands on cursorAfter (cursorBefore for Revert),
    // pulled back into the text.
    void Apply(OwnWideString& text, int32_t& cursor) const;
    void Revert(OwnWideString& text, int32_t& cursor) const;

    // Takes next into this edit when it goes on with the same run: a unit
    // typed right after the last, a Backspace of the unit before the last one
    // taken. Answers whether it did.
    bool Absorb(const TextEdit& next);
};

// Replaces count units from at by units, at a cost linear in the text.
void ReplaceUnits(OwnWideString& text, uint32_t at, uint32_t count, std::u16string_view units);
