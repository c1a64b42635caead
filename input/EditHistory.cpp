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

void ReplaceUnits(OwnWideString& text, uint32_t at, uint32_t count, std::u16string_view units)
{
    const uint32_t length = text.Length();
    at = std::min(at, length);
    count = std::min(count, length - at);
    // A few units in or out, as keys make them, move the rest in place: a
    // move of the whole text per unit is cheaper than building it anew.
    if (count + units.size() <= 64) {
        for (uint32_t i = 0; i < count; ++i)
            text.EraseAt(at);
        for (std::size_t i = 0; i < units.size(); ++i)
            text.InsertAt(at + static_cast<uint32_t>(i), units[i]);
        return;
    }
    const char16_t* old = static_cast<const OwnWideString&>(text).Buffer();
    OwnWideString result;
    for (uint32_t i = 0; i < at; ++i)
        result.Append(old[i]);
    for (const char16_t unit : units)
        result.Append(unit);
    for (uint32_t i = at + count; i < length; ++i)
        result.Append(old[i]);
    text = result;
}

void EditHistory::Replace(OwnWideString& text, int32_t& cursor, uint32_t at, uint32_t count,
                          std::u16string_view inserted, int32_t cursorAfter)
{
    const uint32_t length = text.Length();
    at = std::min(at, length);
    count = std::min(count, length - at);
    // Nothing for nothing (Open of an empty file on an empty text) is no step.
    if (count == 0 && inserted.empty()) {
        cursor = std::clamp<int32_t>(cursorAfter, 0, static_cast<int32_t>(length));
        return;
    }
    Step step;
    step.at = at;
    step.removed.assign(static_cast<const OwnWideString&>(text).Buffer() + at, count);
    step.inserted.assign(inserted);
    step.cursorBefore = cursor;
    ReplaceUnits(text, at, count, inserted);
    cursor = std::clamp<int32_t>(cursorAfter, 0, static_cast<int32_t>(text.Length()));
    step.cursorAfter = cursor;
    step.kind = Kind::Whole;
    Record(std::move(step));
}

void EditHistory::Record(Step step)
{
    for (const Step& undone : redoSteps)
        unitsHeld -= UnitsOf(undone);
    redoSteps.clear();

    if (runOpen && !undoSteps.empty() && undoSteps.back().kind == step.kind
        && undoSteps.back().cursorAfter == step.cursorBefore) {
        Step& last = undoSteps.back();
        if (step.kind == Kind::Typing && step.removed.empty() && last.removed.empty()
            && step.at == last.at + last.inserted.size()) {
            last.inserted += step.inserted;
            last.cursorAfter = step.cursorAfter;
            unitsHeld += step.inserted.size();
            return;
        }
        // Backspace takes the unit before the last one taken.
        if (step.kind == Kind::Erasing && step.inserted.empty() && last.inserted.empty()
            && step.at + step.removed.size() == last.at) {
            last.removed.insert(0, step.removed);
            last.at = step.at;
            last.cursorAfter = step.cursorAfter;
            unitsHeld += step.removed.size();
            return;
        }
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
    ReplaceUnits(text, step.at, static_cast<uint32_t>(step.inserted.size()), step.removed);
    cursor = std::clamp<int32_t>(step.cursorBefore, 0, static_cast<int32_t>(text.Length()));
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
    ReplaceUnits(text, step.at, static_cast<uint32_t>(step.removed.size()), step.inserted);
    cursor = std::clamp<int32_t>(step.cursorAfter, 0, static_cast<int32_t>(text.Length()));
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

bool ApplyKeyDown(OwnWideString& TypedText, int32_t& CursorPos, const KeybLayout& Layout, unsigned& Key,
                  KeyModifiers modifiers, bool capsLockOn, EditHistory& history)
{
    const uint32_t lengthBefore = TypedText.Length();
    const int32_t cursorBefore = std::clamp<int32_t>(CursorPos, 0, static_cast<int32_t>(lengthBefore));
    // Backspace is the only key that takes a unit: the one before the cursor.
    const char16_t beforeCursor = cursorBefore > 0 ? static_cast<const OwnWideString&>(TypedText)[cursorBefore - 1] : 0;
    const bool redraw = ApplyKeyDown(TypedText, CursorPos, Layout, Key, modifiers, capsLockOn);
    const uint32_t lengthAfter = TypedText.Length();

    EditHistory::Step step;
    step.cursorBefore = cursorBefore;
    step.cursorAfter = CursorPos;
    if (lengthAfter > lengthBefore) {
        step.kind = EditHistory::Kind::Typing;
        step.at = static_cast<uint32_t>(cursorBefore);
        step.inserted.assign(static_cast<const OwnWideString&>(TypedText).Buffer() + cursorBefore,
                             lengthAfter - lengthBefore);
        history.Record(std::move(step));
    } else if (lengthAfter < lengthBefore) {
        step.kind = EditHistory::Kind::Erasing;
        step.at = static_cast<uint32_t>(CursorPos);
        step.removed.assign(1, beforeCursor);
        history.Record(std::move(step));
    } else if (CursorPos != cursorBefore) {
        history.EndRun();
    }
    return redraw;
}
