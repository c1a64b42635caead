#include "EditHistory.h"

#include <algorithm>

namespace {

std::size_t UnitsOf(const EditHistory::Step& step)
{
    return step.removed.size() + step.inserted.size();
}

// Heap bytes behind a string beyond its own object: none while its units fit
// in the object itself.
std::size_t HeapBytes(const std::u16string& units)
{
    const std::size_t inPlace = std::u16string().capacity();
    return units.capacity() > inPlace ? (units.capacity() + 1) * sizeof(char16_t) : 0;
}

}  // namespace

void EditHistory::Replace(OwnWideString& text, int32_t& cursor, uint32_t at, uint32_t count,
                          std::u16string_view inserted, int32_t cursorAfter)
{
    Do(text, cursor, TextEdit::Replacing(text, cursor, at, count, inserted, cursorAfter));
}

void EditHistory::Do(OwnWideString& text, int32_t& cursor, TextEdit edit)
{
    edit.Apply(text, cursor);
    if (!edit.ChangesNothing())
        Record(std::move(edit));
}

void EditHistory::Record(TextEdit step)
{
    for (const Step& undone : redoSteps)
        unitsHeld -= UnitsOf(undone);
    redoSteps.clear();

    if (runOpen && !undoSteps.empty() && undoSteps.back().Absorb(step)) {
        unitsHeld += UnitsOf(step);
        return;
    }
    runOpen = step.kind != Kind::Whole;
    unitsHeld += UnitsOf(step);
    undoSteps.push_back(std::move(step));
    DropOldSteps();
}

void EditHistory::DropOldSteps()
{
    while (undoSteps.size() > MaxSteps || (undoSteps.size() > 1 && unitsHeld - UnitsOf(undoSteps.back()) > MaxUnits)) {
        unitsHeld -= UnitsOf(undoSteps.front());
        undoSteps.pop_front();
    }
}

bool EditHistory::Undo(OwnWideString& text, int32_t& cursor)
{
    if (undoSteps.empty())
        return false;
    Step step = std::move(undoSteps.back());
    undoSteps.pop_back();
    step.Revert(text, cursor);
    redoSteps.push_back(std::move(step));
    runOpen = false;
    return true;
}

bool EditHistory::Redo(OwnWideString& text, int32_t& cursor)
{
    if (redoSteps.empty())
        return false;
    Step step = std::move(redoSteps.back());
    redoSteps.pop_back();
    step.Apply(text, cursor);
    undoSteps.push_back(std::move(step));
    runOpen = false;
    return true;
}

std::size_t EditHistory::MemoryUsed() const
{
    std::size_t bytes = sizeof(*this) + redoSteps.capacity() * sizeof(Step);
    // A deque keeps its steps in blocks of 512 bytes or one step, whichever
    // is larger, and a map of pointers to them.
    const std::size_t perBlock = std::max<std::size_t>(1, 512 / sizeof(Step));
    bytes += (undoSteps.size() / perBlock + 1) * (perBlock * sizeof(Step) + sizeof(void*));
    for (const Step& step : undoSteps)
        bytes += HeapBytes(step.removed) + HeapBytes(step.inserted);
    for (const Step& step : redoSteps)
        bytes += HeapBytes(step.removed) + HeapBytes(step.inserted);
    return bytes;
}

bool EditHistory::Take(OwnWideString& text, int32_t& cursor, KeyEffect effect)
{
    if (effect.edit) {
        Do(text, cursor, std::move(*effect.edit));
        return true;
    }
    if (effect.cursorAfter != std::clamp<int32_t>(cursor, 0, static_cast<int32_t>(text.Length())))
        EndRun();
    cursor = effect.cursorAfter;
    return false;
}

bool ApplyKeyDown(OwnWideString& TypedText, int32_t& CursorPos, const KeybLayout& Layout, unsigned& Key,
                  KeyModifiers modifiers, bool capsLockOn, EditHistory& history)
{
    KeyEffect effect = EffectOfKey(TypedText, CursorPos, Layout, Key, modifiers, capsLockOn);
    Key = 0;
    const bool redraw = effect.redraw;
    history.Take(TypedText, CursorPos, std::move(effect));
    return redraw;
}
